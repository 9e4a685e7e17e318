#include "core/version/FileVersion.h"

#include <climits>
#include <cstdio>

namespace tanzel {

namespace {
bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}
bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// One "%d": reads a number at *p and moves *p past it; false (and *p unchanged) when
// there is none.
bool ScanNumber(const char** p, int* value) {
  const char* s = *p;
  while (IsSpace(*s)) ++s;
  bool negative = *s == '-';
  if (*s == '-' || *s == '+') ++s;
  if (!IsDigit(*s)) return false;
  long long n = 0;
  for (; IsDigit(*s); ++s) {
    if (n <= static_cast<long long>(INT_MAX) + 1) n = n * 10 + (*s - '0');
  }
  if (negative) n = -n;
  *value = n > INT_MAX ? INT_MAX : n < INT_MIN ? INT_MIN : static_cast<int>(n);
  *p = s;
  return true;
}
}  // namespace

int ScanFileVersion(const char* text, int numbers[4]) {
  if (text == nullptr) return 0;
  const char* p = text;
  int count = 0;
  while (count < 4) {
    if (count > 0) {
      if (*p != '.') break;
      ++p;
    }
    if (!ScanNumber(&p, &numbers[count])) break;
    ++count;
  }
  return count;
}

std::string VersionLabelText(const int numbers[4]) {
  char text[64];
  std::snprintf(text, sizeof text, "version %d.%d.%d", numbers[0], numbers[1], numbers[2]);
  return text;
}

}  // namespace tanzel
