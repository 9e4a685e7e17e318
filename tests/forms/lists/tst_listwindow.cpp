// The list window, as a person uses it: a 50-row Shift-JIS list opened from the main
// window's menu, resolved, an ambiguous row settled by choosing a candidate, a row's address
// corrected, the list saved and read back; the window asking before it drops results; and
// the window and the command line saving the same list to the same bytes.
#include <sys/stat.h>

#include <QAbstractProxyModel>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QTest>

#include <cstdio>

#include "cli/CsvCommand.h"
#include "core/data/DataSet.h"
#include "forms/common/MessageBox.h"
#include "forms/lists/AddressListDialog.h"
#include "forms/main/TForm_Main.h"
#include "support/Archives.h"
#include "support/Lists.h"
#include "support/Modal.h"
#include "support/Sjis.h"
#include "support/Table.h"
#include "support/TempData.h"
#include "support/Windows.h"

Q_DECLARE_METATYPE(std::string)

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

// An office's list: split address columns, existing codes that decide two rows.
std::string OfficeCsv() {
  return "氏名,郵便番号,都道府県,市区町村,番地,建物名\r\n"
         "山田,541-0053,,中央区,本町1-1,\r\n"
         "佐藤,100-6320,東京都,千代田区,丸の内2-4-1,丸ビル 20F\r\n"
         "鈴木,,,中央区,本町1-1,\r\n"
         "高橋,100-0001,東京都,府中市,宮西町1-1,\r\n";
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
    // Copying the table copies the rows shown, as shown: row 0 is hidden, row 1 first.
    QTest::mouseClick(Child<QPushButton>(dialog, "copyButton"), Qt::LeftButton);
    const QStringList copied = QApplication::clipboard()->text().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(copied.size(), 1 + 43);
    QVERIFY2(copied[1].startsWith(QStringLiteral(u"客1\t")), qPrintable(copied[1]));
    QVERIFY2(copied[2].startsWith(QStringLiteral(u"客2\t")), qPrintable(copied[2]));
    QVERIFY(!QApplication::clipboard()->text().contains(QStringLiteral(u"客8\t")));  // sure and agreeing

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

    // A FIFO at the chosen name is not replaced: a message says why, and it stays a FIFO.
    QVERIFY(files_.writeNotAFile("fifo.csv", NotAFile::Fifo));
    WhenModal(
        QStringLiteral("saveListDialog"),
        [&](QDialog* d) {
          static_cast<QFileDialog*>(d)->setOption(QFileDialog::DontConfirmOverwrite);
          static_cast<QFileDialog*>(d)->selectFile(QString::fromStdString(files_.path("fifo.csv")));
          d->accept();
        },
        &ran);
    QTest::mouseClick(Child<QPushButton>(dialog, "saveButton"), Qt::LeftButton);
    QTRY_VERIFY(!dialog->Busy());
    QVERIFY2(MessageTexts(shown_).contains(QStringLiteral("a FIFO; only a regular file is replaced")),
             qPrintable(MessageTexts(shown_)));
    shown_.clear();
    struct stat st {};
    QVERIFY(::lstat(files_.path("fifo.csv").c_str(), &st) == 0 && S_ISFIFO(st.st_mode));
    dialog->close();
  }

  // The columns recognised are preselected, the address ones in address order.
  void preselected() {
    QVERIFY(files_.write("office.csv", S(OfficeCsv())));
    AddressListDialog dialog([] { return Form_Main->Data(); }, Form_Main);
    dialog.OpenFile(QString::fromStdString(files_.path("office.csv")));
    QTRY_VERIFY(Child<QTableView>(&dialog, "table")->model()->rowCount() == 4);
    QVERIFY(Child<QCheckBox>(&dialog, "headerCheck")->isChecked());
    auto* columns = Child<QListWidget>(&dialog, "addressColumns");
    QStringList checked;
    for (int i = 0; i < columns->count(); ++i)
      if (columns->item(i)->checkState() == Qt::Checked) checked << columns->item(i)->text();
    QCOMPARE(checked.join(QLatin1Char(',')), QStringLiteral(u"都道府県,市区町村,番地,建物名"));
    QCOMPARE(Child<QComboBox>(&dialog, "codeColumn")->currentText(), QStringLiteral(u"郵便番号"));
    dialog.Resolve();
    QTRY_VERIFY(!dialog.Busy());
    auto* table = Child<QTableView>(&dialog, "table");
    QCOMPARE(Cell(table, 0, 6), QStringLiteral("541-0053"));
    QCOMPARE(Cell(table, 0, 9), QStringLiteral(u"一致"));

    // The row's existing code decided it; the address's candidates are still offered, that
    // code current, and a person may choose the other.
    SelectRow(table, 0);
    auto* candidates = Child<QComboBox>(&dialog, "candidates");
    QCOMPARE(candidates->count(), 2);
    QCOMPARE(candidates->currentData().toUInt(), 5410053u);
    candidates->setCurrentIndex(candidates->findData(2600012u));
    QTest::mouseClick(Child<QPushButton>(&dialog, "chooseButton"), Qt::LeftButton);
    QCOMPARE(Cell(table, 0, 6), QStringLiteral("260-0012"));
    QCOMPARE(Cell(table, 0, 7), QStringLiteral(u"選択済み"));
    QCOMPARE(Cell(table, 0, 9), QStringLiteral(u"不一致"));
  }

  // The same list saved by the window and written by the command line: the same bytes.
  void sameAsCommandLine_data() {
    Columns<std::string, int>("list", "encoding");
    Row("split Shift-JIS office list", S(OfficeCsv()), static_cast<int>(tanzel::TextEncoding::Cp932));
    Row("Shift-JIS customer list", S(ListCsv(12)), static_cast<int>(tanzel::TextEncoding::Cp932));
    Row("columns out of address order",
        S("氏名,番地,市区町村,都道府県,郵便番号\r\n山田,本町1-1,中央区,大阪府,541-0053\r\n"
          "佐藤,宮西町1-1,府中市,東京都,\r\n鈴木,本町1-1,中央区,千葉県,\r\n"),
        static_cast<int>(tanzel::TextEncoding::Utf8));
    Row("UTF-8, no header, written with its mark",
        std::string("客A\t東京都府中市宮西町1\t100-0001\r\n客B\t中央区本町1-1\t"
                    "260-0012\r\n客C\t京都府京都市上京区今出川町\t\r\n"),
        static_cast<int>(tanzel::TextEncoding::Utf8Bom));
  }
  void sameAsCommandLine() {
    QFETCH(std::string, list);
    QFETCH(int, encoding);
    TempData dir;
    QVERIFY(dir.write("in.csv", list));
    AddressListDialog dialog([] { return Form_Main->Data(); }, Form_Main);
    dialog.OpenFile(QString::fromStdString(dir.path("in.csv")));
    QTRY_VERIFY(Child<QTableView>(&dialog, "table")->model()->rowCount() > 0);
    dialog.Resolve();
    QTRY_VERIFY(!dialog.Busy());
    dialog.SaveTo(QString::fromStdString(dir.path("window.csv")), static_cast<tanzel::TextEncoding>(encoding));
    QTRY_VERIFY(!dialog.Busy());
    QVERIFY2(shown_.empty(), qPrintable(MessageTexts(shown_)));

    const std::string in = dir.path("in.csv"), out = dir.path("cli.csv"), folder = data_.folder();
    const std::string encodingName = encoding == static_cast<int>(tanzel::TextEncoding::Utf8Bom) ? "utf-8-bom"
                                     : encoding == static_cast<int>(tanzel::TextEncoding::Cp932) ? "cp932"
                                                                                                 : "utf-8";
    const char* argv[] = {"tanzel-search", "--data",     folder.c_str(),       "--resolve", "--list",
                          in.c_str(),      "--encoding", encodingName.c_str(), "--out",     out.c_str()};
    std::FILE* sink = std::tmpfile();
    tanzel::ResolveCsvCommand(static_cast<int>(std::size(argv)), argv, nullptr, sink, sink);
    std::fclose(sink);
    const std::string window = FileBytes(dir.path("window.csv"));
    QVERIFY(window.size() > list.size());
    QCOMPARE(window, FileBytes(out));
  }

  // A workbook opened and saved as a workbook: the sheet the command line writes.
  void workbook() {
    TempData dir;
    const std::string in = dir.path("in.xlsx"), out = dir.path("cli.xlsx"), folder = data_.folder();
    QVERIFY(WriteWorkbookFile(in,
                              "<sheetData><row r=\"1\"><c t=\"inlineStr\"><is><t>住所</t></is></c><c t=\"inlineStr\">"
                              "<is><t>郵便番号</t></is></c></row><row r=\"2\"><c t=\"inlineStr\"><is><t>中央区本町1-1"
                              "</t></is></c><c><v>2600012</v></c></row></sheetData>",
                              ""));
    AddressListDialog dialog([] { return Form_Main->Data(); }, Form_Main);
    dialog.OpenFile(QString::fromStdString(in));
    QTRY_VERIFY(Child<QTableView>(&dialog, "table")->model()->rowCount() == 1);
    QVERIFY(Child<QLabel>(&dialog, "sourceLabel")->text().contains(QStringLiteral(u"Excel ブック")));
    QCOMPARE(Child<QComboBox>(&dialog, "encoding")->currentText(), QStringLiteral(u"UTF-8（BOM付き）"));
    dialog.Resolve();
    QTRY_VERIFY(!dialog.Busy());
    dialog.SaveTo(QString::fromStdString(dir.path("window.xlsx")), tanzel::TextEncoding::Utf8);
    QTRY_VERIFY(!dialog.Busy());
    QVERIFY2(shown_.empty(), qPrintable(MessageTexts(shown_)));
    const char* argv[] = {"tanzel-search", "--data",   folder.c_str(), "--resolve",
                          "--list",        in.c_str(), "--out",        out.c_str()};
    std::FILE* sink = std::tmpfile();
    tanzel::ResolveCsvCommand(static_cast<int>(std::size(argv)), argv, nullptr, sink, sink);
    std::fclose(sink);
    const std::string sheet = ReadZipEntry(dir.path("window.xlsx"), "xl/worksheets/sheet1.xml");
    QVERIFY(sheet.find("260-0012") != std::string::npos);
    QCOMPARE(sheet, ReadZipEntry(out, "xl/worksheets/sheet1.xml"));

    // Never over the list it opened.
    dialog.SaveTo(QString::fromStdString(in), tanzel::TextEncoding::Utf8);
    QCOMPARE(shown_.size(), 1u);
    QVERIFY(shown_.front().text.contains(QStringLiteral(u"上書きしません")));
    shown_.clear();

    // A workbook of several sheets: the person says which.
    const std::string two = dir.path("two.xlsx");
    QVERIFY(WriteWorkbookFile(two,
                              {{"表紙",
                                "<sheetData><row r=\"1\"><c t=\"inlineStr\"><is><t>顧客一覧</t></is></c></row>"
                                "</sheetData>"},
                               {"名簿",
                                "<sheetData><row r=\"1\"><c t=\"inlineStr\"><is><t>住所</t></is></c></row>"
                                "<row r=\"2\"><c t=\"inlineStr\"><is><t>東京都府中市宮西町1</t></is></c></row>"
                                "<row r=\"3\"><c t=\"inlineStr\"><is><t>中央区本町1-1</t></is></c></row>"
                                "</sheetData>"}},
                              ""));
    QStringList offered;
    int pick = 2;  // キャンセル
    SetChoiceHandler([&](const QString&, const QString&, const QStringList& buttons) {
      offered = buttons;
      return pick;
    });
    dialog.OpenFile(QString::fromStdString(two));
    QCOMPARE(offered, (QStringList{QStringLiteral(u"表紙"), QStringLiteral(u"名簿"), QStringLiteral(u"キャンセル")}));
    QVERIFY(!dialog.Busy());  // cancelled: the list shown stays
    QCOMPARE(Child<QTableView>(&dialog, "table")->model()->rowCount(), 1);
    pick = 1;
    dialog.OpenFile(QString::fromStdString(two));
    SetChoiceHandler({});
    QTRY_COMPARE(Child<QTableView>(&dialog, "table")->model()->rowCount(), 2);
    QVERIFY(Child<QLabel>(&dialog, "sourceLabel")->text().startsWith(QStringLiteral(u"two.xlsx（名簿）")));
    QVERIFY2(shown_.empty(), qPrintable(MessageTexts(shown_)));
  }

  // 閉じる, Esc and the close box ask before results that were not saved are dropped.
  void closePrompt_data() {
    Columns<QString, int, bool, bool>("how", "answer", "closed", "saved");
    for (const char* how : {"閉じる", "Esc", "close box"}) {
      Row((std::string(how) + ", 保存しない").c_str(), how, 1, true, false);
      Row((std::string(how) + ", キャンセル").c_str(), how, 2, false, false);
      Row((std::string(how) + ", 保存").c_str(), how, 0, true, true);
    }
  }
  void closePrompt() {
    QFETCH(QString, how);
    QFETCH(int, answer);
    QFETCH(bool, closed);
    QFETCH(bool, saved);
    TempData dir;
    QVERIFY(dir.write("in.csv", S(ListCsv(8))));
    AddressListDialog dialog([] { return Form_Main->Data(); }, Form_Main);
    QStringList asked;
    SetChoiceHandler([&](const QString& text, const QString&, const QStringList& buttons) {
      asked << text + QLatin1Char(':') + buttons.join(QLatin1Char('/'));
      return answer;
    });
    auto close = [&] {
      if (how == QStringLiteral(u"閉じる"))
        QTest::mouseClick(Child<QPushButton>(&dialog, "closeButton"), Qt::LeftButton);
      else if (how == QStringLiteral("Esc"))
        QTest::keyClick(&dialog, Qt::Key_Escape);
      else
        dialog.close();
    };
    dialog.show();
    dialog.OpenFile(QString::fromStdString(dir.path("in.csv")));
    QTRY_VERIFY(Child<QTableView>(&dialog, "table")->model()->rowCount() == 8);
    close();  // nothing resolved yet: closes without asking
    QVERIFY(!dialog.isVisible());
    QVERIFY(asked.isEmpty());

    dialog.show();
    dialog.Resolve();
    QTRY_VERIFY(!dialog.Busy());
    QVERIFY(dialog.Unsaved());
    bool ran = false;
    WhenModal(
        QStringLiteral("saveListDialog"),
        [&](QDialog* d) {
          static_cast<QFileDialog*>(d)->selectFile(QString::fromStdString(dir.path("kept.csv")));
          d->accept();
        },
        &ran);
    close();
    QTRY_VERIFY(!dialog.Busy());
    SetChoiceHandler({});
    QCOMPARE(asked, QStringList{QStringLiteral(u"結果を保存しますか？:保存/保存しない/キャンセル")});
    QCOMPARE(ran, saved);
    QCOMPARE(!dialog.isVisible(), closed);
    QCOMPARE(FolderEntries(dir.folder()).size(), saved ? 2u : 1u);
    QCOMPARE(dialog.Unsaved(), !saved);
    if (!closed) {  // a list that was saved closes without asking
      dialog.SaveTo(QString::fromStdString(dir.path("later.csv")), tanzel::TextEncoding::Cp932);
      QTRY_VERIFY(!dialog.Busy());
      close();
      QVERIFY(!dialog.isVisible());
      QCOMPARE(asked.size(), 1);
    }
  }

  // A long status line does not widen the window: its buttons stay on a 1280-pixel screen.
  void staysOnScreen() {
    TempData dir;
    QVERIFY(dir.write("in.csv", S(ListCsv(8))));
    AddressListDialog dialog([] { return Form_Main->Data(); }, Form_Main);
    dialog.show();
    dialog.resize(960, 640);
    dialog.OpenFile(QString::fromStdString(dir.path("in.csv")));
    QTRY_VERIFY(Child<QTableView>(&dialog, "table")->model()->rowCount() == 8);
    dialog.Resolve();
    QTRY_VERIFY(!dialog.Busy());
    QCoreApplication::processEvents();
    const int width = dialog.width();
    dialog.SaveTo(QString::fromStdString(dir.path(std::string(120, 'x') + ".csv")), tanzel::TextEncoding::Cp932);
    QTRY_VERIFY(!dialog.Busy());
    QVERIFY(Child<QLabel>(&dialog, "summary")->text().contains(QStringLiteral(u"保存しました")));
    QCoreApplication::processEvents();
    QCOMPARE(dialog.width(), width);
    QVERIFY2(dialog.minimumSizeHint().width() <= 1280, qPrintable(QString::number(dialog.minimumSizeHint().width())));
    for (const char* name : {"saveButton", "closeButton", "resolveButton"}) {
      auto* button = Child<QPushButton>(&dialog, name);
      QVERIFY2(button->mapTo(&dialog, QPoint(button->width(), 0)).x() <= dialog.width(), name);
    }
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
