// tanzel-search --resolve --list (--csv): the columns it appends and their words, the
// columns it recognises, the encodings it writes, and its exit status for good and bad lists.

#include <QtTest>

#include <unistd.h>

#include "core/lists/Workbook.h"
#include "core/text/TextEncoding.h"
#include "support/Archives.h"
#include "support/Lists.h"
#include "support/Process.h"
#include "support/Sjis.h"
#include "support/Table.h"
#include "support/TempData.h"

namespace {

QString Q(const std::string& s) {
  return QString::fromStdString(s);
}

}  // namespace

class TestListsCli : public QObject {
  Q_OBJECT

 private:
  TempData data_;
  TempData files_;

  ProcessResult Run(QStringList args) {
    args.prepend(Q(data_.folder()));
    args.prepend(QStringLiteral("--data"));
    return RunProcess(QStringLiteral(TANZEL_SEARCH_EXE), args);
  }

 private Q_SLOTS:
  void initTestCase() { WriteListData(data_); }

  // A Shift-JIS list keeps its encoding and its columns; four columns are appended, named
  // unlike any of the list's, in the window's words; the columns chosen are reported.
  void columns() {
    QVERIFY(files_.write("in.csv", S(ListCsv(6))));
    ProcessResult r = Run({QStringLiteral("--resolve"), QStringLiteral("--csv"), Q(files_.path("in.csv")),
                           QStringLiteral("--out"), Q(files_.path("out.csv"))});
    QCOMPARE(r.exit, 1);
    QCOMPARE(r.out, QString());
    QCOMPARE(r.err, QStringLiteral(u"tanzel-search: the first row names the columns; address: 住所 (3); existing "
                                   u"code: 郵便番号 (2)\n"));
    const std::string out = FileBytes(files_.path("out.csv"));
    QCOMPARE(out.substr(0, 3) == tanzel::kUtf8Bom, false);
    QCOMPARE(out,
             S("氏名,郵便番号,住所,郵便番号（検索結果）,確度,該当住所,既存番号との照合\r\n"
               "\"客0, \"\"様\"\"\",183-0022,東京都府中市宮西町1-1,183-0022,確実,東京都府中市宮西町,一致\r\n"
               "客1,,東京都千代田区無名町9,100-0000,要確認,東京都千代田区以下に掲載がない場合,\r\n"
               "客2,,京都府京都市上京区今出川町,,複数候補,602-0033 京都府京都市上京区今出川町（烏丸通今出川上る） / "
               "602-8031 京都府京都市上京区今出川町（寺町通今出川下る）,\r\n"
               "客3,,どこにもない所,,該当なし,,\r\n"
               "客4,100-0001,東京都府中市宮西町1-1,183-0022,確実,東京都府中市宮西町,不一致\r\n"
               "\"客5, \"\"様\"\"\",,東京都千代田区無名町9,100-0000,要確認,東京都千代田区以下に掲載がない場合,\r\n"));
  }

  // An office's list: no column options, split address columns found by their names and
  // joined in address order, the existing code deciding the rows that fit several places.
  void splitColumns() {
    QVERIFY(files_.write("office.csv", S("氏名,郵便番号,都道府県,市区町村,番地,建物名\r\n"
                                         "山田,541-0053,,中央区,本町1-1,\r\n"
                                         "佐藤,100-6320,東京都,千代田区,丸の内2-4-1,丸ビル 20F\r\n"
                                         "鈴木,260-0012,,中央区,本町1-1,\r\n")));
    ProcessResult r = Run({QStringLiteral("--resolve"), QStringLiteral("--csv"), Q(files_.path("office.csv")),
                           QStringLiteral("--out"), Q(files_.path("office-out.csv"))});
    QCOMPARE(r.exit, 0);
    QVERIFY2(r.err.contains(QStringLiteral(u"address: 都道府県 (3) + 市区町村 (4) + 番地 (5) + 建物名 (6)")),
             qPrintable(r.err));
    QCOMPARE(FileBytes(files_.path("office-out.csv")),
             S("氏名,郵便番号,都道府県,市区町村,番地,建物名,郵便番号（検索結果）,確度,該当住所,既存番号との照合\r\n"
               "山田,541-0053,,中央区,本町1-1,,541-0053,確実,大阪府大阪市中央区本町,一致\r\n"
               "佐藤,100-6320,東京都,千代田区,丸の内2-4-1,丸ビル 20F,100-6320,確実,"
               "東京都千代田区丸の内丸の内ビルディング（２０階）,一致\r\n"
               "鈴木,260-0012,,中央区,本町1-1,,260-0012,確実,千葉県千葉市中央区本町,一致\r\n"));
  }

  // The office's list as a workbook, written as a workbook: the same answers, the original
  // cells as they were. A workbook with macros is one too, and a name's case does not matter.
  void workbook() {
    const std::string in = files_.path("office.xlsm"), out = files_.path("office-out.XLSX");
    auto cell = [](const char* ref, const char* text) {
      return std::string("<c r=\"") + ref + "\" t=\"inlineStr\"><is><t>" + text + "</t></is></c>";
    };
    QVERIFY(WriteWorkbookFile(
        in,
        "<sheetData><row r=\"1\">" + cell("A1", "氏名") + cell("B1", "郵便番号") + cell("C1", "都道府県") +
            cell("D1", "市区町村") + cell("E1", "番地") + cell("F1", "建物名") + "</row><row r=\"2\">" +
            cell("A2", "山田") + "<c r=\"B2\"><v>5410053</v></c>" + cell("D2", "中央区") + cell("E2", "本町1-1") +
            "</row><row r=\"3\">" + cell("A3", "佐藤") + cell("B3", "100-6320") + cell("C3", "東京都") +
            cell("D3", "千代田区") + cell("E3", "丸の内2-4-1") + cell("F3", "丸ビル 20F") + "</row></sheetData>",
        ""));
    ProcessResult r =
        Run({QStringLiteral("--resolve"), QStringLiteral("--list"), Q(in), QStringLiteral("--out"), Q(out)});
    QCOMPARE(r.exit, 0);
    std::vector<std::vector<std::string>> rows;
    std::string error;
    QVERIFY2(tanzel::ReadWorkbook(ReadFile(out), "", 1 << 20, rows, error), error.c_str());
    QStringList lines;
    for (const auto& row : rows) {
      QStringList cells;
      for (const std::string& c : row) cells << QString::fromStdString(c);
      lines << cells.join(QLatin1Char(','));
    }
    QCOMPARE(
        lines,
        (QStringList{QStringLiteral(u"氏名,郵便番号,都道府県,市区町村,番地,建物名,郵便番号（検索結果）,確度,該当住所,"
                                    u"既存番号との照合"),
                     QStringLiteral(u"山田,5410053,,中央区,本町1-1,,541-0053,確実,大阪府大阪市中央区本町,一致"),
                     QStringLiteral(u"佐藤,100-6320,東京都,千代田区,丸の内2-4-1,丸ビル 20F,100-6320,確実,"
                                    u"東京都千代田区丸の内丸の内ビルディング（２０階）,一致")}));
    QVERIFY(ReadZipEntry(out, "xl/worksheets/sheet1.xml").find("<v>5410053</v>") != std::string::npos);
    // Written as CSV instead: UTF-8 with its mark, as a spreadsheet opens it.
    const std::string csv = files_.path("office-out.csv");
    QCOMPARE(Run({QStringLiteral("--resolve"), QStringLiteral("--list"), Q(in), QStringLiteral("--out"), Q(csv)}).exit,
             0);
    QVERIFY(FileBytes(csv).starts_with(std::string(tanzel::kUtf8Bom) + "氏名,郵便番号,"));
  }

  // A list without names, its column named by number, written in UTF-8 with its mark, in
  // the words for scripts; every row sure. A shorter row is filled out, so that the appended
  // columns of every row line up.
  void allSure() {
    QVERIFY(files_.write("sure.tsv", S("a\t東京都府中市宮西町1\tnote\r\nb\t東京都府中市宮西町2\r\n")));
    ProcessResult r = Run({QStringLiteral("--resolve"), QStringLiteral("--list"), Q(files_.path("sure.tsv")),
                           QStringLiteral("--words"), QStringLiteral("en"), QStringLiteral("--no-header"),
                           QStringLiteral("--column"), QStringLiteral("2"), QStringLiteral("--encoding"),
                           QStringLiteral("utf-8-bom"), QStringLiteral("--out"), Q(files_.path("sure.csv"))});
    QCOMPARE(r.exit, 0);
    QCOMPARE(FileBytes(files_.path("sure.csv")), std::string(tanzel::kUtf8Bom) +
                                                     "a,東京都府中市宮西町1,note,183-0022,sure,東京都府中市宮西町\r\n"
                                                     "b,東京都府中市宮西町2,,183-0022,sure,東京都府中市宮西町\r\n");
  }

  void status_data() {
    Columns<std::string, QStringList, int, QString>("list",
                                                    "args",  // IN and OUT stand for the files
                                                    "exit", "message");
    const std::string good = ListCsv(2);
    const QStringList resolve = {QStringLiteral("--resolve"), QStringLiteral("--csv"), QStringLiteral("IN")};
    auto with = [&](QStringList more) { return resolve + more; };
    QTest::newRow("without --resolve") << good << QStringList{QStringLiteral("--csv"), QStringLiteral("IN")} << 2
                                       << QStringLiteral("--list goes with --resolve");
    QTest::newRow("no such column") << good << with({QStringLiteral("--column"), QStringLiteral("電話")}) << 2
                                    << QStringLiteral("no column 電話");
    QTest::newRow("no such code column") << good << with({QStringLiteral("--code-column"), QStringLiteral("電話")}) << 2
                                         << QStringLiteral("no column 電話");
    // After "--" every argument is a keyword to search for, --csv too.
    QTest::newRow("--csv after --") << good << QStringList{QStringLiteral("--"), QStringLiteral("--csv")} << 1
                                    << QString();
    QTest::newRow("unknown words") << good << with({QStringLiteral("--words"), QStringLiteral("de")}) << 2
                                   << QStringLiteral("--words is ja or en, not de");
    QTest::newRow("a sheet of a text list") << good << with({QStringLiteral("--sheet"), QStringLiteral("A")}) << 2
                                            << QStringLiteral("--sheet goes with a workbook (.xlsx)");
    QTest::newRow("unknown encoding") << good << with({QStringLiteral("--encoding"), QStringLiteral("latin1")}) << 2
                                      << QStringLiteral("unknown encoding latin1");
    QTest::newRow("output is the input") << good << with({QStringLiteral("--out"), QStringLiteral("IN")}) << 2
                                         << QStringLiteral("the input is never overwritten");
    // The input by another name: a symbolic link, a hard link.
    for (const char* path : {"SYMLINK", "HARDLINK"})
      QTest::newRow(qPrintable(QStringLiteral("output is the input as ") + QLatin1String(path)))
          << good << with({QStringLiteral("--out"), QLatin1String(path)}) << 2
          << QStringLiteral("the input is never overwritten");
    QTest::newRow("unterminated quote") << std::string("住所\r\n東京都府中市宮西町\r\n\"東京都\r\n")
                                        << with({QStringLiteral("--out"), QStringLiteral("OUT")}) << 2
                                        << QStringLiteral("line 3: a quoted field that starts there is never closed");
    QTest::newRow("binary") << std::string("PK\x03\x04\0\0", 6) << with({}) << 2
                            << QStringLiteral("not text in UTF-8 or Shift-JIS");
    QTest::newRow("empty") << std::string() << with({}) << 2 << QStringLiteral("the file is empty");
    QTest::newRow("no address column") << std::string("a,b\r\nc,d\r\n") << with({}) << 2
                                       << QStringLiteral("no column looks like an address");
    QTest::newRow("data missing") << good << with({QStringLiteral("--data"), QStringLiteral("NODATA")}) << 3
                                  << QStringLiteral("cannot be read");
    // The exit status says whether every row is sure, whichever row is not.
    const std::string sure = ListAddress(0), notSure = ListAddress(1);
    QTest::newRow("sure rows") << "住所\r\n" + sure + "\r\n" + sure + "\r\n" << with({}) << 0 << QString();
    // The first row as the options say: with --no-header, 住所 is a row whose address is not found.
    QTest::newRow("sure rows, --no-header")
        << "住所\r\n" + sure + "\r\n" + sure + "\r\n"
        << with({QStringLiteral("--no-header")}) << 1 << QStringLiteral("no header row");
    QTest::newRow("a row of data, --header")
        << sure + "\r\n" + sure + "\r\n"
        << with({QStringLiteral("--header"), QStringLiteral("--column"), QStringLiteral("1")}) << 0
        << QStringLiteral("the first row names the columns");
    // Two rows: the second tells that names the program does not know are names.
    QTest::newRow("unknown names over one address")
        << "氏名,届け先\r\n山田," + sure + "\r\n"
        << with({}) << 0 << QStringLiteral("the first row names the columns");
    QTest::newRow("not sure, then sure") << "住所\r\n" + notSure + "\r\n" + sure + "\r\n" << with({}) << 1 << QString();
    QTest::newRow("sure, then not sure") << "住所\r\n" + sure + "\r\n" + notSure + "\r\n" << with({}) << 1 << QString();
    QTest::newRow("output is a FIFO") << good << with({QStringLiteral("--out"), QStringLiteral("FIFO")}) << 4
                                      << QStringLiteral("a FIFO; only a regular file is replaced");
    QTest::newRow("output folder missing") << good << with({QStringLiteral("--out"), QStringLiteral("OUT/none/x.csv")})
                                           << 4 << QStringLiteral("the output could not be written");
  }
  // A refused list or command line writes nothing and leaves the input as it was.
  void status() {
    QFETCH(std::string, list);
    QFETCH(QStringList, args);
    QFETCH(int, exit);
    QFETCH(QString, message);
    TempData dir;
    QVERIFY(dir.write("in.csv", list));
    std::vector<std::string> entries{"in.csv"};
    for (QString& a : args) {
      if (a == QStringLiteral("IN")) a = Q(dir.path("in.csv"));
      if (a == QStringLiteral("SYMLINK")) {
        QVERIFY(::symlink("in.csv", dir.path("link.csv").c_str()) == 0);
        entries.push_back("link.csv");
        a = Q(dir.path("link.csv"));
      }
      if (a == QStringLiteral("HARDLINK")) {
        QVERIFY(::link(dir.path("in.csv").c_str(), dir.path("hard.csv").c_str()) == 0);
        entries.insert(entries.begin(), "hard.csv");
        a = Q(dir.path("hard.csv"));
      }
      if (a == QStringLiteral("FIFO")) {
        QVERIFY(dir.writeNotAFile("out.csv", NotAFile::Fifo));
        entries.push_back("out.csv");
        a = Q(dir.path("out.csv"));
      }
      a.replace(QStringLiteral("OUT"), Q(dir.path("out.csv")));
      if (a == QStringLiteral("NODATA")) a = Q(dir.folder());
    }
    ProcessResult r = Run(args);
    QCOMPARE(r.exit, exit);
    QVERIFY2(r.err.contains(message), qPrintable(r.err));
    QCOMPARE(FolderEntries(dir.folder()), entries);
    QCOMPARE(FileBytes(dir.path("in.csv")), list);
  }
};

QTEST_GUILESS_MAIN(TestListsCli)
#include "tst_lists_cli.moc"
