// Browsing the real imported data: 東京都 → 千代田区 → 千代田.
#include <QApplication>
#include <QClipboard>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "forms/main/ListBox.h"
#include "forms/main/TForm_Main.h"
#include "forms/nmb7/TForm_Nmb7.h"
#include "support/Browse.h"
#include "support/Windows.h"

namespace {
int Find(const QListWidget* list, const QString& text) {
  for (int i = 0; i < list->count(); ++i)
    if (list->item(i)->text() == text) return i;
  return -1;
}
}  // namespace

class TestBrowseRealData : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void initTestCase();
  void cleanupTestCase();
  void tokyoChiyodaChiyoda();
  void everyPrefectureListsWithPartners();

 private:
  std::vector<ShownMessage> shown_;
};

void TestBrowseRealData::initTestCase() {
  QByteArray dir = qgetenv("TANZEL_TEST_DATA");
  if (dir.isEmpty() || !QFileInfo::exists(QString::fromLocal8Bit(dir) + QStringLiteral("/KEN13.CSV")))
    QSKIP("no imported data files in TANZEL_TEST_DATA");
  CreateTestWindows(&shown_);
  Form_Main->DataFolder = dir.toStdString() + "/";
  QVERIFY(ShowMainWindow());
}

void TestBrowseRealData::cleanupTestCase() {
  if (!Form_Main) return;
  DestroyTestWindows();
}

void TestBrowseRealData::tokyoChiyodaChiyoda() {
  ClickLine(Form_Main->ListBox_Ken, 12);
  QVERIFY2(shown_.empty(), qPrintable(MessageTexts(shown_)));
  QVERIFY(Form_Main->KenCount > 3000);
  QVERIFY(Form_Main->JigCount > 1000);

  // The city's line carries its code in the hidden partner list.
  int city = Find(Form_Main->ListBox_Code, QStringLiteral("13101"));
  QVERIFY(city > 0);
  QCOMPARE(Form_Main->ListBox_Shi->item(city)->text().mid(1), QStringLiteral(u"　千代田区　(チヨダク)"));
  ClickLine(Form_Main->ListBox_Shi, city);
  QVERIFY(Form_Main->ListBox_Cho->count() > 10);
  QCOMPARE(Form_Main->ListBox_Nmb->count(), Form_Main->ListBox_Cho->count());

  int town = -1;
  for (int i = 0; i < Form_Main->ListBox_Cho->count() && town < 0; ++i)
    if (Form_Main->ListBox_Cho->item(i)->text().mid(1) == QStringLiteral(u"　千代田　(チヨダ)")) town = i;
  QVERIFY(town >= 0);

  ShownResult r;
  QString number;
  QString address;
  QPointer<QTimer> waiting = WhenShown(Form_Nmb7, [&] {
    r = Read(Form_Nmb7);
    QTest::mouseClick(Form_Nmb7->Button_CopyNmb, Qt::LeftButton);
    number = QGuiApplication::clipboard()->text();
    QTest::mouseClick(Form_Nmb7->Button_CopyAdr, Qt::LeftButton);
    address = QGuiApplication::clipboard()->text();
  });
  ClickLine(Form_Main->ListBox_Cho, town);
  if (!r.shown) delete waiting;
  QVERIFY(r.shown);
  QCOMPARE(r.digits, QStringLiteral("1000001"));
  QCOMPARE(r.name, QStringLiteral(u"〒100-0001\n東京都 千代田区 千代田\nトウキョウト チヨダク チヨダ"));
  QCOMPARE(r.code, QStringLiteral(u"地方公共団体コード：13101\nディジットコード付：131016"));
  QCOMPARE(number, QStringLiteral("100-0001"));
  QCOMPARE(address, QStringLiteral(u"東京都 千代田区 千代田"));
}

void TestBrowseRealData::everyPrefectureListsWithPartners() {
  for (int row = 0; row < Form_Main->ListBox_Ken->count(); ++row) {
    Form_Main->ListBox_Ken->ClickRow(row);
    QVERIFY2(shown_.empty(), qPrintable(MessageTexts(shown_)));
    QVERIFY(Form_Main->ListBox_Shi->count() > 10);
    QCOMPARE(Form_Main->ListBox_Code->count(), Form_Main->ListBox_Shi->count());
    // Every city line starts with a heading or the blank, then a full-width space.
    for (int i = 1; i < Form_Main->ListBox_Shi->count(); ++i)
      QCOMPARE(Form_Main->ListBox_Shi->item(i)->text().at(1), QChar(0x3000));
    Form_Main->ListBox_Shi->ClickRow(0);
    QCOMPARE(Form_Main->ListBox_Cho->count(), Form_Main->JigCount);
    QCOMPARE(Form_Main->ListBox_Nmb->count(), Form_Main->ListBox_Cho->count());
    Form_Main->ListBox_Shi->ClickRow(1);
    QVERIFY(Form_Main->ListBox_Cho->count() > 0);
    QCOMPARE(Form_Main->ListBox_Nmb->count(), Form_Main->ListBox_Cho->count());
  }
}

QTEST_MAIN(TestBrowseRealData)
#include "tst_browse_realdata.moc"
