// Line framing, splitting and loading of the data files.
#include <QTest>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "core/data/DataFile.h"
#include "core/data/Loaders.h"
#include "core/text/SjisText.h"
#include "support/DataLines.h"
#include "support/Sjis.h"
#include "support/Table.h"
#include "support/TempData.h"

using namespace tanzel;

namespace {

std::vector<std::string> ReadAll(const std::string& path) {
  LineReader reader;
  std::vector<std::string> lines;
  if (!reader.Open(path.c_str())) return lines;
  LineBuffer line;
  int n;
  while ((n = reader.ReadLine(line)) >= 0) {
    if (line[n] != 0) break;  // every line is NUL-terminated
    lines.emplace_back(line, static_cast<std::size_t>(n));
  }
  return lines;
}

// An address line of 千代田区 (1000001) with the town `town` (UTF-8).
std::string KenLine(int code, std::string_view town) {
  return KenCsv(code, "1000001", "チヨダク", "チヨダ", "千代田区", town);
}

// The town name of generated line i ("T0", "T1", ...).
std::string TownName(int i) {
  char name[16];
  std::snprintf(name, sizeof name, "T%d", i);
  return name;
}

}  // namespace

Q_DECLARE_METATYPE(std::string)
Q_DECLARE_METATYPE(std::vector<std::string>)

class TestDataFile : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void framing_data();
  void framing();
  void twoReadersOfOneFile();
  void missingFile();
  void fileNames();
  void splitKen_data();
  void splitKen();
  void splitKenLongFieldsAreCutOnCharacterBoundary();
  void splitJig();
  void slotIsClearedBeforeSplit();
  void atol_data();
  void atol();
  void loaderCounts_data();
  void loaderCounts();
  void loaderLeavesTableOnMissingFile();
  void notAFileIsMissing_data();
  void notAFileIsMissing();
  void deepFolder();
};

void TestDataFile::framing_data() {
  Columns<std::string, std::vector<std::string>>("content", "lines");
  using V = std::vector<std::string>;
  QTest::newRow("empty file") << std::string() << V{};
  QTest::newRow("ends with line feed: no extra line") << std::string("a\r\nb\r\n") << V{"a\r\n", "b\r\n"};
  QTest::newRow("last line without line feed") << std::string("a\nbc") << V{"a\n", "bc"};
  QTest::newRow("empty lines count") << std::string("\n\n") << V{"\n", "\n"};
  QTest::newRow("stray end-of-file byte") << std::string("a\n\x1a") << V{"a\n", "\x1a"};
  std::string exact(2047, 'x');
  QTest::newRow("2047 bytes and line feed: one line") << exact + "\nz" << V{exact + "\n", "z"};
  std::string longLine(2048, 'y');
  QTest::newRow("2048 bytes then line feed: split") << longLine + "\n" << V{longLine, "\n"};
  std::string veryLong(5000, 'q');
  QTest::newRow("5000 bytes: pieces of 2048")
      << veryLong + "\nr" << V{std::string(2048, 'q'), std::string(2048, 'q'), std::string(904, 'q') + "\n", "r"};
  // Lines across the reader's internal buffer boundary.
  std::string many;
  V manyLines;
  for (int i = 0; i < 3000; ++i) {
    std::string l = std::to_string(i) + std::string(static_cast<std::size_t>(i % 97), ',') + "\r\n";
    many += l;
    manyLines.push_back(l);
  }
  QTest::newRow("3000 lines across buffer refills") << many << manyLines;
}

void TestDataFile::framing() {
  QFETCH(std::string, content);
  QFETCH(std::vector<std::string>, lines);
  TempData dir;
  QVERIFY(dir.write("F.CSV", content));
  auto got = ReadAll(dir.path("F.CSV"));
  QCOMPARE(got.size(), lines.size());
  for (std::size_t i = 0; i < got.size(); ++i) QCOMPARE(got[i], lines[i]);
}

void TestDataFile::twoReadersOfOneFile() {
  TempData dir;
  QVERIFY(dir.write("KEN13.CSV", "a\nb\n"));
  LineReader first, second;
  QVERIFY(first.Open(dir.path("KEN13.CSV").c_str()));
  QVERIFY(second.Open(dir.path("KEN13.CSV").c_str()));  // shared reading: both opens succeed
  LineBuffer a, b;
  QCOMPARE(first.ReadLine(a), 2);
  QCOMPARE(second.ReadLine(b), 2);
  QCOMPARE(std::string(a), std::string(b));
}

void TestDataFile::missingFile() {
  TempData dir;
  LineReader reader;
  QVERIFY(!reader.Open(dir.path("KEN01.CSV").c_str()));
  LineBuffer line;
  QCOMPARE(reader.ReadLine(line), -1);
}

void TestDataFile::fileNames() {
  char name[FileNameCapacity];
  QVERIFY(DataFileName(name, "/opt/tanzel/", DataKind::Ken, 13));
  QCOMPARE(std::string(name), std::string("/opt/tanzel//KEN13.CSV"));
  QVERIFY(DataFileName(name, "/d/", DataKind::Jig, 1));
  QCOMPARE(std::string(name), std::string("/d//JIG01.CSV"));
  std::string tooLong(FileNameCapacity, 'a');
  QVERIFY(!DataFileName(name, tooLong.c_str(), DataKind::Ken, 1));
  QCOMPARE(name[0], '\0');
}

void TestDataFile::splitKen_data() {
  Columns<std::string, int, std::string, std::string, std::string>("line", "code", "postal", "cityKana", "town");
  QTest::newRow("usual line, CR never reaches a field")
      << KenLine(13101, "千代田") << 13101 << std::string("1000001") << S("チヨダク") << S("千代田");
  QTest::newRow("empty quoted text") << KenLine(1101, "") << 1101 << std::string("1000001") << S("チヨダク")
                                     << std::string();
  QTest::newRow("quoted comma shifts later fields")
      << std::string("1,\"a\",\"b,c\",\"d\",\"e\",\"f\",\"g\",\"h\",\"i\",0\r\n") << 1 << std::string()
      << std::string("d") << std::string("h");
  QTest::newRow("quoted code gives 0") << std::string("\"13101\",\"1\",\"2\",\"3\",\"4\",\"5\",\"6\",\"7\",\"8\",0\n")
                                       << 0 << std::string("2") << std::string("4") << std::string("8");
  QTest::newRow("empty unquoted columns")
      << std::string("7,,,,,,,,,0\n") << 7 << std::string() << std::string() << std::string();
  QTest::newRow("last column without following comma is not read")
      << std::string("7,\"1\",\"2\",\"3\",\"4\",\"5\",\"6\",\"7\",\"8\"\r\n") << 7 << std::string("2")
      << std::string("4") << std::string();
  QTest::newRow("no comma at all") << std::string("garbage\n") << 0 << std::string() << std::string() << std::string();
  QTest::newRow("line cut short") << std::string("5,\"1\",\"2\"") << 5 << std::string() << std::string()
                                  << std::string();
}

void TestDataFile::splitKen() {
  QFETCH(std::string, line);
  QFETCH(int, code);
  QFETCH(std::string, postal);
  QFETCH(std::string, cityKana);
  QFETCH(std::string, town);
  LineBuffer buf{};
  std::memcpy(buf, line.data(), line.size());
  auto rec = std::make_unique<KenRecord>();
  SplitKen(buf, *rec);
  QCOMPARE(rec->LocalGovCode, code);
  QCOMPARE(std::string(rec->PostalCode), postal);
  QCOMPARE(std::string(rec->CityKana), cityKana);
  QCOMPARE(std::string(rec->TownKanji), town);
}

void TestDataFile::splitKenLongFieldsAreCutOnCharacterBoundary() {
  // A 9-byte postal column (capacity 10) fits; an 11-byte one is cut to 9.
  std::string ka;
  for (int i = 0; i < 130; ++i) ka += S("カ");  // 260 bytes: over the 255 a TownKana can hold
  std::string line = "1,\"12\",\"12345678901\",\"p\",\"c\",\"A" + ka + "\",\"P\",\"C\",\"T\",0\n";
  LineBuffer buf{};
  std::memcpy(buf, line.data(), line.size());
  auto rec = std::make_unique<KenRecord>();
  SplitKen(buf, *rec);
  QCOMPARE(std::string(rec->PostalCode), std::string("123456789"));
  // "A" + 127 whole characters = 255 bytes; a 128th would need bytes 256 and 257.
  std::string town(rec->TownKana);
  QCOMPARE(town.size(), std::size_t(255));
  QCOMPARE(town, std::string("A") + ka.substr(0, 254));
  QCOMPARE(std::string(rec->TownKanji), std::string("T"));  // later fields unaffected
  // An even offset: the last whole character ends exactly at byte 254.
  std::string line2 = "1,\"12\",\"1\",\"p\",\"c\",\"" + ka + "\",\"P\",\"C\",\"T\",0\n";
  std::memcpy(buf, line2.data(), line2.size() + 1);
  SplitKen(buf, *rec);
  QCOMPARE(std::string(rec->TownKana).size(), std::size_t(254));
  QVERIFY(SjisIsBoundary(rec->TownKana, 254));
}

void TestDataFile::splitJig() {
  std::string line = "1101,\"" + S("アイ") + "\",\"" + S("会社") + "\",\"" + S("北海道") + "\",\"" + S("札幌市") +
                     "\",\"" + S("中央区") + "\",\"" + S("北一条") + "\",\"0608588\",\"060  \",\"" + S("札幌中央") +
                     "\",0,0,0\r\n";
  LineBuffer buf{};
  std::memcpy(buf, line.data(), line.size());
  auto rec = std::make_unique<JigRecord>();
  SplitJig(buf, *rec);
  QCOMPARE(rec->LocalGovCode, 1101);
  QCOMPARE(std::string(rec->OfficeKana), S("アイ"));
  QCOMPARE(std::string(rec->OfficeKanji), S("会社"));
  QCOMPARE(std::string(rec->PrefKanji), S("北海道"));
  QCOMPARE(std::string(rec->CityKanji), S("札幌市"));
  QCOMPARE(std::string(rec->TownKanji), S("中央区"));
  QCOMPARE(std::string(rec->BlockKanji), S("北一条"));
  QCOMPARE(std::string(rec->PostalCode), std::string("0608588"));
  QCOMPARE(std::string(rec->OldPostalCode), std::string("060  "));
}

void TestDataFile::slotIsClearedBeforeSplit() {
  auto rec = std::make_unique<KenRecord>();
  std::string full = KenLine(13101, "千代田");
  LineBuffer buf{};
  std::memcpy(buf, full.data(), full.size());
  SplitKen(buf, *rec);
  std::string shortLine = "5,\"1\",\"2\"\n";
  std::memset(buf, 0, sizeof buf);
  std::memcpy(buf, shortLine.data(), shortLine.size());
  SplitKen(buf, *rec);
  QCOMPARE(rec->LocalGovCode, 5);
  QCOMPARE(std::string(rec->OldPostalCode), std::string("1"));
  QCOMPARE(std::string(rec->CityKanji), std::string());  // nothing left of the earlier line
  QCOMPARE(std::string(rec->TownKanji), std::string());
}

void TestDataFile::atol_data() {
  Columns<QByteArray, int>("text", "value");
  QTest::newRow("plain") << QByteArray("13101") << 13101;
  QTest::newRow("leading zero") << QByteArray("01101") << 1101;
  QTest::newRow("white space and sign") << QByteArray(" \t-42x") << -42;
  QTest::newRow("plus") << QByteArray("+7") << 7;
  QTest::newRow("quoted") << QByteArray("\"13101\"") << 0;
  QTest::newRow("empty") << QByteArray("") << 0;
  QTest::newRow("saturates") << QByteArray("99999999999999999999") << 2147483647;
  QTest::newRow("saturates negative") << QByteArray("-99999999999999999999") << int(-2147483647 - 1);
}

void TestDataFile::atol() {
  QFETCH(QByteArray, text);
  QFETCH(int, value);
  QCOMPARE(ParseAtol(text.constData()), value);
}

void TestDataFile::loaderCounts_data() {
  Columns<int, int, int>("lines", "count", "notice");
  QTest::newRow("empty") << 0 << 0 << int(LoadNotice::None);
  QTest::newRow("three") << 3 << 3 << int(LoadNotice::None);
  QTest::newRow("exactly the capacity: no notice") << TableCapacity << TableCapacity << int(LoadNotice::None);
  QTest::newRow("one over the capacity") << TableCapacity + 1 << TableCapacity << int(LoadNotice::Overflow);
  QTest::newRow("far over") << TableCapacity + 500 << TableCapacity << int(LoadNotice::Overflow);
}

void TestDataFile::loaderCounts() {
  QFETCH(int, lines);
  QFETCH(int, count);
  QFETCH(int, notice);
  TempData dir;
  std::string content;
  for (int i = 0; i < lines; ++i) content += KenLine(i + 1, TownName(i));
  QVERIFY(dir.write(KenName(13), content));
  QVERIFY(dir.write(JigName(13), content));
  auto ken = std::make_unique<KenRecord[]>(TableCapacity);
  LoadResult r = LoadKenFile(dir.folder().c_str(), 13, ken.get());
  QCOMPARE(r.count, count);
  QCOMPARE(int(r.notice), notice);
  if (count > 0) {
    QCOMPARE(ken[count - 1].LocalGovCode, count);
    QCOMPARE(std::string(ken[count - 1].TownKanji), TownName(count - 1));
  }
  auto jig = std::make_unique<JigRecord[]>(TableCapacity);
  QCOMPARE(LoadJigFile(dir.folder().c_str(), 13, jig.get()).count, count);
}

namespace {
// Loads prefecture `pref` of `folder` into a table whose slot 0 holds a mark: true when the
// load tells of a missing file and leaves the mark.
bool LoadsAsMissing(const std::string& folder, int pref) {
  auto ken = std::make_unique<KenRecord[]>(TableCapacity);
  ken[0].LocalGovCode = 99;
  LoadResult r = LoadKenFile(folder.c_str(), pref, ken.get());
  return r.count == -1 && r.notice == LoadNotice::FileMissing && ken[0].LocalGovCode == 99;
}
}  // namespace

void TestDataFile::loaderLeavesTableOnMissingFile() {
  TempData dir;
  QVERIFY(LoadsAsMissing(dir.folder(), 1));
}

Q_DECLARE_METATYPE(NotAFile)

void TestDataFile::notAFileIsMissing_data() {
  Columns<NotAFile>("kind");
  QTest::newRow("FIFO") << NotAFile::Fifo;
  QTest::newRow("folder") << NotAFile::Folder;
  QTest::newRow("link to /dev/zero") << NotAFile::LinkToDevZero;
}

// What is not a regular file cannot be opened: at once, without waiting or reading.
void TestDataFile::notAFileIsMissing() {
  QFETCH(NotAFile, kind);
  TempData dir;
  QVERIFY(dir.writeNotAFile(KenName(13), kind));
  FifoKnocker knocker(dir.path(KenName(13)));
  LineReader reader;
  QVERIFY(!reader.Open(dir.path(KenName(13)).c_str()));
  QVERIFY(LoadsAsMissing(dir.folder(), 13));
}

// A folder path far longer than 260 bytes: names are composed and the files read.
void TestDataFile::deepFolder() {
  TempData dir(400);
  QVERIFY(dir.valid());
  QVERIFY(dir.folder().size() >= 400);
  QVERIFY(dir.write(KenName(13), KenLine(13101, "a") + KenLine(13101, "b")));
  char name[FileNameCapacity];
  QVERIFY(DataFileName(name, dir.folder().c_str(), DataKind::Ken, 13));
  auto ken = std::make_unique<KenRecord[]>(TableCapacity);
  LoadResult r = LoadKenFile(dir.folder().c_str(), 13, ken.get());
  QCOMPARE(r.count, 2);
  QCOMPARE(std::string(ken[1].TownKanji), std::string("b"));
}

QTEST_APPLESS_MAIN(TestDataFile)
#include "tst_datafile.moc"
