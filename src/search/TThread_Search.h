#pragma once

// The keyword-search worker: one thread for the program's life.
class TThread_Search {
 public:
  TThread_Search();
  ~TThread_Search();
  TThread_Search(const TThread_Search&) = delete;
  TThread_Search& operator=(const TThread_Search&) = delete;

  // Cancels a running search and waits for the thread to end.
  void Shutdown();
};

extern TThread_Search* SearchThread;
