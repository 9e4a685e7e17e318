// Telling UTF-8, UTF-8 with its mark and CP932 apart, and where a text stops being either.
#include <QtTest>

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
};

QTEST_APPLESS_MAIN(TestTextEncoding)
#include "tst_textencoding.moc"
