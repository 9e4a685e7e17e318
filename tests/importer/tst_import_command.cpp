// tanzel-import's command line for an import: its help, its arguments, its report and its exit
// status, also when its output cannot be written.
#include <QTest>

#include <cstdio>
#include <string>
#include <vector>

#include "importer/ImportCommand.h"
#include "support/DataLines.h"
#include "support/TempData.h"

using namespace tanzel;

class TestImportCommand : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void commandLine();
};

void TestImportCommand::commandLine() {
  TempData dir;
  QVERIFY(dir.write("JIGYOSYO.CSV", WithEveryPrefecture(DataKind::Jig, "")));
  // `outFile`: where the standard output goes instead of a temporary file.
  auto run = [](std::vector<std::string> args, std::string& out, std::string& err, const char* outFile = nullptr) {
    std::vector<const char*> argv{"tanzel-import"};
    for (const auto& a : args) argv.push_back(a.c_str());
    std::FILE* o = outFile ? std::fopen(outFile, "w") : std::tmpfile();
    std::FILE* e = std::tmpfile();
    int rc = ImportCommand(static_cast<int>(argv.size()), argv.data(), o, e);
    auto slurp = [](std::FILE* f) {
      std::string s;
      std::rewind(f);
      for (int c; (c = std::fgetc(f)) != EOF;) s.push_back(static_cast<char>(c));
      std::fclose(f);
      return s;
    };
    out = slurp(o);
    err = slurp(e);
    return rc;
  };
  std::string out;
  std::string err;
  QCOMPARE(run({"--help"}, out, err), 0);
  QVERIFY(out.find("Usage: tanzel-import [--ken FILE] [--jig FILE] [--partial] --out DIR") == 0);
  QVERIFY(out.find("utf_ken_all.zip") != std::string::npos);
  QCOMPARE(run({}, out, err), 2);
  QVERIFY(err.find("Usage") != std::string::npos);
  QCOMPARE(run({"--jig", dir.path("JIGYOSYO.CSV")}, out, err), 2);
  QCOMPARE(run({"--out", dir.path("o"), "--bogus"}, out, err), 2);
  QVERIFY(err.find("unknown argument '--bogus'") != std::string::npos);
  QCOMPARE(run({"--out"}, out, err), 2);
  QCOMPARE(run({"--jig", dir.path("JIGYOSYO.CSV"), "--partial", "--out=" + dir.path("o")}, out, err), 0);
  QVERIFY2(out.find("read:    47 lines, 47 records") != std::string::npos, out.c_str());
  QVERIFY2(out.find("47 files written to ") != std::string::npos, out.c_str());
  QVERIFY2(out.find("nothing shortened: every record written whole") != std::string::npos, out.c_str());
  QCOMPARE(run({"--ken", dir.path("missing.zip"), "--out", dir.path("o")}, out, err), 1);
  QVERIFY2(err.find("tanzel-import: " + dir.path("missing.zip") + ": cannot open") == 0, err.c_str());
  // Output that cannot be written is an error, said on the error output.
  QCOMPARE(run({"--help"}, out, err, "/dev/full"), 1);
  QVERIFY2(err == "tanzel-import: the help could not be written: No space left on device\n", err.c_str());
  QCOMPARE(run({"--jig", dir.path("JIGYOSYO.CSV"), "--partial", "--out", dir.path("o")}, out, err, "/dev/full"), 1);
  QVERIFY2(err.find("tanzel-import: the data is imported, but its report could not be written: No space") == 0,
           err.c_str());
}

QTEST_GUILESS_MAIN(TestImportCommand)
#include "tst_import_command.moc"
