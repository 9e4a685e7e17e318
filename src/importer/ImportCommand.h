#pragma once

// tanzel-import's command line for an import (RunImport, core/import/Importer.h).

#include <cstdio>

#include "core/import/EditionWriter.h"

namespace tanzel {

// The command line: tanzel-import [--ken FILE] [--jig FILE] [--partial] --out DIR, or --help. Returns
// the exit status: 0 done, 1 the import failed or what it wrote to `out` did not arrive (a
// full disk; said on `err`), 2 the command line is wrong, 3 another import holds DIR. tanzel-import
// runs it through ImporterCommand (importer/UpdateCommand.h), which hands a command line with
// --download or --compare to UpdateCommand. `atCommitStep` is a test hook (EditionWriter.h).
int ImportCommand(int argc, const char* const argv[], std::FILE* out, std::FILE* err,
                  const CommitStepHook& atCommitStep = {});

}  // namespace tanzel
