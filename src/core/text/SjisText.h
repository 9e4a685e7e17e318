#pragma once

// Shift-JIS (code page 932) text helpers. Inside the program every text is a CP932 byte
// string; the conversions below are the only ones, used at the widget and command-line
// boundaries.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace tanzel {

// True for a byte that starts a double-byte CP932 character.
constexpr bool IsSjisLeadByte(unsigned char c) {
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// The character of `s` at byte `i`: its code (lead byte << 8 | trail byte for a double-byte
// one, else the byte), and in `length` how many bytes it takes. A lead byte at the end
// stands alone.
constexpr unsigned SjisCodeAt(std::string_view s, std::size_t i, std::size_t& length) {
  auto c = static_cast<unsigned char>(s[i]);
  if (IsSjisLeadByte(c) && i + 1 < s.size()) {
    length = 2;
    return static_cast<unsigned>(c << 8 | static_cast<unsigned char>(s[i + 1]));
  }
  length = 1;
  return c;
}

// Bytes a Unicode character takes in Shift-JIS: 1 for ASCII and half-width katakana, 2 for
// every other character (also for one Shift-JIS cannot represent).
constexpr std::size_t SjisCharLength(char32_t c) {
  return c < 0x80 || (c >= 0xFF61 && c <= 0xFF9F) ? 1 : 2;
}

// Length of the longest prefix of s[0..len) of at most maxBytes bytes that ends on a
// character boundary (a lead byte whose trail byte would not fit is left out).
std::size_t SjisFitLength(const char* s, std::size_t len, std::size_t maxBytes);

// True when offset lies on a character boundary of s (walking from the start of s).
bool SjisIsBoundary(const char* s, std::size_t offset);

// CP932 to UTF-8. Bytes that are not valid CP932 become U+FFFD; never fails.
std::string SjisToUtf8(std::string_view sjis);

// UTF-8 to CP932, composed to NFC first. Both forms of the characters input methods differ on are accepted
// (U+301C and U+FF5E give 0x8160, U+2212 and U+FF0D give 0x817C). Returns nothing when
// a character has no CP932 form or the input is not valid UTF-8.
std::optional<std::string> Utf8ToSjis(std::string_view utf8);

// Like Utf8ToSjis, but cut to at most maxBytes bytes at a character boundary.
std::optional<std::string> Utf8ToSjis(std::string_view utf8, std::size_t maxBytes);

}  // namespace tanzel
