// An office's list on the real data files: split address columns recognised by their names,
// and the list's existing code deciding the rows the address alone cannot (a ward written
// without its city, a building's floor the data spells otherwise).
#include <QtTest>

#include <memory>
#include <string>
#include <vector>

#include "core/lists/ListSession.h"
#include "core/resolve/AddressIndex.h"
#include "support/Sjis.h"
#include "support/Table.h"

using namespace tanzel;

class TestListsRealData : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<AddressIndex> index_;

 private Q_SLOTS:
  void initTestCase() {
    QString folder = qEnvironmentVariable("TANZEL_TEST_DATA");
    if (!QFile::exists(folder + QStringLiteral("/KEN13.CSV"))) QSKIP("no imported data files");
    std::string error;
    index_ = AddressIndex::Build(folder.toStdString() + "/", error);
    QVERIFY2(index_, error.c_str());
  }

  // Rows of 氏名,郵便番号,都道府県,市区町村,番地,建物名: the code, certainty and agreement written.
  void officeList_data() {
    Columns<QString, QString, QString, QString>("row", "code", "certainty", "agreement");
    Row("ward of 大阪市, its code", "山田,541-0053,,中央区,本町1-1,", "541-0053", "確実", "一致");
    Row("ward of 千葉市, its code", "山田,260-0012,,中央区,本町1-1,", "260-0012", "確実", "一致");
    Row("a ward without a code stays ambiguous", "山田,,,中央区,本町1-1,", "", "複数候補", "");
    Row("丸ビル 20F with the building's floor code", "佐藤,100-6320,東京都,千代田区,丸の内2-4-1,丸ビル 20F", "100-6320",
        "確実", "一致");
    Row("丸ビル 20F with another prefecture's code", "佐藤,541-0053,東京都,千代田区,丸の内2-4-1,丸ビル 20F", "100-0005",
        "要確認", "不一致");
    Row("a sure address with another code", "高橋,100-0001,東京都,府中市,宮西町1-1,", "183-0022", "確実", "不一致");
  }
  void officeList() {
    QFETCH(QString, row);
    QFETCH(QString, code);
    QFETCH(QString, certainty);
    QFETCH(QString, agreement);
    std::vector<std::vector<std::string>> rows = {{}, {}};
    for (const QString& f : QStringLiteral(u"氏名,郵便番号,都道府県,市区町村,番地,建物名").split(QLatin1Char(',')))
      rows[0].push_back(S(f.toStdString()));
    for (const QString& f : row.split(QLatin1Char(','))) rows[1].push_back(S(f.toStdString()));
    QVERIFY(FirstRowNamesColumns(rows, TextEncoding::Cp932));
    const ListColumns columns = RecogniseColumns(rows, TextEncoding::Cp932, true);
    const RowAnswer answer = ResolveFields(*index_, rows[1], TextEncoding::Cp932, columns, nullptr);
    const auto cells = AppendedCells(*index_, answer);
    QCOMPARE(FromSjis(cells[0]), code);
    QCOMPARE(FromSjis(cells[1]), certainty);
    QCOMPARE(FromSjis(cells[3]), agreement);
  }
};

QTEST_GUILESS_MAIN(TestListsRealData)
#include "tst_lists_realdata.moc"
