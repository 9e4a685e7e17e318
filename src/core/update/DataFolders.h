#pragma once

// Which folder of data files the program reads, and where an update writes.
//
// A data folder holds one set of the 94 data files (KEN01.CSV .. JIG47.CSV) with its
// EDITION record, either directly (the flat layout) or in the edition its link "current"
// points to (the edition layout). Two data folders can serve the program: its own folder
// (the executable's) and the user's data folder. Every reader of data files, the windows
// and the command-line search alike, takes its folder from ChooseDataFolder.
//
// All functions read the environment and the file system at each call and keep no state;
// they may be called from any thread.

#include <string>

namespace tanzel {

// The user's data folder with its trailing '/': $XDG_DATA_HOME/tanzel/ when XDG_DATA_HOME
// is an absolute path, $HOME/.local/share/tanzel/ otherwise; empty when neither names one.
std::string UserDataFolder();

// The folder holding the set that `dataFolder` serves, with its trailing '/': the target
// of `dataFolder`/current when that link exists, `dataFolder` itself otherwise.
std::string EditionFolder(const std::string& dataFolder);

// True when the set that `dataFolder` serves holds all 94 data files as regular files.
bool HoldsCompleteSet(const std::string& dataFolder);

// The data folder the program reads, with its trailing '/': the user's data folder when
// it serves a complete set whose EDITION date is later than that of `programFolder`'s set
// (a set without a record counts as older than any dated one), `programFolder` otherwise.
// An incomplete set in the user's folder is never chosen.
std::string ChooseDataFolder(const std::string& programFolder);

// The folder an update writes into, with its trailing '/': `programFolder` when this
// process may write into it, the user's data folder otherwise (empty when there is none).
std::string UpdateTargetFolder(const std::string& programFolder);

// `folder` with exactly one trailing '/' (an empty folder stays empty).
std::string WithSlash(std::string folder);

}  // namespace tanzel
