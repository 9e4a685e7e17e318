#pragma once

// The command-line side of updates:
//
//   tanzel-import --download [--from URL] [--out DIR]
//       downloads Japan Post's archives, checks and imports them (RunUpdate), then prints
//       the changes against the data that was in use as tab-separated text on `out`
//       (FormatChangesTsv); progress, the summary and the counts go to `err`, as one
//       rewritten line when `err` is a terminal and as plain lines otherwise.
//   tanzel-import --compare OLD NEW
//       prints the changes between two data folders' sets the same way.
//
// Without --out the data goes where the program's own update puts it (UpdateTargetFolder
// of the program's folder) and is compared with the set the program reads. OLD and NEW of
// --compare may be data folders (their editions in use), edition folders or the links to
// them (D/previous D/current), or folders of plain data files; each is resolved once.
//
// --partial accepts archives with far fewer records than Japan Post's complete ones (a
// mirror that serves cut-down archives on purpose).

#include <cstdio>
#include <string>

#include "core/import/EditionWriter.h"

namespace tanzel {

// True when the command line asks for --download or --compare (ImportCommand hands such a
// command line to UpdateCommand).
bool IsUpdateCommandLine(int argc, const char* const argv[]);

// Runs the command line; returns the exit status: 0 done (also when the data was already
// current), 1 the update or the comparison failed or was interrupted, 2 a wrong command
// line, 3 another update or import into the folder is running. SIGINT and SIGTERM during
// an update cancel it cleanly up to the point of no return; one that comes later is said
// on `err` once the update is complete. `atCommitStep`: a test hook (EditionWriter.h).
int UpdateCommand(int argc, const char* const argv[], std::FILE* out, std::FILE* err,
                  const CommitStepHook& atCommitStep = {});

// The command line of tanzel-import: UpdateCommand's when IsUpdateCommandLine says so,
// ImportCommand's (importer/ImportCommand.h) otherwise; `atCommitStep` is handed on.
int ImporterCommand(int argc, const char* const argv[], std::FILE* out, std::FILE* err,
                    const CommitStepHook& atCommitStep = {});

}  // namespace tanzel
