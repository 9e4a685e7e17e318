// The check digit of a local government code.
#include <QTest>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "core/browse/CheckDigit.h"
#include "core/data/DataFile.h"
#include "core/data/Loaders.h"

using namespace tanzel;

class TestCheckDigit : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void digit_data();
  void digit();
  void tooShort();
  void onlyFiveCharactersCount();
  void everyCodeOfTheRealData();
};

void TestCheckDigit::digit_data() {
  QTest::addColumn<QByteArray>("code5");
  QTest::addColumn<int>("expected");
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

void TestCheckDigit::everyCodeOfTheRealData() {
  const char* dir = std::getenv("TANZEL_TEST_DATA");
  std::string folder = dir ? std::string(dir) + "/" : std::string();
  char name[FileNameCapacity];
  std::FILE* probe = dir && DataFileName(name, folder.c_str(), DataKind::Ken, 13) ? std::fopen(name, "rb") : nullptr;
  if (!probe) QSKIP("no imported data files in TANZEL_TEST_DATA");
  std::fclose(probe);

  std::unique_ptr<KenRecord[]> table(new KenRecord[TableCapacity]());
  int codes = 0;
  for (int pref = 1; pref <= PrefectureCount; ++pref) {
    LoadResult r = LoadKenFile(folder.c_str(), pref, table.get());
    QVERIFY2(r.count > 0, qPrintable(QStringLiteral("prefecture %1").arg(pref)));
    for (int i = 0; i < r.count; ++i) {
      const int code = table[i].LocalGovCode;
      QVERIFY2(code > 0 && code <= 99999, qPrintable(QString::number(code)));
      char code5[16];
      std::snprintf(code5, sizeof code5, "%05d", code);
      int c = CheckDigit(code5);
      QVERIFY2(c >= 0 && c <= 9, code5);
      ++codes;
    }
  }
  QVERIFY(codes > 100000);
}

QTEST_APPLESS_MAIN(TestCheckDigit)
#include "tst_checkdigit.moc"
