// Times the whole import of Japan Post's archives (read, check, join, order, write and sync
// a new edition, put it in use) into a scratch folder, several runs of each address
// archive, and prints the median.
//
//   bench-import [ARCHIVEDIR] [RUNS]
//
// ARCHIVEDIR defaults to $TANZEL_JAPANPOST_DIR, then to the folder given at configure time.
// The target is under 2 seconds for ken_all.zip + jigyosyo.zip on a Release build.

#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/import/Importer.h"

using namespace tanzel;

namespace {

// The folder and everything in it (the editions, their links).
void RemoveFolder(const std::string& folder) {
  auto remove = [](const char* path, const struct stat*, int, FTW*) {
    std::remove(path);
    return 0;
  };
  nftw(folder.c_str(), remove, 16, FTW_DEPTH | FTW_PHYS);
}

bool Exists(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0;
}

}  // namespace

int main(int argc, char* argv[]) {
  std::string archives = argc > 1 ? argv[1] : "";
  if (archives.empty() && std::getenv("TANZEL_JAPANPOST_DIR")) archives = std::getenv("TANZEL_JAPANPOST_DIR");
  if (archives.empty()) archives = TANZEL_JAPANPOST_DIR;
  int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 7;
  if (archives.empty() || !Exists(archives + "/jigyosyo.zip")) {
    std::fprintf(stderr, "bench-import: no Japan Post archives (give ARCHIVEDIR or set TANZEL_JAPANPOST_DIR)\n");
    return 1;
  }
  char scratch[] = "/tmp/bench_import.XXXXXX";
  if (mkdtemp(scratch) == nullptr) {
    std::perror("bench-import: mkdtemp");
    return 1;
  }
  std::string out = std::string(scratch) + "/bin";
  int status = 0;
  for (const char* ken : {"ken_all.zip", "utf_ken_all.zip"}) {
    std::string kenPath = archives + "/" + ken;
    if (!Exists(kenPath)) continue;
    std::vector<double> seconds;
    ImportSummary summary;
    for (int i = 0; i < runs; ++i) {
      std::string error;
      auto start = std::chrono::steady_clock::now();
      if (!RunImport({kenPath, archives + "/jigyosyo.zip", out}, summary, error)) {
        std::fprintf(stderr, "bench-import: %s\n", error.c_str());
        status = 1;
        break;
      }
      seconds.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    if (seconds.empty()) continue;
    std::vector<double> sorted = seconds;
    std::sort(sorted.begin(), sorted.end());
    double median = sorted[sorted.size() / 2];
    long over = 0;
    for (long n : summary.ken.overCapacity) over += n;
    for (long n : summary.jig.overCapacity) over += n;
    std::printf("%s + jigyosyo.zip: %ld+%ld lines read, %ld+%ld records written, %d files, %ld fields over capacity\n",
                ken, summary.ken.sourceLines, summary.jig.sourceLines, summary.ken.records, summary.jig.records,
                summary.filesWritten, over);
    std::printf("  %d runs: median %.3f s, min %.3f s, max %.3f s (target < 2 s)\n", static_cast<int>(seconds.size()),
                median, sorted.front(), sorted.back());
    if (median >= 2.0) status = 2;
  }
  RemoveFolder(out);
  rmdir(scratch);
  return status;
}
