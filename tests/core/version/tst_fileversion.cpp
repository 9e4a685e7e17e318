// The version number of the version dialog: scanning the FileVersion text and the label.
#include <QTest>

#include <climits>

#include "core/version/FileVersion.h"
#include "support/Table.h"

using namespace tanzel;

class TestFileVersion : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void scan_data() {
    Columns<QByteArray, int, QList<int>>("text", "count",
                                         "numbers");  // after a scan into {7, 7, 7, 7}

    QTest::newRow("four") << QByteArray("24.5.0.113") << 4 << QList<int>{24, 5, 0, 113};
    QTest::newRow("leading zero") << QByteArray("24.05.0.113") << 4 << QList<int>{24, 5, 0, 113};
    QTest::newRow("five numbers") << QByteArray("1.2.3.4.5") << 4 << QList<int>{1, 2, 3, 4};
    QTest::newRow("three") << QByteArray("24.5.1") << 3 << QList<int>{24, 5, 1, 7};
    QTest::newRow("two") << QByteArray("24.5") << 2 << QList<int>{24, 5, 7, 7};
    QTest::newRow("one") << QByteArray("24") << 1 << QList<int>{24, 7, 7, 7};
    QTest::newRow("empty") << QByteArray("") << 0 << QList<int>{7, 7, 7, 7};
    QTest::newRow("not a number") << QByteArray("v24.5.0.113") << 0 << QList<int>{7, 7, 7, 7};
    QTest::newRow("stops at a letter") << QByteArray("24.5a.0.113") << 2 << QList<int>{24, 5, 7, 7};
    QTest::newRow("stops at a missing number") << QByteArray("24..0.113") << 1 << QList<int>{24, 7, 7, 7};
    QTest::newRow("comma is not a dot") << QByteArray("24,5,0,113") << 1 << QList<int>{24, 7, 7, 7};
    QTest::newRow("space before a number") << QByteArray(" 24. 5.0.113") << 4 << QList<int>{24, 5, 0, 113};
    QTest::newRow("space before a dot") << QByteArray("24 .5.0.113") << 1 << QList<int>{24, 7, 7, 7};
    QTest::newRow("signs") << QByteArray("-1.+2.3.4") << 4 << QList<int>{-1, 2, 3, 4};
    QTest::newRow("trailing text") << QByteArray("24.5.0.113 beta") << 4 << QList<int>{24, 5, 0, 113};
    QTest::newRow("too large") << QByteArray("99999999999.5.0.1") << 4 << QList<int>{INT_MAX, 5, 0, 1};
    QTest::newRow("too small") << QByteArray("-99999999999.5") << 2 << QList<int>{INT_MIN, 5, 7, 7};
  }
  void scan() {
    QFETCH(QByteArray, text);
    QFETCH(int, count);
    QFETCH(QList<int>, numbers);
    int got[4] = {7, 7, 7, 7};
    QCOMPARE(ScanFileVersion(text.constData(), got), count);
    QCOMPARE((QList<int>{got[0], got[1], got[2], got[3]}), numbers);
  }

  void label_data() {
    Columns<QByteArray, QString>("text", "label");
    // The dialog starts from zeros: numbers the text does not hold read 0.
    Row("build number not shown", QByteArray("24.5.0.113"), "version 24.5.0");
    Row("leading zero dropped", QByteArray("24.05.0.113"), "version 24.5.0");
    Row("two numbers", QByteArray("24.5"), "version 24.5.0");
    Row("one number", QByteArray("24"), "version 24.0.0");
    Row("no number", QByteArray(""), "version 0.0.0");
    Row("negative", QByteArray("-3.2.1.0"), "version -3.2.1");
  }
  void label() {
    QFETCH(QByteArray, text);
    QFETCH(QString, label);
    int numbers[4] = {0, 0, 0, 0};
    ScanFileVersion(text.constData(), numbers);
    QCOMPARE(QString::fromStdString(VersionLabelText(numbers)), label);
  }

  void nullText() {
    int numbers[4] = {1, 2, 3, 4};
    QCOMPARE(ScanFileVersion(nullptr, numbers), 0);
    QCOMPARE(numbers[0], 1);
  }
};

QTEST_APPLESS_MAIN(TestFileVersion)
#include "tst_fileversion.moc"
