// The lines of the browse lists and the texts of a result.
#include <QTest>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "core/browse/BrowseText.h"
#include "core/browse/KanaRow.h"
#include "core/search/SearchMatch.h"
#include "support/DataLines.h"
#include "support/Sjis.h"
#include "support/Table.h"

using namespace tanzel;

namespace {

void Set(char* field, std::size_t capacity, const char* utf8) {
  std::string s = S(utf8);
  QVERIFY(s.size() < capacity);
  std::memcpy(field, s.c_str(), s.size() + 1);
}
#define SET(field, text) Set(field, sizeof(field), text)

KenRecord Ken(int code, const char* postal, const char* cityKana, const char* townKana, const char* cityKanji,
              const char* townKanji) {
  KenRecord r{};
  r.LocalGovCode = code;
  SET(r.PostalCode, postal);
  SET(r.PrefKana, "トウキョウト");
  SET(r.CityKana, cityKana);
  SET(r.TownKana, townKana);
  SET(r.PrefKanji, "東京都");
  SET(r.CityKanji, cityKanji);
  SET(r.TownKanji, townKanji);
  return r;
}

JigRecord Jig(int code, const char* kana, const char* kanji, const char* postal) {
  JigRecord r{};
  r.LocalGovCode = code;
  SET(r.OfficeKana, kana);
  SET(r.OfficeKanji, kanji);
  SET(r.PrefKanji, "北海道");
  SET(r.CityKanji, "札幌市中央区");
  SET(r.TownKanji, "北一条西");
  SET(r.BlockKanji, "２丁目");
  SET(r.PostalCode, postal);
  return r;
}

// The lines in UTF-8 and the keys, for readable comparisons.
QStringList Texts(const std::vector<BrowseLine>& lines) {
  QStringList out;
  for (const BrowseLine& l : lines) out.append(FromSjis(l.text));
  return out;
}
// The seven digit captions of a result, and its address memo lines, in UTF-8.
QString Digits(const ResultText& r) {
  QString out;
  for (const auto& digit : r.Digits) out += FromSjis(digit);
  return out;
}
QStringList NameLines(const ResultText& r) {
  QStringList out;
  for (int i = 0; i < r.NameLineCount; ++i) out << FromSjis(r.NameLines[i]);
  return out;
}
QList<int> Keys(const std::vector<BrowseLine>& lines) {
  QList<int> out;
  for (const BrowseLine& l : lines) out.append(l.key);
  return out;
}

}  // namespace

class TestBrowseText : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void lineShapes();
  void cityLines();
  void cityLinesWithoutRecords();
  void cityLinesSkipLeadingCodeZero();
  void townLines();
  void townLinesOfAnUnknownCode();
  void officeLines();
  void addressResult();
  void addressResultPadsTheCode();
  void officeResult();
  void shortPostalCode();
  void gridRowResult_data();
  void gridRowResult();
  void gridRowCopiesWhatBrowsingCopies();
  void withoutNotes_data();
  void withoutNotes();
  void plainAddressOfGridAndBrowsingAgree();
};

void TestBrowseText::lineShapes() {
  KenRecord k = Ken(13101, "1000001", "チヨダク", "チヨダ", "千代田区", "千代田");
  std::string ka = S("カ");
  QCOMPARE(FromSjis(CityLine(kBlankHeading, k)), QStringLiteral(u"　　千代田区　(チヨダク)"));
  QCOMPARE(FromSjis(CityLine(ka.c_str(), k)), QStringLiteral(u"カ　千代田区　(チヨダク)"));
  QCOMPARE(FromSjis(TownLine(kBlankHeading, k)), QStringLiteral(u"　　千代田　(チヨダ)"));
  JigRecord j = Jig(1101, "アイ", "アイ商事　株式会社", "0608799");
  QCOMPARE(FromSjis(OfficeLine(ka.c_str(), j)), QStringLiteral(u"カ　アイ商事　株式会社"));
  // Both brackets are single-byte, the space before the opening one is full-width.
  std::string line = TownLine(kBlankHeading, k);
  QCOMPARE(line.substr(line.size() - 1), std::string(")"));
  QVERIFY(line.find(S("　(")) != std::string::npos);
}

void TestBrowseText::cityLines() {
  std::vector<KenRecord> t = KenRecords(TokyoKen());
  auto lines = CityLines(t.data(), static_cast<int>(t.size()));
  QCOMPARE(Texts(lines), TokyoCityLines());

  QCOMPARE(Keys(lines), (QList<int>{0, 13207, 13102, 13101, 13102, 13229, 13361, 13362}));
  // Only the records before the count are read.
  QCOMPARE(CityLines(t.data(), 2).size(), std::size_t{2});
}

void TestBrowseText::cityLinesWithoutRecords() {
  KenRecord t[1] = {Ken(13101, "1000001", "チヨダク", "チヨダ", "千代田区", "千代田")};
  for (int count : {0, -1}) {
    auto lines = CityLines(t, count);
    QCOMPARE(Texts(lines), QStringList{QStringLiteral(u"　　大口事業所")});
    QCOMPARE(Keys(lines), QList<int>{0});
  }
}

void TestBrowseText::cityLinesSkipLeadingCodeZero() {
  std::vector<KenRecord> t = {
      Ken(0, "", "", "", "", ""),
      Ken(1101, "0600000", "サッポロシチュウオウク", "イカニケイサイガナイバアイ", "札幌市中央区",
          "以下に掲載がない場合"),
      Ken(0, "", "", "", "", ""),
  };
  auto lines = CityLines(t.data(), 3);
  QCOMPARE(Keys(lines), (QList<int>{0, 1101, 0}));
  QCOMPARE(Texts(lines).at(1), QStringLiteral(u"サ　札幌市中央区　(サッポロシチュウオウク)"));
  // A code-0 line after another city is a city of its own; its empty kana is behind サ.
  QCOMPARE(Texts(lines).at(2), QStringLiteral(u"ン　　()"));
}

void TestBrowseText::townLines() {
  std::vector<KenRecord> t = {
      Ken(13207, "1960000", "アキシマシ", "イカニケイサイガナイバアイ", "昭島市", "以下に掲載がない場合"),
      Ken(13101, "1000001", "チヨダク", "チヨダ", "千代田区", "千代田"),
      Ken(13207, "1960025", "アキシマシ", "アサヒチョウ", "昭島市", "朝日町"),
      Ken(13207, "1960033", "アキシマシ", "アズマチョウ", "昭島市", "東町"),
      Ken(13101, "1000005", "チヨダク", "マルノウチ", "千代田区", "丸の内"),
      Ken(13207, "1960022", "アキシマシ", "ナカガミチョウ", "昭島市", "中神町"),
      Ken(13207, "1960011", "アキシマシ", "カミカワハラチョウ", "昭島市", "上川原町"),
  };
  auto lines = TownLines(t.data(), static_cast<int>(t.size()), "13207");
  QCOMPARE(Texts(lines), (QStringList{
                             QStringLiteral(u"　　以下に掲載がない場合　(イカニケイサイガナイバアイ)"),
                             QStringLiteral(u"ア　朝日町　(アサヒチョウ)"),
                             QStringLiteral(u"　　東町　(アズマチョウ)"),
                             QStringLiteral(u"ナ　中神町　(ナカガミチョウ)"),
                             QStringLiteral(u"ン　上川原町　(カミカワハラチョウ)"),
                         }));
  QCOMPARE(Keys(lines), (QList<int>{0, 2, 3, 5, 6}));

  // The first line is never headed, however its reading starts.
  auto chiyoda = TownLines(t.data(), static_cast<int>(t.size()), "13101");
  QCOMPARE(Texts(chiyoda),
           (QStringList{QStringLiteral(u"　　千代田　(チヨダ)"), QStringLiteral(u"マ　丸の内　(マルノウチ)")}));
  QCOMPARE(Keys(chiyoda), (QList<int>{1, 4}));
}

void TestBrowseText::townLinesOfAnUnknownCode() {
  KenRecord t[2] = {Ken(1101, "0600000", "サッポロシチュウオウク", "イカニ", "札幌市中央区", "以下に掲載がない場合"),
                    Ken(1101, "0600001", "サッポロシチュウオウク", "キタ1ジョウ", "札幌市中央区", "北一条")};
  // The code is compared as decimal text without leading zeros.
  QCOMPARE(TownLines(t, 2, "1101").size(), std::size_t{2});
  QVERIFY(TownLines(t, 2, "01101").empty());
  QVERIFY(TownLines(t, 2, "0").empty());
  QVERIFY(TownLines(t, 0, "1101").empty());
  QVERIFY(TownLines(t, -1, "1101").empty());
}

void TestBrowseText::officeLines() {
  std::vector<JigRecord> t = {
      Jig(1101, "アイショウジ", "アイ商事　株式会社", "0608701"),
      Jig(1101, "アオバ", "青葉工業", "0608702"),
      Jig(1102, "カブシキガイシャサトウ", "株式会社　佐藤", "0018701"),
      Jig(1101, "アサヒ", "旭電機", "0608703"),  // an earlier row again
      Jig(1101, "ワカバ", "若葉", "0608704"),
  };
  auto lines = OfficeLines(t.data(), static_cast<int>(t.size()));
  QCOMPARE(Texts(lines), (QStringList{
                             QStringLiteral(u"ア　アイ商事　株式会社"),
                             QStringLiteral(u"　　青葉工業"),
                             QStringLiteral(u"カ　株式会社　佐藤"),
                             QStringLiteral(u"ン　旭電機"),
                             QStringLiteral(u"　　若葉"),
                         }));
  QCOMPARE(Keys(lines), (QList<int>{0, 1, 2, 3, 4}));
  QVERIFY(OfficeLines(t.data(), -1).empty());
  QVERIFY(OfficeLines(t.data(), 0).empty());
}

void TestBrowseText::addressResult() {
  ResultText r = AddressResult(Ken(13101, "1000001", "チヨダク", "チヨダ", "千代田区", "千代田"));
  QCOMPARE(Digits(r), QStringLiteral("1000001"));
  QCOMPARE(NameLines(r),
           (QStringList{u"〒100-0001"_qs, u"東京都 千代田区 千代田"_qs, u"トウキョウト チヨダク チヨダ"_qs}));
  QCOMPARE(FromSjis(r.CodeText), QStringLiteral(u"地方公共団体コード：13101\nディジットコード付：131016"));
  QCOMPARE(r.AdrText, r.NameLines[1]);
  QCOMPARE(FromSjis(r.AdrText), QStringLiteral(u"東京都 千代田区 千代田"));
}

void TestBrowseText::addressResultPadsTheCode() {
  KenRecord k = Ken(1101, "0600000", "サッポロシチュウオウク", "イカニケイサイガナイバアイ", "札幌市中央区",
                    "以下に掲載がない場合");
  SET(k.PrefKanji, "北海道");
  SET(k.PrefKana, "ホッカイドウ");
  ResultText r = AddressResult(k);
  QCOMPARE(FromSjis(r.CodeText), QStringLiteral(u"地方公共団体コード：01101\nディジットコード付：011011"));
  QCOMPARE(FromSjis(r.NameLines[0]), QStringLiteral(u"〒060-0000"));
  QCOMPARE(FromSjis(r.AdrText), QStringLiteral(u"北海道 札幌市中央区 以下に掲載がない場合"));
  k.LocalGovCode = 1107;
  QCOMPARE(FromSjis(AddressResult(k).CodeText),
           QStringLiteral(u"地方公共団体コード：01107\nディジットコード付：011070"));
  k.LocalGovCode = 1100;
  QCOMPARE(FromSjis(AddressResult(k).CodeText),
           QStringLiteral(u"地方公共団体コード：01100\nディジットコード付：011002"));
}

void TestBrowseText::officeResult() {
  ResultText r = OfficeResult(Jig(1101, "アイショウジ", "アイ商事　株式会社", "0608701"));
  QCOMPARE(Digits(r), QStringLiteral("0608701"));
  QCOMPARE(NameLines(r), (QStringList{u"〒060-8701"_qs, u"アイ商事　株式会社"_qs, u"アイショウジ"_qs,
                                      u"北海道札幌市中央区北一条西２丁目"_qs}));
  QCOMPARE(r.AdrText, r.NameLines[3]);
  // No colon, no leading zeros, no check-digit line.
  QCOMPARE(FromSjis(r.CodeText), QStringLiteral(u"地方公共団体コード1101"));
}

void TestBrowseText::shortPostalCode() {
  KenRecord k = Ken(13101, "10000", "チヨダク", "チヨダ", "千代田区", "千代田");
  ResultText r = AddressResult(k);
  QCOMPARE(FromSjis(r.NameLines[0]), QStringLiteral(u"〒100-00"));
  QCOMPARE(r.Digits[4], "0");
  QCOMPARE(r.Digits[5], "");
  QCOMPARE(r.Digits[6], "");
  k.PostalCode[0] = '\0';
  QCOMPARE(FromSjis(AddressResult(k).NameLines[0]), QStringLiteral(u"〒-"));
}

// A grid row: the texts the search window shows, read back from its cells.
void TestBrowseText::gridRowResult_data() {
  Columns<QStringList, QString, QString, QString, QString>("cells", "digits", "name", "code",
                                                           "adr");  // what the copy button copies
  QTest::newRow("address") << QStringList{u"100-0001"_qs, u"東京都千代田区千代田"_qs, u"トウキョウトチヨダクチヨダ"_qs,
                                          u"13101"_qs, QString()}
                           << u"1000001"_qs << u"〒100-0001\n東京都千代田区千代田\nトウキョウトチヨダクチヨダ\n"_qs
                           << u"地方公共団体コード：13101\nディジットコード付：131016"_qs << u"東京都千代田区千代田"_qs;
  QTest::newRow("office") << QStringList{u"100-8111"_qs, u"宮内庁"_qs, u"クナイチヨウ"_qs, u"13101"_qs,
                                         u"東京都千代田区千代田１－１"_qs}
                          << u"1008111"_qs << u"〒100-8111\n宮内庁\nクナイチヨウ\n東京都千代田区千代田１－１"_qs
                          << u"地方公共団体コード：13101\nディジットコード付：131016"_qs
                          << u"東京都千代田区千代田１－１"_qs;
  QTest::newRow("short cells") << QStringList{u"10"_qs, u"x"_qs, QString(), u"131"_qs, QString()} << u"10"_qs
                               << u"〒10\nx\n\n"_qs << u"地方公共団体コード：131\nディジットコード付：131"_qs
                               << u"x"_qs;
}

void TestBrowseText::gridRowResult() {
  QFETCH(QStringList, cells);
  QFETCH(QString, digits);
  QFETCH(QString, name);
  QFETCH(QString, code);
  std::string sjis[5];
  for (int i = 0; i < 5; ++i) sjis[i] = S(cells[i].toStdString());
  ResultText r = GridRowResult(sjis);
  QCOMPARE(Digits(r), digits);
  QCOMPARE(NameLines(r).join(QLatin1Char('\n')), name);
  QCOMPARE(FromSjis(r.CodeText), code);
  QFETCH(QString, adr);
  QCOMPARE(FromSjis(r.AdrText), adr);
}

// The copy button of an office's grid row copies what browsing to the office copies.
void TestBrowseText::gridRowCopiesWhatBrowsingCopies() {
  JigRecord noBlock = Jig(13101, "ア", "ア社", "1000000");
  noBlock.BlockKanji[0] = '\0';
  for (const JigRecord& office : {Jig(1101, "アイショウジ", "アイ商事　株式会社", "0608701"), noBlock}) {
    ResultRow row;
    MakeRow(office, row);
    std::string cells[5];
    for (int c = 0; c < 5; ++c) cells[c] = std::string(row.Cell(c));
    QCOMPARE(GridRowResult(cells).AdrText, OfficeResult(office).AdrText);
  }
}

void TestBrowseText::withoutNotes_data() {
  Columns<QString, QString>("text", "plain");
  QTest::newRow("except note") << u"東京都千代田区丸の内（次のビルを除く）"_qs << u"東京都千代田区丸の内"_qs;
  QTest::newRow("reading note") << u"マルノウチ（ツギノビルヲノゾク）"_qs << u"マルノウチ"_qs;
  QTest::newRow("half-width note") << u"ﾏﾙﾉｳﾁ(ﾂｷﾞﾉﾋﾞﾙｦﾉｿﾞｸ)"_qs << u"ﾏﾙﾉｳﾁ"_qs;
  QTest::newRow("catch-all") << u"東京都千代田区以下に掲載がない場合"_qs << u"東京都千代田区"_qs;
  QTest::newRow("catch-all reading") << u"トウキョウトチヨダクイカニケイサイガナイバアイ"_qs
                                     << u"トウキョウトチヨダク"_qs;
  QTest::newRow("lot numbers follow") << u"茨城県猿島郡境町の次に番地がくる場合"_qs << u"茨城県猿島郡境町"_qs;
  QTest::newRow("floor kept") << u"丸の内グラントウキョウサウスタワー（１０階）"_qs
                              << u"丸の内グラントウキョウサウスタワー（１０階）"_qs;
  QTest::newRow("floor reading kept") << u"マルノウチ（１カイ）"_qs << u"マルノウチ（１カイ）"_qs;
  QTest::newRow("unknown floor dropped") << u"丸の内ＪＰタワー（地階・階層不明）"_qs << u"丸の内ＪＰタワー"_qs;
  QTest::newRow("numbers note") << u"大通西（１～１９丁目）"_qs << u"大通西"_qs;
  QTest::newRow("unclosed kept") << u"旭ケ丘（１"_qs << u"旭ケ丘（１"_qs;
  QTest::newRow("no note") << u"北海道札幌市中央区旭ケ丘"_qs << u"北海道札幌市中央区旭ケ丘"_qs;
  QTest::newRow("empty") << QString() << QString();
}

void TestBrowseText::withoutNotes() {
  QFETCH(QString, text);
  QFETCH(QString, plain);
  QCOMPARE(FromSjis(WithoutNotes(S(text.toStdString()))), plain);
}

// The plain address and reading of a record are the same from the town list and from a
// grid row, for addresses and offices.
void TestBrowseText::plainAddressOfGridAndBrowsingAgree() {
  auto agree = [](const ResultText& browsed, const ResultRow& row) {
    std::string cells[5];
    for (int c = 0; c < 5; ++c) cells[c] = std::string(row.Cell(c));
    ResultText grid = GridRowResult(cells);
    QCOMPARE(FromSjis(grid.PlainAddress), FromSjis(browsed.PlainAddress));
    QCOMPARE(FromSjis(grid.PlainKana), FromSjis(browsed.PlainKana));
  };
  for (const KenRecord& town :
       {Ken(13101, "1000005", "チヨダク", "マルノウチ（ツギノビルヲノゾク）", "千代田区", "丸の内（次のビルを除く）"),
        Ken(13101, "1000000", "チヨダク", "イカニケイサイガナイバアイ", "千代田区", "以下に掲載がない場合")}) {
    ResultRow row;
    MakeRow(town, row);
    agree(AddressResult(town), row);
  }
  QCOMPARE(FromSjis(AddressResult(Ken(13101, "1000000", "チヨダク", "イカニケイサイガナイバアイ", "千代田区",
                                      "以下に掲載がない場合"))
                        .PlainAddress),
           u"東京都千代田区"_qs);
  JigRecord office = Jig(1101, "アイショウジ", "アイ商事　株式会社", "0608701");
  ResultRow row;
  MakeRow(office, row);
  agree(OfficeResult(office), row);
  QCOMPARE(FromSjis(OfficeResult(office).PlainAddress), u"北海道札幌市中央区北一条西２丁目"_qs);
}

QTEST_APPLESS_MAIN(TestBrowseText)
#include "tst_browsetext.moc"
