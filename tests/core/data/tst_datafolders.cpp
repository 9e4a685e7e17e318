// Which data folder the program reads and where an update writes.
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

#include "core/data/DataFolders.h"
#include "support/Env.h"
#include "support/Table.h"
#include "support/TempData.h"

using namespace tanzel;

namespace {

// A data set in `folder` (created), with an EDITION of `date` when it is not empty; when
// `complete` is false the last office file is missing. With `edition`, the set is the
// edition in use, `folder`/editions/1 named by `folder`/current, and `folder` itself holds
// a complete set of plain files without a record (what an import adopts as its first
// edition), which readers must not take for it.
void WriteSet(std::string folder, const QByteArray& date, bool complete, bool edition = false) {
  ::mkdir(folder.c_str(), 0755);
  if (edition) {
    WriteSet(folder, QByteArray(), true);
    ::mkdir((folder + "editions").c_str(), 0755);
    ::symlink("editions/1", (folder + "current").c_str());
    folder += "editions/1/";
    ::mkdir(folder.c_str(), 0755);
  }
  for (int p = 1; p <= 47; ++p) {
    for (const std::string& name : {KenName(p), JigName(p)}) {
      if (!complete && name == "JIG47.CSV") continue;
      FILE* f = std::fopen((folder + name).c_str(), "wb");
      std::fclose(f);
    }
  }
  if (!date.isEmpty()) {
    FILE* f = std::fopen((folder + "EDITION").c_str(), "wb");
    std::fprintf(f, "%s\n", date.constData());
    std::fclose(f);
  }
}

}  // namespace

class TestDataFolders : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void userFolder_data();
  void userFolder();
  void choice_data();
  void choice();
  void updateTarget_data();
  void updateTarget();
};

void TestDataFolders::userFolder_data() {
  Columns<QByteArray, QByteArray, QString>("xdg",  // null: unset
                                           "home", "folder");
  QTest::newRow("XDG_DATA_HOME") << QByteArray("/x/data") << QByteArray("/h") << QStringLiteral("/x/data/tanzel/");
  QTest::newRow("trailing slash") << QByteArray("/x/data/") << QByteArray("/h") << QStringLiteral("/x/data/tanzel/");
  QTest::newRow("relative: ignored") << QByteArray("x/data") << QByteArray("/h")
                                     << QStringLiteral("/h/.local/share/tanzel/");
  QTest::newRow("empty: ignored") << QByteArray("") << QByteArray("/h") << QStringLiteral("/h/.local/share/tanzel/");
  QTest::newRow("unset") << QByteArray() << QByteArray("/h") << QStringLiteral("/h/.local/share/tanzel/");
  QTest::newRow("neither") << QByteArray() << QByteArray() << QString();
}

void TestDataFolders::userFolder() {
  QFETCH(QByteArray, xdg);
  QFETCH(QByteArray, home);
  QFETCH(QString, folder);
  ScopedEnv x("XDG_DATA_HOME", xdg);
  ScopedEnv h("HOME", home);
  QCOMPARE(QString::fromStdString(UserDataFolder()), folder);
}

void TestDataFolders::choice_data() {
  Columns<QByteArray, QByteArray, bool, bool, bool>("programDate",  // empty: no EDITION
                                                    "userDate",     // null: no user set at all
                                                    "userComplete",
                                                    "editions",  // both sets as editions in use (else plain files)
                                                    "user");     // the user's folder is chosen
  QByteArray may("2026-05-26"), june("2026-06-26");
  QTest::newRow("newer, complete") << may << june << true << false << true;
  QTest::newRow("newer, incomplete") << may << june << false << false << false;
  QTest::newRow("older") << june << may << true << false << false;
  QTest::newRow("same date") << may << may << true << false << false;
  QTest::newRow("program set undated") << QByteArray() << may << true << false << true;
  QTest::newRow("user set undated") << may << QByteArray("") << true << false << false;
  QTest::newRow("no user set") << may << QByteArray() << false << false << false;
  QTest::newRow("editions, newer, complete") << may << june << true << true << true;
  QTest::newRow("editions, newer, incomplete") << may << june << false << true << false;
  QTest::newRow("editions, older") << june << may << true << true << false;
}

void TestDataFolders::choice() {
  QFETCH(QByteArray, programDate);
  QFETCH(QByteArray, userDate);
  QFETCH(bool, userComplete);
  QFETCH(bool, editions);
  QFETCH(bool, user);
  TempData program, home;
  WriteSet(program.folder(), programDate, true, editions);
  if (!userDate.isNull()) WriteSet(home.folder() + "tanzel/", userDate, userComplete, editions);
  ScopedEnv x("XDG_DATA_HOME", QByteArray::fromStdString(home.folder()));
  QCOMPARE(ChooseDataFolder(program.folder()), user ? home.folder() + "tanzel/" : program.folder());
}

void TestDataFolders::updateTarget_data() {
  Columns<bool, bool, bool>("writable",  // this process may write into the program's folder
                            "packaged",  // the folder holds the package manager's marker
                            "user");     // the update goes into the user's folder
  Row("own copy", true, false, false);
  Row("package, writable (root)", true, true, true);
  Row("read-only", false, false, true);
  Row("package, read-only", false, true, true);
}

void TestDataFolders::updateTarget() {
  QFETCH(bool, writable);
  QFETCH(bool, packaged);
  QFETCH(bool, user);
  if (!writable && ::geteuid() == 0) QSKIP("root may write into any folder");
  TempData program, home;
  WriteSet(program.folder(), "2026-05-26", true);
  if (packaged) std::fclose(std::fopen((program.folder() + PackagedMarker()).c_str(), "wb"));
  if (!writable) ::chmod(program.folder().c_str(), 0555);
  ScopedEnv x("XDG_DATA_HOME", QByteArray::fromStdString(home.folder()));
  std::string target = UpdateTargetFolder(program.folder());
  ::chmod(program.folder().c_str(), 0755);
  QCOMPARE(target, user ? home.folder() + "tanzel/" : program.folder());
}

QTEST_GUILESS_MAIN(TestDataFolders)
#include "tst_datafolders.moc"
