// The kana-row heading rule shared by the city and town lists.
#include <QStringList>
#include <QTest>

#include <cstring>
#include <string>

#include "core/browse/KanaRow.h"
#include "support/Sjis.h"
#include "support/Table.h"

using namespace tanzel;

namespace {
// The headings one fill gives for the names, in order; headings shown in UTF-8, the
// blank heading as "_" so a failure reads clearly.
QStringList Headings(const QStringList& names) {
  QStringList out;
  int row = 0;
  for (const QString& name : names) {
    // "\\x.." names stand for raw bytes that have no Unicode spelling of their own.
    std::string bytes =
        name.startsWith(QLatin1String("\\x"))
            ? std::string(1, static_cast<char>(name.mid(2, 2).toInt(nullptr, 16))) + name.mid(4).toStdString()
            : S(name.toStdString().c_str());
    const char* heading = KanaRowHeading(bytes.c_str(), row);
    out.append(std::strcmp(heading, kBlankHeading) == 0 ? QStringLiteral("_") : FromSjis(heading));
  }
  return out;
}
QStringList L(const char16_t* spaced) {
  return QString::fromUtf16(spaced).split(QLatin1Char(' '));
}
}  // namespace

class TestKanaRow : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void headings_data() {
    Columns<QStringList, QStringList>("names", "expected");
    // Names are written space-separated; an empty entry is an empty name.
    QTest::newRow("kana order") << L(u"アキシマシ アダチク カツシカク キヨセシ サ タ チ ナ ハ マ ヤ ラ ワ")
                                << L(u"ア _ カ _ サ タ _ ナ ハ マ ヤ ラ ワ");
    QTest::newRow("rows without names are skipped") << L(u"アイ ハチ ワ") << L(u"ア ハ ワ");
    QTest::newRow("voiced and small forms by byte order") << L(u"ガ カ ザ ヂ ッ ヮ") << L(u"カ _ サ タ _ ラ");
    QTest::newRow("ヲ closes the ワ row") << L(u"ワ ヲ") << L(u"ワ _");
    QTest::newRow("hiragana first: row 0, no heading") << L(u"あいち アイチ") << L(u"_ ア");
    QTest::newRow("small ァ sorts before ア") << L(u"ァ ア") << L(u"_ ア");
    QTest::newRow("digits and an empty name: row 0")
        << QStringList{QStringLiteral("1"), QString(), QStringLiteral("A")} << L(u"_ _ _");
    QTest::newRow("ン heads once, then blanks") << L(u"ア ン ア カ ン") << L(u"ア ン _ _ _");
    QTest::newRow("ヴ is past ン") << L(u"ヴ カ") << L(u"ン _");
    QTest::newRow("ヵ and ヶ are past ン") << L(u"ヵ") << L(u"ン");
    QTest::newRow("half-width katakana is past ン") << L(u"ｱｷｼﾏ ア") << L(u"ン _");
    QTest::newRow("kanji is past ン") << L(u"東京 ア") << L(u"ン _");
    QTest::newRow("back to an earlier row") << L(u"カ サ ア タ") << L(u"カ サ ン _");
    QTest::newRow("row 0 after row 1 gives ン") << L(u"ア あ") << L(u"ア ン");
    QTest::newRow("empty name after row 1 gives ン") << QStringList{QStringLiteral(u"ア"), QString()} << L(u"ア ン");
    QTest::newRow("lone lead byte: a prefix sorts first") << QStringList{QStringLiteral("\\x83")} << L(u"_");
    QTest::newRow("lone lead byte after ア")
        << QStringList{QStringLiteral(u"ア"), QStringLiteral("\\x83")} << L(u"ア ン");
  }
  void headings() {
    QFETCH(QStringList, names);
    QFETCH(QStringList, expected);
    QCOMPARE(Headings(names), expected);
  }

  void indexStopsAtEleven() {
    int row = 0;
    std::string n = S("ン");
    QCOMPARE(std::string(KanaRowHeading(n.c_str(), row)), S("ン"));
    QCOMPARE(row, 11);
    QCOMPARE(std::string(KanaRowHeading(n.c_str(), row)), std::string(kBlankHeading));
    QCOMPARE(row, 11);
    std::string a = S("ア");
    QCOMPARE(std::string(KanaRowHeading(a.c_str(), row)), std::string(kBlankHeading));
    QCOMPARE(row, 11);
  }

  void firstCharacterOnly() {
    // Only the first two bytes count: ワン lies in the ワ row although ン follows.
    int row = 0;
    std::string name = S("ワンダー");
    QCOMPARE(std::string(KanaRowHeading(name.c_str(), row)), S("ワ"));
    QCOMPARE(row, 10);
  }
};

QTEST_APPLESS_MAIN(TestKanaRow)
#include "tst_kanarow.moc"
