#pragma once

// Editions of the data files. A data folder D that tanzel-import has written holds:
//
//   D/editions/<id>/   one complete edition: KEN01.CSV .. KEN47.CSV, JIG01.CSV .. JIG47.CSV
//                      and whatever other files the import put beside them
//   D/current          symbolic link to editions/<id>: the edition in use
//   D/previous         symbolic link to the edition that was in use before the last import
//   D/KEN01.CSV ..     symbolic links to current/KEN01.CSV .. (likewise JIG01.CSV ..), for
//                      whoever names the files in D directly
//
// An import puts a new edition in use in one step, by renaming a new link over D/current.
// A reader that resolves D/current once and reads every file of that edition folder reads
// one edition throughout, whatever imports run meanwhile. A folder without D/current (the
// plain KENnn.CSV files of an installation or a test) is read as it is.

#include <string>

namespace tanzel {

inline constexpr const char* kEditionsFolder = "editions";
inline constexpr const char* kCurrentEdition = "current";
inline constexpr const char* kPreviousEdition = "previous";

// The folder to read one edition of `dataFolder` from, with its trailing '/': the edition
// folder that D/current names at the moment of the call (D's real path followed by the
// link's target; an absolute target as it is), or `dataFolder` itself, unchanged, when it
// has no `current`. The result never passes through `current` again, so every file read
// from it belongs to that one edition; an edition that later imports remove leaves its
// files missing, never replaced. Thread-safe; reads only the link.
std::string ResolveEditionFolder(const std::string& dataFolder);

}  // namespace tanzel
