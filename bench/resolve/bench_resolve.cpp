// Address resolution on the real data: the time and memory to build the index, and how many
// addresses one core resolves per second.
//
//   bench-resolve [DATADIR] [RUNS]
//
// DATADIR defaults to $TANZEL_TEST_DATA, then to the folder of this program. The addresses
// are made from the data itself: every address record written with block numbers, and every
// office's address; resolved in the data's order (neighbours share their city and town, as
// in a sorted list), and shuffled (as a list in any order, or a service, hands them over).

#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "common/Process.h"
#include "core/data/DataFile.h"
#include "core/resolve/AddressIndex.h"
#include "core/resolve/Resolver.h"

using namespace tanzel;

namespace {

double ThreadSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

long ResidentKilobytes() {
  std::ifstream status("/proc/self/status");
  std::string key;
  while (status >> key) {
    if (key == "VmRSS:") {
      long kb = 0;
      status >> kb;
      return kb;
    }
    status.ignore(1 << 20, '\n');
  }
  return 0;
}

std::vector<std::string> Addresses(const AddressIndex& index) {
  std::vector<std::string> out;
  const char* blocks[] = {"1-2-3", "\x82\x51\x92\x9a\x96\xda\x82\x52\x94\xd4\x82\x54\x8d\x86", "12\x94\xd4\x92\x6e"};
  std::size_t i = 0;
  for (const AddressIndex::Town& t : index.Towns()) {
    const AddressIndex::City& c = index.Cities()[t.city];
    out.push_back(std::string(index.PrefKanji(c.pref)) + std::string(index.Text(c.kanji, c.kanjiLength)) +
                  std::string(index.Text(t.kanji, t.kanjiLength)) + blocks[i++ % 3]);
  }
  for (const AddressIndex::Office& o : index.Offices()) {
    if (o.city == AddressIndex::kNoCity) continue;
    const AddressIndex::City& c = index.Cities()[o.city];
    uint32_t town = o.fields + o.lengths[0] + o.lengths[1];
    out.push_back(std::string(index.PrefKanji(c.pref)) + std::string(index.Text(c.kanji, c.kanjiLength)) +
                  std::string(index.Text(town, o.lengths[2] + o.lengths[3])));
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  std::string folder = bench::DataFolderArgument(argc, argv);
  int runs = bench::RunsArgument(argc, argv, 9);

  std::vector<double> wall, cpu;
  long before = ResidentKilobytes();
  long grown = 0;
  std::unique_ptr<AddressIndex> index;
  for (int i = 0; i < runs; ++i) {
    index.reset();
    long start = ResidentKilobytes();
    auto t0 = std::chrono::steady_clock::now();
    double c0 = ThreadSeconds();
    std::string error;
    index = AddressIndex::Build(folder, error);
    if (!index) {
      std::fprintf(stderr, "bench-resolve: %s%s cannot be read\n", folder.c_str(), error.c_str());
      return 1;
    }
    cpu.push_back((ThreadSeconds() - c0) * 1000);
    wall.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
    grown = std::max(grown, ResidentKilobytes() - start);
  }
  std::printf("index build: median %.1f ms wall, %.1f ms on the core, over %d runs (target: at most 150 ms)\n",
              bench::Median(wall), bench::Median(cpu), runs);
  std::printf(
      "index size: %.1f MiB held, resident set grew %.1f MiB (process %.1f MiB before) (target: at most 30 MiB)\n",
      static_cast<double>(index->Bytes()) / (1 << 20), static_cast<double>(grown) / 1024,
      static_cast<double>(before) / 1024);

  std::vector<std::string> addresses = Addresses(*index);
  auto rate = [&](const std::vector<std::string>& list, std::size_t& resolved) {
    std::vector<double> rates;
    for (int i = 0; i < std::max(1, runs / 3); ++i) {
      resolved = 0;
      double c0 = ThreadSeconds();
      for (const std::string& a : list) resolved += !Resolve(*index, a).empty();
      rates.push_back(static_cast<double>(list.size()) / (ThreadSeconds() - c0));
    }
    return bench::Median(rates);
  };
  std::size_t resolved = 0;
  double inOrder = rate(addresses, resolved);
  std::printf(
      "resolution: %zu addresses, %zu resolved, median %.0f addresses per second on one core "
      "(target: at least 500000)\n",
      addresses.size(), resolved, inOrder);
  std::vector<std::string> shuffled = addresses;
  std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(20261210));
  double random = rate(shuffled, resolved);
  std::printf("resolution in random order: %zu resolved, median %.0f addresses per second on one core\n", resolved,
              random);
  return bench::Median(wall) <= 150 && inOrder >= 500000 ? 0 : 1;
}
