// The edition record: era dates, the EDITION text, what an import records.
#include <QCryptographicHash>
#include <QFile>
#include <QTest>

#include <sys/stat.h>
#include <utime.h>

#include "core/data/EraDate.h"
#include "core/import/ArchiveSums.h"
#include "core/import/Importer.h"
#include "support/Archives.h"
#include "support/DataLines.h"
#include "support/Sjis.h"
#include "support/Table.h"
#include "support/TempData.h"

using namespace tanzel;

namespace {

const std::string kSum(64, 'a');

}  // namespace

class TestEdition : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void eraDate_data();
  void eraDate();
  void parseEdition_data();
  void parseEdition();
  void archiveDatesAndSums();
  void importRecordsEdition();
};

void TestEdition::eraDate_data() {
  Columns<QByteArray, QString>("iso",
                               "label");  // empty: not a date
  QTest::newRow("the 2026-05 data") << QByteArray("2026-05-26") << QStringLiteral(u"令和8年5月26日　郵便番号改定");
  QTest::newRow("first day of Reiwa") << QByteArray("2019-05-01") << QStringLiteral(u"令和元年5月1日　郵便番号改定");
  QTest::newRow("last day of Heisei") << QByteArray("2019-04-30") << QStringLiteral(u"平成31年4月30日　郵便番号改定");
  QTest::newRow("second year") << QByteArray("2020-01-01") << QStringLiteral(u"令和2年1月1日　郵便番号改定");
  QTest::newRow("first day of Heisei") << QByteArray("1989-01-08") << QStringLiteral(u"平成元年1月8日　郵便番号改定");
  QTest::newRow("before Heisei") << QByteArray("1989-01-07") << QStringLiteral(u"1989年1月7日　郵便番号改定");
  QTest::newRow("leap day") << QByteArray("2028-02-29") << QStringLiteral(u"令和10年2月29日　郵便番号改定");
  QTest::newRow("no leap day") << QByteArray("2026-02-29") << QString();
  QTest::newRow("century no leap") << QByteArray("2100-02-29") << QString();
  QTest::newRow("month 13") << QByteArray("2026-13-01") << QString();
  QTest::newRow("day 0") << QByteArray("2026-05-00") << QString();
  QTest::newRow("short fields") << QByteArray("2026-5-26") << QString();
  QTest::newRow("slashes") << QByteArray("2026/05/26") << QString();
}

void TestEdition::eraDate() {
  QFETCH(QByteArray, iso);
  QFETCH(QString, label);
  std::optional<CalendarDate> date = ParseIsoDate(iso.toStdString());
  QCOMPARE(date.has_value(), !label.isEmpty());
  if (!date) return;
  QCOMPARE(FromSjis(DataDateLabel(*date)), label);
  QCOMPARE(FromSjis(EraMonthText(*date)), label.left(label.indexOf(u'月') + 1));
}

void TestEdition::parseEdition_data() {
  Columns<QByteArray, int>("text",
                           "archives");  // -1: not a record
  QByteArray line = QByteArray::fromStdString(kSum) + "  ken_all.zip\n";
  QTest::newRow("date only") << QByteArray("2026-05-26\n") << 0;
  QTest::newRow("two archives") << "2026-05-26\n" + line + line << 2;
  QTest::newRow("no final line feed") << "2026-05-26\n" + line.chopped(1) << 1;
  QTest::newRow("empty") << QByteArray() << -1;
  QTest::newRow("no date") << line << -1;
  QTest::newRow("one space") << "2026-05-26\n" + line.replace("  ", " ") << -1;
  QTest::newRow("upper-case hex") << "2026-05-26\n" + line.toUpper() << -1;
  QTest::newRow("short sum") << "2026-05-26\n" + line.mid(1) << -1;
  line = QByteArray::fromStdString(kSum) + "  ken_all.zip\n";  // as it was before the rows above
  QByteArray other = QByteArray::fromStdString(kSum) + "  jigyosyo.zip\n";
  QTest::newRow("archive dates") << "2026-05-26\n" + line + other +
                                        "2026-05-26  ken_all.zip\n2020-01-06  jigyosyo.zip\n"
                                 << 2;
  QTest::newRow("one archive dated") << "2026-05-26\n" + line + other + "2020-01-06  jigyosyo.zip\n" << 2;
  QTest::newRow("date of no archive") << "2026-05-26\n" + line + "2026-05-26  jigyosyo.zip\n" << -1;
  QTest::newRow("date before its archive") << "2026-05-26\n2026-05-26  ken_all.zip\n" + line << -1;
  QTest::newRow("archive dated twice") << "2026-05-26\n" + line + "2026-05-26  ken_all.zip\n2026-05-27  ken_all.zip\n"
                                       << -1;
  QTest::newRow("not a date") << "2026-05-26\n" + line + "2026-13-26  ken_all.zip\n" << -1;
}

void TestEdition::parseEdition() {
  QFETCH(QByteArray, text);
  QFETCH(int, archives);
  std::optional<EditionRecord> record = ParseEdition(text.toStdString());
  QCOMPARE(record ? static_cast<int>(record->archives.size()) : -1, archives);
  if (record && text.endsWith('\n')) QCOMPARE(FormatEdition(*record), text.toStdString());
}

// The date is the newest among the CSV entries of all archives (other entries do not
// count); a bare CSV counts with its own time; the sums are those of the files.
void TestEdition::archiveDatesAndSums() {
  TempData dir;
  QVERIFY(WriteZip(dir.path("a.zip"), {{"A.CSV", "x"}}, LocalNoon(2026, 5, 26)));
  QVERIFY(WriteZip(dir.path("b.zip"), {{"B.csv", "y"}, {"readme.txt", "z"}}, LocalNoon(2026, 4, 30)));
  QVERIFY(WriteZip(dir.path("c.zip"), {{"readme.txt", "z"}}, LocalNoon(2027, 1, 1)));
  QVERIFY(dir.write("D.CSV", "d"));
  utimbuf times{LocalNoon(2026, 6, 1), LocalNoon(2026, 6, 1)};
  QCOMPARE(utime(dir.path("D.CSV").c_str(), &times), 0);

  EditionRecord record;
  std::string error;
  QVERIFY2(MakeEdition({dir.path("b.zip"), dir.path("a.zip"), dir.path("c.zip")}, record, error), error.c_str());
  QCOMPARE(record.date, std::string("2026-05-26"));
  QCOMPARE(record.archives.size(), std::size_t{3});
  QCOMPARE(record.archives[0].name, std::string("b.zip"));
  QCOMPARE(record.archives[0].sha256, FileSha256(dir.path("b.zip")));
  // Each archive keeps its own date; one without a CSV entry has none.
  QCOMPARE(record.archives[0].date, std::string("2026-04-30"));
  QCOMPARE(record.archives[1].date, std::string("2026-05-26"));
  QCOMPARE(record.archives[2].date, std::string());
  QVERIFY2(MakeEdition({dir.path("a.zip"), dir.path("D.CSV")}, record, error), error.c_str());
  QCOMPARE(record.date, std::string("2026-06-01"));
  QVERIFY(!MakeEdition({dir.path("c.zip")}, record, error));  // no CSV entry: no date
  QVERIFY(!MakeEdition({dir.path("missing.zip")}, record, error));
  QVERIFY2(error.find("missing.zip") != std::string::npos, error.c_str());
}

// Every import writes EDITION and the files it is given, with the data files; a failed
// import writes neither.
void TestEdition::importRecordsEdition() {
  TempData dir;
  std::string ken = "13101,\"100  \",\"1000001\",\"" + S("ﾄｳｷｮｳﾄ") + "\",\"" + S("ﾁﾖﾀﾞｸ") + "\",\"" + S("ﾁﾖﾀﾞ") +
                    "\",\"" + S("東京都") + "\",\"" + S("千代田区") + "\",\"" + S("千代田") + "\",0,0,0,0,0,0\r\n";
  QVERIFY(WriteZip(dir.path("ken_all.zip"), {{"KEN_ALL.CSV", WithEveryPrefecture(DataKind::Ken, ken)}},
                   LocalNoon(2026, 5, 26)));
  ImportOptions options = PartialImport(dir.path("ken_all.zip"), "", dir.path("out"));
  options.extraFiles = {{"REMOVED", "2026-05-26\n1000002\n"}};
  ImportSummary summary;
  std::string error;
  QVERIFY2(RunImport(options, summary, error), error.c_str());
  QCOMPARE(summary.editionDate, std::string("2026-05-26"));
  QCOMPARE(ReadFile(dir.path("out/current/EDITION")),
           "2026-05-26\n" + FileSha256(dir.path("ken_all.zip")) + "  ken_all.zip\n2026-05-26  ken_all.zip\n");
  QCOMPARE(ReadFile(dir.path("out/current/REMOVED")), std::string("2026-05-26\n1000002\n"));
  QVERIFY(ReadEdition(dir.path("out/current")).has_value());

  QVERIFY(dir.write("bad.zip", "PK\x03\x04 not an archive"));
  options.kenPath = dir.path("bad.zip");
  options.extraFiles = {{"REMOVED", "other"}};
  QVERIFY(!RunImport(options, summary, error));
  QCOMPARE(ReadFile(dir.path("out/current/REMOVED")), std::string("2026-05-26\n1000002\n"));
}

QTEST_GUILESS_MAIN(TestEdition)
#include "tst_edition.moc"
