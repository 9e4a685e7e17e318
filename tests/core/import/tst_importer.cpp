// The importer on small inputs: joining of split lines, full-width kana, the order of the
// files, the line format, bad input and the all-or-nothing replacement of the files.
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "core/import/DataFileBuilder.h"
#include "core/import/ImportSource.h"
#include "core/import/Importer.h"
#include "core/text/KanaWidth.h"
#include "core/text/SjisText.h"
#include "support/Archives.h"
#include "support/DataLines.h"
#include "support/Sjis.h"
#include "support/Table.h"
#include "support/TempData.h"

using namespace tanzel;

namespace {

// A KEN_ALL.CSV line, text given in UTF-8 (half-width kana as Japan Post writes them).
std::string Ken(const char* code, const char* postal, const char* cityKana, const char* townKana, const char* city,
                const char* town, const char* flags = "0,0,0,0,0,0") {
  std::string pref = PrefectureName(std::atoi(std::string(code, 2).c_str()));
  std::string prefKana = code[0] == '1' && code[1] == '3' ? "ﾄｳｷｮｳﾄ" : "ﾎｯｶｲﾄﾞｳ";
  std::string line = std::string(code) + ",\"" + std::string(postal).substr(0, 3) + "  \",\"" + postal + "\",\"" +
                     prefKana + "\",\"" + cityKana + "\",\"" + townKana + "\",\"" + pref + "\",\"" + city + "\",\"" +
                     town + "\"," + flags + "\r\n";
  return line;
}

// A JIGYOSYO.CSV line.
std::string Jig(const char* code, const char* kana, const char* kanji, const char* postal) {
  return std::string(code) + ",\"" + kana + "\",\"" + kanji + "\",\"" +
         PrefectureName(std::atoi(std::string(code, 2).c_str())) + "\",\"札幌市中央区\",\"北一条西\",\"１丁目\",\"" +
         postal + "\",\"060  \",\"札幌中央\",0,0,0\r\n";
}

ImportSource SjisSource(const std::string& utf8Text) {
  return ImportSource{"KEN_ALL.CSV", S(utf8Text.c_str()), false};
}

// The lines of a built file, in UTF-8, without CR LF.
std::vector<std::string> Lines(const std::string& sjisFile) {
  std::vector<std::string> lines;
  std::size_t pos = 0;
  while (pos < sjisFile.size()) {
    std::size_t lf = sjisFile.find("\r\n", pos);
    if (lf == std::string::npos) {
      lines.push_back(SjisToUtf8(sjisFile.substr(pos)) + "<no CR LF>");
      break;
    }
    lines.push_back(SjisToUtf8(sjisFile.substr(pos, lf - pos)));
    pos = lf + 2;
  }
  return lines;
}

// Column `n` (1-based, quotes removed) of a UTF-8 line.
std::string Column(const std::string& line, int n) {
  std::stringstream ss(line);
  std::string part;
  for (int i = 1; i <= n; ++i) std::getline(ss, part, ',');
  if (part.size() >= 2 && part.front() == '"') part = part.substr(1, part.size() - 2);
  return part;
}

std::vector<std::string> ColumnOf(const std::vector<std::string>& lines, int n) {
  std::vector<std::string> out;
  for (const auto& l : lines) out.push_back(Column(l, n));
  return out;
}

// The data files (KEN01.CSV .. JIG47.CSV) that can be read in `folder`.
int DataFilesIn(const std::string& folder) {
  int n = 0;
  for (int p = 1; p <= PrefectureCount; ++p) {
    n += access((folder + "/" + KenName(p)).c_str(), R_OK) == 0;
    n += access((folder + "/" + JigName(p)).c_str(), R_OK) == 0;
  }
  return n;
}

// Little-endian 32-bit fields of a zip archive's headers.
void Put32(std::string& bytes, std::size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + static_cast<std::size_t>(i)] = static_cast<char>((value >> (8 * i)) & 0xFF);
}
uint32_t Get32(const std::string& bytes, std::size_t at) {
  uint32_t value = 0;
  for (int i = 3; i >= 0; --i)
    value = (value << 8) | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
  return value;
}

}  // namespace

class TestImporter : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void widening_data();
  void widening();
  void joining_data();
  void joining();
  void lineFormat();
  void kenOrder();
  void jigOrder();
  void equalReadingsKeepSourceOrder();
  void prefecturesAndEmptyFiles();
  void overCapacityCounted();
  void summarySaysWhatWasShortened();
  void bothEncodingsGiveSameFiles();
  void archiveInput();
  void damagedArchive_data();
  void damagedArchive();
  void oversizedInput_data();
  void oversizedInput();
  void notARegularFile_data();
  void notARegularFile();
  void recordChecks_data();
  void recordChecks();
  void prefecturesWithoutRecords_data();
  void prefecturesWithoutRecords();
  void badInput_data();
  void badInput();
  void limits_data();
  void limits();
  void failedImportChangesNothing();
  void folderInPlaceOfDataFile();
  void onlyGivenKindReplaced();
  void keptFilesOnAnotherFileSystem();
};

void TestImporter::widening_data() {
  Columns<QString, QString>("input", "expected");
  Row("plain kana", "ｱｲｳｴｵﾝ", "アイウエオン");
  Row("small kana", "ｧｨｩｪｫｬｭｮｯｦ", "ァィゥェォャュョッヲ");
  Row("voiced", "ｶﾞｷﾞｸﾞｹﾞｺﾞｻﾞｼﾞｽﾞｾﾞｿﾞﾀﾞﾁﾞﾂﾞﾃﾞﾄﾞ", "ガギグゲゴザジズゼゾダヂヅデド");
  Row("voiced ha row", "ﾊﾞﾋﾞﾌﾞﾍﾞﾎﾞ", "バビブベボ");
  Row("semi-voiced", "ﾊﾟﾋﾟﾌﾟﾍﾟﾎﾟ", "パピプペポ");
  Row("vu", "ｳﾞ", "ヴ");
  Row("marks that combine with nothing", "ｱﾞﾏﾟﾞﾟ", "ア゛マ゜゛゜");
  Row("semi-voiced mark after ka", "ｶﾟ", "カ゜");
  Row("mark after a double-byte kana", "ガﾞ", "ガ゛");
  Row("punctuation", "｡｢｣､･ｰ", "。「」、・ー");
  Row("ascii", "(1-3) AZaz09", "（１－３）　ＡＺａｚ０９");
  Row("ascii symbols", "!\"#$%&'*+,./:;<=>?@[\\]^_`{|}~", "！＂＃＄％＆＇＊＋，．／：；＜＝＞？＠［＼］＾＿｀｛｜｝～");
  Row("full width kept", "アイ（１）東京　ー", "アイ（１）東京　ー");
  Row("mixed", "ｵｵﾄﾞｵﾘﾆｼ(1-19ﾁｮｳﾒ)", "オオドオリニシ（１－１９チョウメ）");
  Row("empty", "", "");
}

void TestImporter::widening() {
  QFETCH(QString, input);
  QFETCH(QString, expected);
  std::string out = "x";
  AppendWideKana(out, S(input.toUtf8().constData()));
  QCOMPARE(FromSjis(out), QStringLiteral("x") + expected);
}

void TestImporter::joining_data() {
  Columns<QString, QStringList, QStringList>("csv",
                                             "towns",       // town kanji of the records, in source order
                                             "townKanas");  // town kana
  auto lines = [](std::initializer_list<std::string> ls) {
    std::string all;
    for (const auto& l : ls) all += l;
    return QString::fromStdString(all);
  };
  QTest::newRow("two lines") << lines({Ken("01101", "0600001", "ｱ", "ｵｵﾄﾞｵﾘ(1", "札幌市", "大通（１丁目、"),
                                       Ken("01101", "0600001", "ｱ", "-3ﾁｮｳﾒ)", "札幌市", "３丁目）")})
                             << QStringList{QStringLiteral("大通（１丁目、３丁目）")}
                             << QStringList{QStringLiteral("オオドオリ（１－３チョウメ）")};
  QTest::newRow("repeated kana appended once")
      << lines({Ken("01101", "0600002", "ｱ", "ﾐﾅﾐ", "札幌市", "南（一、"),
                Ken("01101", "0600002", "ｱ", "ﾐﾅﾐ", "札幌市", "二、"),
                Ken("01101", "0600002", "ｱ", "ﾐﾅﾐ", "札幌市", "三）")})
      << QStringList{QStringLiteral("南（一、二、三）")} << QStringList{QStringLiteral("ミナミ")};
  QTest::newRow("kana compared with the line before")
      << lines({Ken("01101", "0600003", "ｱ", "ｶ", "札幌市", "甲（一、"),
                Ken("01101", "0600003", "ｱ", "ｷ", "札幌市", "二、"),
                Ken("01101", "0600003", "ｱ", "ｶ", "札幌市", "三、"),
                Ken("01101", "0600003", "ｱ", "ｶ", "札幌市", "四）")})
      << QStringList{QStringLiteral("甲（一、二、三、四）")} << QStringList{QStringLiteral("カキカ")};
  QTest::newRow("nested parentheses") << lines({Ken("01101", "0600004", "ｱ", "ｺ", "札幌市", "乙（一（イ）、"),
                                                Ken("01101", "0600004", "ｱ", "ｺ", "札幌市", "二）"),
                                                Ken("01101", "0600004", "ｱ", "ｻ", "札幌市", "丙")})
                                      << QStringList{QStringLiteral("乙（一（イ）、二）"), QStringLiteral("丙")}
                                      << QStringList{QStringLiteral("コ"), QStringLiteral("サ")};
  QTest::newRow("never balances: ends at another postal code")
      << lines({Ken("01101", "0600005", "ｱ", "ﾀ", "札幌市", "丁（一、"),
                Ken("01101", "0600005", "ｱ", "ﾀ", "札幌市", "二、"),
                Ken("01101", "0600006", "ｱ", "ﾁ", "札幌市", "戊）")})
      << QStringList{QStringLiteral("丁（一、二、"), QStringLiteral("戊）")}
      << QStringList{QStringLiteral("タ"), QStringLiteral("チ")};
  QTest::newRow("never balances: ends at another code")
      << lines({Ken("01101", "0600005", "ｱ", "ﾀ", "札幌市", "丁（一、"),
                Ken("01102", "0600005", "ｲ", "ﾀ", "北区", "二）")})
      << QStringList{QStringLiteral("丁（一、"), QStringLiteral("二）")}
      << QStringList{QStringLiteral("タ"), QStringLiteral("タ")};
  QTest::newRow("never balances: ends at the end of the file")
      << lines({Ken("01101", "0600005", "ｱ", "ﾀ", "札幌市", "丁（一、"),
                Ken("01101", "0600005", "ｱ", "ﾂ", "札幌市", "二、")})
      << QStringList{QStringLiteral("丁（一、二、")} << QStringList{QStringLiteral("タツ")};
  QTest::newRow("balanced line not joined") << lines({Ken("01101", "0600007", "ｱ", "ﾅ", "札幌市", "己（一）"),
                                                      Ken("01101", "0600007", "ｱ", "ﾆ", "札幌市", "庚")})
                                            << QStringList{QStringLiteral("己（一）"), QStringLiteral("庚")}
                                            << QStringList{QStringLiteral("ナ"), QStringLiteral("ニ")};
  QTest::newRow("kana split inside a voiced mark")
      << lines(
             {Ken("01101", "0600008", "ｱ", "ﾊ", "札幌市", "辛（"), Ken("01101", "0600008", "ｱ", "ﾞ", "札幌市", "一）")})
      << QStringList{QStringLiteral("辛（一）")} << QStringList{QStringLiteral("バ")};
}

void TestImporter::joining() {
  QFETCH(QString, csv);
  QFETCH(QStringList, towns);
  QFETCH(QStringList, townKanas);
  DataFileSet files;
  std::string error;
  QVERIFY2(BuildDataFiles(DataKind::Ken, SjisSource(csv.toStdString()), files, error), error.c_str());
  // Every test city has one kana, so the file keeps the towns in kana order; compare as sets
  // in source order by looking each record up.
  auto lines = Lines(files.files[0]);
  QCOMPARE(static_cast<int>(lines.size()), towns.size());
  QCOMPARE(files.records, static_cast<long>(towns.size()));
  for (int i = 0; i < towns.size(); ++i) {
    bool found = false;
    for (const auto& l : lines) {
      if (QString::fromStdString(Column(l, 9)) == towns[i]) {
        QCOMPARE(QString::fromStdString(Column(l, 6)), townKanas[i]);
        found = true;
      }
    }
    QVERIFY2(found, qPrintable(towns[i]));
  }
}

void TestImporter::lineFormat() {
  // Unquoted text columns get their quotes; the columns after column 9 stay exactly as they are.
  std::string csv =
      S("01101,060  ,\"0600000\",\"ﾎｯｶｲﾄﾞｳ\",\"ｻｯﾎﾟﾛｼ\",\"ｲｶﾆｹｲｻｲｶﾞﾅｲﾊﾞｱｲ\",\"北海道\",\"札幌市\","
        "\"以下に掲載がない場合\",0,\"x\", 1 ,0,,9\r\n");
  DataFileSet files;
  std::string error;
  QVERIFY2(BuildDataFiles(DataKind::Ken, ImportSource{"KEN_ALL.CSV", csv, false}, files, error), error.c_str());
  QCOMPARE(files.files[0],
           S("01101,\"060  \",\"0600000\",\"ホッカイドウ\",\"サッポロシ\",\"イカニケイサイガナイバアイ\","
             "\"北海道\",\"札幌市\",\"以下に掲載がない場合\",0,\"x\", 1 ,0,,9\r\n"));
  // A last line without its line feed is read too and written with CR LF.
  std::string jig = S(Jig("01101", "ｱ", "甲", "0600001").c_str());
  jig.resize(jig.size() - 2);
  QVERIFY2(BuildDataFiles(DataKind::Jig, ImportSource{"JIGYOSYO.CSV", jig, false}, files, error), error.c_str());
  QCOMPARE(files.files[0],
           S("01101,\"ア\",\"甲\",\"北海道\",\"札幌市中央区\",\"北一条西\",\"１丁目\",\"0600001\",\"060  \","
             "\"札幌中央\",0,0,0\r\n"));
}

void TestImporter::kenOrder() {
  std::string csv = Ken("01202", "0400000", "ﾊｺﾀﾞﾃｼ", "ｲｶﾆｹｲｻｲｶﾞﾅｲﾊﾞｱｲ", "函館市", "以下に掲載がない場合") +
                    Ken("01202", "0400001", "ﾊｺﾀﾞﾃｼ", "ｱｻﾋﾁｮｳ", "函館市", "旭町") +
                    Ken("01101", "0600000", "ｻｯﾎﾟﾛｼ", "ｲｶﾆｹｲｻｲｶﾞﾅｲﾊﾞｱｲ", "札幌市", "以下に掲載がない場合") +
                    Ken("01101", "0600003", "ｻｯﾎﾟﾛｼ", "ﾐﾅﾐ", "札幌市", "南一") +
                    Ken("01101", "0600001", "ｻｯﾎﾟﾛｼ", "ｱｻﾋ", "札幌市", "旭") +
                    Ken("01101", "0600004", "ｻｯﾎﾟﾛｼ", "ﾐﾅﾐ", "札幌市", "南二") +
                    Ken("01101", "0600002", "ｻｯﾎﾟﾛｼ", "ｱｲ", "札幌市", "藍") +
                    // The town named like the catch-all's kana but not the catch-all stays in kana order.
                    Ken("01101", "0600009", "ｻｯﾎﾟﾛｼ", "ｱ", "札幌市", "以下に掲載がない場合（注）") +
                    // Same city kana, a lower code: comes first.
                    Ken("01100", "0600010", "ｻｯﾎﾟﾛｼ", "ｶ", "札幌市", "甲") +
                    // A city whose kana sorts first although it comes last.
                    Ken("01203", "0470000", "ｱｻﾋｶﾜｼ", "ｲ", "旭川市", "乙") +
                    // Voiced kana sort after their plain form in Shift-JIS: ガ 0x834B after カ 0x834A.
                    Ken("01101", "0600005", "ｻｯﾎﾟﾛｼ", "ｶﾞ", "札幌市", "賀") +
                    Ken("01101", "0600006", "ｻｯﾎﾟﾛｼ", "ｶ", "札幌市", "加") +
                    // A second catch-all of the same city keeps its place after the first.
                    Ken("01101", "0600099", "ｻｯﾎﾟﾛｼ", "ｲｶﾆｹｲｻｲｶﾞﾅｲﾊﾞｱｲ", "札幌市", "以下に掲載がない場合");
  DataFileSet files;
  std::string error;
  QVERIFY2(BuildDataFiles(DataKind::Ken, SjisSource(csv), files, error), error.c_str());
  auto lines = Lines(files.files[0]);
  std::vector<std::string> expected = {"0470000", "0600010", "0600000", "0600099", "0600009", "0600002", "0600001",
                                       "0600006", "0600005", "0600003", "0600004", "0400000", "0400001"};
  QCOMPARE(ColumnOf(lines, 3), expected);
}

void TestImporter::jigOrder() {
  std::string csv = Jig("01101", "ﾕｳﾋﾞﾝｷｮｸ", "郵便局", "0608001") + Jig("01202", "(ｶﾌﾞ) ｱ", "株式会社ア", "0408002") +
                    Jig("01101", "ｱｵｲ", "葵", "0608003") + Jig("01202", "ﾕｳﾋﾞﾝｷｮｸ", "郵便局二", "0408004") +
                    Jig("01101", "ｱｵｲ", "葵二", "0608005") + Jig("01101", "ｱｵ", "青", "0608006");
  DataFileSet files;
  std::string error;
  QVERIFY2(BuildDataFiles(DataKind::Jig, ImportSource{"JIGYOSYO.CSV", S(csv.c_str()), false}, files, error),
           error.c_str());
  // （ is 0x8169, below every katakana (0x83xx): the company prefix comes first. The city is
  // no key: offices of all cities of a prefecture are in one kana order.
  std::vector<std::string> expected = {"0408002", "0608006", "0608003", "0608005", "0608001", "0408004"};
  QCOMPARE(ColumnOf(Lines(files.files[0]), 8), expected);
  QCOMPARE(Column(Lines(files.files[0])[0], 2), std::string("（カブ）　ア"));
}

// Far more ties than a sort handles by insertion: records with equal readings stay in the
// order of the source, offices and the towns of a city alike.
void TestImporter::equalReadingsKeepSourceOrder() {
  std::string jig;
  std::string ken;
  std::vector<std::string> expected[2];  // postal codes: 40 of reading ア, then 40 of イ
  for (int i = 0; i < 80; ++i) {
    const bool first = i % 2 == 1;  // the two readings alternate, イ first
    char postal[8];
    std::snprintf(postal, sizeof postal, "06%05d", 99999 - i);  // falling: no order of their own
    jig += Jig("01101", first ? "ｱ" : "ｲ", "社", postal);
    ken += Ken("01101", postal, "ｻｯﾎﾟﾛｼ", first ? "ｱ" : "ｲ", "札幌市", "町");
    expected[first ? 0 : 1].push_back(postal);
  }
  expected[0].insert(expected[0].end(), expected[1].begin(), expected[1].end());
  DataFileSet files;
  std::string error;
  QVERIFY2(BuildDataFiles(DataKind::Jig, ImportSource{"JIGYOSYO.CSV", S(jig.c_str()), false}, files, error),
           error.c_str());
  QCOMPARE(ColumnOf(Lines(files.files[0]), 8), expected[0]);
  QVERIFY2(BuildDataFiles(DataKind::Ken, SjisSource(ken), files, error), error.c_str());
  QCOMPARE(ColumnOf(Lines(files.files[0]), 3), expected[0]);
}

void TestImporter::prefecturesAndEmptyFiles() {
  std::string csv = Ken("13101", "1000001", "ﾁﾖﾀﾞｸ", "ﾁﾖﾀﾞ", "千代田区", "千代田") +
                    Ken("01101", "0600001", "ｻｯﾎﾟﾛｼ", "ｱ", "札幌市", "甲") +
                    Ken("47201", "9000001", "ﾅﾊｼ", "ｱ", "那覇市", "乙");
  DataFileSet files;
  std::string error;
  QVERIFY2(BuildDataFiles(DataKind::Ken, SjisSource(csv), files, error), error.c_str());
  for (int p = 1; p <= PrefectureCount; ++p) {
    const std::string& f = files.files[static_cast<std::size_t>(p - 1)];
    if (p == 1 || p == 13 || p == 47) {
      QCOMPARE(Lines(f).size(), std::size_t{1});
      QCOMPARE(std::stoi(Column(Lines(f)[0], 1)) / 1000, p);
    } else {
      QVERIFY2(f.empty(), qPrintable(QString::number(p)));
    }
  }
  QCOMPARE(DataFileBaseName(DataKind::Ken, 1), std::string("KEN01.CSV"));
  QCOMPARE(DataFileBaseName(DataKind::Jig, 47), std::string("JIG47.CSV"));
}

// The summary says plainly that long names were cut to the file format's widths and that
// nothing else went missing, and says nothing was shortened when nothing was.
void TestImporter::summarySaysWhatWasShortened() {
  ImportSummary summary;
  summary.jig.done = true;
  summary.jig.records = 5;
  QVERIFY(FormatSummary(summary).find("  nothing shortened: every record written whole\n") != std::string::npos);
  summary.jig.overCapacity[0] = 49;
  summary.jig.overCapacity[1] = 3;
  std::string text = FormatSummary(summary);
  QVERIFY2(text.find("  shortened to the data files' fixed widths: 52 names or readings (OfficeKana cut to 127 "
                     "bytes: 49, OfficeKanji cut to 127 bytes: 3); nothing else was lost\n") != std::string::npos,
           text.c_str());
  QVERIFY(text.find("longer than") == std::string::npos);
}

void TestImporter::overCapacityCounted() {
  // 128 half-width kana become 256 bytes: one byte more than TownKana keeps. Written whole.
  std::string longKana(128, 'A');
  std::string csv = Ken("01101", "0600001", "ｱ", longKana.c_str(), "札幌市", "甲") +
                    Ken("01101", "0600002", "ｱ", std::string(127, 'A').c_str(), "札幌市", "乙");
  DataFileSet files;
  std::string error;
  QVERIFY2(BuildDataFiles(DataKind::Ken, SjisSource(csv), files, error), error.c_str());
  QCOMPARE(files.overCapacity[4], 1L);
  QCOMPARE(files.OverCapacityTotal(), 1L);
  auto lines = Lines(files.files[0]);
  QCOMPARE(S(Column(lines[1], 6).c_str()).size(), std::size_t{256});  // after the shorter kana
  QCOMPARE(kKenFieldLimits[4], 255);
  QCOMPARE(kKenFieldLimits[7], 1029);
  QCOMPARE(kJigFieldLimits[0], 127);
  QCOMPARE(kJigFieldLimits[7], 141);
}

void TestImporter::bothEncodingsGiveSameFiles() {
  TempData dir;
  std::string sjis = S((Ken("01101", "0600001", "ｻｯﾎﾟﾛｼ", "ｵｵﾄﾞｵﾘ(1", "札幌市", "大通（１、") +
                        Ken("01101", "0600001", "ｻｯﾎﾟﾛｼ", "-3ﾁｮｳﾒ)", "札幌市", "３）") +
                        Ken("13101", "1000001", "ﾁﾖﾀﾞｸ", "ﾁﾖﾀﾞ", "千代田区", "千代田"))
                           .c_str());
  std::string utf8 = Ken("01101", "0600001", "サッポロシ", "オオドオリ（１－３チョウメ）", "札幌市", "大通（１、３）") +
                     Ken("13101", "1000001", "チヨダク", "チヨダ", "千代田区", "千代田");
  // The prefecture kana of the helper is half-width; make the UTF-8 one full-width.
  for (auto [half, full] :
       {std::pair<std::string, std::string>{"ﾎｯｶｲﾄﾞｳ", "ホッカイドウ"}, {"ﾄｳｷｮｳﾄ", "トウキョウト"}}) {
    for (std::size_t p; (p = utf8.find(half)) != std::string::npos;) utf8.replace(p, half.size(), full);
  }
  QVERIFY(dir.write("KEN_ALL.CSV", sjis));
  QVERIFY(dir.write("utf_ken_all.csv", utf8));
  // KEN_ALL.CSV converted to UTF-8 by hand keeps its split lines: they are joined all the same.
  QVERIFY(dir.write("KEN_ALL-utf8.csv", SjisToUtf8(sjis)));
  std::string error;
  std::vector<DataFileSet> built;
  for (const char* name : {"KEN_ALL.CSV", "utf_ken_all.csv", "KEN_ALL-utf8.csv"}) {
    ImportSource source;
    QVERIFY2(ReadImportSource(dir.path(name), source, error), error.c_str());
    QCOMPARE(source.utf8, built.size() > 0);
    built.emplace_back();
    QVERIFY2(BuildDataFiles(DataKind::Ken, source, built.back(), error), error.c_str());
    QCOMPARE(built.back().files, built.front().files);
    QCOMPARE(built.back().records, 2L);
  }
  QCOMPARE(built[0].sourceLines, 3L);
  QCOMPARE(built[1].sourceLines, 2L);
  QCOMPARE(built[2].sourceLines, 3L);
}

void TestImporter::archiveInput() {
  TempData dir;
  std::string csv = WithEveryPrefecture(DataKind::Ken, S((Ken("01101", "0600001", "ｱ", "ｱ", "札幌市", "甲") +
                                                          Ken("13101", "1000001", "ﾁ", "ﾁ", "千代田区", "乙"))
                                                             .c_str()));
  std::string jig = WithEveryPrefecture(DataKind::Jig, S(Jig("13101", "ｱ", "甲", "1008001").c_str()));
  QVERIFY(WriteZip(dir.path("ken_all.zip"), {{"KEN_ALL.CSV", csv}}));
  QVERIFY(WriteZip(dir.path("jigyosyo.zip"), {{"readme.txt", "x"}, {"JIGYOSYO.CSV", jig}}));
  QVERIFY(dir.write("KEN_ALL.CSV", csv));
  ImportSummary summary;
  std::string error;
  std::string out = dir.path("out");
  QVERIFY2(RunImport(PartialImport(dir.path("ken_all.zip"), dir.path("jigyosyo.zip"), out), summary, error),
           error.c_str());
  QCOMPARE(summary.filesWritten, 94);
  QCOMPARE(summary.ken.records, 47L);
  QCOMPARE(summary.jig.records, 47L);
  QVERIFY(summary.ken.source.find("(KEN_ALL.CSV)") != std::string::npos);
  QCOMPARE(DataFilesIn(out), 94);
  QCOMPARE(FileBytes(out + "/JIG13.CSV"), S(Jig("13101", "ア", "甲", "1008001").c_str()));
  std::string fromZip = FileBytes(out + "/KEN13.CSV");
  QVERIFY2(RunImport(PartialImport(dir.path("KEN_ALL.CSV"), "", out), summary, error), error.c_str());
  QCOMPARE(FileBytes(out + "/KEN13.CSV"), fromZip);
  QCOMPARE(summary.filesWritten, 47);
  QVERIFY(!summary.jig.done);
}

void TestImporter::damagedArchive_data() {
  // stored: the entry uncompressed; damage: 0 a bit flipped in the entry's data, 1 its size
  // lowered in the central directory, 2 in both headers, 3 its CRC changed.
  Columns<bool, int, QString>("stored", "damage", "reason");
  // A flipped bit of stored data changes one character and leaves a valid CSV.
  QTest::newRow("bit flipped, stored") << true << 0 << QStringLiteral("CRC error");
  QTest::newRow("bit flipped, deflated") << false << 0 << QString();
  // Lowered by the length of the last lines: what is left is a valid CSV.
  QTest::newRow("size lowered in the central directory") << false << 1 << QStringLiteral("longer than its size field");
  QTest::newRow("size lowered in both headers") << true << 2 << QStringLiteral("longer than its size field");
  QTest::newRow("CRC changed") << false << 3 << QStringLiteral("CRC error");
}

void TestImporter::damagedArchive() {
  QFETCH(bool, stored);
  QFETCH(int, damage);
  QFETCH(QString, reason);
  TempData dir;
  const std::string tail = TokyoLines(20);
  std::string csv = WithEveryPrefecture(DataKind::Ken, "") + tail;
  QVERIFY(WriteZip(dir.path("ken_all.zip"), {{"KEN_ALL.CSV", csv}}, 0, !stored));
  std::string zip = FileBytes(dir.path("ken_all.zip"));
  const std::size_t local = 0;
  const std::size_t central = zip.rfind(std::string("PK\1\2", 4));
  const std::size_t data = 30 + Get32(zip, 26) % 0x10000 + Get32(zip, 28) % 0x10000;
  const uint32_t size = Get32(zip, local + 22);
  QCOMPARE(Get32(zip, central + 24), size);
  if (damage == 0) {
    std::size_t at = stored ? data + csv.size() - 3 : data + Get32(zip, local + 18) / 2;  // stored: a flag 0 made 1
    zip[at] = static_cast<char>(zip[at] ^ 0x01);
  }
  if (damage == 1 || damage == 2) Put32(zip, central + 24, size - static_cast<uint32_t>(tail.size()));
  if (damage == 2) Put32(zip, local + 22, size - static_cast<uint32_t>(tail.size()));
  if (damage == 3) Put32(zip, central + 16, Get32(zip, central + 16) ^ 0x100);
  QVERIFY(dir.write("ken_all.zip", zip));
  std::string out = dir.path("out");
  QCOMPARE(mkdir(out.c_str(), 0755), 0);
  QVERIFY(dir.write("out/KEN13.CSV", "old"));
  ImportSummary summary;
  std::string error;
  QVERIFY(!RunImport(PartialImport(dir.path("ken_all.zip"), "", out), summary, error));
  std::string expected = dir.path("ken_all.zip") + ": KEN_ALL.CSV in the archive is damaged";
  // A flip in deflated data may break the compressed stream before the CRC is reached.
  QVERIFY2(error.find(expected) == 0, error.c_str());
  QVERIFY2(error.find(reason.toStdString()) != std::string::npos, error.c_str());
  QCOMPARE(FolderEntries(out), std::vector<std::string>{"KEN13.CSV"});
  QCOMPARE(FileBytes(out + "/KEN13.CSV"), std::string("old"));
}

void TestImporter::oversizedInput_data() {
  Columns<int, uint32_t, QString>("lines",     // Tokyo lines of the archive's CSV
                                  "size",      // the size its headers declare; 0: the true one
                                  "message");  // in the error
  // About 4 MB of lines deflated to a few KB: refused at the first record too many, not read through.
  QTest::newRow("one prefecture past its lines")
      << 30000 << 0u << QStringLiteral("(KEN_ALL.CSV), line 10241: KEN13.CSV would have more than the 10240 lines");
  // Refused before anything is inflated.
  QTest::newRow("declared size too large")
      << 10 << 100u * 1024 * 1024 << QStringLiteral("KEN_ALL.CSV in the archive is 104857600 bytes long, too large");
}

void TestImporter::oversizedInput() {
  QFETCH(int, lines);
  QFETCH(uint32_t, size);
  QFETCH(QString, message);
  TempData dir;
  QVERIFY(WriteZip(dir.path("ken_all.zip"), {{"KEN_ALL.CSV", WithEveryPrefecture(DataKind::Ken, TokyoLines(lines))}}));
  if (size != 0) {
    std::string zip = FileBytes(dir.path("ken_all.zip"));
    Put32(zip, 22, size);
    Put32(zip, zip.rfind(std::string("PK\1\2", 4)) + 24, size);
    QVERIFY(dir.write("ken_all.zip", zip));
  }
  ImportSummary summary;
  std::string error;
  QVERIFY(!RunImport(PartialImport(dir.path("ken_all.zip"), "", dir.path("out")), summary, error));
  QVERIFY2(QString::fromStdString(error).contains(message), error.c_str());
  QCOMPARE(DataFilesIn(dir.path("out")), 0);
}

void TestImporter::prefecturesWithoutRecords_data() {
  Columns<bool, QList<int>, QString>("asJig",
                                     "prefectures",  // those with records
                                     "message");
  QList<int> allButSome;
  for (int p = 3; p <= 46; ++p) allButSome << p;
  QTest::newRow("addresses of Tokyo only")
      << false << QList<int>{13}
      << QStringLiteral("no records for 46 of the 47 prefectures (prefecture codes 01-12, 14-47); their KEN files");
  QTest::newRow("offices of Tokyo only") << true << QList<int>{13}
                                         << QStringLiteral("(prefecture codes 01-12, 14-47); their JIG files");
  QTest::newRow("first two and last missing")
      << false << allButSome << QStringLiteral("no records for 3 of the 47 prefectures (prefecture codes 01-02, 47)");
}

void TestImporter::prefecturesWithoutRecords() {
  QFETCH(bool, asJig);
  QFETCH(QList<int>, prefectures);
  QFETCH(QString, message);
  TempData dir;
  std::string csv;
  for (int p : prefectures) {
    std::string code = std::to_string(p * 1000 + 101);
    if (code.size() < 5) code = "0" + code;
    csv += asJig ? Jig(code.c_str(), "ｱ", "甲", "1008001") : Ken(code.c_str(), "1000001", "ｱ", "ｱ", "市", "甲");
  }
  QVERIFY(dir.write("input.csv", S(csv.c_str())));
  std::string out = dir.path("out");
  ImportSummary summary;
  std::string error;
  QVERIFY(!RunImport(PartialImport(asJig ? "" : dir.path("input.csv"), asJig ? dir.path("input.csv") : "", out),
                     summary, error));
  QVERIFY2(error.find(dir.path("input.csv") + ": ") == 0, error.c_str());
  QVERIFY2(QString::fromStdString(error).contains(message), error.c_str());
  QCOMPARE(DataFilesIn(out), 0);
}

void TestImporter::badInput_data() {
  Columns<QByteArray, QByteArray, bool, QString>(
      "file",  // name of the input written into the folder; empty: none written
      "bytes", "asJig",
      "message");  // must occur in the error
  auto ken = [](std::initializer_list<std::string> ls) {
    std::string all;
    for (const auto& l : ls) all += S(l.c_str());
    return QByteArray::fromStdString(all);
  };
  std::string good = Ken("01101", "0600001", "ｱ", "ｱ", "札幌市", "甲");
  QTest::newRow("missing file") << QByteArray("none.zip") << QByteArray() << false
                                << QStringLiteral("none.zip: cannot open");
  QTest::newRow("text file") << QByteArray("notes.txt") << QByteArray("hello, world\n") << false
                             << QStringLiteral("notes.txt: is neither");
  QTest::newRow("binary file") << QByteArray("data.bin")
                               << QByteArray(
                                      "\x7f"
                                      "ELF\x02\x01\x01\0\0\0",
                                      10)
                               << false << QStringLiteral("data.bin: is neither");
  QTest::newRow("broken zip") << QByteArray("ken_all.zip") << QByteArray("PK\x03\x04garbage") << false
                              << QStringLiteral("ken_all.zip: is neither");
  QTest::newRow("empty file") << QByteArray("KEN_ALL.CSV") << QByteArray() << false
                              << QStringLiteral("holds no records");
  QTest::newRow("columns missing") << QByteArray("KEN_ALL.CSV")
                                   << ken({good, good, "01101,\"060  \",\"0600001\",\"ｱ\"\r\n"}) << false
                                   << QStringLiteral("KEN_ALL.CSV, line 3: 4 columns instead of 15");
  QTest::newRow("comma inside quotes") << QByteArray("KEN_ALL.CSV")
                                       << ken({good, Ken("01101", "0600001", "ｱ", "ｱ", "札幌市", "甲,乙")}) << false
                                       << QStringLiteral("KEN_ALL.CSV, line 2: 16 columns instead of 15");
  QTest::newRow("office file as address file")
      << QByteArray("JIGYOSYO.CSV") << ken({Jig("01101", "ｱ", "甲", "0600001")}) << false
      << QStringLiteral("line 1: 13 columns instead of 15");
  QTest::newRow("address file as office file")
      << QByteArray("KEN_ALL.CSV") << ken({good}) << true << QStringLiteral("is neither jigyosyo.zip");
  QTest::newRow("code of four digits") << QByteArray("KEN_ALL.CSV")
                                       << ken({good, Ken("1101", "0600001", "ｱ", "ｱ", "札", "甲")}) << false
                                       << QStringLiteral(
                                              "line 2: the local government code \"1101\" is not five digits");
  QTest::newRow("code with a letter") << QByteArray("KEN_ALL.CSV")
                                      << ken({good, good, Ken("0110A", "0600001", "ｱ", "ｱ", "札", "甲")}) << false
                                      << QStringLiteral("line 3: the local government code \"0110A\"");
  QTest::newRow("quoted code") << QByteArray("KEN_ALL.CSV")
                               << ken({good, Ken("\"01101\"", "0600001", "ｱ", "ｱ", "札", "甲")}) << false
                               << QStringLiteral("line 2: the local government code");
  QTest::newRow("no prefecture") << QByteArray("KEN_ALL.CSV")
                                 << ken({good, Ken("48101", "0600001", "ｱ", "ｱ", "札", "甲")}) << false
                                 << QStringLiteral("line 2: the local government code 48101 names no prefecture");
  QTest::newRow("prefecture zero") << QByteArray("KEN_ALL.CSV") << ken({Ken("00101", "0600001", "ｱ", "ｱ", "札", "甲")})
                                   << false << QStringLiteral("00101 names no prefecture");
  QTest::newRow("lone lead byte") << QByteArray("KEN_ALL.CSV")
                                  << ken({good}) + QByteArray("01101,\"060  \",\"0600001\",\"\x81\",") +
                                         ken({"\"ｱ\",\"ｱ\",\"北海道\",\"札幌市\",\"甲\",0,0,0,0,0,0\r\n"})
                                  << false << QStringLiteral("KEN_ALL.CSV, line 2: bytes that are not valid Shift-JIS");
  QTest::newRow("byte 0xFF") << QByteArray("KEN_ALL.CSV")
                             << ken({good}) + QByteArray("01101,\"060  \",\"0600001\",\"\xff\",") +
                                    ken({"\"ｱ\",\"ｱ\",\"北海道\",\"札幌市\",\"甲\",0,0,0,0,0,0\r\n"})
                             << false << QStringLiteral("line 2: bytes that are not valid Shift-JIS (0xFF)");
  QTest::newRow("NUL byte") << QByteArray("KEN_ALL.CSV")
                            << ken({good}) + QByteArray("01101,\"060  \",\"0600001\",\"\0\",", 28) +
                                   ken({"\"ｱ\",\"ｱ\",\"北海道\",\"札幌市\",\"甲\",0,0,0,0,0,0\r\n"})
                            << false << QStringLiteral("line 2: a control character (0x00)");
  std::string utfGood = Ken("01101", "0600001", "ア", "ア", "札幌市", "甲");
  QTest::newRow("invalid UTF-8") << QByteArray("utf_ken_all.csv")
                                 << QByteArray::fromStdString(utfGood + utfGood + "01101,\"\xe3\x82\",\"x\"\r\n")
                                 << false << QStringLiteral("utf_ken_all.csv, line 3: bytes that are not valid UTF-8");
  QTest::newRow("no Shift-JIS form")
      << QByteArray("utf_ken_all.csv")
      << QByteArray::fromStdString(utfGood + Ken("01101", "0600001", "ア", "ア", "札幌市", "甲😀")) << false
      << QStringLiteral("utf_ken_all.csv, line 2: the character 😀 (U+1F600) cannot be represented");
  QTest::newRow("accented letter") << QByteArray("utf_ken_all.csv")
                                   << QByteArray::fromStdString(utfGood + utfGood +
                                                                Ken("01101", "0600001", "ア", "ア", "札幌市", "café"))
                                   << false << QStringLiteral("line 3: the character é (U+00E9)");
}

void TestImporter::badInput() {
  QFETCH(QByteArray, file);
  QFETCH(QByteArray, bytes);
  QFETCH(bool, asJig);
  QFETCH(QString, message);
  TempData dir;
  if (file != "none.zip") QVERIFY(dir.write(file.toStdString(), bytes.toStdString()));
  std::string out = dir.path("out");
  QCOMPARE(mkdir(out.c_str(), 0755), 0);
  QVERIFY(dir.write("out/KEN01.CSV", "old"));
  ImportOptions options;
  (asJig ? options.jigPath : options.kenPath) = dir.path(file.toStdString());
  options.outDir = out;
  options.partial = true;
  ImportSummary summary;
  std::string error;
  QVERIFY(!RunImport(options, summary, error));
  QVERIFY2(QString::fromStdString(error).contains(message), error.c_str());
  QVERIFY2(error.find(dir.path(file.toStdString())) != std::string::npos, error.c_str());  // names the file
  QCOMPARE(FolderEntries(out), std::vector<std::string>{"KEN01.CSV"});
  QCOMPARE(FileBytes(out + "/KEN01.CSV"), std::string("old"));
}

void TestImporter::limits_data() {
  Columns<int, int, QString>("records",     // records of prefecture 1
                             "lineLength",  // bytes of each written line before its line feed
                             "message");    // empty: the import succeeds
  QTest::newRow("10240 lines") << 10240 << 200 << QString();
  QTest::newRow("10241 lines") << 10241 << 200
                               << QStringLiteral("line 10241: KEN01.CSV would have more than the 10240 lines");
  QTest::newRow("line of 2047 bytes") << 2 << 2047 << QString();
  QTest::newRow("line of 2048 bytes") << 2 << 2048
                                      << QStringLiteral("line 1: the record's line would be 2048 bytes long");
}

void TestImporter::limits() {
  QFETCH(int, records);
  QFETCH(int, lineLength);
  QFETCH(QString, message);
  // The length of a written line with an empty town name, then a town name that fills it up.
  DataFileSet files;
  std::string error;
  std::string empty = S(Ken("01101", "0600001", "ｱ", "ｱ", "札幌市", "").c_str());
  QVERIFY2(BuildDataFiles(DataKind::Ken, ImportSource{"KEN_ALL.CSV", empty, false}, files, error), error.c_str());
  int base = static_cast<int>(files.files[0].size()) - 1;
  QVERIFY(lineLength >= base);
  std::string town;
  for (int i = 0; i < (lineLength - base) / 2; ++i) town += "町";
  if ((lineLength - base) % 2) town += "1";
  std::string line = S(Ken("01101", "0600001", "ｱ", "ｱ", "札幌市", town.c_str()).c_str());
  std::string csv;
  for (int i = 0; i < records; ++i) csv += line;
  bool ok = BuildDataFiles(DataKind::Ken, ImportSource{"KEN_ALL.CSV", csv, false}, files, error);
  if (message.isEmpty()) {
    QVERIFY2(ok, error.c_str());
    QCOMPARE(files.files[0].size(), static_cast<std::size_t>(records) * static_cast<std::size_t>(lineLength + 1));
  } else {
    QVERIFY(!ok);
    QVERIFY2(QString::fromStdString(error).contains(message), error.c_str());
  }
}

void TestImporter::failedImportChangesNothing() {
  TempData dir;
  std::string out = dir.path("bin");
  QCOMPARE(mkdir(out.c_str(), 0755), 0);
  QVERIFY(dir.write("bin/tanzel", "program"));
  QVERIFY(dir.write("bin/KEN13.CSV", "old ken"));
  QVERIFY(dir.write("bin/JIG13.CSV", "old jig"));
  QVERIFY(dir.write("KEN_ALL.CSV", WithEveryPrefecture(
                                       DataKind::Ken, S(Ken("13101", "1000001", "ﾁ", "ﾁ", "千代田区", "乙").c_str()))));
  // The address file is good, the office file fails on its last line: nothing may change.
  std::string jig = WithEveryPrefecture(DataKind::Jig, S(Jig("13101", "ｱ", "甲", "1008001").c_str()));
  QVERIFY(dir.write("JIGYOSYO.CSV", jig + "13101,\"x\"\r\n"));
  ImportSummary summary;
  std::string error;
  QVERIFY(!RunImport(PartialImport(dir.path("KEN_ALL.CSV"), dir.path("JIGYOSYO.CSV"), out), summary, error));
  QVERIFY2(error.find("JIGYOSYO.CSV, line 48") != std::string::npos, error.c_str());
  QCOMPARE(FolderEntries(out), (std::vector<std::string>{"JIG13.CSV", "KEN13.CSV", "tanzel"}));
  QCOMPARE(FileBytes(out + "/KEN13.CSV"), std::string("old ken"));

  // Fixed, the same import puts both kinds in use as the current edition; the old files
  // are the previous edition, and nothing else is left behind.
  QVERIFY(dir.write("JIGYOSYO.CSV", jig));
  QVERIFY2(RunImport(PartialImport(dir.path("KEN_ALL.CSV"), dir.path("JIGYOSYO.CSV"), out), summary, error),
           error.c_str());
  QCOMPARE(FolderEntries(out).size(), std::size_t{98});  // tanzel, 94 links, editions, current, previous
  QCOMPARE(FileBytes(out + "/tanzel"), std::string("program"));
  QCOMPARE(FileBytes(out + "/JIG13.CSV"), S(Jig("13101", "ア", "甲", "1008001").c_str()));
  QCOMPARE(FileBytes(out + "/previous/KEN13.CSV"), std::string("old ken"));
  QCOMPARE(FolderEntries(out + "/previous"), (std::vector<std::string>{kOwnFolderMarker, "JIG13.CSV", "KEN13.CSV"}));
  QCOMPARE(FolderEntries(out + "/editions").size(), std::size_t{2});
}

void TestImporter::folderInPlaceOfDataFile() {
  TempData dir;
  std::string out = dir.path("bin");
  QCOMPARE(mkdir(out.c_str(), 0755), 0);
  for (int p = 1; p <= 4; ++p) QVERIFY(dir.write("bin/" + KenName(p), "old " + std::to_string(p)));
  // A folder in the place of KEN05.CSV: no link can replace it, and it holds no data.
  QCOMPARE(mkdir((out + "/KEN05.CSV").c_str(), 0755), 0);
  QVERIFY(dir.write("bin/KEN05.CSV/keep", "x"));
  QVERIFY(dir.write("KEN_ALL.CSV", WithEveryPrefecture(DataKind::Ken, "")));
  ImportSummary summary;
  std::string error;
  QVERIFY(!RunImport(PartialImport(dir.path("KEN_ALL.CSV"), "", out), summary, error));
  QVERIFY2(error.find("KEN05.CSV: is a folder, not a data file") != std::string::npos, error.c_str());
  QCOMPARE(FolderEntries(out),
           (std::vector<std::string>{"KEN01.CSV", "KEN02.CSV", "KEN03.CSV", "KEN04.CSV", "KEN05.CSV"}));
  for (int p = 1; p <= 4; ++p) QCOMPARE(FileBytes(out + "/" + KenName(p)), "old " + std::to_string(p));
}

void TestImporter::onlyGivenKindReplaced() {
  TempData dir;
  std::string out = dir.path("data");
  std::string jig = WithEveryPrefecture(DataKind::Jig, "");
  QVERIFY(dir.write("JIGYOSYO.CSV", jig));
  QVERIFY(dir.write("KEN_ALL.CSV", WithEveryPrefecture(DataKind::Ken, "")));
  ImportSummary summary;
  std::string error;
  // The folder is created when missing.
  QVERIFY2(RunImport(PartialImport("", dir.path("JIGYOSYO.CSV"), out), summary, error), error.c_str());
  QCOMPARE(summary.filesWritten, 47);
  QCOMPARE(DataFilesIn(out), 47);
  QCOMPARE(access((out + "/KEN01.CSV").c_str(), F_OK), -1);
  std::string offices = FileBytes(out + "/JIG13.CSV");
  QVERIFY(!offices.empty());
  // The address files join the offices in the next edition; the offices stay as they were.
  QVERIFY2(RunImport(PartialImport(dir.path("KEN_ALL.CSV"), "", out), summary, error), error.c_str());
  QCOMPARE(summary.filesWritten, 47);
  QCOMPARE(DataFilesIn(out), 94);
  QCOMPARE(FileBytes(out + "/JIG13.CSV"), offices);
  QCOMPARE(DataFilesIn(out + "/previous"), 47);
  QVERIFY(!RunImport(PartialImport("", "", out), summary, error));
  QVERIFY2(error.find("nothing to import") != std::string::npos, error.c_str());
}

void TestImporter::keptFilesOnAnotherFileSystem() {
  // Old plain files that are links to another file system cannot be hard-linked into an
  // edition: they are copied.
  QTemporaryDir elsewhere(QStringLiteral("/dev/shm/tst_importer-XXXXXX"));
  TempData dir;
  struct stat a {};
  struct stat b {};
  if (!elsewhere.isValid() || stat(dir.folder().c_str(), &a) != 0 ||
      stat(elsewhere.path().toUtf8().constData(), &b) != 0 || a.st_dev == b.st_dev) {
    QSKIP("needs a second file system at /dev/shm");
  }
  std::string out = dir.path("data");
  QCOMPARE(mkdir(out.c_str(), 0755), 0);
  for (int p = 1; p <= PrefectureCount; ++p) {
    std::string target = elsewhere.path().toStdString() + "/" + JigName(p);
    std::ofstream(target) << "offices " << p;
    QCOMPARE(symlink(target.c_str(), (out + "/" + JigName(p)).c_str()), 0);
  }
  QVERIFY(dir.write("KEN_ALL.CSV", WithEveryPrefecture(DataKind::Ken, "")));
  ImportSummary summary;
  std::string error;
  QVERIFY2(RunImport(PartialImport(dir.path("KEN_ALL.CSV"), "", out), summary, error), error.c_str());
  QCOMPARE(DataFilesIn(out + "/current"), 94);
  QCOMPARE(FileBytes(out + "/JIG47.CSV"), std::string("offices 47"));
  QCOMPARE(FileBytes(out + "/previous/JIG47.CSV"), std::string("offices 47"));
  struct stat kept {};
  QCOMPARE(lstat((out + "/current/JIG47.CSV").c_str(), &kept), 0);
  QVERIFY(S_ISREG(kept.st_mode) && kept.st_dev == a.st_dev);
}

void TestImporter::notARegularFile_data() {
  Columns<int>("kind");
  QTest::newRow("FIFO") << int(NotAFile::Fifo);
  QTest::newRow("folder") << int(NotAFile::Folder);
  QTest::newRow("link to /dev/zero") << int(NotAFile::LinkToDevZero);
}

// An input that is no regular file is refused at once: a FIFO is never opened (opening it
// would wait for a writer).
void TestImporter::notARegularFile() {
  QFETCH(int, kind);
  TempData dir;
  QVERIFY(dir.writeNotAFile("input", NotAFile(kind)));
  std::optional<FifoKnocker> knocker;
  if (NotAFile(kind) == NotAFile::Fifo) knocker.emplace(dir.path("input"));
  ImportSummary summary;
  std::string error;
  QVERIFY(!RunImport(PartialImport(dir.path("input"), "", dir.path("out")), summary, error));
  QCOMPARE(error, dir.path("input") + ": not a regular file");
  QCOMPARE(knocker ? knocker->Knocks() : 0, 0);
}

void TestImporter::recordChecks_data() {
  Columns<bool, QByteArray, bool, QString>("asJig",
                                           "line",  // Shift-JIS, added to one line for each other prefecture
                                           "partial",
                                           "message");  // empty: imported
  auto ken = [](const char* code, const char* postal, const char* pref) {
    return QByteArray::fromStdString(
        KenLine(std::atoi(code), postal, "トウキョウト", "チヨダク", "マルノウチ", pref, "千代田区", "丸の内"));
  };
  auto jig = [](const char* postal, const char* pref) {
    return QByteArray::fromStdString(JigLine(13101, "シャ", "甲社", pref, "千代田区", "丸の内", "１", postal));
  };
  QTest::newRow("KEN letters as postal code")
      << false << ken("13101", "ABCDEFG", "東京都") << true
      << QStringLiteral("line 1: the postal code \"ABCDEFG\" is not seven digits");
  QTest::newRow("KEN empty postal code") << false << ken("13101", "", "東京都") << true
                                         << QStringLiteral("the postal code \"\" is not seven digits");
  QTest::newRow("KEN six digits") << false << ken("13101", "100001", "東京都") << true
                                  << QStringLiteral("the postal code \"100001\" is not seven digits");
  QTest::newRow("KEN full-width digits") << false << ken("13101", "１０００００１", "東京都") << true
                                         << QStringLiteral("the postal code \"１０００００１\" is not seven digits");
  QTest::newRow("KEN four-digit code") << false << ken("1310", "1000001", "東京都") << true
                                       << QStringLiteral("the local government code \"1310\" is not five digits");
  QTest::newRow("KEN other prefecture")
      << false << ken("13101", "1000001", "大阪府") << true
      << QStringLiteral("the prefecture \"大阪府\" is not that of the local government code 13101 (東京都)");
  QTest::newRow("JIG eight digits") << true << jig("10080011", "東京都") << true
                                    << QStringLiteral("the postal code \"10080011\" is not seven digits");
  QTest::newRow("JIG other prefecture") << true << jig("1008001", "北海道") << true
                                        << QStringLiteral("the prefecture \"北海道\" is not that of");
  QTest::newRow("KEN small, not partial") << false << ken("13101", "1000001", "東京都") << false
                                          << QStringLiteral(
                                                 "holds 47 records, far fewer than Japan Post's nationwide "
                                                 "ken_all.zip (some 124,000); import the nationwide file, "
                                                 "or give --partial");
  QTest::newRow("JIG small, not partial") << true << jig("1008001", "東京都") << false
                                          << QStringLiteral("far fewer than Japan Post's nationwide jigyosyo.zip");
  QTest::newRow("KEN small, partial") << false << ken("13101", "1000001", "東京都") << true << QString();
  QTest::newRow("JIG small, partial") << true << jig("1008001", "東京都") << true << QString();
}

// Every record's codes and prefecture are checked, and an input far smaller than a
// nationwide archive is imported only when it is said to be partial.
void TestImporter::recordChecks() {
  QFETCH(bool, asJig);
  QFETCH(QByteArray, line);
  QFETCH(bool, partial);
  QFETCH(QString, message);
  TempData dir;
  QVERIFY(dir.write("input.csv", WithEveryPrefecture(asJig ? DataKind::Jig : DataKind::Ken, line.toStdString())));
  ImportOptions options;
  (asJig ? options.jigPath : options.kenPath) = dir.path("input.csv");
  options.outDir = dir.path("out");
  options.partial = partial;
  ImportSummary summary;
  std::string error;
  bool done = RunImport(options, summary, error);
  QVERIFY2(done == message.isEmpty(), error.c_str());
  QVERIFY2(QString::fromStdString(error).contains(message), error.c_str());
  QCOMPARE(FolderEntries(dir.folder()).size(), std::size_t{done ? 2u : 1u});  // no out folder after a failure
}

QTEST_GUILESS_MAIN(TestImporter)
#include "tst_importer.moc"
