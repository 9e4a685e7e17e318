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
  if (!ReadImportSource(path, source, error)) {
    side.fault = source.fault;
    return false;
  }
  if (!BuildDataFiles(kind, source, files, error) || !CheckEveryPrefecture(kind, source.name, files, error) ||
      (!partial && !CheckNationwide(kind, source.name, files, error))) {
    // Text that is no CSV of records at all was not an archive to begin with.
    side.fault = source.archive ? InputFault::Contents : InputFault::NotArchive;
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

constexpr const char* kHelp =
    R"HELP(Usage: tanzel-import [--ken FILE] [--jig FILE] [--partial] --out DIR
       tanzel-import --download [--from URL] [--out DIR] [--partial] [--allow-older]
       tanzel-import --compare OLD NEW

Turns Japan Post's postal-code archives into the data files Tanzel reads:
KEN01.CSV .. KEN47.CSV (addresses) and JIG01.CSV .. JIG47.CSV (large business
offices), one pair per prefecture, written into DIR (the folder of tanzel).

  --ken FILE   ken_all.zip (KEN_ALL.CSV inside: Shift-JIS, long town names split
               over several lines) or utf_ken_all.zip (utf_ken_all.csv inside:
               UTF-8, one record per line), or the CSV itself. The two kinds are
               told apart by their content; for one edition both give the
               same files.
  --jig FILE   jigyosyo.zip or the JIGYOSYO.CSV inside it.
  --out DIR    the folder to write into; created when missing.
  --partial    the inputs are cut down on purpose (a test, a trial): accept
               far fewer records than Japan Post's nationwide archives hold
               (without it such an input is refused).
  -h, --help   show this text.

At least one of --ken and --jig is needed; the files of a kind not given are kept
as they are. Get the archives from Japan Post's postal-code download page:
  https://www.post.japanpost.jp/service/search/zipcode/download/kogaki/zip/ken_all.zip
  https://www.post.japanpost.jp/service/search/zipcode/download/utf/zip/utf_ken_all.zip
  https://www.post.japanpost.jp/service/search/zipcode/download/office/zip/jigyosyo.zip

What the files hold:
  - one record per line, Shift-JIS, each line ending in CR LF; column 1 the
    5-digit local government code, columns 2-9 in double quotes, then the
    remaining columns exactly as in the source;
  - town names split over several lines joined into one record, in either
    encoding (a town name with more "（" than "）" continues on the following
    lines of the same code and postal code until its parentheses balance);
  - kana columns in full width (half-width katakana, their voiced marks and
    punctuation, ASCII and the space become their full-width forms);
  - prefecture = code / 1000; every prefecture must have records;
  - KEN: cities in order of their kana, in a city the "other addresses" record
    (以下に掲載がない場合) first, then the towns in order of their kana;
    JIG: offices in order of their kana (Shift-JIS byte order, ties in source order).

Editions: every import writes a complete new edition, DIR/editions/<id>/, and
puts it in use in one step by pointing the link DIR/current at it. DIR/KEN01.CSV
.. DIR/JIG47.CSV are links to current/KEN01.CSV ..; DIR/previous names the
edition in use before the last import. To go back to it:
  cd DIR && ln -s "$(readlink previous)" .current.new && mv -T .current.new current
A folder of plain data files becomes this layout at its first import.
The links DIR/KEN01.CSV .. are switched one after the other: a reader that opens
them during an import may find files of two editions. Read DIR/current/ (resolve
the link once) to read one edition throughout.
Every folder tanzel-import makes in DIR/editions holds the file .tanzel-edition;
the clean-up removes only such folders, never follows a symbolic link, and names
whatever else it finds there as left alone. A DIR/editions that is a symbolic
link is refused.

A field longer than Tanzel keeps is written whole and counted in the summary.
The import fails, and the edition in use stays in use unchanged, when an input is
missing, damaged (a CRC or size error in the archive) or not such an archive or
CSV (or not a regular file), when a line has the wrong number of columns, a local
government code that is not five digits, a postal code that is not seven, a
prefecture name other than that of its code, or bytes not valid in its encoding,
when a character has no Shift-JIS form, when a prefecture has no records, when
an input holds far fewer records than the nationwide archive (unless --partial),
or when a file would exceed 10240 lines or a line 2047 bytes. An import that is interrupted or killed leaves the old or the new
edition in use, whole; the next import removes what it left.

Every import also writes EDITION into the new edition: the newest date among the
CSV entries of the archives read (YYYY-MM-DD), then the SHA-256 and name of each
archive, as sha256sum prints them, then each archive's own date and name.

--download fetches ken_all.zip (utf_ken_all.zip when the server has no
ken_all.zip) and jigyosyo.zip into DIR/editions/.update-XXXXXX, imports them as
above, and before the new edition is put in use checks its record counts, compares
it with the edition in use and writes REMOVED (the edition's date, then the codes
that went away) into it; on any failure or kill the edition in use stays in use.
--from URL (or the environment variable TANZEL_JAPANPOST_URL) names a base address
under which the archives lie by their file names; without it, Japan Post's
addresses above. Without --out the data goes into the folder of tanzel when
it is writable, otherwise into $XDG_DATA_HOME/tanzel (~/.local/share/tanzel). The
changes against the data in use are printed on standard output as tab-separated
lines (kind KEN/JIG, change added/removed/changed, code, before, after, UTF-8);
progress and the summary go to standard error. Archives equal to those of the
data in use are not imported again. Each archive is compared with the one of its
kind in use (addresses, offices): one that differs from it and is dated earlier is
refused, named, unless --allow-older is given, also beside a current archive of
the other kind (--partial: see above).
--compare OLD NEW prints the changes between two sets the same way: data folders
(their editions in use), edition folders or the links DIR/previous and DIR/current,
or folders of plain data files; for instance what the last import changed:
  tanzel-import --compare DIR/previous DIR/current

Exit status: 0 done, 1 the import failed (or its report could not be written),
2 wrong command line, 3 another import or update into DIR is running. An
interrupt of --download once the new edition is being put in use lets it finish
and says so.
)HELP";

}  // namespace

namespace {

// Whether everything written to `out` arrived; says on `err` what did not (a full disk, a
// closed pipe) otherwise.
bool WrittenOut(std::FILE* out, std::FILE* err, const char* what) {
  if (std::fflush(out) == 0 && !std::ferror(out)) return true;
  std::fprintf(err, "tanzel-import: %s could not be written: %s\n", what, std::strerror(errno));
  return false;
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

int ImportCommand(int argc, const char* const argv[], std::FILE* out, std::FILE* err,
                  const CommitStepHook& atCommitStep) {
  ImportOptions options;
  options.atCommitStep = atCommitStep;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "-h" || arg == "--help") {
      std::fputs(kHelp, out);
      return WrittenOut(out, err, "the help") ? 0 : 1;
    }
    if (arg == "--partial") {
      options.partial = true;
      continue;
    }
    std::string* target = nullptr;
    std::string value;
    bool hasValue = false;
    for (auto [flag, field] : {std::pair<const char*, std::string*>{"--ken", &options.kenPath},
                               {"--jig", &options.jigPath},
                               {"--out", &options.outDir}}) {
      std::size_t n = std::strlen(flag);
      if (arg == flag) {
        target = field;
      } else if (arg.compare(0, n, flag) == 0 && arg.size() > n && arg[n] == '=') {
        target = field;
        value = arg.substr(n + 1);
        hasValue = true;
      }
    }
    if (target == nullptr) {
      std::fprintf(err, "tanzel-import: unknown argument '%s' (see --help)\n", arg.c_str());
      return 2;
    }
    if (!hasValue) {
      if (i + 1 >= argc) {
        std::fprintf(err, "tanzel-import: %s needs a value (see --help)\n", arg.c_str());
        return 2;
      }
      value = argv[++i];
    }
    if (value.empty()) {
      std::fprintf(err, "tanzel-import: %s needs a non-empty value (see --help)\n", arg.c_str());
      return 2;
    }
    *target = value;
  }
  if (options.outDir.empty() || (options.kenPath.empty() && options.jigPath.empty())) {
    std::fputs("Usage: tanzel-import [--ken FILE] [--jig FILE] [--partial] --out DIR (see --help)\n", err);
    return 2;
  }
  ImportSummary summary;
  std::string error;
  if (!RunImport(options, summary, error)) {
    std::fprintf(err, "tanzel-import: %s\n", error.c_str());
    return error.find(kAnotherImportRunning) != std::string::npos ? 3 : 1;
  }
  std::fputs(FormatSummary(summary).c_str(), out);
  return WrittenOut(out, err, "the data is imported, but its report") ? 0 : 1;
}

}  // namespace tanzel
