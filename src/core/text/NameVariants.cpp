#include "core/text/NameVariants.h"

#include "core/text/SjisText.h"

namespace tanzel {

namespace {

constexpr unsigned kKe = 0x8350;          // ケ
constexpr unsigned kSmallKe = 0x8396;     // ヶ
constexpr unsigned kSmallKa = 0x8395;     // ヵ
constexpr unsigned kGa = 0x82AA;          // が
constexpr unsigned kKatakanaNo = 0x836D;  // ノ
constexpr unsigned kShi = 0x9456;         // 之
constexpr unsigned kNo = 0x82CC;          // の

// Kanji numerals: 〇 一 二 三 四 五 六 七 八 九 十 百 千.
constexpr unsigned kKanjiNumerals[] = {0x815A, 0x88EA, 0x93F1, 0x8E4F, 0x8E6C, 0x8CDC, 0x985A,
                                       0x8EB5, 0x94AA, 0x8BE3, 0x8F5C, 0x9553, 0x90E7};

bool IsKe(unsigned code) {
  return code == kKe || code == kSmallKe || code == kSmallKa || code == kGa;
}

// Between two parts of a name: after a kanji or a number (五之上 and 5之上), before a kanji.
bool Joining(unsigned previous, unsigned next) {
  return (IsKanjiCode(previous) || IsNumeralCode(previous)) && IsKanjiCode(CommonKanji(next));
}

unsigned CodeAt(const char* s, std::size_t len, std::size_t i, std::size_t& length) {
  return SjisCodeAt(std::string_view(s, len), i, length);
}

void Put(char* out, std::size_t& n, unsigned code) {
  if (code > 0xFF) out[n++] = static_cast<char>(code >> 8);
  out[n++] = static_cast<char>(code & 0xFF);
}

}  // namespace

bool IsKanjiCode(unsigned code) {
  return code == 0x8158 || (code >= 0x889F && code <= 0x9FFC) || (code >= 0xE040 && code <= 0xFC4B);
}

bool IsNumeralCode(unsigned code) {
  if ((code >= '0' && code <= '9') || (code >= 0x824F && code <= 0x8258)) return true;
  for (unsigned k : kKanjiNumerals)
    if (k == code) return true;
  return false;
}

namespace {

// Variant kanji (two codes each: the NEC-selected and the IBM extension rows, or two JIS
// kanji) and the kanji the data uses for them.
struct Variant {
  unsigned first, second, common;
};
constexpr Variant kVariants[] = {
    {0xED95, 0xFAB1, 0x8DE8},  // 﨑 崎
    {0xEEE0, 0xFBFC, 0x8D82},  // 髙 高
    {0xED9E, 0xFABA, 0x93BF},  // 德 徳
    {0xEDEE, 0xFB4D, 0x956C},  // 濵 浜
    {0xEDF1, 0xFB50, 0x90A3},  // 瀨 瀬
    {0xEEEC, 0xFC4B, 0x8D95},  // 黑 黒
    {0xE7B2, 0xE7B3, 0x95D3},  // 邊 邉 辺
    // The compatibility ideographs of the extension rows, as the standard ones.
    {0xED80, 0xFA9C, 0x92CB},  // 塚
    {0xEDBC, 0xFAD8, 0x90B0},  // 晴
    {0xEDC4, 0xFAE0, 0x984E},  // 朗
    {0xEE42, 0xFB5E, 0x9296},  // 猪
    {0xEE59, 0xFB75, 0x8976},  // 益
    {0xEE61, 0xFB7D, 0x97E7},  // 礼
    {0xEE62, 0xFB7E, 0x905F},  // 神
    {0xEE63, 0xFB80, 0x8FCB},  // 祥
    {0xEE65, 0xFB82, 0x959F},  // 福
    {0xEE69, 0xFB86, 0x96F5},  // 靖
    {0xEE6C, 0xFB89, 0x90B8},  // 精
    {0xEE75, 0xFB92, 0x8948},  // 羽
    {0xEE8D, 0xFBA9, 0x8F94},  // 諸
    {0xEE98, 0xFBB4, 0x88ED},  // 逸
    {0xEE9B, 0xFBB7, 0x9373},  // 都
    {0xEECD, 0xFBE9, 0x97B2},  // 隆
    {0xEEDA, 0xFBF6, 0x94D1},  // 飯
    {0xEEDB, 0xFBF7, 0x8E94},  // 飼
    {0xEEDD, 0xFBF9, 0x8AD9},  // 館
    {0xEEEA, 0xFC49, 0x92DF},  // 鶴
};

// A kanji the data uses that has a variant (高 of 髙): text may hold either.
bool HasVariant(unsigned code) {
  for (const Variant& v : kVariants)
    if (v.common == code) return true;
  return false;
}

}  // namespace

unsigned CommonKanji(unsigned code) {
  if (code < 0xE040) return code;
  for (const Variant& v : kVariants)
    if (v.first == code || v.second == code) return v.common;
  return code;
}

unsigned NameVariant(unsigned previous, unsigned code, unsigned next) {
  code = CommonKanji(code);
  if (IsKe(code)) return Joining(previous, next) ? 0 : kKe;
  if ((code == kKatakanaNo || code == kShi) && Joining(previous, next)) return kNo;
  return code;
}

bool IsVariantPlace(unsigned previous, unsigned code, unsigned next) {
  if (CommonKanji(code) != code || IsKe(code)) return true;
  return (code == kKatakanaNo || code == kShi || code == kNo) && Joining(previous, next);
}

bool HasVariantPlace(std::string_view sjis) {
  unsigned previous = 0;
  std::size_t length;
  for (std::size_t i = 0; i < sjis.size(); i += length) {
    unsigned code = CodeAt(sjis.data(), sjis.size(), i, length);
    std::size_t nextLength;
    unsigned next = i + length < sjis.size() ? CodeAt(sjis.data(), sjis.size(), i + length, nextLength) : 0;
    if (IsVariantPlace(previous, code, next)) return true;
    previous = code;
  }
  return false;
}

std::size_t FoldNameVariants(const char* sjis, std::size_t len, char* out) {
  std::size_t n = 0;
  unsigned previous = 0;
  std::size_t length;
  unsigned code = len > 0 ? CodeAt(sjis, len, 0, length) : 0;
  for (std::size_t i = 0; i < len;) {
    std::size_t nextLength = 0;
    unsigned next = i + length < len ? CodeAt(sjis, len, i + length, nextLength) : 0;
    if (unsigned folded = NameVariant(previous, code, next)) Put(out, n, folded);
    previous = CommonKanji(code);
    i += length;
    code = next;
    length = nextLength;
  }
  return n;
}

std::string FoldNameVariants(std::string_view sjis) {
  std::string out(sjis.size(), '\0');
  out.resize(FoldNameVariants(sjis.data(), sjis.size(), out.data()));
  return out;
}

std::string StableStretch(std::string_view sjis) {
  std::string_view best;
  std::size_t from = 0;  // where the stretch being read starts
  unsigned previous = 0;
  std::size_t length;
  auto close = [&](std::size_t at) {
    if (at - from > best.size()) best = sjis.substr(from, at - from);
  };
  std::size_t end = sjis.size();
  for (std::size_t i = 0; i < sjis.size(); i += length) {
    unsigned code = CodeAt(sjis.data(), sjis.size(), i, length);
    // A lead byte alone (only at the end) starts a character the text does not show: another
    // spelling's character may start with it too, so it holds nothing still.
    if (length == 1 && IsSjisLeadByte(static_cast<unsigned char>(sjis[i]))) {
      end = i;
      break;
    }
    std::size_t nextLength;
    unsigned next = i + length < sjis.size() ? CodeAt(sjis.data(), sjis.size(), i + length, nextLength) : 0;
    if (IsVariantPlace(previous, code, next) || HasVariant(code)) {
      close(i);
      from = i + length;
    } else if (Joining(previous, code)) {
      close(i);  // the other spelling may hold a ヶ here
      from = i;
    }
    previous = code;
  }
  close(end);
  return std::string(best);
}

}  // namespace tanzel
