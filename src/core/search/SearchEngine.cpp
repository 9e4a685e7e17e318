#include "core/search/SearchEngine.h"

#include <cstring>

#include "core/data/Editions.h"
#include "core/search/RelayTexts.h"

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

SearchQuery::SearchQuery(const SearchParams& params)
    : mode_(params.mode), keyword_(params.keyword), matchesNothing_(params.matchesNothing) {
  if (keyword_.empty()) return;
  if (mode_ == SearchMode::Town) {
    townRule_ = TownRule(keyword_, params.prefName, params.cityCode);
    prefilter_ = Prefilter::ForTown(keyword_);
  } else {
    keywordRule_ = KeywordRule(keyword_);
    prefilter_ = Prefilter::ForKeyword(keyword_, keywordRule_.Retry(), keywordRule_.HasRetry());
  }
}

bool SearchQuery::Matches(const char* line, std::size_t len, DataKind kind) const {
  return mode_ == SearchMode::Town ? townRule_.Matches(line, len) : keywordRule_.Matches(line, len, kind);
}

void SearchSink::Record(int, const KenRecord&) {}
void SearchSink::Record(int, const JigRecord&) {}

namespace {

// One search in progress.
class SearchRun {
 public:
  SearchRun(const SearchQuery& query, const std::string& folder, SearchScratch& scratch, std::atomic<int32_t>& hitCount,
            const std::atomic<uint8_t>& cancel, SearchSink& sink)
      : query_(query), folder_(folder), s_(scratch), hitCount_(hitCount), cancel_(cancel), sink_(sink) {}

  // One file; returns the hit count, or -1 (missing file, or the limit reached).
  int32_t SearchFile(DataKind kind, int pref);

 private:
  bool Cancelled() const { return cancel_.load(std::memory_order_relaxed) != 0; }
  void Hit(DataKind kind, int32_t number);

  const SearchQuery& query_;
  const std::string& folder_;
  SearchScratch& s_;
  std::atomic<int32_t>& hitCount_;
  const std::atomic<uint8_t>& cancel_;
  SearchSink& sink_;
};

int32_t SearchRun::SearchFile(DataKind kind, int pref) {
  if (kind == DataKind::Jig && query_.Mode() == SearchMode::Town) return 0;

  char path[FileNameCapacity];
  if (!DataFileName(path, folder_.c_str(), kind, pref) || !s_.reader.Open(path)) {
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
      Hit(kind, ++hits);
    }
  }
  s_.reader.Close();
  return hits >= TableCapacity ? -1 : hits;
}

void SearchRun::Hit(DataKind kind, int32_t number) {
  if (kind == DataKind::Ken) {
    SplitKen(s_.line, s_.ken);
    MakeRow(s_.ken, s_.row);
    hitCount_.store(number);
    sink_.Record(number, s_.ken);
  } else {
    SplitJig(s_.line, s_.jig);
    MakeRow(s_.jig, s_.row);
    hitCount_.store(number);
    sink_.Record(number, s_.jig);
  }
  sink_.Row(number, s_.row);
}

}  // namespace

SearchNotice RunSearch(const SearchQuery& query, const std::string& folder, SearchScratch& scratch,
                       std::atomic<int32_t>& hitCount, const std::atomic<uint8_t>& cancel, SearchSink& sink) {
  hitCount.store(0);
  if (query.AsksForKeyword()) return SearchNotice::EnterKeyword;

  // One edition for the whole search, whatever imports run meanwhile.
  const std::string edition = ResolveEditionFolder(folder);
  SearchRun run(query, edition, scratch, hitCount, cancel, sink);
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

  int32_t hits = hitCount.load();
  if (hits < 0) return SearchNotice::FileMissing;
  if (hits == 0) return SearchNotice::NoHit;
  if (hits >= TableCapacity) return SearchNotice::HitLimit;
  return SearchNotice::None;
}

SearchNotice RunSearch(const SearchQuery& query, const std::string& folder, std::atomic<int32_t>& hitCount,
                       const std::atomic<uint8_t>& cancel, SearchSink& sink) {
  // Default-initialised: the buffers are written before they are read.
  std::unique_ptr<SearchScratch> scratch(new SearchScratch);
  return RunSearch(query, folder, *scratch, hitCount, cancel, sink);
}

}  // namespace tanzel
