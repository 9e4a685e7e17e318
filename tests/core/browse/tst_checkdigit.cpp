// The check digit of a local government code.
#include <QTest>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "core/browse/BrowseText.h"
#include "core/browse/CheckDigit.h"
#include "core/data/DataFile.h"
#include "core/data/Loaders.h"
#include "core/text/SjisText.h"
#include "support/Table.h"

using namespace tanzel;

class TestCheckDigit : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void digit_data();
  void digit();
  void tooShort();
  void onlyFiveCharactersCount();
  void publishedCodesOfTheRealData_data();
  void publishedCodesOfTheRealData();
};

void TestCheckDigit::digit_data() {
  Columns<QByteArray, int>("code5", "expected");
  // Sum 27, remainder 5.
  QTest::newRow("13101") << QByteArray("13101") << 6;
  // Remainder 0 gives 1, remainder 1 gives 0.
  QTest::newRow("01101") << QByteArray("01101") << 1;
  QTest::newRow("01107") << QByteArray("01107") << 0;
  QTest::newRow("01100") << QByteArray("01100") << 2;
  QTest::newRow("00000") << QByteArray("00000") << 1;
  // 6*4+5*7+4*2+3*0+2*1 = 69, remainder 3.
  QTest::newRow("47201") << QByteArray("47201") << 8;
  // 6+5*3+4*2+3*0+2*3 = 35, remainder 2 gives 9.
  QTest::newRow("13203") << QByteArray("13203") << 9;
  // 6*9+5*9+4*9+3*9+2*9 = 180, remainder 4.
  QTest::newRow("99999") << QByteArray("99999") << 7;
}

void TestCheckDigit::digit() {
  QFETCH(QByteArray, code5);
  QFETCH(int, expected);
  QCOMPARE(CheckDigit(code5.constData()), expected);
}

void TestCheckDigit::tooShort() {
  QCOMPARE(CheckDigit(""), -1);
  QCOMPARE(CheckDigit("1310"), -1);
}

void TestCheckDigit::onlyFiveCharactersCount() {
  QCOMPARE(CheckDigit("131019"), CheckDigit("13101"));
}

// Six-digit codes as the national list of local government codes publishes them, for cities
// of the real data: the result dialog of the city's first record shows the same six digits.
// Both special remainders are among them (札幌市中央区 0, 札幌市西区 and 札幌市清田区 1).
void TestCheckDigit::publishedCodesOfTheRealData_data() {
  Columns<int, QString, QString>("code", "city", "published");
  QTest::newRow("札幌市中央区") << 1101 << QStringLiteral(u"札幌市中央区") << QStringLiteral("011011");
  QTest::newRow("札幌市西区") << 1107 << QStringLiteral(u"札幌市西区") << QStringLiteral("011070");
  QTest::newRow("札幌市清田区") << 1110 << QStringLiteral(u"札幌市清田区") << QStringLiteral("011100");
  QTest::newRow("函館市") << 1202 << QStringLiteral(u"函館市") << QStringLiteral("012025");
  QTest::newRow("水戸市") << 8201 << QStringLiteral(u"水戸市") << QStringLiteral("082015");
  QTest::newRow("千代田区") << 13101 << QStringLiteral(u"千代田区") << QStringLiteral("131016");
  QTest::newRow("新宿区") << 13104 << QStringLiteral(u"新宿区") << QStringLiteral("131041");
  QTest::newRow("富山市") << 16201 << QStringLiteral(u"富山市") << QStringLiteral("162019");
  QTest::newRow("豊橋市") << 23201 << QStringLiteral(u"豊橋市") << QStringLiteral("232017");
  QTest::newRow("大阪市北区") << 27127 << QStringLiteral(u"大阪市北区") << QStringLiteral("271276");
  QTest::newRow("呉市") << 34202 << QStringLiteral(u"呉市") << QStringLiteral("342025");
  QTest::newRow("福岡市中央区") << 40133 << QStringLiteral(u"福岡市中央区") << QStringLiteral("401331");
  QTest::newRow("那覇市") << 47201 << QStringLiteral(u"那覇市") << QStringLiteral("472018");
}

void TestCheckDigit::publishedCodesOfTheRealData() {
  QFETCH(int, code);
  QFETCH(QString, city);
  QFETCH(QString, published);
  const char* dir = std::getenv("TANZEL_TEST_DATA");
  std::string folder = dir ? std::string(dir) + "/" : std::string();
  char name[FileNameCapacity];
  std::FILE* probe = dir && DataFileName(name, folder.c_str(), DataKind::Ken, 13) ? std::fopen(name, "rb") : nullptr;
  if (!probe) QSKIP("no imported data files in TANZEL_TEST_DATA");
  std::fclose(probe);

  std::unique_ptr<KenRecord[]> table(new KenRecord[TableCapacity]());
  LoadResult r = LoadKenFile(folder.c_str(), code / 1000, table.get());
  int i = 0;
  while (i < r.count && table[i].LocalGovCode != code) ++i;
  QVERIFY2(i < r.count, "the city is not in the data");
  QCOMPARE(QString::fromStdString(SjisToUtf8(table[i].CityKanji)), city);
  const std::string shown = AddressResult(table[i]).CodeText;
  QCOMPARE(QString::fromStdString(SjisToUtf8(shown.substr(shown.rfind('\n') + 1))),
           QStringLiteral(u"ディジットコード付：") + published);
}

QTEST_APPLESS_MAIN(TestCheckDigit)
#include "tst_checkdigit.moc"
