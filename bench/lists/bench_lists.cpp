// A customer list of 100,000 rows made from the real data, resolved and written by
// tanzel-search --resolve --csv: wall time and peak memory, median over several runs.
//
//   bench-lists [DATADIR] [RUNS] [ROWS]
//
// DATADIR defaults to $TANZEL_TEST_DATA, then to the folder of this program; tanzel-search
// is the one beside this program.

#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "common/Process.h"
#include "core/resolve/AddressIndex.h"
#include "lists/ListMaker.h"

int main(int argc, char** argv) {
  const std::string folder = bench::DataFolderArgument(argc, argv);
  const int runs = bench::RunsArgument(argc, argv, 5);
  const std::size_t rows = argc > 3 ? std::strtoul(argv[3], nullptr, 10) : 100000;
  std::string error;
  std::unique_ptr<tanzel::AddressIndex> index = tanzel::AddressIndex::Build(folder, error);
  if (!index) {
    std::fprintf(stderr, "bench-lists: %s%s cannot be read\n", folder.c_str(), error.c_str());
    return 1;
  }
  char dir[] = "/tmp/bench-lists-XXXXXX";
  if (!::mkdtemp(dir)) return 1;
  const std::string input = std::string(dir) + "/customers.csv", output = std::string(dir) + "/resolved.csv";
  const std::string list = bench::MakeCustomerList(*index, rows);
  std::ofstream(input, std::ios::binary) << list;
  std::vector<double> times;
  long peak = 0;
  int status = -1;
  for (int i = 0; i < runs; ++i) {
    bench::ProcessRun run = bench::RunProcess(
        {bench::OwnFolder() + "tanzel-search", "--data", folder, "--resolve", "--csv", input, "--out", output}, {});
    times.push_back(run.milliseconds);
    peak = std::max(peak, run.peakKilobytes);
    status = run.status;
  }
  std::printf(
      "list of %zu rows (%.1f MiB): tanzel-search --resolve --csv: median %.0f ms over %d runs, peak %.1f MiB, "
      "exit %d (target: under 2000 ms)\n",
      rows, static_cast<double>(list.size()) / (1 << 20), bench::Median(times), runs, static_cast<double>(peak) / 1024,
      status);
  std::printf("files kept in %s\n", dir);
  return bench::Median(times) < 2000 ? 0 : 1;
}
