#pragma once

// Turns Japan Post's CSV into the text of the per-prefecture data files: split lines
// joined, kana made full-width, every prefecture's records in the order the browse lists
// expect, each line framed as the program reads it.

#include <array>
#include <string>

#include "core/data/DataFile.h"
#include "core/import/ImportSource.h"

namespace tanzel {

// The text columns the program reads: columns 2 .. 9 of both kinds.
inline constexpr int kTextColumnCount = 8;

// Longest text the program keeps of each text column (its field capacity minus the
// terminator), in column order.
extern const std::array<int, kTextColumnCount> kKenFieldLimits;
extern const std::array<int, kTextColumnCount> kJigFieldLimits;
// Field names of the text columns, for the summary.
extern const std::array<const char*, kTextColumnCount> kKenFieldNames;
extern const std::array<const char*, kTextColumnCount> kJigFieldNames;

// A data file holds at most this many lines, each at most this many bytes before its line
// feed: what the program reads into one table and one line buffer.
inline constexpr int kMaxFileLines = TableCapacity;
inline constexpr int kMaxLineLength = ReadBlockSize - 1;

struct DataFileSet {
  DataKind kind = DataKind::Ken;
  long sourceLines = 0;  // lines of the CSV
  long records = 0;      // records once split lines are joined; every one is written
  // Fields longer than the program keeps, per text column.
  std::array<long, kTextColumnCount> overCapacity{};
  // The content of KENnn.CSV / JIGnn.CSV of prefectures 1 .. 47 (index 0 .. 46).
  std::array<std::string, PrefectureCount> files;

  long OverCapacityTotal() const;
};

// Builds the 47 files of one kind from `source` (KEN_ALL.CSV / utf_ken_all.csv or
// JIGYOSYO.CSV, in Shift-JIS). Split town names of an address file are joined whatever the
// source's encoding was. Returns false with a message that names the file and line on bad
// input (a wrong column count, bytes not valid Shift-JIS, a local government code that is not
// five digits or names no prefecture, a postal code that is not seven digits, a prefecture
// name other than that of the code, whose file the record goes to); a prefecture that passes kMaxFileLines records is
// refused at that record. A prefecture without records gets an empty text (RunImport refuses such an input).
bool BuildDataFiles(DataKind kind, const ImportSource& source, DataFileSet& out, std::string& error);

}  // namespace tanzel
