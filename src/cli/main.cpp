// tanzel-search: the keyword search from the command line, on the same engine as the
// search window. Prints one line per hit (the five cells of the result row, TAB-separated,
// UTF-8), then the end-of-search notice on standard error.
//
//   tanzel-search [--data DIR] KEYWORD
//   tanzel-search [--data DIR] --town PREFNAME CITYCODE KEYWORD

#include <atomic>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "app/RelayTexts.h"
#include "data/DataFile.h"
#include "data/SjisText.h"
#include "search/SearchEngine.h"

namespace {

enum Exit { kHits = 0, kNoHit = 1, kUsage = 2, kFileMissing = 3 };

void Usage() {
  std::fputs(
      "usage: tanzel-search [--data DIR] KEYWORD\n"
      "       tanzel-search [--data DIR] --town PREFNAME CITYCODE KEYWORD\n"
      "Searches the postal data files in DIR (default: the folder of this program).\n",
      stderr);
}

class PrintSink : public SearchSink {
 public:
  void Row(int, const ResultRow& row) override {
    line_.clear();
    for (int c = 0; c < 5; ++c) {
      if (c > 0) line_ += '\t';
      line_ += SjisToUtf8(row.Cell(c));
    }
    line_ += '\n';
    std::fwrite(line_.data(), 1, line_.size(), stdout);
  }

 private:
  std::string line_;
};

// A UTF-8 argument as Shift-JIS; prints why when it cannot be converted.
std::optional<std::string> Convert(const char* what, const char* utf8) {
  std::optional<std::string> sjis = Utf8ToSjis(utf8);
  if (!sjis) std::fprintf(stderr, "tanzel-search: the %s holds a character Shift-JIS cannot represent\n", what);
  return sjis;
}

}  // namespace

int main(int argc, char** argv) {
  std::string folder;
  bool town = false;
  std::vector<const char*> positional;
  bool options = true;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (options && arg == "--") {
      options = false;
    } else if (options && (arg == "-h" || arg == "--help")) {
      Usage();
      return kUsage;
    } else if (options && arg == "--data") {
      if (++i >= argc) {
        std::fputs("tanzel-search: --data needs a folder\n", stderr);
        Usage();
        return kUsage;
      }
      folder = argv[i];
    } else if (options && arg == "--town") {
      town = true;
    } else if (options && arg.size() > 2 && arg.compare(0, 2, "--") == 0) {
      std::fprintf(stderr, "tanzel-search: unknown option %s\n", argv[i]);
      Usage();
      return kUsage;
    } else {
      positional.push_back(argv[i]);
    }
  }
  std::size_t wanted = town ? 3 : 1;
  if (positional.size() != wanted) {
    std::fprintf(stderr, "tanzel-search: expected %s\n",
                 town ? "PREFNAME CITYCODE KEYWORD after --town" : "one KEYWORD");
    Usage();
    return kUsage;
  }

  SearchParams params;
  params.mode = town ? SearchMode::Town : SearchMode::Keyword;
  if (folder.empty()) {
    params.folder = ExecutableFolder();
  } else {
    params.folder = folder;
    if (params.folder.back() != '/') params.folder += '/';
  }
  const char* keywordArg = positional.back();
  if (keywordArg[0] == '\0') {
    std::fputs("tanzel-search: the keyword is empty\n", stderr);
    return kUsage;
  }
  std::optional<std::string> keyword = Convert("keyword", keywordArg);
  if (!keyword) return kUsage;
  if (keyword->size() > static_cast<std::size_t>(KeywordCapacity - 1)) {
    std::fprintf(stderr, "tanzel-search: the keyword is %zu bytes in Shift-JIS; at most %d are allowed\n",
                 keyword->size(), KeywordCapacity - 1);
    return kUsage;
  }
  params.keyword = *keyword;
  if (town) {
    std::optional<std::string> pref = Convert("prefecture name", positional[0]);
    std::optional<std::string> code = Convert("city code", positional[1]);
    if (!pref || !code) return kUsage;
    params.prefName = *pref;
    params.cityCode = *code;
  }

  SearchEngine engine;
  std::atomic<int32_t> hitCount{0};
  std::atomic<uint8_t> cancel{0};
  PrintSink sink;
  SearchNotice notice = engine.Run(params, hitCount, cancel, sink);
  std::fflush(stdout);
  RelayCode code = RelayCodeOf(notice);
  if (const char* text = code.kind != 0 ? RelayText(code.kind, code.index) : nullptr) {
    std::string line = SjisToUtf8(text) + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
  }
  switch (notice) {
    case SearchNotice::FileMissing:
      return kFileMissing;
    case SearchNotice::NoHit:
      return kNoHit;
    case SearchNotice::EnterKeyword:
      return kUsage;
    default:
      return kHits;
  }
}
