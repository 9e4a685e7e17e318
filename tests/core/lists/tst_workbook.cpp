// Excel workbooks as lists: the cells of a sheet as a spreadsheet program stores them
// (shared strings with furigana, inline strings, numbers, gaps), the workbooks refused, the
// size limit at its edge, and a list written as a workbook and read back.
#include <QtTest>

#include <cstdio>
#include <string>
#include <vector>

#include "core/lists/AddressList.h"
#include "core/lists/ListFile.h"
#include "core/lists/UserFile.h"
#include "core/lists/Workbook.h"
#include "support/Archives.h"
#include "support/Lists.h"
#include "support/Table.h"
#include "support/TempData.h"

using namespace tanzel;

namespace {

// Rows as "a|b/c|d".
QString Joined(const std::vector<std::vector<std::string>>& rows) {
  QStringList out;
  for (const auto& row : rows) {
    QStringList cells;
    for (const std::string& c : row) cells << QString::fromStdString(c);
    out << cells.join(QLatin1Char('|'));
  }
  return out.join(QLatin1Char('/'));
}

QString ReadAll(const std::string& path, const std::string& sheet, std::size_t limit, QString* error) {
  std::vector<std::vector<std::string>> rows;
  std::string why;
  const std::string bytes = ReadFile(path);
  if (!ReadWorkbook(bytes, sheet, limit, rows, why)) {
    *error = QString::fromStdString(why);
    return QString();
  }
  return Joined(rows);
}

const std::string kSheet =
    "<sheetData><row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"C1\" t=\"inlineStr\"><is><t>住所</t></is></c>"
    "</row><row r=\"3\"><c r=\"A3\" t=\"s\"><v>1</v></c><c r=\"B3\"><v>1000001</v></c><c r=\"C3\" t=\"b\"><v>1</v>"
    "</c><c r=\"D3\" t=\"str\"><v>x</v></c><c r=\"E3\" t=\"s\"><v>2</v></c><c r=\"F3\" t=\"b\"><v>0</v></c>"
    "<c r=\"G3\" t=\"inlineStr\"><is><r><t>丸の内</t></r><rPh sb=\"0\" eb=\"3\"><t>マルノウチ</t></rPh></is></c></row>"
    "<row><c t=\"inlineStr\"><is><t>p</t></is></c><c><v>2</v></c></row></sheetData>";
const std::string kShared =
    "<si><t>氏名</t></si><si><r><t>東京</t></r><r><t>都</t></r><rPh sb=\"0\" eb=\"2\"><t>トウキョウ</t></rPh></si>"
    "<si><t xml:space=\"preserve\"> a&amp;b </t></si>";

}  // namespace

class TestWorkbook : public QObject {
  Q_OBJECT

 private:
  TempData files_;

 private Q_SLOTS:
  // Shared and inline strings without their furigana, numbers as stored, TRUE and FALSE, a
  // row the sheet leaves out, a row and cells that do not say where they are (the next ones).
  void cells() {
    QVERIFY(WriteWorkbookFile(files_.path("cells.xlsx"), kSheet, kShared));
    QString error;
    QCOMPARE(ReadAll(files_.path("cells.xlsx"), "", 1 << 20, &error),
             QStringLiteral(u"氏名||住所//東京都|1000001|TRUE|x| a&b |FALSE|丸の内/p|2"));
    QCOMPARE(error, QString());
    // The last column a workbook has, XFD, is read; a cell past it is not.
    QVERIFY(WriteWorkbookFile(files_.path("wide.xlsx"),
                              "<sheetData><row r=\"1\"><c r=\"XFD1\"><v>1</v></c><c r=\"XFE1\"><v>2</v></c></row>"
                              "</sheetData>",
                              ""));
    QCOMPARE(ReadAll(files_.path("wide.xlsx"), "", 1 << 20, &error), QString(16383, QLatin1Char('|')) + u'1');
    QCOMPARE(error, QString());
    // A worksheet named by its absolute part name.
    const std::string rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
    QVERIFY(WriteZip(
        files_.path("absolute.xlsx"),
        {{"xl/workbook.xml", "<workbook><sheets><sheet name=\"A\" r:id=\"rId1\"/></sheets></workbook>"},
         {"xl/_rels/workbook.xml.rels", "<Relationships><Relationship Id=\"rId1\" Type=\"" + rel +
                                            "/worksheet\" Target=\"/xl/worksheets/list.xml\"/></Relationships>"},
         {"xl/worksheets/list.xml",
          "<worksheet><sheetData><row r=\"1\"><c r=\"A1\"><v>7</v></c></row>"
          "</sheetData></worksheet>"}}));
    QCOMPARE(ReadAll(files_.path("absolute.xlsx"), "", 1 << 20, &error), QStringLiteral("7"));
    QCOMPARE(error, QString());
  }

  void refused_data() {
    Columns<QString, QString>("kind", "message");
    Row("encrypted", "encrypted", "the workbook is encrypted (protected by a password) or is an old .xls file");
    Row("not a zip", "text", "the file is not an .xlsx workbook");
    Row("macros only", "macros", "the workbook has no worksheet (only macros or charts)");
    Row("no such sheet", "sheet", "the workbook has no sheet 名簿 (it has Sheet1)");
    Row("sheet past the limit", "limit", "the workbook's xl/worksheets/sheet1.xml is larger than a list may be");
    Row("a row past a sheet's last", "rows", "the sheet has more rows than a workbook can");
    Row("no cell filled", "empty", "the sheet is empty");  // read, but no list
  }
  void refused() {
    QFETCH(QString, kind);
    QFETCH(QString, message);
    const std::string path = files_.path("refused.xlsx");
    std::string sheet;
    std::size_t limit = 1 << 20;
    if (kind == QStringLiteral("encrypted")) {
      QVERIFY(
          files_.write("refused.xlsx", std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + std::string(504, '\0')));
    } else if (kind == QStringLiteral("text")) {
      QVERIFY(files_.write("refused.xlsx", "氏名,住所\r\n"));
    } else if (kind == QStringLiteral("macros")) {
      const std::string rel = "http://schemas.microsoft.com/office/2006/relationships";
      QVERIFY(WriteZip(path, {{"xl/workbook.xml",
                               "<workbook><sheets><sheet name=\"Macro1\" r:id=\"rId1\"/></sheets>"
                               "</workbook>"},
                              {"xl/_rels/workbook.xml.rels",
                               "<Relationships><Relationship Id=\"rId1\" Type=\"" + rel +
                                   "/xlMacrosheet\" Target=\"macrosheets/sheet1.xml\"/></Relationships>"},
                              {"xl/macrosheets/sheet1.xml", "<xm:macrosheet/>"}}));
    } else if (kind == QStringLiteral("empty")) {
      QVERIFY(
          WriteWorkbookFile(path, "<sheetData><row r=\"1\"><c r=\"A1\" t=\"s\"><v>9</v></c></row></sheetData>", ""));
      QString none;
      QCOMPARE(ReadAll(path, sheet, limit, &none), QString());
      QCOMPARE(none, QString());
      std::atomic<bool> cancel{false};
      std::string why;
      QVERIFY(!ReadListFile(path, sheet, cancel, why));
      QCOMPARE(QString::fromStdString(why), QString::fromStdString(path) + QStringLiteral(": ") + message);
      return;
    } else {
      const std::string pastLastRow = "<sheetData><row r=\"1048577\"><c t=\"b\"><v>1</v></c></row></sheetData>";
      QVERIFY(WriteWorkbookFile(path, kind == QStringLiteral("rows") ? pastLastRow : kSheet, kShared));
      if (kind == QStringLiteral("sheet")) sheet = "名簿";
      if (kind == QStringLiteral("limit")) limit = ReadZipEntry(path, "xl/worksheets/sheet1.xml").size() - 1;
    }
    QString error;
    QCOMPARE(ReadAll(path, sheet, limit, &error), QString());
    QVERIFY2(error.startsWith(message), qPrintable(error));
  }

  // The limits at their edge: a sheet exactly as large as the limit is read, and so is the
  // last row a workbook has.
  void sheetAtTheLimit() {
    const std::string path = files_.path("edge.xlsx");
    QVERIFY(WriteWorkbookFile(path, kSheet, kShared, "名簿"));
    const std::size_t size = ReadZipEntry(path, "xl/worksheets/sheet1.xml").size();
    QString error;
    QVERIFY(!ReadAll(path, "名簿", size, &error).isEmpty());
    QCOMPARE(error, QString());
    QVERIFY(WriteWorkbookFile(path, "<sheetData><row r=\"1048576\"><c t=\"b\"><v>1</v></c></row></sheetData>", ""));
    QCOMPARE(ReadAll(path, "", 1 << 20, &error), QString(1048575, QLatin1Char('/')) + QStringLiteral("TRUE"));
    QCOMPARE(error, QString());
  }

  // A list written as a workbook reads back cell for cell: text as text (a leading zero, a
  // code with its hyphen, a trailing point), plain numbers as numbers, empty cells left out.
  void roundTrip() {
    const std::vector<std::vector<std::string>> rows = {
        {"氏名", "郵便番号", "住所", "数"},
        {"山田, \"様\"", "541-0053", "大阪府大阪市中央区本町1-1", "12.5"},
        {"", "0120", "", "-3"},
        {"佐藤", "1000001", "東京都千代田区丸の内2-4-1 丸ビル 20F", "007"},
        {"12.", "123456789012345", "", "1234567890123456"}};
    std::string error;
    TempData dir;
    const std::string path = dir.path("round.xlsx");
    QVERIFY2(WriteUserFile(
                 path,
                 [&](std::FILE* file) {
                   WorkbookWriter writer(file);
                   for (const auto& row : rows)
                     if (!writer.Row(row)) return false;
                   return writer.Finish();
                 },
                 error),
             error.c_str());
    QCOMPARE(FolderEntries(dir.folder()), std::vector<std::string>{"round.xlsx"});  // no temporary file left
    QString why;
    QCOMPARE(ReadAll(path, "", 1 << 20, &why), Joined(rows));
    const std::string xml = ReadZipEntry(path, "xl/worksheets/sheet1.xml");
    QVERIFY(xml.find("<v>12.5</v>") != std::string::npos);
    // Fifteen digits are a number, as a spreadsheet holds one exactly; sixteen are text.
    QVERIFY(xml.find("<v>123456789012345</v>") != std::string::npos);
    QVERIFY(xml.find("<v>1234567890123456</v>") == std::string::npos);
  }
};

QTEST_GUILESS_MAIN(TestWorkbook)
#include "tst_workbook.moc"
