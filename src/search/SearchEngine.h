#pragma once

// One keyword search over the data files of all prefectures: the address files, then (in
// the keyword search) the office files, each hit split into the hit tables and handed on as
// a result row the moment it is found.

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "data/Records.h"
#include "search/SearchMatch.h"
#include "search/SearchScan.h"

enum class SearchMode { Keyword = 0, Town = 1 };

// Everything a search reads, copied when it starts.
struct SearchParams {
  SearchMode mode = SearchMode::Keyword;
  std::string keyword;          // Shift-JIS, at most KeywordCapacity - 1 bytes
  bool matchesNothing = false;  // the keyword held a character Shift-JIS cannot represent
  std::string prefName;         // town search: prefecture name (kanji)
  std::string cityCode;         // town search: local government code as decimal text
  std::string folder;           // data folder, with its trailing '/'
};

// How a search ended, and the notice it calls for.
enum class SearchNotice {
  None,          // 1 ... TableCapacity - 1 hits
  EnterKeyword,  // the keyword was empty; nothing was searched
  HitLimit,      // TableCapacity hits
  NoHit,         // no hit
  FileMissing,   // a data file could not be opened
};

// The relay message (kind, index) of a notice; kind 0 for None.
struct RelayCode {
  int kind;
  int index;
};
RelayCode RelayCodeOf(SearchNotice notice);

// Receives the rows of a search, in hit order, on the searching thread.
class SearchSink {
 public:
  virtual ~SearchSink() = default;
  // `number` is the hit count after counting this hit (1 ...): the grid row of the hit.
  virtual void Row(int number, const ResultRow& row) = 0;
};

// The hit tables and the reading buffers of the searcher: allocated once, reused by every
// search, never cleared.
class SearchEngine {
 public:
  SearchEngine();

  // Address hits: entry i holds hit i when it came from an address file.
  std::unique_ptr<KenRecord[]> KenHits;
  // Office hits: entry i holds hit i when it came from an office file.
  std::unique_ptr<JigRecord[]> JigHits;

  // Runs one search. `hitCount` is set to 0 at once and follows the hits (-1 after a
  // missing file); `cancel` set to 1 stops the search before its next line.
  SearchNotice Run(const SearchParams& params, std::atomic<int32_t>& hitCount, const std::atomic<uint8_t>& cancel,
                   SearchSink& sink);

 private:
  // One file; returns the hit count, or -1 (missing file, or the limit reached).
  int32_t SearchFile(DataKind kind, int pref);

  struct Run_;  // the state of the running search
  Run_* run_ = nullptr;
  std::unique_ptr<BlockReader> reader_;
  std::unique_ptr<ResultRow> row_;
};
