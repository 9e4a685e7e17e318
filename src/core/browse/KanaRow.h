#pragma once

// Kana-row headings of the browse lists: a line whose name opens a new row of the
// syllabary (ア, カ, サ ...) is led by that row's character, every other line by a blank
// of the same width, so the names line up in the fixed-pitch font.

namespace tanzel {

// Row boundaries, Shift-JIS: the empty text, then ア カ サ タ ナ ハ マ ヤ ラ ワ ン. Row r
// (0 ... 10) holds every first character c with KanaRowTable[r] <= c < KanaRowTable[r + 1],
// compared byte-wise; ン and everything after it lies in no row.
inline constexpr int KanaRowCount = 12;
extern const char* const KanaRowTable[KanaRowCount];

// The heading of a line that continues the current row: one full-width space.
inline constexpr char kBlankHeading[] = "\x81@";  // 　

// Applies the heading rule to the name `name` (only its first character, the first two
// bytes or fewer, counts) with the running row index of one list fill, 0 ... 11, which
// starts at 0 for each fill and only moves forward. Returns the heading: the new row's
// character when the index moved, otherwise the blank heading. A name that lies in no row
// from the current one on drives the index to 11.
const char* KanaRowHeading(const char* name, int& kanaRowIndex);

}  // namespace tanzel
