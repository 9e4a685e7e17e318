#include "core/browse/CheckDigit.h"

#include <cstdio>

namespace tanzel {

int CheckDigit(const char* code5) {
  static constexpr int kWeights[5] = {6, 5, 4, 3, 2};
  int sum = 0;
  for (int i = 0; i < 5; ++i) {
    if (code5[i] == '\0') return -1;
    sum += kWeights[i] * (static_cast<unsigned char>(code5[i]) - '0');
  }
  int m = sum % 11;
  if (m < 0) m += 11;
  return (11 - m) % 10;
}

std::string LocalGovCodeText(int32_t code) {
  char text[16];
  std::snprintf(text, sizeof text, "%05d", static_cast<int>(code));
  return text;
}

std::string LocalGovCodeWithCheckDigit(int32_t code) {
  std::string text = LocalGovCodeText(code);
  const int check = CheckDigit(text.c_str());
  return check < 0 ? text : text + static_cast<char>('0' + check);
}

}  // namespace tanzel
