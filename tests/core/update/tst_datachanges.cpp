// What an update changed: two small sets compared, the REMOVED list and its notice.
#include <QTest>

#include "core/data/RemovedNotice.h"
#include "core/text/SjisText.h"
#include "core/update/DataChanges.h"
#include "support/DataLines.h"
#include "support/Table.h"
#include "support/TempData.h"

using namespace tanzel;

namespace {

std::string Ken(const char* postal, const char* townKana, const char* town) {
  return KenCsv(13101, postal, "チヨダク", townKana, "千代田区", town);
}

std::string Jig(const char* postal, const char* kanji) {
  return JigCsv(13101, "カブシキガイシャ", kanji, "丸の内", "１－１", postal);
}

// An old and a new set of Tokyo records.
struct Sets {
  TempData before, after;
  Sets() {
    before.writeEmptyPrefectures();
    after.writeEmptyPrefectures();
    before.write(KenName(13), Ken("1000001", "チヨダ", "千代田") + Ken("1000002", "コウキョガイエン", "皇居外苑") +
                                  Ken("1000003", "ヒトツバシ", "一ツ橋") + Ken("1000004", "オオテマチ", "大手町") +
                                  Ken("1000005", "マルノウチ", "丸の内") + Ken("1000005", "ユウラクチョウ", "有楽町") +
                                  Ken("1000007", "ウチサイワイチョウ", "内幸町"));
    after.write(KenName(13), Ken("1000002", "コウキョガイエン", "皇居外苑") + Ken("1000003", "ヒトツバシ", "一ツ橋二") +
                                 Ken("1000004", "オオテチョウ", "大手町") + Ken("1000005", "マルノウチ", "丸の内") +
                                 Ken("1000005", "ウチサイワイチョウ", "内幸町") + Ken("1000006", "ハナレ", "離れ"));
    before.write(JigName(13), Jig("1008001", "甲商事") + Jig("1008002", "乙商事"));
    // 1000007 moves from the addresses to the offices: changed kinds, but not removed.
    after.write(JigName(13), Jig("1008001", "甲商事新社") + Jig("1000007", "丙商事"));
  }
};

}  // namespace

class TestDataChanges : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void compare();
  void removedList();
  void keywordCode_data();
  void keywordCode();
};

void TestDataChanges::compare() {
  Sets sets;
  DataChanges changes;
  std::string error;
  QVERIFY2(CompareDataSets(sets.before.folder(), sets.after.folder(), changes, error), error.c_str());
  QCOMPARE((std::array<long, 3>{changes.ken.added, changes.ken.removed, changes.ken.changed}),
           (std::array<long, 3>{1, 2, 3}));
  QCOMPARE((std::array<long, 3>{changes.jig.added, changes.jig.removed, changes.jig.changed}),
           (std::array<long, 3>{1, 1, 1}));
  QCOMPARE(changes.removedCodes, (std::vector<std::string>{"1000001", "1008002"}));
  QString tsv = QString::fromStdString(FormatChangesTsv(changes));
  QStringList lines = tsv.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
  QCOMPARE(lines.size(), 1 + 9);
  QCOMPARE(lines[0], QStringLiteral("kind\tchange\tcode\tbefore\tafter"));
  QCOMPARE(lines[1], QStringLiteral(u"KEN\tremoved\t1000001\t東京都千代田区千代田\t"));
  QCOMPARE(lines[2], QStringLiteral(u"KEN\tchanged\t1000003\t東京都千代田区一ツ橋\t東京都千代田区一ツ橋二"));
  // The same text before and after: the readings tell the change.
  QCOMPARE(lines[3],
           QStringLiteral(u"KEN\tchanged\t1000004\t東京都千代田区大手町（トウキョウト　チヨダク　オオテマチ）\t"
                          u"東京都千代田区大手町（トウキョウト　チヨダク　オオテチョウ）"));
  // Of a code's records, only those that differ.
  QCOMPARE(lines[4], QStringLiteral(u"KEN\tchanged\t1000005\t東京都千代田区有楽町\t東京都千代田区内幸町"));
  QCOMPARE(lines[5], QStringLiteral(u"KEN\tadded\t1000006\t\t東京都千代田区離れ"));
  QCOMPARE(lines[6], QStringLiteral(u"KEN\tremoved\t1000007\t東京都千代田区内幸町\t"));
  QCOMPARE(lines[7], QStringLiteral(u"JIG\tadded\t1000007\t\t丙商事　東京都千代田区丸の内１－１"));
  QVERIFY(lines[8].startsWith(QStringLiteral(u"JIG\tchanged\t1008001\t甲商事　")));
  QVERIFY(lines[9].startsWith(QStringLiteral(u"JIG\tremoved\t1008002\t乙商事　")));

  QVERIFY2(CompareDataSets(sets.after.folder(), sets.after.folder(), changes, error), error.c_str());
  QVERIFY(changes.list.empty());
  ::unlink(sets.after.path(JigName(47)).c_str());
  QVERIFY(!CompareDataSets(sets.before.folder(), sets.after.folder(), changes, error));
  QVERIFY2(error.find("JIG47.CSV") != std::string::npos, error.c_str());
}

// The list is believed only while its date is that of the edition in use.
void TestDataChanges::removedList() {
  TempData data;
  QVERIFY(data.write("REMOVED", FormatRemoved("2026-06-26", {"1000001", "1008002"})));
  QVERIFY(!RemovedInEdition(data.folder(), "1000001"));  // no EDITION
  QVERIFY(data.write("EDITION", "2026-06-26\n"));
  QCOMPARE(RemovedInEdition(data.folder(), "1008002").value_or("none"), std::string("2026-06-26"));
  QVERIFY(!RemovedInEdition(data.folder(), "1000002"));
  QVERIFY(!RemovedInEdition(data.folder(), "100000"));
  QCOMPARE(SjisToUtf8(RemovedCodeNotice(*DataSet::Open(data.folder()), "100-0001")),
           std::string("この郵便番号は令和8年6月の更新で廃止されました"));
  QVERIFY(RemovedCodeNotice(*DataSet::Open(data.folder()), "1000002").empty());
  QVERIFY(data.write("EDITION", "2026-07-28\n"));  // a later import without a list
  QVERIFY(!RemovedInEdition(data.folder(), "1000001"));
}

void TestDataChanges::keywordCode_data() {
  Columns<QString, QByteArray>("keyword", "code");
  QTest::newRow("seven digits") << QStringLiteral("1000001") << QByteArray("1000001");
  QTest::newRow("with hyphen") << QStringLiteral("100-0001") << QByteArray("1000001");
  QTest::newRow("full width") << QStringLiteral(u"１００－０００１") << QByteArray("1000001");
  QTest::newRow("postal mark, spaces") << QStringLiteral(u"〒 100　0001 ") << QByteArray("1000001");
  QTest::newRow("hyphen U+2010") << QStringLiteral(u"100‐0001") << QByteArray("1000001");
  QTest::newRow("minus sign") << QStringLiteral(u"１００−０００１") << QByteArray("1000001");
  QTest::newRow("long vowel mark") << QStringLiteral(u"１００ー０００１") << QByteArray("1000001");
  QTest::newRow("mixed widths") << QStringLiteral(u"1００-0００1") << QByteArray("1000001");
  QTest::newRow("a letter") << QStringLiteral(u"100-000a") << QByteArray();
  QTest::newRow("postal mark inside") << QStringLiteral(u"100〒0001") << QByteArray();
  QTest::newRow("hyphen misplaced") << QStringLiteral("1000-001") << QByteArray();
  QTest::newRow("two hyphens") << QStringLiteral("100--0001") << QByteArray();
  QTest::newRow("eight digits") << QStringLiteral("10000011") << QByteArray();
  QTest::newRow("six digits") << QStringLiteral("100000") << QByteArray();
  QTest::newRow("a place") << QStringLiteral(u"千代田") << QByteArray();
}

void TestDataChanges::keywordCode() {
  QFETCH(QString, keyword);
  QFETCH(QByteArray, code);
  QCOMPARE(QByteArray::fromStdString(PostalCodeOfKeyword(*Utf8ToSjis(keyword.toStdString()))), code);
}

QTEST_GUILESS_MAIN(TestDataChanges)
#include "tst_datachanges.moc"
