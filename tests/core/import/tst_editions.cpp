// Editions of the data: the layout imports leave, how a reader resolves one edition, and the
// one-step swap under a failure at every step, under kills of the real tanzel-import at
// every step and at random moments, and with readers running while imports alternate two
// editions. The two editions differ in every file: A's towns and offices are named 甲町,
// B's 乙町.
#include <QTest>

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "core/data/Editions.h"
#include "core/data/Loaders.h"
#include "core/import/ArchiveSums.h"
#include "core/import/Importer.h"
#include "core/search/SearchEngine.h"
#include "support/DataLines.h"
#include "support/Process.h"
#include "support/Table.h"
#include "support/TempData.h"

using namespace tanzel;

namespace {

std::string Link(const std::string& path) {
  char target[4096];
  ssize_t n = readlink(path.c_str(), target, sizeof target);
  return n > 0 ? std::string(target, static_cast<std::size_t>(n)) : std::string();
}

std::vector<std::string> DataNames() {
  std::vector<std::string> names;
  for (int p = 1; p <= PrefectureCount; ++p) names.push_back(KenName(p));
  for (int p = 1; p <= PrefectureCount; ++p) names.push_back(JigName(p));
  return names;
}

// The two editions: their inputs, and the 94 files each gives.
struct Editions {
  TempData dir;
  std::map<char, std::vector<std::string>> files;
  std::string ken(char e) const { return dir.path(std::string("ken_") + e + ".csv"); }
  std::string jig(char e) const { return dir.path(std::string("jig_") + e + ".csv"); }
  // Imports edition `e` into the data folder `data` (RunImport): empty when it went through,
  // else why not. `summary`, when given, receives the import's summary.
  std::string Import(char e, const std::string& data, ImportSummary* summary = nullptr) const {
    ImportSummary ignored;
    std::string error;
    if (RunImport(PartialImport(ken(e), jig(e), data), summary ? *summary : ignored, error)) return {};
    return error.empty() ? std::string("the import failed") : error;
  }
};

// Which edition the 94 files read from `folder` (with its '/') are: 'A', 'B', or '?' for a
// mix, a missing file or anything else.
char EditionIn(const Editions& editions, const std::string& folder) {
  for (const auto& [edition, files] : editions.files) {
    std::size_t i = 0;
    for (const std::string& name : DataNames()) {
      bool found = false;
      if (FileBytes(folder + name, &found) != files[i] || !found) break;
      ++i;
    }
    if (i == files.size()) return edition;
  }
  return '?';
}

// The edition a reader finds in data folder `data`, through D/KENnn.CSV and through
// ResolveEditionFolder; '?' unless both show the same complete edition.
char Reachable(const Editions& editions, const std::string& data) {
  char direct = EditionIn(editions, data + "/");
  char resolved = EditionIn(editions, ResolveEditionFolder(data + "/"));
  return direct == resolved ? direct : '?';
}

// After a completed import: exactly the layout, with nothing a killed or failed import left.
bool Tidy(const std::string& data, std::string& why) {
  std::vector<std::string> expected = DataNames();
  expected.insert(expected.end(), {"current", "editions"});
  std::vector<std::string> kept{Link(data + "/current").substr(9)};
  if (!Link(data + "/previous").empty()) {
    expected.push_back("previous");
    kept.push_back(Link(data + "/previous").substr(9));
  }
  std::sort(expected.begin(), expected.end());
  std::sort(kept.begin(), kept.end());
  kept.erase(std::unique(kept.begin(), kept.end()), kept.end());
  why = "data folder";
  if (FolderEntries(data) != expected) return false;
  why = "editions";
  if (FolderEntries(data + "/editions") != kept) return false;
  for (const std::string& name : DataNames()) {
    why = name;
    if (Link(data + "/" + name) != "current/" + name) return false;
  }
  return true;
}

// Writes edition `e` as plain files (the flat layout of an installation) into `data`.
void WritePlain(const Editions& editions, char e, const std::string& data) {
  mkdir(data.c_str(), 0755);
  std::size_t i = 0;
  for (const std::string& name : DataNames())
    std::ofstream(data + "/" + name, std::ios::binary) << editions.files.at(e)[i++];
}

// Runs tanzel-import into `data` (the test-built one that stops itself at the commit step
// `stopAt` when that is > 0), killed after `killAfter` microseconds when that is >= 0
// (RunAndKill).
char RunImporter(const Editions& editions, char e, const std::string& data, int stopAt, long killAfter = -1) {
  std::vector<std::string> env;
  if (stopAt > 0) env.push_back("TANZEL_IMPORT_STOP_AT=" + std::to_string(stopAt));
  return RunAndKill({stopAt > 0 ? TANZEL_IMPORT_HOOKED_EXE : TANZEL_IMPORT_EXE, "--ken", editions.ken(e), "--jig",
                     editions.jig(e), "--partial", "--out", data},
                    env, killAfter);
}

// Calls `attempt` (which returns whether the import got through) for the steps of a
// commit: each of the first eight, every ninth after them, and each of the last eight
// (between them lie the links of the data names, alike but for their names). Returns the
// number of steps.
int ForCommitSteps(const std::function<bool(int)>& attempt) {
  int end = 1;
  while (!attempt(end)) end += end < 8 ? 1 : 9;
  for (int step = std::max(9, end - 8); step < end; ++step) {
    if ((step - 8) % 9 != 0 && attempt(step)) return step - 1;
  }
  return end - 1;
}

// Collects what a search found: the edition mark of every row.
class MarkSink : public SearchSink {
 public:
  explicit MarkSink(const std::string& a, const std::string& b) : a_(a), b_(b) {}
  void Row(int, const ResultRow& row) override {
    std::string kanji = row.Kanji;
    marks_ += kanji.find(a_) != std::string::npos ? 'A' : (kanji.find(b_) != std::string::npos ? 'B' : '?');
  }
  std::string marks_;

 private:
  std::string a_;
  std::string b_;
};

}  // namespace

class TestEditions : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void initTestCase();
  void resolveEditionFolder_data();
  void resolveEditionFolder();
  void layoutOfImports();
  void secondImportWaits();
  void plainCurrentRefused();
  void cleanUpTouchesOnlyItsOwn_data();
  void cleanUpTouchesOnlyItsOwn();
  void interruptedAtEveryStep_data();
  void interruptedAtEveryStep();
  void killAtRandomMoments();
  void readersNeverSeeAMix();

 private:
  Editions editions_;
};

void TestEditions::initTestCase() {
  for (char e : {'A', 'B'}) {
    std::string mark = e == 'A' ? "甲町" : "乙町";
    QVERIFY(editions_.dir.write(std::string("ken_") + e + ".csv", WithEveryPrefecture(DataKind::Ken, "", mark)));
    QVERIFY(editions_.dir.write(std::string("jig_") + e + ".csv", WithEveryPrefecture(DataKind::Jig, "", mark)));
    std::string reference = editions_.dir.path(std::string("reference_") + e);
    QCOMPARE(editions_.Import(e, reference), std::string());
    for (const std::string& name : DataNames()) editions_.files[e].push_back(FileBytes(reference + "/" + name));
  }
  QVERIFY(editions_.files['A'] != editions_.files['B']);
}

void TestEditions::resolveEditionFolder_data() {
  Columns<QString, QString, QString>("link",       // the target of D/current; empty: none
                                     "given",      // the folder as given, relative to D's parent
                                     "expected");  // "D/" stands for D's real path
  QTest::newRow("flat layout") << QString() << QStringLiteral("D/") << QStringLiteral("<given>");
  QTest::newRow("flat, no slash") << QString() << QStringLiteral("D") << QStringLiteral("<given>");
  QTest::newRow("edition") << QStringLiteral("editions/7") << QStringLiteral("D/") << QStringLiteral("D/editions/7/");
  QTest::newRow("trailing slash") << QStringLiteral("editions/7/") << QStringLiteral("D")
                                  << QStringLiteral("D/editions/7/");
  QTest::newRow("through a linked folder")
      << QStringLiteral("editions/7") << QStringLiteral("L/") << QStringLiteral("D/editions/7/");
  QTest::newRow("absolute") << QStringLiteral("/srv/tanzel/7") << QStringLiteral("D/")
                            << QStringLiteral("/srv/tanzel/7/");
}

void TestEditions::resolveEditionFolder() {
  QFETCH(QString, link);
  QFETCH(QString, given);
  QFETCH(QString, expected);
  TempData dir;
  std::string real = dir.path("D");
  QCOMPARE(mkdir(real.c_str(), 0755), 0);
  QCOMPARE(symlink("D", dir.path("L").c_str()), 0);
  if (!link.isEmpty()) QCOMPARE(symlink(link.toStdString().c_str(), (real + "/current").c_str()), 0);
  char resolved[4096];
  QVERIFY(realpath(real.c_str(), resolved) != nullptr);
  std::string folder = dir.path(given.toStdString());
  std::string want = expected == QStringLiteral("<given>") ? folder : expected.toStdString();
  if (want.compare(0, 2, "D/") == 0) want = std::string(resolved) + want.substr(1);
  QCOMPARE(ResolveEditionFolder(folder), want);
}

void TestEditions::layoutOfImports() {
  TempData dir;
  std::string data = dir.path("data");
  ImportSummary summary;
  std::string error;
  std::string why;
  std::vector<std::string> ids;
  // 1: into a new folder; 2: with an extra file; 3: after a killed import's leftovers.
  for (int i = 1; i <= 3; ++i) {
    char e = i == 2 ? 'B' : 'A';
    ImportOptions options = PartialImport(editions_.ken(e), editions_.jig(e), data);
    if (i == 2) options.extraFiles = {{"REMOVED", "2026-05-26\n"}, {"NOTES", ""}};
    if (i == 3) {
      QCOMPARE(mkdir((data + "/editions/.staging-x1Yz2a").c_str(), 0755), 0);
      QVERIFY(dir.write("data/editions/.staging-x1Yz2a/KEN01.CSV", "half"));
      QVERIFY(dir.write(std::string("data/editions/.staging-x1Yz2a/") + kOwnFolderMarker, ""));
      QCOMPARE(mkdir((data + "/editions/20000101-000000-99").c_str(), 0755), 0);
      QCOMPARE(symlink("editions/nowhere", (data + "/.current.new").c_str()), 0);
      QCOMPARE(symlink("current/KEN01.CSV", (data + "/.KEN01.CSV.new").c_str()), 0);
    }
    QVERIFY2(RunImport(options, summary, error), error.c_str());
    char resolved[4096];
    QCOMPARE(summary.outDir, std::string(realpath(data.c_str(), resolved)));
    QCOMPARE(Link(data + "/current"), "editions/" + summary.edition);
    QCOMPARE(Link(data + "/previous"), i == 1 ? std::string() : "editions/" + ids.back());
    QVERIFY(std::find(ids.begin(), ids.end(), summary.edition) == ids.end());
    ids.push_back(summary.edition);
    QVERIFY2(Tidy(data, why), why.c_str());
    QCOMPARE(Reachable(editions_, data), e);
    // Every edition has its EDITION; the extra files belong to the edition they were written with.
    QVERIFY(ParseEdition(FileBytes(data + "/current/EDITION")).has_value());
    QCOMPARE(FileBytes(data + "/current/REMOVED"), std::string(i == 2 ? "2026-05-26\n" : ""));
    QCOMPARE(FolderEntries(data + "/current").size(), std::size_t{i == 2 ? 98u : 96u});  // with the marker
    // Readable by every user as the umask allows (the data of an installation is read by all).
    mode_t mask = umask(022);
    umask(mask);
    struct stat st {};
    QCOMPARE(stat((data + "/current").c_str(), &st), 0);
    QCOMPARE(st.st_mode & 0777, 0755 & ~mask);
  }
  QCOMPARE(EditionIn(editions_, data + "/previous/"), 'B');
}

void TestEditions::secondImportWaits() {
  TempData dir;
  std::string data = dir.path("data");
  QCOMPARE(editions_.Import('A', data), std::string());
  // An import in progress holds the lock on the editions folder.
  int held = open((data + "/editions").c_str(), O_RDONLY | O_DIRECTORY);
  QCOMPARE(flock(held, LOCK_EX | LOCK_NB), 0);
  std::string error = editions_.Import('B', data);
  QVERIFY2(error.find("another import into this folder is running") != std::string::npos, error.c_str());
  close(held);
  QCOMPARE(Reachable(editions_, data), 'A');
  QCOMPARE(editions_.Import('B', data), std::string());
  QCOMPARE(Reachable(editions_, data), 'B');
  // A real import stopped inside its commit holds the folder: a second one is refused, not run beside it.
  bool refused = false;
  int status = RunSignalledAtStop(
      {TANZEL_IMPORT_HOOKED_EXE, "--ken", editions_.ken('A'), "--jig", editions_.jig('A'), "--partial", "--out", data},
      {"TANZEL_IMPORT_STOP_AT=3"}, SIGKILL, {}, [&] {
        error = editions_.Import('A', data);
        refused = error.find("another import into this folder is running") != std::string::npos;
      });
  QCOMPARE(status, -1);  // stopped, then killed
  QVERIFY2(refused, error.c_str());
  QCOMPARE(Reachable(editions_, data), 'B');
}

// A `current` that is a plain folder (not the link an import makes) is refused, and the
// folder stays as it was.
void TestEditions::plainCurrentRefused() {
  TempData dir;
  std::string data = dir.path("data");
  WritePlain(editions_, 'A', data);
  QCOMPARE(mkdir((data + "/current").c_str(), 0755), 0);
  QVERIFY(dir.write("data/current/KEN01.CSV", "mine"));
  auto before = FolderSnapshot(data);
  std::string error = editions_.Import('B', data);
  QVERIFY2(error.find("current: not a symbolic link to an edition") != std::string::npos, error.c_str());
  QVERIFY(FolderSnapshot(data) == before);
}

void TestEditions::cleanUpTouchesOnlyItsOwn_data() {
  Columns<QString, bool>("entry",      // what is put into D/editions (or in its place) after a first import
                         "imported");  // the second import goes through
  QTest::newRow("a foreign folder") << QStringLiteral("notes") << true;
  QTest::newRow("an edition's name without the marker") << QStringLiteral("20000101-000000-7") << true;
  QTest::newRow("an edition's name, the marker a link") << QStringLiteral("20000101-000000-6") << true;
  QTest::newRow("a link to a marked folder") << QStringLiteral("20000101-000000-8") << true;
  QTest::newRow("editions a link") << QStringLiteral("editions") << false;
  // Empty folders whose names only look like the import's work folders.
  QTest::newRow("a staging name too short") << QStringLiteral(".staging-mine") << true;
  QTest::newRow("a staging name not letters") << QStringLiteral(".staging-ab-cde") << true;
}

// The clean-up removes only the folders the import made; it never follows a link: what it
// leaves alone survives byte for byte and is named in the summary; an editions folder that
// is a link is refused, its target untouched.
void TestEditions::cleanUpTouchesOnlyItsOwn() {
  QFETCH(QString, entry);
  QFETCH(bool, imported);
  TempData dir;
  std::string data = dir.path("data"), outside = dir.path("outside");
  QCOMPARE(editions_.Import('A', data), std::string());
  // Outside the data folder: a folder marked as the import marks its own.
  QCOMPARE(mkdir(outside.c_str(), 0755), 0);
  QCOMPARE(mkdir((outside + "/20000101-000000-9").c_str(), 0755), 0);
  QVERIFY(dir.write("outside/20000101-000000-9/KEN01.CSV", "kept"));
  QVERIFY(dir.write(std::string("outside/20000101-000000-9/") + kOwnFolderMarker, ""));
  std::string name = entry.toStdString(), at = data + "/editions/" + name;
  if (name == "notes") {
    QCOMPARE(mkdir(at.c_str(), 0755), 0);
    QVERIFY(dir.write("data/editions/notes/t.txt", "text"));
  } else if (name == "20000101-000000-7") {
    QCOMPARE(mkdir(at.c_str(), 0755), 0);
    QVERIFY(dir.write("data/editions/" + name + "/KEN01.CSV", "mine"));
  } else if (name == "20000101-000000-6") {
    QCOMPARE(mkdir(at.c_str(), 0755), 0);
    QVERIFY(dir.write("data/editions/" + name + "/KEN01.CSV", "mine"));
    QCOMPARE(
        symlink((outside + "/20000101-000000-9/" + kOwnFolderMarker).c_str(), (at + "/" + kOwnFolderMarker).c_str()),
        0);
  } else if (name == "20000101-000000-8") {
    QCOMPARE(symlink((outside + "/20000101-000000-9").c_str(), at.c_str()), 0);
  } else if (name.rfind(".staging-", 0) == 0) {
    QCOMPARE(mkdir(at.c_str(), 0755), 0);
  } else {
    // The editions folder moved outside, a link in its place.
    QCOMPARE(rename((data + "/editions").c_str(), (outside + "/editions").c_str()), 0);
    QCOMPARE(symlink((outside + "/editions").c_str(), (data + "/editions").c_str()), 0);
    QCOMPARE(symlink("../20000101-000000-9", (outside + "/editions/20000101-000000-9").c_str()), 0);
  }
  auto before = FolderSnapshot(outside);
  auto entryBefore = FolderSnapshot(imported ? at + "/" : outside);
  ImportSummary summary;
  std::string error = editions_.Import('B', data, &summary);
  QCOMPARE(error.empty(), imported);
  QVERIFY(FolderSnapshot(outside) == before);
  QVERIFY(FolderSnapshot(imported ? at + "/" : outside) == entryBefore);
  if (imported) {
    struct stat st {};
    QVERIFY(lstat(at.c_str(), &st) == 0);
    QCOMPARE(summary.leftAlone, std::vector<std::string>{name});
    QVERIFY2(FormatSummary(summary).find("(not made by tanzel-import): " + name + "\n") != std::string::npos,
             FormatSummary(summary).c_str());
    QCOMPARE(Reachable(editions_, data), 'B');
  } else {
    QVERIFY2(error.find("editions: is a symbolic link") != std::string::npos, error.c_str());
    QCOMPARE(Reachable(editions_, data), 'A');
  }
}

void TestEditions::interruptedAtEveryStep_data() {
  Columns<bool, bool>("plain",  // the old data as plain files, not yet an edition
                      "kill");  // the real tanzel-import stopped at the step and killed; else a failure there
  QTest::newRow("plain files, failure") << true << false;
  QTest::newRow("editions, failure") << false << false;
  QTest::newRow("plain files, kill") << true << true;
  QTest::newRow("editions, kill") << false << true;
}

void TestEditions::interruptedAtEveryStep() {
  QFETCH(bool, plain);
  QFETCH(bool, kill);
  TempData dir;
  // Imports edition `e` into `data`, interrupted at `step` (0: nowhere); true when it got through.
  auto import = [&](char e, const std::string& data, int step) {
    if (kill) return RunImporter(editions_, e, data, step) == 'x';
    ImportOptions options = PartialImport(editions_.ken(e), editions_.jig(e), data);
    options.atCommitStep = [step](int at) { return at != step; };
    ImportSummary summary;
    std::string error;
    return RunImport(options, summary, error);
  };
  int oldInUse = 0;
  int newInUse = 0;
  bool wrong = false;
  auto attempt = [&](int step) {
    std::string data = dir.path("data" + std::to_string(step));
    if (plain) WritePlain(editions_, 'A', data);
    // With editions: two imports of A, so that `previous` names an edition before the one interrupted.
    if (!plain && (!import('A', data, 0) || !import('A', data, 0))) return wrong = true;
    bool done = import('B', data, step);
    char found = Reachable(editions_, data);
    std::string why = "step " + std::to_string(step) + ": ";
    // At every step `previous` names a complete edition other than `current`'s, or none.
    std::string previous = Link(data + "/previous");
    if (!previous.empty() &&
        (previous == Link(data + "/current") || EditionIn(editions_, data + "/previous/") == '?')) {
      qWarning("%sprevious is %s, current %s", why.c_str(), previous.c_str(), Link(data + "/current").c_str());
      return wrong = true;
    }
    if (done) return wrong = wrong || found != 'B', true;
    // One whole edition in use: the old one until the swap (always after a failure), the new one from then on.
    if ((found != 'A' && found != 'B') || (found == 'A' && newInUse > 0) || (found == 'B' && !kill)) {
      qWarning("%s%c in use", why.c_str(), found);
      return wrong = true;
    }
    (found == 'A' ? oldInUse : newInUse) += 1;
    // The next import removes what the interrupted one left.
    if (!import('A', data, 0) || !Tidy(data, why) || Reachable(editions_, data) != 'A' ||
        EditionIn(editions_, data + "/previous/") != found) {
      qWarning("%snot tidied", why.c_str());
      return wrong = true;
    }
    return false;
  };
  int steps = ForCommitSteps(attempt);
  QVERIFY(!wrong);
  qInfo("%d steps, interrupted at %d: old edition in use after %d, new after %d", steps, oldInUse + newInUse, oldInUse,
        newInUse);
  QVERIFY(steps >= (plain ? 96 : 3));
  QCOMPARE(newInUse > 0, kill);
}

void TestEditions::killAtRandomMoments() {
  TempData dir;
  std::string data = dir.path("data");
  // How long an import runs here, to spread the kills over it.
  auto start = std::chrono::steady_clock::now();
  QCOMPARE(RunImporter(editions_, 'A', data, 0), 'x');
  QCOMPARE(RunImporter(editions_, 'B', data, 0), 'x');
  long span = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start).count();
  std::mt19937 random(20260529);
  std::uniform_int_distribution<long> delay(0, span * 3 / 4);  // up to one and a half runs
  std::map<std::string, int> outcomes;
  char inUse = 'B';
  for (int run = 0; run < 150; ++run) {
    char next = inUse == 'A' ? 'B' : 'A';
    char outcome = RunImporter(editions_, next, data, 0, delay(random));
    QVERIFY(outcome != 'f');
    char found = Reachable(editions_, data);
    QVERIFY2(found == inUse || found == next, qPrintable(QStringLiteral("run %1: %2").arg(run).arg(found)));
    if (outcome == 'x') QCOMPARE(found, next);
    outcomes[outcome == 'x' ? "finished" : (found == next ? "killed, new in use" : "killed, old in use")] += 1;
    inUse = found;
  }
  QCOMPARE(RunImporter(editions_, 'A', data, 0), 'x');
  std::string why;
  QVERIFY2(Tidy(data, why), why.c_str());
  QString report;
  for (const auto& [what, n] : outcomes) report += QStringLiteral("%1: %2; ").arg(QString::fromStdString(what)).arg(n);
  qInfo("150 imports, span %ld us: %s", span, qPrintable(report));
  QVERIFY(outcomes["killed, old in use"] > 0);
}

void TestEditions::readersNeverSeeAMix() {
  TempData dir;
  std::string data = dir.path("data");
  QCOMPARE(editions_.Import('A', data), std::string());
  const std::string folder = data + "/";
  std::atomic<bool> stop{false};
  // Per reader: what each search or prefecture load saw ('A', 'B', 'm' missing, '?' a mix).
  std::vector<std::map<char, int>> seen(3);
  auto searcher = [&](std::map<char, int>& counts) {
    SearchParams params;
    params.keyword = S("町");
    SearchQuery query(params);
    auto scratch = std::make_unique<SearchScratch>();
    std::atomic<int32_t> hits{0};
    std::atomic<uint8_t> cancel{0};
    while (!stop.load()) {
      MarkSink sink(S("甲"), S("乙"));
      SearchNotice notice = RunSearch(query, *DataSet::Open(folder), *scratch, hits, cancel, sink);
      std::string& m = sink.marks_;
      bool one = m.size() == 94 && std::count(m.begin(), m.end(), m[0]) == 94 && m[0] != '?';
      counts[notice == SearchNotice::FileMissing ? 'm' : (one ? m[0] : '?')] += 1;
    }
  };
  auto loader = [&](std::map<char, int>& counts) {
    std::vector<KenRecord> ken(TableCapacity);
    std::vector<JigRecord> jig(TableCapacity);
    const std::string a = S("甲");
    for (int pref = 1; !stop.load(); pref = pref % PrefectureCount + 1) {
      // As the main window loads a prefecture: one resolve, then both files.
      std::string edition = ResolveEditionFolder(folder);
      LoadResult k = LoadKenFile(edition.c_str(), pref, ken.data());
      LoadResult j = LoadJigFile(edition.c_str(), pref, jig.data());
      if (k.count != 1 || j.count != 1) {
        counts[k.count < 0 || j.count < 0 ? 'm' : '?'] += 1;
        continue;
      }
      bool kenA = std::string(ken[0].TownKanji).find(a) != std::string::npos;
      bool jigA = std::string(jig[0].OfficeKanji).find(a) != std::string::npos;
      counts[kenA == jigA ? (kenA ? 'A' : 'B') : '?'] += 1;
    }
  };
  std::vector<std::thread> readers;
  readers.emplace_back(searcher, std::ref(seen[0]));
  readers.emplace_back(searcher, std::ref(seen[1]));
  readers.emplace_back(loader, std::ref(seen[2]));
  int imports = 0;
  for (; imports < 120; ++imports) {
    char e = imports % 2 == 0 ? 'B' : 'A';
    if (!editions_.Import(e, data).empty()) break;
  }
  stop = true;
  for (auto& t : readers) t.join();
  QCOMPARE(imports, 120);
  std::map<char, int> all;
  for (const auto& counts : seen) {
    for (const auto& [what, n] : counts) all[what] += n;
  }
  qInfo(
      "%d imports; searches and loads saw A %d, B %d, a removed edition %d, a mix %d times (searches %d/%d, loads %d)",
      imports, all['A'], all['B'], all['m'], all['?'], seen[0]['A'] + seen[0]['B'], seen[1]['A'] + seen[1]['B'],
      seen[2]['A'] + seen[2]['B']);
  QCOMPARE(all['?'], 0);
  QVERIFY(all['A'] > 0 && all['B'] > 0);
}

QTEST_GUILESS_MAIN(TestEditions)
#include "tst_editions.moc"
