// tanzel-import --download / --compare and tanzel-search --data-info as processes: the
// change list, progress on a terminal and off it, a full disk, a kill, an interrupt, and
// the user's data folder chosen over the program's.
#include <QProcess>
#include <QtTest>

#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

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

// A small set standing for the data in use.
void WriteSetInUse(const TempData& data) {
  data.writeEmptyPrefectures();
  data.write(KenName(13), TokyoLines(3));
  data.write("EDITION", "2026-04-28\n");
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
  void killedMidway();
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

// Killed while downloading, the data stays as it was.
void TestUpdateCli::killedMidway() {
  TempData data, tmp;
  WriteSetInUse(data);
  auto before = FolderSnapshot(data.folder());
  long long sent = server_.BodyBytesSent();
  QProcess p;
  QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
  e.insert(QStringLiteral("TMPDIR"), Q(tmp.folder()));
  p.setProcessEnvironment(e);
  p.start(QStringLiteral(TANZEL_IMPORT_EXE), {QStringLiteral("--download"), QStringLiteral("--from"), Url("/stall"),
                                              QStringLiteral("--out"), Q(data.folder())});
  QTRY_VERIFY_WITH_TIMEOUT(server_.BodyBytesSent() > sent, 10000);
  p.kill();
  QVERIFY(p.waitForFinished(10000));
  QVERIFY(FolderSnapshot(data.folder()) == before);
}

// An installed program (its folder read-only): the update goes into the user's data
// folder, which every reader then prefers while its set is newer and complete. Run as
// root, the programs run as nobody, for whom a read-only folder is one.
void TestUpdateCli::userFolderPreferred() {
  if (archives_.empty()) QSKIP("TANZEL_JAPANPOST_DIR is not set");
  TempData root;
  std::string bin = root.path("bin/"), xdg = root.path("xdg");
  QVERIFY(ImportReal(archives_, bin));
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
  r = run("tanzel-search", {QStringLiteral("100-0001")});
  QCOMPARE(r.exit, 1);
  QVERIFY2(r.err.contains(QStringLiteral(u"この郵便番号は令和8年6月の更新で廃止されました")), qPrintable(r.err));
  QCOMPARE(unlink((user + "current/JIG47.CSV").c_str()), 0);  // an incomplete set is never read
  QVERIFY(run("tanzel-search", {QStringLiteral("--data-info")}).out.startsWith(QLatin1String("2026-05-26\n")));
  QCOMPARE(run("tanzel-search", {QStringLiteral("1000001")}).exit, 0);
}

QTEST_GUILESS_MAIN(TestUpdateCli)
#include "tst_update_cli.moc"
