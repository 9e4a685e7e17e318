// The search engine without any window: match rules, joined copy, rows, framing, the
// block prefilter against the line-by-line rule, and whole searches over written files.

#include <QtTest>

#include <atomic>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "core/data/DataFile.h"
#include "core/search/SearchEngine.h"
#include "core/search/SearchMatch.h"
#include "core/search/SearchScan.h"
#include "core/text/SjisText.h"
#include "support/DataLines.h"
#include "support/Table.h"
#include "support/TempData.h"

using namespace tanzel;

namespace {

struct Collected : SearchSink {
  void PassStarted(SearchPass pass, std::string_view keyword) override {
    if (pass == SearchPass::Tolerant) tolerant.emplace_back(keyword);
  }
  std::vector<std::string> tolerant;
  void Record(int number, const KenRecord& record) override {
    if (number <= 8) addresses[number] = record;
  }
  void Record(int number, const JigRecord& record) override {
    if (number <= 8) offices[number] = record;
  }
  void Row(int number, const ResultRow& row) override {
    numbers.push_back(number);
    kanji.push_back(std::string(row.Cell(1)));
  }
  std::vector<int> numbers;
  std::vector<std::string> kanji;
  // The records of the first hits, by hit number.
  std::map<int, KenRecord> addresses;
  std::map<int, JigRecord> offices;
};

// The per-search buffers, reused by the searches of one test.
struct Scratch {
  std::unique_ptr<SearchScratch> buffers{new SearchScratch};
};

// A folder with all 94 data files, empty unless written.
using Folder = EmptyDataFolder;

struct Outcome {
  SearchNotice notice;
  int hitCount;
  Collected rows;
};

// A search over the data folder `data`.
Outcome Search(Scratch& engine, const TempData& data, std::string keyword, SearchMode mode = SearchMode::Keyword,
               bool cancelled = false, std::string pref = {}, std::string city = {}) {
  SearchParams params;
  params.mode = mode;
  params.keyword = std::move(keyword);
  params.prefName = std::move(pref);
  params.cityCode = std::move(city);
  std::atomic<int32_t> hitCount{0};
  std::atomic<uint8_t> cancel{static_cast<uint8_t>(cancelled ? 1 : 0)};
  Outcome out;
  out.notice =
      RunSearch(SearchQuery(params), *DataSet::Open(data.folder()), *engine.buffers, hitCount, cancel, out.rows);
  out.hitCount = hitCount.load();
  return out;
}

// A keyword search for 千代田 over `folder`, where a data file is missing: it says so, gives
// no hit count, and has shown the `rows` rows found before it.
void ExpectFileMissing(const Folder& folder, int rows) {
  Scratch engine;
  Outcome out = Search(engine, folder.dir, Sjis("千代田"));
  QCOMPARE(out.notice, SearchNotice::FileMissing);
  QCOMPARE(out.hitCount, -1);
  QCOMPARE(int(out.rows.numbers.size()), rows);
}

std::string Repeat(const std::string& line, int times) {
  std::string s;
  s.reserve(line.size() * static_cast<std::size_t>(times));
  for (int i = 0; i < times; ++i) s += line;
  return s;
}

const std::string kSapporo = KenLine(1101, "0640941", "ホッカイドウ", "サッポロシチュウオウク", "アサヒガオカ",
                                     "北海道", "札幌市中央区", "旭ケ丘");
const std::string kSapporoCatchAll =
    KenLine(1101, "0600000", "ホッカイドウ", "サッポロシチュウオウク", "イカニケイサイガナイバアイ", "北海道",
            "札幌市中央区", "以下に掲載がない場合");
const std::string kOffice =
    JigLine(13101, "クナイチヨウ", "宮内庁", "東京都", "千代田区", "千代田", "１－１皇居ビル", "1008111");

}  // namespace

class TestSearchCore : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void contains_data() {
    Columns<QByteArray, QByteArray, bool>("text", "needle", "found");
    auto row = [](const char* name, std::string text, std::string needle, bool found) {
      QTest::newRow(name) << QByteArray::fromStdString(text) << QByteArray::fromStdString(needle) << found;
    };
    row("kanji", Sjis("東京都"), Sjis("京"), true);
    row("letter inside a kana", Sjis("ア"), "A", false);
    row("letter after a kana", Sjis("アA"), "A", true);
    row("letter before a kana", Sjis("Aア"), "A", true);
    row("trail byte of a kanji", Sjis("京都"), "s", false);
    row("backslash inside a kana", Sjis("ソ"), "\\", false);
    row("half-width kana after a lead byte", std::string("\x83\xb1"), std::string("\xb1"), false);
    row("empty needle", Sjis("ア"), "", true);
    row("needle longer than text", "ab", "abc", false);
    row("kana across a character edge", Sjis("ソア"), std::string("\x5c\x83"), false);
    row("lone lead byte at the end", std::string("a\x83"), std::string("\x83"), true);
    // The hit at the trail byte of ア is no hit; the real one starts at the very next byte.
    row("hit overlapping an off-boundary one", Sjis("ア") + "AA", "AA", true);
  }
  void contains() {
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, needle);
    QFETCH(bool, found);
    QCOMPARE(SjisContains(text.toStdString(), needle.toStdString()), found);
  }

  void joinedCopy_data() {
    Columns<QByteArray, bool, QByteArray>("line", "office", "joined");
    QTest::newRow("address") << QByteArray("1,\"a\",\"b\",\"c\",\"d\",\"e\",\"f\",\"g\",\"h\",0,0\r\n") << false
                             << QByteArray("1,a,b,cde,fgh,0,0\r\n");
    QTest::newRow("office") << QByteArray("1,\"a\",\"b\",\"c\",\"d\",\"e\",\"f\",\"g\",\"h\",0\r\n") << true
                            << QByteArray("1,a,b,cdef,g,h,0\r\n");
    QTest::newRow("quotes anywhere") << QByteArray("\"x\"\"y") << false << QByteArray("xy");
    QTest::newRow("short line") << QByteArray("1,2,3,4,5") << false << QByteArray("1,2,3,45");
  }
  void joinedCopy() {
    QFETCH(QByteArray, line);
    QFETCH(bool, office);
    QFETCH(QByteArray, joined);
    char out[ReadBlockSize];
    std::size_t n = JoinedCopy(line.constData(), static_cast<std::size_t>(line.size()),
                               office ? DataKind::Jig : DataKind::Ken, out);
    QCOMPARE(QByteArray(out, static_cast<int>(n)), joined);
  }

  void keywordRule_data() {
    Columns<QByteArray, bool, QByteArray, bool>("line", "office", "keyword", "hit");
    auto row = [](const char* name, const std::string& line, bool office, std::string keyword, bool hit) {
      QTest::newRow(name) << QByteArray::fromStdString(line) << office << QByteArray::fromStdString(keyword) << hit;
    };
    row("city and ward across columns", kSapporo, false, Sjis("札幌市中央区"), true);
    row("prefecture and city", kSapporo, false, Sjis("北海道札幌市"), true);
    row("whole kanji address", kSapporo, false, Sjis("北海道札幌市中央区旭ケ丘"), true);
    row("kana address", kSapporo, false, Sjis("ホッカイドウサッポロシ"), true);
    row("code", kSapporo, false, "01101", false);
    row("code without leading zero", kSapporo, false, "1101", true);
    row("seven digits", kSapporo, false, "0640941", true);
    row("postal code with hyphen", kSapporo, false, "064-0941", true);
    row("hyphen elsewhere", kSapporo, false, "06409-41", true);
    row("only the first hyphen goes", kSapporo, false, "064-09-41", false);
    row("lone hyphen", kSapporo, false, "-", false);
    row("postal code and name", kSapporo, false, "0640941" + Sjis("北海道"), false);
    row("kana and kanji columns stay apart", kSapporo, false, Sjis("アサヒガオカ北海道"), false);
    row("catch-all entry", kSapporoCatchAll, false, Sjis("札幌市中央区"), false);
    row("catch-all entry by postal code", kSapporoCatchAll, false, "0600000", false);
    row("letter inside a kana", kSapporo, false, "A", false);
    row("quoted keyword on the raw line", kSapporo, false, Quoted("旭ケ丘"), true);
    row("keyword of spaces", kSapporo, false, "  ", true);  // the old code column holds "064  "
    row("full-width dash is not a hyphen", kSapporo, false, Sjis("064－0941"), false);
    row("office name", kOffice, true, Sjis("宮内庁"), true);
    row("office address across columns", kOffice, true, Sjis("東京都千代田区千代田１－１"), true);
    row("office building", kOffice, true, Sjis("皇居ビル"), true);
    row("office name and prefecture stay apart", kOffice, true, Sjis("宮内庁東京都"), false);
    row("office postal code with hyphen", kOffice, true, "100-8111", true);
    row("office catch-all text", JigLine(1, "ア", "以下に掲載がない場合", "", "", "", "", "1000000"), true, Sjis("ア"),
        false);
    // A line that fills a whole frame (2048 bytes with its line feed): the keyword still runs
    // across the city and town columns the joined copy puts together.
    const std::string town =
        std::string("旭") +
        std::string(2048 - KenLine(1101, "0640941", "ホッカイドウ", "サ", "ア", "北海道", "札幌市中央区", "旭").size(),
                    'x');
    const std::string fullFrame = KenLine(1101, "0640941", "ホッカイドウ", "サ", "ア", "北海道", "札幌市中央区", town);
    row("full frame across joined columns", fullFrame, false, Sjis("中央区旭x"), true);
  }
  void keywordRule() {
    QFETCH(QByteArray, line);
    QFETCH(bool, office);
    QFETCH(QByteArray, keyword);
    QFETCH(bool, hit);
    KeywordRule rule(keyword.toStdString());
    QCOMPARE(
        rule.Matches(line.constData(), static_cast<std::size_t>(line.size()), office ? DataKind::Jig : DataKind::Ken),
        hit);
  }

  // Name variants and keywords that end in a block, as typed and folded.
  void variantsAndBlocks_data() {
    Columns<QByteArray, bool, QByteArray, bool, bool>("line", "office", "keyword", "fold", "hit");
    auto ken = [](const char* city, const char* town) {
      return KenLine(13101, "1000013", "トウキョウト", "ア", "ア", "東京都", city, town);
    };
    auto row = [](const char* name, const std::string& line, bool office, const char* keyword, bool fold, bool hit) {
      QTest::newRow(name) << QByteArray::fromStdString(line) << office << QByteArray::fromStdString(Sjis(keyword))
                          << fold << hit;
    };
    row("ke the data writes ga", ken("千代田区", "霞が関（次のビルを除く）"), false, "霞ヶ関", false, true);
    row("ke the data writes small", ken("川越市", "霞ケ関北"), false, "霞ヶ関", true, true);
    row("ke the data leaves out", ken("杉並区", "阿佐谷北"), false, "阿佐ヶ谷", false, true);
    row("ke left out, folded", ken("新宿区", "市谷田町"), false, "市ヶ谷", true, true);
    row("ke within one column only", ken("函館市", "谷地頭町"), false, "市ヶ谷", true, false);
    row("no as katakana", ken("千代田区", "丸の内"), false, "丸ノ内", false, true);
    row("no as kanji", ken("千代田区", "丸の内"), false, "丸之内", true, true);
    row("no the data writes as katakana", ken("高知市", "丸ノ内"), false, "丸の内", false, true);
    row("variant kanji", ken("新宿区", "高田馬場"), false, "髙田馬場", true, true);
    row("block names the town", ken("千代田区", "丸の内（次のビルを除く）"), false, "丸の内2丁目", false, true);
    row("block with hyphens, folded", ken("千代田区", "丸の内"), false, "丸の内２－４", true, true);
    row("block in kanji numerals", ken("千代田区", "丸の内"), false, "丸の内二丁目", false, true);
    row("block names no other town", ken("千代田区", "丸の内ＪＰタワー（３０階）"), false, "丸の内2丁目", false, false);
    row("block with a variant", ken("千代田区", "丸の内"), false, "丸ノ内2丁目", false, true);
    row("a bare number is no block", ken("千代田区", "丸の内"), false, "丸の内2", false, false);
    row("block in the data's forms", kOffice, true, "千代田1-1", false, true);
    row("block names no office", kOffice, true, "千代田2-1", false, false);
  }
  void variantsAndBlocks() {
    QFETCH(QByteArray, line);
    QFETCH(bool, office);
    QFETCH(QByteArray, keyword);
    QFETCH(bool, fold);
    QFETCH(bool, hit);
    KeywordRule rule(keyword.toStdString(), MatchOptions{fold, false});
    QCOMPARE(
        rule.Matches(line.constData(), static_cast<std::size_t>(line.size()), office ? DataKind::Jig : DataKind::Ken),
        hit);
  }

  void townRule_data() {
    Columns<QByteArray, QByteArray, QByteArray, QByteArray, bool>("line", "pref", "city", "keyword", "hit");
    auto row = [](const char* name, const std::string& line, std::string pref, std::string city, std::string keyword,
                  bool hit) {
      QTest::newRow(name) << QByteArray::fromStdString(line) << QByteArray::fromStdString(pref)
                          << QByteArray::fromStdString(city) << QByteArray::fromStdString(keyword) << hit;
    };
    row("town of the city", kSapporo, Sjis("北海道"), "1101", Sjis("旭"), true);
    row("code with leading zero", kSapporo, Sjis("北海道"), "01101", Sjis("旭ケ丘"), true);
    row("other city", kSapporo, Sjis("北海道"), "1102", Sjis("旭"), false);
    row("other prefecture", kSapporo, Sjis("東京都"), "1101", Sjis("旭"), false);
    row("part of the prefecture name", kSapporo, Sjis("海道"), "1101", Sjis("旭"), true);
    row("city name is not the town", kSapporo, Sjis("北海道"), "1101", Sjis("札幌"), false);
    row("kana is not the town", kSapporo, Sjis("北海道"), "1101", Sjis("アサヒ"), false);
    row("catch-all entry is found", kSapporoCatchAll, Sjis("北海道"), "1101", Sjis("以下"), true);
    row("letter inside a kana", KenLine(1101, "0600000", "ア", "ア", "ア", "北海道", "ア", "アイ"), Sjis("北海道"),
        "1101", "A", false);
    row("no comma after the town", "1101,\"0\",\"0\",\"a\",\"b\",\"c\",\"d\",\"e\",\"town\"", "d", "1101", "ow", false);
    row("comma after the town", "1101,\"0\",\"0\",\"a\",\"b\",\"c\",\"d\",\"e\",\"town\",", "d", "1101", "ow", true);
    row("quotes are not part of the town", "1101,\"0\",\"0\",\"a\",\"b\",\"c\",\"d\",\"e\",\"town\",", "d", "1101",
        "n\"", false);
    row("short line", "1101,\"0\"", "", "1101", "0", false);
    // One code is a digit-prefix of the other: the codes are compared as numbers.
    const std::string code11010 = KenLine(11010, "3500000", "サイタマケン", "ア", "ア", "埼玉県", "市", "旭");
    row("filter code a prefix of the line's", code11010, Sjis("埼玉県"), "1101", Sjis("旭"), false);
    row("line's code a prefix of the filter", kSapporo, Sjis("北海道"), "11010", Sjis("旭"), false);
  }
  void townRule() {
    QFETCH(QByteArray, line);
    QFETCH(QByteArray, pref);
    QFETCH(QByteArray, city);
    QFETCH(QByteArray, keyword);
    QFETCH(bool, hit);
    TownRule rule(keyword.toStdString(), pref.toStdString(), city.toStdString());
    QCOMPARE(rule.Matches(line.constData(), static_cast<std::size_t>(line.size())), hit);
  }

  void rows_data() {
    Columns<QByteArray, QByteArray>("postal", "cell");
    QTest::newRow("seven digits") << QByteArray("1000001") << QByteArray("100-0001");
    QTest::newRow("empty") << QByteArray("") << QByteArray("");
    QTest::newRow("two bytes") << QByteArray("12") << QByteArray("12");
    QTest::newRow("three bytes") << QByteArray("123") << QByteArray("123-");
    QTest::newRow("five bytes") << QByteArray("12345") << QByteArray("123-45");
    QTest::newRow("nine bytes") << QByteArray("123456789") << QByteArray("123-4567");
  }
  void rows() {
    QFETCH(QByteArray, postal);
    QFETCH(QByteArray, cell);
    KenRecord ken{};
    std::snprintf(ken.PostalCode, sizeof ken.PostalCode, "%s", postal.constData());
    ResultRow row;
    MakeRow(ken, row);
    QCOMPARE(QByteArray::fromStdString(std::string(row.Cell(0))), cell);
    JigRecord jig{};
    std::snprintf(jig.PostalCode, sizeof jig.PostalCode, "%s", postal.constData());
    MakeRow(jig, row);
    QCOMPARE(QByteArray::fromStdString(std::string(row.Cell(0))), cell);
  }

  void rowTexts() {
    std::string line = kSapporo;
    KenRecord ken;
    SplitKen(line.data(), ken);
    ResultRow row;
    MakeRow(ken, row);
    QCOMPARE(std::string(row.Cell(0)), std::string("064-0941"));
    QCOMPARE(std::string(row.Cell(1)), Sjis("北海道札幌市中央区旭ケ丘"));
    QCOMPARE(std::string(row.Cell(2)), Sjis("ホッカイドウサッポロシチュウオウクアサヒガオカ"));
    QCOMPARE(std::string(row.Cell(3)), std::string("01101"));  // five digits, leading zero
    QCOMPARE(std::string(row.Cell(4)), std::string());

    line = JigLine(1101, "カブシキガイシャ", "株式会社", "北海道", "札幌市中央区", "北一条西", "６丁目", "0608621");
    JigRecord jig;
    SplitJig(line.data(), jig);
    MakeRow(jig, row);
    QCOMPARE(std::string(row.Cell(0)), std::string("060-8621"));
    QCOMPARE(std::string(row.Cell(1)), Sjis("株式会社"));
    QCOMPARE(std::string(row.Cell(2)), Sjis("カブシキガイシャ"));
    QCOMPARE(std::string(row.Cell(3)), std::string("01101"));
    QCOMPARE(std::string(row.Cell(4)), Sjis("北海道札幌市中央区北一条西６丁目"));
  }

  // The block framing gives the same lines as the line reader, for every kind of line end.
  void framingMatchesLineReader_data() {
    Columns<QByteArray>("bytes");
    QTest::newRow("ordinary") << QByteArray("a,b\r\nc,d\r\n");
    QTest::newRow("no final line feed") << QByteArray("a\nb");
    QTest::newRow("empty lines") << QByteArray("\n\n\n");
    QTest::newRow("2047 bytes and line feed") << QByteArray(2047, 'x') + "\nabc\n";
    QTest::newRow("2048 bytes and line feed") << QByteArray(2048, 'x') + "\nabc\n";
    QTest::newRow("5000 bytes without line feed") << QByteArray(5000, 'y');
    QTest::newRow("long line, then short ones")
        << QByteArray(4097, 'z') + "\n1\n22\n" + QByteArray(300000, 'q') + "\nend";
    QByteArray many;
    for (int i = 0; i < 20000; ++i) many += QByteArray::number(i) + (i % 7 == 0 ? "\r\n" : "\n");
    QTest::newRow("many lines over several blocks") << many;
  }
  void framingMatchesLineReader() {
    QFETCH(QByteArray, bytes);
    TempData dir;
    QVERIFY(dir.write("F.CSV", bytes.toStdString()));
    std::string path = dir.path("F.CSV");

    std::vector<std::string> expected;
    LineReader reader;
    QVERIFY(reader.Open(path.c_str()));
    LineBuffer line;
    for (int n; (n = reader.ReadLine(line)) >= 0;) expected.emplace_back(line, static_cast<std::size_t>(n));

    std::vector<std::string> framed;
    BlockReader blocks;
    QVERIFY(blocks.Open(path.c_str()));
    Prefilter every = Prefilter::ForTown("");
    QVERIFY(every.EveryLine());
    const char* data;
    std::size_t len;
    while (blocks.Next(data, len)) {
      Prefilter::Cursor cursor;
      for (std::size_t at = 0; (at = every.NextCandidate(data, len, at, cursor)) < len;) {
        std::size_t n = FrameLength(data + at, len - at);
        framed.emplace_back(data + at, n);
        at += n;
      }
    }
    QCOMPARE(framed.size(), expected.size());
    QVERIFY(framed == expected);
  }

  // On arbitrary bytes the block prefilter finds exactly the lines the rule finds line by
  // line, matching plainly or folded.
  void prefilterIsExact() {
    const std::string alphabet[] = {
        ",",        "\"",       "\n",       "A",          "-",        "1",          "0",
        "\x83",     "\x41",     "\x8e",     "\x44",       Sjis("ア"), Sjis("札幌"), Sjis("以下に掲載がない場合"),
        "\r\n",     " ",        Sjis("ァ"), Sjis("ッ"),   Sjis("ツ"), Sjis("ａ"),   Sjis("Ａ"),
        "\x82",     "\x60",     Sjis("ヶ"), Sjis("が"),   Sjis("ノ"), Sjis("の"),   Sjis("丸"),
        Sjis("谷"), Sjis("髙"), Sjis("高"), Sjis("丁目"), Sjis("２"), Sjis("（")};
    std::mt19937 rng(12345);
    auto pick = [&](int n) {
      std::string s;
      for (int i = 0; i < n; ++i) s += alphabet[rng() % std::size(alphabet)];
      return s;
    };
    // Whether the prefilter finds exactly the lines the rule finds; the case named if not.
    auto agree = [](const std::string& keyword, const std::string& data, DataKind kind, bool town,
                    MatchOptions options) {
      KeywordRule rule(keyword, options);
      TownRule townRule(keyword, "", "0", options);
      auto matches = [&](const char* line, std::size_t n) {
        LineBuffer buf;
        std::memcpy(buf, line, n);
        buf[n] = '\0';
        std::size_t len = strnlen(buf, n);
        return town ? townRule.Matches(buf, len) : rule.Matches(buf, len, kind);
      };
      std::vector<std::size_t> expected, found;
      for (std::size_t at = 0; at < data.size();) {
        std::size_t n = FrameLength(data.data() + at, data.size() - at);
        if (matches(data.data() + at, n)) expected.push_back(at);
        at += n;
      }
      Prefilter filter = town ? Prefilter::ForTown(townRule.Keyword(), options.fold) : rule.MakePrefilter();
      Prefilter::Cursor cursor;
      for (std::size_t at = 0; (at = filter.NextCandidate(data.data(), data.size(), at, cursor)) < data.size();) {
        std::size_t n = FrameLength(data.data() + at, data.size() - at);
        if (matches(data.data() + at, n)) found.push_back(at);
        at += n;
      }
      return found == expected;
    };
    // Cases the fuzzing run found: a town part that is a mark the block's form rewrites
    // (－０－０ read as -0-0); a keyword cut after a lead byte, where a folded ケ supplies it.
    QVERIFY(agree(Sjis("－０－０"),
                  "O-0O-0-0-S\x95"
                  "1\t,,,,4",
                  DataKind::Ken, false, {}));
    QVERIFY(
        agree(Sjis("内ノ") + "\x92\x82\xaa\x83", Sjis("内ノ") + "\x92\x82\xaa" + Sjis("が"), DataKind::Ken, false, {}));
    for (int round = 0; round < 3000; ++round) {
      std::string data = pick(static_cast<int>(rng() % 200));
      if (round % 50 == 0) data += std::string(2100 + rng() % 300, 'A') + pick(20);
      std::string keyword = pick(1 + static_cast<int>(rng() % 4));
      bool office = rng() % 2;
      bool town = rng() % 4 == 0;
      bool fold = rng() % 2;
      MatchOptions options{fold, fold && rng() % 2};
      if (!agree(keyword, data, office ? DataKind::Jig : DataKind::Ken, town, options)) {
        QFAIL(qPrintable(QStringLiteral("round %1: keyword %2 data %3")
                             .arg(round)
                             .arg(QString::fromLatin1(QByteArray::fromStdString(keyword).toHex()))
                             .arg(QString::fromLatin1(QByteArray::fromStdString(data).toHex()))));
      }
    }
  }

  void passOrder() {
    Folder f;
    QVERIFY(f.dir.write(JigName(1), kOffice));
    QVERIFY(f.dir.write(KenName(2), KenLine(2201, "0300001", "ア", "ア", "ア", "青森県", "青森市", "千代田") +
                                        KenLine(2201, "0300002", "ア", "ア", "ア", "青森県", "青森市", "別町")));
    QVERIFY(f.dir.write(KenName(47), KenLine(47201, "9000001", "ア", "ア", "ア", "沖縄県", "那覇市", "千代田")));
    QVERIFY(f.dir.write(KenName(13), TokyoLine(1)));
    Scratch engine;
    Outcome out = Search(engine, f.dir, Sjis("千代田"));
    QCOMPARE(out.notice, SearchNotice::None);
    QCOMPARE(out.hitCount, 4);
    QCOMPARE(out.rows.numbers, (std::vector<int>{1, 2, 3, 4}));
    QCOMPARE(out.rows.kanji, (std::vector<std::string>{Sjis("青森県青森市千代田"), Sjis("東京都千代田区丸の内"),
                                                       Sjis("沖縄県那覇市千代田"), Sjis("宮内庁")}));
    // Every hit's record comes with its hit number, whatever its kind.
    QCOMPARE(std::string(out.rows.addresses[1].TownKanji), Sjis("千代田"));
    QCOMPARE(std::string(out.rows.addresses[3].PrefKanji), Sjis("沖縄県"));
    QCOMPARE(std::string(out.rows.offices[4].OfficeKanji), Sjis("宮内庁"));
    QCOMPARE(out.rows.addresses.size(), std::size_t{3});
  }

  void limit_data() {
    Columns<int, int, bool, int, int>("addressHits", "officeHits", "officeFileOneMissing", "hitCount", "notice");
    QTest::newRow("limit in the address pass") << 10240 << 5 << false << 10240 << int(SearchNotice::HitLimit);
    QTest::newRow("address pass over the limit") << 10300 << 5 << false << 10240 << int(SearchNotice::HitLimit);
    QTest::newRow("limit in the office pass") << 10000 << 300 << false << 10240 << int(SearchNotice::HitLimit);
    QTest::newRow("one below the limit") << 10000 << 239 << false << 10239 << int(SearchNotice::None);
    QTest::newRow("limit, then office file 1 missing") << 10240 << 0 << true << -1 << int(SearchNotice::FileMissing);
  }
  void limit() {
    QFETCH(int, addressHits);
    QFETCH(int, officeHits);
    QFETCH(bool, officeFileOneMissing);
    QFETCH(int, hitCount);
    QFETCH(int, notice);
    Folder f;
    // The hits are spread over two address files and two office files.
    int first = addressHits / 2;
    QVERIFY(f.dir.write(KenName(3), Repeat(TokyoLine(3), first)));
    QVERIFY(f.dir.write(KenName(30), Repeat(TokyoLine(30), addressHits - first)));
    QVERIFY(f.dir.write(JigName(2), Repeat(kOffice, officeHits / 2)));
    QVERIFY(f.dir.write(JigName(40), Repeat(kOffice, officeHits - officeHits / 2)));
    if (officeFileOneMissing) f.Remove(JigName(1));
    Scratch engine;
    Outcome out = Search(engine, f.dir, Sjis("千代田"));
    QCOMPARE(out.hitCount, hitCount);
    QCOMPARE(int(out.notice), notice);
    int rows = hitCount < 0 ? 10240 : hitCount;
    QCOMPARE(int(out.rows.numbers.size()), rows);
    QCOMPARE(out.rows.numbers.back(), rows);
    if (addressHits >= 10240) QCOMPARE(out.rows.kanji.back(), Sjis("東京都千代田区丸の内"));  // no office hit
  }

  void missingAddressFile() {
    Folder f;
    for (int p = 1; p <= 20; ++p) QVERIFY(f.dir.write(KenName(p), TokyoLine(p)));
    QVERIFY(f.dir.write(JigName(1), kOffice));
    f.Remove(KenName(13));
    ExpectFileMissing(f, 12);  // prefectures 1 to 12, no office hit
  }

  void missingOfficeFile() {
    Folder f;
    QVERIFY(f.dir.write(KenName(1), TokyoLine(1)));
    QVERIFY(f.dir.write(JigName(1), kOffice));
    f.Remove(JigName(2));
    ExpectFileMissing(f, 2);
  }

  void cancelBeforeFirstHit() {
    Folder f;
    QVERIFY(f.dir.write(KenName(1), TokyoLine(1)));
    Scratch engine;
    Outcome out = Search(engine, f.dir, Sjis("千代田"), SearchMode::Keyword, true);
    QCOMPARE(out.notice, SearchNotice::NoHit);
    QCOMPARE(out.hitCount, 0);
    QVERIFY(out.rows.numbers.empty());
    // Files are still opened after a cancel: a missing one still counts.
    f.Remove(JigName(47));
    out = Search(engine, f.dir, Sjis("千代田"), SearchMode::Keyword, true);
    QCOMPARE(out.notice, SearchNotice::FileMissing);
  }

  // What is not a regular file is a missing file: a FIFO is not waited on, a device not read.
  void notAFileIsMissing_data() {
    Columns<int, bool>("kind", "office");
    QTest::newRow("FIFO KEN05") << int(NotAFile::Fifo) << false;
    QTest::newRow("folder KEN13") << int(NotAFile::Folder) << false;
    QTest::newRow("link to /dev/zero KEN13") << int(NotAFile::LinkToDevZero) << false;
    QTest::newRow("FIFO JIG05") << int(NotAFile::Fifo) << true;
  }
  void notAFileIsMissing() {
    QFETCH(int, kind);
    QFETCH(bool, office);
    Folder f;
    QVERIFY(f.dir.write(KenName(1), TokyoLine(1)));
    const int pref = kind == int(NotAFile::Fifo) ? 5 : 13;
    const std::string name = office ? JigName(pref) : KenName(pref);
    QVERIFY(f.dir.writeNotAFile(name, NotAFile(kind)));
    FifoKnocker knocker(f.dir.path(name));
    ExpectFileMissing(f, 1);
  }

  // A data folder path far longer than 260 bytes is searched like any other.
  void deepFolder() {
    TempData deep(400);
    QVERIFY(deep.valid());
    deep.writeEmptyPrefectures();
    QVERIFY(deep.write(KenName(47), TokyoLine(1)));
    Scratch engine;
    Outcome out = Search(engine, deep, Sjis("千代田"));
    QCOMPARE(out.notice, SearchNotice::None);
    QCOMPARE(out.hitCount, 1);
  }

  void emptyKeyword() {
    TempData empty;  // no data file at all: nothing is opened
    Scratch scratch;
    SearchParams params;
    std::atomic<int32_t> hitCount{7};
    std::atomic<uint8_t> cancel{0};
    Collected rows;
    QCOMPARE(RunSearch(SearchQuery(params), *DataSet::Open(empty.folder()), *scratch.buffers, hitCount, cancel, rows),
             SearchNotice::EnterKeyword);
    QCOMPARE(hitCount.load(), 0);
    params.matchesNothing = true;  // a keyword Shift-JIS cannot hold: searched, never found
    QCOMPARE(RunSearch(SearchQuery(params), *DataSet::Open(empty.folder()), *scratch.buffers, hitCount, cancel, rows),
             SearchNotice::FileMissing);
    Folder f;
    QVERIFY(f.dir.write(KenName(1), TokyoLine(1)));
    QCOMPARE(RunSearch(SearchQuery(params), *DataSet::Open(f.dir.folder()), *scratch.buffers, hitCount, cancel, rows),
             SearchNotice::NoHit);
  }

  // The tolerant pass runs only after an exact pass that found nothing, with nothing
  // missing and nothing cancelled, and only when it can find more.
  void tolerantPass_data() {
    Columns<QString, int, QString, QStringList>("keyword", "mode",
                                                "searchedAs",  // empty: no tolerant pass
                                                "rows");
    const QString sapporo = u"北海道札幌市中央区旭ケ丘"_qs;
    const QString office = u"宮内庁"_qs;
    QTest::newRow("found as typed") << u"旭ケ丘"_qs << 0 << QString() << QStringList{sapporo};
    QTest::newRow("hiragana reading") << u"あさひがおか"_qs << 0 << u"アサヒガオカ"_qs << QStringList{sapporo};
    QTest::newRow("small kana in the keyword") << u"クナイチョウ"_qs << 0 << u"クナイチョウ"_qs << QStringList{office};
    QTest::newRow("full-width code") << u"０６４－０９４１"_qs << 0 << u"064-0941"_qs << QStringList{sapporo};
    QTest::newRow("catch-all by its code")
        << u"0600000"_qs << 0 << u"0600000"_qs << QStringList{u"北海道札幌市中央区以下に掲載がない場合"_qs};
    QTest::newRow("catch-all by its name") << u"以下に掲載"_qs << 0 << QString() << QStringList{};
    QTest::newRow("nothing new to try") << u"大阪"_qs << 0 << QString() << QStringList{};
    QTest::newRow("comma: in no field") << u"旭,"_qs << 0 << QString() << QStringList{};
    QTest::newRow("town mode, small ヶ") << u"旭ヶ丘"_qs << 1 << u"旭ヶ丘"_qs << QStringList{};
    QTest::newRow("town mode, spaced") << u"旭 ケ丘"_qs << 1 << u"旭ケ丘"_qs << QStringList{};
  }
  void tolerantPass() {
    QFETCH(QString, keyword);
    QFETCH(int, mode);
    QFETCH(QString, searchedAs);
    QFETCH(QStringList, rows);
    Folder f;
    QVERIFY(f.dir.write(KenName(1), kSapporoCatchAll + kSapporo));
    QVERIFY(f.dir.write(JigName(13), kOffice));
    SearchParams params;
    params.keyword = S(keyword.toStdString());
    params.mode = mode == 1 ? SearchMode::Town : SearchMode::Keyword;
    params.prefName = Sjis("北海道");
    params.cityCode = "1101";
    Scratch scratch;
    std::atomic<int32_t> hits{0};
    std::atomic<uint8_t> cancel{0};
    Collected out;
    SearchNotice notice =
        RunKeywordSearch(KeywordSearch(params), *DataSet::Open(f.dir.folder()), *scratch.buffers, hits, cancel, out);
    QStringList kanji;
    for (const std::string& k : out.kanji) kanji << FromSjis(k);
    QStringList tolerant;
    for (const std::string& t : out.tolerant) tolerant << FromSjis(t);
    QCOMPARE(tolerant, searchedAs.isEmpty() ? QStringList{} : QStringList{searchedAs});
    if (mode == 1) {
      QCOMPARE(kanji, QStringList{u"北海道札幌市中央区旭ケ丘"_qs});
    } else {
      QCOMPARE(kanji, rows);
    }
    QCOMPARE(notice, kanji.isEmpty() ? SearchNotice::NoHit : SearchNotice::None);
    QCOMPARE(hits.load(), static_cast<int>(kanji.size()));
  }

  void noTolerantPassAfterAMissingFileOrACancel() {
    Folder f;
    QVERIFY(f.dir.write(KenName(1), kSapporo));
    SearchParams params;
    params.keyword = Sjis("あさひがおか");
    std::atomic<int32_t> hits{0};
    std::atomic<uint8_t> cancel{1};
    Collected out;
    Scratch scratch;
    QCOMPARE(
        RunKeywordSearch(KeywordSearch(params), *DataSet::Open(f.dir.folder()), *scratch.buffers, hits, cancel, out),
        SearchNotice::NoHit);
    QVERIFY(out.tolerant.empty());
    cancel.store(0);
    f.Remove(JigName(5));
    QCOMPARE(
        RunKeywordSearch(KeywordSearch(params), *DataSet::Open(f.dir.folder()), *scratch.buffers, hits, cancel, out),
        SearchNotice::FileMissing);
    QVERIFY(out.tolerant.empty());
  }

  void townMode() {
    Folder f;
    QVERIFY(f.dir.write(KenName(1), kSapporo + kSapporoCatchAll +
                                        KenLine(1102, "0010000", "ア", "ア", "ア", "北海道", "札幌市北区", "旭町")));
    QVERIFY(f.dir.write(JigName(1), JigLine(1101, "ア", "旭", "北海道", "札幌市中央区", "旭ケ丘", "", "0600001")));
    for (int p = 1; p <= PrefectureCount; ++p) f.Remove(JigName(p));  // never opened in this mode
    Scratch engine;
    Outcome out = Search(engine, f.dir, Sjis("旭"), SearchMode::Town, false, Sjis("北海道"), "01101");
    QCOMPARE(out.notice, SearchNotice::None);
    QCOMPARE(out.rows.kanji, (std::vector<std::string>{Sjis("北海道札幌市中央区旭ケ丘")}));
    out = Search(engine, f.dir, Sjis("以下"), SearchMode::Town, false, Sjis("北海道"), "1101");
    QCOMPARE(out.rows.kanji, (std::vector<std::string>{Sjis("北海道札幌市中央区以下に掲載がない場合")}));
    out = Search(engine, f.dir, Sjis("旭"), SearchMode::Town, false, Sjis("東京都"), "1101");
    QCOMPARE(out.notice, SearchNotice::NoHit);
  }
};

QTEST_APPLESS_MAIN(TestSearchCore)
#include "tst_search_core.moc"
