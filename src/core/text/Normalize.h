#pragma once

// What people type, brought into the forms the data spells: Unicode composition at the
// boundary, and the keyword rules of the tolerant search pass on Shift-JIS text.

#include <cstddef>
#include <string>
#include <string_view>

namespace tanzel {

// NFC composition of UTF-8 text (a decomposed シ + ゛ becomes ジ). Text that is not valid
// UTF-8 comes back as it is.
std::string ComposeNfc(std::string_view utf8);

// True when `utf8` is well-formed UTF-8 (no overlong forms, surrogates or values above
// U+10FFFF).
bool IsValidUtf8(std::string_view utf8);

// The keyword in the data's own forms (Shift-JIS in and out):
//  - every space (ASCII and full-width) and a leading 〒 dropped;
//  - half-width katakana made full-width, voiced and semi-voiced marks combined (ﾀﾞ ダ);
//  - a keyword made only of kana (hiragana, katakana, ー): hiragana made katakana;
//  - a keyword made only of digits (ASCII or full-width) and hyphen-like marks (-, ‐, −,
//    －, ー), with at least one digit: ASCII digits and "-";
//  - any other keyword: ASCII letters and digits made full-width, -, ‐, − made －.
// Small kana are left as they are: FoldKana makes them large on both sides of a match.
std::string DataFormOfKeyword(std::string_view sjis);

// True when the Shift-JIS text is a whole postal code: seven ASCII digits, or three, "-"
// and four.
bool IsWholePostalCode(std::string_view sjis);

// Folds Shift-JIS text in place, character by character, for a match that does not tell
// small kana from large ones (ァィゥェォッャュョヮヵヶ and ぁぃぅぇぉっゃゅょゎ count as their
// large forms) nor full-width lower-case letters from upper-case ones. The length never
// changes; single bytes are left alone.
void FoldKana(char* sjis, std::size_t len);

// For a folded double-byte character (lead, trail): the trail byte of the other form that
// folds to it (ア gives that of ァ, Ａ that of ａ), or 0 when there is none.
unsigned char UnfoldedTrail(unsigned char lead, unsigned char trail);

// True when FoldKana changes nothing in this Shift-JIS text and no character of it has an
// unfolded form: matching it folded finds exactly what matching it plainly finds.
bool FoldingChangesNothing(std::string_view sjis);

}  // namespace tanzel
