#pragma once

// Full-width kana: for the kana columns of the data files, and for what people type.

#include <string>
#include <string_view>

namespace tanzel {

// Appends `sjis` (Shift-JIS) to `out` with half-width katakana made full-width (a voiced or
// semi-voiced mark combined with the kana before it where such a character exists: ｶﾞ ガ,
// ﾊﾟ パ, ｳﾞ ヴ), half-width punctuation (｡ ｢ ｣ ､ ･ ｰ) made full-width, ASCII 0x21 .. 0x7E made
// U+FF01 .. U+FF5E and the space made U+3000. Every other character is kept as it is.
void AppendWideKana(std::string& out, std::string_view sjis);

// The same for the half-width katakana and punctuation only: ASCII and the space are kept.
void AppendWideKatakana(std::string& out, std::string_view sjis);

}  // namespace tanzel
