#pragma once

// One job at a time on a worker thread for a window: it reads, resolves or saves a list
// while the window stays responsive, and hands its results back as queued calls that run on
// the window's thread, in order.

#include <QObject>
#include <QPointer>

#include <atomic>
#include <functional>
#include <thread>

class ListJob {
 public:
  explicit ListJob(QObject* receiver) : receiver_(receiver) {}
  // Cancels the job and waits for it: nothing it posts is delivered afterwards once the
  // receiver is gone.
  ~ListJob();
  ListJob(const ListJob&) = delete;
  ListJob& operator=(const ListJob&) = delete;

  // Runs `work` on a new thread, after the previous job ended (it is waited for). `work`
  // polls `cancel` and returns soon after it becomes true.
  void Start(std::function<void(const std::atomic<bool>& cancel)> work);
  // Asks the job to stop; does not wait.
  void Cancel() { cancel_.store(true); }
  // Cancels and waits for the job.
  void Stop();
  // Runs `call` on the receiver's thread (from the job), after what was posted before.
  void Post(std::function<void()> call);

 private:
  QObject* receiver_;
  std::thread thread_;
  std::atomic<bool> cancel_{false};
};
