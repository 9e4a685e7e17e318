// Lists of addresses by rule: the CSV reader and writer (RFC 4180), what a file's text is,
// its header row, its columns and postal codes as people write them.
#include <QtTest>

#include <string>
#include <vector>

#include "core/lists/AddressList.h"
#include "core/lists/BatchResolve.h"
#include "core/lists/Csv.h"
#include "core/lists/ListFile.h"
#include "core/lists/ListText.h"
#include "core/lists/UserFile.h"
#include "core/resolve/AddressIndex.h"
#include "support/Lists.h"
#include "support/Sjis.h"
#include "support/Table.h"
#include "support/TempData.h"

using namespace tanzel;

Q_DECLARE_METATYPE(std::string)

namespace {

// Records as "field|field" joined by '/'; the reader's error after them, if any.
QString ReadAll(const std::string& text, char delimiter) {
  CsvReader reader(text, delimiter);
  std::vector<std::string> fields;
  QStringList records;
  while (reader.Next(fields)) {
    QStringList cells;
    for (const std::string& f : fields) cells << QString::fromStdString(f);
    records << cells.join(QLatin1Char('|'));
  }
  QString out = records.join(QLatin1Char('/'));
  if (!reader.error().empty()) out += QStringLiteral(" !") + QString::fromStdString(reader.error());
  return out;
}

std::vector<std::string> Fields(std::initializer_list<const char*> utf8) {
  std::vector<std::string> out;
  for (const char* f : utf8) out.push_back(S(f));
  return out;
}

}  // namespace

class TestCsv : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void read_data() {
    Columns<std::string, char, QString>("text", "delimiter", "records");
    auto row = [](const char* name, const char* text, const char* records, char delimiter = ',') {
      Row(name, std::string(text), delimiter, records);
    };
    row("plain, CRLF", "a,b\r\nc,d\r\n", "a|b/c|d");
    row("LF, no last break", "a,b\nc,d", "a|b/c|d");
    row("quoted comma", "\"a,b\",c\n", "a,b|c");
    row("doubled quote", "\"say \"\"hi\"\"\",x\n", "say \"hi\"|x");
    row("line break inside", "\"1\r\n2\",x\ny,z\n", "1\r\n2|x/y|z");
    row("empty fields", ",,\n\"\",a\n", "||/|a");
    row("ragged rows", "a\nb,c,d\ne,f\n", "a/b|c|d/e|f");
    row("empty line", "a\n\nb\n", "a//b");
    row("quote inside a plain field", "a\"b,c\n", "a\"b|c");
    row("text after the closing quote", "\"a\"b,c\n", "ab|c");
    row("tabs", "a,b\tc\n", "a,b|c", '\t');
    row("CR alone ends a row", "a\rb,c\r", "a/b|c");
    row("CR, LF and CRLF mixed", "a\rb\r\nc\nd", "a/b/c/d");
    row("CR inside quotes kept", "\"1\r2\",x\ry\r", "1\r2|x/y");
    row("CR-only lines counted in a quote", "a\r\"x\ry\",z\rc,\"never\rclosed\r",
        "a/x\ry|z !line 4: a quoted field that starts there is never closed");
    row("unterminated quote names its line", "a,b\n\"x\ny\",z\nc,\"never\nclosed\n",
        "a|b/x\ny|z !line 4: a quoted field that starts there is never closed");
    row("doubled quote at the end is no closing one", "x\n\"a\"\"",
        "x !line 2: a quoted field that starts there is never closed");
    row("doubled quote then a break", "\"a\"\"\n", " !line 1: a quoted field that starts there is never closed");
    row("closed after a doubled quote", "\"a\"\"\"", "a\"");
  }
  void read() {
    QFETCH(std::string, text);
    QFETCH(char, delimiter);
    QFETCH(QString, records);
    QCOMPARE(ReadAll(text, delimiter), records);
  }

  // Shift-JIS trail bytes are never a quote, delimiter or line break: 表 and ソ end in 0x5C.
  void shiftJisFields() {
    std::string text = S("\"表,ソ\",十\r\n");
    CsvReader reader(text, ',');
    std::vector<std::string> fields;
    QVERIFY(reader.Next(fields));
    QCOMPARE(fields, Fields({"表,ソ", "十"}));
  }

  // The longest record at its edge is read, plain or in quotes (the quotes count); past it
  // see longRowRefused.
  void recordLimit() {
    std::string edge = std::string(kMaxCsvRecordBytes, 'x') + "\n";
    CsvReader reader(edge, ',');
    std::vector<std::string> fields;
    QVERIFY(reader.Next(fields));
    QCOMPARE(fields[0].size(), kMaxCsvRecordBytes);
    std::string quoted = "\"" + std::string(kMaxCsvRecordBytes - 2, 'x') + "\"\n";
    CsvReader quotedReader(quoted, ',');
    QVERIFY(quotedReader.Next(fields));
    QCOMPARE(fields[0].size(), kMaxCsvRecordBytes - 2);
  }

  void longRowRefused() {
    std::string text = "a\n" + std::string(kMaxCsvRecordBytes + 10, 'x') + "\n";
    QVERIFY(ReadAll(text, ',').endsWith(QStringLiteral("!line 2: a row longer than 4 MiB, the most a row may hold")));
    // A quoted field closed only past the limit: the limit is the cause, not the quote.
    text = "a\nb,\"" + std::string(kMaxCsvRecordBytes + 10, 'x') + "\"\n";
    QVERIFY(ReadAll(text, ',').endsWith(QStringLiteral("!line 2: a row longer than 4 MiB, the most a row may hold")));
    // One byte past the limit on the last line, without its line break, plain or quoted.
    for (const std::string& last :
         {std::string(kMaxCsvRecordBytes + 1, 'x'), "\"" + std::string(kMaxCsvRecordBytes - 1, 'x') + "\""}) {
      text = "a\n" + last;
      QVERIFY(ReadAll(text, ',').endsWith(QStringLiteral("!line 2: a row longer than 4 MiB, the most a row may hold")));
    }
    std::string oneMiB = "a," + std::string(1 << 20, 'x') + "\n";
    CsvReader reader(oneMiB, ',');
    std::vector<std::string> fields;
    QVERIFY(reader.Next(fields));
    QCOMPARE(fields[1].size(), std::size_t{1} << 20);
  }

  void write_data() {
    Columns<QStringList, QString>("fields", "text");
    QTest::newRow("plain") << QStringList{QStringLiteral("a"), QString()} << QStringLiteral("a,\r\n");
    QTest::newRow("comma") << QStringList{QStringLiteral("a,b")} << QStringLiteral("\"a,b\"\r\n");
    QTest::newRow("quote") << QStringList{QStringLiteral("5\" disk")} << QStringLiteral("\"5\"\" disk\"\r\n");
    QTest::newRow("line break") << QStringList{QStringLiteral("1\n2")} << QStringLiteral("\"1\n2\"\r\n");
    QTest::newRow("edge spaces") << QStringList{QStringLiteral(" a")} << QStringLiteral("\" a\"\r\n");
    QTest::newRow("trailing space") << QStringList{QStringLiteral("a ")} << QStringLiteral("\"a \"\r\n");
    QTest::newRow("inner space") << QStringList{QStringLiteral("a b")} << QStringLiteral("a b\r\n");
    QTest::newRow("carriage return") << QStringList{QStringLiteral("a\rb")} << QStringLiteral("\"a\rb\"\r\n");
  }
  // Written as expected, and read back as written.
  void write() {
    QFETCH(QStringList, fields);
    QFETCH(QString, text);
    std::vector<std::string> row;
    for (const QString& f : fields) row.push_back(f.toStdString());
    std::string out;
    AppendCsvRecord(out, row, ',');
    QCOMPARE(QString::fromStdString(out), text);
    CsvReader reader(out, ',');
    std::vector<std::string> back;
    QVERIFY(reader.Next(back));
    QCOMPARE(back, row);
  }

  void delimiter() {
    QCOMPARE(DetectDelimiter("a\tb\tc,d\n"), '\t');
    QCOMPARE(DetectDelimiter("\"a\tb\t\",c\n"), ',');
    QCOMPARE(DetectDelimiter("a,b\n\t\t\t\n"), ',');
    QCOMPARE(DetectDelimiter("a,b\r\t\t\t\r"), ',');
    QCOMPARE(DetectDelimiter("a\tb,c\n"), ',');  // as many tabs as commas
    QCOMPARE(DetectDelimiter("a\n"), ',');
  }

  void inspect_data() {
    Columns<std::string, int, QString>("bytes",
                                       "encoding",  // -1: refused
                                       "body");     // the body, or the error
    QTest::newRow("utf-8") << std::string("住所\n") << int(TextEncoding::Utf8) << QStringLiteral("住所\n");
    QTest::newRow("bom") << std::string(kUtf8Bom) + "住所\n" << int(TextEncoding::Utf8Bom) << QStringLiteral("住所\n");
    QTest::newRow("cp932") << S("住所\n") << int(TextEncoding::Cp932) << QString();
    QTest::newRow("empty") << std::string() << -1 << QStringLiteral("the file is empty");
    QTest::newRow("bom only") << std::string(kUtf8Bom) << -1 << QStringLiteral("the file is empty");
    QTest::newRow("binary") << std::string("a\nb\0c", 5) << -1
                            << QStringLiteral("the file is not text in UTF-8 or Shift-JIS (line 2)");
    QTest::newRow("neither") << std::string("a\nb\n\x80\x80\n") << -1
                             << QStringLiteral("the file is not text in UTF-8 or Shift-JIS (line 3)");
  }
  void inspect() {
    QFETCH(std::string, bytes);
    QFETCH(int, encoding);
    QFETCH(QString, body);
    std::string error;
    std::optional<ListFormat> format = InspectList(bytes, error);
    QCOMPARE(format ? int(format->encoding) : -1, encoding);
    if (!format)
      QCOMPARE(QString::fromStdString(error), body);
    else if (!body.isEmpty())
      QCOMPARE(QString::fromUtf8(format->body.data(), format->body.size()), body);
  }

  void header_data() {
    Columns<std::vector<std::string>, std::vector<std::string>, bool>("first", "second", "header");
    QTest::newRow("usual names") << Fields({"氏名", "住所"}) << Fields({}) << true;
    QTest::newRow("names over addresses") << Fields({"name", "where"}) << Fields({"a", "東京都府中市"}) << true;
    QTest::newRow("an address") << Fields({"山田", "東京都府中市"}) << Fields({"a", "東京都府中市"}) << false;
    QTest::newRow("a name beside an address")
        << Fields({"住所", "東京都府中市"}) << Fields({"a", "東京都府中市"}) << false;
    QTest::newRow("a code") << Fields({"name", "100-0001"}) << Fields({"a", "東京都府中市"}) << false;
    QTest::newRow("nothing like data below") << Fields({"a", "b"}) << Fields({"c", "d"}) << false;
    QTest::newRow("split address names") << Fields({"氏名", "郵便番号", "都道府県", "市区町村", "番地", "建物名"})
                                         << Fields({"山田", "541-0053", "", "中央区", "本町1-1", ""}) << true;
  }
  void header() {
    QFETCH(std::vector<std::string>, first);
    QFETCH(std::vector<std::string>, second);
    QFETCH(bool, header);
    QCOMPARE(LooksLikeHeader(first, second.empty() ? nullptr : &second), header);
  }

  void columns() {
    std::vector<std::string> names = Fields({"氏名", "〒", "都道府県", "市区町村", "番地"});
    ListColumns named = GuessColumns(&names, {});
    QCOMPARE(named.address, (std::vector<int>{2, 3, 4}));
    QCOMPARE(named.code, 1);
    // Columns a person picks are joined in address order; one the names give no part of the
    // address (the code's, here) goes with the town's part, before the building.
    std::vector<std::string> withBuilding = names;
    withBuilding.push_back(S("建物名"));
    QCOMPARE(InAddressOrder({5, 1, 2}, GuessColumns(&withBuilding, {})), (std::vector<int>{2, 1, 5}));
    std::vector<std::vector<std::string>> rows = {Fields({"a", "東京都", "府中市宮西町", "1000001"}),
                                                  Fields({"b", "京都府", "京都市上京区", "602-0033"})};
    ListColumns guessed = GuessColumns(nullptr, rows);
    QCOMPARE(guessed.address, (std::vector<int>{1, 2}));
    QCOMPARE(guessed.code, 3);
    QCOMPARE(ColumnOf("2", nullptr, 4), 1);
    QCOMPARE(ColumnOf("5", nullptr, 4), -1);
    QCOMPARE(ColumnOf("4", nullptr, 4), 3);  // the last column, and one past it above
    QCOMPARE(ColumnOf("1", nullptr, 4), 0);
    QCOMPARE(ColumnOf("0", nullptr, 4), -1);
    QCOMPARE(ColumnOf("000002", nullptr, 4), 1);  // six digits at most
    QCOMPARE(ColumnOf("0000002", nullptr, 4), -1);
    QCOMPARE(ColumnOf("住所", nullptr, 4), -1);
    QCOMPARE(ColumnOf("番地", &names, 5), 4);
    QCOMPARE(JoinAddress(Fields({"東京都", "", "府中市"}), TextEncoding::Cp932, {0, 1, 2, 7}), S("東京都 府中市"));
    // A character Shift-JIS lacks stands as '?', so that the parts beside it stay apart.
    QCOMPARE(JoinAddress({"東京都府中市😀宮西町"}, TextEncoding::Utf8, {0}), S("東京都府中市?宮西町"));
  }

  // A saved list whose text passes the writer's buffer many times over is written once, whole.
  void savedListWhole() {
    TempData data;
    WriteListData(data);
    std::string error;
    std::unique_ptr<AddressIndex> index = AddressIndex::Build(data.folder(), error);
    QVERIFY2(index, error.c_str());
    const int rows = 1200;
    std::atomic<bool> cancel{false};
    std::optional<AddressList> list = ReadAddressList(ListCsv(rows), cancel, error);
    QVERIFY2(list, error.c_str());
    ListColumns columns{{2}, 1, {}};
    std::vector<RowAnswer> answers;
    for (std::size_t r = 1; r < list->rows.size(); ++r)
      answers.push_back(ResolveListRow(*index, *list, r, columns, nullptr));
    QVERIFY(SaveAddressList(data.path("saved.csv"), *list, 1, true, answers, *index,
                            ListOutput{TextEncoding::Utf8, ListWords::English, false}, error));
    const std::string saved = FileBytes(data.path("saved.csv"));
    QVERIFY(saved.size() > 2 * 65536);
    const QStringList lines = QString::fromStdString(saved).split(QStringLiteral("\r\n"));
    QCOMPARE(lines.size(), rows + 2);
    const QStringList in = QString::fromStdString(ListCsv(rows)).split(QStringLiteral("\r\n"));
    for (int i = 0; i <= rows; ++i) QVERIFY2(lines[i].startsWith(in[i] + QLatin1Char(',')), qPrintable(lines[i]));
  }

  void postal_data() {
    Columns<std::string, int>("text",
                              "postal");  // -1: not a code
    QTest::newRow("digits") << std::string("1000001") << 1000001;
    QTest::newRow("hyphen") << std::string("100-0001") << 1000001;
    QTest::newRow("full-width, 〒") << S("〒１００－０００１") << 1000001;
    QTest::newRow("leading zero dropped") << std::string("600001") << 600001;
    QTest::newRow("hyphen misplaced") << std::string("1000-001") << -1;
    QTest::newRow("eight digits") << std::string("10000011") << -1;
    QTest::newRow("five digits") << std::string("10000") << -1;
    QTest::newRow("six digits with a hyphen") << std::string("100-001") << -1;
    QTest::newRow("hyphen after two digits") << std::string("10-00001") << -1;
    QTest::newRow("two hyphens") << std::string("100-00-01") << -1;
    QTest::newRow("spaces around") << std::string(" 100 0001 ") << 1000001;
    QTest::newRow("〒 after a digit") << S("1〒000001") << -1;
    QTest::newRow("full-width long bar") << S("１００ー０００１") << 1000001;
    QTest::newRow("letters") << std::string("100-000A") << -1;
    QTest::newRow("empty") << std::string() << -1;
  }
  void postal() {
    QFETCH(std::string, text);
    QFETCH(int, postal);
    std::optional<uint32_t> parsed = ParsePostal(text);
    QCOMPARE(parsed ? int(*parsed) : -1, postal);
    if (parsed) QCOMPARE(ParsePostal(PostalText(*parsed)), parsed);
  }

  // A file over the limit is refused from its size, before any of it is read; written
  // files replace the old one whole or not at all.
  void files() {
    TempData dir;
    QVERIFY(dir.write("big.csv", "a,b\n"));
    QVERIFY(::truncate(dir.path("big.csv").c_str(), 200 << 20) == 0);
    MappedList list;
    std::string error;
    QVERIFY(!list.Open(dir.path("big.csv"), 100 << 20, error));
    QCOMPARE(QString::fromStdString(error), QString::fromStdString(dir.path("big.csv")) +
                                                QStringLiteral(": the file is 200 MiB; at most 100 MiB can be read"));
    // The size limit at its edge (the file's 4 bytes) and one byte under it.
    QVERIFY(dir.write("four.csv", "a,b\n"));
    QVERIFY(list.Open(dir.path("four.csv"), 4, error));
    QCOMPARE(list.bytes(), std::string_view("a,b\n"));
    MappedList over;
    QVERIFY(!over.Open(dir.path("four.csv"), 3, error));
    QVERIFY(::unlink(dir.path("four.csv").c_str()) == 0);
    QVERIFY(dir.write("out.csv", "old"));
    QVERIFY(!WriteUserFile(
        dir.path("out.csv"), [](std::FILE* f) { return std::fputs("half", f) < 0; }, error));
    QVERIFY(WriteUserFile(
        dir.path("new.csv"), [](std::FILE* f) { return std::fputs("new", f) >= 0; }, error));
    QCOMPARE(FolderEntries(dir.folder()), (std::vector<std::string>{"big.csv", "new.csv", "out.csv"}));
    QCOMPARE(FileBytes(dir.path("out.csv")), std::string("old"));
    QCOMPARE(FileBytes(dir.path("new.csv")), std::string("new"));
  }
};

QTEST_APPLESS_MAIN(TestCsv)
#include "tst_csv.moc"
