// Address resolution by rule, on small data files the test writes: each kind of address
// the resolver knows, and the codes it must give, best first.
#include <QtTest>

#include <memory>
#include <string>

#include "core/resolve/AddressIndex.h"
#include "core/resolve/Resolver.h"
#include "support/DataLines.h"
#include "support/Table.h"
#include "support/TempData.h"

using namespace tanzel;

namespace {

std::string Ken(int code, const char* postal, const char* pref, const char* city, const char* town) {
  return KenLine(code, postal, "ア", "ア", "ア", pref, city, town);
}

std::string Jig(int code, const char* name, const char* pref, const char* city, const char* town, const char* block,
                const char* postal) {
  return JigLine(code, "ア", name, pref, city, town, block, postal);
}

}  // namespace

class TestResolver : public QObject {
  Q_OBJECT

 private:
  TempData data_;
  std::unique_ptr<AddressIndex> index_;

 private Q_SLOTS:
  void initTestCase() {
    data_.writeEmptyPrefectures();
    QVERIFY(data_.write(
        KenName(1),
        Ken(1101, "0600000", "北海道", "札幌市中央区", "以下に掲載がない場合") +
            Ken(1101, "0600001", "北海道", "札幌市中央区", "北一条西（１〜１９丁目）") +
            Ken(1101, "0640821", "北海道", "札幌市中央区", "北一条西（２０〜２８丁目）") +
            Ken(1213, "0590000", "北海道", "苫小牧市", "以下に掲載がない場合") +
            Ken(1213, "0591375", "北海道", "苫小牧市", "一本松町（１〜５番地）") +
            Ken(1213, "0530001", "北海道", "苫小牧市", "一本松町（６〜１５番地）") +
            Ken(1213, "0530002", "北海道", "苫小牧市", "常盤（１〜１３１番地）") +
            Ken(1213, "0530003", "北海道", "苫小牧市", "常盤（その他）") +
            Ken(1346, "0493100", "北海道", "二海郡八雲町", "以下に掲載がない場合") +
            Ken(1346, "0493107", "北海道", "二海郡八雲町", "本町") +
            Ken(1346, "0493199", "北海道", "二海郡八雲町", "八雲町") +
            Ken(1213, "0530009", "北海道", "苫小牧市", "本町") + Ken(1213, "0530010", "北海道", "苫小牧市", "千代田") +
            Ken(1213, "0530011", "北海道", "苫小牧市", "八尋") + Ken(1213, "0530012", "北海道", "苫小牧市", "利島村") +
            Ken(1213, "0530013", "北海道", "苫小牧市", "本町三丁目北") +
            Ken(1213, "0530014", "北海道", "苫小牧市", "本町三丁目") +
            Ken(1213, "0530015", "北海道", "苫小牧市", "錦岡（郡）") +
            Ken(1213, "0530022", "北海道", "苫小牧市", "錦岡（その他）") +
            Ken(1213, "0530016", "北海道", "苫小牧市", "浮津") +
            Ken(1213, "0530017", "北海道", "苫小牧市", "浮津一番町") +
            Ken(1213, "0530018", "北海道", "苫小牧市", "大") + Ken(1213, "0530019", "北海道", "苫小牧市", "北谷") +
            Ken(1213, "0530021", "北海道", "苫小牧市", "桂子沢７５地割、桂子沢７６地割") +
            Ken(1465, "0711507", "北海道", "上川郡東神楽町", "７号")));
    QVERIFY(data_.write(
        KenName(13),
        Ken(13101, "1000000", "東京都", "千代田区", "以下に掲載がない場合") +
            Ken(13101, "1000005", "東京都", "千代田区", "丸の内（次のビルを除く）") +
            Ken(13101, "1007090", "東京都", "千代田区", "丸の内ＪＰタワー（地階・階層不明）") +
            Ken(13101, "1007030", "東京都", "千代田区", "丸の内ＪＰタワー（３０階）") +
            Ken(13101, "1000001", "東京都", "千代田区", "千代田") +
            Ken(13101, "1000013", "東京都", "千代田区", "霞が関（次のビルを除く）") +
            Ken(13103, "1050000", "東京都", "港区", "以下に掲載がない場合") +
            Ken(13103, "1050022", "東京都", "港区", "海岸（１、２丁目）") +
            Ken(13103, "1060032", "東京都", "港区", "六本木（次のビルを除く）") +
            Ken(13103, "1066290", "東京都", "港区", "六本木住友不動産六本木グランドタワー（地階・階層不明）") +
            Ken(13103, "1066230", "東京都", "港区", "六本木住友不動産六本木グランドタワー（３０階）") +
            Ken(13103, "1066090", "東京都", "港区", "六本木泉ガーデンタワー（地階・階層不明）") +
            Ken(13103, "1066004", "東京都", "港区", "六本木泉ガーデンタワー（４階）") +
            Ken(13104, "1600023", "東京都", "新宿区", "西新宿（次のビルを除く）") +
            Ken(13104, "1631490", "東京都", "新宿区", "西新宿東京オペラシティ（地階・階層不明）") +
            Ken(13104, "1631404", "東京都", "新宿区", "西新宿東京オペラシティ（４階）") +
            Ken(13102, "1040000", "東京都", "中央区", "以下に掲載がない場合") +
            Ken(13102, "1030027", "東京都", "中央区", "日本橋（次のビルを除く）") +
            Ken(13102, "1036090", "東京都", "中央区", "日本橋東京日本橋タワー（地階・階層不明）") +
            Ken(13102, "1036010", "東京都", "中央区", "日本橋東京日本橋タワー（１０階）") +
            Ken(13120, "1790082", "東京都", "練馬区", "錦") +
            Ken(13206, "1830000", "東京都", "府中市", "以下に掲載がない場合") +
            Ken(13206, "1830022", "東京都", "府中市", "宮西町") +
            Ken(13361, "1000301", "東京都", "利島村", "利島村一円")));
    QVERIFY(data_.write(KenName(20), Ken(20204, "3940000", "長野県", "岡谷市", "以下に掲載がない場合") +
                                         Ken(20204, "3940091", "長野県", "岡谷市", "岡谷市の次に番地がくる場合") +
                                         Ken(20204, "3940002", "長野県", "岡谷市", "赤羽")));
    QVERIFY(data_.write(KenName(21), Ken(21201, "5000000", "岐阜県", "岐阜市", "以下に掲載がない場合") +
                                         Ken(21201, "5020081", "岐阜県", "岐阜市", "長良（丁目）") +
                                         Ken(21201, "5020071", "岐阜県", "岐阜市", "長良（番地）")));
    QVERIFY(data_.write(KenName(23), Ken(23106, "4600003", "愛知県", "名古屋市中区", "錦")));
    QVERIFY(data_.write(KenName(25), Ken(25443, "5220300", "滋賀県", "犬上郡多賀町", "以下に掲載がない場合") +
                                         Ken(25443, "5220317", "滋賀県", "犬上郡多賀町", "一円") +
                                         Ken(25443, "5221341", "滋賀県", "犬上郡多賀町", "多賀")));
    QVERIFY(data_.write(
        KenName(26),
        Ken(26102, "6020000", "京都府", "京都市上京区", "以下に掲載がない場合") +
            Ken(26102, "6020033", "京都府", "京都市上京区", "今出川町（烏丸通今出川上る、烏丸通今出川下る）") +
            Ken(26102, "6028031", "京都府", "京都市上京区", "今出川町（寺町通今出川下る）")));
    QVERIFY(data_.write(KenName(27), Ken(27107, "5520000", "大阪府", "大阪市港区", "以下に掲載がない場合") +
                                         Ken(27107, "5520022", "大阪府", "大阪市港区", "海岸通") +
                                         Ken(27128, "5420073", "大阪府", "大阪市中央区", "日本橋")));
    QVERIFY(data_.write(KenName(34), Ken(34208, "7260000", "広島県", "府中市", "以下に掲載がない場合") +
                                         Ken(34208, "7260003", "広島県", "府中市", "府川町")));
    QVERIFY(data_.write(
        JigName(13), Jig(13101, "東京中央郵便局", "東京都", "千代田区", "丸の内", "２丁目７－２", "1008994") +
                         Jig(13101, "株式会社　ゆうちょ銀行", "東京都", "千代田区", "丸の内", "２－７－２", "1008996") +
                         Jig(13101, "タワー商事", "東京都", "千代田区", "丸の内", "２丁目７－３ＪＰタワー", "1007031") +
                         Jig(13101, "宮内庁", "東京都", "千代田区", "千代田", "１－１", "1008111") +
                         Jig(13101, "八丁商事", "東京都", "千代田区", "丸の内", "１丁目８－１", "1007051")));
    // Names read several ways: a 郡 town, a town of the same name elsewhere, a variant
    // spelling of it, a town that starts another name, a prefecture's name that is a town,
    // abolished wards.
    QVERIFY(data_.write(KenName(2), Ken(2361, "0383800", "青森県", "南津軽郡藤崎町", "以下に掲載がない場合") +
                                        Ken(2361, "0383802", "青森県", "南津軽郡藤崎町", "藤崎")));
    QVERIFY(data_.write(KenName(4), Ken(4323, "9891600", "宮城県", "柴田郡柴田町", "以下に掲載がない場合") +
                                        Ken(4323, "9891601", "宮城県", "柴田郡柴田町", "船岡") +
                                        Ken(4505, "9870002", "宮城県", "遠田郡美里町", "藤ケ崎町")));
    QVERIFY(data_.write(KenName(10), Ken(10421, "3770601", "群馬県", "吾妻郡中之条町", "四万")));
    QVERIFY(data_.write(KenName(12), Ken(12203, "2720000", "千葉県", "市川市", "以下に掲載がない場合") +
                                         Ken(12203, "2720021", "千葉県", "市川市", "八幡") +
                                         Ken(12106, "2610000", "千葉県", "千葉市美浜区", "以下に掲載がない場合") +
                                         Ken(12106, "2610014", "千葉県", "千葉市美浜区", "若葉")));
    QVERIFY(data_.write(KenName(22), Ken(22138, "4320000", "静岡県", "浜松市中央区", "以下に掲載がない場合") +
                                         Ken(22138, "4300946", "静岡県", "浜松市中央区", "元城町") +
                                         Ken(22138, "4300947", "静岡県", "浜松市中央区", "松城町") +
                                         Ken(22139, "4340000", "静岡県", "浜松市浜名区", "以下に掲載がない場合") +
                                         Ken(22139, "4340041", "静岡県", "浜松市浜名区", "平口") +
                                         Ken(22139, "4340042", "静岡県", "浜松市浜名区", "松城町") +
                                         Ken(22209, "4270000", "静岡県", "島田市", "以下に掲載がない場合") +
                                         Ken(22209, "4270009", "静岡県", "島田市", "千葉")));
    QVERIFY(data_.write(KenName(23), Ken(23112, "4570000", "愛知県", "名古屋市南区", "以下に掲載がない場合") +
                                         Ken(23112, "4570815", "愛知県", "名古屋市南区", "柴田町") +
                                         Ken(23203, "4910000", "愛知県", "一宮市", "以下に掲載がない場合") +
                                         Ken(23203, "4910881", "愛知県", "一宮市", "南印田")));
    QVERIFY(data_.write(KenName(39), Ken(39428, "7860000", "高知県", "高岡郡四万十町", "以下に掲載がない場合")));
    QVERIFY(data_.write(KenName(47), Ken(47205, "9010000", "沖縄県", "宜野湾市", "以下に掲載がない場合") +
                                         Ken(47205, "9012225", "沖縄県", "宜野湾市", "愛知")));
    std::string error;
    index_ = AddressIndex::Build(data_.folder(), error);
    QVERIFY2(index_, error.c_str());
  }

  void resolve_data() {
    Columns<QString, QString, QString>("address",
                                       "codes",  // best first, space-separated
                                       "kind");  // of the first
    RowOf("東京都千代田区丸の内1丁目9番1号", "1000005", "town");
    RowOf("千代田区千代田1-1", "1000001 1008111", "town");
    RowOf("東京都 千代田区 丸の内 一丁目九番一号", "1000005", "town");
    RowOf("東京都千代田区丸の内2-7-2", "1000005 1008994 1008996", "town");
    RowOf("東京都千代田区丸の内2-7-2 東京中央郵便局", "1008994 1000005 1008996", "office");
    RowOf("東京都千代田区丸の内2-7-2 JPタワー 30階", "1007030 1008994 1008996", "floor");
    RowOf("東京都千代田区丸の内２－７－２ ＪＰタワー", "1007090 1008994 1008996", "building");
    RowOf("東京都千代田区丸の内JPタワー地下1階", "1007090", "building");
    RowOf("東京都千代田区丸の内JPタワー12階", "1007090", "building");  // a floor without a code of its own
    RowOf("東京都千代田区霞ヶ関1-1", "1000013", "town");
    RowOf("〒100-0013 東京都千代田区霞が関1", "1000013", "town");
    RowOf("東京都千代田区", "1000000", "catchall");
    RowOf("東京都千代田区存在しない町1-2", "1000000", "catchall");
    RowOf("東京都利島村123", "1000301", "whole-city");
    RowOf("滋賀県犬上郡多賀町一円12", "5220317", "town");
    RowOf("府中市宮西町1-1", "1830022", "town");
    RowOf("府中市存在しない町1", "", "");  // never a guess across cities
    RowOf("広島県府中市", "7260000", "catchall");
    RowOf("札幌市中央区北1条西2丁目1-1", "0600001", "chome");
    RowOf("北海道札幌市中央区北一条西二十丁目", "0640821", "chome");
    RowOf("北海道八雲町本町", "0493107", "town");
    RowOf("京都市上京区烏丸通今出川上ル今出川町", "6020033", "town");
    RowOf("京都市上京区寺町通今出川下る今出川町", "6028031", "town");
    RowOf("京都市上京区今出川町", "6020033 6028031", "town");
    RowOf("苫小牧市一本松町8番地", "0530001", "chome");
    RowOf("苫小牧市常盤200", "0530003", "town");
    RowOf("苫小牧市常盤20", "0530002", "chome");
    RowOf("〒100-0001", "1000001", "code");
    RowOf("１００－０００１", "1000001", "code");
    RowOf("1000001", "1000001", "code");
    RowOf("9999999", "", "");
    RowOf("丸の内1-9-1", "1000005", "town");  // a town only one city has
    RowOf("宮西町1-1", "1830022", "town");
    RowOf("丸の内JPタワー30階", "1007030", "floor");
    RowOf("本町1-2", "", "");                                    // no city, and a town name of several
    RowOf("千代田1-1", "1000001 1008111", "town");               // several, but offices at that address in one
    RowOf("〒6028031 京都市上京区今出川町", "6028031", "town");  // the code written picks among several
    RowOf("岡谷市123", "3940091", "town");
    RowOf("岡谷市存在しない町", "3940000", "catchall");
    RowOf("東京都千代田区丸ノ内1-9-1", "1000005", "town");
    RowOf("東京都千代田区丸之内1-9-1", "1000005", "town");
    RowOf("東京都千代田区丸の内2-4-1 丸ビル 20F", "1000005", "building-unknown");
    RowOf("東京都千代田区丸の内2-7-3 30階", "1007030", "floor");          // by its block, through an office there
    RowOf("東京都千代田区丸の内2-7-3-5 30階", "1007030", "floor");        // a number within the block
    RowOf("東京都千代田区丸の内2-7-3", "1000005", "building-unknown");    // that building, no floor
    RowOf("東京都千代田区丸の内1-8-1 30階", "1007030 1007051", "floor");  // an office there holds a code of its series
    RowOf("東京都千代田区丸の内2-7-2 35階", "1000005 1008994 1008996", "building-unknown");
    RowOf("千代田ビル", "", "");  // a place name that merely starts the text
    RowOf("本町の候補", "", "");
    RowOf("千1", "", "");  // one character: no town alone
    RowOf("千代田区丸の内", "1000005", "town");
    // Mended readings: a town written whole beats one that only starts the text elsewhere; a
    // town alone of two characters, one a numeral; a building by the part of its name
    // between the town and the floor, one holding a numeral; a name ending in the byte of B.
    RowOf("港区海岸通19番地3", "5520022", "town");
    RowOf("港区海岸1-2", "1050022", "chome");
    RowOf("八尋3-28-17", "0530011", "town");
    RowOf("八雲町4丁目24番19号", "0493199", "town");  // the town 八雲町 of 八雲町, not its catch-all
    RowOf("東京都港区六本木 住友不動産六本木 30階", "1066230", "floor");
    RowOf("東京都港区六本木ガーデンタワー4F", "1066004", "floor");
    RowOf("東京都港区六本木グランドタワーB1", "1066290", "building");
    RowOf("東京都港区六本木タワー4F", "1060032", "building-unknown");  // two buildings fit
    RowOf("東京都新宿区西新宿3-20-2 オペラシティ ４階", "1631404", "floor");
    RowOf("〒1000001 東京都千代田区存在しない町", "1000001", "code");  // the code written beats the catch-all
    RowOf("中央区日本橋1-2 東京日本橋タワー", "1036090", "building");  // a building one city has tells the city
    RowOf("中央区日本橋1-2 東京日本橋タワー10階", "1036010", "floor");
    // A town with records for its 丁目 and for its 番地: each by how the block is written.
    RowOf("岐阜市長良1丁目2", "5020081", "town");
    RowOf("岐阜市長良123番地", "5020071", "town");
    RowOf("岐阜市長良1-2-3", "5020081", "town");
    RowOf("1000001 どこかの町", "1000001", "code");
    RowOf("100-00011", "", "");
    RowOf("〒0530009 本町1-2", "0530009", "town");  // several cities, the code written one of them
    // What may follow a town: a block, a separator and words, 字; not a word of a longer name.
    RowOf("四万1-2-3", "3770601", "town");
    RowOf("四万十町1-2-3", "7860000", "catchall");              // 四万 and 十町 is no block
    RowOf("東京都千代田区千代田丸5-1", "1000000", "catchall");  // 千代田 and 丸: a longer name
    RowOf("苫小牧市本町三丁目北5番地", "0530013", "town");
    RowOf("苫小牧市本町三丁目比5番地", "0590000", "catchall");  // nor the shorter 本町 with a block
    RowOf("苫小牧市常盤小由20", "0590000", "catchall");         // its numbers fit, its name does not
    RowOf("苫小牧市錦岡字郡10", "0530015", "town");
    RowOf("苫小牧市錦岡卞郡10", "0590000", "catchall");  // the part's name inside other words
    RowOf("苫小牧市浮津1番地10", "0530016", "town");
    RowOf("苫小牧市浮津一番町9", "0530017", "town");
    RowOf("苫小牧市浮津一番叮9-16-5", "0590000", "catchall");   // a slip in 浮津一番町, not 浮津 1番
    RowOf("苫小牧市大字北谷2873番地", "0530019", "town");       // not the town 大 and 字北谷
    RowOf("苫小牧市千代田第2", "0530010", "town");              // 第 before a number
    RowOf("苫小牧市八尋2F", "0530011", "town");                 // a floor
    RowOf("東京都千代田区千代田 宮内様方", "1000001", "town");  // words after a separator
    RowOf("宮城県柴田町船岡字西1", "9891601", "town");
    RowOf("七号百八一百八", "", "");  // block words are no town alone
    RowOf("東神楽町七号百八", "0711507", "town");
    RowOf("東京都千代田区丸の内2-7-3 佐藤様方", "1000005", "building-unknown");  // no surer for words
    RowOf("東京都千代田区丸の内 佐藤様方", "1000005", "building-unknown");       // nor words without a block
    RowOf("苫小牧市桂子沢75地割、桂子沢76地割5", "0530021", "town");  // a name with its 、 read as a separator
    // Readings weighed: a variant gives way to an exact name of another kind; a prefecture
    // without its suffix; separators and dashes; a ward the city does not have.
    RowOf("藤崎町12番地", "0383800", "catchall");  // the town 藤崎町 of 藤崎町, not 藤ケ崎町
    RowOf("藤ケ崎町12番地", "9870002", "town");    // the town spelled so, not the city 藤崎町
    RowOf("千葉千葉市美浜区若葉5丁目", "2610014", "town");
    RowOf("千葉市川市八幡2-1-1", "2720021", "town");  // 千葉市 has no part 川市
    RowOf("愛知一宮市南印田4丁目23-6", "4910881", "town");
    RowOf("愛知　一宮市南印田4丁目23-6", "4910881", "town");
    RowOf("愛知 知多郡武豊町1", "", "");  // no town 愛知 with words after it
    RowOf("東京 千代田区霞が関1-1", "1000013", "town");
    RowOf("東京都、千代田区，霞が関, 1-1", "1000013", "town");
    RowOf("東京都千代田区霞が関1–1", "1000013", "town");  // an en dash
    RowOf("静岡県浜松市中区元城町103-2", "4300946", "other-ward");
    RowOf("浜松市浜北区平口5", "4340041", "other-ward");
    RowOf("浜松市元城町103-2", "4300946", "town");  // the ward left out, one holds the town
    RowOf("浜松市中区存在しない町1", "", "");
    RowOf("浜松市浜名区元城町1", "4340000", "catchall");  // a ward that is: its catch-all, not another ward's town
  }
  void resolve() {
    QFETCH(QString, address);
    QFETCH(QString, codes);
    QFETCH(QString, kind);
    std::vector<Resolution> found = Resolve(*index_, S(address.toStdString()));
    QStringList got;
    for (const Resolution& r : found) got << QString::asprintf("%07u", r.postal);
    QCOMPARE(got.join(QLatin1Char(' ')), codes);
    QCOMPARE(found.empty() ? QString() : QString::fromLatin1(MatchKindWord(found.front().kind)), kind);
  }

  void certainty_data() {
    Columns<QString, QString, int>("address", "certainty", "codes");
    QTest::newRow("town") << u"千代田区丸の内1-1"_qs << u"sure"_qs << 1;
    QTest::newRow("catch-all") << u"東京都千代田区存在しない町"_qs << u"not-sure"_qs << 1;
    QTest::newRow("building unknown") << u"千代田区丸の内1-1 丸ビル"_qs << u"not-sure"_qs << 1;
    QTest::newRow("several cities") << u"本町1-2"_qs << u"ambiguous"_qs << 2;
    QTest::newRow("several codes") << u"京都市上京区今出川町"_qs << u"ambiguous"_qs << 2;
    QTest::newRow("junk") << u"丁寧"_qs << u"not-found"_qs << 0;
    QTest::newRow("ward of two cities") << u"中央区日本橋1-2"_qs << u"ambiguous"_qs << 2;
    QTest::newRow("one-character town") << u"錦3-1"_qs << u"not-found"_qs << 0;
    QTest::newRow("two-character town") << u"長良1丁目2"_qs << u"sure"_qs << 1;
    QTest::newRow("eight digits") << u"10000011"_qs << u"not-found"_qs << 0;
    QTest::newRow("seven digits") << u"1000001"_qs << u"sure"_qs << 1;
    QTest::newRow("building, floor unknown") << u"東京都千代田区丸の内JPタワー"_qs << u"sure"_qs << 1;
    QTest::newRow("office named") << u"東京都千代田区丸の内2-7-2 東京中央郵便局"_qs << u"sure"_qs << 1;
    QTest::newRow("city and a town elsewhere") << u"柴田町12番地"_qs << u"ambiguous"_qs << 2;
    QTest::newRow("whole city and a town elsewhere") << u"利島村123"_qs << u"ambiguous"_qs << 2;
    QTest::newRow("town of one ward") << u"浜松市中区元城町1"_qs << u"not-sure"_qs << 1;
    QTest::newRow("town of two wards") << u"浜松市中区松城町1"_qs << u"ambiguous"_qs << 2;
    QTest::newRow("prefecture's name, a town") << u"千葉 1-2"_qs << u"sure"_qs << 1;
  }
  void certainty() {
    QFETCH(QString, address);
    QFETCH(QString, certainty);
    QFETCH(int, codes);
    ResolveAnswer answer = ResolveAddress(*index_, S(address.toStdString()));
    QCOMPARE(QString::fromLatin1(CertaintyWord(answer.certainty)), certainty);
    QCOMPARE(static_cast<int>(answer.codes.size()), codes);
  }

  void recordTexts() {
    std::vector<Resolution> found = Resolve(*index_, S("東京都千代田区丸の内2-7-2"));
    QCOMPARE(found.size(), std::size_t{3});
    QCOMPARE(FromSjis(RecordText(*index_, found[0])), u"東京都千代田区丸の内（次のビルを除く）"_qs);
    QCOMPARE(FromSjis(RecordText(*index_, found[1])), u"東京中央郵便局 東京都千代田区丸の内２丁目７－２"_qs);
    KenRecord town;
    index_->FillRecord(found[0].record, town);
    QCOMPARE(std::string(town.PostalCode), std::string("1000005"));
    QCOMPARE(std::string(town.CityKanji), S("千代田区"));
    JigRecord office;
    index_->FillRecord(found[1].record, office);
    QCOMPARE(std::string(office.BlockKanji), S("２丁目７－２"));
  }

  // An address longer than any character offset a short type holds still reads right.
  void longAddress() {
    std::string address = S("東京都千代田区丸の内") + std::string(70000, '1') + S("号");
    std::vector<Resolution> found = Resolve(*index_, address);
    QVERIFY(!found.empty());
    QCOMPARE(found.front().postal, 1000005u);
    found = Resolve(*index_, S("東京都千代田区") + std::string(70000, 'A') + S("丸の内"));
    QVERIFY(!found.empty());
    QCOMPARE(found.front().kind, MatchKind::CatchAll);
  }

  void missingFile() {
    TempData empty;
    std::string error;
    QVERIFY(!AddressIndex::Build(empty.folder(), error));
    QCOMPARE(error, std::string("KEN01.CSV"));
  }
};

QTEST_APPLESS_MAIN(TestResolver)
#include "tst_resolver.moc"
