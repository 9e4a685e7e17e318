#include "core/search/SearchWorker.h"

#include <cstring>
#include <utility>

namespace tanzel {

// Keeps the record of every hit in the hit tables, then hands the row on.
class SearchWorker::TableSink : public SearchSink {
 public:
  explicit TableSink(SearchWorker& worker) : worker_(worker) {}
  void Record(int number, const KenRecord& record) override {
    std::memcpy(&worker_.kenHits_[static_cast<std::size_t>(number - 1)], &record, sizeof record);
  }
  void Record(int number, const JigRecord& record) override {
    std::memcpy(&worker_.jigHits_[static_cast<std::size_t>(number - 1)], &record, sizeof record);
  }
  void Row(int number, const ResultRow& row) override { worker_.sink_.Row(number, row); }
  void PassStarted(SearchPass pass, std::string_view keyword) override { worker_.sink_.PassStarted(pass, keyword); }
  void Answered(Certainty certainty, MatchKind kind) override { worker_.sink_.Answered(certainty, kind); }

 private:
  SearchWorker& worker_;
};

SearchWorker::SearchWorker(SearchWorkerSink& sink)
    : sink_(sink), scratch_(new SearchScratch), thread_([this] { Loop(); }) {}

SearchWorker::~SearchWorker() {
  Shutdown();
}

bool SearchWorker::Start(const SearchParams& params, std::shared_ptr<const DataSet> data) {
  if (!waiting_.load() || stopping_.load()) return false;
  auto search = std::make_unique<KeywordSearch>(params);  // compiled here, before the thread sees it
  HitCount.store(0);
  CancelFlag.store(0);
  waiting_.store(false);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    pending_ = std::move(search);
    pendingData_ = std::move(data);
    startSignal_ = true;
  }
  wake_.notify_one();
  return true;
}

void SearchWorker::Shutdown() {
  if (!thread_.joinable()) return;
  stopping_.store(true);
  CancelFlag.store(1);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  wake_.notify_one();
  thread_.join();
}

void SearchWorker::Loop() {
  TableSink tables(*this);
  for (;;) {
    std::unique_ptr<KeywordSearch> search;
    std::shared_ptr<const DataSet> data;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      wake_.wait(lock, [this] { return startSignal_ || stop_; });
      if (stop_) return;
      startSignal_ = false;
      search = std::move(pending_);
      data = std::move(pendingData_);
    }
    SearchNotice notice = RunKeywordSearch(*search, *data, *scratch_, HitCount, CancelFlag, tables);
    if (!stopping_.load()) {
      if (notice != SearchNotice::None) sink_.Notice(notice);
      if (notice == SearchNotice::EnterKeyword) sink_.FocusRequest();
    }
    waiting_.store(true);
  }
}

}  // namespace tanzel
