// Browsing on the main window: city list, town list, result dialog, with data files the
// tests write.
#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <vector>

#include "forms/main/ListBox.h"
#include "forms/main/TForm_Main.h"
#include "forms/nmb7/TForm_Nmb7.h"
#include "support/Browse.h"
#include "support/Table.h"
#include "support/TempData.h"
#include "support/Windows.h"

namespace {

constexpr int kTokyo = 12;  // line of 東京都 in the prefecture list
constexpr int kChiba = 11;

std::string TokyoJig() {
  return JigCsv(13101, "アイウエオショウジ", "アイウエオ商事　株式会社", "丸の内", "１丁目１－１", "1008791") +
         JigCsv(13101, "アオバギンコウ", "青葉銀行", "大手町", "２丁目２－２", "1008792") +
         JigCsv(13102, "カキクケコ", "かきくけこ", "銀座", "３丁目３－３", "1048793");
}

}  // namespace

class TestBrowse : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void initTestCase();
  void cleanupTestCase();
  void init();

  void cityList();
  void cityListRebuiltOnEveryChoice();
  void emptyKenFile();
  void missingKenFile();
  void missingJigFile();
  void missingBothFiles();
  void townList();
  void townListOfASplitCity();
  void officeListing();
  void officeListingWithoutJigFile();
  void keyboardFiresTheSameHandlers();
  void doubleClickMovesFocus();
  void addressResult();
  void officeAfterAddressLeavesNoTrace();
  void addressAfterOffice();
  void copyButtons();
  void keyboardOnTownListOpensResult();
  void rightClickedOfficeEntryIsNotChosen();
  void otherGesturesChooseNothing_data();
  void otherGesturesChooseNothing();
  void pressDraggedBackIsAClick();
  void doubleClickIsOneClick();
  void committedTextChoosesLikeTyping();

 private:
  void ChoosePrefecture(int row) { ClickLine(Form_Main->ListBox_Ken, row); }
  ShownResult ClickTown(int row);

  TempData data_;
  std::vector<ShownMessage> shown_;
};

void TestBrowse::initTestCase() {
  QVERIFY(data_.valid());
  CreateTestWindows(&shown_);
  Form_Main->DataFolder = data_.folder();
  QVERIFY(data_.write(KenName(13), TokyoKen()));
  QVERIFY(data_.write(JigName(13), TokyoJig()));
  // 北海道: an office file only; 青森県: an address file only; 千葉県: both empty.
  QVERIFY(data_.write(JigName(1), JigCsv(1101, "アイ", "アイ商事", "北一条西", "２丁目", "0608701")));
  QVERIFY(data_.write(KenName(2), KenCsv(2201, "0300000", "アオモリシ", "イカニ", "青森市", "以下に掲載がない場合")));
  QVERIFY(data_.write(KenName(12), ""));
  QVERIFY(data_.write(JigName(12), ""));
  QVERIFY(ShowMainWindow());
}

void TestBrowse::cleanupTestCase() {
  DestroyTestWindows();
}

void TestBrowse::init() {
  shown_.clear();
}

ShownResult TestBrowse::ClickTown(int row) {
  ShownResult result;
  QPointer<QTimer> waiting = WhenShown(Form_Nmb7, [&result] { result = Read(Form_Nmb7); });
  ClickLine(Form_Main->ListBox_Cho, row);  // returns when the modal showing ends
  if (!result.shown) delete waiting;       // never shown: the timer must not act later
  return result;
}

void TestBrowse::cityList() {
  ChoosePrefecture(kTokyo);
  QVERIFY(shown_.empty());
  QCOMPARE(Form_Main->KenCount, 11);
  QCOMPARE(Form_Main->JigCount, 3);
  QVERIFY(Form_Main->ListBox_Shi->isEnabled());
  QCOMPARE(Lines(Form_Main->ListBox_Shi), TokyoCityLines());
  QCOMPARE(Lines(Form_Main->ListBox_Code),
           (QStringList{QStringLiteral("0"), QStringLiteral("13207"), QStringLiteral("13102"), QStringLiteral("13101"),
                        QStringLiteral("13102"), QStringLiteral("13229"), QStringLiteral("13361"),
                        QStringLiteral("13362")}));
  QCOMPARE(Form_Main->ListBox_Shi->currentRow(), -1);
  QVERIFY(!Form_Main->ListBox_Code->isVisible());
  QVERIFY(!Form_Main->ListBox_Cho->isEnabled());
  QCOMPARE(Lines(Form_Main->ListBox_Cho), QStringList{QStringLiteral(u"市区町村を指定してください。")});
  QCOMPARE(Form_Main->ListBox_Nmb->count(), 0);
}

void TestBrowse::cityListRebuiltOnEveryChoice() {
  ChoosePrefecture(kTokyo);
  ClickLine(Form_Main->ListBox_Shi, 3);
  QVERIFY(Form_Main->ListBox_Cho->isEnabled());
  Form_Main->Edit_KeyCho->setText(QStringLiteral(u"丸"));
  // The same prefecture again: read again, lists rebuilt, town list back to its prompt.
  ChoosePrefecture(kTokyo);
  QCOMPARE(Lines(Form_Main->ListBox_Shi), TokyoCityLines());
  QCOMPARE(Form_Main->ListBox_Code->count(), Form_Main->ListBox_Shi->count());
  QCOMPARE(Form_Main->ListBox_Shi->currentRow(), -1);
  QVERIFY(!Form_Main->ListBox_Cho->isEnabled());
  QCOMPARE(Lines(Form_Main->ListBox_Cho), QStringList{QStringLiteral(u"市区町村を指定してください。")});
  QCOMPARE(Form_Main->ListBox_Nmb->count(), 0);
  QCOMPARE(Form_Main->Edit_KeyCho->text(), QStringLiteral(u"丸"));
  Form_Main->Edit_KeyCho->clear();
}

void TestBrowse::emptyKenFile() {
  ChoosePrefecture(kChiba);
  QVERIFY(shown_.empty());
  QCOMPARE(Form_Main->KenCount, 0);
  QCOMPARE(Lines(Form_Main->ListBox_Shi), QStringList{QStringLiteral(u"　　大口事業所")});
  QCOMPARE(Lines(Form_Main->ListBox_Code), QStringList{QStringLiteral("0")});
  QVERIFY(Form_Main->ListBox_Shi->isEnabled());
}

void TestBrowse::missingKenFile() {
  ChoosePrefecture(kTokyo);
  ChoosePrefecture(0);
  QCOMPARE(shown_.size(), std::size_t{1});
  QCOMPARE(shown_[0].text, QStringLiteral(u"ファイルが見つかりません"));
  QCOMPARE(Form_Main->KenCount, -1);
  QCOMPARE(Form_Main->JigCount, 1);
  QCOMPARE(Lines(Form_Main->ListBox_Shi), QStringList{QStringLiteral(u"　　大口事業所")});
  QCOMPARE(Lines(Form_Main->ListBox_Code), QStringList{QStringLiteral("0")});
  ClickLine(Form_Main->ListBox_Shi, 0);
  QCOMPARE(Lines(Form_Main->ListBox_Cho), QStringList{QStringLiteral(u"ア　アイ商事")});
  QCOMPARE(Lines(Form_Main->ListBox_Nmb), QStringList{QStringLiteral("0")});
}

void TestBrowse::missingJigFile() {
  ChoosePrefecture(1);
  QCOMPARE(shown_.size(), std::size_t{1});
  QCOMPARE(shown_[0].text, QStringLiteral(u"ファイルが見つかりません"));
  QCOMPARE(Form_Main->KenCount, 1);
  QCOMPARE(Form_Main->JigCount, -1);
  QCOMPARE(Lines(Form_Main->ListBox_Shi),
           (QStringList{QStringLiteral(u"　　大口事業所"), QStringLiteral(u"ア　青森市　(アオモリシ)")}));
  QCOMPARE(Lines(Form_Main->ListBox_Code), (QStringList{QStringLiteral("0"), QStringLiteral("2201")}));
}

void TestBrowse::missingBothFiles() {
  ChoosePrefecture(kTokyo);
  ChoosePrefecture(46);
  QCOMPARE(shown_.size(), std::size_t{2});
  QCOMPARE(shown_[0].text, QStringLiteral(u"ファイルが見つかりません"));
  QCOMPARE(shown_[1].text, QStringLiteral(u"ファイルが見つかりません"));
  QCOMPARE(shown_[1].caption, QStringLiteral(u"ファイル"));
  QCOMPARE(Form_Main->KenCount, -1);
  QCOMPARE(Form_Main->JigCount, -1);
  QCOMPARE(Lines(Form_Main->ListBox_Shi), QStringList{QStringLiteral(u"　　大口事業所")});
  QCOMPARE(Lines(Form_Main->ListBox_Code), QStringList{QStringLiteral("0")});
}

void TestBrowse::townList() {
  ChoosePrefecture(kTokyo);
  ClickLine(Form_Main->ListBox_Shi, 1);
  QVERIFY(Form_Main->ListBox_Cho->isEnabled());
  QCOMPARE(Lines(Form_Main->ListBox_Cho),
           (QStringList{QStringLiteral(u"　　以下に掲載がない場合　(イカニケイサイガナイバアイ)"),
                        QStringLiteral(u"ア　朝日町　(アサヒチョウ)"), QStringLiteral(u"　　東町　(アズマチョウ)"),
                        QStringLiteral(u"ナ　中神町　(ナカガミチョウ)")}));
  QCOMPARE(Lines(Form_Main->ListBox_Nmb),
           (QStringList{QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")}));
  QVERIFY(!Form_Main->ListBox_Nmb->isVisible());

  // Another city: nothing of the first listing survives.
  ClickLine(Form_Main->ListBox_Shi, 3);
  QCOMPARE(Lines(Form_Main->ListBox_Cho),
           (QStringList{QStringLiteral(u"　　千代田　(チヨダ)"), QStringLiteral(u"マ　丸の内　(マルノウチ)")}));
  QCOMPARE(Lines(Form_Main->ListBox_Nmb), (QStringList{QStringLiteral("5"), QStringLiteral("6")}));
}

void TestBrowse::townListOfASplitCity() {
  ChoosePrefecture(kTokyo);
  // Either line of the split city lists all its towns, with the indices of both runs.
  for (int line : {2, 4}) {
    ClickLine(Form_Main->ListBox_Shi, line);
    QCOMPARE(Lines(Form_Main->ListBox_Cho),
             (QStringList{QStringLiteral(u"　　以下に掲載がない場合　(イカニケイサイガナイバアイ)"),
                          QStringLiteral(u"カ　銀座　(ギンザ)")}));
    QCOMPARE(Lines(Form_Main->ListBox_Nmb), (QStringList{QStringLiteral("4"), QStringLiteral("7")}));
  }
}

void TestBrowse::officeListing() {
  ChoosePrefecture(kTokyo);
  ClickLine(Form_Main->ListBox_Shi, 0);
  QVERIFY(Form_Main->ListBox_Cho->isEnabled());
  QCOMPARE(Lines(Form_Main->ListBox_Cho),
           (QStringList{QStringLiteral(u"ア　アイウエオ商事　株式会社"), QStringLiteral(u"　　青葉銀行"),
                        QStringLiteral(u"カ　かきくけこ")}));
  QCOMPARE(Lines(Form_Main->ListBox_Nmb), (QStringList{QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("2")}));
}

void TestBrowse::officeListingWithoutJigFile() {
  ChoosePrefecture(1);  // 青森県: the office file is missing
  shown_.clear();
  ClickLine(Form_Main->ListBox_Shi, 0);
  QVERIFY(shown_.empty());
  QVERIFY(Form_Main->ListBox_Cho->isEnabled());
  QCOMPARE(Form_Main->ListBox_Cho->count(), 0);
  QCOMPARE(Form_Main->ListBox_Nmb->count(), 0);
}

void TestBrowse::keyboardFiresTheSameHandlers() {
  ChoosePrefecture(kChiba);
  Form_Main->ListBox_Ken->setFocus();
  QTest::keyClick(Form_Main->ListBox_Ken, Qt::Key_Down);
  QCOMPARE(Form_Main->ListBox_Ken->currentRow(), kTokyo);
  QCOMPARE(Lines(Form_Main->ListBox_Shi), TokyoCityLines());

  Form_Main->ListBox_Shi->setFocus();
  Form_Main->ListBox_Shi->setCurrentRow(0);  // fires nothing
  QCOMPARE(Form_Main->ListBox_Cho->count(), 1);
  QTest::keyClick(Form_Main->ListBox_Shi, Qt::Key_Down);
  QCOMPARE(Form_Main->ListBox_Shi->currentRow(), 1);
  QCOMPARE(Form_Main->ListBox_Cho->count(), 4);
  QCOMPARE(Lines(Form_Main->ListBox_Nmb).last(), QStringLiteral("3"));
  QTest::keyClick(Form_Main->ListBox_Shi, Qt::Key_Up);
  QCOMPARE(Lines(Form_Main->ListBox_Cho).first(), QStringLiteral(u"ア　アイウエオ商事　株式会社"));
}

void TestBrowse::doubleClickMovesFocus() {
  Form_Main->activateWindow();
  ChoosePrefecture(kTokyo);
  QListWidget* shi = Form_Main->ListBox_Shi;
  QRect r = shi->visualItemRect(shi->item(3));
  QTest::mouseClick(shi->viewport(), Qt::LeftButton, Qt::NoModifier, r.center());
  QTest::mouseDClick(shi->viewport(), Qt::LeftButton, Qt::NoModifier, r.center());
  QCOMPARE(Form_Main->ListBox_Cho->count(), 2);
  QCOMPARE(Form_Main->focusWidget(), static_cast<QWidget*>(Form_Main->ListBox_Cho));
}

void TestBrowse::addressResult() {
  ChoosePrefecture(kTokyo);
  ClickLine(Form_Main->ListBox_Shi, 3);
  ShownResult r = ClickTown(0);
  QVERIFY(r.shown);
  QCOMPARE(r.digits, QStringLiteral("1000001"));
  QCOMPARE(r.name, QStringLiteral(u"〒100-0001\n東京都 千代田区 千代田\nトウキョウト チヨダク チヨダ"));
  QCOMPARE(r.code, QStringLiteral(u"地方公共団体コード：13101\nディジットコード付：131016"));
  QCOMPARE(r.adr, S("東京都 千代田区 千代田"));
  QCOMPARE(r.focus, static_cast<QWidget*>(Form_Nmb7->Button_Ok));
  QVERIFY(!Form_Nmb7->isVisible());
  // The lists keep their contents and selections.
  QCOMPARE(Form_Main->ListBox_Shi->currentRow(), 3);
  QCOMPARE(Form_Main->ListBox_Cho->currentRow(), 0);
  QCOMPARE(Form_Main->ListBox_Cho->count(), 2);

  r = ClickTown(1);
  QCOMPARE(r.digits, QStringLiteral("1000005"));
  QCOMPARE(r.name, QStringLiteral(u"〒100-0005\n東京都 千代田区 丸の内\nトウキョウト チヨダク マルノウチ"));
}

void TestBrowse::officeAfterAddressLeavesNoTrace() {
  ChoosePrefecture(kTokyo);
  ClickLine(Form_Main->ListBox_Shi, 1);
  ShownResult r = ClickTown(3);
  QCOMPARE(r.code, QStringLiteral(u"地方公共団体コード：13207\nディジットコード付：132071"));
  QCOMPARE(r.name.count(QLatin1Char('\n')), 2);

  // Office line 0; KenTable also has a record 0 (昭島市), which must not be read.
  ClickLine(Form_Main->ListBox_Shi, 0);
  r = ClickTown(0);
  QCOMPARE(r.digits, QStringLiteral("1008791"));
  QCOMPARE(r.name, QStringLiteral(
                       u"〒100-8791\nアイウエオ商事　株式会社\nアイウエオショウジ\n東京都千代田区丸の内１丁目１－１"));
  QCOMPARE(r.code, QStringLiteral(u"地方公共団体コード13101"));
  QCOMPARE(r.adr, S("東京都千代田区丸の内１丁目１－１"));
  QCOMPARE(r.focus, static_cast<QWidget*>(Form_Nmb7->Button_Ok));
}

void TestBrowse::addressAfterOffice() {
  ChoosePrefecture(kTokyo);
  ClickLine(Form_Main->ListBox_Shi, 0);
  ShownResult r = ClickTown(2);
  QCOMPARE(r.name.count(QLatin1Char('\n')), 3);
  ClickLine(Form_Main->ListBox_Shi, 4);
  r = ClickTown(1);
  QCOMPARE(r.digits, QStringLiteral("1040061"));
  QCOMPARE(r.name, QStringLiteral(u"〒104-0061\n東京都 中央区 銀座\nトウキョウト チュウオウク ギンザ"));
  QCOMPARE(r.code, QStringLiteral(u"地方公共団体コード：13102\nディジットコード付：131024"));
  QCOMPARE(r.adr, S("東京都 中央区 銀座"));
}

void TestBrowse::copyButtons() {
  ChoosePrefecture(kTokyo);
  ClickLine(Form_Main->ListBox_Shi, 3);
  QString number;
  QString address;
  bool stillShown = false;
  WhenShown(Form_Nmb7, [&] {
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    QTest::mouseClick(Form_Nmb7->Button_CopyNmb, Qt::LeftButton);
    number = QGuiApplication::clipboard()->text();
    QTest::mouseClick(Form_Nmb7->Button_CopyAdr, Qt::LeftButton);
    address = QGuiApplication::clipboard()->text();
    stillShown = Form_Nmb7->isVisible();
  });
  ClickLine(Form_Main->ListBox_Cho, 0);
  QTRY_COMPARE(number, QStringLiteral("100-0001"));
  QCOMPARE(address, QStringLiteral(u"東京都 千代田区 千代田"));
  QVERIFY(stillShown);

  // An office: the address without separators.
  ClickLine(Form_Main->ListBox_Shi, 0);
  address.clear();
  WhenShown(Form_Nmb7, [&] {
    QTest::mouseClick(Form_Nmb7->Button_CopyAdr, Qt::LeftButton);
    address = QGuiApplication::clipboard()->text();
    QTest::mouseClick(Form_Nmb7->Button_CopyNmb, Qt::LeftButton);
    number = QGuiApplication::clipboard()->text();
  });
  ClickLine(Form_Main->ListBox_Cho, 2);
  QTRY_COMPARE(address, QStringLiteral(u"東京都千代田区銀座３丁目３－３"));
  QCOMPARE(number, QStringLiteral("104-8793"));
}

void TestBrowse::keyboardOnTownListOpensResult() {
  ChoosePrefecture(kTokyo);
  ClickLine(Form_Main->ListBox_Shi, 1);
  Form_Main->ListBox_Cho->setFocus();
  Form_Main->ListBox_Cho->setCurrentRow(1);
  ShownResult r;
  WhenShown(Form_Nmb7, [&] {
    r = Read(Form_Nmb7);
    // Enter right after the dialog opens closes it.
    QTest::keyClick(Form_Nmb7->focusWidget(), Qt::Key_Return);
  });
  QTest::keyClick(Form_Main->ListBox_Cho, Qt::Key_Down);
  QTRY_VERIFY(r.shown);
  QVERIFY(!Form_Nmb7->isVisible());
  QCOMPARE(r.digits, QStringLiteral("1960033"));
  QCOMPARE(r.adr, S("東京都 昭島市 東町"));
}

// 東京都, a city, a right click on the office entry, the city's catch-all: the result is the
// catch-all of that city, never an office.
void TestBrowse::rightClickedOfficeEntryIsNotChosen() {
  ChoosePrefecture(kTokyo);
  ClickLine(Form_Main->ListBox_Shi, 1);
  QListWidget* shi = Form_Main->ListBox_Shi;
  QTest::mouseClick(shi->viewport(), Qt::RightButton, {}, shi->visualItemRect(shi->item(0)).center());
  QCOMPARE(shi->currentRow(), 1);
  ShownResult r = ClickTown(0);
  QCOMPARE(r.digits, QStringLiteral("1960000"));
  QCOMPARE(r.adr, S("東京都 昭島市 以下に掲載がない場合"));
}

namespace {
enum class Gesture {
  RightClick,
  MiddleClick,
  DragToAnotherLine,
  DragOutOfTheList,
  CtrlClickOnChosenLine,
  CtrlSpaceOnChosenLine
};
}  // namespace
Q_DECLARE_METATYPE(Gesture)

void TestBrowse::otherGesturesChooseNothing_data() {
  Columns<bool, Gesture>("prefectures",  // on the prefecture list (else on the city list)
                         "gesture");
  for (bool prefectures : {true, false}) {
    const char* list = prefectures ? "prefecture list" : "city list";
    QTest::addRow("%s: right click", list) << prefectures << Gesture::RightClick;
    QTest::addRow("%s: middle click", list) << prefectures << Gesture::MiddleClick;
    QTest::addRow("%s: drag to another line", list) << prefectures << Gesture::DragToAnotherLine;
    QTest::addRow("%s: drag out of the list", list) << prefectures << Gesture::DragOutOfTheList;
    QTest::addRow("%s: ctrl click on the chosen line", list) << prefectures << Gesture::CtrlClickOnChosenLine;
    QTest::addRow("%s: ctrl space on the chosen line", list) << prefectures << Gesture::CtrlSpaceOnChosenLine;
  }
}

// Whatever the mouse does, the highlighted line is the one the dependent lists were filled for.
void TestBrowse::otherGesturesChooseNothing() {
  QFETCH(bool, prefectures);
  QFETCH(Gesture, gesture);
  ChoosePrefecture(kTokyo);
  ClickLine(Form_Main->ListBox_Shi, 1);
  QListWidget* list = prefectures ? Form_Main->ListBox_Ken : Form_Main->ListBox_Shi;
  const int chosen = list->currentRow();
  const QStringList cities = Lines(Form_Main->ListBox_Shi);
  const QStringList towns = Lines(Form_Main->ListBox_Cho);
  QWidget* viewport = list->viewport();
  auto at = [list](int row) { return list->visualItemRect(list->item(row)).center(); };
  const int other = prefectures ? kChiba : 3;
  switch (gesture) {
    case Gesture::RightClick:
      QTest::mouseClick(viewport, Qt::RightButton, {}, at(other));
      break;
    case Gesture::MiddleClick:
      QTest::mouseClick(viewport, Qt::MiddleButton, {}, at(other));
      break;
    case Gesture::DragToAnotherLine:
    case Gesture::DragOutOfTheList: {
      const QPoint end = gesture == Gesture::DragToAnotherLine ? at(other - 1) : QPoint(5, viewport->height() + 30);
      QTest::mousePress(viewport, Qt::LeftButton, {}, at(other));
      QTest::mouseMove(viewport, at(other) + QPoint(0, 3));
      QTest::mouseMove(viewport, end);
      QTest::mouseRelease(viewport, Qt::LeftButton, {}, end);
      break;
    }
    case Gesture::CtrlClickOnChosenLine:
      QTest::mouseClick(viewport, Qt::LeftButton, Qt::ControlModifier, at(chosen));
      break;
    case Gesture::CtrlSpaceOnChosenLine:
      QTest::keyClick(list, Qt::Key_Space, Qt::ControlModifier);
      break;
  }
  QCOMPARE(list->currentRow(), chosen);
  QCOMPARE(list->selectedItems(), QList<QListWidgetItem*>{list->item(chosen)});
  QCOMPARE(Lines(Form_Main->ListBox_Shi), cities);
  // A ctrl click is a click: choosing the prefecture again puts the town list back to its prompt.
  const bool chosenAgain = prefectures && gesture == Gesture::CtrlClickOnChosenLine;
  QCOMPARE(Lines(Form_Main->ListBox_Cho),
           chosenAgain ? QStringList{QStringLiteral(u"市区町村を指定してください。")} : towns);
  list->keyboardSearch({});  // a space typed is not the start of the next test's typing
}

// A press that leaves its line and comes back is released as a click on that line.
void TestBrowse::pressDraggedBackIsAClick() {
  ChoosePrefecture(kChiba);
  QListWidget* ken = Form_Main->ListBox_Ken;
  const QPoint tokyo = ken->visualItemRect(ken->item(kTokyo)).center();
  QTest::mousePress(ken->viewport(), Qt::LeftButton, {}, tokyo);
  QTest::mouseMove(ken->viewport(), ken->visualItemRect(ken->item(kTokyo + 2)).center());
  QTest::mouseMove(ken->viewport(), tokyo);
  QTest::mouseRelease(ken->viewport(), Qt::LeftButton, {}, tokyo);
  QCOMPARE(ken->currentRow(), kTokyo);
  QCOMPARE(Lines(Form_Main->ListBox_Shi), TokyoCityLines());
}

// Press, release, double click, release: one Click for the line, then one DblClick.
void TestBrowse::doubleClickIsOneClick() {
  ChoosePrefecture(kTokyo);
  QListWidget* shi = Form_Main->ListBox_Shi;
  QSignalSpy clicks(shi, SIGNAL(Click()));
  QSignalSpy doubles(shi, SIGNAL(DblClick()));
  const QPoint at = shi->visualItemRect(shi->item(3)).center();
  QTest::mousePress(shi->viewport(), Qt::LeftButton, {}, at);
  QTest::mouseRelease(shi->viewport(), Qt::LeftButton, {}, at);
  QTest::mouseDClick(shi->viewport(), Qt::LeftButton, {}, at);
  QTest::mouseRelease(shi->viewport(), Qt::LeftButton, {}, at);
  QCOMPARE(clicks.count(), 1);
  QCOMPARE(doubles.count(), 1);
  QCOMPARE(shi->currentRow(), 3);
}

// Text an input method commits moves to the line it starts, as typed letters do, and chooses it.
void TestBrowse::committedTextChoosesLikeTyping() {
  ChoosePrefecture(kTokyo);
  ClickLine(Form_Main->ListBox_Shi, 1);
  Form_Main->ListBox_Shi->setFocus();
  QInputMethodEvent commit;
  commit.setCommitString(QStringLiteral(u"ナ"));
  QApplication::sendEvent(Form_Main->ListBox_Shi, &commit);
  QCOMPARE(Form_Main->ListBox_Shi->currentRow(), 5);
  QCOMPARE(Lines(Form_Main->ListBox_Nmb), QStringList{QStringLiteral("8")});
}

QTEST_MAIN(TestBrowse)
#include "tst_browse.moc"
