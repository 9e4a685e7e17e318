// The data in use kept fresh: which change of the data makes it open the set anew.
#include <QTest>

#include <memory>
#include <string>

#include "shared/DataInUse.h"
#include "support/Env.h"
#include "support/Table.h"
#include "support/TempData.h"

using namespace tanzel;

class TestDataInUse : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void reopening_data() {
    Columns<bool, bool, bool, int, QString>("sameFolder", "moved", "afterUpdate", "reopening", "edition");
    const int none = int(Reopening::None), moved = int(Reopening::Moved), renewed = int(Reopening::Renewed),
              other = int(Reopening::OtherFolder);
    Row("same folder, nothing changed", true, false, false, none, "a1");
    Row("same folder, current moved", true, true, false, moved, "a2");
    Row("same folder, after an update", true, false, true, renewed, "a1");
    Row("same folder, current moved by the update", true, true, true, renewed, "a2");
    Row("other folder", false, false, false, other, "b1");
    Row("other folder, current moved", false, true, false, other, "b1");
    Row("other folder, after an update", false, false, true, other, "b1");
    Row("other folder, current moved by the update", false, true, true, other, "b1");
  }
  // A set is opened anew when it is asked for another folder, after an update, or when the
  // folder's `current` names another edition; otherwise the one held is handed out again.
  void reopening() {
    QFETCH(bool, sameFolder);
    QFETCH(bool, moved);
    QFETCH(bool, afterUpdate);
    TempData a, b;
    QVERIFY(WriteEdition(a.folder(), "a1", "", "2026-01-01") && UseEdition(a.folder(), "a1"));
    QVERIFY(WriteEdition(a.folder(), "a2", "", "2026-02-01"));
    QVERIFY(WriteEdition(b.folder(), "b1", "", "2026-01-01") && UseEdition(b.folder(), "b1"));
    DataInUse data([](const std::string& folder) { return DataSet::Open(folder); });
    const DataInUse::Taken first = data.Get(a.folder());
    QCOMPARE(int(first.reopening), int(Reopening::First));

    if (moved) QVERIFY(UseEdition(a.folder(), "a2"));
    if (afterUpdate) data.Renew();
    const DataInUse::Taken taken = data.Get(sameFolder ? a.folder() : b.folder());
    QTEST(int(taken.reopening), "reopening");
    QTEST(QString::fromStdString(taken.set->EditionId()), "edition");
    QCOMPARE(taken.set == first.set, taken.reopening == Reopening::None);
    // What was opened is held: the next look keeps it.
    const DataInUse::Taken again = data.Get(sameFolder ? a.folder() : b.folder());
    QCOMPARE(int(again.reopening), int(Reopening::None));
    QCOMPARE(again.set, taken.set);
  }

  // Without an opener of its own, it opens the data the program reads: here the user's data
  // folder, whose edition is newer than that of the program's folder.
  void defaultOpener() {
    TempData program, home;
    const std::string user = home.folder() + "tanzel/";
    QVERIFY(WriteEdition(program.folder(), "p1", "", "2026-01-01") && UseEdition(program.folder(), "p1"));
    QVERIFY(WriteEdition(user, "u1", "", "2026-02-01") && UseEdition(user, "u1"));
    ScopedEnv xdg("XDG_DATA_HOME", QByteArray::fromStdString(home.folder()));
    DataInUse data;
    const DataInUse::Taken taken = data.Get(program.folder());
    QCOMPARE(taken.set->Folder(), user);
    QCOMPARE(QString::fromStdString(taken.set->EditionId()), QStringLiteral("u1"));
  }
};

QTEST_GUILESS_MAIN(TestDataInUse)
#include "tst_datainuse.moc"
