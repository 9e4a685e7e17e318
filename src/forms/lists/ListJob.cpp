#include "forms/lists/ListJob.h"

#include <QMetaObject>

ListJob::~ListJob() {
  Stop();
}

void ListJob::Stop() {
  cancel_.store(true);
  if (thread_.joinable()) thread_.join();
}

void ListJob::Start(std::function<void(const std::atomic<bool>& cancel)> work) {
  Stop();
  cancel_.store(false);
  thread_ = std::thread([this, work = std::move(work)] { work(cancel_); });
}

void ListJob::Post(std::function<void()> call) {
  QMetaObject::invokeMethod(receiver_, std::move(call), Qt::QueuedConnection);
}
