#include "SearchEngine.h"

#include <cstring>

#include "app/RelayTexts.h"
#include "data/DataFile.h"

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

struct SearchEngine::Run_ {
  const SearchParams& params;
  std::atomic<int32_t>& hitCount;
  const std::atomic<uint8_t>& cancel;
  SearchSink& sink;
  KeywordRule keywordRule;
  TownRule townRule;
  Prefilter prefilter;
};

SearchEngine::SearchEngine()
    : KenHits(new KenRecord[TableCapacity]()),
      JigHits(new JigRecord[TableCapacity]()),
      reader_(new BlockReader()),
      row_(new ResultRow()) {}

SearchNotice SearchEngine::Run(const SearchParams& params, std::atomic<int32_t>& hitCount,
                               const std::atomic<uint8_t>& cancel, SearchSink& sink) {
  hitCount.store(0);
  if (params.keyword.empty() && !params.matchesNothing) return SearchNotice::EnterKeyword;

  Run_ run{params, hitCount, cancel, sink, {}, {}, {}};
  if (!params.keyword.empty()) {
    if (params.mode == SearchMode::Town) {
      run.townRule = TownRule(params.keyword, params.prefName, params.cityCode);
      run.prefilter = Prefilter::ForTown(params.keyword);
    } else {
      run.keywordRule = KeywordRule(params.keyword);
      run.prefilter = Prefilter::ForKeyword(params.keyword, run.keywordRule.Retry(), run.keywordRule.HasRetry());
    }
  }
  run_ = &run;
  // The address pass, then the office pass; a pass stops at its first negative result. After
  // a missing address file no office file is searched.
  for (int pref = 1; pref <= PrefectureCount; ++pref) {
    if (SearchFile(DataKind::Ken, pref) < 0) break;
  }
  if (hitCount.load() >= 0) {
    for (int pref = 1; pref <= PrefectureCount; ++pref) {
      if (SearchFile(DataKind::Jig, pref) < 0) break;
    }
  }
  run_ = nullptr;

  int32_t hits = hitCount.load();
  if (hits < 0) return SearchNotice::FileMissing;
  if (hits == 0) return SearchNotice::NoHit;
  if (hits >= TableCapacity) return SearchNotice::HitLimit;
  return SearchNotice::None;
}

int32_t SearchEngine::SearchFile(DataKind kind, int pref) {
  Run_& run = *run_;
  if (kind == DataKind::Jig && run.params.mode == SearchMode::Town) return 0;

  char path[FileNameCapacity];
  if (!DataFileName(path, run.params.folder.c_str(), kind, pref) || !reader_->Open(path)) {
    run.hitCount.store(-1);
    return -1;
  }
  int32_t hits = run.hitCount.load();
  // A keyword Shift-JIS cannot represent matches nothing: the file is opened and closed.
  bool readLines = !run.params.keyword.empty();
  const char* block = nullptr;
  std::size_t blockLen = 0;
  LineBuffer line;
  while (readLines && hits < TableCapacity && run.cancel.load(std::memory_order_relaxed) == 0 &&
         reader_->Next(block, blockLen)) {
    Prefilter::Cursor cursor;
    std::size_t at = 0;
    while (hits < TableCapacity) {
      at = run.prefilter.NextCandidate(block, blockLen, at, cursor);
      if (at >= blockLen) break;
      if (run.cancel.load(std::memory_order_relaxed) != 0) break;
      std::size_t frame = FrameLength(block + at, blockLen - at);
      std::memcpy(line, block + at, frame);
      line[frame] = '\0';
      at += frame;
      // The line ends at its first NUL, as every reader of a line sees it.
      std::size_t len = strnlen(line, frame);
      bool hit = run.params.mode == SearchMode::Town ? run.townRule.Matches(line, len)
                                                     : run.keywordRule.Matches(line, len, kind);
      if (!hit) continue;
      if (kind == DataKind::Ken) {
        SplitKen(line, KenHits[hits]);
        MakeRow(KenHits[hits], *row_);
      } else {
        SplitJig(line, JigHits[hits]);
        MakeRow(JigHits[hits], *row_);
      }
      ++hits;
      run.hitCount.store(hits);
      run.sink.Row(hits, *row_);
    }
  }
  reader_->Close();
  return hits >= TableCapacity ? -1 : hits;
}
