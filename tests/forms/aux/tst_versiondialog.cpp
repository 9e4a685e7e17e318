// The version dialog: its layout, the texts worked out at creation, the link and the opener.
#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QUrl>

#include "forms/aux/TForm_Ver.h"
#include "forms/common/ProgramInfo.h"
#include "forms/main/TForm_Main.h"
#include "support/Modal.h"
#include "support/Table.h"
#include "support/Windows.h"

// Receives the URLs the desktop would open.
class UrlRecorder : public QObject {
  Q_OBJECT
 public:
  QList<QUrl> urls;
 public Q_SLOTS:
  void open(const QUrl& url) { urls.append(url); }
};

class TestVersionDialog : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void initTestCase();
  void cleanupTestCase();
  void window();
  void layout_data();
  void layout();
  void texts();
  void titleFollowsTheApplicationTitle();
  void pictures();
  void menuOpensAndOkCloses();
  void closeBoxCloses();
  void linkOpensHomePageAndStaysOpen();

 private:
  template <typename T>
  T* Child(const char* name) {
    return Form_Ver->findChild<T*>(QLatin1String(name));
  }
  UrlRecorder urls_;
};

void TestVersionDialog::initTestCase() {
  CreateTestWindows();
  QDesktopServices::setUrlHandler(QStringLiteral("https"), &urls_, "open");
  QDesktopServices::setUrlHandler(QStringLiteral("http"), &urls_, "open");
}

void TestVersionDialog::cleanupTestCase() {
  QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
  QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
  DestroyTestWindows();
}

void TestVersionDialog::window() {
  QCOMPARE(Form_Ver->windowTitle(), QStringLiteral(u"バージョン情報"));
  QCOMPARE(Form_Ver->size(), QSize(267, 287));
  QCOMPARE(Form_Ver->minimumSize(), Form_Ver->maximumSize());
  QVERIFY(!(Form_Ver->windowFlags() & Qt::WindowMaximizeButtonHint));
  QVERIFY(Form_Ver->isHidden());
  auto* panel = Child<QFrame>("Panel1");
  QVERIFY(panel);
  QCOMPARE(panel->frameShadow(), QFrame::Sunken);
  QCOMPARE(panel->palette().color(QPalette::Window), QColor(Qt::white));
}

void TestVersionDialog::layout_data() {
  Columns<QString, QString, QRect>("name", "parent", "geometry");
  QTest::newRow("Button_Ok") << QStringLiteral("Button_Ok") << QStringLiteral("Form_Ver") << QRect(96, 256, 75, 25);
  QTest::newRow("Panel1") << QStringLiteral("Panel1") << QStringLiteral("Form_Ver") << QRect(8, 8, 249, 241);
  QTest::newRow("Image1") << QStringLiteral("Image1") << QStringLiteral("Panel1") << QRect(40, 16, 166, 65);
  QTest::newRow("Image2") << QStringLiteral("Image2") << QStringLiteral("Panel1") << QRect(108, 112, 32, 32);
  QTest::newRow("Label_Title") << QStringLiteral("Label_Title") << QStringLiteral("Panel1") << QRect(9, 152, 232, 12);
  QTest::newRow("Label3") << QStringLiteral("Label3") << QStringLiteral("Panel1") << QRect(40, 192, 22, 12);
  QTest::newRow("Label2") << QStringLiteral("Label2") << QStringLiteral("Panel1") << QRect(24, 216, 195, 12);
}

void TestVersionDialog::layout() {
  QFETCH(QString, name);
  QFETCH(QString, parent);
  QFETCH(QRect, geometry);
  auto* w = Form_Ver->findChild<QWidget*>(name);
  QVERIFY(w);
  QCOMPARE(w->parentWidget()->objectName(), parent);
  QCOMPARE(w->geometry(), geometry);
}

void TestVersionDialog::texts() {
  auto* title = Child<QLabel>("Label_Title");
  auto* version = Child<QLabel>("Label_Ver");
  auto* url = Child<QLabel>("Label_Url");
  QVERIFY(title && version && url);
  QCOMPARE(title->text(), QString::fromUtf16(kApplicationTitle));
  QVERIFY(title->alignment() & Qt::AlignHCenter);
  // The executable carries 24.5.0.113; the build number is not shown.
  QCOMPARE(version->text(), QStringLiteral("version 24.5.0"));
  // The label sizes itself to its text from a fixed left edge.
  QCOMPARE(version->pos(), QPoint(93, 168));
  QVERIFY(version->width() >= version->sizeHint().width());
  QCOMPARE(Child<QLabel>("Label3")->text(), QStringLiteral("URL"));
  // The home-page address, shown whole inside the panel.
  const QUrl home(QString::fromUtf16(kHomePageUrl));
  QVERIFY(url->text().startsWith(home.host()));
  QVERIFY(QString::fromUtf16(kHomePageUrl).contains(url->text()));
  QCOMPARE(url->pos(), QPoint(72, 192));
  QVERIFY(url->width() >= url->sizeHint().width());
  QVERIFY(url->geometry().right() < Form_Ver->Panel1->width());
  auto* copyright = Child<QLabel>("Label2");
  QVERIFY(copyright->width() >= copyright->sizeHint().width());
  QVERIFY(url->font().underline());
  QCOMPARE(url->palette().color(QPalette::WindowText), QColor(Qt::blue));
  QCOMPARE(url->cursor().shape(), Qt::PointingHandCursor);
  QVERIFY(!copyright->text().isEmpty());
}

void TestVersionDialog::titleFollowsTheApplicationTitle() {
  const QString other = QStringLiteral(u"別の題名　Tanzel");
  SetApplicationTitle(other);
  TForm_Ver dialog;
  SetApplicationTitle(QString::fromUtf16(kApplicationTitle));
  QCOMPARE(dialog.Label_Title->text(), other);
  QCOMPARE(dialog.Label_Ver->text(), QStringLiteral("version 24.5.0"));
}

void TestVersionDialog::pictures() {
  auto* logo = Child<QLabel>("Image1");
  auto* icon = Child<QLabel>("Image2");
  QVERIFY(logo && icon);
  QCOMPARE(logo->pixmap().size(), QSize(166, 65));
  QCOMPARE(icon->pixmap().size(), QSize(32, 32));
}

void TestVersionDialog::menuOpensAndOkCloses() {
  bool ran = false;
  QWidget* focused = nullptr;
  WhileModal(
      Form_Ver,
      [&] {
        QTRY_VERIFY(Form_Ver->focusWidget() != nullptr);
        focused = Form_Ver->focusWidget();
        QTest::mouseClick(Form_Ver->Button_Ok, Qt::LeftButton);
        QVERIFY(!Form_Ver->isVisible());
      },
      &ran);
  Form_Main->Menu_Ver->trigger();
  QVERIFY(ran);
  QCOMPARE(focused, static_cast<QWidget*>(Form_Ver->Button_Ok));
  QVERIFY(!Form_Ver->isVisible());
  // The same instance opens again, with the same texts.
  WhileModal(
      Form_Ver, [] { QTest::mouseClick(Form_Ver->Button_Ok, Qt::LeftButton); }, &ran);
  Form_Main->Menu_Ver->trigger();
  QVERIFY(ran);
  QCOMPARE(Form_Ver->Label_Ver->text(), QStringLiteral("version 24.5.0"));
}

void TestVersionDialog::closeBoxCloses() {
  bool ran = false;
  WhileModal(
      Form_Ver, [] { Form_Ver->close(); }, &ran);
  Form_Main->Menu_Ver->trigger();
  QVERIFY(ran);
  QVERIFY(!Form_Ver->isVisible());
  // Esc closes it the same way.
  bool closedByEsc = false;
  WhileModal(
      Form_Ver,
      [&] {
        QTest::keyClick(Form_Ver->Button_Ok, Qt::Key_Escape);
        closedByEsc = !Form_Ver->isVisible();
      },
      &ran);
  Form_Main->Menu_Ver->trigger();
  QVERIFY(closedByEsc);
}

void TestVersionDialog::linkOpensHomePageAndStaysOpen() {
  urls_.urls.clear();
  bool ran = false;
  bool openAfterClick = false;
  WhileModal(
      Form_Ver,
      [&] {
        QTest::mouseClick(Form_Ver->Label_Url, Qt::LeftButton, {}, QPoint(5, 5));
        QApplication::processEvents();
        openAfterClick = Form_Ver->isVisible();
        QTest::mouseClick(Form_Ver->Button_Ok, Qt::LeftButton);
      },
      &ran);
  Form_Main->Menu_Ver->trigger();
  QVERIFY(ran);
  QVERIFY(openAfterClick);
  QCOMPARE(urls_.urls, QList<QUrl>{QUrl(QString::fromUtf16(kHomePageUrl))});
}

QTEST_MAIN(TestVersionDialog)
#include "tst_versiondialog.moc"
