// The list window on a customer list of 100,000 rows made from the real data: the time from
// opening the file to the saved list (read, resolved and written on the window's worker), the
// longest the window's event loop went without turning, and the peak memory of the process.
//
//   bench-lists-window [DATADIR] [RUNS] [LIST]
//
// Without LIST it makes the list (bench-lists' rows) and runs itself on it, so that the
// process measured holds nothing but the window. The first run builds the address index;
// the others find it built. It prints its figures on standard error.

#include <sys/resource.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTableView>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/Process.h"
#include "core/data/DataSet.h"
#include "core/resolve/AddressIndex.h"
#include "forms/lists/AddressListDialog.h"
#include "lists/ListMaker.h"

namespace {

// Makes the list and runs this program on it; returns its exit status.
int MakeAndRun(char** argv, const std::string& folder, int runs) {
  std::string error;
  std::unique_ptr<tanzel::AddressIndex> index = tanzel::AddressIndex::Build(folder, error);
  if (!index) {
    std::fprintf(stderr, "bench-lists-window: %s%s cannot be read\n", folder.c_str(), error.c_str());
    return 1;
  }
  char dir[] = "/tmp/bench-lists-window-XXXXXX";
  if (!::mkdtemp(dir)) return 1;
  const std::string list = std::string(dir) + "/customers.csv";
  std::ofstream(list, std::ios::binary) << bench::MakeCustomerList(*index, 100000);
  index.reset();
  const std::string self = bench::OwnFolder() + "bench-lists-window";
  const std::string command =
      "QT_QPA_PLATFORM=offscreen '" + self + "' '" + folder + "' " + std::to_string(runs) + " '" + list + "'";
  (void)argv;
  const int status = std::system(command.c_str());
  std::filesystem::remove_all(dir);
  return status == 0 ? 0 : 1;
}

// Turns the event loop until `done` (a 10 ms timer notes how long each turn took).
void Wait(const std::function<bool()>& done) {
  while (!done()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

}  // namespace

int main(int argc, char** argv) {
  const std::string folder = bench::DataFolderArgument(argc, argv);
  const int runs = bench::RunsArgument(argc, argv, 5);
  if (argc < 4) return MakeAndRun(argv, folder, runs);
  const QString list = QString::fromLocal8Bit(argv[3]);
  const QString saved = list + QStringLiteral(".resolved.csv");

  QApplication app(argc, argv);
  QElapsedTimer sinceTick;
  qint64 longest = 0;
  bool measuring = false;
  QTimer ticker;
  ticker.setTimerType(Qt::PreciseTimer);
  ticker.setInterval(10);
  QObject::connect(&ticker, &QTimer::timeout, [&] {
    if (measuring) longest = std::max(longest, sinceTick.elapsed() - 10);
    sinceTick.restart();
  });
  sinceTick.start();
  ticker.start();

  // One set for all runs: its address index is built by the first.
  const std::shared_ptr<const tanzel::DataSet> data = tanzel::DataSet::OpenInUse(folder);
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    std::remove(saved.toLocal8Bit().constData());
    auto dialog = std::make_unique<AddressListDialog>([data] { return data; });
    dialog->show();
    auto* table = dialog->findChild<QTableView*>(QStringLiteral("table"));
    Wait([] { return true; });
    measuring = true;
    sinceTick.restart();
    QElapsedTimer clock;
    clock.start();
    dialog->OpenFile(list);
    Wait([&] { return !dialog->Busy() && table->model()->rowCount() > 0; });
    dialog->Resolve();
    Wait([&] { return !dialog->Busy(); });
    dialog->SaveTo(saved, tanzel::TextEncoding::Cp932);
    Wait([&] { return !dialog->Busy(); });
    times.push_back(static_cast<double>(clock.elapsed()));
    measuring = false;
    if (i == 0)
      std::fprintf(stderr, "first run (index built): %.0f ms; %s\n", times[0], qPrintable(dialog->SummaryText()));
  }
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::fprintf(
      stderr,
      "list window, 100,000 rows opened, resolved and saved: median %.0f ms over %d runs (target: under 3000 ms); "
      "longest event-loop stall %lld ms (target: under 100 ms); peak resident %.1f MiB (target: under 200 MiB)\n",
      bench::Median(times), runs, static_cast<long long>(longest), static_cast<double>(usage.ru_maxrss) / 1024);
  return bench::Median(times) < 3000 && longest < 100 && usage.ru_maxrss < 200 * 1024 ? 0 : 1;
}
