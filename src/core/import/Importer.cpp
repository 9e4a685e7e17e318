#include "core/import/Importer.h"

#include <pthread.h>
#include <signal.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include "core/data/Editions.h"
#include "core/import/ArchiveSums.h"
#include "core/import/EditionWriter.h"
#include "core/import/ImportSource.h"

namespace tanzel {

namespace {

// Holds off the usual termination signals while the edition is written and put in use, so
// that an interrupt lands after the staging folder is cleaned up or the edition is in use.
class SignalShield {
 public:
  SignalShield() {
    sigset_t set;
    sigemptyset(&set);
    for (int s : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) sigaddset(&set, s);
    pthread_sigmask(SIG_BLOCK, &set, &saved_);
  }
  ~SignalShield() { pthread_sigmask(SIG_SETMASK, &saved_, nullptr); }
  SignalShield(const SignalShield&) = delete;
  SignalShield& operator=(const SignalShield&) = delete;

 private:
  sigset_t saved_;
};

// Japan Post's per-prefecture archives have the nationwide format: imported as the whole
// country they would leave every other prefecture without data.
bool CheckEveryPrefecture(DataKind kind, const std::string& name, const DataFileSet& files, std::string& error) {
  std::string missing;
  int count = 0;
  for (int p = 1; p <= PrefectureCount;) {
    if (!files.files[static_cast<std::size_t>(p - 1)].empty()) {
      ++p;
      continue;
    }
    int last = p;
    while (last < PrefectureCount && files.files[static_cast<std::size_t>(last)].empty()) ++last;
    char range[16];
    std::snprintf(range, sizeof range, last == p ? "%02d" : "%02d-%02d", p, last);
    missing += std::string(missing.empty() ? "" : ", ") + range;
    count += last - p + 1;
    p = last + 1;
  }
  if (count == 0) return true;
  error =
      name + ": no records for " + std::to_string(count) + " of the 47 prefectures (prefecture codes " + missing +
      "); their " + (kind == DataKind::Ken ? "KEN" : "JIG") + " files would be empty. Import the nationwide file (" +
      (kind == DataKind::Ken ? "ken_all.zip or utf_ken_all.zip" : "jigyosyo.zip") + "), not one of some prefectures";
  return false;
}

// An input far smaller than Japan Post's nationwide archive is a cut-down or damaged file:
// imported as the whole country, it would leave most places without data.
bool CheckNationwide(DataKind kind, const std::string& name, const DataFileSet& files, std::string& error) {
  bool ken = kind == DataKind::Ken;
  long minimum = ken ? kNationalKenMinimum : kNationalJigMinimum;
  if (files.records >= minimum) return true;
  error = name + ": holds " + std::to_string(files.records) + " records, far fewer than Japan Post's nationwide " +
          (ken ? "ken_all.zip (some 124,000)" : "jigyosyo.zip (some 22,000)") +
          "; import the nationwide file, or give --partial when the input is cut down on purpose";
  return false;
}

bool BuildSide(DataKind kind, const std::string& path, bool partial, DataFileSet& files, ImportSideSummary& side,
               std::string& error) {
  ImportSource source;
  if (!ReadImportSource(path, source, error) || !BuildDataFiles(kind, source, files, error) ||
      !CheckEveryPrefecture(kind, source.name, files, error) ||
      (!partial && !CheckNationwide(kind, source.name, files, error))) {
    // Records that fail in an archive are the wrong contents; text that is no CSV of records
    // at all was not an archive to begin with.
    side.fault = source.fault != InputFault::None ? source.fault
                 : source.archive                 ? InputFault::Contents
                                                  : InputFault::NotArchive;
    return false;
  }
  side.done = true;
  side.source = source.name;
  side.utf8 = source.utf8;
  side.sourceLines = files.sourceLines;
  side.records = files.records;
  side.overCapacity = files.overCapacity;
  return true;
}

}  // namespace

bool RunImport(const ImportOptions& options, ImportSummary& summary, std::string& error) {
  auto start = std::chrono::steady_clock::now();
  summary = ImportSummary{};
  if (options.kenPath.empty() && options.jigPath.empty()) {
    error = "nothing to import: give --ken, --jig or both";
    return false;
  }
  if (options.outDir.empty()) {
    error = "no output folder: give --out DIR";
    return false;
  }
  DataFileSet ken;
  DataFileSet jig;
  if (!options.kenPath.empty() && !BuildSide(DataKind::Ken, options.kenPath, options.partial, ken, summary.ken, error))
    return false;
  if (!options.jigPath.empty() && !BuildSide(DataKind::Jig, options.jigPath, options.partial, jig, summary.jig, error))
    return false;
  EditionRecord record;  // what EDITION says of the archives read
  std::vector<std::string> inputs;
  for (const std::string* path : {&options.kenPath, &options.jigPath})
    if (!path->empty()) inputs.push_back(*path);
  if (!MakeEdition(inputs, record, error)) return false;

  SignalShield shield;
  EditionWriter edition(options.atCommitStep);
  // The system's error of a failed write, taken before the writer's clean-up runs.
  auto failed = [&summary] {
    summary.systemError = errno;
    return false;
  };
  bool begun = edition.Begin(options.outDir, error);
  summary.leftAlone = edition.LeftAlone();
  if (!begun) return failed();
  int files = 0;
  for (const DataFileSet* set : {&ken, &jig}) {
    bool given = set == &ken ? summary.ken.done : summary.jig.done;
    DataKind kind = set == &ken ? DataKind::Ken : DataKind::Jig;
    for (int p = 1; p <= PrefectureCount; ++p) {
      std::string name = DataFileBaseName(kind, p);
      if (given ? !edition.Write(name, set->files[static_cast<std::size_t>(p - 1)], error)
                : !edition.Keep(name, error)) {
        return failed();
      }
      files += given ? 1 : 0;
    }
  }
  if (!edition.Write(kEditionFileName, FormatEdition(record), error)) return failed();
  summary.editionDate = record.date;
  summary.filesWritten = files;
  summary.outDir = edition.Folder();
  ExtraFiles extra = options.extraFiles;
  if (options.beforeCommit && !options.beforeCommit(summary, edition.Staging() + "/", extra, error)) return false;
  for (const auto& [name, bytes] : extra) {
    if (!edition.Write(name, bytes, error)) return failed();
  }
  bool committed = edition.Commit(error);
  if (!committed) failed();
  summary.leftAlone = edition.LeftAlone();
  if (!committed) return false;
  summary.edition = edition.Edition();
  summary.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return true;
}

namespace {

void AppendSide(std::string& text, const char* kind, const ImportSideSummary& side,
                const std::array<int, kTextColumnCount>& limits,
                const std::array<const char*, kTextColumnCount>& names) {
  if (!side.done) return;
  text += std::string(kind) + ": " + side.source + (side.utf8 ? " (UTF-8)" : " (Shift-JIS)") + "\n";
  text += "  read:    " + std::to_string(side.sourceLines) + " lines, " + std::to_string(side.records) + " records\n";
  text += "  written: " + std::to_string(side.records) + " records in 47 files\n";
  long over = 0;
  std::string detail;
  for (int i = 0; i < kTextColumnCount; ++i) {
    long n = side.overCapacity[static_cast<std::size_t>(i)];
    if (n == 0) continue;
    over += n;
    detail += std::string(detail.empty() ? "" : ", ") + names[static_cast<std::size_t>(i)] + " cut to " +
              std::to_string(limits[static_cast<std::size_t>(i)]) + " bytes: " + std::to_string(n);
  }
  // A long name is cut to its column's fixed width in the data files; that is all that is
  // ever left out.
  if (over == 0) {
    text += "  nothing shortened: every record written whole\n";
  } else {
    text += "  shortened to the data files' fixed widths: " + std::to_string(over) + " names or readings (" + detail +
            "); nothing else was lost\n";
  }
}

}  // namespace

std::string FormatLeftAlone(const std::string& outDir, const std::vector<std::string>& leftAlone) {
  if (leftAlone.empty()) return {};
  std::string text = "left alone in " + outDir + "/" + kEditionsFolder + " (not made by tanzel-import):";
  for (const std::string& name : leftAlone) text += " " + name;
  return text + "\n";
}

std::string FormatSummary(const ImportSummary& summary) {
  std::string text;
  AppendSide(text, "KEN", summary.ken, kKenFieldLimits, kKenFieldNames);
  AppendSide(text, "JIG", summary.jig, kJigFieldLimits, kJigFieldNames);
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%.2f", summary.seconds);
  text += std::to_string(summary.filesWritten) + " files written to " + summary.outDir + " (edition " +
          summary.edition + ") in " + seconds + " s\n";
  text += FormatLeftAlone(summary.outDir, summary.leftAlone);
  return text;
}

}  // namespace tanzel
