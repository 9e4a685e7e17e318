#include "serve/BatchPool.h"

#include <atomic>

namespace tanzel {

struct BatchPool::Job {
  const std::function<void(std::size_t)>* work;
  std::size_t parts;
  std::atomic<std::size_t> next{0};  // the next part nobody has taken
  std::mutex mutex;
  std::condition_variable finished;
  std::size_t done = 0;  // guarded by mutex

  // Takes and runs one part; false when none is left to take.
  bool RunOne() {
    std::size_t part = next.fetch_add(1);
    if (part >= parts) return false;
    (*work)(part);
    std::lock_guard lock(mutex);
    if (++done == parts) finished.notify_all();
    return true;
  }
};

BatchPool::BatchPool(unsigned threads) {
  for (unsigned i = 0; i < threads; ++i) threads_.emplace_back([this] { Loop(); });
}

BatchPool::~BatchPool() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  for (std::thread& t : threads_) t.join();
}

void BatchPool::Run(std::size_t parts, const std::function<void(std::size_t)>& work) {
  auto job = std::make_shared<Job>();
  job->work = &work;
  job->parts = parts;
  if (parts > 1 && !threads_.empty()) {
    {
      std::lock_guard lock(mutex_);
      for (std::size_t i = 1; i < parts; ++i) queue_.push_back(job);
    }
    wake_.notify_all();
  }
  while (job->RunOne()) {
  }
  std::unique_lock lock(job->mutex);
  job->finished.wait(lock, [&] { return job->done == job->parts; });
}

void BatchPool::Loop() {
  for (;;) {
    std::shared_ptr<Job> job;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
      if (queue_.empty()) return;
      job = std::move(queue_.front());
      queue_.pop_front();
    }
    job->RunOne();  // nothing when the asking thread took every part itself
  }
}

}  // namespace tanzel
