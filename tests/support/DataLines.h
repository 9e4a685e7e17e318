#pragma once

// Test helpers: lines of the data files built from UTF-8 texts, converted to Shift-JIS.

#include <QStringList>

#include <string>
#include <string_view>
#include <vector>

#include "core/data/DataFile.h"
#include "core/import/Importer.h"
#include "support/Sjis.h"
#include "support/TempData.h"

// The same as S(): Shift-JIS of a UTF-8 text.
inline std::string Sjis(std::string_view utf8) {
  return S(utf8);
}

// The name of prefecture `pref` (1 .. 47) as Japan Post writes it, UTF-8.
std::string PrefectureName(int pref);

// The options of an import of small test inputs: `partial`, since they hold far fewer
// records than Japan Post's nationwide archives.
tanzel::ImportOptions PartialImport(const std::string& ken, const std::string& jig, const std::string& out);

// "<Shift-JIS text>" with its quotes.
std::string Quoted(std::string_view utf8);

// One address line with the usual trailing flag columns.
std::string KenLine(int code, std::string_view postal, std::string_view prefKana, std::string_view cityKana,
                    std::string_view townKana, std::string_view prefKanji, std::string_view cityKanji,
                    std::string_view townKanji);

// One office line with the usual trailing columns.
std::string JigLine(int code, std::string_view kana, std::string_view kanji, std::string_view pref,
                    std::string_view city, std::string_view town, std::string_view block, std::string_view postal);

// An address line of 東京都 (トウキョウト).
std::string KenCsv(int code, std::string_view postal, std::string_view cityKana, std::string_view townKana,
                   std::string_view cityKanji, std::string_view townKanji);
// An office line of 東京都千代田区.
std::string JigCsv(int code, std::string_view kana, std::string_view kanji, std::string_view town,
                   std::string_view block, std::string_view postal);

// A plain Tokyo line used to fill files: 東京都千代田区丸の内 with postal code 1000000 + n.
std::string TokyoLine(int n);

// TokyoLine(0) ... TokyoLine(count - 1), one after the other.
std::string TokyoLines(int count);

// `csv` (lines of a data file or of Japan Post's CSV, Shift-JIS, each starting with its
// five-digit code) followed by one line for each prefecture it has no line for (code
// pp101, postal code pp00001), so that an import, which wants every prefecture, takes it:
// an address line whose town is `name`, or an office named `name` in the town `name`.
std::string WithEveryPrefecture(tanzel::DataKind kind, std::string csv, std::string_view name = "本町");

// A small set standing for the data in use, in the flat layout: every data file, KEN13.CSV
// with TokyoLines(3), and an EDITION record of 2026-04-28.
void WriteSetInUse(const TempData& data);

// KEN13.CSV lines of Tokyo in the order the data files keep: cities by reading, one city split
// in two runs, a city out of reading order. Lines from 0: 昭島市 0-3, 中央区 4, 千代田区 5-6,
// 中央区 again 7, 西東京市 8, 大島町 9, 利島村 10; 0, 4, 8, 9 and 10 are catch-alls.
std::string TokyoKen();

// The city list of the main window for TokyoKen() (the office line first).
QStringList TokyoCityLines();

// The address records of data-file lines (each ending in a line feed), as the loader splits them.
std::vector<tanzel::KenRecord> KenRecords(const std::string& lines);
