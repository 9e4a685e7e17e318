#pragma once

// Spellings of one place name that people and the data write differently (Shift-JIS): の,
// ノ and 之 joining two parts of a name; ヶ, ケ, ヵ and が joining them, or left out (阿佐ヶ谷
// and 阿佐谷, 霞ヶ関 and 霞が関); variant kanji (髙 高, 﨑 崎). The resolver's match form and the
// tolerant keyword search fold names by these same rules.

#include <cstddef>
#include <string>
#include <string_view>

namespace tanzel {

// A kanji (or 々).
bool IsKanjiCode(unsigned code);

// A digit: ASCII, full-width, or a kanji numeral (〇一二 ... 十百千).
bool IsNumeralCode(unsigned code);

// The kanji the data uses for a variant people type (髙 gives 高); any other code as it is.
unsigned CommonKanji(unsigned code);

// What a character of a name is written as, given the characters around it (0 where there
// is none): ケ, ヶ, ヵ and が joining two parts (after a kanji or a number, before a kanji) are
// left out (0 is returned), elsewhere written ケ; ノ and 之 joining two parts are written の;
// a variant kanji as the data's; anything else as it is.
unsigned NameVariant(unsigned previous, unsigned code, unsigned next);

// Whether the spelling of `code` at that place may differ between a person and the data:
// a joining の, ノ or 之, any ケ, ヶ, ヵ or が, or a variant kanji.
bool IsVariantPlace(unsigned previous, unsigned code, unsigned next);

// Whether Shift-JIS text holds a variant place.
bool HasVariantPlace(std::string_view sjis);

// Folds Shift-JIS text by NameVariant into `out` (room for `len` bytes: the text never
// grows); returns the folded length.
std::size_t FoldNameVariants(const char* sjis, std::size_t len, char* out);
std::string FoldNameVariants(std::string_view sjis);

// The longest stretch of `sjis` that every spelling of it holds as it is: no variant place,
// and no two characters between which the other spelling may write a ヶ (霞 of 霞ヶ関).
std::string StableStretch(std::string_view sjis);

}  // namespace tanzel
