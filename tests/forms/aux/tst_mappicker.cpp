// The map picker: its 47 buttons, the choice by tag, and the main window's two ways in.
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include <vector>

#include "forms/aux/TForm_Map.h"
#include "forms/main/ListBox.h"
#include "forms/main/TForm_Main.h"
#include "support/Modal.h"
#include "support/Sjis.h"
#include "support/Table.h"
#include "support/TempData.h"
#include "support/Windows.h"

namespace {

struct Place {
  int tag;
  const char* caption;
  const char* name;
  int left, top, width, height, tabOrder;
};

// By prefecture number.
const Place kPlaces[] = {
    {1, "北海道", "Button_Ken01", 552, 16, 81, 41, 0}, {2, "青森", "Button_Ken02", 552, 64, 81, 25, 1},
    {3, "岩手", "Button3", 592, 88, 41, 33, 3},        {4, "宮城", "Button5", 592, 120, 41, 33, 5},
    {5, "秋田", "Button2", 552, 88, 41, 33, 2},        {6, "山形", "Button4", 552, 120, 41, 33, 4},
    {7, "福島", "Button7", 552, 152, 81, 25, 7},       {8, "茨城", "Button41", 592, 176, 41, 41, 41},
    {9, "栃木", "Button40", 552, 176, 41, 41, 40},     {10, "群馬", "Button38", 512, 176, 41, 33, 38},
    {11, "埼玉", "Button39", 512, 208, 41, 33, 39},    {12, "千葉", "Button48", 592, 216, 41, 57, 46},
    {13, "東京", "Button47", 552, 216, 41, 41, 45},    {14, "神奈川", "Button46", 496, 264, 57, 25, 44},
    {15, "新潟", "Button6", 472, 152, 81, 25, 6},      {16, "富山", "Button34", 432, 176, 41, 41, 34},
    {17, "石川", "Button33", 392, 184, 41, 33, 33},    {18, "福井", "Button29", 352, 184, 41, 33, 29},
    {19, "山梨", "Button44", 472, 240, 81, 25, 42},    {20, "長野", "Button37", 472, 176, 41, 65, 37},
    {21, "岐阜", "Button35", 392, 216, 81, 25, 35},    {22, "静岡", "Button45", 424, 264, 65, 25, 43},
    {23, "愛知", "Button36", 392, 240, 81, 25, 36},    {24, "三重", "Button31", 352, 248, 41, 33, 31},
    {25, "滋賀", "Button30", 352, 216, 41, 33, 30},    {26, "京都", "Button27", 312, 216, 41, 33, 27},
    {27, "大阪", "Button26", 272, 240, 41, 33, 26},    {28, "兵庫", "Button25", 272, 208, 41, 33, 25},
    {29, "奈良", "Button28", 312, 248, 41, 33, 28},    {30, "和歌山", "Button32", 320, 280, 65, 25, 32},
    {31, "鳥取", "Button23", 232, 208, 41, 25, 23},    {32, "島根", "Button21", 192, 208, 41, 25, 21},
    {33, "岡山", "Button24", 232, 232, 41, 25, 24},    {34, "広島", "Button22", 192, 232, 41, 25, 22},
    {35, "山口", "Button20", 152, 208, 41, 49, 20},    {36, "徳島", "Button19", 208, 304, 41, 25, 19},
    {37, "香川", "Button17", 208, 280, 41, 25, 17},    {38, "愛媛", "Button16", 168, 280, 41, 25, 16},
    {39, "高知", "Button18", 168, 304, 41, 25, 18},    {40, "福岡", "Button10", 64, 208, 41, 49, 10},
    {41, "佐賀", "Button8", 24, 208, 41, 33, 8},       {42, "長崎", "Button9", 24, 240, 41, 41, 9},
    {43, "熊本", "Button11", 64, 256, 41, 49, 11},     {44, "大分", "Button12", 104, 208, 41, 49, 12},
    {45, "宮崎", "Button13", 104, 256, 41, 49, 13},    {46, "鹿児島", "Button14", 64, 304, 81, 25, 14},
    {47, "沖縄", "Button15", 16, 320, 41, 25, 15},
};

// n identical address lines: prefecture n loads with KenCount n, so the count tells which
// prefecture was loaded.
std::string KenFile(int n) {
  std::string line = "1101,\"060  \",\"0600000\",\"" + S("ホッカイドウ") + "\",\"" + S("サッポロシチュウオウク") +
                     "\",\"" + S("イカニケイサイガナイバアイ") + "\",\"" + S("北海道") + "\",\"" + S("札幌市中央区") +
                     "\",\"" + S("以下に掲載がない場合") + "\",0,0,0,0,0,0\r\n";
  std::string file;
  for (int i = 0; i < n; ++i) file += line;
  return file;
}

QPushButton* MapButton(const char* name) {
  return Form_Map->findChild<QPushButton*>(QLatin1String(name));
}

}  // namespace

class TestMapPicker : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void initTestCase();
  void cleanupTestCase();
  void init();
  void window();
  void buttons_data();
  void buttons();
  void tabOrder();
  void mapCoversItsArea();
  void neighboursShareOneBorderLine();
  void choiceFollowsTheTag_data();
  void choiceFollowsTheTag();
  void closeBoxGivesHokkaido();
  void noCarryOverBetweenOpenings();
  void escapeDoesNotClose();
  void sameChoiceLoadsAgain();
  void menuItemOpensThePicker();
  void firstButtonHasTheFocus();

 private:
  // Opens the picker through the map button and runs `step` while it is up.
  void OpenAndRun(std::function<void()> step);
  std::vector<ShownMessage> shown_;
  TempData data_;
};

void TestMapPicker::initTestCase() {
  CreateTestWindows(&shown_);
  Form_Main->DataFolder = data_.folder();
  for (int n = 1; n <= 47; ++n) {
    QVERIFY(data_.write(KenName(n), KenFile(n)));
    QVERIFY(data_.write(JigName(n), ""));
  }
}

void TestMapPicker::cleanupTestCase() {
  DestroyTestWindows();
}

void TestMapPicker::init() {
  shown_.clear();
}

void TestMapPicker::OpenAndRun(std::function<void()> step) {
  bool ran = false;
  WhileModal(Form_Map, step, &ran);
  QTest::mouseClick(Form_Main->SpeedButton_Map, Qt::LeftButton);
  QVERIFY(ran);
  QVERIFY(!Form_Map->isVisible());
}

void TestMapPicker::window() {
  QCOMPARE(Form_Map->windowTitle(), QStringLiteral(u"日本地図"));
  QCOMPARE(Form_Map->size(), QSize(653, 372));
  QCOMPARE(Form_Map->minimumSize(), Form_Map->maximumSize());
  QVERIFY(!(Form_Map->windowFlags() & Qt::WindowMaximizeButtonHint));
  QVERIFY(!(Form_Map->windowFlags() & Qt::WindowMinimizeButtonHint));
  QVERIFY(Form_Map->isHidden());

  auto* image = Form_Map->findChild<QLabel*>(QStringLiteral("Image1"));
  QVERIFY(image);
  QCOMPARE(image->geometry(), QRect(24, 24, 32, 32));
  QCOMPARE(image->pixmap().size(), QSize(32, 32));
  auto* title = Form_Map->findChild<QLabel*>(QStringLiteral("Label1"));
  QVERIFY(title);
  QCOMPARE(title->text(), QStringLiteral(u"日本地図"));
  QVERIFY(title->font().bold());
  QCOMPARE(title->pos(), QPoint(72, 35));
  auto* prompt = Form_Map->findChild<QLabel*>(QStringLiteral("Label2"));
  QVERIFY(prompt);
  QCOMPARE(prompt->text(), QStringLiteral(u"検索する都道府県をクリックしてください。"));
  QCOMPARE(prompt->pos(), QPoint(40, 80));

  // Exactly the 47 prefecture buttons, none of them the default button.
  const auto buttons = Form_Map->findChildren<QPushButton*>();
  QCOMPARE(buttons.size(), 47);
  for (QPushButton* b : buttons) QVERIFY2(!b->isDefault(), qPrintable(b->objectName()));
}

void TestMapPicker::buttons_data() {
  Columns<int>("index");
  for (int i = 0; i < 47; ++i) QTest::newRow(kPlaces[i].name) << i;
}

void TestMapPicker::buttons() {
  QFETCH(int, index);
  const Place& place = kPlaces[index];
  QPushButton* button = MapButton(place.name);
  QVERIFY(button);
  QCOMPARE(button->text(), QString::fromUtf8(place.caption));
  QCOMPARE(button->geometry(), QRect(place.left, place.top, place.width, place.height));
  QCOMPARE(ButtonTag(button), place.tag);
  QCOMPARE(Form_Map->Buttons[static_cast<std::size_t>(place.tabOrder)], button);
}

void TestMapPicker::tabOrder() {
  // Walk the focus chain from the first button: the buttons come in the order of the table.
  std::vector<QString> expected(47);
  for (const Place& place : kPlaces) expected[static_cast<std::size_t>(place.tabOrder)] = QLatin1String(place.name);
  std::vector<QString> walked;
  QWidget* w = MapButton("Button_Ken01");
  QVERIFY(w);
  do {
    if (w->focusPolicy() & Qt::TabFocus) walked.push_back(w->objectName());
    w = w->nextInFocusChain();
  } while (w != MapButton("Button_Ken01") && walked.size() < 100);
  QCOMPARE(walked, expected);
}

void TestMapPicker::mapCoversItsArea() {
  QRect all;
  for (QPushButton* b : Form_Map->findChildren<QPushButton*>()) all = all.united(b->geometry());
  QCOMPARE(all, QRect(QPoint(16, 16), QPoint(632, 344)));  // (16, 16) up to, not including, (633, 345)
}

void TestMapPicker::neighboursShareOneBorderLine() {
  const auto buttons = Form_Map->findChildren<QPushButton*>();
  int neighbours = 0;
  for (qsizetype i = 0; i < buttons.size(); ++i) {
    for (qsizetype j = i + 1; j < buttons.size(); ++j) {
      const QRect a = buttons[i]->geometry(), b = buttons[j]->geometry();
      const QString pair = buttons[i]->objectName() + QLatin1Char('/') + buttons[j]->objectName();
      const QRect common = a.intersected(b);
      if (!common.isEmpty()) {
        // Touching buttons overlap in a line one pixel wide, never more.
        QVERIFY2(common.width() == 1 || common.height() == 1, qPrintable(pair));
        if (common.width() > 1 || common.height() > 1) ++neighbours;
      } else {
        // Buttons that abut without overlapping would show a double border line.
        const QRect near = a.adjusted(-1, -1, 1, 1).intersected(b);
        QVERIFY2(near.isEmpty() || (near.width() == 1 && near.height() == 1), qPrintable(pair));
      }
    }
  }
  QVERIFY(neighbours > 47);  // the islands are made of many neighbours
}

void TestMapPicker::choiceFollowsTheTag_data() {
  Columns<QString, int, QString>("button", "row", "prefecture");
  QTest::newRow("岩手 is Button3, tag 3") << QStringLiteral("Button3") << 2 << QStringLiteral(u"岩手県");
  QTest::newRow("秋田 is Button2, tag 5") << QStringLiteral("Button2") << 4 << QStringLiteral(u"秋田県");
  QTest::newRow("千葉 is Button48, tag 12") << QStringLiteral("Button48") << 11 << QStringLiteral(u"千葉県");
  QTest::newRow("東京 is Button47, tag 13") << QStringLiteral("Button47") << 12 << QStringLiteral(u"東京都");
  QTest::newRow("沖縄 is Button15, tag 47") << QStringLiteral("Button15") << 46 << QStringLiteral(u"沖縄県");
  QTest::newRow("北海道 is Button_Ken01, tag 1") << QStringLiteral("Button_Ken01") << 0 << QStringLiteral(u"北海道");
}

void TestMapPicker::choiceFollowsTheTag() {
  QFETCH(QString, button);
  QFETCH(int, row);
  QFETCH(QString, prefecture);
  OpenAndRun([&] { QTest::mouseClick(Form_Map->findChild<QPushButton*>(button), Qt::LeftButton); });
  QCOMPARE(Form_Map->MapChoice, row);
  QCOMPARE(Form_Main->ListBox_Ken->currentRow(), row);
  QCOMPARE(Form_Main->ListBox_Ken->currentItem()->text(), prefecture);
  QCOMPARE(Form_Main->KenCount, row + 1);  // that prefecture's file was loaded
  QCOMPARE(Form_Main->JigCount, 0);
  QVERIFY(shown_.empty());
}

void TestMapPicker::closeBoxGivesHokkaido() {
  Form_Main->ListBox_Ken->setCurrentRow(20);
  OpenAndRun([] { Form_Map->close(); });
  QCOMPARE(Form_Map->MapChoice, 0);
  QCOMPARE(Form_Main->ListBox_Ken->currentRow(), 0);
  QCOMPARE(Form_Main->KenCount, 1);
}

void TestMapPicker::noCarryOverBetweenOpenings() {
  OpenAndRun([] { QTest::mouseClick(MapButton("Button15"), Qt::LeftButton); });
  QCOMPARE(Form_Main->ListBox_Ken->currentRow(), 46);
  QCOMPARE(Form_Main->KenCount, 47);
  int choiceWhileOpen = -1;
  OpenAndRun([&] {
    choiceWhileOpen = Form_Map->MapChoice;
    Form_Map->close();
  });
  QCOMPARE(choiceWhileOpen, 0);
  QCOMPARE(Form_Main->ListBox_Ken->currentRow(), 0);
  QCOMPARE(Form_Main->KenCount, 1);
}

void TestMapPicker::escapeDoesNotClose() {
  bool stillOpen = false;
  OpenAndRun([&] {
    QTest::keyClick(Form_Map, Qt::Key_Escape);
    QApplication::processEvents();
    stillOpen = Form_Map->isVisible();
    QTest::mouseClick(MapButton("Button2"), Qt::LeftButton);
  });
  QVERIFY(stillOpen);
  QCOMPARE(Form_Main->ListBox_Ken->currentRow(), 4);
}

void TestMapPicker::sameChoiceLoadsAgain() {
  OpenAndRun([] { QTest::mouseClick(MapButton("Button2"), Qt::LeftButton); });
  QCOMPARE(Form_Main->KenCount, 5);
  QVERIFY(data_.write(KenName(5), KenFile(2)));  // the file changes between the two choices
  OpenAndRun([] { QTest::mouseClick(MapButton("Button2"), Qt::LeftButton); });
  QCOMPARE(Form_Main->ListBox_Ken->currentRow(), 4);
  QCOMPARE(Form_Main->KenCount, 2);
  QVERIFY(data_.write(KenName(5), KenFile(5)));
}

void TestMapPicker::menuItemOpensThePicker() {
  bool ran = false;
  WhileModal(
      Form_Map, [] { QTest::mouseClick(MapButton("Button47"), Qt::LeftButton); }, &ran);
  Form_Main->Menu_Map->trigger();
  QVERIFY(ran);
  QVERIFY(!Form_Map->isVisible());
  QCOMPARE(Form_Main->ListBox_Ken->currentRow(), 12);
  QCOMPARE(Form_Main->KenCount, 13);
}

void TestMapPicker::firstButtonHasTheFocus() {
  QWidget* focused = nullptr;
  OpenAndRun([&] {
    QTRY_VERIFY(Form_Map->focusWidget() != nullptr);
    focused = Form_Map->focusWidget();
    Form_Map->close();
  });
  QCOMPARE(focused, static_cast<QWidget*>(MapButton("Button_Ken01")));
}

QTEST_MAIN(TestMapPicker)
#include "tst_mappicker.moc"
