#pragma once

// Loading one prefecture's data file into a fixed table.

#include "core/data/Records.h"

namespace tanzel {

class DataSet;  // core/data/DataSet.h

enum class LoadNotice {
  None,
  FileMissing,  // the file could not be opened; the table is untouched
  Overflow,     // the file holds more lines than the table; the first TableCapacity were stored
};

struct LoadResult {
  int count;  // records stored (0 ... TableCapacity), or -1 when the file could not be opened
  LoadNotice notice;
};

// Reads the KEN (JIG) file of prefecture `pref` from `folder` into `table` from slot 0 on.
LoadResult LoadKenFile(const char* folder, int pref, KenRecord* table);
LoadResult LoadJigFile(const char* folder, int pref, JigRecord* table);
// The same, from the edition folder of `set`: every file read through one set belongs to
// one edition, whatever imports switch meanwhile.
LoadResult LoadKenFile(const DataSet& set, int pref, KenRecord* table);
LoadResult LoadJigFile(const DataSet& set, int pref, JigRecord* table);

}  // namespace tanzel
