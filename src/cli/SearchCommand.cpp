#include "cli/SearchCommand.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/CsvCommand.h"
#include "cli/ResolveCommand.h"
#include "core/data/DataFile.h"
#include "core/data/DataFolders.h"
#include "core/data/DataSet.h"
#include "core/search/RelayTexts.h"
#include "core/search/SearchEngine.h"
#include "core/text/Normalize.h"
#include "core/text/SjisText.h"
#include "shared/RecordView.h"

namespace tanzel {

namespace {

constexpr const char* kUsage =
    "usage: tanzel-search [--data DIR] KEYWORD\n"
    "       tanzel-search [--data DIR] --town PREFNAME CITYCODE KEYWORD\n"
    "       tanzel-search [--data DIR] --resolve [--json] [ADDRESS...]\n"
    "       tanzel-search [--data DIR] --resolve --list FILE [--column N|NAME]... [--out FILE]\n"
    "                     [--words ja|en] [--sheet NAME]\n"
    "       tanzel-search [--data DIR] --data-info\n"
    "Searches the postal data files in DIR (default: the data the program reads: its own\n"
    "folder's, or the user's data folder's when that is newer).\n"
    "A keyword that starts with '-' follows '--': tanzel-search -- -0001\n"
    "--resolve gives the postal code of each address (one per line from standard input\n"
    "when none is given; lines end in CRLF, LF or CR; UTF-8 or Shift-JIS): code, record and\n"
    "how it matched, tab-separated; with --json one JSON object a line, as tanzel-serve's\n"
    "/v1/resolve answers (code, certainty, match, record, candidates).\n"
    "--resolve --list resolves every row of a list (CSV, TSV or .xlsx; --csv is the same),\n"
    "its columns recognised by their names or contents, and writes it (CSV, or .xlsx after\n"
    "--out) with 郵便番号（検索結果）, 確度 (確実, 要確認, 複数候補, 該当なし), 該当住所 and\n"
    "既存番号との照合 (一致, 候補にあり, 不一致) appended; --words en writes sure, not-sure,\n"
    "ambiguous, not-found and agrees, among, differs. --list with a wrong option shows all.\n"
    "--data-info prints the data's edition: its date (YYYY-MM-DD), then the SHA-256 sums\n"
    "of the archives and each archive's own date.\n"
    "Exit status: 0 hits, 1 no hit, 2 wrong command line, 3 a data file missing,\n"
    "4 the output could not be written. With --resolve: 0 every address resolved to one\n"
    "code, 1 one did not (not found or ambiguous), 5 a line of the input (or an address\n"
    "given) is neither UTF-8 nor Shift-JIS: it is answered as not found, the others as usual.\n";

// Prints every row as it comes; a failed write cancels the search.
class PrintSink : public SearchSink {
 public:
  PrintSink(std::FILE* out, std::FILE* err, std::atomic<uint8_t>& cancel) : out_(out), err_(err), cancel_(cancel) {}
  void Row(int, const ResultRow& row) override {
    line_.clear();
    for (int c = 0; c < 5; ++c) {
      if (c > 0) line_ += '\t';
      line_ += SjisToUtf8(row.Cell(c));
    }
    line_ += '\n';
    if (std::fwrite(line_.data(), 1, line_.size(), out_) != line_.size()) cancel_.store(1);
  }
  void PassStarted(SearchPass pass, std::string_view keyword) override {
    if (pass == SearchPass::Address) {
      Note("tanzel-search: read as an address");
      address_ = true;
    }
    if (pass == SearchPass::Tolerant)
      Note(std::string(address_ ? "tanzel-search: also searching for "
                                : "tanzel-search: nothing found as typed; searching for ") +
           SjisToUtf8(keyword) + "\n");
  }
  void Answered(Certainty certainty, MatchKind kind) override {
    // The same words as --resolve: how sure, and how the first code was found.
    Note(std::string(" (") + CertaintyWord(certainty) + ", " + MatchKindWord(kind) + ")\n");
  }

 private:
  void Note(const std::string& text) { std::fwrite(text.data(), 1, text.size(), err_); }

  std::FILE* out_;
  std::FILE* err_;
  std::atomic<uint8_t>& cancel_;
  std::string line_;
  bool address_ = false;  // the rows so far are an address's
};

// The parsed command line.
struct SearchArgs {
  std::string folder;
  bool town = false;
  bool resolve = false;
  bool json = false;
  bool dataInfo = false;
  bool help = false;
  std::vector<const char*> positional;
};

// Parses argv into `args`. Prints the usage, and why, and returns false when the command
// line is not valid; a request for help sets args.help and ends the parsing.
bool ParseArgs(int argc, const char* const argv[], SearchArgs& args, std::FILE* err) {
  bool options = true;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (options && arg == "--") {
      options = false;
    } else if (options && (arg == "-h" || arg == "--help")) {
      args.help = true;
      return true;
    } else if (options && arg == "--data") {
      if (++i >= argc) {
        std::fprintf(err, "tanzel-search: --data needs a folder\n%s", kUsage);
        return false;
      }
      args.folder = argv[i];
    } else if (options && arg == "--town") {
      args.town = true;
    } else if (options && arg == "--resolve") {
      args.resolve = true;
    } else if (options && arg == "--json") {
      args.json = true;
    } else if (options && arg == "--data-info") {
      args.dataInfo = true;
    } else if (options && arg.size() > 2 && arg.compare(0, 2, "--") == 0) {
      std::fprintf(err, "tanzel-search: unknown option %s (to search for it, write: tanzel-search -- %s)\n%s", argv[i],
                   argv[i], kUsage);
      return false;
    } else {
      args.positional.push_back(argv[i]);
    }
  }
  if (args.resolve && args.town) {
    std::fprintf(err, "tanzel-search: --resolve and --town do not go together\n%s", kUsage);
    return false;
  }
  if (args.json && !args.resolve) {
    std::fprintf(err, "tanzel-search: --json goes with --resolve\n%s", kUsage);
    return false;
  }
  std::size_t wanted = args.dataInfo ? 0 : args.town ? 3 : 1;
  if (!args.resolve && args.positional.size() != wanted) {
    std::fprintf(err, "tanzel-search: expected %s\n%s",
                 args.dataInfo ? "nothing after --data-info"
                 : args.town   ? "PREFNAME CITYCODE KEYWORD after --town"
                               : "one KEYWORD",
                 kUsage);
    return false;
  }
  return true;
}

// A UTF-8 argument as Shift-JIS; prints why when it cannot be converted.
std::optional<std::string> Convert(const char* what, const char* utf8, std::FILE* err) {
  GatedText gated = ThroughGate(utf8);
  if (gated.fault == GateFault::NotUtf8) std::fprintf(err, "tanzel-search: the %s is not valid UTF-8\n", what);
  if (gated.fault == GateFault::NoShiftJisForm)
    std::fprintf(err, "tanzel-search: the %s holds a character Shift-JIS cannot represent\n", what);
  return std::move(gated.sjis);
}

// The search the arguments ask for; nothing (after saying why) when they cannot be searched.
std::optional<SearchParams> MakeParams(const SearchArgs& args, std::FILE* err) {
  SearchParams params;
  params.mode = args.town ? SearchMode::Town : SearchMode::Keyword;
  const char* keywordArg = args.positional.back();
  if (keywordArg[0] == '\0') {
    std::fputs("tanzel-search: the keyword is empty\n", err);
    return std::nullopt;
  }
  std::optional<std::string> keyword = Convert("keyword", keywordArg, err);
  if (!keyword) return std::nullopt;
  if (keyword->size() > static_cast<std::size_t>(KeywordCapacity - 1)) {
    std::fprintf(err, "tanzel-search: the keyword is %zu bytes in Shift-JIS; at most %d are allowed\n", keyword->size(),
                 KeywordCapacity - 1);
    return std::nullopt;
  }
  params.keyword = *keyword;
  if (args.town) {
    std::optional<std::string> pref = Convert("prefecture name", args.positional[0], err);
    std::optional<std::string> code = Convert("city code", args.positional[1], err);
    if (!pref || !code) return std::nullopt;
    params.prefName = *pref;
    params.cityCode = *code;
  }
  return params;
}

int ExitStatus(SearchNotice notice) {
  switch (notice) {
    case SearchNotice::FileMissing:
      return kSearchFileMissing;
    case SearchNotice::NoHit:
      return kSearchNoHit;
    case SearchNotice::EnterKeyword:
      return kSearchUsage;
    default:
      return kSearchHits;
  }
}

// `--data-info`: prints the EDITION record of `set` (its date, then the archives' sums);
// without a record, says so and returns 3.
int PrintDataInfo(const DataSet& set, std::FILE* out, std::FILE* err) {
  const std::optional<EditionRecord>& edition = set.Edition();
  if (!edition) {
    std::fprintf(err,
                 "tanzel-search: %s holds no edition record (EDITION): its data files were made by an older "
                 "tanzel-import or are missing; import the archives again to record their date\n",
                 set.EditionFolder().c_str());
    return 3;
  }
  std::fputs(FormatEdition(*edition).c_str(), out);
  if (std::fflush(out) == 0 && !std::ferror(out)) return 0;
  std::fprintf(err, "tanzel-search: the output could not be written: %s\n", std::strerror(errno));
  return kSearchOutputError;
}

}  // namespace

int SearchCommand(int argc, const char* const argv[], std::FILE* in, std::FILE* out, std::FILE* err) {
  if (WantsCsvList(argc, argv)) return ResolveCsvCommand(argc, argv, DataSet::OpenInUse(ExecutableFolder()), out, err);
  SearchArgs args;
  if (!ParseArgs(argc, argv, args, err)) return kSearchUsage;
  if (args.help) {
    std::fputs(kUsage, out);
    return std::fflush(out) == 0 && !std::ferror(out) ? kSearchHits : kSearchOutputError;
  }
  // One edition for all this command reads, whatever imports run meanwhile.
  std::shared_ptr<const DataSet> set =
      args.folder.empty() ? DataSet::OpenInUse(ExecutableFolder()) : DataSet::Open(WithSlash(args.folder));
  if (args.dataInfo) return PrintDataInfo(*set, out, err);
  if (args.resolve)
    return ResolveAddresses(*set, args.positional, args.json ? ResolveFormat::Json : ResolveFormat::Columns, in, out,
                            err);
  std::optional<SearchParams> params = MakeParams(args, err);
  if (!params) return kSearchUsage;

  std::atomic<int32_t> hitCount{0};
  std::atomic<uint8_t> cancel{0};
  PrintSink sink(out, err, cancel);
  std::unique_ptr<SearchScratch> scratch(new SearchScratch);
  SearchNotice notice = RunKeywordSearch(KeywordSearch(*params), *set, *scratch, hitCount, cancel, sink);
  if (std::fflush(out) != 0 || std::ferror(out)) {
    std::fputs("tanzel-search: the output could not be written\n", err);
    return kSearchOutputError;
  }
  RelayCode code = RelayCodeOf(notice);
  if (const char* text = code.kind != 0 ? RelayText(code.kind, code.index) : nullptr) {
    std::string line = SjisToUtf8(text) + "\n";
    std::fwrite(line.data(), 1, line.size(), err);
  }
  std::string removed = notice == SearchNotice::NoHit ? RemovedCodeOf(*set, params->keyword).notice : std::string();
  if (!removed.empty()) std::fprintf(err, "%s\n", SjisToUtf8(removed).c_str());
  return ExitStatus(notice);
}

}  // namespace tanzel
