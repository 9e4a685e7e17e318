// tanzel-search: output, notices and exit status over written files, and the real data.

#include <QtTest>

#include <atomic>

#include "core/search/SearchCommand.h"
#include "core/search/SearchEngine.h"
#include "core/text/SjisText.h"
#include "support/DataLines.h"
#include "support/Process.h"
#include "support/TempData.h"

using namespace tanzel;

namespace {

using Result = ProcessResult;

Result Run(const QStringList& args) {
  return RunProcess(QStringLiteral(TANZEL_SEARCH_EXE), args);
}

QString U(const char* utf8) {
  return QString::fromUtf8(utf8);
}

struct Folder {
  TempData dir;
  Folder() { dir.writeEmptyPrefectures(); }
  QString path() const { return QString::fromStdString(dir.folder()); }
};

// Runs the command function in this process, as the program's main does.
Result RunCommand(const QStringList& args) {
  std::vector<std::string> owned{"tanzel-search"};
  for (const QString& a : args) owned.push_back(a.toStdString());
  std::vector<const char*> argv;
  for (const std::string& a : owned) argv.push_back(a.c_str());
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  int exit = SearchCommand(static_cast<int>(argv.size()), argv.data(), out, err);
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
    for (int c = 0; c < 5; ++c) cells << QString::fromStdString(SjisToUtf8(row.Cell(c)));
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
  }

  void usageErrors_data() {
    QTest::addColumn<QStringList>("args");
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

  void acceptsLongestKeyword() {
    Folder f;
    Result r = Run({QStringLiteral("--data"), f.path(), QString(99, QLatin1Char('a'))});
    QCOMPARE(r.exit, 1);
    r = Run({QStringLiteral("--data"), f.path(), QStringLiteral("--"), QStringLiteral("-0001")});
    QCOMPARE(r.exit, 1);
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
    QCOMPARE(RunSearch(SearchQuery(params), folder.toStdString() + "/", hits, cancel, rows), SearchNotice::None);
    r = Run({QStringLiteral("--data"), folder, U("チヨダ")});
    QCOMPARE(r.out, rows.text);

    // A single letter finds no line by the second byte of a kana.
    r = Run({QStringLiteral("--data"), folder, QStringLiteral("A")});
    QVERIFY(r.out.count(QLatin1Char('\n')) < 1000);
  }
};

QTEST_APPLESS_MAIN(TestSearchCli)
#include "tst_search_cli.moc"
