#pragma once

// Writing a file of the user's (a list, a report) so that only what is ours is replaced and a
// failure or a kill leaves the old file or the whole new one.
//
// The name given is followed through symbolic links to the file they lead to (which need not
// exist yet). That file is replaced only when it is a regular file the user may write; a
// folder, FIFO, device or socket is refused before anything is written. The new content goes
// to a temporary file in the target's folder, named "<name>.tanzel-tmp-XXXXXX" and locked
// (flock) while it is written, then renamed over the target: a replaced file keeps its
// permission bits (and its owner and group where the process may set them); a new file gets
// the process's umask. Each write first removes, in the target's folder, the temporary files
// of this naming left by a writer that was killed: regular files of this user whose lock
// nobody holds (never any other file).

#include <cstdio>
#include <functional>
#include <string>

namespace tanzel {

inline constexpr const char* kUserFileTempMarker = ".tanzel-tmp-";

// Writes the file `path` through `write`, which writes everything to the stream it gets and
// returns false on a failure. Returns false, with `error` saying why (starting with `path`),
// when the file is refused or cannot be written, or `write` fails; `path` is then left as it
// was and no temporary file remains. `write` is not called for a refused file.
bool WriteUserFile(const std::string& path, const std::function<bool(std::FILE*)>& write, std::string& error);

}  // namespace tanzel
