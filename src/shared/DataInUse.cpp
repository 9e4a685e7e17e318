#include "shared/DataInUse.h"

#include <utility>

namespace tanzel {

Reopening ReopeningFor(bool held, bool sameFolder, bool renewed, bool moved) {
  if (!held) return Reopening::First;
  if (!sameFolder) return Reopening::OtherFolder;
  if (renewed) return Reopening::Renewed;
  if (moved) return Reopening::Moved;
  return Reopening::None;
}

DataInUse::DataInUse(Opener open) : open_(std::move(open)) {
  if (!open_) open_ = [](const std::string& folder) { return DataSet::OpenInUse(folder); };
}

DataInUse::Taken DataInUse::Get(const std::string& folder) {
  auto look = [&] {
    std::shared_ptr<const DataSet> held;
    bool same = false;
    bool renewed = false;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      held = held_;
      same = heldFor_ == folder;
      renewed = renewed_;
    }
    // The readlink outside the lock: readers of a held set do not wait for each other.
    const bool moved = held && same && held->Outdated();
    return Taken{held, ReopeningFor(held != nullptr, same, renewed, moved)};
  };
  Taken seen = look();
  if (seen.reopening == Reopening::None) return seen;
  std::lock_guard<std::mutex> opening(openMutex_);
  {
    // Another caller may have opened it while this one waited.
    std::lock_guard<std::mutex> lock(mutex_);
    if (held_ != seen.set && heldFor_ == folder && !renewed_) return Taken{held_, Reopening::None};
  }
  std::shared_ptr<const DataSet> next = open_(folder);
  std::lock_guard<std::mutex> lock(mutex_);
  held_ = next;
  heldFor_ = folder;
  renewed_ = false;
  return Taken{next, seen.reopening};
}

void DataInUse::Renew() {
  std::lock_guard<std::mutex> lock(mutex_);
  renewed_ = true;
}

DataSource DataInUse::SourceFor(std::string folder) {
  return [this, folder = std::move(folder)] { return Set(folder); };
}

}  // namespace tanzel
