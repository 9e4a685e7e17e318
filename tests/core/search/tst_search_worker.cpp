// The worker thread on its own: waiting state, start, rows in order, notices, cancel and
// shutdown during a search. Also run under ThreadSanitizer.

#include <QtTest>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "core/search/SearchWorker.h"
#include "support/DataLines.h"
#include "support/TempData.h"

using namespace tanzel;

namespace {

using namespace std::chrono_literals;

// Records what the worker hands on. With `holdFirstRow` the first row blocks the worker
// until Release() (or a second at most).
class Recorder : public SearchWorkerSink {
 public:
  bool holdFirstRow = false;

  void Row(int number, const ResultRow& row) override {
    std::unique_lock<std::mutex> lock(mutex_);
    numbers_.push_back(number);
    postal_.emplace_back(row.Cell(0));
    if (holdFirstRow && numbers_.size() == 1) {
      held_ = true;
      changed_.notify_all();
      changed_.wait_for(lock, 1s, [this] { return released_; });
    }
  }
  void Notice(SearchNotice notice) override {
    std::lock_guard<std::mutex> lock(mutex_);
    notices_.push_back(notice);
  }
  void FocusRequest() override {
    std::lock_guard<std::mutex> lock(mutex_);
    ++focusRequests_;
  }

  bool WaitHeld() {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, 5s, [this] { return held_; });
  }
  void Release() {
    std::lock_guard<std::mutex> lock(mutex_);
    released_ = true;
    changed_.notify_all();
  }
  std::vector<int> Numbers() {
    std::lock_guard<std::mutex> lock(mutex_);
    return numbers_;
  }
  std::vector<std::string> Postal() {
    std::lock_guard<std::mutex> lock(mutex_);
    return postal_;
  }
  std::vector<SearchNotice> Notices() {
    std::lock_guard<std::mutex> lock(mutex_);
    return notices_;
  }
  int FocusRequests() {
    std::lock_guard<std::mutex> lock(mutex_);
    return focusRequests_;
  }
  void Clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    numbers_.clear();
    postal_.clear();
    notices_.clear();
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool held_ = false;
  bool released_ = false;
  std::vector<int> numbers_;
  std::vector<std::string> postal_;
  std::vector<SearchNotice> notices_;
  int focusRequests_ = 0;
};

using Folder = EmptyDataFolder;

// A search for `keyword` over the files of `f`.
struct Search {
  SearchParams params;
  std::string folder;
};
Search Params(const Folder& f, std::string keyword) {
  Search s;
  s.params.keyword = std::move(keyword);
  s.folder = f.dir.folder();
  return s;
}
bool Start(SearchWorker& worker, const Search& search) {
  return worker.Start(search.params, DataSet::Open(search.folder));
}
// Starts a search of 千代田 over `f`, whose KEN01.CSV gets 2000 hits, and waits until `sink`
// holds the worker at its first row.
bool StartHeld(SearchWorker& worker, Recorder& sink, const Folder& f) {
  sink.holdFirstRow = true;
  return f.dir.write(KenName(1), TokyoLines(2000)) && Start(worker, Params(f, Sjis("千代田"))) && sink.WaitHeld();
}

bool WaitIdle(const SearchWorker& worker) {
  return QTest::qWaitFor([&] { return worker.IsWaiting(); }, 5000);
}

}  // namespace

class TestSearchWorker : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void rowsArriveInOrder() {
    Folder f;
    std::string lines = TokyoLines(300);
    QVERIFY(f.dir.write(KenName(13), lines));
    QVERIFY(f.dir.write(KenName(14), TokyoLine(1000)));
    Recorder sink;
    SearchWorker worker(sink);
    QVERIFY(worker.IsWaiting());
    QVERIFY(Start(worker, Params(f, Sjis("千代田"))));
    QVERIFY(!worker.IsWaiting() || worker.HitCount.load() == 301);
    QVERIFY(WaitIdle(worker));
    QCOMPARE(worker.HitCount.load(), 301);
    std::vector<int> numbers = sink.Numbers();
    QCOMPARE(int(numbers.size()), 301);
    for (int i = 0; i < 301; ++i) QCOMPARE(numbers[i], i + 1);
    QCOMPARE(sink.Postal().back(), std::string("100-1000"));
    QVERIFY(sink.Notices().empty());  // 1 ... 10239 hits: nothing to report
    // Hit i's record is entry i - 1 of the address table.
    QCOMPARE(std::string(worker.KenHits()[0].PostalCode), std::string("1000000"));
    QCOMPARE(std::string(worker.KenHits()[300].PostalCode), std::string("1001000"));

    // The next search starts from zero; no hit gives its notice.
    sink.Clear();
    QVERIFY(Start(worker, Params(f, Sjis("大阪"))));
    QVERIFY(WaitIdle(worker));
    QCOMPARE(worker.HitCount.load(), 0);
    QCOMPARE(sink.Notices(), std::vector<SearchNotice>{SearchNotice::NoHit});
  }

  void emptyKeywordAsksForFocus() {
    Folder f;
    Recorder sink;
    SearchWorker worker(sink);
    QVERIFY(Start(worker, Params(f, "")));
    QVERIFY(WaitIdle(worker));
    QCOMPARE(sink.Notices(), std::vector<SearchNotice>{SearchNotice::EnterKeyword});
    QCOMPARE(sink.FocusRequests(), 1);
  }

  void startWhileRunningIsRefused_andCancelStops() {
    Folder f;
    Recorder sink;
    SearchWorker worker(sink);
    QVERIFY(StartHeld(worker, sink, f));
    QVERIFY(!worker.IsWaiting());
    QVERIFY(!Start(worker, Params(f, Sjis("大阪"))));
    worker.CancelFlag.store(1);
    sink.Release();
    QVERIFY(WaitIdle(worker));
    // The cancel took effect before the next line: one hit, no notice for it.
    QCOMPARE(worker.HitCount.load(), 1);
    QCOMPARE(int(sink.Numbers().size()), 1);
    QVERIFY(sink.Notices().empty());
    // A new start clears the cancel flag.
    sink.Clear();
    QVERIFY(Start(worker, Params(f, Sjis("千代田"))));
    QVERIFY(WaitIdle(worker));
    QCOMPARE(worker.HitCount.load(), 2000);
  }

  void shutdownDuringSearch() {
    Folder f;
    Recorder sink;
    {
      SearchWorker worker(sink);
      QVERIFY(StartHeld(worker, sink, f));
      // The row is let go only once the shutdown has cancelled the search.
      std::thread release([&] {
        while (worker.CancelFlag.load() == 0) std::this_thread::yield();
        sink.Release();
      });
      worker.Shutdown();  // cancels, waits for the thread
      release.join();
      QVERIFY(!Start(worker, Params(f, Sjis("千代田"))));
    }
    QCOMPARE(int(sink.Numbers().size()), 1);
    QVERIFY(sink.Notices().empty());  // nothing is reported after the end
  }

  void manySearchesBackToBack() {
    Folder f;
    QVERIFY(f.dir.write(KenName(5), TokyoLine(1) + TokyoLine(2)));
    Recorder sink;
    SearchWorker worker(sink);
    for (int i = 0; i < 50; ++i) {
      QVERIFY(WaitIdle(worker));
      QVERIFY(Start(worker, Params(f, i % 2 ? Sjis("千代田") : std::string("1000001"))));
      if (i % 3 == 0) worker.CancelFlag.store(1);
    }
    QVERIFY(WaitIdle(worker));
    QCOMPARE(worker.HitCount.load(), 2);  // the last search (千代田) ran to its end
  }

  // One compiled query run by two threads at once, each with its own scratch, gives both
  // the rows it gives alone.
  void twoSearchesAtOnce() {
    Folder f;
    for (int p = 1; p <= PrefectureCount; p += 3) QVERIFY(f.dir.write(KenName(p), TokyoLines(200 + p)));
    QVERIFY(
        f.dir.write(JigName(9), JigLine(13101, "ア", "千代田商事", "東京都", "千代田区", "千代田", "1", "1008111")));
    SearchParams params;
    params.keyword = Sjis("千代田");
    const SearchQuery query(params);
    struct Rows : SearchSink {
      void Row(int number, const ResultRow& row) override {
        rows.emplace_back(std::to_string(number) + std::string(row.Cell(0)));
      }
      std::vector<std::string> rows;
    };
    auto run = [&](Rows& sink) {
      std::atomic<int32_t> hits{0};
      std::atomic<uint8_t> cancel{0};
      auto scratch = std::make_unique<SearchScratch>();
      return RunSearch(query, *DataSet::Open(f.dir.folder()), *scratch, hits, cancel, sink);
    };
    Rows alone;
    QCOMPARE(run(alone), SearchNotice::None);
    QVERIFY(alone.rows.size() > 3000);
    Rows first, second;
    SearchNotice firstNotice{}, secondNotice{};
    std::thread a([&] { firstNotice = run(first); });
    std::thread b([&] { secondNotice = run(second); });
    a.join();
    b.join();
    QCOMPARE(firstNotice, SearchNotice::None);
    QCOMPARE(secondNotice, SearchNotice::None);
    QVERIFY(first.rows == alone.rows);
    QVERIFY(second.rows == alone.rows);
  }
};

QTEST_APPLESS_MAIN(TestSearchWorker)
#include "tst_search_worker.moc"
