// The search window with its worker on the offscreen platform: openers, start, rows,
// caption and wait message, hit counter, notices, cancel, reopening during a search, the
// result dialog from a row, and the keyword limit.

#include <QtTest>

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>

#include <atomic>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <set>
#include <thread>

#include "app/Application.h"
#include "core/data/DataFile.h"
#include "forms/common/MessageBox.h"
#include "forms/main/TForm_Main.h"
#include "forms/nmb7/TForm_Nmb7.h"
#include "forms/search/SearchEvents.h"
#include "forms/search/TForm_View.h"
#include "forms/search/TThread_Search.h"
#include "support/DataLines.h"
#include "support/Table.h"
#include "support/TempData.h"
#include "support/Windows.h"

using namespace tanzel;

namespace {

struct Box {
  QString text;
  QString caption;
  MessageIcon icon;
};

QString U(const char* utf8) {
  return QString::fromUtf8(utf8);
}

// The data files whose opening holds the worker until the test lets them go: the search
// reads a DataSet whose read hook waits on them.
struct Holds {
  std::mutex mutex;
  std::condition_variable released;
  std::set<std::string> paths;  // canonical
  std::atomic<int> waiting{0};  // workers held now

  void Wait(const char* path) {
    const std::string canonical = Canonical(path);
    std::unique_lock<std::mutex> lock(mutex);
    if (paths.count(canonical) == 0) return;
    ++waiting;
    // A few seconds at most: a test that never lets go fails instead of hanging.
    released.wait_for(lock, std::chrono::seconds(10), [&] { return paths.count(canonical) == 0; });
    --waiting;
  }
  static std::string Canonical(const std::string& path) {
    char resolved[PATH_MAX];
    return ::realpath(path.c_str(), resolved) ? std::string(resolved) : path;
  }
};
Holds& TheHolds() {
  static Holds holds;
  return holds;
}

// A data file the worker stops at, before opening it, until the test writes it.
class HeldFile {
 public:
  HeldFile(const TempData& dir, const std::string& name) : dir_(dir), name_(name) {
    std::lock_guard<std::mutex> lock(TheHolds().mutex);
    TheHolds().paths.insert(Holds::Canonical(dir.path(name)));
  }
  ~HeldFile() { Release(); }
  // Writes `bytes` into the file and lets the worker open it.
  void Release(const std::string& bytes = {}) {
    if (released_) return;
    released_ = true;
    dir_.write(name_, bytes);
    std::lock_guard<std::mutex> lock(TheHolds().mutex);
    TheHolds().paths.erase(Holds::Canonical(dir_.path(name_)));
    TheHolds().released.notify_all();
  }

 private:
  const TempData& dir_;
  std::string name_;
  bool released_ = false;
};

}  // namespace

class TestSearchView : public QObject {
  Q_OBJECT

 private:
  TempData* data_ = nullptr;
  QList<Box> boxes_;

  static bool WaitIdle() {
    return QTest::qWaitFor([] { return SearchThread->IsWaiting(); }, 10000);
  }

 private Q_SLOTS:
  void init() {
    SetApplicationTitle(QString::fromUtf16(kApplicationTitle));
    boxes_.clear();
    SetMessageHandler([this](const QString& text, const QString& caption, MessageIcon icon) {
      boxes_.append({text, caption, icon});
    });
    CreateWindows();
    data_ = new TempData();
    Form_Main->DataFolder = data_->folder();
    data_->writeEmptyPrefectures();
    // The worker reads the data folder through the hook that holds it at a HeldFile.
    delete SearchThread;
    SearchThread = new TThread_Search(
        [] { return DataSet::Open(Form_Main->DataFolder, [](const char* path) { TheHolds().Wait(path); }); });
  }
  void cleanup() {
    DestroyWindows();
    delete data_;
    data_ = nullptr;
    SetMessageHandler({});
  }

  void layout() {
    QCOMPARE(Form_View->windowTitle(), U("キーワード検索"));
    QCOMPARE(Form_View->size(), QSize(792, 573));
    QCOMPARE(Form_View->SearchMode, 0);
    TStringGrid* grid = Form_View->StringGrid1;
    QCOMPARE(grid->geometry(), QRect(16, 80, 761, 446));
    QCOMPARE(grid->columnCount(), 6);
    const int widths[] = {72, 197, 240, 123, 118, 64};
    const char* headings[] = {"郵便番号", "漢字", "フリガナ", "地方公共団体コード", "", ""};
    for (int c = 0; c < 6; ++c) {
      QCOMPARE(grid->columnWidth(c), widths[c]);
      QTableWidgetItem* heading = grid->horizontalHeaderItem(c);
      QCOMPARE(heading ? heading->text() : QString(), U(headings[c]));
    }
    QCOMPARE(grid->RowCount(), 2);
    QCOMPARE(Form_View->Edit_Keyword->geometry(), QRect(16, 48, 209, 20));
    QCOMPARE(Form_View->Button_Search->text(), U("検索"));
    QCOMPARE(Form_View->Label_Hit->text(), QStringLiteral("0"));
    QCOMPARE(Form_View->Label_Hit->geometry().right() + 1, 753);
    QVERIFY(Form_View->Label_Msg->isHidden());
    QCOMPARE(Form_View->Image_Search->pos(), QPoint(16, 14));
    QCOMPARE(Form_View->Timer_Search->interval(), 200);
    QVERIFY(Form_View->Timer_Search->isActive());
  }

  // Enter in the main window's keyword edit opens the window in mode 0 with that keyword
  // and starts the search; the rows arrive in hit order.
  void enterInMainWindowSearches() {
    std::string lines = TokyoLines(300);
    QVERIFY(data_->write(KenName(13), lines));
    QVERIFY(data_->write(
        JigName(2), JigLine(13101, "クナイチヨウ", "宮内庁", "東京都", "千代田区", "千代田", "１－１", "1008111")));
    Form_View->SearchMode = 1;
    Form_Main->Edit_Keyword->setText(U("千代田"));
    bool checked = false;
    QTimer::singleShot(0, Form_View, [&] {
      [&] {
        QVERIFY(Form_View->isVisible());
        QCOMPARE(Form_View->SearchMode, 0);
        QCOMPARE(Form_View->Edit_Keyword->text(), U("千代田"));
        QVERIFY(WaitIdle());
        QTRY_COMPARE(Form_View->StringGrid1->RowCount(), 302);
        QTRY_COMPARE(Form_View->Label_Hit->text(), QStringLiteral("301"));
        QTRY_COMPARE(Form_View->Button_Search->text(), U("検索"));
        QTRY_VERIFY(Form_View->Label_Msg->isHidden());
        QCOMPARE(Form_View->Label_Hit->geometry().right() + 1, 753);
        TStringGrid* grid = Form_View->StringGrid1;
        for (int r = 1; r <= 300; ++r) {
          QCOMPARE(grid->Cell(0, r), QString::fromLatin1("100-%1").arg(r - 1, 4, 10, QLatin1Char('0')));
        }
        QCOMPARE(grid->Cell(1, 1), U("東京都千代田区丸の内"));
        QCOMPARE(grid->Cell(2, 1), U("トウキョウトチヨダクマルノウチ"));
        QCOMPARE(grid->Cell(3, 1), QStringLiteral("13101"));
        QCOMPARE(grid->Cell(4, 1), QString());
        QCOMPARE(grid->Cell(1, 301), U("宮内庁"));
        QCOMPARE(grid->Cell(4, 301), U("東京都千代田区千代田１－１"));
        QVERIFY(boxes_.isEmpty());
        checked = true;
      }();
      Form_View->close();
    });
    QTest::keyClick(Form_Main->Edit_Keyword, Qt::Key_Return);
    QVERIFY(checked);
  }

  // Every opening puts the input focus in the keyword edit; Tab goes edit, search button,
  // grid, OK, and leaves the grid at once.
  void opensWithKeywordFocusedAndTabOrder() {
    QStringList typed;
    QList<QWidget*> tabs;
    auto whileOpen = [&](bool walkTabs) {
      QTimer::singleShot(0, Form_View, [&, walkTabs] {
        QTRY_VERIFY(Form_View->isActiveWindow());
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("ab"));
        typed << Form_View->Edit_Keyword->text();
        if (walkTabs) {
          for (int i = 0; i < 4; ++i) {
            tabs << QApplication::focusWidget();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
          }
        } else {
          Form_View->StringGrid1->setFocus();  // left with the grid focused
        }
        Form_View->close();
      });
      Form_Main->Menu_Find->trigger();
    };
    QVERIFY(ShowMainWindow());
    whileOpen(false);
    whileOpen(true);
    QCOMPARE(typed, (QStringList{QStringLiteral("ab"), QStringLiteral("ab")}));
    QCOMPARE(tabs, (QList<QWidget*>{Form_View->Edit_Keyword, Form_View->Button_Search, Form_View->StringGrid1,
                                    Form_View->Button_Close}));
  }

  void menuOpensWithEmptyKeywordAndKeepsMode() {
    Form_View->SearchMode = 1;
    Form_View->Edit_Keyword->setText(U("札幌"));
    bool checked = false;
    QTimer::singleShot(0, Form_View, [&] {
      [&] {
        QCOMPARE(Form_View->Edit_Keyword->text(), QString());
        QCOMPARE(Form_View->SearchMode, 1);
        QVERIFY(SearchThread->IsWaiting());  // nothing started
        checked = true;
      }();
      Form_View->close();
    });
    Form_Main->Menu_Find->trigger();
    QVERIFY(checked);
    QVERIFY(boxes_.isEmpty());
  }

  void noHitShowsNotice() {
    Form_View->Edit_Keyword->setText(U("大阪"));
    Form_View->show();
    QVERIFY(WaitIdle());
    QTRY_COMPARE(boxes_.size(), 1);
    QCOMPARE(boxes_[0].text, U("検索しましたが見つかりませんでした。"));
    QCOMPARE(boxes_[0].caption, QString::fromUtf16(kApplicationTitle));
    QCOMPARE(boxes_[0].icon, MessageIcon::Information);
    QTRY_COMPARE(Form_View->Label_Hit->text(), QStringLiteral("0"));
    QCOMPARE(Form_View->StringGrid1->RowCount(), 2);
    QCOMPARE(Form_View->StringGrid1->Cell(0, 1), QString());
  }

  void missingFileShowsError() {
    QVERIFY(data_->write(KenName(1), TokyoLine(1)));
    QFile::remove(QString::fromStdString(data_->path(KenName(2))));
    Form_View->Edit_Keyword->setText(U("千代田"));
    Form_View->show();
    QVERIFY(WaitIdle());
    QTRY_COMPARE(boxes_.size(), 1);
    QCOMPARE(boxes_[0].text, U("データファイルが見つかりません"));
    QCOMPARE(boxes_[0].icon, MessageIcon::Error);
    QTRY_COMPARE(Form_View->Label_Hit->text(), QStringLiteral("-1"));
    QCOMPARE(Form_View->StringGrid1->RowCount(), 2);
    QCOMPARE(Form_View->StringGrid1->Cell(0, 1), QStringLiteral("100-0001"));
  }

  void limitGivesAllRowsAndNotice() {
    std::string lines = TokyoLines(10240);
    QVERIFY(data_->write(KenName(13), lines));
    Form_View->Edit_Keyword->setText(U("千代田"));
    Form_View->show();
    QVERIFY(WaitIdle());
    QTRY_COMPARE(boxes_.size(), 1);
    QCOMPARE(boxes_[0].text, U("検索結果が最大数をオーバーしました。"));
    QTRY_COMPARE(Form_View->StringGrid1->RowCount(), 10241);
    QCOMPARE(Form_View->StringGrid1->Cell(0, 10240), QStringLiteral("101-0239"));  // line 10239
  }

  void emptyKeywordAsksAndFocusesEdit() {
    Form_View->Edit_Keyword->clear();
    Form_View->show();
    QVERIFY(QTest::qWaitForWindowExposed(Form_View));
    Form_View->activateWindow();
    Form_View->Button_Search->setFocus();
    QTest::mouseClick(Form_View->Button_Search, Qt::LeftButton);
    QTRY_COMPARE(boxes_.size(), 1);
    QCOMPARE(boxes_[0].text, U("検索する地名または郵便番号を入力してください"));
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(Form_View->Edit_Keyword));
  }

  // While the worker is held on a file: caption, message and icon follow it; the button
  // and Enter cancel; reopening the window cancels instead of starting anew.
  void runningSearchAndCancel() {
    HeldFile held(*data_, KenName(1));
    QVERIFY(data_->write(KenName(2), TokyoLine(2)));
    Form_View->Edit_Keyword->setText(U("千代田"));
    Form_View->show();
    QVERIFY(!Form_View->Label_Msg->isHidden());  // shown at once by the start
    QVERIFY(!SearchThread->IsWaiting());
    Form_View->Timer_SearchTimer();
    QCOMPARE(Form_View->Button_Search->text(), U("キャンセル"));
    QVERIFY(!Form_View->Label_Msg->isHidden());
    QVERIFY(Form_View->Image_Search->pos() != QPoint(16, 14));

    // Closed and reopened with a keyword: the running search is cancelled.
    Form_View->close();
    QCOMPARE(SearchThread->CancelFlag(), 0);
    Form_View->Edit_Keyword->setText(U("別の町"));
    Form_View->show();
    QCOMPARE(SearchThread->CancelFlag(), 1);
    QVERIFY(!SearchThread->IsWaiting());

    // The search keeps what it was started with: the first keyword, in mode 0.
    held.Release(TokyoLine(1));
    QVERIFY(WaitIdle());
    QTRY_COMPARE(Form_View->Button_Search->text(), U("検索"));
    QTRY_VERIFY(Form_View->Label_Msg->isHidden());
    QTRY_COMPARE(Form_View->Image_Search->pos(), QPoint(16, 14));  // the circuit ends at home
    QTRY_COMPARE(boxes_.size(), 1);
    QCOMPARE(boxes_[0].text, U("検索しましたが見つかりませんでした。"));  // cancelled before its first hit
  }

  // A row of the search before, arriving once a new search has started, is dropped.
  void rowsOfAnEarlierSearchAreDropped() {
    HeldFile held(*data_, KenName(1));
    Form_View->Edit_Keyword->setText(U("千代田"));
    Form_View->show();
    QVERIFY(!SearchThread->IsWaiting());
    auto* late = new SearchRowEvent(SearchThread->Generation() - 1, 3);
    late->cells[0] = QStringLiteral("999-9999");
    QCoreApplication::postEvent(Form_View, late);
    QCoreApplication::sendPostedEvents(Form_View);
    QCOMPARE(Form_View->StringGrid1->RowCount(), 2);
    QCOMPARE(Form_View->StringGrid1->Cell(0, 1), QString());
    held.Release(TokyoLine(1));
    QVERIFY(WaitIdle());
    QTRY_COMPARE(Form_View->StringGrid1->Cell(0, 1), QStringLiteral("100-0001"));
    QCOMPARE(Form_View->StringGrid1->RowCount(), 2);
  }

  // A keyword found only in the data's own forms: the rows come, and the window says which
  // form they are for; the next search clears it.
  void tolerantHitsSayTheirForm() {
    QVERIFY(data_->write(KenName(13), TokyoLine(1)));
    Form_View->Edit_Keyword->setText(U("まるのうち"));
    Form_View->show();
    QVERIFY(WaitIdle());
    QTRY_COMPARE(Form_View->StringGrid1->Cell(0, 1), QStringLiteral("100-0001"));
    Form_View->Timer_SearchTimer();
    QTRY_VERIFY(Form_View->Label_SearchedAs->isVisible());
    QCOMPARE(Form_View->Label_SearchedAs->text(), U("「マルノウチ」で検索した結果です"));
    QVERIFY(Form_View->Label_Msg->isHidden());
    QVERIFY(boxes_.isEmpty());

    Form_View->Edit_Keyword->setText(U("丸の内"));  // found as typed
    Form_View->Button_SearchClick();
    QVERIFY(WaitIdle());
    Form_View->Timer_SearchTimer();
    QVERIFY(Form_View->Label_SearchedAs->isHidden());
    Form_View->close();
  }

  void enterCancelsAndOptionsAreCopiedAtStart() {
    HeldFile held(*data_, KenName(1));
    QVERIFY(data_->write(
        KenName(2), TokyoLine(2) + KenLine(1101, "0600001", "ア", "ア", "ア", "北海道", "札幌市中央区", "千代田")));
    Form_View->SearchMode = 1;
    SearchThread->FilterPrefName = Sjis("北海道");
    SearchThread->FilterCityCode = "1101";
    Form_View->Edit_Keyword->setText(U("千代田"));
    Form_View->show();
    QVERIFY(!SearchThread->IsWaiting());
    // Openers may change everything while the search runs; it keeps its own copies.
    Form_View->SearchMode = 0;
    SearchThread->FilterPrefName = Sjis("東京都");
    SearchThread->FilterCityCode = "13101";
    Form_View->Edit_Keyword->setText(U("丸の内"));
    held.Release();
    QVERIFY(WaitIdle());
    QTRY_COMPARE(Form_View->Label_Hit->text(), QStringLiteral("1"));
    QCOMPARE(Form_View->StringGrid1->Cell(1, 1), U("北海道札幌市中央区千代田"));

    // Enter in the edit acts as the button: while a search runs it cancels.
    HeldFile again(*data_, KenName(3));
    Form_View->SearchMode = 0;
    QTest::keyClick(Form_View->Edit_Keyword, Qt::Key_Return);
    QVERIFY(!SearchThread->IsWaiting());
    QTest::keyClick(Form_View->Edit_Keyword, Qt::Key_Return);
    QCOMPARE(SearchThread->CancelFlag(), 1);
    again.Release();
    QVERIFY(WaitIdle());
  }

  // An address typed into the main window: the window opens with its code as the first row,
  // and a press on that row shows the record as for any hit.
  void addressRowComesFirst() {
    QVERIFY(
        data_->write(KenName(13), KenLine(13101, "1000000", "トウキョウト", "チヨダク", "イカニケイサイガナイバアイ",
                                          "東京都", "千代田区", "以下に掲載がない場合") +
                                      KenLine(13101, "1000005", "トウキョウト", "チヨダク", "マルノウチ", "東京都",
                                              "千代田区", "丸の内（次のビルを除く）")));
    QString shownName;
    QString shownTitle;
    QTimer::singleShot(0, Form_View, [&] {
      [&] {
        QVERIFY(WaitIdle());
        TStringGrid* grid = Form_View->StringGrid1;
        QTRY_COMPARE(grid->Cell(0, 1), QStringLiteral("100-0005"));
        QCOMPARE(grid->Cell(1, 1), U("東京都千代田区丸の内（次のビルを除く）"));
        Form_View->Timer_SearchTimer();
        QVERIFY(Form_View->Label_SearchedAs->text().startsWith(U("住所")));
        QTimer::singleShot(0, Form_Nmb7, [&] {
          shownName = Form_Nmb7->Memo_Name->toPlainText();
          shownTitle = Form_Nmb7->windowTitle();
          Form_Nmb7->close();
        });
        QRect cell = grid->visualRect(grid->model()->index(0, 1));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
        QTRY_VERIFY(!shownName.isEmpty());
        QVERIFY(boxes_.isEmpty());
      }();
      Form_View->close();
    });
    Form_Main->Edit_Keyword->setText(U("東京都千代田区丸の内1丁目9番1号"));
    QTest::keyClick(Form_Main->Edit_Keyword, Qt::Key_Return);
    QCOMPARE(shownName, U("〒100-0005\n東京都千代田区丸の内（次のビルを除く）\nトウキョウトチヨダクマルノウチ\n"));
    QVERIFY2(shownTitle.contains(U("住所から")), qPrintable(shownTitle));  // how the code was found
  }

  // The rows of an address come first, shaded, saying how sure they are; none comes twice.
  void addressRowsStandApart_data() {
    Columns<QString, QString, QString, QString>("keyword",
                                                "codeText",  // the codes of the address rows, in order
                                                "caption",   // part of the message line
                                                "mark");     // part of each such row's tooltip
    QTest::newRow("sure, with the office at the block")
        << U("大阪市北区梅田3-1-3") << QStringLiteral("530-0001 530-8217") << U("住所として読んだ") << U("住所から");
    QTest::newRow("a town alone, down to its block")
        << U("梅田3-1-3") << QStringLiteral("530-0001 530-8217") << U("住所として読んだ") << U("住所から");
    QTest::newRow("catch-all") << U("東京都千代田区霞が関1-1") << QStringLiteral("100-0000")
                               << U("町域が見つかりません") << U("代表番号");
    QTest::newRow("a ward that is no more") << U("静岡県浜松市中区元城町103-2") << QStringLiteral("430-0946")
                                            << U("区が見つかりません") << U("町域のある区");
    QTest::newRow("several cities") << U("中央区本町1-1") << QStringLiteral("260-0012 541-0053") << U("複数の地域")
                                    << U("候補");
  }
  void addressRowsStandApart() {
    QFETCH(QString, keyword);
    QFETCH(QString, codeText);
    const QStringList codes = codeText.split(QLatin1Char(' '));
    QFETCH(QString, caption);
    QFETCH(QString, mark);
    QVERIFY(data_->write(
        KenName(13),
        KenLine(13101, "1000000", "トウキョウト", "チヨダク", "イカニケイサイガナイバアイ", "東京都", "千代田区",
                "以下に掲載がない場合") +
            KenLine(13101, "1000005", "トウキョウト", "チヨダク", "マルノウチ", "東京都", "千代田区", "丸の内")));
    QVERIFY(data_->write(KenName(12), KenLine(12101, "2600012", "チバケン", "チバシチュウオウク", "ホンチョウ",
                                              "千葉県", "千葉市中央区", "本町")));
    QVERIFY(data_->write(KenName(27), KenLine(27128, "5410053", "オオサカフ", "オオサカシチュウオウク", "ホンマチ",
                                              "大阪府", "大阪市中央区", "本町") +
                                          KenLine(27127, "5300001", "オオサカフ", "オオサカシキタク", "ウメダ",
                                                  "大阪府", "大阪市北区", "梅田")));
    QVERIFY(data_->write(
        KenName(22), KenLine(22138, "4300946", "シズオカケン", "ハママツシチュウオウク", "モトシロチョウ", "静岡県",
                             "浜松市中央区", "元城町") +
                         KenLine(22139, "4300800", "シズオカケン", "ハママツシハマナク", "イカニケイサイガナイバアイ",
                                 "静岡県", "浜松市浜名区", "以下に掲載がない場合")));
    QVERIFY(data_->write(
        JigName(27), JigLine(27127, "ルクア", "ＬＵＣＵＡ", "大阪府", "大阪市北区", "梅田", "３－１－３", "5308217")));
    Form_View->Edit_Keyword->setText(keyword);
    Form_View->show();
    QVERIFY(WaitIdle());
    TStringGrid* grid = Form_View->StringGrid1;
    QTRY_COMPARE(grid->Cell(0, 1), codes.front());
    Form_View->Timer_SearchTimer();
    QVERIFY2(Form_View->Label_SearchedAs->text().contains(caption), qPrintable(Form_View->Label_SearchedAs->text()));
    QSet<QString> seen;
    for (int row = 1; row < grid->RowCount(); ++row) {
      bool resolved = row <= static_cast<int>(codes.size());
      if (resolved) QCOMPARE(grid->Cell(0, row), codes[row - 1]);
      QCOMPARE(grid->RowMark(row).contains(mark), resolved);
      QString cells = grid->Cell(0, row) + grid->Cell(1, row);
      QVERIFY2(!seen.contains(cells), qPrintable(cells));
      seen.insert(cells);
    }
    QVERIFY(grid->RowCount() > static_cast<int>(codes.size()));
    grid->selectRow(0);  // a copied row says what it is
    QVERIFY(grid->SelectedRowsText().trimmed().endsWith(grid->RowMark(1)));
    Form_View->close();
  }

  void pressingRowsFillsResultDialog() {
    QVERIFY(data_->write(KenName(1), KenLine(1101, "0640941", "ホッカイドウ", "サッポロシチュウオウク", "アサヒガオカ",
                                             "北海道", "札幌市中央区", "旭ケ丘")));
    QVERIFY(data_->write(
        JigName(1), JigLine(1101, "アサヒシャ", "旭社", "北海道", "札幌市中央区", "北一条西", "６丁目", "0608621")));
    Form_View->Edit_Keyword->setText(U("旭"));
    Form_View->show();
    QVERIFY(WaitIdle());
    QTRY_COMPARE(Form_View->StringGrid1->RowCount(), 3);
    QTRY_COMPARE(Form_View->StringGrid1->Cell(0, 2), QStringLiteral("060-8621"));
    TStringGrid* grid = Form_View->StringGrid1;

    struct Seen {
      QString digits, name, code;
      std::string adr;
    };
    auto press = [&](int row, Qt::MouseButton button) {
      Seen seen;
      bool shown = false;
      QTimer::singleShot(0, Form_Nmb7, [&] {
        shown = Form_Nmb7->isVisible();
        for (int i = 0; i < 7; ++i) seen.digits += Form_Nmb7->NmbLabel(i)->text();
        seen.name = Form_Nmb7->Memo_Name->toPlainText();
        seen.code = Form_Nmb7->Memo_Code->toPlainText();
        seen.adr = Form_Nmb7->AdrText;
        Form_Nmb7->close();
      });
      QRect cell = grid->visualRect(grid->model()->index(row - 1, 1));
      QTest::mouseClick(grid->viewport(), button, {}, cell.center());
      if (!shown) QTest::qWait(0);
      return std::make_pair(shown, seen);
    };

    auto [shown, address] = press(1, Qt::LeftButton);
    QVERIFY(shown);
    QCOMPARE(address.digits, QStringLiteral("0640941"));
    QCOMPARE(address.name, U("〒064-0941\n北海道札幌市中央区旭ケ丘\nホッカイドウサッポロシチュウオウクアサヒガオカ\n"));
    QCOMPARE(address.code, U("地方公共団体コード：01101\nディジットコード付：011011"));
    QCOMPARE(address.adr, Sjis("北海道札幌市中央区旭ケ丘"));

    auto [shown2, office] = press(2, Qt::LeftButton);
    QVERIFY(shown2);
    QCOMPARE(office.digits, QStringLiteral("0608621"));
    QCOMPARE(office.name, U("〒060-8621\n旭社\nアサヒシャ\n北海道札幌市中央区北一条西６丁目"));
    QCOMPARE(office.adr, Sjis("北海道札幌市中央区北一条西６丁目"));  // the office's address, as browsing copies it

    // Whatever the button, the row under the pointer is the one shown, and it becomes the
    // highlighted row.
    auto [shown3, right] = press(1, Qt::RightButton);
    QVERIFY(shown3);
    QCOMPARE(right.digits, QStringLiteral("0640941"));
    QCOMPARE(grid->CurrentRow(), 1);
    auto [shown4, middle] = press(2, Qt::MiddleButton);
    QVERIFY(shown4);
    QCOMPARE(middle.digits, QStringLiteral("0608621"));
    QCOMPARE(grid->CurrentRow(), 2);

    // A drag from row 1 to row 2 shows row 1, once, and selects both rows.
    int shownCount = 0;
    QString dragged;
    QTimer::singleShot(0, Form_Nmb7, [&] {
      ++shownCount;
      dragged = Form_Nmb7->NmbLabel(0)->text() + Form_Nmb7->NmbLabel(6)->text();
      Form_Nmb7->close();
    });
    QPoint from = grid->visualRect(grid->model()->index(0, 0)).center();
    QPoint to = grid->visualRect(grid->model()->index(1, 2)).center();
    QTest::mousePress(grid->viewport(), Qt::LeftButton, {}, from);
    QMouseEvent move(QEvent::MouseMove, to, grid->viewport()->mapToGlobal(to), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(grid->viewport(), &move);
    QTest::mouseRelease(grid->viewport(), Qt::LeftButton, {}, to);
    QCOMPARE(shownCount, 1);
    QCOMPARE(dragged, QStringLiteral("01"));

    // Ctrl+C copies the selected rows for a spreadsheet: tab-separated, one line each.
    grid->selectAll();
    QTest::keyClick(grid, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(),
             U("064-0941\t北海道札幌市中央区旭ケ丘\tホッカイドウサッポロシチュウオウクアサヒガオカ\t01101\t\n"
               "060-8621\t旭社\tアサヒシャ\t01101\t北海道札幌市中央区北一条西６丁目\n"));
  }

  void keyboardOpensClosesAndFinds() {
    QVERIFY(data_->write(KenName(1), KenLine(1101, "0640941", "ホッカイドウ", "サッポロシチュウオウク", "アサヒガオカ",
                                             "北海道", "札幌市中央区", "旭ケ丘") +
                                         KenLine(1101, "0640942", "ホッカイドウ", "サッポロシチュウオウク",
                                                 "アサヒガオカニ", "北海道", "札幌市中央区", "旭ケ丘二")));
    Form_View->Edit_Keyword->setText(U("旭"));
    Form_View->show();
    QVERIFY(WaitIdle());
    QTRY_COMPARE(Form_View->StringGrid1->RowCount(), 3);
    TStringGrid* grid = Form_View->StringGrid1;
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_Down);
    // Enter opens the highlighted row; Esc closes the result dialog like its OK button.
    QString digits;
    bool closedByEsc = false;
    QTimer::singleShot(0, Form_Nmb7, [&] {
      for (int i = 0; i < 7; ++i) digits += Form_Nmb7->NmbLabel(i)->text();
      QTest::keyClick(Form_Nmb7->Button_Ok, Qt::Key_Escape);
      closedByEsc = !Form_Nmb7->isVisible();
      Form_Nmb7->close();
    });
    QTest::keyClick(grid, Qt::Key_Return);
    QCOMPARE(digits, QStringLiteral("0640942"));
    QVERIFY(closedByEsc);
    QVERIFY(Form_View->isVisible());

    // Ctrl+F goes to the keyword; Esc closes the search window.
    Form_View->activateWindow();
    QTRY_VERIFY(Form_View->isActiveWindow());
    QTest::keyClick(grid, Qt::Key_F, Qt::ControlModifier);
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(Form_View->Edit_Keyword));
    QTest::keyClick(Form_View->Edit_Keyword, Qt::Key_Escape);
    QVERIFY(!Form_View->isVisible());
  }

  void newSearchStartsAtHome() {
    std::string lines;
    for (int i = 0; i < 60; ++i)
      lines += KenLine(1101, "0640941", "ホッカイドウ", "サッポロシチュウオウク", "アサヒガオカ", "北海道",
                       "札幌市中央区", "旭ケ丘");
    QVERIFY(data_->write(KenName(1), lines));
    Form_View->Edit_Keyword->setText(U("旭"));
    Form_View->show();
    QVERIFY(WaitIdle());
    QTRY_COMPARE(Form_View->StringGrid1->RowCount(), 61);
    TStringGrid* grid = Form_View->StringGrid1;
    grid->setColumnWidth(1, 900);  // wider than the window: the grid scrolls sideways
    // The view lays out its new rows and width later, from its event loop.
    QTRY_VERIFY(grid->horizontalScrollBar()->maximum() > 0 && grid->verticalScrollBar()->maximum() > 0);
    grid->horizontalScrollBar()->setValue(grid->horizontalScrollBar()->maximum());
    grid->verticalScrollBar()->setValue(grid->verticalScrollBar()->maximum());
    QVERIFY(grid->horizontalScrollBar()->value() > 0);
    QVERIFY(grid->verticalScrollBar()->value() > 0);
    QTest::keyClick(Form_View->Edit_Keyword, Qt::Key_Return);
    QCOMPARE(grid->horizontalScrollBar()->value(), 0);
    QCOMPARE(grid->verticalScrollBar()->value(), 0);
    QVERIFY(WaitIdle());
  }

  void headingRowPress() {
    TStringGrid* grid = Form_View->StringGrid1;
    QHeaderView* header = grid->horizontalHeader();
    bool shown = false;
    bool looked = false;  // the check below ran: the press has been handled by then
    auto watch = [&] {
      looked = false;
      QTimer::singleShot(0, Form_Nmb7, [&] {
        shown = Form_Nmb7->isVisible();
        looked = true;
        Form_Nmb7->close();
      });
    };
    watch();
    // On a column border the press starts resizing: no result dialog.
    QTest::mousePress(header->viewport(), Qt::LeftButton, {}, QPoint(72, 9));
    QTest::mouseRelease(header->viewport(), Qt::LeftButton, {}, QPoint(72, 9));
    QTRY_VERIFY(looked);
    QVERIFY(!shown);
    // Anywhere else on the heading row, with any button: no result dialog either.
    for (Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton}) {
      watch();
      QTest::mouseClick(header->viewport(), button, {}, QPoint(30, 9));
      QTRY_VERIFY(looked);
      QVERIFY(!shown);
    }
    // A press on row 1 of a grid without hits shows the empty result.
    watch();
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(grid->model()->index(0, 1)).center());
    QTRY_VERIFY(shown);
    QCOMPARE(Form_Nmb7->Memo_Name->toPlainText(), U("〒\n\n\n"));
    QCOMPARE(Form_Nmb7->NmbLabel(0)->text(), QString());
  }

  void keywordHoldsAtMost99Bytes() {
    for (QLineEdit* edit : {Form_View->Edit_Keyword, Form_Main->Edit_Keyword}) {
      edit->clear();
      edit->setFocus();
      QTest::keyClicks(edit, QString(120, QLatin1Char('a')));
      QCOMPARE(edit->text(), QString(99, QLatin1Char('a')));
      edit->clear();
      QApplication::clipboard()->setText(QString(60, QChar(0x3042)));  // あ: two bytes each
      edit->paste();
      QCOMPARE(edit->text(), QString(49, QChar(0x3042)));
      edit->setText(QStringLiteral("a"));
      edit->end(false);
      edit->paste();  // cut at a character boundary: 1 + 49 * 2 = 99 bytes
      QCOMPARE(edit->text(), QStringLiteral("a") + QString(49, QChar(0x3042)));
    }
  }

  void unrepresentableKeywordFindsNothing() {
    QVERIFY(data_->write(KenName(1), TokyoLine(1)));
    Form_View->Edit_Keyword->setText(QString::fromUtf8("\xF0\x9F\x98\x80"));  // an emoji
    Form_View->show();
    QVERIFY(WaitIdle());
    QTRY_COMPARE(boxes_.size(), 1);
    QCOMPARE(boxes_[0].text, U("検索しましたが見つかりませんでした。"));
  }

  // Closing the program during a search stops the worker first; nothing is shown after.
  void closingDuringSearch() {
    HeldFile held(*data_, KenName(1));
    Form_View->Edit_Keyword->setText(U("千代田"));
    Form_View->show();
    QVERIFY(!SearchThread->IsWaiting());
    // Let the worker go once the close has asked it to stop. The thread object is read only
    // while the worker is held at the file: the close waits for the worker, so it lives on.
    // A worker stopped before it reached the file needs no letting go.
    TThread_Search* thread = SearchThread;
    std::atomic<bool> closed{false};
    std::thread release([&] {
      while (!closed) {
        if (TheHolds().waiting > 0 && thread->CancelFlag() != 0) {
          held.Release(TokyoLine(1));
          return;
        }
        std::this_thread::yield();
      }
    });
    DestroyWindows();
    closed = true;
    release.join();
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    QVERIFY(boxes_.isEmpty());
    CreateWindows();  // for cleanup()
  }
};

QTEST_MAIN(TestSearchView)
#include "tst_search_view.moc"
