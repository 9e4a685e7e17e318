// Lists as offices keep them, by rule: columns recognised by their names and contents and
// joined in address order, the existing code weighed against the address, the names and
// words of the appended columns.
#include <QtTest>

#include <memory>
#include <string>
#include <vector>

#include "core/lists/BatchResolve.h"
#include "core/lists/ListSession.h"
#include "core/lists/ListText.h"
#include "core/resolve/AddressIndex.h"
#include "support/Lists.h"
#include "support/Sjis.h"
#include "support/Table.h"
#include "support/TempData.h"

using namespace tanzel;

namespace {

// Rows written "a,b,c/d,e,f" (UTF-8) as Shift-JIS fields.
std::vector<std::vector<std::string>> Rows(const QString& text) {
  std::vector<std::vector<std::string>> rows;
  if (text.isEmpty()) return rows;
  for (const QString& row : text.split(QLatin1Char('/'))) {
    std::vector<std::string> fields;
    for (const QString& f : row.split(QLatin1Char(','))) fields.push_back(S(f.toStdString()));
    rows.push_back(std::move(fields));
  }
  return rows;
}

// Column numbers as "3 4 5" (1-based).
QString Numbers(const std::vector<int>& columns) {
  QStringList out;
  for (int c : columns) out << QString::number(c + 1);
  return out.join(QLatin1Char(' '));
}

}  // namespace

class TestListSession : public QObject {
  Q_OBJECT

 private:
  TempData data_;
  std::unique_ptr<AddressIndex> index_;

 private Q_SLOTS:
  void initTestCase() {
    WriteListData(data_);
    std::string error;
    index_ = AddressIndex::Build(data_.folder(), error);
    QVERIFY2(index_, error.c_str());
  }

  void roleOfName_data() {
    Columns<QString, int>("name", "role");
    const int none = 0, pref = 1, city = 2, address = 3, building = 4, code = 5;
    for (const char* n : {"都道府県", "県名", "都道府県名"}) RowOf(n, pref);
    for (const char* n : {"市区町村", "市区郡", "市町村", "市区町村名", "市区町村 "}) RowOf(n, city);
    for (const char* n :
         {"町域", "町名", "町丁目", "番地", "丁目番地", "住所1", "住所２", "住所3", "住所", "所在地", "番地以降",
          "住所（自宅）", "（住所）", "Address 1", "street", "ご住所", "送付先住所", "番地・建物名"})
      RowOf(n, address);
    for (const char* n : {"建物名", "ビル名", "マンション名", "建物"}) RowOf(n, building);
    for (const char* n : {"郵便番号", "〒", "郵便", "ZIP", "zip code", "Postal", "郵便番号（7桁）", "勤務先郵便番号"})
      RowOf(n, code);
    for (const char* n :
         {"氏名", "電話番号", "東京都", "〒100-0001", "備考", "", "1", "お客様名", "住所が長すぎる名前の列見出しです"})
      RowOf(n, none);
  }
  void roleOfName() {
    QFETCH(QString, name);
    QFETCH(int, role);
    QCOMPARE(static_cast<int>(RoleOfName(S(name.toStdString()))), role);
  }

  // The address columns (1-based, in the order they are joined) and the code column.
  void columns_data() {
    Columns<QString, QString, QString, int>("header", "rows", "address", "code");
    Row("split, named", "氏名,郵便番号,都道府県,市区町村,番地,建物名",
        "山田,541-0053,,中央区,本町1-1,/佐藤,100-6320,東京都,千代田区,丸の内2-4-1,丸ビル 20F", "3 4 5 6", 2);
    Row("named out of address order", "番地,氏名,市区町村,都道府県,〒", "1-1,山田,府中市,東京都,", "4 3 1", 5);
    Row("building named before the address", "建物名,住所", "丸ビル,東京都千代田区丸の内2-4-1", "2 1", -1);
    Row("住所1 and 住所2 keep their order", "住所2,郵便,住所1", "2-4-1,100-0005,東京都千代田区丸の内", "3 1", 2);
    Row("split, by contents", "",
        "山田,541-0053,大阪府,大阪市中央区,本町1-1,/佐藤,100-6320,東京都,千代田区,丸の内2-4-1,丸ビル 20F/"
        "鈴木,,千葉県,千葉市中央区,本町1-1,",
        "3 4 5 6", 2);
    Row("one address column, by contents", "", "客1,東京都府中市宮西町1,183-0022/客2,京都府京都市上京区,", "2", 3);
    Row("six digits are a number, not a code", "", "100001,東京都府中市宮西町1/100002,京都府京都市上京区", "2", -1);
    Row("a telephone after the address is not part of it", "", "山田,東京都府中市宮西町1,03-1234-5678", "2", -1);
    Row("a date after the address is not part of it", "", "山田,東京都府中市宮西町1,2026-12-10", "2", -1);
    Row("a time after the address is not part of it", "", "山田,東京都府中市宮西町1,10:30", "2", -1);
    Row("two code columns: the first is the row's", "氏名,郵便番号,住所,勤務先郵便番号",
        "山田,183-0022,東京都府中市宮西町1,100-0001", "3", 2);
    Row("a second address after another column is not joined", "", "東京都府中市宮西町1,山田,京都府京都市", "1", -1);
    Row("names that say nothing: by contents", "名前,場所", "山田,東京都府中市宮西町1", "2", -1);
    Row("nothing looks like an address", "", "a,b/c,d", "", -1);
    // A column is the address or the code column when at least half of its filled cells read
    // as one: exactly half is enough, less is not.
    Row("half addresses", "", "a,東京都府中市/b,なし", "2", -1);
    Row("under half", "", "a,東京都府中市/b,なし/c,不明", "", -1);
    Row("empty cells left out", "", "a,東京都府中市/b,/c,", "2", -1);
    Row("half codes", "", "東京都,100-0001/京都府,なし", "1", 2);
    Row("under half codes", "", "東京都,100-0001/京都府,なし/大阪府,未", "1", -1);
  }
  void columns() {
    QFETCH(QString, header);
    QFETCH(QString, rows);
    QFETCH(QString, address);
    QFETCH(int, code);
    auto all = Rows(header.isEmpty() ? rows : header + QLatin1Char('/') + rows);
    const ListColumns columns = RecogniseColumns(all, TextEncoding::Cp932, !header.isEmpty());
    QCOMPARE(Numbers(columns.address), address);
    QCOMPARE(columns.code + 1, code < 0 ? 0 : code);
  }

  // The row's existing code weighed against its address, and then the candidate a person
  // chose among the address's own (-1: none), as the list applies the choice: code, certainty, agreement (the words for
  // scripts) and which rule decided (0 none, 1 among candidates, 2 inside the town).
  void existingCode_data() {
    Columns<QString, QString, int, QString, QString, QString, int>("address", "existing", "choose", "code", "certainty",
                                                                   "agreement", "evidence");
    Row("a candidate decides an ambiguous address", "中央区本町1-1", "541-0053", -1, "541-0053", "sure", "agrees", 1);
    Row("so does the other candidate", "中央区本町1-1", "260-0012", -1, "260-0012", "sure", "agrees", 1);
    Row("no existing code: still ambiguous", "中央区本町1-1", "", -1, "", "ambiguous", "", 0);
    Row("a code that is no candidate differs", "中央区本町1-1", "183-0022", -1, "", "ambiguous", "differs", 0);
    // Inside the town only where the address resolved to one town.
    for (const char* inside : {"260-6090", "260-8799"})
      Row(qPrintable(QStringLiteral("a building or office of one candidate's town differs: ") + QLatin1String(inside)),
          "中央区本町1-1", inside, -1, "", "ambiguous", "differs", 0);
    Row("a floor of a building in the town", "東京都千代田区丸の内2-4-1 丸ビル 20F", "100-6320", -1, "100-6320", "sure",
        "agrees", 2);
    Row("the building, floor unknown", "東京都千代田区丸の内", "100-6390", -1, "100-6390", "sure", "agrees", 2);
    Row("an office in the town", "東京都千代田区丸の内2-4-1", "100-8799", -1, "100-8799", "sure", "agrees", 2);
    Row("a building of another town of the city differs", "東京都千代田区千代田1", "100-6320", -1, "100-0001", "sure",
        "differs", 0);
    Row("another prefecture differs", "東京都千代田区丸の内2-4-1 丸ビル 20F", "541-0053", -1, "100-0005", "not-sure",
        "differs", 0);
    Row("a building of a town of that name in another city differs", "大阪府大阪市中央区本町1-1", "260-6090", -1,
        "541-0053", "sure", "differs", 0);
    Row("an office of a town of that name in another city differs", "大阪府大阪市中央区本町1-1", "260-8799", -1,
        "541-0053", "sure", "differs", 0);
    Row("a catch-all answer keeps the list's building out", "東京都千代田区無名町9", "100-6320", -1, "100-0000",
        "not-sure", "differs", 0);
    Row("a sure answer is never replaced", "東京都府中市宮西町1", "100-0001", -1, "183-0022", "sure", "differs", 0);
    Row("a floor the address names is sure; the building's other code differs",
        "東京都千代田区丸の内丸の内ビルディング20階", "100-6390", -1, "100-6320", "sure", "differs", 0);
    Row("an agreeing code", "東京都府中市宮西町1", "1830022", -1, "183-0022", "sure", "agrees", 0);
    Row("a code that is no code is none", "東京都府中市宮西町1", "不明", -1, "183-0022", "sure", "", 0);
    Row("a sure address without a code", "東京都府中市宮西町1-1", "", -1, "183-0022", "sure", "", 0);
    Row("a catch-all answer and its own code agree", "東京都千代田区無名町9", "100-0000", -1, "100-0000", "not-sure",
        "agrees", 0);
    Row("not found", "どこにもない所", "100-0001", -1, "", "not-found", "", 0);
    Row("chosen, no code", "京都府京都市上京区今出川町", "", 0, "602-0033", "chosen", "", 0);
    Row("chosen, a code of neither candidate", "京都府京都市上京区今出川町", "100-0001", 1, "602-8031", "chosen",
        "differs", 0);
    Row("chosen, the existing code", "京都府京都市上京区今出川町", "602-0033", 0, "602-0033", "chosen", "agrees", 0);
    Row("chosen against the existing code", "京都府京都市上京区今出川町", "602-0033", 1, "602-8031", "chosen",
        "differs", 0);
  }

  void existingCode() {
    QFETCH(QString, address);
    QFETCH(QString, existing);
    QFETCH(int, choose);
    QFETCH(QString, code);
    QFETCH(QString, certainty);
    QFETCH(QString, agreement);
    QFETCH(int, evidence);
    const std::vector<std::string> fields = {S(address.toStdString()), S(existing.toStdString())};
    RowAnswer row = ResolveRow(*index_, fields[0], fields[1]);
    if (choose >= 0) {
      const std::vector<Resolution> own = ResolveRow(*index_, fields[0], {}).answer.codes;
      QVERIFY(static_cast<std::size_t>(choose) < own.size());
      const RowDecision decision{std::nullopt, own[static_cast<std::size_t>(choose)].postal};
      row = ResolveFields(*index_, fields, TextEncoding::Cp932, ListColumns{{0}, 1, {}}, &decision);
    }
    const auto cells = AppendedCells(*index_, row, ListWords::English);
    QCOMPARE(QString::fromStdString(cells[0]), code);
    QCOMPARE(QString::fromStdString(cells[1]), certainty);
    QCOMPARE(QString::fromStdString(cells[3]), agreement);
    QCOMPARE(static_cast<int>(row.evidence), evidence);
  }

  // The appended columns' names are none of the list's.
  void appendedNames_data() {
    Columns<QString, QString>("header", "names");
    Row("no clash", "氏名,郵便番号,住所", "郵便番号（検索結果）,確度,該当住所,既存番号との照合");
    Row("a name taken", "確度,住所", "郵便番号（検索結果）,確度（検索結果）,該当住所,既存番号との照合");
    Row("taken with the mark", "郵便番号,郵便番号（検索結果）", "郵便番号（検索結果）2,確度,該当住所,既存番号との照合");
    Row("taken twice", "郵便番号（検索結果）,郵便番号（検索結果）2",
        "郵便番号（検索結果）3,確度,該当住所,既存番号との照合");
  }
  void appendedNames() {
    QFETCH(QString, header);
    QFETCH(QString, names);
    const std::vector<std::string> fields = Rows(header).front();
    QStringList out;
    for (const std::string& n : AppendedNames(&fields)) out << FromSjis(n);
    QCOMPARE(out.join(QLatin1Char(',')), names);
  }
};

QTEST_GUILESS_MAIN(TestListSession)
#include "tst_listsession.moc"
