// A customer list of 100,000 rows made from the real data, resolved and written by
// tanzel-search --resolve --list: wall time and peak memory, median over several runs; as
// CSV (the target), and as an Excel workbook read and written (.xlsx to .xlsx).
//
//   bench-lists [DATADIR] [RUNS] [ROWS]
//
// DATADIR defaults to $TANZEL_TEST_DATA, then to the folder of this program; tanzel-search
// is the one beside this program.

#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "common/Process.h"
#include "core/lists/Csv.h"
#include "core/lists/UserFile.h"
#include "core/lists/Workbook.h"
#include "core/resolve/AddressIndex.h"
#include "core/text/SjisText.h"
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
  // The same list as a workbook.
  const std::string workbook = std::string(dir) + "/customers.xlsx";
  {
    std::string error;
    tanzel::WriteUserFile(
        workbook,
        [&](std::FILE* file) {
          tanzel::WorkbookWriter writer(file);
          tanzel::CsvReader reader(list, ',');
          std::vector<std::string> fields;
          while (reader.Next(fields)) {
            for (std::string& f : fields) f = tanzel::SjisToUtf8(f);
            if (!writer.Row(fields)) return false;
          }
          return writer.Finish();
        },
        error);
  }
  auto measure = [&](const std::string& in, const std::string& out, const char* what, double target) {
    std::vector<double> times;
    long peak = 0;
    int status = -1;
    for (int i = 0; i < runs; ++i) {
      bench::ProcessRun run = bench::RunProcess(
          {bench::OwnFolder() + "tanzel-search", "--data", folder, "--resolve", "--list", in, "--out", out}, {});
      times.push_back(run.milliseconds);
      peak = std::max(peak, run.peakKilobytes);
      status = run.status;
    }
    std::printf("list of %zu rows (%.1f MiB) %s: median %.0f ms over %d runs, peak %.1f MiB, exit %d%s\n", rows,
                static_cast<double>(list.size()) / (1 << 20), what, bench::Median(times), runs,
                static_cast<double>(peak) / 1024, status, target > 0 ? " (target: under 2000 ms)" : "");
    return bench::Median(times);
  };
  const double csv = measure(input, output, "tanzel-search --resolve --list, CSV", 2000);
  measure(workbook, std::string(dir) + "/resolved.xlsx", "as a workbook, .xlsx to .xlsx", 0);
  std::filesystem::remove_all(dir);
  return csv < 2000 ? 0 : 1;
}
