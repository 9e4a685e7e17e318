#include "core/text/TextEncoding.h"

#include <algorithm>

#include "core/text/Normalize.h"

namespace tanzel {

namespace {

bool IsCp932Lead(unsigned char c) {
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

bool IsCp932Trail(unsigned char c) {
  return c >= 0x40 && c <= 0xFC && c != 0x7F;
}

// Length of the well-formed CP932 prefix of `bytes`.
std::size_t Cp932Prefix(std::string_view bytes) {
  std::size_t i = 0;
  while (i < bytes.size()) {
    const auto c = static_cast<unsigned char>(bytes[i]);
    if (c < 0x80 || (c >= 0xA1 && c <= 0xDF)) {
      ++i;
    } else if (IsCp932Lead(c) && i + 1 < bytes.size() && IsCp932Trail(static_cast<unsigned char>(bytes[i + 1]))) {
      i += 2;
    } else {
      break;
    }
  }
  return i;
}

// Length of the well-formed UTF-8 prefix of `bytes`, whole characters only.
std::size_t Utf8Prefix(std::string_view bytes) {
  std::size_t good = 0;
  while (good < bytes.size()) {
    const auto c = static_cast<unsigned char>(bytes[good]);
    const std::size_t n = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
    if (n == 0 || good + n > bytes.size() || !IsValidUtf8(bytes.substr(good, n))) break;
    good += n;
  }
  return good;
}

}  // namespace

bool IsValidCp932(std::string_view bytes) {
  return Cp932Prefix(bytes) == bytes.size();
}

std::optional<TextEncoding> DetectTextEncoding(std::string_view bytes) {
  if (bytes.find('\0') != std::string_view::npos) return std::nullopt;
  if (bytes.substr(0, kUtf8Bom.size()) == kUtf8Bom) {
    if (IsValidUtf8(bytes.substr(kUtf8Bom.size()))) return TextEncoding::Utf8Bom;
    return std::nullopt;
  }
  if (IsValidUtf8(bytes)) return TextEncoding::Utf8;
  if (IsValidCp932(bytes)) return TextEncoding::Cp932;
  return std::nullopt;
}

std::size_t FirstInvalidLine(std::string_view bytes, TextEncoding encoding) {
  std::string_view text = bytes;
  if (encoding == TextEncoding::Utf8Bom && text.substr(0, kUtf8Bom.size()) == kUtf8Bom) {
    text.remove_prefix(kUtf8Bom.size());
  }
  const std::size_t good = encoding == TextEncoding::Cp932 ? Cp932Prefix(text) : Utf8Prefix(text);
  const std::size_t nul = text.find('\0');
  const std::size_t bad = std::min(good, nul);
  if (bad >= text.size()) return 0;
  return 1 + CountLineEnds(text.substr(0, bad));
}

std::string_view TakeLine(std::string_view& rest) {
  const std::size_t end = rest.find_first_of("\r\n");
  std::string_view line = rest.substr(0, end);
  if (end == std::string_view::npos) {
    rest = {};
  } else {
    rest.remove_prefix(end + (rest[end] == '\r' && end + 1 < rest.size() && rest[end + 1] == '\n' ? 2 : 1));
  }
  return line;
}

std::size_t CountLineEnds(std::string_view bytes) {
  std::size_t ends = 0;
  for (std::size_t i = 0; i < bytes.size(); ++i)
    ends += bytes[i] == '\n' || (bytes[i] == '\r' && (i + 1 == bytes.size() || bytes[i + 1] != '\n'));
  return ends;
}

}  // namespace tanzel
