#pragma once

// tanzel-search: the keyword search from the command line, on the same engine as the
// search window. Prints one line per hit (the five cells of the result row, TAB-separated,
// UTF-8), then the end-of-search notice on standard error.
//
//   tanzel-search [--data DIR] KEYWORD
//   tanzel-search [--data DIR] --town PREFNAME CITYCODE KEYWORD
//   tanzel-search [--data DIR] --resolve [--json] [ADDRESS...]   (see ResolveCommand.h)

#include <cstdio>

namespace tanzel {

// Exit status of the command.
enum SearchExit { kSearchHits = 0, kSearchNoHit = 1, kSearchUsage = 2, kSearchFileMissing = 3, kSearchOutputError = 4 };

// Runs the command line `argv` (argv[0] is the program). Reads no table: rows are printed
// as they are found. `in` gives the addresses to resolve when none is on the command line.
// Returns the exit status.
int SearchCommand(int argc, const char* const argv[], std::FILE* in, std::FILE* out, std::FILE* err);

}  // namespace tanzel
