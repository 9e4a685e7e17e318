#include "importer/ImportCommand.h"

#include <cerrno>
#include <cstring>
#include <string>
#include <utility>

#include "core/import/Importer.h"

namespace tanzel {

namespace {

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

// Whether everything written to `out` arrived; says on `err` what did not (a full disk, a
// closed pipe) otherwise.
bool WrittenOut(std::FILE* out, std::FILE* err, const char* what) {
  if (std::fflush(out) == 0 && !std::ferror(out)) return true;
  std::fprintf(err, "tanzel-import: %s could not be written: %s\n", what, std::strerror(errno));
  return false;
}

}  // namespace

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
