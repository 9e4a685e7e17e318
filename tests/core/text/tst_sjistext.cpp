// The Shift-JIS text module: boundaries, cutting and the two conversions.
#include <QTest>

#include <string>

#include "core/text/SjisText.h"
#include "support/Table.h"

using namespace tanzel;

Q_DECLARE_METATYPE(std::string)

class TestSjisText : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void toSjis_data() {
    Columns<QString, QByteArray>("utf8", "sjis");
    Row("ascii", "100-0001", QByteArray("100-0001"));
    Row("katakana a", "ア", QByteArray("\x83\x41"));
    Row("katakana n", "ン", QByteArray("\x83\x93"));
    Row("ideographic space", "　", QByteArray("\x81\x40"));
    Row("wave dash U+301C", "\xE3\x80\x9C", QByteArray("\x81\x60"));
    Row("fullwidth tilde U+FF5E", "\xEF\xBD\x9E", QByteArray("\x81\x60"));
    Row("minus sign U+2212", "\xE2\x88\x92", QByteArray("\x81\x7C"));
    Row("fullwidth hyphen-minus U+FF0D", "\xEF\xBC\x8D", QByteArray("\x81\x7C"));
    Row("half-width katakana", "ｱ", QByteArray("\xB1"));
    // Dashes Shift-JIS has no code for, between block numbers: '-'.
    Row("en dash U+2013", "1–2", QByteArray("1-2"));
    Row("kanji", "東京都", QByteArray("\x93\x8C\x8B\x9E\x93\x73"));
  }
  void toSjis() {
    QFETCH(QString, utf8);
    QFETCH(QByteArray, sjis);
    auto out = Utf8ToSjis(utf8.toStdString());
    QVERIFY(out.has_value());
    QCOMPARE(QByteArray::fromStdString(*out), sjis);
  }

  void unrepresentable() {
    QVERIFY(!Utf8ToSjis("\xF0\x9F\x98\x80").has_value());  // an emoji
    QVERIFY(!Utf8ToSjis("\xC3\x28").has_value());          // not UTF-8
  }

  void roundTrip() {
    const std::string text = "〒100-0001 東京都 千代田区 千代田 トウキョウト";
    auto sjis = Utf8ToSjis(text);
    QVERIFY(sjis.has_value());
    QCOMPARE(SjisToUtf8(*sjis), text);
  }

  void invalidBytesNeverFail() {
    QCOMPARE(SjisToUtf8(std::string("A\x81", 2)), std::string("A\xEF\xBF\xBD"));  // lead byte at the end
    QCOMPARE(SjisToUtf8(std::string("\xA0Z", 2)), std::string("\xEF\xBF\xBDZ"));
    std::string all;
    for (int i = 0; i < 256; ++i) all += static_cast<char>(i);
    QVERIFY(!SjisToUtf8(all).empty());
  }

  void fitLength_data() {
    Columns<std::string, int, int>("text", "max", "fit");
    const std::string a2 = "\x83\x41\x83\x41";  // アア
    QTest::newRow("fits whole") << a2 << 4 << 4;
    QTest::newRow("cut between characters") << a2 << 2 << 2;
    QTest::newRow("never half a character") << a2 << 3 << 2;
    QTest::newRow("single bytes") << std::string("abcdef") << 3 << 3;
    QTest::newRow("mixed") << std::string("a\x83\x41") << 2 << 1;
    QTest::newRow("zero") << a2 << 0 << 0;
  }
  void fitLength() {
    QFETCH(std::string, text);
    QFETCH(int, max);
    QFETCH(int, fit);
    QCOMPARE(int(SjisFitLength(text.data(), text.size(), std::size_t(max))), fit);
  }

  void boundary() {
    const char* text =
        "A\x83\x41"
        "B";  // A ア B
    QVERIFY(SjisIsBoundary(text, 0));
    QVERIFY(SjisIsBoundary(text, 1));
    QVERIFY(!SjisIsBoundary(text, 2));  // the trail byte 0x41 of ア is not an "A"
    QVERIFY(SjisIsBoundary(text, 3));
    QVERIFY(SjisIsBoundary(text, 4));
  }

  void cutToKeywordCapacity() {
    std::string hundred(50, 'x');
    for (int i = 0; i < 25; ++i) hundred += "ア";  // 50 + 50 bytes in Shift-JIS
    auto cut = Utf8ToSjis(hundred + "ア", 99);
    QVERIFY(cut.has_value());
    QCOMPARE(cut->size(), std::size_t(98));  // the character that would straddle byte 99 is dropped
  }
};

QTEST_APPLESS_MAIN(TestSjisText)
#include "tst_sjistext.moc"
