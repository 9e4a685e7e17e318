#pragma once

// What an update changed: two sets of data files compared code by code, and the list of
// the codes that the last update removed (the file REMOVED of an edition).
//
// REMOVED holds, one item a line, each line ending in LF: the date of the edition that the
// update brought (YYYY-MM-DD, as in its EDITION), then every 7-digit postal code that the
// edition before it had (as an address or an office) and this edition no longer has, in
// ascending order. It is valid only while its date is that of the edition in use.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/data/DataFile.h"

namespace tanzel {

inline constexpr const char* kRemovedFileName = "REMOVED";

enum class ChangeKind { Added, Removed, Changed };

// One postal code that differs between the two sets, in one kind of file.
struct CodeChange {
  DataKind kind = DataKind::Ken;  // Ken: addresses; Jig: large business offices
  ChangeKind change = ChangeKind::Added;
  std::string code;  // 7 digits
  // Shift-JIS: the records of the code that only the old (new) set has, " / " between
  // them; an address as prefecture, city and town, an office as its name, a full-width
  // space and its address. When both sides read the same, the readings follow in
  // full-width parentheses. Empty for an added (removed) code.
  std::string before;
  std::string after;
};

struct ChangeCounts {
  long added = 0;
  long removed = 0;
  long changed = 0;
};

struct DataChanges {
  ChangeCounts ken;
  ChangeCounts jig;
  std::vector<CodeChange> list;  // addresses first, then offices; each in code order
  // Codes of the old set that the new set has in neither kind of file, ascending.
  std::vector<std::string> removedCodes;
};

// Compares the sets that the folders `oldFolder` and `newFolder` serve, each resolved once
// (as DataSet::Open does: a data folder's edition in use, or an edition folder, or a flat
// data folder as it is), record by record as the program reads them
// (local government code, names and readings; the flag columns are left out). A code
// counts as changed when its records differ in any of these. False, with `error`, when a
// data file of either set cannot be opened.
bool CompareDataSets(const std::string& oldFolder, const std::string& newFolder, DataChanges& changes,
                     std::string& error);

// The changes as tab-separated UTF-8 text: a heading line "kind change code before after",
// then one line per change (kind KEN or JIG; change added, removed or changed).
std::string FormatChangesTsv(const DataChanges& changes);

// The text of a REMOVED file.
std::string FormatRemoved(const std::string& date, const std::vector<std::string>& codes);

// The date (YYYY-MM-DD) of the edition whose update removed `code` (7 ASCII digits), when
// the REMOVED file in the folder `edition` (an edition folder as ResolveEditionFolder gives
// it, or a flat data folder; nothing is resolved) lists it and its date is that of the
// EDITION there; nothing otherwise.
std::optional<std::string> RemovedInEdition(const std::string& edition, std::string_view code);

}  // namespace tanzel
