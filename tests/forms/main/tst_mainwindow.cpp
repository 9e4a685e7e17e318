// The main window at start-up, the relay of the worker's notices, and the loaders' boxes.
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include <vector>

#include "app/AppMessageHook.h"
#include "forms/common/MessageBox.h"
#include "forms/common/ProgramInfo.h"
#include "forms/main/ListBox.h"
#include "forms/main/TForm_Main.h"
#include "support/DataLines.h"
#include "support/Process.h"
#include "support/Sjis.h"
#include "support/Table.h"
#include "support/TempData.h"
#include "support/Windows.h"

using namespace tanzel;

namespace {

// Counts relay events that get past the hook: installed before the hook, so it runs after it.
class RelayCounter : public QObject {
 public:
  int seen = 0;
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == static_cast<QEvent::Type>(RelayMessageType)) ++seen;
    return false;
  }
};

std::string KenLine(int code) {
  return KenCsv(code, "1000001", "チヨダク", "チヨダ", "千代田区", "千代田");
}

}  // namespace

class TestMainWindow : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void initTestCase();
  void cleanupTestCase();
  void init();
  void initialState();
  void geometry_data();
  void geometry();
  void menu();
  void relay_data();
  void relay();
  void relayIsAlwaysConsumed();
  void loaderBoxes_data();
  void loaderBoxes();
  void smallPrefectureAfterLargeOne();
  void keyboardSelectionLoads();
  void startWithoutData();
  void newEditionInUse();
  void helpNeedsNoWindow();
  void guideIsFoundAboveTheProgram();
  void doubleClickMovesFocus();
  void resizeSnapsBack();

 private:
  std::vector<ShownMessage> shown_;
  RelayCounter counter_;
  TempData data_;
};

void TestMainWindow::initTestCase() {
  qApp->installEventFilter(&counter_);
  CreateTestWindows(&shown_);
  Form_Main->DataFolder = data_.folder();
  QVERIFY(ShowMainWindow());
}

void TestMainWindow::cleanupTestCase() {
  DestroyTestWindows();
  qApp->removeEventFilter(&counter_);
}

void TestMainWindow::init() {
  shown_.clear();
}

void TestMainWindow::initialState() {
  QCOMPARE(Form_Main->windowTitle(), QStringLiteral(u"最新！郵便番号検索  - Tanzel2024 -"));
  QCOMPARE(Form_Main->centralWidget()->size(), QSize(792, 554));
  QVERIFY(!(Form_Main->windowFlags() & Qt::WindowMaximizeButtonHint));
  QCOMPARE(Form_Main->minimumSize(), Form_Main->maximumSize());  // not resizable

  auto* ken = Form_Main->findChild<TListBox*>(QStringLiteral("ListBox_Ken"));
  QVERIFY(ken);
  QCOMPARE(ken->count(), 47);
  QCOMPARE(ken->item(0)->text(), QStringLiteral(u"北海道"));
  QCOMPARE(ken->item(12)->text(), QStringLiteral(u"東京都"));
  QCOMPARE(ken->item(46)->text(), QStringLiteral(u"沖縄県"));
  QCOMPARE(ken->currentRow(), -1);

  for (const char* name : {"ListBox_Shi", "ListBox_Cho"}) {
    auto* list = Form_Main->findChild<TListBox*>(QLatin1String(name));
    QVERIFY(list);
    QVERIFY(!list->isEnabled());
    QCOMPARE(list->count(), 1);
    QCOMPARE(list->item(0)->text(), QStringLiteral(u"都道府県を指定してください。"));
  }
  for (const char* name : {"ListBox_Code", "ListBox_Nmb"}) {
    auto* list = Form_Main->findChild<TListBox*>(QLatin1String(name));
    QVERIFY(list);
    QVERIFY(!list->isVisible());
  }
  QCOMPARE(Form_Main->KenCount, 0);
  QCOMPARE(Form_Main->JigCount, 0);
  QVERIFY(Form_Main->DataFolder.back() == '/');
  QCOMPARE(Form_Main->findChild<QPushButton*>(QStringLiteral("Button_Search"))->text(), QStringLiteral(u"検索"));
  QCOMPARE(Form_Main->findChild<QPushButton*>(QStringLiteral("Button_Cho"))->text(), QStringLiteral(u"検索"));
  QCOMPARE(Form_Main->findChild<QLabel*>(QStringLiteral("Label1"))->text(), QStringLiteral(u"市区町村名"));
  QCOMPARE(Form_Main->findChild<QLabel*>(QStringLiteral("Label2"))->text(), QStringLiteral(u"町域名"));
  QCOMPARE(Form_Main->findChild<QLabel*>(QStringLiteral("Label3"))->text(), QStringLiteral(u"都道府県"));
  // The test's own folder holds no data.
  QCOMPARE(Form_Main->findChild<QLabel*>(QStringLiteral("Label4"))->text(), QStringLiteral(u"データがありません"));
  QCOMPARE(Form_Main->findChild<QLabel*>(QStringLiteral("Label3"))->palette().color(QPalette::WindowText),
           QColor(0, 0, 128));
  QCOMPARE(Form_Main->findChild<QToolButton*>(QStringLiteral("SpeedButton_Map"))->focusPolicy(), Qt::NoFocus);
}

void TestMainWindow::geometry_data() {
  Columns<QString, QRect>("name", "rect");
  struct Row {
    const char* name;
    int l, t, w, h;
  };
  const Row rows[] = {
      {"Image_Search", 16, 9, 32, 32},    {"Edit_Keyword", 48, 8, 177, 20},   {"Button_Search", 228, 8, 73, 20},
      {"Label4", 616, 16, 162, 12},       {"Panel1", 0, 33, 792, 521},        {"Panel2", 0, 0, 97, 521},
      {"SpeedButton_Map", 64, 8, 23, 22}, {"ListBox_Ken", 8, 32, 81, 481},    {"Panel3", 97, 0, 239, 521},
      {"ListBox_Shi", 8, 32, 224, 481},   {"ListBox_Code", 24, 32, 200, 481}, {"Panel4", 336, 0, 456, 521},
      {"Edit_KeyCho", 6, 32, 363, 20},    {"Button_Cho", 376, 32, 67, 20},    {"ListBox_Cho", 6, 56, 443, 457},
      {"ListBox_Nmb", 24, 64, 426, 449},
  };
  for (const Row& r : rows) QTest::newRow(r.name) << QString::fromLatin1(r.name) << QRect(r.l, r.t, r.w, r.h);
}

void TestMainWindow::geometry() {
  QFETCH(QString, name);
  QFETCH(QRect, rect);
  auto* w = Form_Main->findChild<QWidget*>(name);
  QVERIFY(w);
  QCOMPARE(w->geometry(), rect);
}

void TestMainWindow::menu() {
  QMenuBar* bar = Form_Main->menuBar();
  QList<QAction*> top = bar->actions();
  QCOMPARE(top.size(), 2);
  QCOMPARE(top[0]->text(), QStringLiteral(u"表示"));
  QCOMPARE(top[1]->text(), QStringLiteral(u"その他"));
  QStringList view, other;
  for (QAction* a : top[0]->menu()->actions()) view << (a->isSeparator() ? QStringLiteral("-") : a->text());
  for (QAction* a : top[1]->menu()->actions()) other << (a->isSeparator() ? QStringLiteral("-") : a->text());
  QCOMPARE(view, (QStringList{QStringLiteral(u"検索"), QStringLiteral(u"地図"), QStringLiteral("-"),
                              QStringLiteral(u"終了")}));
  QCOMPARE(other, (QStringList{QStringLiteral(u"Marvoltホームページ"), QStringLiteral(u"データ更新…"),
                               QStringLiteral(u"住所一覧から郵便番号…"), QStringLiteral("-"),
                               QStringLiteral(u"バージョン情報")}));
  for (const char* name : {"Menu_Find", "Menu_Map", "N4", "Menu_Close", "Menu_Hp", "N3", "Menu_Ver"})
    QVERIFY2(Form_Main->findChild<QAction*>(QLatin1String(name)), name);
}

void TestMainWindow::relay_data() {
  Columns<int, int, bool, QString, int>("kind", "index", "box", "text", "icon");
  const QString missing = QStringLiteral(u"データファイルが見つかりません");
  QTest::newRow("error 1") << 1 << 1 << true << missing << int(MessageIcon::Error);
  QTest::newRow("warning 1") << 2 << 1 << true << missing << int(MessageIcon::Warning);
  QTest::newRow("info 1") << 3 << 1 << true << QStringLiteral(u"検索する地名または郵便番号を入力してください")
                          << int(MessageIcon::Information);
  QTest::newRow("info 2") << 3 << 2 << true << QStringLiteral(u"検索結果が最大数をオーバーしました。")
                          << int(MessageIcon::Information);
  QTest::newRow("info 3") << 3 << 3 << true << QStringLiteral(u"検索しましたが見つかりませんでした。")
                          << int(MessageIcon::Information);
  QTest::newRow("index 0: empty text") << 1 << 0 << true << QString() << int(MessageIcon::Error);
  QTest::newRow("unknown kind 4") << 4 << 1 << false << QString() << 0;
  QTest::newRow("kind 0") << 0 << 0 << false << QString() << 0;
  QTest::newRow("index past the table") << 3 << 4 << false << QString() << 0;
  QTest::newRow("negative index") << 1 << -1 << false << QString() << 0;
}

void TestMainWindow::relay() {
  QFETCH(int, kind);
  QFETCH(int, index);
  QFETCH(bool, box);
  QFETCH(QString, text);
  QFETCH(int, icon);
  PostRelayMessage(kind, index);
  QVERIFY(shown_.empty());  // posted, not sent: nothing before the loop runs
  QCoreApplication::processEvents();
  QCOMPARE(shown_.size(), std::size_t(box ? 1 : 0));
  if (box) {
    QCOMPARE(shown_[0].text, text);
    QCOMPARE(shown_[0].caption, QStringLiteral(u"最新！郵便番号検索　Tanzel"));
    QCOMPARE(int(shown_[0].icon), icon);
  }
}

void TestMainWindow::relayIsAlwaysConsumed() {
  counter_.seen = 0;
  PostRelayMessage(1, 1);
  PostRelayMessage(9, 9);
  QCoreApplication::processEvents();
  QCOMPARE(counter_.seen, 0);
}

void TestMainWindow::loaderBoxes_data() {
  Columns<bool, bool, int, QStringList, int, int>("ken", "jig", "kenLines", "texts", "kenCount", "jigCount");
  const QString missing = QStringLiteral(u"ファイルが見つかりません");
  const QString over = QStringLiteral(u"データ量がオーバーしました");
  QTest::newRow("both present") << true << true << 2 << QStringList{} << 2 << 2;
  QTest::newRow("KEN missing") << false << true << 0 << QStringList{missing} << -1 << 2;
  QTest::newRow("JIG missing") << true << false << 2 << QStringList{missing} << 2 << -1;
  QTest::newRow("both missing: KEN box first") << false << false << 0 << QStringList{missing, missing} << -1 << -1;
  QTest::newRow("exactly full: no box") << true << true << TableCapacity << QStringList{} << TableCapacity << 2;
  QTest::newRow("over full") << true << true << TableCapacity + 1 << QStringList{over} << TableCapacity << 2;
}

void TestMainWindow::loaderBoxes() {
  QFETCH(bool, ken);
  QFETCH(bool, jig);
  QFETCH(int, kenLines);
  QFETCH(QStringList, texts);
  QFETCH(int, kenCount);
  QFETCH(int, jigCount);
  TempData dir;
  std::string content;
  for (int i = 0; i < kenLines; ++i) content += KenLine(13101);
  if (ken) QVERIFY(dir.write(KenName(2), content));
  if (jig) QVERIFY(dir.write(JigName(2), KenLine(1) + KenLine(2)));
  Form_Main->DataFolder = dir.folder();
  Form_Main->ListBox_Ken->ClickRow(1);  // 青森県: prefecture 2
  QStringList got;
  for (const ShownMessage& s : shown_) {
    got << s.text;
    QCOMPARE(s.caption, QStringLiteral(u"ファイル"));
    QCOMPARE(int(s.icon),
             int(s.text == QStringLiteral(u"データ量がオーバーしました") ? MessageIcon::Warning : MessageIcon::Error));
  }
  QCOMPARE(got, texts);
  QCOMPARE(Form_Main->KenCount, kenCount);
  QCOMPARE(Form_Main->JigCount, jigCount);
  Form_Main->DataFolder = data_.folder();
}

void TestMainWindow::smallPrefectureAfterLargeOne() {
  TempData dir;
  std::string big, small;
  for (int i = 0; i < 50; ++i) big += KenLine(2000 + i);
  for (int i = 0; i < 3; ++i) small += KenLine(3000 + i);
  QVERIFY(dir.write(KenName(1), big) && dir.write(JigName(1), "") && dir.write(KenName(3), small) &&
          dir.write(JigName(3), ""));
  Form_Main->DataFolder = dir.folder();
  Form_Main->ListBox_Ken->ClickRow(0);
  QCOMPARE(Form_Main->KenCount, 50);
  QCOMPARE(Form_Main->JigCount, 0);
  Form_Main->ListBox_Ken->ClickRow(2);
  QCOMPARE(Form_Main->KenCount, 3);
  QCOMPARE(Form_Main->KenTable[2].LocalGovCode, 3002);
  QVERIFY(shown_.empty());
  Form_Main->DataFolder = data_.folder();
}

// Without data the label says so and one question names the folder and offers the update;
// once the files are there the same window reads them.
void TestMainWindow::startWithoutData() {
  TempData dir;
  Form_Main->DataFolder = dir.folder();
  QStringList asked;
  SetQuestionHandler([&](const QString& text, const QString&) {
    asked << text;
    return false;
  });
  Form_Main->ShowDataDate();
  Form_Main->OfferDataAtStart();
  QCOMPARE(Form_Main->Label4->text(), QStringLiteral(u"データがありません"));
  QCOMPARE(Form_Main->Label4->geometry().right() + 1, 778);
  QCOMPARE(asked.size(), 1);
  QVERIFY2(asked[0].contains(QString::fromStdString(dir.folder())), qPrintable(asked[0]));
  QVERIFY(asked[0].contains(QStringLiteral(u"データ更新…")));
  QVERIFY(shown_.empty());

  dir.writeEmptyPrefectures();
  QVERIFY(dir.write(KenName(1), KenLine(1101) + KenLine(1102)));
  QVERIFY(dir.write("EDITION", "2026-05-26\n"));
  Form_Main->ShowDataDate();
  Form_Main->OfferDataAtStart();
  QCOMPARE(asked.size(), 1);  // with data nothing is asked
  QCOMPARE(Form_Main->Label4->text(), QStringLiteral(u"令和8年5月26日　郵便番号改定"));
  Form_Main->ListBox_Ken->ClickRow(0);
  QCOMPARE(Form_Main->KenCount, 2);
  QCOMPARE(Form_Main->ListBox_Shi->count(), 3);  // the office entry and two cities
  QVERIFY(shown_.empty());
  SetQuestionHandler({});
  Form_Main->DataFolder = data_.folder();
}

// An import by another process puts another edition in use: the next look-up reads it, and
// the date label follows.
void TestMainWindow::newEditionInUse() {
  TempData dir;
  const std::string data = dir.folder();
  QVERIFY(WriteEdition(data, "a", KenLine(13101), "2026-04-30"));
  QVERIFY(WriteEdition(data, "b", KenLine(13101) + KenLine(13102), "2026-05-29"));
  QVERIFY(UseEdition(data, "a"));
  Form_Main->DataFolder = data;
  Form_Main->ShowDataDate();
  QCOMPARE(Form_Main->Label4->text(), QStringLiteral(u"令和8年4月30日　郵便番号改定"));
  Form_Main->ListBox_Ken->ClickRow(12);
  QCOMPARE(Form_Main->KenCount, 1);
  QVERIFY(UseEdition(data, "b"));
  Form_Main->ListBox_Ken->ClickRow(12);
  QCOMPARE(Form_Main->KenCount, 2);
  QCOMPARE(Form_Main->Label4->text(), QStringLiteral(u"令和8年5月29日　郵便番号改定"));
  Form_Main->DataFolder = data_.folder();
}

// The program's --help prints to standard output and ends, with no display at all.
void TestMainWindow::helpNeedsNoWindow() {
  ProcessResult r =
      RunProcess(QStringLiteral(TANZEL_EXE), {QStringLiteral("--help")}, {QStringLiteral("QT_QPA_PLATFORM=none-such")});
  QCOMPARE(r.exit, 0);
  QVERIFY2(r.out.startsWith(QStringLiteral("usage: tanzel")), qPrintable(r.out));
  QCOMPARE(r.err, QString());
}

// The home-page item opens the guide on this machine: README.ja.md beside the program or
// above it (a build inside the source tree), in preference to README.md.
void TestMainWindow::guideIsFoundAboveTheProgram() {
  TempData top;
  const QString root = QString::fromStdString(top.folder());
  QVERIFY(QDir(root).mkpath(QStringLiteral("build/bin")));
  const QString bin = root + QStringLiteral("build/bin");
  QCOMPARE(ReadmePath(bin), QString());
  QVERIFY(top.write("README.md", "x"));
  QCOMPARE(ReadmePath(bin), QFileInfo(root + QStringLiteral("README.md")).absoluteFilePath());
  QVERIFY(top.write("README.ja.md", "x"));
  QCOMPARE(ReadmePath(bin), QFileInfo(root + QStringLiteral("README.ja.md")).absoluteFilePath());
}

void TestMainWindow::keyboardSelectionLoads() {
  TempData dir;
  QVERIFY(dir.write(KenName(1), KenLine(1101)) && dir.write(JigName(1), "") && dir.write(KenName(2), "") &&
          dir.write(JigName(2), ""));
  Form_Main->DataFolder = dir.folder();
  Form_Main->ListBox_Ken->setCurrentRow(0);
  Form_Main->KenCount = 99;  // setting the row from code loads nothing
  Form_Main->ListBox_Ken->setFocus();
  QTest::keyClick(Form_Main->ListBox_Ken, Qt::Key_Down);
  QCOMPARE(Form_Main->ListBox_Ken->currentRow(), 1);
  QCOMPARE(Form_Main->KenCount, 0);  // prefecture 2 loaded by the arrow key
  QTest::keyClick(Form_Main->ListBox_Ken, Qt::Key_Up);
  QCOMPARE(Form_Main->KenCount, 1);
  Form_Main->DataFolder = data_.folder();
  shown_.clear();
}

void TestMainWindow::doubleClickMovesFocus() {
  Form_Main->activateWindow();
  Form_Main->ListBox_Ken->setFocus();
  Form_Main->ListBox_KenDblClick();
  QTRY_VERIFY(Form_Main->ListBox_Shi->hasFocus() || QApplication::focusWidget() == Form_Main->ListBox_Shi ||
              !Form_Main->ListBox_Shi->isEnabled());
}

void TestMainWindow::resizeSnapsBack() {
  QSize fixed = Form_Main->size();
  Form_Main->setMinimumSize(0, 0);
  Form_Main->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
  Form_Main->resize(300, 200);
  QVERIFY(Form_Main->frameGeometry().width() >= 640);
  QVERIFY(Form_Main->frameGeometry().height() >= 480);
  Form_Main->resize(700, 100);  // each dimension on its own
  QVERIFY(Form_Main->frameGeometry().width() >= 700);
  QVERIFY(Form_Main->frameGeometry().height() >= 480);
  Form_Main->setFixedSize(fixed);
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
