#include "SearchWorker.h"

#include <utility>

SearchWorker::SearchWorker(SearchWorkerSink& sink) : sink_(sink), thread_([this] { Loop(); }) {}

SearchWorker::~SearchWorker() {
  Shutdown();
}

bool SearchWorker::Start(SearchParams params) {
  if (!waiting_.load() || stopping_.load()) return false;
  HitCount.store(0);
  CancelFlag.store(0);
  waiting_.store(false);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    pending_ = std::move(params);
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
  for (;;) {
    SearchParams params;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      wake_.wait(lock, [this] { return startSignal_ || stop_; });
      if (stop_) return;
      startSignal_ = false;
      params = std::move(pending_);
    }
    SearchNotice notice = engine_.Run(params, HitCount, CancelFlag, sink_);
    if (!stopping_.load()) {
      if (notice != SearchNotice::None) sink_.Notice(notice);
      if (notice == SearchNotice::EnterKeyword) sink_.FocusRequest();
    }
    waiting_.store(true);
  }
}
