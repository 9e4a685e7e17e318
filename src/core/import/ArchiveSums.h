#pragma once

// Measuring the archives an import reads, for the edition record it writes
// (core/data/EditionRecord.h).

#include <string>
#include <vector>

#include "core/data/EditionRecord.h"

namespace tanzel {

// Measures the archives an import reads: the SHA-256 of each file and the newest date
// among the .csv entries of the zip archives (the entries' modification times, read as
// the archive stores them, in local time). An input that is not a zip archive (the CSV
// itself) counts with its own modification time. Fails, with `error` naming the file,
// when one cannot be read.
bool MakeEdition(const std::vector<std::string>& paths, EditionRecord& record, std::string& error);

// SHA-256 of a file's bytes as 64 lower-case hex digits; false with `error` when the file
// cannot be read.
bool Sha256OfFile(const std::string& path, std::string& hex, std::string& error);

}  // namespace tanzel
