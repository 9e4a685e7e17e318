#pragma once

// Test helper: Shift-JIS bytes of a UTF-8 literal, so tests read in plain Japanese.

#include <stdexcept>
#include <string>

#include "data/SjisText.h"

inline std::string S(const char* utf8) {
  auto sjis = Utf8ToSjis(utf8);
  if (!sjis) throw std::invalid_argument(utf8);
  return *sjis;
}
