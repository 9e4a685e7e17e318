#pragma once

// The edition record of a set of data files: the file EDITION that every import writes
// beside the data files it makes. Its text, one item a line, each line ending in LF:
//
//   2026-05-26                                  the edition's date: the newest date among
//                                               the CSV entries of the archives read
//   636d223d...0192b  ken_all.zip               one line per archive: its SHA-256 in hex,
//   be3a3e10...62d19  jigyosyo.zip              two spaces, its file name (sha256sum's form)
//   2026-05-26  ken_all.zip                     then one line per archive with its own date
//   2026-05-26  jigyosyo.zip                    (the newest of its CSV entries), two spaces,
//                                               its name; records of older imports have none
//
// All functions are safe to call from any thread; none keeps state between calls.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tanzel {

inline constexpr const char* kEditionFileName = "EDITION";

struct ArchiveSum {
  std::string sha256;  // 64 lower-case hex digits
  std::string name;    // the archive's file name, without its folder
  std::string date;    // YYYY-MM-DD: the newest date of its CSV entries; empty when not recorded

  bool operator==(const ArchiveSum&) const = default;
};

struct EditionRecord {
  std::string date;  // YYYY-MM-DD
  std::vector<ArchiveSum> archives;

  bool operator==(const EditionRecord&) const = default;
};

// A calendar date.
struct CalendarDate {
  int year = 0;
  int month = 0;
  int day = 0;
};

// The date of "YYYY-MM-DD" when it is one (a real day of the Gregorian calendar, year
// 1000 .. 9999); nothing otherwise.
std::optional<CalendarDate> ParseIsoDate(std::string_view text);

// The text of the file for `record`.
std::string FormatEdition(const EditionRecord& record);

// Reads the text of an EDITION file. Returns nothing when the first line is not a date, a
// later line is neither "<64 hex digits>  <name>" nor "<date>  <name>" of an archive listed
// before it. A missing final LF is accepted.
std::optional<EditionRecord> ParseEdition(std::string_view text);

// The record in the folder `edition` (with or without its trailing '/'): an edition folder
// as ResolveEditionFolder (core/data/Editions.h) gives it, or a data folder of the flat
// layout. Its EDITION file is read there, nothing is resolved: a reader resolves the edition
// once for all it reads of it. Nothing when there is none or it cannot be read.
std::optional<EditionRecord> ReadEdition(const std::string& edition);

}  // namespace tanzel
