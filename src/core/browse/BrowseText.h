#pragma once

// The texts of browsing, all Shift-JIS: the lines of the city and town lists with the key
// each hidden partner list keeps, and the result texts written into the result dialog.

#include <string>
#include <string_view>
#include <vector>

#include "core/data/Records.h"

namespace tanzel {

// Line 0 of the city list, standing for the prefecture's large business offices.
inline constexpr char kOfficeEntry[] = "\x81@\x81@\x91\xe5\x8c\xfb\x8e\x96\x8b\xc6\x8f\x8a";  // 　　大口事業所

// One visible list line and the key its hidden partner line holds as decimal text.
struct BrowseLine {
  int key;
  std::string text;
};

// heading + "　" + CityKanji + "　(" + CityKana + ")".
std::string CityLine(const char* heading, const KenRecord& rec);
// heading + "　" + TownKanji + "　(" + TownKana + ")".
std::string TownLine(const char* heading, const KenRecord& rec);
// heading + "　" + OfficeKanji.
std::string OfficeLine(const char* heading, const JigRecord& rec);

// The city list of a loaded prefecture: the office entry (key 0), then one line per run of
// records with equal LocalGovCode, built from the run's first record, keyed by that code.
// A count of 0 or -1 gives the office entry alone.
std::vector<BrowseLine> CityLines(const KenRecord* table, int count);

// The town list of the city whose code, as decimal text, is `codeText`: one line per record
// of that city in table order, keyed by its table index. The first line is never headed.
std::vector<BrowseLine> TownLines(const KenRecord* table, int count, const std::string& codeText);

// The office listing: one line per office record in table order, keyed by its index.
std::vector<BrowseLine> OfficeLines(const JigRecord* table, int count);

// What the result dialog shows for one record.
struct ResultText {
  char Digits[7][2];         // the seven digit captions, one byte each (empty past a short code)
  std::string NameLines[4];  // the lines of the address memo
  int NameLineCount = 0;     // 3 for an address record, 4 for an office
  std::string CodeText;      // the whole text of the code memo, lines separated by '\n'
  std::string AdrText;       // the address the copy button puts on the clipboard
  std::string PlainAddress;  // the address in one piece, without Japan Post's notes
  std::string PlainKana;     // its reading (an office: the office's reading)
};

// An address (or its reading) as people write it, without the notes Japan Post puts in
// the town names: every part in parentheses (full- or half-width) is dropped except a
// floor of a building (（１０階）, （１０カイ）), and so are a trailing 以下に掲載がない場合 (its
// reading イカニケイサイガナイバアイ) and の次に番地がくる場合, which leave the city alone.
// Shift-JIS in and out.
std::string WithoutNotes(std::string_view sjis);

// The result of a browsed town area or office.
ResultText AddressResult(const KenRecord& rec);
ResultText OfficeResult(const JigRecord& rec);

// The result of a row of the search grid, from the texts of its cells 0 to 4 (postal code
// "ddd-dddd", kanji, kana, local government code, office address): the digits are bytes
// 0-2 and 4-7 of the code cell, the address memo holds "〒" + code, kanji, kana and
// address, the code memo the code (its first 11 bytes) with and without its check digit.
// The copied address is the address cell of an office row (one whose address cell is not
// empty), the same text OfficeResult gives for the office, and the kanji cell otherwise.
ResultText GridRowResult(const std::string (&cells)[5]);

}  // namespace tanzel
