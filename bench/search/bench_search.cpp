// Times full keyword searches over the real data files and, in the same run, grep over the
// same files with the same keyword:
//   bench-search [DATADIR] [RUNS]
// DATADIR defaults to $TANZEL_TEST_DATA, then to the folder of this program.

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "data/DataFile.h"
#include "data/SjisText.h"
#include "search/SearchEngine.h"

extern char** environ;

namespace {

constexpr char kNoHit[] = "\x91\xb6\x8d\xdd\x82\xb5\x82\xc8\x82\xa2\x92n\x96\xbc";  // 存在しない地名
constexpr char kFewHits[] =
    "\x90\xe7\x91\xe3\x93"
    "c";                               // 千代田
constexpr char kLimit[] = "\x92\xac";  // 町
// No hit either, but made of the most frequent bytes of the data: the prefilter's worst case.
constexpr char kCommonBytes[] = "\x83\x45\x83\x45\x83\x45\x83\x45\x83\x45\x83\x45";  // ウウウウウウ

using Clock = std::chrono::steady_clock;

class CountSink : public SearchSink {
 public:
  void Row(int, const ResultRow&) override { ++rows; }
  int rows = 0;
};

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// One grep over all data files; wall time in milliseconds, -1 when it could not run.
double TimeGrep(const std::string& keyword, const std::vector<std::string>& files) {
  std::vector<std::string> args = {"grep", "-F", "-c", "-e", keyword};
  args.insert(args.end(), files.begin(), files.end());
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::vector<std::string> env = {"LC_ALL=C", "PATH=/usr/bin:/bin"};
  std::vector<char*> envp;
  for (std::string& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  auto start = Clock::now();
  pid_t pid;
  int rc = posix_spawnp(&pid, "grep", &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return -1;
  int status = 0;
  waitpid(pid, &status, 0);
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  std::string folder;
  if (argc > 1) {
    folder = argv[1];
  } else if (const char* env = std::getenv("TANZEL_TEST_DATA")) {
    folder = env;
  } else {
    folder = ExecutableFolder();
  }
  if (folder.back() != '/') folder += '/';
  int runs = argc > 2 ? std::atoi(argv[2]) : 15;
  if (runs < 1) runs = 1;

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

  SearchEngine engine;
  std::printf("hit tables: %zu bytes (KenHits + JigHits, allocated once)\n",
              sizeof(KenRecord) * TableCapacity + sizeof(JigRecord) * TableCapacity);
  std::printf("%-16s %8s %12s %12s %8s\n", "keyword", "hits", "search ms", "grep ms", "ratio");
  double noHitRatio = 0;
  for (const char* keyword : {kNoHit, kCommonBytes, kFewHits, kLimit}) {
    SearchParams params;
    params.keyword = keyword;
    params.folder = folder;
    std::vector<double> search, grep;
    int hits = 0;
    for (int i = 0; i < runs; ++i) {
      std::atomic<int32_t> hitCount{0};
      std::atomic<uint8_t> cancel{0};
      CountSink sink;
      auto start = Clock::now();
      engine.Run(params, hitCount, cancel, sink);
      search.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
      hits = hitCount.load();
      grep.push_back(TimeGrep(keyword, files));
    }
    double s = Median(search), g = Median(grep);
    double ratio = g > 0 ? s / g : 0;
    if (keyword == kNoHit) noHitRatio = ratio;
    std::string shown = SjisToUtf8(keyword);
    std::printf("%-16s %8d %12.2f %12.2f %8.2f\n", shown.c_str(), hits, s, g, ratio);
  }
  std::printf("no-hit search / grep = %.2f (target: at most 2)\n", noHitRatio);
  return noHitRatio <= 2.0 ? 0 : 1;
}
