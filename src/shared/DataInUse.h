#pragma once

// The data in use, kept fresh: the one DataSet a front end reads, opened once and opened
// again only when what the folder serves has changed.
//
// The window holds one for the program's folder (opened with DataSet::OpenInUse, which
// chooses between the program's own data and the user's), the service one for the data
// folder it was given (DataSet::Open), the update command one for the folder it updates.
// Each hands the set it holds to its readers (the searches, the list windows, the updater)
// as a DataSource, so that every reader of a front end reads the same edition until
// another comes into use.
//
// Every member may be called from any number of threads at once.

#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "core/data/DataSet.h"

namespace tanzel {

// Why Get opened a set anew, or that it kept the one it held.
enum class Reopening {
  None,         // the set held is still the data in use
  First,        // no set was held yet
  OtherFolder,  // the set held was opened for another folder
  Renewed,      // Renew() was called since (after an update)
  Moved,        // the held set's `current` names another edition now (an import meanwhile)
};

// The rule Get follows: whether a set `held` (or none), taken for `sameFolder` or another
// one, must be opened anew; `renewed` when Renew() was called since, `moved` when the
// held set is Outdated(). The first reason in the order of Reopening wins.
Reopening ReopeningFor(bool held, bool sameFolder, bool renewed, bool moved);

class DataInUse {
 public:
  // How a folder's data is opened: DataSet::OpenInUse by default.
  using Opener = std::function<std::shared_ptr<const DataSet>(const std::string& folder)>;
  explicit DataInUse(Opener open = {});

  struct Taken {
    std::shared_ptr<const DataSet> set;  // never nullptr
    Reopening reopening = Reopening::None;
  };
  // The set `folder` serves now: the one held, or a new one opened when ReopeningFor says
  // so (one readlink per call when a set is held). The first caller that sees the change
  // opens the new set; callers meanwhile wait for it and take the same set.
  Taken Get(const std::string& folder);
  std::shared_ptr<const DataSet> Set(const std::string& folder) { return Get(folder).set; }

  // The next Get opens anew, whatever `current` says: after an update (which may have put
  // its data into another folder than the one held), or when the held set could not be
  // read and should be tried again.
  void Renew();

  // A source of this object's set for `folder`, for the readers of a front end; the object
  // must outlive it.
  DataSource SourceFor(std::string folder);

 private:
  Opener open_;
  std::mutex mutex_;      // guards the three below
  std::mutex openMutex_;  // one opening at a time
  std::shared_ptr<const DataSet> held_;
  std::string heldFor_;
  bool renewed_ = false;
};

}  // namespace tanzel
