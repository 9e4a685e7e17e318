#pragma once

#include <QtGlobal>

#include <memory>
#include <string>

#include "core/search/SearchWorker.h"

class QObject;

// The keyword-search worker: one thread for the program's life. It waits, runs one search
// per start signal over the data files of all prefectures, hands every hit to the search
// window as a grid row (posted events, in hit order) and reports the end of a search
// through the relay.
class TThread_Search {
 public:
  // `data` gives the data in use at every start; each search reads that one set to its end.
  explicit TThread_Search(tanzel::DataSource data);
  ~TThread_Search();
  TThread_Search(const TThread_Search&) = delete;
  TThread_Search& operator=(const TThread_Search&) = delete;

  // The text searched for (Shift-JIS, at most KeywordCapacity - 1 bytes); written by the
  // window only while the worker waits.
  char Keyword[tanzel::KeywordCapacity] = {};
  // Mode 1 only (Shift-JIS): the prefecture name (kanji) and the city's local government
  // code as decimal text; set by the town filter before it opens the window.
  std::string FilterPrefName;
  std::string FilterCityCode;

  // Hits of the current or last search (0 ... TableCapacity), -1 after a missing file.
  int HitCount() const { return worker_->HitCount.load(); }
  bool IsWaiting() const { return worker_->IsWaiting(); }

  // Starts a search with Keyword, the filters, `searchMode` and the data in use (Data()), all taken
  // now. `receiver` gets the rows and the focus request. Only while the worker waits.
  // `keywordMatchesNothing` marks a keyword typed with a character Shift-JIS cannot
  // represent: the search reads no line and ends with the no-hit notice.
  // Returns false (and does nothing) when a search runs.
  bool Start(QObject* receiver, int searchMode, bool keywordMatchesNothing = false);
  // The data of the last search started (null before the first).
  const std::shared_ptr<const tanzel::DataSet>& Data() const { return data_; }
  // Increases with every Start: rows and requests carry the number of their search.
  quint64 Generation() const { return generation_; }
  // Asks the running search to stop at its next line.
  void Cancel() { worker_->CancelFlag.store(1); }
  // The worker's cancel flag (1 = the running search was asked to stop).
  int CancelFlag() const { return worker_->CancelFlag.load(); }

  // Cancels a running search and waits for the thread to end. Nothing is posted after it.
  void Shutdown();

 private:
  class Sink;
  tanzel::DataSource source_;
  std::shared_ptr<const tanzel::DataSet> data_;
  std::unique_ptr<Sink> sink_;
  std::unique_ptr<tanzel::SearchWorker> worker_;
  quint64 generation_ = 0;
};

extern TThread_Search* SearchThread;
