#pragma once

// The import: Japan Post's archives to the per-prefecture data files KEN01.CSV ..
// KEN47.CSV and JIG01.CSV .. JIG47.CSV (tanzel-import's command line: importer/ImportCommand.h).

#include <cstdio>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "core/import/DataFileBuilder.h"
#include "core/import/EditionWriter.h"
#include "core/import/ImportSource.h"

namespace tanzel {

struct ImportSideSummary {
  bool done = false;
  std::string source;  // the input as messages name it
  bool utf8 = false;
  long sourceLines = 0;
  long records = 0;
  std::array<long, kTextColumnCount> overCapacity{};
  // When the import failed on this input: what was wrong with it (None: it read whole).
  InputFault fault = InputFault::None;
};

struct ImportSummary {
  ImportSideSummary ken;
  ImportSideSummary jig;
  int filesWritten = 0;
  std::string outDir;       // resolved, without a trailing '/'
  std::string edition;      // the id of the edition put in use (outDir/editions/<id>)
  std::string editionDate;  // the date EDITION records
  // Names in outDir/editions the clean-up left alone because the program did not make them.
  std::vector<std::string> leftAlone;
  double seconds = 0;
  // When the import failed writing the new edition: the system's error number (ENOSPC ..).
  int systemError = 0;
};

// Fewer records than this in an input are far from one of Japan Post's nationwide archives
// (some 124,000 addresses and 22,000 offices): refused unless the import is told the input
// is partial on purpose.
inline constexpr long kNationalKenMinimum = 50000;
inline constexpr long kNationalJigMinimum = 5000;

// Files for a new edition beside its data files: (file name, content).
using ExtraFiles = std::vector<std::pair<std::string, std::string>>;

struct ImportOptions {
  std::string kenPath;  // ken_all.zip, utf_ken_all.zip or the CSV inside; empty: KEN files left alone
  std::string jigPath;  // jigyosyo.zip or JIGYOSYO.CSV; empty: JIG files left alone
  std::string outDir;
  // The inputs may hold far fewer records than Japan Post's nationwide archives (a file cut
  // down on purpose, for a test or a trial); every prefecture still needs its records.
  bool partial = false;
  // More files for the new edition. Every import also writes EDITION (the date and sums of
  // the archives read, core/import/ArchiveSums.h), which is no name for another file.
  ExtraFiles extraFiles = {};
  // Called, when set, once every file of the new edition is written and before it is put
  // in use, with the summary so far (both sides and `outDir`, `editionDate` filled in) and
  // the folder the new edition is staged in (with its '/'; readable like an edition
  // folder): it may read that folder, add files to the edition (`more`), or refuse the
  // edition by returning false with `error`, which leaves the edition in use in use. It
  // runs while the import holds the data folder, so no other import changes the edition
  // in use meanwhile; the update compares that edition with the new one here.
  std::function<bool(const ImportSummary& summary, const std::string& staged, ExtraFiles& more, std::string& error)>
      beforeCommit = {};
  CommitStepHook atCommitStep = {};  // test hook (EditionWriter.h)
};

// Reads the inputs, builds every file and puts them in use in `outDir` as a new edition, in
// one step (see EditionWriter.h): the files of a kind not given, and nothing else, are kept
// from the edition in use. An input without records for some prefecture is refused, and so
// is one with far fewer records than a nationwide archive unless `partial`; so is a record
// whose postal code is not seven digits, whose local government code is not five, or whose
// prefecture is not that of its code (DataFileBuilder.h). On
// failure the edition in use stays in use, unchanged, and `error` says why (naming file and
// line where the input is at fault). Imports into one folder are serialised: a second one
// fails while the first runs.
bool RunImport(const ImportOptions& options, ImportSummary& summary, std::string& error);

// The short report printed after an import.
std::string FormatSummary(const ImportSummary& summary);
// The line that names what the clean-up left alone in `outDir`/editions; empty when nothing.
std::string FormatLeftAlone(const std::string& outDir, const std::vector<std::string>& leftAlone);

}  // namespace tanzel
