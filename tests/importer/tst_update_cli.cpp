// tanzel-import --download / --compare and tanzel-search --data-info as processes: the
// change list, progress on a terminal and off it, a full disk, a kill, an interrupt, and
// the user's data folder chosen over the program's.
#include <QProcess>
#include <QtTest>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <map>
#include <random>

#include "core/data/Editions.h"
#include "core/import/Importer.h"
#include "support/Archives.h"
#include "support/DataLines.h"
#include "support/HttpServer.h"
#include "support/Process.h"
#include "support/TempData.h"

using namespace tanzel;

namespace {

using Result = ProcessResult;

Result Run(const char* program, const QStringList& args, const QStringList& env = {},
           const std::function<void()>& childSetup = {}) {
  return RunProcess(QString::fromUtf8(program), args, env, childSetup);
}

QString Q(const std::string& s) {
  return QString::fromStdString(s);
}

bool ImportReal(const std::string& archives, const std::string& out) {
  ImportSummary summary;
  std::string error;
  return RunImport({archives + "/ken_all.zip", archives + "/jigyosyo.zip", out}, summary, error);
}

}  // namespace

class TestUpdateCli : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void initTestCase();
  void dataInfoWithoutRecord();
  void progressOnTerminalAndInterrupt();
  void fullDisk();
  void killedAtAnyMoment();
  void interruptedAtThePointOfNoReturn();
  void userFolderPreferred();

 private:
  QString Url(const char* path) const { return Q(server_.BaseUrl()) + QLatin1String(path); }

  HttpServer server_;
  std::string archives_;
  TempData files_;
};

void TestUpdateCli::initTestCase() {
  QVERIFY(server_.Start());
  server_.Serve("/stall/ken_all.zip", {200, std::string(1 << 20, 'x'), HttpServer::Mode::Stall, 1000});
  server_.Serve("/big/ken_all.zip", {200, std::string(2 << 20, 'x')});
  // Two small editions: A, and B with other names and without A's 100-0005.
  for (char e : {'A', 'B'}) {
    std::string mark = e == 'A' ? "甲町" : "乙町";
    std::string prefix = std::string(1, e) + "/";
    QCOMPARE(mkdir(files_.path(prefix).c_str(), 0755), 0);
    std::time_t when = LocalNoon(2026, e == 'A' ? 5 : 6, 26);
    QVERIFY(WriteZip(files_.path(prefix + "ken_all.zip"),
                     {{"KEN_ALL.CSV", WithEveryPrefecture(DataKind::Ken, e == 'A' ? TokyoLine(5) : "", mark)}}, when));
    QVERIFY(WriteZip(files_.path(prefix + "jigyosyo.zip"),
                     {{"JIGYOSYO.CSV", WithEveryPrefecture(DataKind::Jig, "", mark)}}, when));
    for (const char* name : {"ken_all.zip", "jigyosyo.zip"})
      server_.Serve("/" + prefix + name, {200, ReadFile(files_.path(prefix + name))});
  }
  QByteArray dir = qgetenv("TANZEL_JAPANPOST_DIR");
  if (dir.isEmpty()) return;
  archives_ = dir.toStdString();
  QCOMPARE(MakeAlteredArchives(archives_, files_.folder()), std::string());
  for (const char* name : {"ken_all.zip", "jigyosyo.zip"})
    server_.Serve(std::string("/altered/") + name, {200, ReadFile(files_.path(name))});
}

void TestUpdateCli::dataInfoWithoutRecord() {
  TempData data;
  data.writeEmptyPrefectures();
  Result r = Run(TANZEL_SEARCH_EXE, {QStringLiteral("--data"), Q(data.folder()), QStringLiteral("--data-info")});
  QCOMPARE(r.exit, 3);
  QVERIFY2(r.err.contains(QLatin1String("no edition record (EDITION)")), qPrintable(r.err));
  QCOMPARE(Run(TANZEL_SEARCH_EXE, {QStringLiteral("--data-info"), QStringLiteral("x")}).exit, 2);
  // Output that cannot be written: exit 4, and said.
  WriteSetInUse(data);
  r = Run(TANZEL_SEARCH_EXE, {QStringLiteral("--data"), Q(data.folder()), QStringLiteral("--data-info")}, {}, [] {
    int full = open("/dev/full", O_WRONLY);
    dup2(full, 1);
  });
  QCOMPARE(r.exit, 4);
  QVERIFY2(r.err.contains(QLatin1String("tanzel-search: the output could not be written: No space left on device")),
           qPrintable(r.err));
}

// On a terminal the progress is one line rewritten in place; an interrupt cancels the
// update cleanly: the data stays, the work folder goes.
void TestUpdateCli::progressOnTerminalAndInterrupt() {
  TempData data, tmp;
  WriteSetInUse(data);
  auto before = FolderSnapshot(data.folder());
  std::string url = server_.BaseUrl() + "/stall";
  int master = -1;
  pid_t pid = forkpty(&master, nullptr, nullptr, nullptr);
  QVERIFY(pid >= 0);
  if (pid == 0) {
    setenv("TMPDIR", tmp.folder().c_str(), 1);
    execl(TANZEL_IMPORT_EXE, "tanzel-import", "--download", "--from", url.c_str(), "--out", data.folder().c_str(),
          static_cast<char*>(nullptr));
    _exit(127);
  }
  QByteArray output;
  bool interrupted = false;
  for (;;) {
    pollfd fd{master, POLLIN, 0};
    if (poll(&fd, 1, 20000) <= 0) break;
    char buffer[512];
    ssize_t n = read(master, buffer, sizeof buffer);
    if (n <= 0) break;
    output.append(buffer, n);
    if (!interrupted && output.contains("MB of 1.0 MB")) {
      kill(pid, SIGINT);
      interrupted = true;
    }
  }
  close(master);
  int status = 0;
  waitpid(pid, &status, 0);
  QVERIFY2(interrupted, output.constData());
  QVERIFY2(output.contains("\rdownloading ken_all.zip (1/2): 0.0 MB of 1.0 MB"), output.constData());
  QVERIFY2(output.contains("interrupted: the data is unchanged"), output.constData());
  QVERIFY(WIFEXITED(status) && WEXITSTATUS(status) == 1);
  QVERIFY(FolderSnapshot(data.folder()) == before);
  QVERIFY(FolderSnapshot(tmp.folder()).empty());
}

// A disk that takes no more (here: a file size limit) fails the download with one line.
void TestUpdateCli::fullDisk() {
  TempData data, tmp;
  WriteSetInUse(data);
  auto before = FolderSnapshot(data.folder());
  Result r = Run(
      TANZEL_IMPORT_EXE,
      {QStringLiteral("--download"), QStringLiteral("--from"), Url("/big"), QStringLiteral("--out"), Q(data.folder())},
      {QStringLiteral("TMPDIR=") + Q(tmp.folder())}, [] {
        signal(SIGXFSZ, SIG_IGN);
        rlimit limit{1 << 20, 1 << 20};
        setrlimit(RLIMIT_FSIZE, &limit);
      });
  QCOMPARE(r.exit, 1);
  QStringList lines = r.err.split(u'\n', Qt::SkipEmptyParts);
  QVERIFY2(
      lines.last().startsWith(QLatin1String("tanzel-import: ")) && lines.last().contains(QLatin1String("too large")),
      qPrintable(r.err));
  QVERIFY(FolderSnapshot(data.folder()) == before);
  QVERIFY(FolderSnapshot(tmp.folder()).empty());
}

// Updates killed at random moments (downloading, importing, comparing, committing) and
// stopped and killed at each step of the commit: after each, the data in use is one
// complete edition, byte for byte the old or the new one (its data files, EDITION and
// REMOVED, also through D/KEN01.CSV ..); what killed updates leave the next one removes;
// nothing goes to $TMPDIR.
void TestUpdateCli::killedAtAnyMoment() {
  TempData files, tmp;
  const std::string data = files.path("data/");
  auto update = [&](char e, long killAfter, int stopAt = 0) {
    std::vector<std::string> env{"TMPDIR=" + tmp.folder()};
    if (stopAt > 0) env.push_back("TANZEL_IMPORT_STOP_AT=" + std::to_string(stopAt));
    return RunAndKill({stopAt > 0 ? TANZEL_IMPORT_HOOKED_EXE : TANZEL_IMPORT_EXE, "--download", "--partial",
                       "--allow-older", "--from", server_.BaseUrl() + "/" + e, "--out", data},
                      env, killAfter);
  };
  // The edition in use: every file of the edition the folder resolves to, when the data
  // names in the folder itself show the same; nothing otherwise.
  auto inUse = [&] {
    std::map<std::string, std::string> edition = FolderSnapshot(ResolveEditionFolder(data));
    for (int p = 1; p <= PrefectureCount; ++p)
      for (const std::string& name : {KenName(p), JigName(p)})
        if (edition.count(name) == 0 || FileBytes(data + name) != edition[name]) return decltype(edition){};
    return edition;
  };
  auto tidy = [&] {  // after a finished update: the two editions, no work or staging folder, no temporary link
    return FolderEntries(data + "editions").size() == 2 && FolderEntries(data).size() == 2u * PrefectureCount + 3;
  };
  std::map<char, std::map<std::string, std::string>> editions;
  long span = 0;  // of the three whole updates, to spread the kills over
  for (char e : {'A', 'B', 'A'}) {
    auto start = std::chrono::steady_clock::now();
    QCOMPARE(update(e, -1), 'x');
    long took = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start).count();
    span += took / 3;
    QVERIFY(editions.count(e) == 0 || inUse() == editions[e]);  // A from nothing and from B: the same bytes
    editions[e] = inUse();
  }
  QVERIFY(editions['A'].size() == 2 * PrefectureCount + 3 &&
          editions['A'] != editions['B']);  // EDITION, REMOVED, marker
  QVERIFY2(editions['B']["REMOVED"] == "2026-06-26\n1000005\n", editions['B']["REMOVED"].c_str());

  std::mt19937 random(20260626);
  std::uniform_int_distribution<long> delay(0, span * 6 / 5);
  std::map<std::string, int> outcomes;
  char used = 'A';
  const int kSteps = 8, kRuns = kSteps + 120;
  for (int run = 0; run < kRuns; ++run) {
    char next = used == 'A' ? 'B' : 'A';
    char outcome = run < kSteps ? update(next, -1, run + 1) : update(next, delay(random));
    std::map<std::string, std::string> found = inUse();
    char edition = found == editions['A'] ? 'A' : (found == editions['B'] ? 'B' : '?');
    QVERIFY2(outcome != 'f' && (edition == used || edition == next),
             qPrintable(QStringLiteral("run %1: %2, %3 in use").arg(run).arg(outcome).arg(edition)));
    if (outcome == 'x') QVERIFY2(edition == next && tidy(), qPrintable(QStringLiteral("run %1").arg(run)));
    std::string what = outcome == 'x' ? "finished" : (outcome == 's' ? "stopped in the commit" : "killed");
    if (outcome != 'x') what += edition == next ? ", new in use" : ", old in use";
    outcomes[what] += 1;
    used = edition;
  }
  // A last update, whole: its changes are those between the editions now previous and
  // current, compared through the links and through the edition folders.
  Result last = Run(TANZEL_IMPORT_EXE,
                    {QStringLiteral("--download"), QStringLiteral("--partial"), QStringLiteral("--allow-older"),
                     QStringLiteral("--from"), Url(used == 'A' ? "/B" : "/A"), QStringLiteral("--out"), Q(data)},
                    {QStringLiteral("TMPDIR=") + Q(tmp.folder())});
  QVERIFY2(last.exit == 0 && last.out.count(u'\n') > 1, qPrintable(last.err));
  QVERIFY(tidy());
  auto compare = [](const QString& before, const QString& after) {
    return Run(TANZEL_IMPORT_EXE, {QStringLiteral("--compare"), before, after}).out;
  };
  QCOMPARE(compare(Q(data + "previous"), Q(data + "current")), last.out);
  QCOMPARE(compare(QFileInfo(Q(data + "previous")).symLinkTarget(), QFileInfo(Q(data + "current")).symLinkTarget()),
           last.out);
  QVERIFY(FolderSnapshot(tmp.folder()).empty());
  QString report;
  for (const auto& [what, n] : outcomes) report += QStringLiteral("%1: %2; ").arg(QString::fromStdString(what)).arg(n);
  qInfo("%d updates, span %ld us: %s", kRuns, span, qPrintable(report));
  QVERIFY(outcomes["stopped in the commit, old in use"] > 0 && outcomes["stopped in the commit, new in use"] > 0);
  QVERIFY(outcomes["killed, old in use"] > 0);
}

// An interrupt that comes once the new edition is being put in use lets the update finish,
// and says so: never a silent success.
void TestUpdateCli::interruptedAtThePointOfNoReturn() {
  TempData files;
  const std::string data = files.path("data/");
  Result first = Run(TANZEL_IMPORT_EXE, {QStringLiteral("--download"), QStringLiteral("--partial"),
                                         QStringLiteral("--from"), Url("/A"), QStringLiteral("--out"), Q(data)});
  QVERIFY2(first.exit == 0, qPrintable(first.err));
  int status = RunSignalledAtStop(
      {TANZEL_IMPORT_HOOKED_EXE, "--download", "--partial", "--from", server_.BaseUrl() + "/B", "--out", data},
      {"TANZEL_IMPORT_STOP_AT=1"}, SIGINT, files.path("err"));
  std::string err = ReadFile(files.path("err"));
  QCOMPARE(status, 0);
  QVERIFY2(err.find("tanzel-import: interrupted after the point of no return; the update is complete\n") !=
               std::string::npos,
           err.c_str());
  QVERIFY(ReadFile(data + "current/EDITION").rfind("2026-06-26\n", 0) == 0);

  // Back to the older archives: refused, naming the archive and both dates, unless asked for.
  auto before = FolderSnapshot(data);
  QStringList older{QStringLiteral("--download"), QStringLiteral("--partial"),
                    QStringLiteral("--from"),     Url("/A"),
                    QStringLiteral("--out"),      Q(data)};
  Result refused = Run(TANZEL_IMPORT_EXE, older);
  QCOMPARE(refused.exit, 1);
  QVERIFY2(refused.err.endsWith(QLatin1String("tanzel-import: ken_all.zip is of 2026-05-26, older than the one in use "
                                              "(of 2026-06-26); not imported (give --allow-older to go back to it)\n")),
           qPrintable(refused.err));
  QVERIFY(FolderSnapshot(data) == before);
  QCOMPARE(Run(TANZEL_IMPORT_EXE, older << QStringLiteral("--allow-older")).exit, 0);
  QVERIFY(ReadFile(data + "current/EDITION").rfind("2026-05-26\n", 0) == 0);
}

// An installed program (its folder read-only): the update goes into the user's data
// folder, which every reader then prefers while its set is newer and complete. Run as
// root, the programs run as nobody, for whom a read-only folder is one.
void TestUpdateCli::userFolderPreferred() {
  if (archives_.empty()) QSKIP("TANZEL_JAPANPOST_DIR is not set");
  TempData root, imported;
  std::string bin = root.path("bin/"), xdg = root.path("xdg");
  // The installed layout: the files of the edition in use as plain files beside the programs.
  QVERIFY(ImportReal(archives_, imported.folder()) && mkdir(bin.c_str(), 0755) == 0);
  for (const std::string& name : FolderEntries(imported.path("current")))
    QVERIFY(QFile::copy(Q(imported.path("current/" + name)), Q(bin + name)));
  for (const char* exe : {TANZEL_IMPORT_EXE, TANZEL_SEARCH_EXE})
    QVERIFY(QFile::copy(QString::fromUtf8(exe), Q(bin) + QFileInfo(QString::fromUtf8(exe)).fileName()));
  QVERIFY(chmod(root.folder().c_str(), 0755) == 0 && chmod(bin.c_str(), 0555) == 0);
  QVERIFY(mkdir(xdg.c_str(), 0777) == 0 && chmod(xdg.c_str(), 0777) == 0);
  struct Restore {
    std::string bin;
    ~Restore() { chmod(bin.c_str(), 0755); }
  } restore{bin};
  auto asUser = [] {
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(126);
  };
  QStringList env{QStringLiteral("XDG_DATA_HOME=") + Q(xdg)};
  auto run = [&](const char* program, const QStringList& args) {
    return Run((bin + program).c_str(), args, env, asUser);
  };
  auto before = FolderSnapshot(bin);
  Result r = run("tanzel-import", {QStringLiteral("--download"), QStringLiteral("--from"), Url("/altered")});
  QVERIFY2(r.exit == 0, qPrintable(r.err));
  QVERIFY(FolderSnapshot(bin) == before);
  QVERIFY(!r.err.contains(u'\r'));  // not a terminal: plain lines
  std::string user = xdg + "/tanzel/";
  for (const std::string& line :
       std::vector<std::string>{"downloading ken_all.zip (1/2)\n", "downloading jigyosyo.zip (2/2)\n",
                                "checking the archives\n", "importing into " + user + "\n", "edition 2026-06-26\n",
                                "changes: addresses 2 added, 2 removed, 1 changed; offices 1 added, 1 removed, "
                                "1 changed\n"})
    QVERIFY2(r.err.contains(Q(line)), qPrintable(r.err));
  QStringList lines = r.out.split(u'\n', Qt::SkipEmptyParts);  // compared with the program's own set
  QCOMPARE(lines.size(), 1 + 8);
  QCOMPARE(lines[1], QStringLiteral(u"KEN\tremoved\t1000001\t東京都千代田区千代田\t"));
  QCOMPARE(run("tanzel-import", {QStringLiteral("--compare"), Q(bin), Q(user)}).out, r.out);

  r = run("tanzel-search", {QStringLiteral("--data-info")});
  QCOMPARE(r.exit, 0);
  QCOMPARE(r.out, Q(ReadFile(user + "current/EDITION")));
  QVERIFY(r.out.startsWith(QLatin1String("2026-06-26\n")));
  r = run("tanzel-search", {QStringLiteral(u"〒１００‐０００１")});
  QCOMPARE(r.exit, 1);
  QVERIFY2(r.err.contains(QStringLiteral(u"この郵便番号は令和8年6月の更新で廃止されました")), qPrintable(r.err));
  QCOMPARE(unlink((user + "current/JIG47.CSV").c_str()), 0);  // an incomplete set is never read
  QVERIFY(run("tanzel-search", {QStringLiteral("--data-info")}).out.startsWith(QLatin1String("2026-05-26\n")));
  QCOMPARE(run("tanzel-search", {QStringLiteral("1000001")}).exit, 0);
}

QTEST_GUILESS_MAIN(TestUpdateCli)
#include "tst_update_cli.moc"
