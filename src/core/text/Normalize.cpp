#include "core/text/Normalize.h"

#include <utf8proc.h>

#include <cstdlib>
#include <memory>

#include "core/text/KanaWidth.h"
#include "core/text/SjisText.h"

namespace tanzel {

namespace {

// Double-byte Shift-JIS codes the keyword rules look at.
constexpr unsigned kIdeographicSpace = 0x8140;
constexpr unsigned kPostalMark = 0x81A7;     // 〒
constexpr unsigned kLongVowel = 0x815B;      // ー
constexpr unsigned kHyphen = 0x815D;         // ‐
constexpr unsigned kMinus = 0x817C;          // − and －
constexpr unsigned kWideDigitZero = 0x824F;  // ０
constexpr unsigned kWideUpperA = 0x8260;     // Ａ
constexpr unsigned kWideLowerA = 0x8281;     // ａ
constexpr unsigned kHiraganaFirst = 0x829F;  // ぁ
constexpr unsigned kHiraganaLast = 0x82F1;   // ん
constexpr unsigned kKatakanaFirst = 0x8340;  // ァ
constexpr unsigned kKatakanaLast = 0x8396;   // ヶ

// One character of Shift-JIS text: its code (one or two bytes) and its length.
struct Char {
  unsigned code;
  std::size_t length;
};

Char CharAt(std::string_view s, std::size_t i) {
  auto c = static_cast<unsigned char>(s[i]);
  if (IsSjisLeadByte(c) && i + 1 < s.size())
    return {static_cast<unsigned>(c << 8 | static_cast<unsigned char>(s[i + 1])), 2};
  return {c, 1};
}

void Append(std::string& out, unsigned code) {
  if (code > 0xFF) out.push_back(static_cast<char>(code >> 8));
  out.push_back(static_cast<char>(code & 0xFF));
}

bool IsHiragana(unsigned c) {
  return c >= kHiraganaFirst && c <= kHiraganaLast;
}
bool IsKatakana(unsigned c) {
  return c >= kKatakanaFirst && c <= kKatakanaLast && c != 0x837F;
}
bool IsAsciiDigit(unsigned c) {
  return c >= '0' && c <= '9';
}
bool IsWideDigit(unsigned c) {
  return c >= kWideDigitZero && c <= kWideDigitZero + 9;
}
bool IsHyphenLike(unsigned c) {
  return c == '-' || c == kHyphen || c == kMinus || c == kLongVowel;
}

// Hiragana to katakana: the katakana rows skip the trail byte 0x7F.
unsigned Katakana(unsigned hiragana) {
  unsigned index = hiragana - kHiraganaFirst;
  unsigned trail = 0x40 + index;
  if (trail >= 0x7F) ++trail;
  return 0x8300 | trail;
}

// Small kana and their large forms, as double-byte codes.
struct Fold {
  unsigned small;
  unsigned large;
};
constexpr Fold kKanaFolds[] = {
    {0x8340, 0x8341}, {0x8342, 0x8343}, {0x8344, 0x8345}, {0x8346, 0x8347}, {0x8348, 0x8349},  // ァィゥェォ
    {0x8362, 0x8363}, {0x8383, 0x8384}, {0x8385, 0x8386}, {0x8387, 0x8388}, {0x838E, 0x838F},  // ッャュョヮ
    {0x8395, 0x834A}, {0x8396, 0x8350},                                                        // ヵヶ
};

unsigned Folded(unsigned code) {
  if (code >= kWideLowerA && code < kWideLowerA + 26) return kWideUpperA + (code - kWideLowerA);
  for (const Fold& f : kKanaFolds)
    if (f.small == code) return f.large;
  return code;
}

// True when `utf8` is well-formed and every character is one that NFC leaves as it is
// whatever stands beside it: ASCII, CJK punctuation and kana without the combining marks
// (U+302A-302F, U+3099-309A), the unified ideographs, and the full- and half-width forms.
// Nearly every typed address is only these, and composing them would change nothing.
bool StableUnderNfc(std::string_view utf8) {
  for (std::size_t i = 0; i < utf8.size();) {
    auto b = static_cast<unsigned char>(utf8[i]);
    if (b < 0x80) {
      ++i;
      continue;
    }
    if ((b & 0xF0) != 0xE0 || i + 2 >= utf8.size()) return false;
    auto b1 = static_cast<unsigned char>(utf8[i + 1]), b2 = static_cast<unsigned char>(utf8[i + 2]);
    if ((b1 & 0xC0) != 0x80 || (b2 & 0xC0) != 0x80) return false;
    unsigned c = (b & 0x0Fu) << 12 | (b1 & 0x3Fu) << 6 | (b2 & 0x3Fu);
    bool stable = (c >= 0x3000 && c <= 0x3029) || (c >= 0x3030 && c <= 0x3096) || (c >= 0x309B && c <= 0x30FF) ||
                  (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xFF01 && c <= 0xFFEF);
    if (!stable) return false;
    i += 3;
  }
  return true;
}

}  // namespace

std::string ComposeNfc(std::string_view utf8) {
  if (StableUnderNfc(utf8)) return std::string(utf8);
  if (!IsValidUtf8(utf8)) return std::string(utf8);
  utf8proc_uint8_t* composed = nullptr;
  utf8proc_ssize_t n =
      utf8proc_map(reinterpret_cast<const utf8proc_uint8_t*>(utf8.data()), static_cast<utf8proc_ssize_t>(utf8.size()),
                   &composed, static_cast<utf8proc_option_t>(UTF8PROC_STABLE | UTF8PROC_COMPOSE));
  std::unique_ptr<utf8proc_uint8_t, decltype(&std::free)> owner(composed, &std::free);
  if (n < 0) return std::string(utf8);
  return std::string(reinterpret_cast<const char*>(composed), static_cast<std::size_t>(n));
}

bool IsValidUtf8(std::string_view utf8) {
  // The well-formed byte sequences of Unicode's table 3-7: the second byte's range depends on
  // the first (no overlong forms, surrogates or values above U+10FFFF).
  const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
  const unsigned char* end = p + utf8.size();
  while (p < end) {
    unsigned char b = *p;
    if (b < 0x80) {
      ++p;
      continue;
    }
    std::size_t more = 0;
    unsigned char low = 0x80, high = 0xBF;
    if (b >= 0xC2 && b <= 0xDF) {
      more = 1;
    } else if (b >= 0xE0 && b <= 0xEF) {
      more = 2;
      if (b == 0xE0) low = 0xA0;
      if (b == 0xED) high = 0x9F;
    } else if (b >= 0xF0 && b <= 0xF4) {
      more = 3;
      if (b == 0xF0) low = 0x90;
      if (b == 0xF4) high = 0x8F;
    } else {
      return false;
    }
    if (static_cast<std::size_t>(end - p) <= more || p[1] < low || p[1] > high) return false;
    for (std::size_t k = 2; k <= more; ++k)
      if ((p[k] & 0xC0) != 0x80) return false;
    p += more + 1;
  }
  return true;
}

std::string DataFormOfKeyword(std::string_view sjis) {
  // Spaces and a leading 〒 go; half-width katakana become full-width.
  std::string packed;
  for (std::size_t i = 0; i < sjis.size();) {
    Char c = CharAt(sjis, i);
    bool leadingMark = c.code == kPostalMark && packed.empty();
    if (c.code != ' ' && c.code != kIdeographicSpace && !leadingMark) packed.append(sjis.substr(i, c.length));
    i += c.length;
  }
  std::string wide;
  AppendWideKatakana(wide, packed);

  bool kanaOnly = !wide.empty();
  bool digitsOnly = !wide.empty();
  bool anyDigit = false;
  for (std::size_t i = 0; i < wide.size();) {
    Char c = CharAt(wide, i);
    i += c.length;
    kanaOnly = kanaOnly && (IsHiragana(c.code) || IsKatakana(c.code) || c.code == kLongVowel);
    bool digit = IsAsciiDigit(c.code) || IsWideDigit(c.code);
    anyDigit = anyDigit || digit;
    digitsOnly = digitsOnly && (digit || IsHyphenLike(c.code));
  }

  std::string out;
  for (std::size_t i = 0; i < wide.size();) {
    Char c = CharAt(wide, i);
    i += c.length;
    unsigned code = c.code;
    if (digitsOnly && anyDigit) {
      if (IsWideDigit(code)) code = '0' + (code - kWideDigitZero);
      if (IsHyphenLike(code)) code = '-';
    } else if (kanaOnly) {
      if (IsHiragana(code)) code = Katakana(code);
    } else if (IsAsciiDigit(code)) {
      code = kWideDigitZero + (code - '0');
    } else if (code >= 'A' && code <= 'Z') {
      code = kWideUpperA + (code - 'A');
    } else if (code >= 'a' && code <= 'z') {
      code = kWideLowerA + (code - 'a');
    } else if (code == '-' || code == kHyphen) {
      code = kMinus;
    }
    Append(out, code);
  }
  return out;
}

bool IsWholePostalCode(std::string_view s) {
  auto digits = [&](std::size_t from, std::size_t n) {
    for (std::size_t i = from; i < from + n; ++i)
      if (!IsAsciiDigit(static_cast<unsigned char>(s[i]))) return false;
    return true;
  };
  if (s.size() == 7) return digits(0, 7);
  return s.size() == 8 && s[3] == '-' && digits(0, 3) && digits(4, 4);
}

void FoldKana(char* sjis, std::size_t len) {
  for (std::size_t i = 0; i < len;) {
    auto lead = static_cast<unsigned char>(sjis[i]);
    if (!IsSjisLeadByte(lead) || i + 1 >= len) {
      ++i;
      continue;
    }
    if (lead == 0x82 || lead == 0x83) {
      unsigned code = lead << 8 | static_cast<unsigned char>(sjis[i + 1]);
      sjis[i + 1] = static_cast<char>(Folded(code) & 0xFF);
    }
    i += 2;
  }
}

unsigned char UnfoldedTrail(unsigned char lead, unsigned char trail) {
  unsigned code = lead << 8 | trail;
  if (code >= kWideUpperA && code < kWideUpperA + 26)
    return static_cast<unsigned char>((kWideLowerA + (code - kWideUpperA)) & 0xFF);
  for (const Fold& f : kKanaFolds)
    if (f.large == code) return static_cast<unsigned char>(f.small & 0xFF);
  return 0;
}

bool FoldingChangesNothing(std::string_view sjis) {
  for (std::size_t i = 0; i < sjis.size();) {
    Char c = CharAt(sjis, i);
    i += c.length;
    if (c.length == 2 && (Folded(c.code) != c.code || UnfoldedTrail(c.code >> 8, c.code & 0xFF) != 0)) return false;
  }
  return true;
}

}  // namespace tanzel
