#include "core/search/SearchEngine.h"

#include <cstring>

#include "core/resolve/AddressIndex.h"
#include "core/resolve/Resolver.h"
#include "core/search/RelayTexts.h"
#include "core/text/Normalize.h"
#include "core/text/SjisText.h"

namespace tanzel {

RelayCode RelayCodeOf(SearchNotice notice) {
  switch (notice) {
    case SearchNotice::EnterKeyword:
      return {RelayInformation, RelayEnterKeyword};
    case SearchNotice::HitLimit:
      return {RelayInformation, RelayHitLimit};
    case SearchNotice::NoHit:
      return {RelayInformation, RelayNoHit};
    case SearchNotice::FileMissing:
      return {RelayError, RelayDataFileMissing};
    case SearchNotice::None:
      break;
  }
  return {0, 0};
}

namespace {

// Bytes that end a field or a line of the data files: no field can hold them.
bool HoldsSeparator(std::string_view keyword) {
  return keyword.find_first_of(",\"\r\n") != std::string_view::npos;
}

bool OnlySpaces(std::string_view keyword) {
  return keyword.find_first_not_of(' ') == std::string_view::npos;
}

}  // namespace

SearchQuery::SearchQuery(const SearchParams& params, SearchPass pass)
    : mode_(params.mode),
      keyword_(pass == SearchPass::Exact ? params.keyword : DataFormOfKeyword(params.keyword)),
      asksForKeyword_(params.keyword.empty() && !params.matchesNothing),
      searchable_(!keyword_.empty() && !HoldsSeparator(keyword_) && !OnlySpaces(keyword_)) {
  if (!searchable_) return;
  if (pass == SearchPass::Tolerant) options_ = {true, IsWholePostalCode(keyword_)};
  if (mode_ == SearchMode::Town) {
    townRule_ = TownRule(keyword_, params.prefName, params.cityCode, options_);
    prefilter_ = Prefilter::ForTown(townRule_.Keyword(), options_.fold);
  } else {
    keywordRule_ = KeywordRule(keyword_, options_);
    prefilter_ = keywordRule_.MakePrefilter();
  }
}

bool SearchQuery::Matches(const char* line, std::size_t len, DataKind kind) const {
  return mode_ == SearchMode::Town ? townRule_.Matches(line, len) : keywordRule_.Matches(line, len, kind);
}

bool SearchQuery::CanFindMoreThan(const SearchQuery& before) const {
  if (!searchable_) return false;
  if (!before.searchable_ || keyword_ != before.keyword_ || options_.keepCatchAll != before.options_.keepCatchAll)
    return true;
  if (!options_.fold || before.options_.fold) return false;
  // A folded town search also reads the towns' readings, which the plain one does not.
  return mode_ == SearchMode::Town || !FoldingChangesNothing(keyword_);
}

namespace {

// Whether Shift-JIS text holds a kanji or kana: a name beside its numbers (丸の内1-9-1), where
// digits, hyphens, spaces and 〒 alone are a postal code or a block without a place.
bool HoldsName(std::string_view sjis) {
  for (std::size_t i = 0, length = 1; i < sjis.size(); i += length) {
    const unsigned code = SjisCodeAt(sjis, i, length);
    if (code >= 0xA1 && code <= 0xDF) return true;  // half-width katakana
    if (length == 1) continue;
    const bool digit = code >= 0x824F && code <= 0x8258;
    const bool mark = code == 0x8140 || code == 0x815B || code == 0x815C || code == 0x815D || code == 0x817C ||
                      code == 0x81A7;  // 　 ー ― ‐ － 〒
    if (!digit && !mark) return true;
  }
  return false;
}

}  // namespace

KeywordSearch::KeywordSearch(const SearchParams& params)
    : exact_(params, SearchPass::Exact), tolerant_(params, SearchPass::Tolerant) {
  hasTolerant_ = !exact_.AsksForKeyword() && tolerant_.CanFindMoreThan(exact_);
  if (params.mode != SearchMode::Keyword) return;
  // An address down to its block reads as one with or without its city (丸の内1-9-1 東京駅),
  // and is answered as --resolve answers it before anything the keyword finds as typed.
  const bool block = WritesBlock(params.keyword) && HoldsName(params.keyword);
  if (block || MayBeAddress(params.keyword)) {
    address_ = params.keyword;
    addressFirst_ = block;
  }
}

void SearchSink::Record(int, const KenRecord&) {}
void SearchSink::Record(int, const JigRecord&) {}
void SearchSink::PassStarted(SearchPass, std::string_view) {}
void SearchSink::Answered(Certainty, MatchKind) {}

namespace {

// One search in progress.
class SearchRun {
 public:
  SearchRun(const SearchQuery& query, const DataSet& data, SearchScratch& scratch, std::atomic<int32_t>& hitCount,
            const std::atomic<uint8_t>& cancel, SearchSink& sink)
      : query_(query), data_(data), s_(scratch), hitCount_(hitCount), cancel_(cancel), sink_(sink) {}

  // One file; returns the hit count, or -1 (missing file, or the limit reached).
  int32_t SearchFile(DataKind kind, int pref);

 private:
  bool Cancelled() const { return cancel_.load(std::memory_order_relaxed) != 0; }
  // Hands on the line as hit `number`; false (nothing handed on) when the address pass
  // already handed on its row.
  bool Hit(DataKind kind, int32_t number);

  const SearchQuery& query_;
  const DataSet& data_;
  SearchScratch& s_;
  std::atomic<int32_t>& hitCount_;
  const std::atomic<uint8_t>& cancel_;
  SearchSink& sink_;
};

int32_t SearchRun::SearchFile(DataKind kind, int pref) {
  if (kind == DataKind::Jig && query_.Mode() == SearchMode::Town) return 0;

  char path[FileNameCapacity];
  if (!DataFileName(path, data_.EditionFolder().c_str(), kind, pref)) {
    hitCount_.store(-1);
    return -1;
  }
  data_.BeforeRead(path);
  if (!s_.reader.Open(path)) {
    hitCount_.store(-1);
    return -1;
  }
  int32_t hits = hitCount_.load();
  // A keyword Shift-JIS cannot represent matches nothing: the file is opened and closed.
  bool readLines = !query_.MatchesNothing();
  const Prefilter& prefilter = query_.Filter();
  const char* block = nullptr;
  std::size_t blockLen = 0;
  while (readLines && hits < TableCapacity && !Cancelled() && s_.reader.Next(block, blockLen)) {
    Prefilter::Cursor cursor;
    std::size_t at = 0;
    while (hits < TableCapacity) {
      at = prefilter.NextCandidate(block, blockLen, at, cursor);
      if (at >= blockLen || Cancelled()) break;
      std::size_t frame = FrameLength(block + at, blockLen - at);
      std::memcpy(s_.line, block + at, frame);
      s_.line[frame] = '\0';
      at += frame;
      // The line ends at its first NUL, as every reader of a line sees it.
      if (!query_.Matches(s_.line, strnlen(s_.line, frame), kind)) continue;
      if (Hit(kind, hits + 1)) ++hits;
    }
  }
  s_.reader.Close();
  return hits >= TableCapacity ? -1 : hits;
}

// The cells that tell one row from another.
std::string RowKey(const ResultRow& row) {
  std::string key;
  for (int c = 0; c < 5; ++c) key.append(row.Cell(c)).push_back('\n');
  return key;
}

// Hands on hit `number`, whose record stands in the scratch's record of `kind`; false, with
// nothing handed on, when its row is one the address pass handed on.
bool HandOn(DataKind kind, int32_t number, SearchScratch& s, std::atomic<int32_t>& hitCount, SearchSink& sink) {
  if (kind == DataKind::Ken) {
    MakeRow(s.ken, s.row);
  } else {
    MakeRow(s.jig, s.row);
  }
  if (!s.resolved.empty()) {
    std::string key = RowKey(s.row);
    for (const std::string& seen : s.resolved)
      if (seen == key) return false;
  }
  hitCount.store(number);
  if (kind == DataKind::Ken) {
    sink.Record(number, s.ken);
  } else {
    sink.Record(number, s.jig);
  }
  sink.Row(number, s.row);
  return true;
}

bool SearchRun::Hit(DataKind kind, int32_t number) {
  if (kind == DataKind::Ken) {
    SplitKen(s_.line, s_.ken);
  } else {
    SplitJig(s_.line, s_.jig);
  }
  return HandOn(kind, number, s_, hitCount_, sink_);
}

// One pass over every data file of `data`'s edition; the hit count goes on from where it
// stands.
void RunPass(const SearchQuery& query, const DataSet& data, SearchScratch& scratch, std::atomic<int32_t>& hitCount,
             const std::atomic<uint8_t>& cancel, SearchSink& sink) {
  SearchRun run(query, data, scratch, hitCount, cancel, sink);
  // The address pass, then the office pass; a pass stops at its first negative result. After
  // a missing address file no office file is searched.
  for (int pref = 1; pref <= PrefectureCount; ++pref) {
    if (run.SearchFile(DataKind::Ken, pref) < 0) break;
  }
  if (hitCount.load() >= 0) {
    for (int pref = 1; pref <= PrefectureCount; ++pref) {
      if (run.SearchFile(DataKind::Jig, pref) < 0) break;
    }
  }
}

SearchNotice NoticeOf(int32_t hits) {
  if (hits < 0) return SearchNotice::FileMissing;
  if (hits == 0) return SearchNotice::NoHit;
  if (hits >= TableCapacity) return SearchNotice::HitLimit;
  return SearchNotice::None;
}

}  // namespace

SearchNotice RunSearch(const SearchQuery& query, const DataSet& data, SearchScratch& scratch,
                       std::atomic<int32_t>& hitCount, const std::atomic<uint8_t>& cancel, SearchSink& sink) {
  hitCount.store(0);
  scratch.resolved.clear();
  if (query.AsksForKeyword()) return SearchNotice::EnterKeyword;
  RunPass(query, data, scratch, hitCount, cancel, sink);
  return NoticeOf(hitCount.load());
}

namespace {

// The records an address resolves to, as hits (a postal code is left to the tolerant pass).
void AddressHits(const std::string& address, const DataSet& data, SearchScratch& s, std::atomic<int32_t>& hitCount,
                 SearchSink& sink) {
  std::string error;
  std::shared_ptr<const AddressIndex> index = data.Index(error);
  if (!index) return;
  int32_t hits = hitCount.load();
  ResolveAnswer answer = ResolveAddress(*index, address);
  std::vector<Resolution> found = std::move(answer.codes);
  // Then the other codes at exactly that address (a row already handed on is not repeated).
  found.insert(found.end(), answer.also.begin(), answer.also.end());
  if (found.empty() || found.front().kind == MatchKind::Code) return;
  sink.PassStarted(SearchPass::Address, address);
  sink.Answered(answer.certainty, found.front().kind);
  for (const Resolution& r : found) {
    if (hits >= TableCapacity) break;
    if (r.office) {
      index->FillRecord(r.record, s.jig);
    } else {
      index->FillRecord(r.record, s.ken);
    }
    if (HandOn(r.office ? DataKind::Jig : DataKind::Ken, hits + 1, s, hitCount, sink)) {
      ++hits;
      s.resolved.push_back(RowKey(s.row));
    }
  }
}

// The address pass before the keyword's, when the keyword reads as an address first.
bool AddressFirst(PassContext& c) {
  if (c.search.AddressFirst()) AddressHits(c.search.Address(), c.data, c.scratch, c.hitCount, c.sink);
  c.beforeExact = c.hitCount.load();
  return true;
}

// The keyword as typed; the search ends when it found something or was cancelled.
bool ExactPass(PassContext& c) {
  c.sink.PassStarted(SearchPass::Exact, c.search.Exact().Keyword());
  RunPass(c.search.Exact(), c.data, c.scratch, c.hitCount, c.cancel, c.sink);
  return c.hitCount.load() == c.beforeExact && c.cancel.load() == 0;
}

// The address pass after a keyword that found nothing as typed.
bool AddressAfter(PassContext& c) {
  if (!c.search.Address().empty() && !c.search.AddressFirst())
    AddressHits(c.search.Address(), c.data, c.scratch, c.hitCount, c.sink);
  return true;
}

// The keyword in the data's own forms.
bool TolerantPass(PassContext& c) {
  if (const SearchQuery* tolerant = c.search.Tolerant(); tolerant != nullptr && c.cancel.load() == 0) {
    c.sink.PassStarted(SearchPass::Tolerant, tolerant->Keyword());
    RunPass(*tolerant, c.data, c.scratch, c.hitCount, c.cancel, c.sink);
  }
  return true;
}

}  // namespace

const std::vector<SearchPassEntry>& SearchPasses() {
  static const std::vector<SearchPassEntry> passes = {
      {SearchPass::Address, "address", AddressFirst},
      {SearchPass::Exact, "exact", ExactPass},
      {SearchPass::Address, "address", AddressAfter},
      {SearchPass::Tolerant, "tolerant", TolerantPass},
  };
  return passes;
}

const char* SearchPassName(SearchPass pass) {
  for (const SearchPassEntry& entry : SearchPasses())
    if (entry.pass == pass) return entry.name;
  return "";
}

SearchNotice RunKeywordSearch(const KeywordSearch& search, const DataSet& data, SearchScratch& scratch,
                              std::atomic<int32_t>& hitCount, const std::atomic<uint8_t>& cancel, SearchSink& sink) {
  hitCount.store(0);
  scratch.resolved.clear();
  if (search.Exact().AsksForKeyword()) return SearchNotice::EnterKeyword;
  // Every pass reads the one edition of `data`, whatever imports run meanwhile.
  PassContext context{search, data, scratch, hitCount, cancel, sink};
  for (const SearchPassEntry& entry : SearchPasses())
    if (!entry.run(context)) break;
  return NoticeOf(hitCount.load());
}

}  // namespace tanzel
