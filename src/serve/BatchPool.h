#pragma once

// The threads that resolve large batches: a fixed number, started once and shared by every
// request, so that concurrent batches never start threads of their own. A batch is cut into
// many more parts than there are threads; the thread that asks takes parts too, and the
// pool's threads take the rest as they come free (each part once): a batch finishes even when
// the pool is busy with others, and a thread that starts late or is slowed by other work
// leaves its share to the others instead of holding the batch up.

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace tanzel {

class BatchPool {
 public:
  explicit BatchPool(unsigned threads);
  ~BatchPool();
  BatchPool(const BatchPool&) = delete;
  BatchPool& operator=(const BatchPool&) = delete;

  // Runs work(0) ... work(parts - 1), each once, on this thread and the pool's; returns when
  // all have run.
  void Run(std::size_t parts, const std::function<void(std::size_t)>& work);

  unsigned threads() const { return static_cast<unsigned>(threads_.size()); }

 private:
  struct Job;
  void Loop();

  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::shared_ptr<Job>> queue_;  // one entry per thread a batch is offered to
  bool stopping_ = false;
  std::vector<std::thread> threads_;
};

}  // namespace tanzel
