// The keyword rules of the tolerant pass and the folding on both sides of its match.
#include <QtTest>

#include <utf8proc.h>

#include <cstdlib>
#include <string>

#include "core/text/NameVariants.h"
#include "core/text/Normalize.h"
#include "core/text/SjisText.h"
#include "support/Sjis.h"
#include "support/Table.h"

using namespace tanzel;

class TestNormalize : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void dataForm_data() {
    Columns<QString, QString>("typed", "searched");
    Row("full-width code", "１００－０００１", "100-0001");
    Row("postal mark", "〒100-0001", "100-0001");
    Row("postal mark only at the start", "丸〒", "丸〒");
    Row("space in a code", "100 0001", "1000001");
    Row("hyphen U+2010", "100‐0001", "100-0001");
    Row("long vowel as hyphen", "100ー0001", "100-0001");
    Row("hiragana reading", "ちよだく", "チヨダク");
    Row("half-width reading", "ﾁﾖﾀﾞｸ", "チヨダク");
    Row("half-width semi-voiced", "ﾊﾟﾝ", "パン");
    Row("mixed kana", "しぶやク", "シブヤク");
    Row("kana with long vowel", "せんたー", "センター");
    Row("hiragana kept beside kanji", "丸の内2丁目", "丸の内２丁目");
    Row("city with hiragana", "さいたま市", "さいたま市");
    Row("spaces dropped", "東京都　千代田区 丸の内", "東京都千代田区丸の内");
    Row("letters widened", "JAビル", "ＪＡビル");
    Row("lower-case widened", "nhk", "ｎｈｋ");
    Row("hyphen widened beside text", "1-2A", "１－２Ａ");
    Row("hyphen U+2010 widened", "A‐B", "Ａ－Ｂ");
    Row("small kana stay small", "トウキョウ", "トウキョウ");
    Row("hyphens without a digit", "--", "－－");
    Row("nothing but spaces", "  　", "");
  }
  void dataForm() {
    QFETCH(QString, typed);
    QFETCH(QString, searched);
    QCOMPARE(FromSjis(DataFormOfKeyword(S(typed.toStdString()))), searched);
  }

  void wholePostalCode_data() {
    Columns<QByteArray, bool>("text", "code");
    QTest::newRow("seven digits") << QByteArray("1000000") << true;
    QTest::newRow("with hyphen") << QByteArray("100-0000") << true;
    QTest::newRow("six digits") << QByteArray("100000") << false;
    QTest::newRow("hyphen misplaced") << QByteArray("1000-000") << false;
    QTest::newRow("eight digits") << QByteArray("10000000") << false;
    QTest::newRow("letter") << QByteArray("100000A") << false;
  }
  void wholePostalCode() {
    QFETCH(QByteArray, text);
    QFETCH(bool, code);
    QCOMPARE(IsWholePostalCode(text.toStdString()), code);
  }

  void fold_data() {
    Columns<QString, QString>("text", "folded");
    QTest::newRow("small katakana") << u"トウキョウ"_qs << u"トウキヨウ"_qs;
    QTest::newRow("every small katakana") << u"ァィゥェォッャュョヮヵヶ"_qs << u"アイウエオツヤユヨワカケ"_qs;
    QTest::newRow("hiragana kept") << u"きょうっ"_qs << u"きょうっ"_qs;
    QTest::newRow("letters") << u"ｎｈｋＮ"_qs << u"ＮＨＫＮ"_qs;
    QTest::newRow("ASCII kept") << u"aA1"_qs << u"aA1"_qs;
    QTest::newRow("kanji kept") << u"霞ヶ関"_qs << u"霞ケ関"_qs;
  }
  void fold() {
    QFETCH(QString, text);
    QFETCH(QString, folded);
    std::string sjis = S(text.toStdString());
    FoldKana(sjis.data(), sjis.size());
    QCOMPARE(FromSjis(sjis), folded);
  }

  // The fold walks by characters: a trail byte 0x83 (of 堰, 0x88 0x83) is no kana lead.
  void foldWalksByCharacters() {
    std::string text = "\x88\x83\x83\x40\x83";  // 堰, ァ, a lone lead byte
    FoldKana(text.data(), text.size());
    QCOMPARE(text, std::string("\x88\x83\x83\x41\x83"));
    QCOMPARE(UnfoldedTrail(0x83, 0x41), 0x40);  // ア stands for ァ too
    QCOMPARE(UnfoldedTrail(0x83, 0x63), 0x62);  // ツ for ッ
    QCOMPARE(UnfoldedTrail(0x83, 0x67), 0);     // ト has no other form
  }

  // One name in the spellings of people and of the data: the fold, and the stretch that
  // every spelling holds as it is (the prefilter's).
  void nameVariants_data() {
    Columns<QString, QString, QString>("text", "folded", "stretch");
    RowOf("霞ヶ関", "霞関", "霞");
    RowOf("霞が関ビル", "霞関ビル", "関ビル");
    RowOf("阿佐ヶ谷", "阿佐谷", "阿");
    RowOf("丸ノ内・丸之内・丸の内", "丸の内・丸の内・丸の内", "内・丸");
    RowOf("髙田馬場", "高田馬場", "田");
    RowOf("三ノ丸・5之上", "三の丸・5の上", "丸・5");  // after a number too
    RowOf("ケ岳・つつじが丘", "ケ岳・つつじケ丘", "岳・つつじ");
    RowOf("ノ木・之", "ノ木・之", "ノ木・之");
    RowOf("霞ヵ関", "霞関", "霞");                    // small ka as small ke
    RowOf("三ヶ日・十ヶ所", "三日・十所", "日・十");  // after a kanji numeral
    RowOf("５ノ木", "５の木", "５");                  // after a full-width digit
    RowOf("木ノき", "木ノき", "木ノき");              // before no kanji: no joining
    RowOf("霞ヶ", "霞ケ", "霞");                      // at the end: written ケ
    RowOf("宮﨑・宮崎", "宮崎・宮崎", "・宮");        // the variant as the data's kanji
    RowOf("佐々ヶ谷", "佐々谷", "佐");                // after 々
  }
  void nameVariants() {
    QFETCH(QString, text);
    QFETCH(QString, folded);
    QFETCH(QString, stretch);
    std::string sjis = S(text.toStdString());
    QCOMPARE(FromSjis(FoldNameVariants(sjis)), folded);
    QCOMPARE(FromSjis(StableStretch(sjis)), stretch);
    QCOMPARE(HasVariantPlace(sjis), folded != text || stretch != text);
  }

  void stretchOfCutKeyword() {
    // A keyword cut inside its last character: what holds still ends before it.
    QCOMPARE(FromSjis(StableStretch(S("霞ノ木") + "\x83")), QStringLiteral(u"霞"));
  }

  void composesDecomposedKana() {
    QCOMPARE(ComposeNfc("\xE3\x82\xB7\xE3\x82\x99"), std::string("\xE3\x82\xB8"));  // シ + ゛ = ジ
    QVERIFY(Utf8ToSjis("\xE3\x82\xB7\xE3\x82\x99\xE3\x83\x96\xE3\x83\xA4").has_value());
    QCOMPARE(ComposeNfc("\xFF\xFE"), std::string("\xFF\xFE"));  // not UTF-8: left alone
    QVERIFY(!IsValidUtf8("\xC3\x28"));
    QVERIFY(IsValidUtf8("\xE6\x9D\xB1"));
  }
  // Every text of one and two bytes, and those of three and four with the later bytes at the
  // edges of their ranges: judged as the library judges them.
  void validUtf8AsTheLibrary() {
    auto library = [](std::string_view text) {
      const auto* p = reinterpret_cast<const utf8proc_uint8_t*>(text.data());
      auto left = static_cast<utf8proc_ssize_t>(text.size());
      for (utf8proc_ssize_t n; left > 0; p += n, left -= n) {
        utf8proc_int32_t c;
        if ((n = utf8proc_iterate(p, left, &c)) <= 0) return false;
      }
      return true;
    };
    const unsigned char tails[] = {0x00, 0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF, 0xC0, 0xFF};
    std::string text;
    auto same = [&] { return IsValidUtf8(text) == library(text); };
    for (unsigned a = 0; a < 256; ++a) {
      text.assign(1, static_cast<char>(a));
      QVERIFY(same());
      for (unsigned b = 0; b < 256; ++b) {
        text.assign({static_cast<char>(a), static_cast<char>(b)});
        QVERIFY2(same(), qPrintable(QString::number(a * 256 + b, 16)));
        if (a < 0xC0) continue;
        for (unsigned char c : tails) {
          text.assign({static_cast<char>(a), static_cast<char>(b), static_cast<char>(c)});
          QVERIFY2(same(), qPrintable(QString::fromLatin1(QByteArray(text.data(), 3).toHex())));
          if (a < 0xF0) continue;
          for (unsigned char d : tails) {
            text.assign({static_cast<char>(a), static_cast<char>(b), static_cast<char>(c), static_cast<char>(d)});
            QVERIFY2(same(), qPrintable(QString::fromLatin1(QByteArray(text.data(), 4).toHex())));
          }
        }
      }
    }
  }
  // Every character of the Basic Multilingual Plane between letters or kana that a combining
  // mark would join: composed as the library composes it.
  void composesAsTheLibrary() {
    auto encode = [](char32_t c) { return QString::fromUcs4(&c, 1).toStdString(); };
    for (char32_t c = 1; c < 0x10000; ++c) {
      if (c >= 0xD800 && c <= 0xDFFF) continue;
      for (const char* beside : {"e", "\xE3\x81\x8B", "\xE3\x82\xAB"}) {  // e, か, カ
        std::string text = beside + encode(c) + beside;
        utf8proc_uint8_t* nfc = utf8proc_NFC(reinterpret_cast<const utf8proc_uint8_t*>(text.c_str()));
        QVERIFY(nfc != nullptr);
        std::string expected(reinterpret_cast<const char*>(nfc));
        std::free(nfc);
        if (ComposeNfc(text) != expected)
          QFAIL(qPrintable(QStringLiteral("U+%1").arg(static_cast<uint>(c), 4, 16, QLatin1Char('0'))));
      }
    }
  }
};

QTEST_APPLESS_MAIN(TestNormalize)
#include "tst_normalize.moc"
