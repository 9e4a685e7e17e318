#pragma once

// The thread that runs keyword searches: created once, it waits for a start signal, runs
// one search, reports its end, and waits again. No lock is held while searching; the
// window reads the waiting state and the hit count, and may set the cancel flag.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "core/data/ZeroedTable.h"
#include "core/search/SearchEngine.h"

namespace tanzel {

// What the worker hands back besides the rows (on the worker's thread, never waiting).
class SearchWorkerSink : public SearchSink {
 public:
  // The end of a search, when it calls for a notice.
  virtual void Notice(SearchNotice notice) = 0;
  // After the empty-keyword notice: the keyword edit should get the focus.
  virtual void FocusRequest() = 0;
};

class SearchWorker {
 public:
  // Starts the thread, which at once waits for its first start signal.
  explicit SearchWorker(SearchWorkerSink& sink);
  ~SearchWorker();
  SearchWorker(const SearchWorker&) = delete;
  SearchWorker& operator=(const SearchWorker&) = delete;

  // Hits of the current or last search (0 ... TableCapacity), or -1 after a missing file.
  std::atomic<int32_t> HitCount{0};
  // 1 asks the running search to stop before its next line.
  std::atomic<uint8_t> CancelFlag{0};

  // True while the worker waits for a start signal: false from Start on, true again once
  // the search has ended and its notice has been handed on.
  bool IsWaiting() const { return waiting_.load(); }

  // Gives the start signal for a search with these parameters over `data`, which the search
  // holds to its end (it finishes on the edition it started on). Only while waiting; returns
  // false (and does nothing) otherwise. The hit count and the cancel flag are reset here.
  bool Start(const SearchParams& params, std::shared_ptr<const DataSet> data);

  // Cancels a running search and ends the thread; no notice is handed on after it.
  void Shutdown();

  // The hit tables: entry i holds hit i + 1 when it came from an address (office) file.
  // They start zero and are never cleared; read them only while the worker waits.
  const KenRecord* KenHits() const { return kenHits_.get(); }
  const JigRecord* JigHits() const { return jigHits_.get(); }

 private:
  class TableSink;
  void Loop();

  SearchWorkerSink& sink_;
  // Together TableCapacity hits; their pages cost memory only once a hit lands on them.
  ZeroedTable<KenRecord> kenHits_{TableCapacity};
  ZeroedTable<JigRecord> jigHits_{TableCapacity};
  std::unique_ptr<SearchScratch> scratch_;
  std::atomic<bool> waiting_{true};
  std::atomic<bool> stopping_{false};
  std::mutex mutex_;
  std::condition_variable wake_;
  bool startSignal_ = false;                    // guarded by mutex_
  bool stop_ = false;                           // guarded by mutex_
  std::unique_ptr<KeywordSearch> pending_;      // guarded by mutex_
  std::shared_ptr<const DataSet> pendingData_;  // guarded by mutex_
  std::thread thread_;                          // last: started once everything above exists
};

}  // namespace tanzel
