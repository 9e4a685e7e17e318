#include "core/browse/KanaRow.h"

#include <cstring>

namespace tanzel {

const char* const KanaRowTable[KanaRowCount] = {
    "",
    "\x83\x41",  // ア
    "\x83J",     // カ
    "\x83T",     // サ
    "\x83^",     // タ
    "\x83i",     // ナ
    "\x83n",     // ハ
    "\x83}",     // マ
    "\x83\x84",  // ヤ
    "\x83\x89",  // ラ
    "\x83\x8f",  // ワ
    "\x83\x93",  // ン
};

namespace {
// Byte-wise order of two short texts: unsigned bytes from the first on; a prefix sorts
// before the longer text.
int Compare(const char* a, std::size_t aLen, const char* b) {
  std::size_t bLen = std::strlen(b);
  std::size_t n = aLen < bLen ? aLen : bLen;
  for (std::size_t i = 0; i < n; ++i) {
    auto x = static_cast<unsigned char>(a[i]);
    auto y = static_cast<unsigned char>(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  return aLen == bLen ? 0 : (aLen < bLen ? -1 : 1);
}
}  // namespace

const char* KanaRowHeading(const char* name, int& kanaRowIndex) {
  // The first character: the first two bytes, fewer when the name is shorter.
  std::size_t keyLen = name[0] == '\0' ? 0 : (name[1] == '\0' ? 1 : 2);
  int before = kanaRowIndex;
  while (kanaRowIndex < KanaRowCount - 1) {
    if (Compare(name, keyLen, KanaRowTable[kanaRowIndex]) >= 0 &&
        Compare(name, keyLen, KanaRowTable[kanaRowIndex + 1]) < 0)
      break;
    ++kanaRowIndex;
  }
  return kanaRowIndex != before ? KanaRowTable[kanaRowIndex] : kBlankHeading;
}

}  // namespace tanzel
