#pragma once

// The keyword search over the data files of all prefectures: the address files, then (in
// the keyword search) the office files, each hit split into a record and handed on as a
// result row the moment it is found.
//
// A search is a compiled SearchQuery, immutable and safe to share between threads, run
// with per-search state (SearchScratch) that belongs to one thread at a time. Any number
// of searches may run at once, each with its own scratch.

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/data/DataFile.h"
#include "core/data/DataSet.h"
#include "core/data/Records.h"
#include "core/resolve/Resolver.h"
#include "core/search/SearchMatch.h"
#include "core/search/SearchScan.h"

namespace tanzel {

enum class SearchMode { Keyword = 0, Town = 1 };

// What a search looks for.
struct SearchParams {
  SearchMode mode = SearchMode::Keyword;
  std::string keyword;          // Shift-JIS, at most KeywordCapacity - 1 bytes
  bool matchesNothing = false;  // the keyword held a character Shift-JIS cannot represent
  std::string prefName;         // town search: prefecture name (kanji)
  std::string cityCode;         // town search: local government code as decimal text
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

// The passes of a search: the keyword as typed; the codes the keyword resolves to as an
// address; the keyword in the data's own forms (DataFormOfKeyword), matched folded
// (FoldKana), where a whole postal code also finds the "other addresses" lines of its code.
// A SearchQuery is made for Exact or Tolerant; the address pass reads the address index.
enum class SearchPass { Exact, Tolerant, Address };

// A compiled search pass: the match rule of its mode and the prefilter that goes with it.
// Immutable once made; one query may be run by several threads at once.
class SearchQuery {
 public:
  explicit SearchQuery(const SearchParams& params, SearchPass pass = SearchPass::Exact);

  SearchMode Mode() const { return mode_; }
  // The keyword this pass looks for (Shift-JIS, before folding).
  const std::string& Keyword() const { return keyword_; }
  // An empty keyword: nothing is searched, the search asks for a keyword.
  bool AsksForKeyword() const { return asksForKeyword_; }
  // The keyword can be found nowhere (a character Shift-JIS cannot represent, nothing left,
  // or bytes that separate the data's fields: a comma, a double quote, CR, LF; or nothing
  // but spaces): the files are opened and closed, no line is read.
  bool MatchesNothing() const { return !searchable_; }
  // Whether the line (its first `len` bytes, no NUL among them) of a file of `kind` is a hit.
  bool Matches(const char* line, std::size_t len, DataKind kind) const;
  const Prefilter& Filter() const { return prefilter_; }
  // True when running this query after `before` found nothing could find something.
  bool CanFindMoreThan(const SearchQuery& before) const;

 private:
  SearchMode mode_;
  std::string keyword_;
  bool asksForKeyword_;
  bool searchable_;
  MatchOptions options_;
  KeywordRule keywordRule_;
  TownRule townRule_;
  Prefilter prefilter_;
};

// A search as the program runs it: the exact pass and, when that finds nothing and no data
// file is missing, the codes the keyword resolves to as an address (keyword mode only),
// then the tolerant pass. A keyword written down to its block, with or without its city
// (大阪市北区梅田3-1-3, 丸の内1-9-1 東京駅), is read as an address first, so that its answer
// (the one --resolve gives) leads whatever the exact pass adds (the offices at that block).
// Immutable once made.
class KeywordSearch {
 public:
  explicit KeywordSearch(const SearchParams& params);

  const SearchQuery& Exact() const { return exact_; }
  // The tolerant pass, or nullptr when it cannot find anything the exact pass does not.
  const SearchQuery* Tolerant() const { return hasTolerant_ ? &tolerant_ : nullptr; }
  // The keyword to resolve as an address (Shift-JIS), or empty when it does not read as one.
  const std::string& Address() const { return address_; }
  // Whether the address is read before the exact pass.
  bool AddressFirst() const { return addressFirst_; }

 private:
  SearchQuery exact_;
  SearchQuery tolerant_;
  bool hasTolerant_;
  std::string address_;
  bool addressFirst_ = false;
};

// Receives the hits of a search, in hit order, on the searching thread.
class SearchSink {
 public:
  virtual ~SearchSink() = default;
  // The record of hit `number` (1 ...), just before its row. Only sinks that keep the
  // records need these.
  virtual void Record(int number, const KenRecord& record);
  virtual void Record(int number, const JigRecord& record);
  // `number` is the hit count after counting this hit (1 ...): the grid row of the hit.
  virtual void Row(int number, const ResultRow& row) = 0;
  // Before the rows of each pass: the rows that follow are hits of `pass` for `sjisKeyword`
  // (the keyword as typed; for the tolerant pass, in the data's own forms; for the address
  // pass, the text read as an address).
  virtual void PassStarted(SearchPass pass, std::string_view sjisKeyword);
  // Just after the address pass started: how sure the answer is, and how its first code was
  // found. With Certainty::Ambiguous the rows that follow are candidates, none the answer.
  virtual void Answered(Certainty certainty, MatchKind kind);
};

// The buffers of one running search (about 260 KB). Reused by every search of its owner;
// never shared by two searches at once.
struct SearchScratch {
  BlockReader reader;
  LineBuffer line;
  KenRecord ken;
  JigRecord jig;
  ResultRow row;
  // The rows the address pass handed on (code, kanji, kana cells): a later pass does not
  // hand them on again.
  std::vector<std::string> resolved;
};

// Runs `query` over the data files of `data` (its one edition). `hitCount` is set to 0 at
// once and follows the hits (-1 after a missing file); `cancel` set to 1 stops the search
// before its next line. At most TableCapacity hits are handed on.
SearchNotice RunSearch(const SearchQuery& query, const DataSet& data, SearchScratch& scratch,
                       std::atomic<int32_t>& hitCount, const std::atomic<uint8_t>& cancel, SearchSink& sink);

// Runs a keyword search: its exact pass, then, when that found nothing, no data file was
// missing and it was not cancelled, the records its keyword resolves to as an address (the
// address index of `data`, built on its first use), then its tolerant pass (after telling
// the sink). Every pass reads the one edition of `data`. The notice is that of the whole
// search.
SearchNotice RunKeywordSearch(const KeywordSearch& search, const DataSet& data, SearchScratch& scratch,
                              std::atomic<int32_t>& hitCount, const std::atomic<uint8_t>& cancel, SearchSink& sink);

// What a pass of a keyword search runs on: the search, its data, buffers, hit count, cancel
// flag and sink, and the hit count before its first keyword pass.
struct PassContext {
  const KeywordSearch& search;
  const DataSet& data;
  SearchScratch& scratch;
  std::atomic<int32_t>& hitCount;
  const std::atomic<uint8_t>& cancel;
  SearchSink& sink;
  int32_t beforeExact = 0;
};

// One pass of a keyword search: which it is, the word every front end names it by, and its
// runner, which decides itself whether it runs (it may do nothing) and returns false to end
// the search after it.
struct SearchPassEntry {
  SearchPass pass;
  const char* name;
  bool (*run)(PassContext& context);
};

// The passes of a keyword search in the order RunKeywordSearch tries them (a pass may stand
// twice, at the places it can run); a new pass is one entry here.
const std::vector<SearchPassEntry>& SearchPasses();

// The word of a pass ("exact", "tolerant", "address"), from SearchPasses.
const char* SearchPassName(SearchPass pass);

}  // namespace tanzel
