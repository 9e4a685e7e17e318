// tanzel-search: output, notices and exit status over written files, and the real data.

#include <QtTest>

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstring>

#include "cli/SearchCommand.h"
#include "core/search/SearchEngine.h"
#include "support/DataLines.h"
#include "support/Process.h"
#include "support/Table.h"
#include "support/TempData.h"

using namespace tanzel;

Q_DECLARE_METATYPE(std::string)

namespace {

using Result = ProcessResult;

Result Run(const QStringList& args) {
  return RunProcess(QStringLiteral(TANZEL_SEARCH_EXE), args);
}

QString U(const char* utf8) {
  return QString::fromUtf8(utf8);
}

using Folder = EmptyDataFolder;

// Runs the command function in this process, as the program's main does.
Result RunCommand(const QStringList& args) {
  std::vector<std::string> owned{"tanzel-search"};
  for (const QString& a : args) owned.push_back(a.toStdString());
  std::vector<const char*> argv;
  for (const std::string& a : owned) argv.push_back(a.c_str());
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  int exit = SearchCommand(static_cast<int>(argv.size()), argv.data(), stdin, out, err);
  auto read = [](std::FILE* f) {
    std::fflush(f);
    std::rewind(f);
    QByteArray bytes;
    char buffer[4096];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, f)) bytes.append(buffer, static_cast<qsizetype>(n));
    std::fclose(f);
    return QString::fromUtf8(bytes);
  };
  return {exit, read(out), read(err)};
}

class Rows : public SearchSink {
 public:
  void Row(int, const ResultRow& row) override {
    QStringList cells;
    for (int c = 0; c < 5; ++c) cells << FromSjis(row.Cell(c));
    text += cells.join(QLatin1Char('\t')) + QLatin1Char('\n');
  }
  QString text;
};

}  // namespace

class TestSearchCli : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void rowsAndStatus() {
    Folder f;
    QVERIFY(f.dir.write(KenName(13), TokyoLine(1) + TokyoLine(2)));
    QVERIFY(f.dir.write(JigName(13),
                        JigLine(13101, "クナイチヨウ", "宮内庁", "東京都", "千代田区", "千代田", "１－１", "1008111")));
    Result r = Run({QStringLiteral("--data"), f.path(), U("千代田")});
    QCOMPARE(r.exit, 0);
    QCOMPARE(r.out, U("100-0001\t東京都千代田区丸の内\tトウキョウトチヨダクマルノウチ\t13101\t\n"
                      "100-0002\t東京都千代田区丸の内\tトウキョウトチヨダクマルノウチ\t13101\t\n"
                      "100-8111\t宮内庁\tクナイチヨウ\t13101\t東京都千代田区千代田１－１\n"));
    QCOMPARE(r.err, QString());

    r = Run({QStringLiteral("--data"), f.path(), QStringLiteral("100-0002")});
    QCOMPARE(r.exit, 0);
    QCOMPARE(r.out.count(QLatin1Char('\n')), 1);

    r = Run({QStringLiteral("--data"), f.path(), QStringLiteral("--town"), U("東京都"), QStringLiteral("13101"),
             U("丸の")});
    QCOMPARE(r.exit, 0);
    QCOMPARE(r.out.count(QLatin1Char('\n')), 2);

    r = Run({QStringLiteral("--data"), f.path(), U("大阪")});
    QCOMPARE(r.exit, 1);
    QCOMPARE(r.out, QString());
    QCOMPARE(r.err, U("検索しましたが見つかりませんでした。\n"));

    QFile::remove(QString::fromStdString(f.dir.path(JigName(40))));
    r = Run({QStringLiteral("--data"), f.path(), U("千代田")});
    QCOMPARE(r.exit, 3);
    QCOMPARE(r.out.count(QLatin1Char('\n')), 3);  // the rows found before stand
    QCOMPARE(r.err, U("データファイルが見つかりません\n"));
  }

  // The program is a thin main over the command function: both give the same.
  void commandFunctionIsTheProgram() {
    Folder f;
    QVERIFY(f.dir.write(KenName(13), TokyoLine(1) + TokyoLine(2)));
    for (const QStringList& args : {QStringList{U("千代田")}, QStringList{U("大阪")}, QStringList{}}) {
      Result program = Run(QStringList{QStringLiteral("--data"), f.path()} + args);
      Result command = RunCommand(QStringList{QStringLiteral("--data"), f.path()} + args);
      QCOMPARE(command.exit, program.exit);
      QCOMPARE(command.out, program.out);
      QCOMPARE(command.err, program.err);
    }
  }

  void limit() {
    Folder f;
    std::string lines = TokyoLines(10300);
    QVERIFY(f.dir.write(KenName(13), lines));
    Result r = Run({QStringLiteral("--data"), f.path(), U("千代田")});
    QCOMPARE(r.exit, 0);
    QCOMPARE(r.out.count(QLatin1Char('\n')), 10240);
    QCOMPARE(r.err, U("検索結果が最大数をオーバーしました。\n"));
    // At the limit the table is full: the notice; one hit fewer, none.
    QVERIFY(f.dir.write(KenName(13), TokyoLines(10240)));
    r = Run({QStringLiteral("--data"), f.path(), U("千代田")});
    QCOMPARE(r.out.count(QLatin1Char('\n')), 10240);
    QCOMPARE(r.err, U("検索結果が最大数をオーバーしました。\n"));
    QVERIFY(f.dir.write(KenName(13), TokyoLines(10239)));
    r = Run({QStringLiteral("--data"), f.path(), U("千代田")});
    QCOMPARE(r.exit, 0);
    QCOMPARE(r.out.count(QLatin1Char('\n')), 10239);
    QCOMPARE(r.err, QString());
  }

  // A data file that is no regular file is a missing one: exit 3 at once, with the notice.
  void notAFileIsMissing_data() {
    Columns<int, std::string>("kind", "name");
    QTest::newRow("FIFO KEN05") << int(NotAFile::Fifo) << KenName(5);
    QTest::newRow("folder KEN13") << int(NotAFile::Folder) << KenName(13);
    QTest::newRow("link to /dev/zero JIG13") << int(NotAFile::LinkToDevZero) << JigName(13);
  }
  void notAFileIsMissing() {
    QFETCH(int, kind);
    QFETCH(std::string, name);
    Folder f;
    QVERIFY(f.dir.write(KenName(1), TokyoLine(1)));
    QVERIFY(f.dir.writeNotAFile(name, NotAFile(kind)));
    FifoKnocker knocker(f.dir.path(name));
    Result r = Run({QStringLiteral("--data"), f.path(), U("千代田")});
    QCOMPARE(r.exit, 3);
    QCOMPARE(r.out.count(QLatin1Char('\n')), 1);
    QCOMPARE(r.err, U("データファイルが見つかりません\n"));
  }

  // A data folder path far longer than 260 bytes.
  void deepFolder() {
    TempData deep(400);
    QVERIFY(deep.valid());
    deep.writeEmptyPrefectures();
    QVERIFY(deep.write(KenName(13), TokyoLine(1)));
    Result r = Run({QStringLiteral("--data"), QString::fromStdString(deep.folder()), U("千代田")});
    QCOMPARE(r.exit, 0);
    QCOMPARE(r.out.count(QLatin1Char('\n')), 1);
  }

  void usageErrors_data() {
    Columns<QStringList>("args");
    QTest::newRow("no keyword") << QStringList();
    QTest::newRow("empty keyword") << QStringList{QString()};
    QTest::newRow("two keywords") << QStringList{QStringLiteral("a"), QStringLiteral("b")};
    QTest::newRow("town without code") << QStringList{QStringLiteral("--town"), U("東京都"), U("町")};
    QTest::newRow("unknown option") << QStringList{QStringLiteral("--fast"), U("町")};
    QTest::newRow("data without folder") << QStringList{QStringLiteral("--data")};
    QTest::newRow("100 bytes") << QStringList{QString(100, QLatin1Char('a'))};
    QTest::newRow("50 kanji") << QStringList{QString(50, QChar(0x753A))};
    QTest::newRow("not in Shift-JIS") << QStringList{QString::fromUtf8("\xF0\x9F\x98\x80")};
  }
  void usageErrors() {
    QFETCH(QStringList, args);
    Folder f;
    Result r = Run(QStringList{QStringLiteral("--data"), f.path()} + args);
    QCOMPARE(r.exit, 2);
    QVERIFY(!r.err.isEmpty());
    QCOMPARE(r.out, QString());
  }

  void helpGoesToStandardOutput() {
    for (const QStringList& args : {QStringList{QStringLiteral("--help")}, QStringList{QStringLiteral("-h")},
                                    QStringList{QStringLiteral("--town"), QStringLiteral("--help")}}) {
      Result r = Run(args);
      QCOMPARE(r.exit, 0);
      QVERIFY2(r.out.startsWith(QStringLiteral("usage: tanzel-search")), qPrintable(r.out));
      QCOMPARE(r.err, QString());
    }
    Folder f;
    QCOMPARE(Run({QStringLiteral("--data"), f.path(), QStringLiteral("--"), QStringLiteral("--help")}).exit,
             1);  // a keyword: no hit
  }

  void acceptsLongestKeyword() {
    Folder f;
    Result r = Run({QStringLiteral("--data"), f.path(), QString(99, QLatin1Char('a'))});
    QCOMPARE(r.exit, 1);
    r = Run({QStringLiteral("--data"), f.path(), QStringLiteral("--"), QStringLiteral("-0001")});
    QCOMPARE(r.exit, 1);
  }

  // What people type finds what the data spells (the tolerant pass), and says so on stderr.
  void tolerantRealData_data() {
    Columns<QString, QString>("keyword", "row");
    const char* chiyoda = "100-0001\t東京都千代田区千代田\tトウキョウトチヨダクチヨダ\t13101\t\n";
    Row("input method digits", "１００－０００１", chiyoda);
    Row("postal mark", "〒100-0001", chiyoda);
    Row("space", "100 0001", chiyoda);
    Row("hyphen U+2010", "100‐0001", chiyoda);
    Row("hiragana", "ちよだく", "102-0072\t東京都千代田区飯田橋\t");
    Row("hiragana from mu to n", "むろらんしかいがんちょう", "051-0022\t北海道室蘭市海岸町\t");
    Row("half-width", "ﾁﾖﾀﾞｸ", "102-0072\t東京都千代田区飯田橋\t");
    Row("decomposed", "\xE3\x82\xB7\xE3\x83\x95\xE3\x82\x99\xE3\x83\xA4", "\t東京都渋谷区上原\t");
    Row("Arabic digit", "丸の内2丁目", "100-8994\t東京中央郵便局\t");
    Row("spaced", "東京都 千代田区", "102-0072\t東京都千代田区飯田橋\t");
    Row("letters", "JAビル", "100-6810\t東京都千代田区大手町ＪＡビル（１０階）\t");
    Row("upper-case letters", "NHK", "\tＮＨＫ札幌拠点放送局\t");
    Row("small kana", "トウキョウダイガク", "\t東京大学　宇宙線研究所\t");
    Row("catch-all code", "1000000", "100-0000\t東京都千代田区以下に掲載がない場合\t");
    Row("station name, ga", "霞ヶ関", "100-0013\t東京都千代田区霞が関（次のビルを除く）\t");
    Row("station name, ga too", "自由ヶ丘", "\t東京都目黒区自由が丘\t");
    Row("station name, ke left out", "阿佐ヶ谷", "166-0001\t東京都杉並区阿佐谷北\t");
    Row("station name, ke left out too", "市ヶ谷", "\t東京都新宿区市谷田町\t");
    Row("no as katakana", "丸ノ内", "100-0005\t東京都千代田区丸の内（次のビルを除く）\t");
    Row("block names the town", "丸の内2丁目", "100-0005\t東京都千代田区丸の内（次のビルを除く）\t");
    Row("block with hyphens names the town", "丸の内２－４", "100-0005\t東京都千代田区丸の内（次のビルを除く）\t");
    Row("address down to its block, offices there too", "大阪市北区梅田3-1-3", "530-0001\t大阪府大阪市北区梅田\t");
  }
  void tolerantRealData() {
    QFETCH(QString, keyword);
    QFETCH(QString, row);
    QString folder = qEnvironmentVariable("TANZEL_TEST_DATA");
    if (!QFile::exists(folder + QStringLiteral("/KEN13.CSV"))) QSKIP("no imported data files");
    Result r = Run({QStringLiteral("--data"), folder, keyword});
    QCOMPARE(r.exit, 0);
    QVERIFY2(r.out.contains(row), qPrintable(r.out.left(300)));
  }

  // Keywords that no field can hold find nothing; writing errors and odd arguments are
  // reported as such.
  void refusedKeywordsAndOutput() {
    Folder f;
    QVERIFY(f.dir.write(KenName(13), TokyoLine(1)));
    for (const QString& keyword : {QStringLiteral(","), QStringLiteral("\""), QStringLiteral(" "), QStringLiteral("\r"),
                                   QStringLiteral("\n"), QStringLiteral("0\r\n")}) {
      Result r = Run({QStringLiteral("--data"), f.path(), keyword});
      QCOMPARE(r.exit, 1);
      QCOMPARE(r.out, QString());
    }
    std::string folder = f.dir.folder();
    const char* invalid[] = {"tanzel-search", "--data", folder.c_str(), "\xC3\x28"};
    std::FILE* err = std::tmpfile();
    QCOMPARE(SearchCommand(4, invalid, stdin, stdout, err), 2);
    std::rewind(err);
    char said[200] = {};
    QVERIFY(std::fread(said, 1, sizeof said - 1, err) > 0);
    std::fclose(err);
    QVERIFY2(std::strstr(said, "not valid UTF-8"), said);
    Result r = Run({QStringLiteral("--data"), f.path(), QStringLiteral("---")});
    QCOMPARE(r.exit, 2);
    QVERIFY(r.err.contains(QStringLiteral("tanzel-search -- ---")));
    r = Run({QStringLiteral("--data"), f.path(), QStringLiteral("--"), QStringLiteral("---")});
    QCOMPARE(r.exit, 1);

    QProcess full;
    full.setStandardOutputFile(QStringLiteral("/dev/full"));
    full.start(QStringLiteral(TANZEL_SEARCH_EXE), {QStringLiteral("--data"), f.path(), U("千代田")});
    QVERIFY(full.waitForFinished(60000));
    QCOMPARE(full.exitCode(), 4);
    QVERIFY(QString::fromUtf8(full.readAllStandardError()).contains(QStringLiteral("could not be written")));
  }

  // --resolve as a program: arguments or one address a line of standard input (UTF-8 with
  // or without its mark, or Shift-JIS), ambiguous lines, and the exit status.
  void resolveProgram_data() {
    Columns<QStringList, QByteArray, QString, int>("args", "input", "out", "exit");
    const QString good = U("1000001\t東京都千代田区千代田\ttown\n");
    QTest::newRow("arguments") << QStringList{U("千代田区千代田1-1")} << QByteArray() << good << 0;
    QTest::newRow("one fails") << QStringList{U("丁寧"), U("千代田区千代田1-1")} << QByteArray() << U("\t\t\n") + good
                               << 1;
    // An office at exactly that address follows the town's code.
    QTest::newRow("an office there too") << QStringList{U("千代田区千代田2-2")} << QByteArray()
                                         << U("1000001\t東京都千代田区千代田\ttown\t1008111\t宮内庁 "
                                              "東京都千代田区千代田２－２\toffice\n")
                                         << 0;
    QTest::newRow("ambiguous") << QStringList{U("本町1")} << QByteArray()
                               << U("\t\tambiguous\t0493107\t北海道二海郡八雲町本町\ttown\t0530009\t北海道苫小"
                                    "牧市本町\ttown\n")
                               << 1;
    QTest::newRow("stdin") << QStringList() << QByteArray("千代田区千代田1-1\r\n千代田区千代田1-1\n") << good + good
                           << 0;
    QTest::newRow("byte order mark") << QStringList() << QByteArray("\xef\xbb\xbf千代田区千代田1-1\n") << good << 0;
    QTest::newRow("shift-jis") << QStringList() << QByteArray::fromStdString(Sjis("千代田区千代田1-1\n")) << good << 0;
    QTest::newRow("CR alone ends a line") << QStringList() << QByteArray("千代田区千代田1-1\r丁寧\r千代田区千代田1-1\r")
                                          << good + U("\t\t\n") + good << 1;
    // A line in neither encoding is answered as not found, the others as usual; its own status.
    QTest::newRow("a line neither UTF-8 nor Shift-JIS")
        << QStringList() << QByteArray("千代田区千代田1-1\n千代田区千代田1-1\n\xff\xfe\n千代田区千代田1-1")
        << good + good + U("\t\t\n") + good << 5;
    QTest::newRow("a Shift-JIS line among UTF-8 ones")
        << QStringList() << QByteArray::fromStdString("千代田区千代田1-1\n" + Sjis("千代田区千代田1-1\n") + "\xff\n")
        << good + good + U("\t\t\n") << 5;
    const QString json =
        U("{\"address\":\"千代田区千代田1-1\",\"candidates\":[{\"code\":\"1000001\",\"match\":\"town\","
          "\"office\":false,\"record\":\"東京都千代田区千代田\"}],\"certainty\":\"sure\",\"code\":"
          "\"1000001\",\"match\":\"town\",\"record\":\"東京都千代田区千代田\"}\n");
    QTest::newRow("json") << QStringList{QStringLiteral("--json"), U("千代田区千代田1-1")} << QByteArray() << json << 0;
    QTest::newRow("json lines, one unreadable")
        << QStringList{QStringLiteral("--json")} << QByteArray::fromStdString(Sjis("千代田区千代田1-1\r") + "a\xff")
        << json + U("{\"address\":\"a\uFFFD\",\"candidates\":[],\"certainty\":\"not-found\",\"code\":null,\"match\":"
                    "null,\"record\":null,\"error\":\"invalid-encoding\"}\n")
        << 5;
  }
  void resolveProgram() {
    QFETCH(QStringList, args);
    QFETCH(QByteArray, input);
    QFETCH(QString, out);
    QFETCH(int, exit);
    Folder f;
    QVERIFY(f.dir.write(KenName(1), KenLine(1346, "0493107", "ア", "ア", "ア", "北海道", "二海郡八雲町", "本町") +
                                        KenLine(1213, "0530009", "ア", "ア", "ア", "北海道", "苫小牧市", "本町")));
    QVERIFY(f.dir.write(KenName(13), KenLine(13101, "1000001", "ア", "ア", "ア", "東京都", "千代田区", "千代田")));
    QVERIFY(f.dir.write(JigName(13),
                        JigLine(13101, "クナイチヨウ", "宮内庁", "東京都", "千代田区", "千代田", "２－２", "1008111")));
    QVERIFY(f.dir.write("input.txt", input.toStdString()));
    std::string path = f.dir.folder() + "input.txt";
    Result r =
        RunProcess(QStringLiteral(TANZEL_SEARCH_EXE),
                   QStringList{QStringLiteral("--data"), f.path(), QStringLiteral("--resolve")} + args, {}, [path] {
                     int fd = ::open(path.c_str(), O_RDONLY);
                     if (fd >= 0) ::dup2(fd, 0);
                   });
    QCOMPARE(r.out, out);
    QCOMPARE(r.exit, exit);
    if (exit == 5) QVERIFY2(r.err.contains(QStringLiteral(" is neither UTF-8 nor Shift-JIS")), qPrintable(r.err));
  }

  // The note on how a keyword was read: an address only when its address is read, never a
  // postal code followed by a place the data does not know.
  void addressNote_data() {
    Columns<QString, QString>("keyword", "note");  // "": not read as an address
    Row("an address", "千代田区千代田1-1", "read as an address (sure, town)");
    Row("a code and an unknown place", "1000001 どこかの町", "");
    Row("a code alone", "1000001", "");
    // The passes in their order: the address the keyword as typed does not find, then the
    // keyword in the data's own forms.
    Row("an address, then the keyword without its space", "千代田区 千代田",
        "read as an address (sure, town)\ntanzel-search: also searching for ");
  }
  void addressNote() {
    QFETCH(QString, keyword);
    QFETCH(QString, note);
    Folder f;
    QVERIFY(f.dir.write(KenName(13), KenLine(13101, "1000001", "ア", "ア", "ア", "東京都", "千代田区", "千代田")));
    Result r = Run({QStringLiteral("--data"), f.path(), keyword});
    if (note.isEmpty())
      QVERIFY2(!r.err.contains(QStringLiteral("read as an address")), qPrintable(r.err));
    else
      QVERIFY2(r.err.contains(note), qPrintable(r.err));
  }

  void resolveFailures() {
    TempData empty;  // no data files: 3
    Result r = Run({QStringLiteral("--data"), QString::fromStdString(empty.folder()), QStringLiteral("--resolve"),
                    U("千代田区千代田")});
    QCOMPARE(r.exit, 3);
    QVERIFY(r.err.contains(QStringLiteral("cannot be read")));
    Folder f;  // the output cannot be written: 4
    QVERIFY(f.dir.write(KenName(13), KenLine(13101, "1000001", "ア", "ア", "ア", "東京都", "千代田区", "千代田")));
    r = RunProcess(QStringLiteral(TANZEL_SEARCH_EXE),
                   {QStringLiteral("--data"), f.path(), QStringLiteral("--resolve"), U("千代田区千代田")}, {}, [] {
                     int fd = ::open("/dev/full", O_WRONLY);
                     if (fd >= 0) ::dup2(fd, 1);
                   });
    QCOMPARE(r.exit, 4);
    // An address given that is not UTF-8: answered as not found, named, the others as usual; 5.
    std::string folder = f.dir.folder();
    const char* argv[] = {"tanzel-search", "--data", folder.c_str(), "--resolve", "\xff", "千代田区千代田"};
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    QCOMPARE(SearchCommand(6, argv, stdin, out, err), 5);
    char said[400] = {};
    std::rewind(out);
    QVERIFY(std::fread(said, 1, sizeof said - 1, out) > 0);
    QCOMPARE(U(said), U("\t\t\n1000001\t東京都千代田区千代田\ttown\n"));
    std::rewind(err);
    std::memset(said, 0, sizeof said);
    QVERIFY(std::fread(said, 1, sizeof said - 1, err) > 0);
    QVERIFY2(std::strstr(said, "address 1 is not valid UTF-8"), said);
    std::fclose(out);
    std::fclose(err);
  }

  void realData() {
    QString folder = qEnvironmentVariable("TANZEL_TEST_DATA");
    if (!QFile::exists(folder + QStringLiteral("/KEN13.CSV"))) QSKIP("no imported data files");
    for (const QString& keyword : {QStringLiteral("1000001"), QStringLiteral("100-0001")}) {
      Result r = Run({QStringLiteral("--data"), folder, keyword});
      QCOMPARE(r.exit, 0);
      QCOMPARE(r.out, U("100-0001\t東京都千代田区千代田\tトウキョウトチヨダクチヨダ\t13101\t\n"));
    }
    Result r = Run({QStringLiteral("--data"), folder, U("札幌市中央区")});
    QCOMPARE(r.exit, 0);
    QVERIFY(r.out.count(QLatin1Char('\n')) > 100);
    QVERIFY(!r.out.contains(U("以下に掲載がない場合")));
    QVERIFY(r.out.startsWith(QStringLiteral("0")));

    // The command line gives the rows of the engine the window uses.
    SearchParams params;
    params.keyword = Sjis("チヨダ");
    std::atomic<int32_t> hits{0};
    std::atomic<uint8_t> cancel{0};
    Rows rows;
    auto scratch = std::make_unique<SearchScratch>();
    QCOMPARE(RunSearch(SearchQuery(params), *DataSet::Open(folder.toStdString()), *scratch, hits, cancel, rows),
             SearchNotice::None);
    r = Run({QStringLiteral("--data"), folder, U("チヨダ")});
    QCOMPARE(r.out, rows.text);

    // A single letter finds no line by the second byte of a kana.
    r = Run({QStringLiteral("--data"), folder, QStringLiteral("A")});
    QVERIFY(r.out.count(QLatin1Char('\n')) < 1000);
  }
};

QTEST_APPLESS_MAIN(TestSearchCli)
#include "tst_search_cli.moc"
