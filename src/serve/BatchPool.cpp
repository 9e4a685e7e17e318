#include "serve/BatchPool.h"

#include <algorithm>
#include <atomic>

namespace tanzel {

struct BatchPool::Job {
  const std::function<void(std::size_t)>* work;
  std::size_t parts;
  std::atomic<std::size_t> next{0};  // the next part nobody has taken
  std::mutex mutex;
  std::condition_variable finished;
  std::size_t done = 0;  // guarded by mutex

  // Takes and runs parts until none is left to take.
  void Drain() {
    for (std::size_t part; (part = next.fetch_add(1)) < parts;) {
      (*work)(part);
      std::lock_guard lock(mutex);
      if (++done == parts) finished.notify_all();
    }
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
  // Offered to as many of the pool's threads as can help besides this one.
  const std::size_t helpers = std::min(parts - 1, threads_.size());
  if (helpers > 0) {
    {
      std::lock_guard lock(mutex_);
      queue_.insert(queue_.end(), helpers, job);
    }
    wake_.notify_all();
  }
  job->Drain();
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
    job->Drain();  // nothing when the others took every part already
  }
}

}  // namespace tanzel
