#pragma once

// Which encoding a text someone hands the program is in: UTF-8 (with or without its byte
// order mark) or Shift-JIS as Windows writes it (CP932), the default of spreadsheet
// exports here.

#include <cstddef>
#include <optional>
#include <string_view>

namespace tanzel {

enum class TextEncoding {
  Utf8,     // UTF-8 without a byte order mark
  Utf8Bom,  // UTF-8 that starts with EF BB BF
  Cp932,    // Shift-JIS with Microsoft's extensions
};

// The UTF-8 byte order mark.
inline constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// True when every byte of `bytes` is part of a well-formed CP932 character: ASCII, a
// half-width katakana (A1..DF), or a lead byte (81..9F, E0..FC) followed by a trail byte
// (40..7E, 80..FC).
bool IsValidCp932(std::string_view bytes);

// The encoding of `bytes`: Utf8Bom when it starts with the mark (the rest must be valid
// UTF-8), Utf8 when it is valid UTF-8 (plain ASCII included), Cp932 when it is valid CP932
// and not UTF-8; nullopt when it is neither (binary data, another encoding), or when it
// holds a NUL byte.
std::optional<TextEncoding> DetectTextEncoding(std::string_view bytes);

// Takes the first line off `rest` and returns it without its end. A line ends in CRLF, LF or
// a CR alone (as old exports write it); the last line need not end. `rest` must not be empty.
std::string_view TakeLine(std::string_view& rest);

// The line ends (as TakeLine reads them) in `bytes`.
std::size_t CountLineEnds(std::string_view bytes);

// The 1-based line of `bytes` (lines end as TakeLine reads them) on which the first byte that is not valid
// in `encoding` stands; 0 when there is none. For a text DetectTextEncoding refused, with
// the encoding the caller expected, this names where it goes wrong.
std::size_t FirstInvalidLine(std::string_view bytes, TextEncoding encoding);

}  // namespace tanzel
