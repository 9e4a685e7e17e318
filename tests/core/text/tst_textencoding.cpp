// Telling UTF-8, UTF-8 with its mark and CP932 apart, and where a text stops being either.
#include <QtTest>

#include <algorithm>
#include <string>

#include "core/text/TextEncoding.h"
#include "support/Table.h"

using namespace tanzel;

Q_DECLARE_METATYPE(std::string)

class TestTextEncoding : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void detect_data() {
    Columns<std::string, int, int>("bytes",
                                   "encoding",  // -1: refused
                                   "badLineAsCp932");
    auto row = [](const char* name, std::string bytes, int encoding, int badLine) {
      QTest::newRow(name) << bytes << encoding << badLine;
    };
    row("ascii", "abc,def\n", int(TextEncoding::Utf8), 0);
    row("empty", "", int(TextEncoding::Utf8), 0);
    row("utf-8 (also valid cp932)", "東京都\n", int(TextEncoding::Utf8), 0);
    row("utf-8 with mark", "\xEF\xBB\xBF東京都\n", int(TextEncoding::Utf8Bom), 0);
    row("cp932", "\x93\x8C\x8B\x9E\x93\x73\n", int(TextEncoding::Cp932), 0);
    row("cp932 half-width kana", "\xB1\xB2\n", int(TextEncoding::Cp932), 0);
    row("cp932 cut lead byte", "a\nb\n\x93", -1, 3);
    row("mark then cp932", "\xEF\xBB\xBF\x93\x8C", -1, 0);
    row("nul byte", std::string("ab\0cd", 5), -1, 1);
    row("binary", "\xFF\xFE\x00\x01", -1, 1);
  }
  void detect() {
    QFETCH(std::string, bytes);
    QFETCH(int, encoding);
    QFETCH(int, badLineAsCp932);
    const auto found = DetectTextEncoding(bytes);
    QCOMPARE(found ? int(*found) : -1, encoding);
    QCOMPARE(int(FirstInvalidLine(bytes, TextEncoding::Cp932)), badLineAsCp932);
  }
  void firstInvalidUtf8Line() {
    QCOMPARE(FirstInvalidLine("ok\n\xE6\x9D\xB1\nno \x93\x8C\n", TextEncoding::Utf8), std::size_t(3));
    QCOMPARE(FirstInvalidLine("\xEF\xBB\xBF"
                              "ok\n",
                              TextEncoding::Utf8Bom),
             std::size_t(0));
  }
  // CR, LF and CRLF each end one line, wherever lines are read.
  void lines_data() {
    Columns<std::string, std::string>("bytes", "lines");  // the lines, each followed by '/'
    auto row = [](const char* name, std::string bytes, std::string lines) { QTest::newRow(name) << bytes << lines; };
    row("LF", "a\nb\n", "a/b/");
    row("CRLF", "a\r\nb\r\n", "a/b/");
    row("CR alone", "a\rb\rc\r", "a/b/c/");
    row("mixed", "a\rb\r\nc\nd", "a/b/c/d/");
    row("CR then LF is one end, LF then CR two", "a\r\n\rb\n\r", "a//b//");
    row("empty lines", "\n\r\r\n", "///");
    row("no end", "abc", "abc/");
  }
  void lines() {
    QFETCH(std::string, bytes);
    QFETCH(std::string, lines);
    std::string read;
    for (std::string_view rest = bytes; !rest.empty();) read.append(TakeLine(rest)).push_back('/');
    QCOMPARE(read, lines);
    std::size_t count = static_cast<std::size_t>(std::count(lines.begin(), lines.end(), '/'));
    QCOMPARE(CountLineEnds(bytes), count - (bytes.back() == '\n' || bytes.back() == '\r' ? 0 : 1));
    // The line a bad byte stands on counts the same ends.
    QCOMPARE(FirstInvalidLine(bytes + "\xFF", TextEncoding::Utf8), CountLineEnds(bytes) + 1);
  }
};

QTEST_APPLESS_MAIN(TestTextEncoding)
#include "tst_textencoding.moc"
