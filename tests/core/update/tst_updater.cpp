// RunUpdate against a local server: the happy path with Japan Post's archives and an
// altered copy, every kind of failure (the data in use stays byte for byte), cancel.
#include <QElapsedTimer>
#include <QTest>

#include <sys/stat.h>

#include <set>
#include <thread>

#include "core/data/Editions.h"
#include "core/import/ArchiveSums.h"
#include "core/update/Download.h"
#include "core/update/Updater.h"
#include "support/Archives.h"
#include "support/DataLines.h"
#include "support/HttpServer.h"
#include "support/Table.h"
#include "support/TempData.h"

using namespace tanzel;

namespace {

class Recorder : public UpdateObserver {
 public:
  void Progress(const UpdateProgress& p) override {
    std::string step = std::to_string(static_cast<int>(p.stage)) + p.file;
    if (steps.empty() || steps.back() != step) steps.push_back(step);
    if (p.done > 0) received.store(true);
    if (p.total > 0 && p.done == p.total) completeFiles.insert(p.file);
  }
  std::vector<std::string> steps;
  std::set<std::string> completeFiles;
  std::atomic<bool> received{false};
};

}  // namespace

class TestUpdater : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void initTestCase();
  void failures_data();
  void failures();
  void addressArchiveFallback();
  void gzipAndRedirect();
  void leftoversGoForeignStays();
  void sameDateOtherArchives();
  void olderArchiveRefused_data();
  void olderArchiveRefused();
  void redirectRule_data();
  void redirectRule();
  void downloadLimits_data();
  void downloadLimits();
  void cancel();
  void updateAndChanges();

 private:
  UpdateOptions Options(const QString& base, const TempData& target) const;

  HttpServer server_;
  std::string archives_;  // Japan Post's, empty when there are none
  TempData files_;
};

void TestUpdater::initTestCase() {
  QVERIFY(server_.Start());
  std::string tinyKen = files_.path("tiny_ken.zip"), tinyJig = files_.path("tiny_jig.zip");
  // Every prefecture, but far fewer records than Japan Post's archives hold.
  QVERIFY(WriteZip(tinyKen, {{"KEN_ALL.CSV", WithEveryPrefecture(DataKind::Ken, TokyoLines(5))}}));
  QVERIFY(WriteZip(tinyJig, {{"JIGYOSYO.CSV", WithEveryPrefecture(DataKind::Jig, JigCsv(13101, "カ", "甲商事", "丸の内",
                                                                                        "１", "1008001"))}}));
  std::string ken = ReadFile(tinyKen), jig = ReadFile(tinyJig);
  using M = HttpServer::Mode;
  for (const char* base : {"/e500", "/cut", "/halfzip", "/wrong", "/html", "/few", "/stall", "/utf"})
    server_.Serve(std::string(base) + "/jigyosyo.zip", {200, jig});
  // The other way round: the address archive whole, the office archive cut in half, or whole
  // in length but with its entry's bytes changed (its CRC no longer matches).
  for (const char* base : {"/halfjig", "/badcrc"}) server_.Serve(std::string(base) + "/ken_all.zip", {200, ken});
  server_.Serve("/halfjig/jigyosyo.zip", {200, jig.substr(0, jig.size() / 2)});
  std::string badCrc = jig;
  std::size_t entry = badCrc.find("13101");
  QVERIFY(entry != std::string::npos);
  badCrc[entry] = '2';
  server_.Serve("/badcrc/jigyosyo.zip", {200, badCrc});
  server_.Serve("/e500/ken_all.zip", {200, ken});
  server_.Serve("/e500/jigyosyo.zip", {500, "broken"});
  server_.Serve("/cut/ken_all.zip", {200, ken, M::CutShort, ken.size() / 2});
  server_.Serve("/halfzip/ken_all.zip", {200, ken.substr(0, ken.size() / 2)});
  server_.Serve("/wrong/ken_all.zip", {200, jig});
  server_.Serve("/html/ken_all.zip", {200, "<html><body>maintenance</body></html>"});
  server_.Serve("/few/ken_all.zip", {200, ken});
  server_.Serve("/stall/ken_all.zip", {200, std::string(1 << 20, 'x'), M::Stall, 1000});
  server_.Serve("/hang/ken_all.zip", {200, std::string(1 << 20, 'x'), M::Stall, 0});
  server_.Serve("/utf/utf_ken_all.zip", {200, ken});
  server_.Serve("/endless/ken_all.zip", {200, std::string(1 << 16, 'x'), M::Endless});
  server_.Serve("/tofile/ken_all.zip", {302, "moved", M::Whole, 0, "file:///etc/passwd"});
  server_.Serve("/gzip/ken_all.zip", {200, ken, M::Whole, 0, {}, true});
  server_.Serve("/gzip/jigyosyo.zip", {302, "moved", M::Whole, 0, "/gzip-files/jigyosyo.zip"});
  server_.Serve("/gzip-files/jigyosyo.zip", {200, jig, M::Whole, 0, {}, true});
  // A chain of redirects: /hop/N is N redirects from its file.
  for (int n = 1; n <= 12; ++n)
    server_.Serve("/hop/" + std::to_string(n), {302, "moved", M::Whole, 0, "/hop/" + std::to_string(n - 1)});
  server_.Serve("/hop/0", {200, "file"});
  // Bodies at the size cap of a download and one byte over, with a length and (compressed)
  // counted only as they arrive.
  for (bool gzip : {false, true})
    for (int size : {1000, 1001})
      server_.Serve("/size/" + std::string(gzip ? "gzip" : "plain") + std::to_string(size),
                    {200, std::string(static_cast<std::size_t>(size), 'x'), M::Whole, 0, {}, gzip});
  QVERIFY(files_.write("every_ken.csv", WithEveryPrefecture(DataKind::Ken, TokyoLines(2))));

  QByteArray dir = qgetenv("TANZEL_JAPANPOST_DIR");
  if (dir.isEmpty()) return;
  archives_ = dir.toStdString();
  for (const char* name : {"ken_all.zip", "jigyosyo.zip"})
    server_.Serve(std::string("/real/") + name, {200, ReadFile(archives_ + "/" + name)});
  QVERIFY(::mkdir(files_.path("altered").c_str(), 0755) == 0 && ::mkdir(files_.path("no47").c_str(), 0755) == 0);
  QCOMPARE(MakeAlteredArchives(archives_, files_.path("altered")), std::string());
  QCOMPARE(MakeAlteredArchives(archives_, files_.path("no47"), 47), std::string());
  // The address archive through a redirect.
  server_.Serve("/altered/ken_all.zip", {302, "moved", M::Whole, 0, "/altered-files/ken_all.zip"});
  server_.Serve("/altered-files/ken_all.zip", {200, ReadFile(files_.path("altered/ken_all.zip"))});
  server_.Serve("/altered/jigyosyo.zip", {200, ReadFile(files_.path("altered/jigyosyo.zip"))});
  server_.Serve("/no47/ken_all.zip", {200, ReadFile(files_.path("no47/ken_all.zip"))});
  server_.Serve("/no47/jigyosyo.zip", {200, ReadFile(files_.path("no47/jigyosyo.zip"))});
}

UpdateOptions TestUpdater::Options(const QString& base, const TempData& target) const {
  UpdateOptions options;
  options.baseUrl = base.startsWith(u'/') ? server_.BaseUrl() + base.toStdString() : base.toStdString();
  options.targetFolder = target.folder();
  options.inUse = [folder = target.folder()] { return DataSet::Open(folder); };
  return options;
}

void TestUpdater::failures_data() {
  Columns<QString, int, int, QString, QString, bool, int>("base",  // a path on the server, or a whole address
                                                          "failure", "problem",
                                                          "file",     // the archive the failure names
                                                          "message",  // a part of it
                                                          "real",     // needs Japan Post's archives
                                                          "total");   // the overall time limit; 0: the usual one
  auto row = [](const char* name, QString base, UpdateFailure f, UpdateProblem p, const char* file, const char* message,
                bool real = false, int total = 0) {
    QTest::newRow(name) << base << int(f) << int(p) << QString::fromLatin1(file) << QString::fromUtf8(message) << real
                        << total;
  };
  using P = UpdateProblem;
  row("not found", QStringLiteral("/missing"), UpdateFailure::Server, P::NotFound, "ken_all.zip",
      "/missing/ken_all.zip: the server answered 404");
  row("server error", QStringLiteral("/e500"), UpdateFailure::Server, P::ServerError, "jigyosyo.zip", "500");
  row("cut short", QStringLiteral("/cut"), UpdateFailure::Network, P::CutShort, "ken_all.zip", "remaining");
  row("no server", QStringLiteral("http://127.0.0.1:%1").arg(ClosedPort()), UpdateFailure::Network, P::NoConnection,
      "ken_all.zip", "onnect");
  row("stalled", QStringLiteral("/hang"), UpdateFailure::Network, P::NoConnection, "ken_all.zip", "slow");
  row("not http", QStringLiteral("file:///etc"), UpdateFailure::Network, P::NoConnection, "ken_all.zip", "file");
  row("truncated addresses", QStringLiteral("/halfzip"), UpdateFailure::Archive, P::Truncated, "ken_all.zip",
      "ken_all.zip: is neither a Japan Post archive nor its CSV (not a readable zip archive");
  row("truncated offices", QStringLiteral("/halfjig"), UpdateFailure::Archive, P::Truncated, "jigyosyo.zip",
      "jigyosyo.zip: is neither a Japan Post archive nor its CSV (not a readable zip archive");
  row("damaged entry", QStringLiteral("/badcrc"), UpdateFailure::Archive, P::Truncated, "jigyosyo.zip", "damaged");
  row("wrong archive", QStringLiteral("/wrong"), UpdateFailure::Archive, P::WrongContents, "ken_all.zip",
      "is neither ken_all.zip");
  row("web page", QStringLiteral("/html"), UpdateFailure::Archive, P::NotAnArchive, "ken_all.zip",
      "is neither ken_all.zip");
  row("too few records", QStringLiteral("/few"), UpdateFailure::Archive, P::WrongCounts, "ken_all.zip",
      "51 addresses and 47 offices");
  row("prefecture left empty", QStringLiteral("/no47"), UpdateFailure::Archive, P::WrongContents, "ken_all.zip",
      "(prefecture codes 47)", true);
  row("endless chunked body", QStringLiteral("/endless"), UpdateFailure::Server, P::TooLarge, "ken_all.zip",
      "too large (more than 32 MB)");
  row("overall time limit", QStringLiteral("/hang"), UpdateFailure::Network, P::NoConnection, "ken_all.zip",
      "took longer than 1 seconds", false, 1);
  row("redirect off the web", QStringLiteral("/tofile"), UpdateFailure::Network, P::NoConnection, "ken_all.zip",
      "redirected to file:///etc/passwd, which is not https or http; not followed");
}

void TestUpdater::failures() {
  QFETCH(QString, base);
  QFETCH(int, failure);
  QFETCH(int, problem);
  QFETCH(QString, file);
  QFETCH(QString, message);
  QFETCH(bool, real);
  QFETCH(int, total);
  if (real && archives_.empty()) QSKIP("TANZEL_JAPANPOST_DIR is not set");
  TempData target;
  WriteSetInUse(target);
  auto before = FolderSnapshot(target.folder());
  UpdateOptions options = Options(base, target);
  options.limits.lowSpeedSeconds = total > 0 ? 60 : 1;
  if (total > 0) options.limits.totalSeconds = total;
  options.limits.maxBytes = 32 << 20;
  std::atomic<bool> cancel{false};
  UpdateResult result = RunUpdate(options, nullptr, cancel);
  QCOMPARE(int(result.status), int(UpdateStatus::Failed));
  QCOMPARE(result.failure, UpdateFailure(failure));
  QCOMPARE(result.problem, UpdateProblem(problem));
  QCOMPARE(QString::fromStdString(result.file), file);
  QVERIFY2(QString::fromStdString(result.message).contains(message), result.message.c_str());
  QVERIFY2(result.message.find('\n') == std::string::npos, result.message.c_str());
  // Named by the archive's name, never by the work folder it was downloaded into.
  QVERIFY2(result.message.find(".update-") == std::string::npos, result.message.c_str());
  QVERIFY(FolderSnapshot(target.folder()) == before);  // the work folder and the editions folder gone too
}

// Without ken_all.zip on the server, utf_ken_all.zip is fetched.
void TestUpdater::addressArchiveFallback() {
  TempData target;
  std::atomic<bool> cancel{false};
  UpdateResult result = RunUpdate(Options(QStringLiteral("/utf"), target), nullptr, cancel);
  QCOMPARE(result.failure, UpdateFailure::Archive);  // the tiny archives fail the counts
  QCOMPARE(server_.Requests("/utf/ken_all.zip"), 1);
  QCOMPARE(server_.Requests("/utf/utf_ken_all.zip"), 1);
}

// Every update starts by removing what killed updates left, under the import lock, also
// when it then fails (or finds the data current) and imports nothing; what the program did
// not make stays.
void TestUpdater::leftoversGoForeignStays() {
  TempData target;
  WriteSetInUse(target);
  QCOMPARE(mkdir(target.path("editions").c_str(), 0755), 0);
  for (const char* folder : {"editions/.update-Ab12Cd", "editions/.update-Zz99Zz", "editions/notes"})
    QCOMPARE(mkdir(target.path(folder).c_str(), 0755), 0);
  QVERIFY(target.write(std::string("editions/.update-Ab12Cd/") + kOwnFolderMarker, ""));
  QVERIFY(target.write("editions/.update-Ab12Cd/ken_all.zip", "half an archive"));
  QVERIFY(target.write("editions/.update-Zz99Zz/mine.txt", "not the program's"));
  QVERIFY(target.write("editions/notes/t.txt", "text"));
  auto before = FolderSnapshot(target.folder());
  std::erase_if(before, [](const auto& entry) { return entry.first.find("Ab12Cd") != std::string::npos; });
  std::atomic<bool> cancel{false};
  UpdateResult result = RunUpdate(Options(QStringLiteral("/missing"), target), nullptr, cancel);
  QCOMPARE(result.failure, UpdateFailure::Server);
  QVERIFY(FolderSnapshot(target.folder()) == before);
}

// Archives that differ from those in use but carry the same date are new data: their sums
// decide, not their date.
void TestUpdater::sameDateOtherArchives() {
  std::time_t when = LocalNoon(2026, 5, 26);
  for (int n : {1, 2}) {
    std::string prefix = files_.path("same" + std::to_string(n) + "_");
    QVERIFY(
        WriteZip(prefix + "ken_all.zip", {{"KEN_ALL.CSV", WithEveryPrefecture(DataKind::Ken, TokyoLines(n))}}, when));
    QVERIFY(WriteZip(prefix + "jigyosyo.zip", {{"JIGYOSYO.CSV", WithEveryPrefecture(DataKind::Jig, "")}}, when));
    for (const char* name : {"ken_all.zip", "jigyosyo.zip"})
      server_.Serve("/same" + std::to_string(n) + "/" + name, {200, ReadFile(prefix + name)});
  }
  TempData target;
  std::atomic<bool> cancel{false};
  for (const char* base : {"/same1", "/same2"}) {
    UpdateOptions options = Options(QString::fromLatin1(base), target);
    options.minKenRecords = options.minJigRecords = 1;
    UpdateResult result = RunUpdate(options, nullptr, cancel);
    QVERIFY2(result.status == UpdateStatus::Updated, base);
    QCOMPARE(result.date, std::string("2026-05-26"));
  }
  QCOMPARE(ReadFile(target.path("current/KEN13.CSV")).size(), 2 * TokyoLine(0).size());
}

void TestUpdater::olderArchiveRefused_data() {
  // Each archive is one of: "in use" (the very archive in use: the addresses of 2026-05-26,
  // the offices of 2026-04-28), "other" (other records, the same day), "between" (2026-05-10),
  // "newer" (2026-06-26), "older" (2020-01-06).
  Columns<QString, QString, QString, QString>("ken", "jig",
                                              "refused",  // the archive named; empty: imported
                                              "inUse");   // the date of the one of its kind in use
  Row("older offices beside current addresses", "newer", "older", "jigyosyo.zip", "2026-04-28");
  Row("older addresses beside current offices", "older", "newer", "ken_all.zip", "2026-05-26");
  Row("older offices, addresses in use", "in use", "older", "jigyosyo.zip", "2026-04-28");
  Row("both older", "older", "older", "ken_all.zip", "2026-05-26");
  Row("both newer", "newer", "newer", "", "");
  Row("new addresses, offices in use", "newer", "in use", "", "");
  Row("other archives of the same day", "other", "in use", "", "");
  Row("offices newer than theirs, older than the addresses", "in use", "between", "", "");
}

// Each archive is compared with the one of its kind in use, by its sums and its own date:
// one that differs and is older is refused and named, whatever the other archive's date;
// allowed, it is imported.
void TestUpdater::olderArchiveRefused() {
  QFETCH(QString, ken);
  QFETCH(QString, jig);
  QFETCH(QString, refused);
  QFETCH(QString, inUse);
  auto write = [&](const QString& which, bool addresses) {
    std::string path = files_.path("older_" + which.toStdString() + (addresses ? "_ken.zip" : "_jig.zip"));
    int lines = which == u"in use" ? 1 : which == u"other" ? 2 : which == u"newer" ? 3 : 4;
    std::time_t when = which == u"newer"                  ? LocalNoon(2026, 6, 26)
                       : which == u"older"                ? LocalNoon(2020, 1, 6)
                       : which == u"between"              ? LocalNoon(2026, 5, 10)
                       : which == u"in use" && !addresses ? LocalNoon(2026, 4, 28)
                                                          : LocalNoon(2026, 5, 26);
    std::string csv = addresses ? WithEveryPrefecture(DataKind::Ken, TokyoLines(lines))
                                : WithEveryPrefecture(DataKind::Jig, "", lines == 1 ? "本町" : "新町");
    bool written = WriteZip(path, {{addresses ? "KEN_ALL.CSV" : "JIGYOSYO.CSV", csv}}, when);
    return written ? ReadFile(path) : std::string();
  };
  server_.Serve("/inuse/ken_all.zip", {200, write(QStringLiteral("in use"), true)});
  server_.Serve("/inuse/jigyosyo.zip", {200, write(QStringLiteral("in use"), false)});
  server_.Serve("/offered/ken_all.zip", {200, write(ken, true)});
  server_.Serve("/offered/jigyosyo.zip", {200, write(jig, false)});
  TempData target;
  std::atomic<bool> cancel{false};
  UpdateOptions options = Options(QStringLiteral("/inuse"), target);
  options.minKenRecords = options.minJigRecords = 1;
  QCOMPARE(int(RunUpdate(options, nullptr, cancel).status), int(UpdateStatus::Updated));
  auto before = FolderSnapshot(target.folder());

  options = Options(QStringLiteral("/offered"), target);
  options.minKenRecords = options.minJigRecords = 1;
  UpdateResult result = RunUpdate(options, nullptr, cancel);
  if (refused.isEmpty()) {
    QVERIFY2(result.status == UpdateStatus::Updated, result.message.c_str());
    return;
  }
  QCOMPARE(int(result.status), int(UpdateStatus::Failed));
  QCOMPARE(result.failure, UpdateFailure::Older);
  QCOMPARE(QString::fromStdString(result.file), refused);
  QCOMPARE(result.date, std::string("2020-01-06"));
  QCOMPARE(QString::fromStdString(result.inUseDate), inUse);
  QVERIFY2(result.message.rfind(refused.toStdString() + " is of 2020-01-06", 0) == 0, result.message.c_str());
  QVERIFY(FolderSnapshot(target.folder()) == before);

  std::vector<std::string> asked;
  options.allowOlder = [&](const std::string& file, const std::string& inUse, const std::string& offered) {
    asked.push_back(file + " " + offered + " " + inUse);
    return true;
  };
  result = RunUpdate(options, nullptr, cancel);
  QVERIFY2(result.status == UpdateStatus::Updated, result.message.c_str());
  QCOMPARE(asked, std::vector<std::string>{(refused + QStringLiteral(" 2020-01-06 ") + inUse).toStdString()});
}

// Gzip-encoded answers are decoded (else the archives would not read); a redirect is
// followed and said.
void TestUpdater::gzipAndRedirect() {
  TempData target;
  UpdateOptions options = Options(QStringLiteral("/gzip"), target);
  options.minKenRecords = options.minJigRecords = 1;
  std::atomic<bool> cancel{false};
  UpdateResult result = RunUpdate(options, nullptr, cancel);
  QVERIFY2(result.status == UpdateStatus::Updated, result.message.c_str());
  QCOMPARE(result.notes,
           std::vector<std::string>{"jigyosyo.zip: redirected to " + server_.BaseUrl() + "/gzip-files/jigyosyo.zip"});
  // What a failure concerns stays empty: a later failure must not name the last download.
  QVERIFY(result.file.empty() && result.url.empty() && result.bytes < 0);
}

void TestUpdater::redirectRule_data() {
  Columns<QString, QString, bool>("from", "to", "followed");
  Row("https to https", "https://a/x", "https://b/y", true);
  Row("https to HTTPS", "https://a/x", "HTTPS://b/y", true);
  Row("https to http", "https://a/x", "http://b/y", false);
  Row("http to https", "http://a/x", "https://b/y", true);
  Row("http to http", "http://a/x", "http://b/y", true);
  Row("http to ftp", "http://a/x", "ftp://b/y", false);
  Row("no scheme", "https://a/x", "//b/y", false);
}

void TestUpdater::redirectRule() {
  QFETCH(QString, from);
  QFETCH(QString, to);
  QFETCH(bool, followed);
  QCOMPARE(RedirectAllowed(from.toStdString(), to.toStdString()), followed);
}

void TestUpdater::downloadLimits_data() {
  Columns<QString, int, QString>("path",
                                 "bytes",     // received; -1: refused
                                 "message");  // a part of the refusal
  Row("10 redirects of 10", "/hop/10", 4, "");
  Row("11 redirects of 10", "/hop/11", -1, "more than 10 redirects");
  Row("no redirect", "/hop/0", 4, "");
  Row("at the size cap", "/size/plain1000", 1000, "");
  Row("past the size cap", "/size/plain1001", -1, "too large");
  Row("at the size cap, compressed", "/size/gzip1000", 1000, "");
  Row("past the size cap, compressed", "/size/gzip1001", -1, "too large");
}

void TestUpdater::downloadLimits() {
  QFETCH(QString, path);
  QFETCH(int, bytes);
  QFETCH(QString, message);
  TempData dir;
  DownloadLimits limits;
  limits.maxBytes = 1000;
  limits.maxRedirects = 10;
  std::atomic<bool> cancel{false};
  DownloadResult result =
      DownloadFile(server_.BaseUrl() + path.toStdString(), dir.path("file"), limits, DownloadProgress(), cancel);
  QVERIFY2(QString::fromStdString(result.message).contains(message), result.message.c_str());
  if (bytes < 0) {
    QVERIFY(result.error != DownloadError::None);
    QCOMPARE(FolderEntries(dir.folder()), std::vector<std::string>());
  } else {
    QCOMPARE(int(result.error), int(DownloadError::None));
    QCOMPARE(FileBytes(dir.path("file")).size(), std::size_t(bytes));
  }
}

// A cancel while the server holds the download back ends the update within moments. An
// import meanwhile leaves the update's work folder (in the target folder) alone; the
// cancel removes it.
void TestUpdater::cancel() {
  TempData target;
  WriteSetInUse(target);
  Recorder recorder;
  std::atomic<bool> cancel{false};
  UpdateResult result;
  std::atomic<bool> ended{false};
  std::thread worker([&] {
    result = RunUpdate(Options(QStringLiteral("/stall"), target), &recorder, cancel);
    ended.store(true);
  });
  struct Join {  // also when a check fails
    std::atomic<bool>& cancel;
    std::thread& worker;
    ~Join() {
      cancel.store(true);
      worker.join();
    }
  } join{cancel, worker};
  QTRY_VERIFY_WITH_TIMEOUT(recorder.received.load(), 10000);
  std::vector<std::string> work = FolderEntries(target.path("editions"));
  QCOMPARE(work.size(), std::size_t{1});
  QVERIFY2(work[0].rfind(".update-", 0) == 0, work[0].c_str());
  ImportSummary summary;
  std::string error;
  QVERIFY2(RunImport(PartialImport(files_.path("every_ken.csv"), "", target.folder()), summary, error), error.c_str());
  QVERIFY(!FolderEntries(target.path("editions/" + work[0])).empty());  // the download goes on
  auto before = FolderSnapshot(target.folder());
  std::erase_if(before, [&](const auto& entry) { return entry.first.find(work[0]) != std::string::npos; });
  QElapsedTimer clock;
  clock.start();
  cancel.store(true);
  QTRY_VERIFY_WITH_TIMEOUT(ended.load(), 10000);
  QVERIFY2(clock.elapsed() < 5000, "the cancel took longer than a few seconds");
  QCOMPARE(int(result.status), int(UpdateStatus::Cancelled));
  QVERIFY(FolderSnapshot(target.folder()) == before);
}

// Japan Post's archives into an empty folder (the same files as a plain import), then the
// altered copy over them (the changes, between the editions now previous and current, and
// the REMOVED list of the new edition), then the same copy again (nothing to do), then a
// plain import (an edition of its own, without the list).
void TestUpdater::updateAndChanges() {
  if (archives_.empty()) QSKIP("TANZEL_JAPANPOST_DIR is not set");
  TempData target;
  Recorder recorder;
  std::atomic<bool> cancel{false};
  UpdateResult result = RunUpdate(Options(QStringLiteral("/real"), target), &recorder, cancel);
  QVERIFY2(result.status == UpdateStatus::Updated, result.message.c_str());
  QVERIFY(!result.compared);
  QCOMPARE(recorder.steps, (std::vector<std::string>{"0ken_all.zip", "0jigyosyo.zip", "1", "2"}));
  QCOMPARE(recorder.completeFiles, (std::set<std::string>{"ken_all.zip", "jigyosyo.zip"}));
  std::optional<EditionRecord> edition = ReadEdition(target.path("current"));
  QVERIFY(edition && edition->date == "2026-05-26");
  QCOMPARE(ReadFile(target.path("current/REMOVED")), std::string("2026-05-26\n"));
  std::string plain = qEnvironmentVariable("TANZEL_TEST_DATA").toStdString() + "/";
  if (ReadEdition(ResolveEditionFolder(plain)) == edition) {
    for (int p = 1; p <= 47; ++p)
      for (const std::string& name : {KenName(p), JigName(p)})
        QVERIFY2(ReadFile(target.path(name)) == ReadFile(plain + name), name.c_str());
  }

  result = RunUpdate(Options(QStringLiteral("/altered"), target), nullptr, cancel);
  QVERIFY2(result.status == UpdateStatus::Updated, result.message.c_str());
  QVERIFY(result.compared);
  QCOMPARE(result.date, std::string(altered::kDate));
  const DataChanges& c = result.changes;
  QCOMPARE((std::array<long, 6>{c.ken.added, c.ken.removed, c.ken.changed, c.jig.added, c.jig.removed, c.jig.changed}),
           (std::array<long, 6>{2, 2, 1, 1, 1, 1}));
  DataChanges stored;
  std::string error;
  QVERIFY2(CompareDataSets(target.path("previous"), target.path("current"), stored, error), error.c_str());
  QCOMPARE(FormatChangesTsv(stored), FormatChangesTsv(c));
  std::string removed = std::string(altered::kDate) + "\n" + altered::kKenRemoved[0] + "\n" + altered::kKenRemoved[1] +
                        "\n" + altered::kJigRemoved + "\n";
  QCOMPARE(ReadFile(target.path("current/REMOVED")), removed);
  QCOMPARE(RemovedInEdition(target.path("current"), altered::kJigRemoved).value_or("none"),
           std::string(altered::kDate));
  QCOMPARE(server_.Requests("/altered-files/ken_all.zip"), 1);

  auto before = FolderSnapshot(target.folder());
  result = RunUpdate(Options(QStringLiteral("/altered"), target), nullptr, cancel);
  QCOMPARE(int(result.status), int(UpdateStatus::AlreadyCurrent));
  QVERIFY(FolderSnapshot(target.folder()) == before);

  ImportSummary summary;
  QVERIFY2(RunImport({files_.path("altered/ken_all.zip"), files_.path("altered/jigyosyo.zip"), target.folder()},
                     summary, error),
           error.c_str());
  QVERIFY(!RemovedInEdition(ResolveEditionFolder(target.folder()), altered::kJigRemoved));
}

QTEST_GUILESS_MAIN(TestUpdater)
#include "tst_updater.moc"
