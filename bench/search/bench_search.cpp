// Times keyword searches over the real data files against grep over the same files, in
// two ways:
//  1. in process: the search engine alone, run after run on one scratch;
//  2. process to process: tanzel-search against `LC_ALL=C grep -F -c`, in paired runs
//     (each tanzel-search run followed by a grep run), with tanzel-search's peak memory.
//
//   bench-search [DATADIR] [RUNS]
//
// DATADIR defaults to $TANZEL_TEST_DATA, then to the folder of this program.

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "common/Process.h"
#include "core/data/DataFile.h"
#include "core/search/SearchEngine.h"
#include "core/text/SjisText.h"

using namespace tanzel;

namespace {

constexpr char kNoHit[] = "存在しない地名";
// Found in neither pass, and its data form differs: the tolerant pass runs too.
constexpr char kNoHitTwoPasses[] = "そんざいしないちめい";
constexpr char kFewHits[] = "千代田";
constexpr char kLimit[] = "町";
// No hit either, but made of the most frequent bytes of the data: the prefilter's worst case.
constexpr char kCommonBytes[] = "ウウウウウウ";

using Clock = std::chrono::steady_clock;

class CountSink : public SearchSink {
 public:
  void Row(int, const ResultRow&) override { ++rows; }
  int rows = 0;
};

const std::vector<std::string> kGrepEnv = {"LC_ALL=C", "PATH=/usr/bin:/bin"};

bench::ProcessRun Grep(const std::string& sjisKeyword, const std::vector<std::string>& files) {
  std::vector<std::string> args = {"grep", "-F", "-c", "-e", sjisKeyword};
  args.insert(args.end(), files.begin(), files.end());
  return bench::RunProcess(args, kGrepEnv);
}

void InProcess(const std::string& folder, const std::vector<std::string>& files, int runs) {
  std::unique_ptr<SearchScratch> scratch(new SearchScratch);
  std::shared_ptr<const DataSet> data = DataSet::Open(folder);
  std::printf("in process: the search engine against grep\n");
  std::printf("%-16s %8s %12s %12s %8s\n", "keyword", "hits", "search ms", "grep ms", "ratio");
  for (const char* keyword : {kNoHit, kNoHitTwoPasses, kCommonBytes, kFewHits, kLimit}) {
    SearchParams params;
    params.keyword = Utf8ToSjis(keyword).value_or("");
    const KeywordSearch query(params);
    std::vector<double> search, grep;
    int hits = 0;
    for (int i = 0; i < runs; ++i) {
      std::atomic<int32_t> hitCount{0};
      std::atomic<uint8_t> cancel{0};
      CountSink sink;
      auto start = Clock::now();
      RunKeywordSearch(query, *data, *scratch, hitCount, cancel, sink);
      search.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
      hits = hitCount.load();
      grep.push_back(Grep(params.keyword, files).milliseconds);
    }
    double s = bench::Median(search), g = bench::Median(grep);
    std::printf("%-16s %8d %12.2f %12.2f %8.2f\n", keyword, hits, s, g, g > 0 ? s / g : 0);
  }
}

// Returns whether the no-hit keywords meet their targets.
bool ProcessToProcess(const std::string& folder, const std::vector<std::string>& files, int runs) {
  std::string program = bench::OwnFolder() + "tanzel-search";
  if (access(program.c_str(), X_OK) != 0) {
    std::printf("process to process: %s is missing, skipped\n", program.c_str());
    return true;
  }
  std::printf("\nprocess to process: tanzel-search against LC_ALL=C grep -F -c, %d paired runs\n", runs);
  std::printf("%-16s %12s %12s %8s %10s\n", "keyword", "search ms", "grep ms", "ratio", "peak KiB");
  double noHitRatio = 0, twoPassRatio = 0;
  for (const char* keyword : {kNoHit, kNoHitTwoPasses, kCommonBytes}) {
    std::string sjis = Utf8ToSjis(keyword).value_or("");
    std::vector<double> search, grep, ratio;
    long peak = 0;
    for (int i = 0; i < runs; ++i) {
      bench::ProcessRun s = bench::RunProcess({program, "--data", folder, keyword}, {"LANG=C.UTF-8"});
      bench::ProcessRun g = Grep(sjis, files);
      search.push_back(s.milliseconds);
      grep.push_back(g.milliseconds);
      ratio.push_back(g.milliseconds > 0 ? s.milliseconds / g.milliseconds : 0);
      peak = std::max(peak, s.peakKilobytes);
    }
    double r = bench::Median(ratio);
    if (keyword == kNoHit) noHitRatio = r;
    if (keyword == kNoHitTwoPasses) twoPassRatio = r;
    std::printf("%-16s %12.2f %12.2f %8.2f %10ld\n", keyword, bench::Median(search), bench::Median(grep), r, peak);
  }
  std::printf("no-hit tanzel-search / grep = %.2f (median of paired ratios; target: at most 1)\n", noHitRatio);
  std::printf("no hit in either pass / grep = %.2f (target: at most 1.5)\n", twoPassRatio);
  return noHitRatio <= 1.0 && twoPassRatio <= 1.5;
}

}  // namespace

int main(int argc, char** argv) {
  std::string folder = bench::DataFolderArgument(argc, argv);
  int runs = bench::RunsArgument(argc, argv, 15);

  std::vector<std::string> files;
  for (DataKind kind : {DataKind::Ken, DataKind::Jig}) {
    for (int pref = 1; pref <= PrefectureCount; ++pref) {
      char name[FileNameCapacity];
      DataFileName(name, folder.c_str(), kind, pref);
      if (access(name, R_OK) != 0) {
        std::fprintf(stderr, "bench-search: %s is missing\n", name);
        return 1;
      }
      files.push_back(name);
    }
  }
  InProcess(folder, files, runs);
  return ProcessToProcess(folder, files, runs) ? 0 : 1;
}
