#include "core/data/Loaders.h"

#include "core/data/DataFile.h"
#include "core/data/DataSet.h"

namespace tanzel {

namespace {

template <typename Record, typename SplitFn>
LoadResult LoadFile(const char* folder, int pref, DataKind kind, Record* table, SplitFn split) {
  char name[FileNameCapacity];
  LineReader reader;
  if (!DataFileName(name, folder, kind, pref) || !reader.Open(name)) return {-1, LoadNotice::FileMissing};
  LineBuffer line;
  int i = 0;
  while (reader.ReadLine(line) >= 0) {
    if (i == TableCapacity) return {i, LoadNotice::Overflow};  // a line is left unread
    split(line, table[i]);
    ++i;
  }
  return {i, LoadNotice::None};
}

}  // namespace

LoadResult LoadKenFile(const char* folder, int pref, KenRecord* table) {
  return LoadFile(folder, pref, DataKind::Ken, table, SplitKen);
}

LoadResult LoadJigFile(const char* folder, int pref, JigRecord* table) {
  return LoadFile(folder, pref, DataKind::Jig, table, SplitJig);
}

LoadResult LoadKenFile(const DataSet& set, int pref, KenRecord* table) {
  return LoadKenFile(set.EditionFolder().c_str(), pref, table);
}

LoadResult LoadJigFile(const DataSet& set, int pref, JigRecord* table) {
  return LoadJigFile(set.EditionFolder().c_str(), pref, table);
}

}  // namespace tanzel
