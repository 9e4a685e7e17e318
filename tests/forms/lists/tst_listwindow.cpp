// The list window, as a person uses it: a 50-row Shift-JIS list opened from the main
// window's menu, resolved, an ambiguous row settled by choosing a candidate, a row's address
// corrected, the list saved and read back.
#include <QAbstractProxyModel>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QTest>

#include "forms/lists/AddressListDialog.h"
#include "forms/main/TForm_Main.h"
#include "support/Lists.h"
#include "support/Modal.h"
#include "support/Sjis.h"
#include "support/TempData.h"
#include "support/Windows.h"

namespace {

template <typename T>
T* Child(QObject* parent, const char* name) {
  T* child = parent->findChild<T*>(QLatin1String(name));
  if (!child) qFatal("no %s", name);
  return child;
}

// Makes the table row that shows list row `row` the current one.
void SelectRow(QTableView* table, int row) {
  auto* proxy = static_cast<QAbstractProxyModel*>(table->model());
  table->setCurrentIndex(proxy->mapFromSource(proxy->sourceModel()->index(row, 0)));
}

QString Cell(QTableView* table, int row, int column) {
  auto* proxy = static_cast<QAbstractProxyModel*>(table->model());
  return proxy->sourceModel()->index(row, column).data().toString();
}

}  // namespace

class TestListWindow : public QObject {
  Q_OBJECT

 private:
  TempData data_;
  TempData files_;
  std::vector<ShownMessage> shown_;

 private Q_SLOTS:
  void initTestCase() {
    WriteListData(data_);
    CreateTestWindows(&shown_);
    Form_Main->DataFolder = data_.folder();
  }
  void cleanupTestCase() { DestroyTestWindows(); }

  void resolveChooseSave() {
    const std::string input = S(ListCsv(50));
    QVERIFY(files_.write("customers.csv", input));
    Child<QAction>(Form_Main, "listAction")->trigger();
    auto* dialog = Child<AddressListDialog>(Form_Main, "AddressListDialog");
    dialog->OpenFile(QString::fromStdString(files_.path("customers.csv")));
    auto* table = Child<QTableView>(dialog, "table");
    QTRY_COMPARE(table->model()->rowCount(), 50);
    QVERIFY(Child<QCheckBox>(dialog, "headerCheck")->isChecked());
    QVERIFY(Child<QLabel>(dialog, "sourceLabel")
                ->text()
                .contains(QStringLiteral(u"文字コード: Shift-JIS　区切り: カンマ")));
    QCOMPARE(Child<QComboBox>(dialog, "codeColumn")->currentText(), QStringLiteral(u"郵便番号"));

    QTest::mouseClick(Child<QPushButton>(dialog, "resolveButton"), Qt::LeftButton);
    QTRY_VERIFY(!dialog->Busy());
    QCOMPARE(Child<QProgressBar>(dialog, "progress")->value(), 50);
    QCOMPARE(
        dialog->SummaryText(),
        QStringLiteral(u"50行: 確実 13 / 要確認 13 / 複数候補 12 / 該当なし 12 / 選択済み 0 / 既存番号と不一致 6"));
    QCOMPARE(Cell(table, 2, 4), QStringLiteral(u"複数候補"));
    Child<QCheckBox>(dialog, "needsPersonCheck")->setChecked(true);
    QCOMPARE(table->model()->rowCount(), 43);  // the 7 sure rows whose codes agree are hidden

    // Row 2 is ambiguous: its two candidates are offered, and the second one is chosen.
    SelectRow(table, 2);
    auto* candidates = Child<QComboBox>(dialog, "candidates");
    QCOMPARE(candidates->count(), 2);
    candidates->setCurrentIndex(candidates->findData(6028031u));
    QTest::mouseClick(Child<QPushButton>(dialog, "chooseButton"), Qt::LeftButton);
    QCOMPARE(Cell(table, 2, 3), QStringLiteral("602-8031"));
    QCOMPARE(Cell(table, 2, 4), QStringLiteral(u"選択済み"));
    QCOMPARE(table->model()->rowCount(), 42);

    // Row 3 was not found; its address corrected, it resolves.
    SelectRow(table, 3);
    Child<QLineEdit>(dialog, "addressEdit")->setText(QStringLiteral(u"東京都府中市宮西町2"));
    QTest::mouseClick(Child<QPushButton>(dialog, "reresolveButton"), Qt::LeftButton);
    QCOMPARE(Cell(table, 3, 3), QStringLiteral("183-0022"));

    // Resolving again keeps both decisions.
    QTest::mouseClick(Child<QPushButton>(dialog, "resolveButton"), Qt::LeftButton);
    QTRY_VERIFY(!dialog->Busy());
    QCOMPARE(
        dialog->SummaryText(),
        QStringLiteral(u"50行: 確実 14 / 要確認 13 / 複数候補 11 / 該当なし 11 / 選択済み 1 / 既存番号と不一致 6"));

    // Saved in the list's own encoding: every row as it was, the new columns appended.
    const std::string saved = files_.path("saved.csv");
    bool ran = false;
    WhenModal(
        QStringLiteral("saveListDialog"),
        [&](QDialog* d) {
          static_cast<QFileDialog*>(d)->selectFile(QString::fromStdString(saved));
          d->accept();
        },
        &ran);
    QTest::mouseClick(Child<QPushButton>(dialog, "saveButton"), Qt::LeftButton);
    QVERIFY(ran);
    QTRY_VERIFY(!dialog->Busy());
    QVERIFY2(shown_.empty(), qPrintable(MessageTexts(shown_)));
    const QStringList in = QString::fromStdString(input).split(QStringLiteral("\r\n"));
    const std::string bytes = FileBytes(saved);
    QVERIFY(S(ListCsv(50)).size() < bytes.size());
    const QStringList out = FromSjis(bytes).split(QStringLiteral("\r\n"));
    QCOMPARE(out.size(), 52);
    QCOMPARE(out[0], QStringLiteral(u"氏名,郵便番号,住所,郵便番号（検索結果）,確度,該当住所,既存番号との照合"));
    const QStringList original = QString::fromStdString(ListCsv(50)).split(QStringLiteral("\r\n"));
    for (int i = 1; i <= 50; ++i) QVERIFY2(out[i].startsWith(original[i] + QLatin1Char(',')), qPrintable(out[i]));
    QVERIFY(out[3].endsWith(QStringLiteral(u",602-8031,選択済み,京都府京都市上京区今出川町（寺町通今出川下る）,")));
    QVERIFY(out[4].endsWith(QStringLiteral(u",183-0022,確実,東京都府中市宮西町,")));
    QCOMPARE(FileBytes(files_.path("customers.csv")), input);
    dialog->close();
  }

  // Cells pasted from a spreadsheet: tab-separated, no header; saved in UTF-8 with its mark
  // unless the person says otherwise.
  void paste() {
    AddressListDialog dialog([] { return Form_Main->Data(); }, Form_Main);
    QApplication::clipboard()->setText(QStringLiteral(u"客A\t東京都府中市宮西町1\n客B\t京都府京都市上京区今出川町\n"));
    QTest::mouseClick(Child<QPushButton>(&dialog, "pasteButton"), Qt::LeftButton);
    QCOMPARE(Child<QTableView>(&dialog, "table")->model()->rowCount(), 2);
    QVERIFY(!Child<QCheckBox>(&dialog, "headerCheck")->isChecked());
    QVERIFY(Child<QLabel>(&dialog, "sourceLabel")->text().contains(QStringLiteral(u"区切り: タブ")));
    QCOMPARE(Child<QComboBox>(&dialog, "encoding")->currentText(), QStringLiteral(u"UTF-8（BOM付き）"));
    dialog.Resolve();
    QTRY_VERIFY(!dialog.Busy());
    QCOMPARE(dialog.SummaryText(),
             QStringLiteral(u"2行: 確実 1 / 要確認 0 / 複数候補 1 / 該当なし 0 / 選択済み 0 / 既存番号と不一致 0"));
  }
};

QTEST_MAIN(TestListWindow)
#include "tst_listwindow.moc"
