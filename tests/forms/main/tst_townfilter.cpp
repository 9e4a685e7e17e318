// The town filter of the main window: its refusals, Enter, and the hand-over to the
// keyword-search window in town-area mode.
#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <QToolTip>

#include <vector>

#include "forms/aux/TForm_Map.h"
#include "forms/common/MessageBox.h"
#include "forms/main/ListBox.h"
#include "forms/main/TForm_Main.h"
#include "forms/search/TForm_View.h"
#include "forms/search/TThread_Search.h"
#include "support/DataLines.h"
#include "support/Modal.h"
#include "support/Sjis.h"
#include "support/Table.h"
#include "support/TempData.h"
#include "support/Windows.h"

namespace {

std::string TownLine(int code, const char* postal, const char* pref, const char* city, const char* town,
                     const char* townKana = "チョウ") {
  return KenLine(code, postal, "トウキョウト", "シ", townKana, pref, city, town);
}

// Two cities of Tokyo share a town name; a town of the first city's name appears also in
// another prefecture under the same code, so only the prefecture tells them apart.
std::string Tokyo() {
  return TownLine(13101, "1000000", "東京都", "千代田区", "以下に掲載がない場合") +
         TownLine(13101, "1000005", "東京都", "千代田区", "丸の内", "マルノウチ") +
         TownLine(13101, "1000004", "東京都", "千代田区", "大手町") +
         TownLine(13101, "1000099", "東京都", "千代田区", "本町") +
         TownLine(13102, "1040000", "東京都", "中央区", "以下に掲載がない場合") +
         TownLine(13102, "1040061", "東京都", "中央区", "銀座") +
         TownLine(13102, "1040098", "東京都", "中央区", "本町");
}
std::string Kanagawa() {
  return TownLine(13101, "2200000", "神奈川県", "横浜市", "丸の内");
}

constexpr int kTokyo = 12;  // row of 東京都 in the prefecture list

}  // namespace

class TestTownFilter : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void initTestCase();
  void cleanupTestCase();
  void init();
  void refusals_data();
  void refusals();
  void enterActsAsTheButton();
  void otherKeysReachTheEdit();
  void findsTownInChosenCityOnly_data();
  void findsTownInChosenCityOnly();
  void textOnlyInAnotherCityFindsNothing();
  void townLineShowsItsCode();
  void enterStartsTheFilter();
  void menuSearchKeepsTownMode();
  void realDataFromMapToTown();

 private:
  int CityRow(const char* city) const;
  // Chooses 東京都 and the given city line (-1: none) and types the filter text.
  void Prepare(int cityRow, const QString& text);
  // Runs the filter by its button; `whileOpen` sees the search window once its search
  // has ended.
  void RunFilter(std::function<void()> whileOpen, std::function<void()> start = {});
  std::vector<ShownMessage> shown_;
  TempData data_;
};

void TestTownFilter::initTestCase() {
  CreateTestWindows(&shown_);
  Form_Main->DataFolder = data_.folder();
  data_.writeEmptyPrefectures();
  QVERIFY(data_.write(KenName(13), Tokyo()));
  QVERIFY(data_.write(KenName(14), Kanagawa()));
  QVERIFY(ShowMainWindow());
}

void TestTownFilter::cleanupTestCase() {
  DestroyTestWindows();
}

void TestTownFilter::init() {
  shown_.clear();
}

int TestTownFilter::CityRow(const char* city) const {
  for (int i = 0; i < Form_Main->ListBox_Shi->count(); ++i)
    if (Form_Main->ListBox_Shi->item(i)->text().contains(QString::fromUtf8(city))) return i;
  return -1;
}

void TestTownFilter::Prepare(int cityRow, const QString& text) {
  Form_Main->ListBox_Ken->ClickRow(kTokyo);
  if (cityRow >= 0) Form_Main->ListBox_Shi->ClickRow(cityRow);
  Form_Main->Edit_KeyCho->setText(text);
  shown_.clear();
}

void TestTownFilter::RunFilter(std::function<void()> whileOpen, std::function<void()> start) {
  bool ran = false;
  const quint64 before = SearchThread->Generation();
  WhileModal(
      Form_View,
      [&] {
        // The search the window started has ended once the worker waits again; its rows and
        // notice were posted before that: deliver them now.
        QTRY_VERIFY_WITH_TIMEOUT(SearchThread->Generation() == before + 1 && SearchThread->IsWaiting(), 60000);
        QCoreApplication::sendPostedEvents();
        whileOpen();
      },
      &ran);
  if (start)
    start();
  else
    QTest::mouseClick(Form_Main->Button_Cho, Qt::LeftButton);
  QVERIFY(ran);
  QVERIFY(!Form_View->isVisible());
}

void TestTownFilter::refusals_data() {
  Columns<int, QString, QString, QString, QString>("prefecture",  // row in the prefecture list, -1 none
                                                   "city",        // "office" for line 0, empty for none
                                                   "text", "message", "focus");

  QTest::newRow("no prefecture") << -1 << QString() << QStringLiteral(u"本町")
                                 << QStringLiteral(u"都道府県名を選択してください") << QStringLiteral("ListBox_Ken");
  QTest::newRow("no prefecture, no text")
      << -1 << QString() << QString() << QStringLiteral(u"都道府県名を選択してください")
      << QStringLiteral("ListBox_Ken");
  QTest::newRow("no city") << kTokyo << QString() << QStringLiteral(u"本町")
                           << QStringLiteral(u"市区町村名を選択してください") << QStringLiteral("ListBox_Shi");
  QTest::newRow("office entry") << kTokyo << QStringLiteral("office") << QStringLiteral(u"本町")
                                << QStringLiteral(u"大口事業所の町域名検索は出来ません")
                                << QStringLiteral("ListBox_Shi");
  QTest::newRow("office entry, no text") << kTokyo << QStringLiteral("office") << QString()
                                         << QStringLiteral(u"大口事業所の町域名検索は出来ません")
                                         << QStringLiteral("ListBox_Shi");
  QTest::newRow("no text") << kTokyo << QStringLiteral(u"千代田区") << QString()
                           << QStringLiteral(u"検索する町村域名を入力してください") << QStringLiteral("Edit_KeyCho");
}

void TestTownFilter::refusals() {
  QFETCH(int, prefecture);
  QFETCH(QString, city);
  QFETCH(QString, text);
  QFETCH(QString, message);
  QFETCH(QString, focus);

  if (prefecture >= 0) {
    Form_Main->ListBox_Ken->ClickRow(prefecture);
  } else {
    Form_Main->ListBox_Ken->setCurrentRow(-1);
  }
  if (city == QStringLiteral("office")) {
    Form_Main->ListBox_Shi->ClickRow(0);
  } else if (!city.isEmpty()) {
    int row = CityRow(city.toUtf8().constData());
    QVERIFY(row > 0);
    Form_Main->ListBox_Shi->ClickRow(row);
  }
  Form_Main->Edit_KeyCho->setText(text);
  Form_Main->Edit_Keyword->setFocus();
  Form_View->SearchMode = 0;
  shown_.clear();
  const int prefectureRow = Form_Main->ListBox_Ken->currentRow();
  const int cityRow = Form_Main->ListBox_Shi->currentRow();

  QTest::mouseClick(Form_Main->Button_Cho, Qt::LeftButton);

  QCOMPARE(shown_.size(), std::size_t{1});
  QCOMPARE(shown_[0].text, message);
  QCOMPARE(shown_[0].caption, QStringLiteral(u"検索"));
  QCOMPARE(shown_[0].icon, MessageIcon::Error);
  QTRY_COMPARE(QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString(), focus);
  // Nothing else changes and no window opens.
  QVERIFY(!Form_View->isVisible());
  QCOMPARE(Form_View->SearchMode, 0);
  QCOMPARE(Form_Main->ListBox_Ken->currentRow(), prefectureRow);
  QCOMPARE(Form_Main->ListBox_Shi->currentRow(), cityRow);
  QCOMPARE(Form_Main->Edit_KeyCho->text(), text);
  // Asked again at once, with the focus now on the named control, it refuses alike.
  QTest::mouseClick(Form_Main->Button_Cho, Qt::LeftButton);
  QCOMPARE(shown_.size(), std::size_t{2});
  QCOMPARE(shown_[1].text, message);
}

void TestTownFilter::enterActsAsTheButton() {
  Form_Main->ListBox_Ken->setCurrentRow(-1);
  Form_Main->Edit_KeyCho->setText(QStringLiteral(u"本町"));
  Form_Main->Edit_KeyCho->setFocus();
  QTest::keyClick(Form_Main->Edit_KeyCho, Qt::Key_Return);
  QCOMPARE(shown_.size(), std::size_t{1});
  QCOMPARE(shown_[0].text, QStringLiteral(u"都道府県名を選択してください"));
  QCOMPARE(shown_[0].caption, QStringLiteral(u"検索"));
  QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(Form_Main->ListBox_Ken));
  shown_.clear();
  Form_Main->Edit_KeyCho->setFocus();
  QTest::keyClick(Form_Main->Edit_KeyCho, Qt::Key_Enter);  // the keypad's Enter too
  QCOMPARE(shown_.size(), std::size_t{1});
}

void TestTownFilter::otherKeysReachTheEdit() {
  Form_Main->ListBox_Ken->setCurrentRow(-1);
  Form_Main->Edit_KeyCho->clear();
  Form_Main->Edit_KeyCho->setFocus();
  QTest::keyClicks(Form_Main->Edit_KeyCho, QStringLiteral("ab"));
  QTest::keyClick(Form_Main->Edit_KeyCho, Qt::Key_Backspace);
  QCOMPARE(Form_Main->Edit_KeyCho->text(), QStringLiteral("a"));
  QVERIFY(shown_.empty());
}

void TestTownFilter::findsTownInChosenCityOnly_data() {
  Columns<QString, QString, QString, QString>("city", "text", "postal", "code");
  // 本町 lies in both cities; 丸の内 also in another prefecture under the same code.
  QTest::newRow("本町 in 千代田区") << QStringLiteral(u"千代田区") << QStringLiteral(u"本町")
                                    << QStringLiteral("100-0099") << QStringLiteral("13101");
  QTest::newRow("本町 in 中央区") << QStringLiteral(u"中央区") << QStringLiteral(u"本町") << QStringLiteral("104-0098")
                                  << QStringLiteral("13102");
  QTest::newRow("丸の内 in 千代田区") << QStringLiteral(u"千代田区") << QStringLiteral(u"丸の内")
                                      << QStringLiteral("100-0005") << QStringLiteral("13101");
  // The tolerant pass finds a town by its reading, however the kana are typed.
  QTest::newRow("reading in hiragana") << QStringLiteral(u"千代田区") << QStringLiteral(u"まるのうち")
                                       << QStringLiteral("100-0005") << QStringLiteral("13101");
  QTest::newRow("reading in katakana") << QStringLiteral(u"千代田区") << QStringLiteral(u"マルノ")
                                       << QStringLiteral("100-0005") << QStringLiteral("13101");
  QTest::newRow("reading in half-width kana") << QStringLiteral(u"千代田区") << QStringLiteral(u"ﾏﾙﾉｳﾁ")
                                              << QStringLiteral("100-0005") << QStringLiteral("13101");
  QTest::newRow("part of a name") << QStringLiteral(u"千代田区") << QStringLiteral(u"手") << QStringLiteral("100-0004")
                                  << QStringLiteral("13101");
}

void TestTownFilter::findsTownInChosenCityOnly() {
  QFETCH(QString, city);
  QFETCH(QString, text);
  QFETCH(QString, postal);
  QFETCH(QString, code);
  Form_Main->ListBox_Ken->ClickRow(kTokyo);
  const int cityRow = CityRow(city.toUtf8().constData());
  QVERIFY(cityRow > 0);
  Prepare(cityRow, text);

  int mode = -1;
  QString keyword;
  int rows = 0;
  QString cells[5];
  RunFilter([&] {
    mode = Form_View->SearchMode;
    keyword = Form_View->Edit_Keyword->text();
    rows = Form_View->StringGrid1->RowCount();
    for (int c = 0; c < 5; ++c) cells[c] = Form_View->StringGrid1->Cell(c, 1);
  });
  QCOMPARE(mode, 1);
  QCOMPARE(keyword, text);
  QCOMPARE(SearchThread->FilterPrefName, S("東京都"));
  QCOMPARE(SearchThread->FilterCityCode, code.toStdString());
  QCOMPARE(rows, 2);  // heading row and the one hit
  QCOMPARE(cells[0], postal);
  QVERIFY2(cells[1].contains(city), qPrintable(cells[1]));
  QVERIFY2(cells[3].contains(code), qPrintable(cells[3]));
  QVERIFY(shown_.empty());
  // The filter leaves the main window's lists and selections as they were.
  QCOMPARE(Form_Main->ListBox_Ken->currentRow(), kTokyo);
  QCOMPARE(Form_Main->ListBox_Shi->currentRow(), cityRow);
  QCOMPARE(Form_Main->Edit_KeyCho->text(), text);
}

// Resting the pointer on a town line shows its postal code; the prompt line shows none.
void TestTownFilter::townLineShowsItsCode() {
  Form_Main->show();
  Form_Main->ListBox_Ken->ClickRow(kTokyo);
  TListBox* towns = Form_Main->ListBox_Cho;
  auto tipAt = [towns](int row) {
    QToolTip::hideText();
    QRect line = towns->visualItemRect(towns->item(row));
    QHelpEvent help(QEvent::ToolTip, line.center(), towns->viewport()->mapToGlobal(line.center()));
    QApplication::sendEvent(towns->viewport(), &help);
    return QToolTip::isVisible() ? QToolTip::text() : QString();
  };
  QCOMPARE(tipAt(0), QString());  // "市区町村を指定してください。"
  Form_Main->ListBox_Shi->ClickRow(CityRow("千代田区"));
  const QList<QListWidgetItem*> found = towns->findItems(QStringLiteral(u"丸の内"), Qt::MatchContains);
  const int row = found.isEmpty() ? -1 : towns->row(found.first());
  QVERIFY(row >= 0);
  QCOMPARE(tipAt(row), QStringLiteral(u"〒100-0005"));
  QToolTip::hideText();
  Form_Main->hide();
}

void TestTownFilter::textOnlyInAnotherCityFindsNothing() {
  Form_Main->ListBox_Ken->ClickRow(kTokyo);
  Prepare(CityRow("千代田区"), QStringLiteral(u"銀座"));
  int rows = 0;
  QString firstCell = QStringLiteral("unread");
  RunFilter([&] {
    QTRY_COMPARE(shown_.size(), std::size_t{1});
    rows = Form_View->StringGrid1->RowCount();
    firstCell = Form_View->StringGrid1->Cell(0, 1);
  });
  QCOMPARE(rows, 2);
  QCOMPARE(firstCell, QString());
  QCOMPARE(shown_.size(), std::size_t{1});
  QCOMPARE(shown_[0].text, QStringLiteral(u"検索しましたが見つかりませんでした。"));
  QCOMPARE(shown_[0].icon, MessageIcon::Information);
}

void TestTownFilter::enterStartsTheFilter() {
  Form_Main->ListBox_Ken->ClickRow(kTokyo);
  Prepare(CityRow("中央区"), QStringLiteral(u"銀座"));
  QString firstCell;
  RunFilter([&] { firstCell = Form_View->StringGrid1->Cell(0, 1); },
            [] {
              Form_Main->Edit_KeyCho->setFocus();
              QTest::keyClick(Form_Main->Edit_KeyCho, Qt::Key_Return);
            });
  QCOMPARE(firstCell, QStringLiteral("104-0061"));
}

void TestTownFilter::menuSearchKeepsTownMode() {
  Form_Main->ListBox_Ken->ClickRow(kTokyo);
  Prepare(CityRow("千代田区"), QStringLiteral(u"大手町"));
  RunFilter([] {});
  bool ran = false;
  int mode = -1;
  QString keyword = QStringLiteral("unread");
  WhileModal(
      Form_View,
      [&] {
        mode = Form_View->SearchMode;
        keyword = Form_View->Edit_Keyword->text();
      },
      &ran);
  Form_Main->Menu_Find->trigger();
  QVERIFY(ran);
  QCOMPARE(mode, 1);
  QCOMPARE(keyword, QString());
}

// On the imported data: 東京都 chosen on the map, 千代田区 in the city list, 丸の内 in the
// filter; every hit lies in that city.
void TestTownFilter::realDataFromMapToTown() {
  const QByteArray folder = qgetenv("TANZEL_TEST_DATA");
  if (folder.isEmpty() || !QFile::exists(QString::fromLocal8Bit(folder) + QStringLiteral("/KEN13.CSV")))
    QSKIP("no imported data files");
  const std::string testFolder = Form_Main->DataFolder;
  Form_Main->DataFolder = folder.toStdString() + "/";

  bool ran = false;
  WhileModal(
      Form_Map,
      [] { QTest::mouseClick(Form_Map->findChild<QPushButton*>(QStringLiteral("Button47")), Qt::LeftButton); }, &ran);
  QTest::mouseClick(Form_Main->SpeedButton_Map, Qt::LeftButton);
  QVERIFY(ran);
  QCOMPARE(Form_Main->ListBox_Ken->currentRow(), kTokyo);
  const int cityRow = CityRow("千代田区");
  QVERIFY(cityRow > 0);
  Form_Main->ListBox_Shi->ClickRow(cityRow);
  Form_Main->Edit_KeyCho->setText(QStringLiteral(u"丸の内"));
  shown_.clear();

  int rows = 0;
  QStringList wrong;
  RunFilter([&] {
    rows = Form_View->StringGrid1->RowCount();
    for (int r = 1; r < rows; ++r) {
      const QString kanji = Form_View->StringGrid1->Cell(1, r), code = Form_View->StringGrid1->Cell(3, r);
      if (!kanji.contains(QStringLiteral(u"東京都千代田区丸の内")) || !code.contains(QStringLiteral("13101")))
        wrong.append(kanji + QLatin1Char(' ') + code);
    }
  });
  Form_Main->DataFolder = testFolder;
  QVERIFY(rows > 2);  // the district and its many buildings
  QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(QLatin1Char('\n'))));
  QVERIFY(shown_.empty());
}

QTEST_MAIN(TestTownFilter)
#include "tst_townfilter.moc"
