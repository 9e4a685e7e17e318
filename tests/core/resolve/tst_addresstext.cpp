// How addresses and the data's notes are read: match forms, the rest after a town, notes.
#include <QtTest>

#include <string>

#include "core/resolve/AddressText.h"
#include "support/Sjis.h"
#include "support/Table.h"

using namespace tanzel;

namespace {}  // namespace

class TestAddressText : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void matchForm_data() {
    Columns<QString, QString>("text", "form");
    Row("full-width digits", "丸の内１－９－１", "丸の内1-9-1");
    Row("kanji numerals", "北一条西二丁目", "北1条西2丁目");
    Row("positional numerals", "二十四軒三百五番", "24軒305番");
    Row("digit by digit", "二〇二号", "202号");
    Row("spaces", "東京都　新宿区 西新宿", "東京都新宿区西新宿");
    Row("a thousand", "千代田", "1000代田");
    Row("ke between kanji left out", "霞ヶ関・霞が関・霞ヵ関・阿佐ケ谷", "霞関・霞関・霞関・阿佐谷");
    Row("ke elsewhere", "つつじヶ丘・ヶ岳・関ヶ", "つつじケ丘・ケ岳・関ケ");
    Row("no between kanji", "丸ノ内・丸之内・丸の内・ノ木・之", "丸の内・丸の内・丸の内・ノ木・之");
    Row("variant kanji", "髙田﨑德濵瀨黑邊邉", "高田崎徳浜瀬黒辺辺");
    Row("no and ke after a number", "三ノ丸・5之上・上九ヶ沢・8ケ代", "3の丸・5の上・上9沢・8代");
    Row("no between numerals", "五之三町・五の三町・五ノ三町", "5-3町・5-3町・5-3町");
    Row("hyphens", "1‐2−3－4―5", "1-2-3-4-5");
    Row("box-drawing lines", "1─2━3", "1-2-3");
    Row("long vowel between digits", "1ー2 センター", "1-2センター");
    Row("no between digits", "12番地の3", "12番地の3");
    Row("no between numbers", "12の3", "12-3");
    Row("letters", "ＪＰタワーjp", "JPタワーJP");
    Row("half-width kana", "ﾀﾜｰ", "タワー");
    Row("a name's comma kept", "東京都、港区", "東京都、港区");  // separators are read in a query only
  }
  void matchForm() {
    QFETCH(QString, text);
    QFETCH(QString, form);
    QCOMPARE(FromSjis(MatchForm(S(text.toStdString()))), form);
  }

  // What a person writes: separators dropped, and where they stood kept; the exact form
  // keeps the spellings of names apart.
  void queryForm_data() {
    Columns<QString, QString, QString>("text", "form", "breaks");
    Row("commas", "東京都、港区,海岸，1-1", "東京都港区海岸1-1", "6 10 14");
    Row("spaces of both widths", "東京　 港区  海岸", "東京港区海岸", "4 8");
    Row("line break in a cell", "港区\r\n海岸", "港区海岸", "4");
    Row("between numbers", "1, 2",
        "1\x1f"
        "2",
        "1");
  }
  void queryForm() {
    QFETCH(QString, text);
    QFETCH(QString, form);
    QFETCH(QString, breaks);
    std::vector<std::size_t> at;
    QCOMPARE(FromSjis(QueryForm(S(text.toStdString()), at)), form);
    QStringList got;
    for (std::size_t b : at) got << QString::number(b);
    QCOMPARE(got.join(QLatin1Char(' ')), breaks);
  }
  void exactForm_data() {
    Columns<QString, QString>("text", "form");
    Row("ke kept", "霞ヶ関・霞が関・霞関・霞ヵ関", "霞ケ関・霞が関・霞関・霞ケ関");
    Row("no kept", "丸ノ内・丸之内", "丸ノ内・丸之内");
    Row("numerals read", "一丁目", "1丁目");
  }
  void exactForm() {
    QFETCH(QString, text);
    QFETCH(QString, form);
    QCOMPARE(FromSjis(ExactForm(S(text.toStdString()))), form);
  }

  // Numbers that a space or a kanji numeral keeps apart do not run together.
  void numbersStayApart() {
    const std::string brk(1, kNumberBreak);
    QCOMPARE(MatchForm(S("1170 八千代")), "1170" + brk + S("8000代"));
    QCOMPARE(MatchForm(S("25番 一般")), S("25番") + brk + S("1般"));
    QCOMPARE(MatchForm(S("100 0001")), "100" + brk + "0001");
    QCOMPARE(MatchForm(S("1丁目 9番 1号")), S("1丁目9番1号"));
    QCOMPARE(MatchForm(S("北海道 二海郡")), S("北海道2海郡"));
    QCOMPARE(MatchForm(S("青森 五所川原市")), S("青森5所川原市"));  // 森 ends in the byte of X: no letter
  }

  void rest_data() {
    Columns<QString, QString, bool, int, QString, QString>("rest", "numbers", "chome", "floor", "leading", "trailing");
    Row("chome ban go", "1丁目9番1号", "1 9 1", true, 0, "", "");
    Row("hyphens", "2-7-2", "2 7 2", false, 0, "", "");
    Row("banchi no", "123番地の4", "123 4", false, 0, "", "");
    Row("building and floor", "2-7-2JPタワー30階", "2 7 2", false, 30, "", "JPタワー");
    Row("floor as F", "2-7-2JPタワー30F", "2 7 2", false, 30, "", "JPタワー");
    Row("basement", "1-1ビル地下1階", "1 1", false, -1, "", "ビル");
    Row("room numbers are no block", "1-2-3ハイツ101号室", "1 2 3", false, 0, "", "ハイツ号室");
    Row("sub-area first", "字東原123", "123", false, 0, "字東原", "");
    Row("building without block", "JPタワー30階", "", false, 30, "JPタワー", "");
    Row("a name ending in a B byte", "3-20-2オペラシティ4階", "3 20 2", false, 4, "", "オペラシティ");
    Row("basement as B", "1-1ビルB1", "1 1", false, -1, "", "ビル");
    Row("a building B, no basement", "1-1シティB21階", "1 1", false, 21, "", "シティB");
    Row("a building B and a floor apart", "1-1シティＢ ６Ｆ", "1 1", false, 6, "", "シティB");
    Row("basement after a space", "1-1シティ B1", "1 1", false, -1, "", "シティ");
    Row("basement as 地下", "1-1ビル地下2階", "1 1", false, -1, "", "ビル");
  }
  void rest() {
    QFETCH(QString, rest);
    QFETCH(QString, numbers);
    QFETCH(bool, chome);
    QFETCH(int, floor);
    QFETCH(QString, leading);
    QFETCH(QString, trailing);
    AddressRest r = ParseRest(MatchForm(S(rest.toStdString())));
    QStringList got;
    for (int i = 0; i < r.count; ++i) got << QString::number(r.numbers[i]);
    QCOMPARE(got.join(QLatin1Char(' ')), numbers);
    QCOMPARE(r.hasChome, chome);
    QCOMPARE(r.floor, floor);
    QCOMPARE(FromSjis(r.leading), leading);
    QCOMPARE(FromSjis(r.trailing), trailing);
  }

  // Notes and what fits them: 2 fully, 1 as far as the address goes, 0 not.
  void notes_data() {
    Columns<QString, QString, int>("note", "rest", "fit");
    Row("chome range", "１〜１９丁目", "2丁目1-1", 2);
    Row("chome range, bare numbers", "１〜１９丁目", "5-3-1", 2);
    Row("chome out of range", "２０〜２８丁目", "2丁目1-1", 0);
    Row("chome list", "１、２丁目", "2丁目", 2);
    Row("banchi range", "１〜１３１番地", "50番地", 2);
    Row("banchi range, written as chome", "１〜１３１番地", "5丁目", 0);
    Row("chome and banchi", "４丁目５５〜１１４番地", "4丁目60", 2);
    Row("chome and banchi, banchi missing", "４丁目５５〜１１４番地", "4丁目", 1);
    Row("chome and banchi, banchi outside", "４丁目５５〜１１４番地", "4丁目10", 0);
    Row("from a number on", "２００番以上", "244-1", 2);
    Row("below it", "２００番以上", "199", 0);
    Row("lot with branch", "２７９４−１２番地", "2794-12", 2);
    Row("lot with another branch", "２７９４−１２番地", "2794-13", 0);
    Row("lines and lots", "西５〜８線７９〜１１０番地", "西6線80番地", 2);
    Row("chiwari", "第９地割〜第１１地割", "第10地割5", 2);
  }
  void notes() {
    QFETCH(QString, note);
    QFETCH(QString, rest);
    QFETCH(int, fit);
    TownNote parsed = ParseNote(MatchForm(S(note.toStdString())));
    QCOMPARE(parsed.kind, TownNote::Kind::Items);
    int best = 0;
    AddressRest r = ParseRest(MatchForm(S(rest.toStdString())));
    for (const NoteItem& item : parsed.items) best = std::max(best, FitNumbers(item, r));
    QCOMPARE(best, fit);
  }

  void noteKinds() {
    auto kind = [](const char* note) { return ParseNote(MatchForm(S(note))).kind; };
    QCOMPARE(kind("その他"), TownNote::Kind::Other);
    QCOMPARE(kind("次のビルを除く"), TownNote::Kind::ExceptBuildings);
    QCOMPARE(kind("地階・階層不明"), TownNote::Kind::FloorUnknown);
    QCOMPARE(kind("丁目"), TownNote::Kind::ChomeForm);
    QCOMPARE(kind("大字"), TownNote::Kind::BanchiForm);
    TownNote floor = ParseNote(MatchForm(S("３０階")));
    QCOMPARE(floor.kind, TownNote::Kind::Floor);
    QCOMPARE(floor.floor, 30);
    // Names, though they hold numerals: a sub-area and Kyoto street positions.
    TownNote names = ParseNote(MatchForm(S("北１区")));
    QCOMPARE(names.items.size(), std::size_t{1});
    QVERIFY(!names.items[0].name.empty());
    TownNote kyoto = ParseNote(MatchForm(S("烏丸通今出川上る、今出川通烏丸西入")));
    QCOMPARE(kyoto.items.size(), std::size_t{2});
    QCOMPARE(FromSjis(kyoto.items[1].name), u"今出川通烏丸西入"_qs);
    TownNote quoted = ParseNote(MatchForm(S("３丁目１１番５〜８号「多の津団地」")));
    QCOMPARE(quoted.items[0].levels, 3);
  }

  void streetPositions() {
    auto position = [](const char* text) { return FromSjis(StreetPosition(MatchForm(S(text)))); };
    QCOMPARE(position("烏丸通今出川上る"), position("烏丸今出川上ル"));
    QCOMPARE(position("今出川通烏丸西入"), position("今出川通烏丸西入ル"));
    QCOMPARE(position("寺町通二条下る"), position("寺町二条下がる"));
    QVERIFY(position("烏丸通今出川上る") != position("烏丸通今出川下る"));
    std::string text = MatchForm(S("寺町通今出川下る東入今出川町"));
    std::vector<std::size_t> ends = DirectionWordEnds(text);
    QCOMPARE(ends.size(), std::size_t{2});
    QCOMPARE(FromSjis(text.substr(ends[1])), u"今出川町"_qs);
  }
};

QTEST_APPLESS_MAIN(TestAddressText)
#include "tst_addresstext.moc"
