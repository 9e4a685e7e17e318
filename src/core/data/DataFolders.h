#pragma once

// Which folder of data files the program reads, and where an update writes.
//
// A data folder holds one set of the 94 data files (KEN01.CSV .. JIG47.CSV) with its
// EDITION record, either directly (the flat layout of an installation) or as editions, the
// one in use named by its link "current" (core/data/Editions.h). Two data folders can
// serve the program: its own folder (the executable's) and the user's data folder. Readers
// do not call these functions: they read a DataSet (core/data/DataSet.h), which
// DataSet::OpenInUse opens from the folder ChooseDataFolder chooses.
//
// All functions read the environment and the file system at each call and keep no state;
// they may be called from any thread.

#include <string>

namespace tanzel {

// The user's data folder with its trailing '/': $XDG_DATA_HOME/tanzel/ when XDG_DATA_HOME
// is an absolute path, $HOME/.local/share/tanzel/ otherwise; empty when neither names one.
std::string UserDataFolder();

// True when the folder `edition` (an edition folder as ResolveEditionFolder gives it, or
// a data folder of the flat layout) holds all 94 data files as regular files. Nothing is
// resolved here.
bool HoldsCompleteSet(const std::string& edition);

// The data folder the program reads, with its trailing '/': the user's data folder when
// its edition in use is complete and its EDITION date is later than that of
// `programFolder`'s edition in use (a set without a record counts as older than any dated
// one), `programFolder` otherwise. An incomplete set in the user's folder is never chosen.
// Each folder's edition is resolved once for its date and its completeness.
std::string ChooseDataFolder(const std::string& programFolder);

// The file a package manager's installation lays beside the programs (PackagedMarker()):
// the folder and its data files belong to the package, which alone replaces them, so no
// update writes there, not even one run by root.
const char* PackagedMarker();

// The folder an update writes into, with its trailing '/': `programFolder` when this
// process may write into it and it holds no PackagedMarker(), the user's data folder
// otherwise (empty when there is none).
std::string UpdateTargetFolder(const std::string& programFolder);

// `folder` with exactly one trailing '/' (an empty folder stays empty).
std::string WithSlash(std::string folder);

}  // namespace tanzel
