// The result dialog: layout, painted boxes, focus and tab order, the copy buttons.
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFontInfo>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "core/browse/BrowseText.h"
#include "forms/main/ListBox.h"
#include "forms/main/TForm_Main.h"
#include "forms/nmb7/TForm_Nmb7.h"
#include "support/Browse.h"
#include "support/Sjis.h"
#include "support/Table.h"
#include "support/Windows.h"

using namespace tanzel;

namespace {
// Writes a result the way callers do.
void WriteResult(const char* code7, const QStringList& nameLines, const QString& codeText, const char* adrUtf8) {
  for (int i = 0; i < 7; ++i) Form_Nmb7->NmbLabel(i)->setText(QString(QLatin1Char(code7[i])));
  Form_Nmb7->Memo_Name->clear();
  for (const QString& line : nameLines) Form_Nmb7->Memo_Name->appendPlainText(line);
  Form_Nmb7->Memo_Code->setPlainText(codeText);
  Form_Nmb7->AdrText = S(adrUtf8);
}
}  // namespace

class TestNmb7 : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void initTestCase();
  void cleanupTestCase();
  void window();
  void geometry_data();
  void geometry();
  void initialTexts();
  void fonts();
  void paintedBoxes();
  void memosAreReadOnlyAndPlain();
  void buttons();
  void focusAndTabOrder();
  void enterCloses();
  void copyNumberReadsTheLabels();
  void copyAddressIsUnicode();
  void copyFormats();

 private:
  void ShowAndRun(std::function<void()> whileShown);
};

void TestNmb7::initTestCase() {
  CreateTestWindows();
  QVERIFY(Form_Nmb7);
}

void TestNmb7::cleanupTestCase() {
  DestroyTestWindows();
}

void TestNmb7::ShowAndRun(std::function<void()> whileShown) {
  bool ran = false;
  QPointer<QTimer> waiting = WhenShown(Form_Nmb7, [&] {
    whileShown();
    ran = true;
  });
  Form_Nmb7->exec();
  if (!ran) delete waiting;
  QVERIFY(ran);
}

void TestNmb7::window() {
  QCOMPARE(Form_Nmb7->windowTitle(), QStringLiteral(u"〒 郵便番号"));
  QCOMPARE(Form_Nmb7->size(), QSize(400, 527));
  QCOMPARE(Form_Nmb7->minimumSize(), Form_Nmb7->maximumSize());
  Qt::WindowFlags flags = Form_Nmb7->windowFlags();
  QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
  QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
  QVERIFY(!Form_Nmb7->isVisible());
  QVERIFY(Form_Nmb7->AdrText.empty());
}

void TestNmb7::geometry_data() {
  Columns<QString, QRect>("name", "rect");
  QTest::newRow("Shape10") << QStringLiteral("Shape10") << QRect(24, 24, 361, 449);
  QTest::newRow("Shape1") << QStringLiteral("Shape1") << QRect(16, 16, 353, 441);
  const int boxLefts[] = {112, 144, 176, 224, 256, 288, 320};
  const int digitLefts[] = {117, 149, 181, 229, 261, 293, 325};
  for (int i = 0; i < 7; ++i) {
    QString box = QStringLiteral("Shape%1").arg(i + 2);
    QTest::newRow(qPrintable(box)) << box << QRect(boxLefts[i], 40, 29, 37);
    QString digit = QStringLiteral("Label_Nmb%1").arg(i + 1);
    QTest::newRow(qPrintable(digit)) << digit << QRect(digitLefts[i], 44, 19, 30);
  }
  QTest::newRow("Shape9") << QStringLiteral("Shape9") << QRect(208, 58, 11, 2);
  QTest::newRow("Memo_Name") << QStringLiteral("Memo_Name") << QRect(48, 128, 305, 249);
  QTest::newRow("Memo_Code") << QStringLiteral("Memo_Code") << QRect(48, 392, 305, 33);
  QTest::newRow("Button_Ok") << QStringLiteral("Button_Ok") << QRect(64, 488, 89, 25);
  QTest::newRow("Button_CopyNmb") << QStringLiteral("Button_CopyNmb") << QRect(160, 488, 89, 25);
  QTest::newRow("Button_CopyAdr") << QStringLiteral("Button_CopyAdr") << QRect(256, 488, 89, 25);
}

void TestNmb7::geometry() {
  QFETCH(QString, name);
  QFETCH(QRect, rect);
  auto* w = Form_Nmb7->findChild<QWidget*>(name);
  QVERIFY2(w, qPrintable(name));
  QCOMPARE(w->parentWidget(), static_cast<QWidget*>(Form_Nmb7));
  QCOMPARE(w->geometry(), rect);
}

void TestNmb7::initialTexts() {
  // A fresh dialog, not the shared one, which other tests write into.
  TForm_Nmb7 fresh;
  for (int i = 0; i < 7; ++i) QCOMPARE(fresh.NmbLabel(i)->text(), QStringLiteral("0"));
  QCOMPARE(fresh.Memo_Name->toPlainText(), QStringLiteral("Memo_Name\n\n"));
  QCOMPARE(fresh.Memo_Name->document()->blockCount(), 3);
  QCOMPARE(fresh.Memo_Code->toPlainText(), QStringLiteral("Memo_Code"));
  QVERIFY(fresh.AdrText.empty());
  QCOMPARE(fresh.NmbLabel(-1), nullptr);
  QCOMPARE(fresh.NmbLabel(7), nullptr);
}

void TestNmb7::fonts() {
  QCOMPARE(Form_Nmb7->font().pixelSize(), 12);
  // The proportional face for the dialog, the fixed-pitch one for the memos: in the latter,
  // narrow and wide letters take the same width and a full-width character about two of them.
  QFontMetrics proportional(Form_Nmb7->font());
  QVERIFY(proportional.horizontalAdvance(QLatin1Char('i')) < proportional.horizontalAdvance(QLatin1Char('M')));
  for (int i = 0; i < 7; ++i) {
    QLabel* l = Form_Nmb7->NmbLabel(i);
    QCOMPARE(l->font().pixelSize(), 21);
    QCOMPARE(l->alignment(), Qt::AlignCenter);
    QCOMPARE(l->palette().color(QPalette::Window), QColor(Qt::white));
    QVERIFY(l->autoFillBackground());
  }
  QCOMPARE(Form_Nmb7->Memo_Name->font().pixelSize(), 19);
  QCOMPARE(Form_Nmb7->Memo_Code->font().pixelSize(), 15);
  for (QPlainTextEdit* memo : {Form_Nmb7->Memo_Name, Form_Nmb7->Memo_Code}) {
    QFontMetrics fixed(memo->font());
    QCOMPARE(fixed.horizontalAdvance(QLatin1Char('i')), fixed.horizontalAdvance(QLatin1Char('M')));
    QVERIFY(qAbs(fixed.horizontalAdvance(QStringLiteral(u"ア")) - 2 * fixed.horizontalAdvance(QLatin1Char('M'))) <= 1);
  }
  // Two lines fit the code memo.
  QFontMetrics fm(Form_Nmb7->Memo_Code->font());
  QVERIFY2(2 * fm.lineSpacing() <= 33, qPrintable(QString::number(fm.lineSpacing())));
}

void TestNmb7::paintedBoxes() {
  WriteResult("1000001", {}, QString(), "");
  Form_Nmb7->ensurePolished();
  QImage img = Form_Nmb7->grab().toImage();
  QCOMPARE(img.size(), QSize(400, 527));
  const QColor red(255, 128, 128);
  const QColor grey(128, 128, 128);
  auto at = [&img](int x, int y) { return QColor(img.pixel(x, y)); };
  // The card: a thin black outline around white, its shadow 8 pixels further down and right.
  QCOMPARE(at(16, 16), QColor(Qt::black));
  QCOMPARE(at(368, 456), QColor(Qt::black));
  QCOMPARE(at(17, 17), QColor(Qt::white));
  QCOMPARE(at(30, 300), QColor(Qt::white));
  QCOMPARE(at(370, 300), grey);
  QCOMPARE(at(384, 472), grey);
  QCOMPARE(at(200, 470), grey);
  QCOMPARE(at(385, 300), Form_Nmb7->palette().color(QPalette::Window));
  QCOMPARE(at(20, 460), Form_Nmb7->palette().color(QPalette::Window));
  // Each digit box: a 2-pixel outline in light red, white inside; the bar is solid red.
  for (int left : {112, 144, 176, 224, 256, 288, 320}) {
    QCOMPARE(at(left, 40), red);
    QCOMPARE(at(left + 1, 41), red);
    QCOMPARE(at(left + 2, 60), QColor(Qt::white));
    QCOMPARE(at(left + 28, 76), red);
    QCOMPARE(at(left + 27, 75), red);
    QCOMPARE(at(left + 26, 74), QColor(Qt::white));
    QCOMPARE(at(left + 30, 60), QColor(Qt::white));  // the card between the boxes
  }
  for (int x = 208; x < 219; ++x) {
    QCOMPARE(at(x, 58), red);
    QCOMPARE(at(x, 59), red);
  }
  QCOMPARE(at(213, 57), QColor(Qt::white));
  QCOMPARE(at(213, 60), QColor(Qt::white));
  // The digits are drawn inside their boxes: some dark pixel within each label.
  for (int i = 0; i < 7; ++i) {
    QRect r = Form_Nmb7->NmbLabel(i)->geometry();
    bool ink = false;
    for (int y = r.top(); y <= r.bottom() && !ink; ++y)
      for (int x = r.left(); x <= r.right() && !ink; ++x) ink = qGray(img.pixel(x, y)) < 100;
    QVERIFY2(ink, qPrintable(QString::number(i)));
  }
}

void TestNmb7::memosAreReadOnlyAndPlain() {
  for (QPlainTextEdit* memo : {Form_Nmb7->Memo_Name, Form_Nmb7->Memo_Code}) {
    QVERIFY(memo->isReadOnly());
    QCOMPARE(memo->frameShape(), QFrame::NoFrame);
    QCOMPARE(memo->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    QCOMPARE(memo->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    QCOMPARE(memo->palette().color(QPalette::Base), QApplication::palette().color(QPalette::Base));
    QVERIFY(memo->textInteractionFlags() & Qt::TextSelectableByMouse);
  }
}

void TestNmb7::buttons() {
  QCOMPARE(Form_Nmb7->Button_Ok->text(), QStringLiteral("OK"));
  QCOMPARE(Form_Nmb7->Button_CopyNmb->text(), QStringLiteral(u"番号をコピー"));
  QCOMPARE(Form_Nmb7->Button_CopyAdr->text(), QStringLiteral(u"住所をコピー"));
  QVERIFY(Form_Nmb7->Button_Ok->isDefault());
  QCOMPARE(Form_Nmb7->Button_CopyNmb->whatsThis(), QStringLiteral(u"郵便番号をクリップボードへコピーします"));
  QCOMPARE(Form_Nmb7->Button_CopyAdr->whatsThis(), QStringLiteral(u"住所をクリップボードへコピーします"));
  // Hints are stored, never shown as tooltips.
  QVERIFY(Form_Nmb7->Button_CopyNmb->toolTip().isEmpty());
  QVERIFY(Form_Nmb7->Button_CopyAdr->toolTip().isEmpty());
}

void TestNmb7::focusAndTabOrder() {
  QList<QWidget*> order;
  ShowAndRun([&] {
    // Focus somewhere else, so the next showing must put it back on OK.
    order.append(Form_Nmb7->focusWidget());
    for (int i = 0; i < 5; ++i) {
      QTest::keyClick(Form_Nmb7->focusWidget(), Qt::Key_Tab);
      order.append(Form_Nmb7->focusWidget());
    }
  });
  QCOMPARE(order, (QList<QWidget*>{Form_Nmb7->Button_Ok, Form_Nmb7->Memo_Code, Form_Nmb7->Button_CopyNmb,
                                   Form_Nmb7->Button_CopyAdr, Form_Nmb7->Memo_Name, Form_Nmb7->Button_Ok}));
  QWidget* focus = nullptr;
  ShowAndRun([&] {
    focus = Form_Nmb7->focusWidget();
    Form_Nmb7->Button_CopyAdr->setFocus();
  });
  QCOMPARE(focus, static_cast<QWidget*>(Form_Nmb7->Button_Ok));
  ShowAndRun([&] { focus = Form_Nmb7->focusWidget(); });
  QCOMPARE(focus, static_cast<QWidget*>(Form_Nmb7->Button_Ok));
}

void TestNmb7::enterCloses() {
  bool closedByEnter = false;
  ShowAndRun([&] {
    QTest::keyClick(Form_Nmb7->focusWidget(), Qt::Key_Return);
    closedByEnter = !Form_Nmb7->isVisible();
  });
  QVERIFY(closedByEnter);
  bool closedByOk = false;
  ShowAndRun([&] {
    QTest::mouseClick(Form_Nmb7->Button_Ok, Qt::LeftButton);
    closedByOk = !Form_Nmb7->isVisible();
  });
  QVERIFY(closedByOk);
}

void TestNmb7::copyNumberReadsTheLabels() {
  WriteResult("0608701", {QStringLiteral(u"〒060-8701")}, QString(), "x");
  QString copied;
  ShowAndRun([&] {
    // The labels are what counts, whatever else the dialog holds.
    Form_Nmb7->Label_Nmb7->setText(QStringLiteral("9"));
    QTest::mouseClick(Form_Nmb7->Button_CopyNmb, Qt::LeftButton);
    copied = QGuiApplication::clipboard()->text();
  });
  QCOMPARE(copied, QStringLiteral("060-8709"));
  QCOMPARE(copied.size(), 8);
}

void TestNmb7::copyAddressIsUnicode() {
  WriteResult("1000001", {}, QString(), "北海道札幌市中央区北一条西２丁目～");
  QString copied;
  ShowAndRun([&] {
    QTest::mouseClick(Form_Nmb7->Button_CopyAdr, Qt::LeftButton);
    copied = QGuiApplication::clipboard()->text();
  });
  QCOMPARE(copied, FromSjis(S("北海道札幌市中央区北一条西２丁目～")));
  QVERIFY(copied.startsWith(QStringLiteral(u"北海道札幌市中央区北一条西２丁目")));
  // Each copy replaces the previous clipboard contents.
  ShowAndRun([&] {
    QTest::mouseClick(Form_Nmb7->Button_CopyNmb, Qt::LeftButton);
    copied = QGuiApplication::clipboard()->text();
  });
  QCOMPARE(copied, QStringLiteral("100-0001"));
}

// The other formats, as a grid row of a town with Japan Post's note fills the dialog; the
// menu opens from the small button and from a right click on either copy button.
void TestNmb7::copyFormats() {
  std::string cells[5] = {S("100-0005"), S("東京都千代田区丸の内（次のビルを除く）"),
                          S("トウキョウトチヨダクマルノウチ（ツギノビルヲノゾク）"), S("13101"), std::string()};
  QStringList copied;
  bool menuOnRightClick = false;
  QTimer::singleShot(0, Form_Nmb7, [&] {
    for (const char* name : {"copyCodeDigits", "copyOneLine", "copyPlainAddress", "copyKana"}) {
      auto* action = Form_Nmb7->CopyMenu()->findChild<QAction*>(QLatin1String(name));
      QVERIFY2(action, name);
      action->trigger();
      copied << QGuiApplication::clipboard()->text();
    }
    QTest::mouseClick(Form_Nmb7->Button_CopyAdr, Qt::LeftButton);
    copied << QGuiApplication::clipboard()->text();
    QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, QPoint(5, 5),
                                Form_Nmb7->Button_CopyNmb->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(Form_Nmb7->Button_CopyNmb, &menuEvent);
    menuOnRightClick = Form_Nmb7->CopyMenu()->isVisible();
    Form_Nmb7->CopyMenu()->hide();
    Form_Nmb7->close();
  });
  Form_Nmb7->ShowResult(GridRowResult(cells));
  QCOMPARE(copied, (QStringList{u"1000005"_qs, u"〒100-0005 東京都千代田区丸の内"_qs, u"東京都千代田区丸の内"_qs,
                                u"トウキョウトチヨダクマルノウチ"_qs, u"東京都千代田区丸の内（次のビルを除く）"_qs}));
  QVERIFY(menuOnRightClick);
  auto* more = Form_Nmb7->findChild<QWidget*>(QStringLiteral("copyMenuButton"));
  QVERIFY(more);
  QVERIFY(Form_Nmb7->rect().contains(more->geometry()));
  QVERIFY(!more->geometry().intersects(Form_Nmb7->Button_CopyAdr->geometry()));
}

QTEST_MAIN(TestNmb7)
#include "tst_nmb7.moc"
