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
#include "support/Sjis.h"
#include "support/Table.h"

using namespace tanzel;

class TestCheckDigit : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void digit_data() {
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
  void digit() {
    QFETCH(QByteArray, code5);
    QFETCH(int, expected);
    QCOMPARE(CheckDigit(code5.constData()), expected);
  }

  void tooShort() {
    QCOMPARE(CheckDigit(""), -1);
    QCOMPARE(CheckDigit("1310"), -1);
  }

  void onlyFiveCharactersCount() { QCOMPARE(CheckDigit("131019"), CheckDigit("13101")); }

  // Six-digit codes as the national list of local government codes publishes them, for cities
  // of the real data: the result dialog of the city's first record shows the same six digits.
  // Both special remainders are among them (札幌市中央区 0, 札幌市西区 and 札幌市清田区 1).
  void publishedCodesOfTheRealData_data() {
    Columns<int, QString, QString>("code", "city", "published");
    auto row = [](int code, const char* city, const char* published) { Row(city, code, city, published); };
    row(1101, "札幌市中央区", "011011");
    row(1107, "札幌市西区", "011070");
    row(1110, "札幌市清田区", "011100");
    row(1202, "函館市", "012025");
    row(8201, "水戸市", "082015");
    row(13101, "千代田区", "131016");
    row(13104, "新宿区", "131041");
    row(16201, "富山市", "162019");
    row(23201, "豊橋市", "232017");
    row(27127, "大阪市北区", "271276");
    row(34202, "呉市", "342025");
    row(40133, "福岡市中央区", "401331");
    row(47201, "那覇市", "472018");
  }
  void publishedCodesOfTheRealData() {
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
    QCOMPARE(FromSjis(table[i].CityKanji), city);
    const std::string shown = AddressResult(table[i]).CodeText;
    QCOMPARE(FromSjis(shown.substr(shown.rfind('\n') + 1)), QStringLiteral(u"ディジットコード付：") + published);
  }
};

QTEST_APPLESS_MAIN(TestCheckDigit)
#include "tst_checkdigit.moc"
