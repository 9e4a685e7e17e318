// Renders every window of the program to PNG files in the folder given as argument.
// Runs on the offscreen platform (scripts/screenshots.sh); data files are read from the
// folder given as second argument, or from the folder of this executable, like the
// program's.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <cstring>

#include "core/data/DataFolders.h"
#include "core/text/SjisText.h"

#include "app/Application.h"
#include "forms/aux/TForm_Map.h"
#include "forms/aux/TForm_Ver.h"
#include "forms/common/MessageBox.h"
#include "forms/lists/AddressListDialog.h"
#include "forms/main/ListBox.h"
#include "forms/main/TForm_Main.h"
#include "forms/nmb7/TForm_Nmb7.h"
#include "forms/search/TForm_View.h"
#include "forms/search/TThread_Search.h"
#include "forms/update/ChangeReportDialog.h"
#include "forms/update/UpdateDialog.h"
#include "forms/update/UpdateSource.h"

namespace {
QString g_outDir;
bool g_small = false;  // --small: 8-bit palette pictures, for the guide

// Writes a picture as OUTDIR/name.png and prints its path.
void Write(const QPixmap& picture, const QString& name) {
  QString path = QDir(g_outDir).filePath(name + QStringLiteral(".png"));
  QImage image = picture.toImage();
  if (g_small) image = image.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither | Qt::AvoidDither);
  if (!image.save(path, "PNG", 0))
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
  else
    std::printf("%s\n", qPrintable(path));
}

void Save(QWidget* w, const char* name) {
  w->show();
  QApplication::processEvents();
  Write(w->grab(), QLatin1String(name));
  w->hide();
}

// The result dialog with its menu of copy formats open above the copy buttons (a menu is
// a window of its own: drawn onto the dialog's picture where it stands).
void SaveCopyMenu() {
  QMenu* menu = Form_Nmb7->CopyMenu();
  QPixmap picture = Form_Nmb7->grab();
  menu->popup(Form_Nmb7->mapToGlobal(QPoint(0, 0)));
  QApplication::processEvents();
  QPixmap items = menu->grab();
  menu->hide();
  QPainter painter(&picture);
  painter.drawPixmap(QPoint(picture.width() - items.width() - 8, 484 - items.height()), items);
  painter.end();
  Write(picture, QStringLiteral("nmb7_copymenu"));
}

// Renders a window without showing it (showing the update dialog would start an update).
void SaveUnshown(QWidget* w, const char* name) {
  w->ensurePolished();
  if (w->layout()) w->layout()->activate();
  Write(w->grab(), QLatin1String(name));
}

std::string Sjis(const char* utf8) {
  return tanzel::Utf8ToSjis(utf8).value_or(std::string());
}

// The first step of an update (where it downloads from, Japan Post's own addresses), the
// progress dialog in the middle of a download, and a change report.
void SaveUpdate() {
  qunsetenv("TANZEL_JAPANPOST_URL");
  UpdateSourceDialog source(Form_Main);
  source.findChild<QLineEdit*>(QStringLiteral("mirrorEdit"))->clear();  // not the mirror of whoever renders
  Save(&source, "update_source");

  UpdateDialog progress(tanzel::UpdateOptions{}, Form_Main);
  progress.ShowProgress({tanzel::UpdateStage::Download, "ken_all.zip", 1, 2, 702000, 1694790});
  SaveUnshown(&progress, "update_progress");

  using tanzel::ChangeKind;
  using tanzel::DataKind;
  tanzel::DataChanges changes;
  changes.ken = {1, 1, 1};
  changes.jig = {0, 1, 0};
  changes.list = {
      {DataKind::Ken, ChangeKind::Removed, "1000001", Sjis("東京都千代田区千代田"), ""},
      {DataKind::Ken, ChangeKind::Changed, "1000005", Sjis("東京都千代田区丸の内（次のビルを除く）"),
       Sjis("東京都千代田区丸の内")},
      {DataKind::Ken, ChangeKind::Added, "1009991", "", Sjis("東京都千代田区大手町（次のビルを除く）")},
      {DataKind::Jig, ChangeKind::Removed, "1008080",
       Sjis("一般社団法人　読売調査研究機構　東京都千代田区大手町１－７－１"), ""},
  };
  ChangeReportDialog report(changes, "2026-06-26", Form_Main);
  Save(&report, "update_changes");
}

// Browsing on the real data: the main window after 東京都 and 千代田区, and the result
// dialog for 千代田. Skipped when the data files are not beside the program.
void SaveBrowsing() {
  if (!Form_Main->HasData()) {
    std::fprintf(stderr, "no data in %s: browsing not rendered\n", Form_Main->DataFolder.c_str());
    return;
  }
  Form_Main->show();
  Form_Main->ListBox_Ken->ClickRow(12);
  int city = -1;
  for (int i = 0; i < Form_Main->ListBox_Code->count() && city < 0; ++i)
    if (Form_Main->ListBox_Code->item(i)->text() == QStringLiteral("13101")) city = i;
  if (city < 0) return;
  Form_Main->ListBox_Shi->ClickRow(city);
  Form_Main->ListBox_Shi->scrollToItem(Form_Main->ListBox_Shi->item(city));
  Save(Form_Main, "main_tokyo_chiyoda");
  Form_Main->show();
  for (int i = 0; i < Form_Main->ListBox_Cho->count(); ++i) {
    if (Form_Main->ListBox_Cho->item(i)->text().mid(1) != QStringLiteral(u"　千代田　(チヨダ)")) continue;
    QTimer::singleShot(0, Form_Nmb7, [] {
      SaveCopyMenu();
      Save(Form_Nmb7, "nmb7_chiyoda");  // hiding ends the modal showing
    });
    Form_Main->ListBox_Cho->ClickRow(i);
    break;
  }
  Form_Main->hide();
}

// The search window with the hits of a keyword (on the real data).
void SaveSearch(const QString& keyword, const char* name) {
  Form_View->Edit_Keyword->setText(keyword);
  Form_View->show();  // showing with a keyword starts the search
  QElapsedTimer clock;
  clock.start();
  while (!SearchThread->IsWaiting() && clock.elapsed() < 20000) QApplication::processEvents(QEventLoop::AllEvents, 50);
  QTest::qWait(500);  // the rows and a few ticks of the window's timer
  Save(Form_View, name);
}
// The list window on the list `csv` (UTF-8), resolved; saved as `savedAs` when given.
void SaveListWindow(const QString& csv, const char* name, const QString& savedAs = QString()) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("customers.csv"));
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return;
  file.write(csv.toUtf8());
  file.close();
  AddressListDialog dialog([] { return Form_Main->Data(); }, Form_Main);
  dialog.show();
  dialog.OpenFile(path);
  QTRY_VERIFY_WITH_TIMEOUT(dialog.findChild<QWidget*>(QStringLiteral("resolveButton"))->isEnabled(), 10000);
  dialog.Resolve();
  QTRY_VERIFY_WITH_TIMEOUT(!dialog.Busy(), 10000);
  if (!savedAs.isEmpty()) {
    dialog.SaveTo(dir.filePath(savedAs), tanzel::TextEncoding::Utf8Bom);
    QTRY_VERIFY_WITH_TIMEOUT(!dialog.Busy(), 10000);
  }
  Save(&dialog, name);
}

// The list window on a small list of real addresses; and on an office's list with split
// address columns and existing codes, saved under a long name (the status line ends in …
// rather than widening the window).
void SaveLists() {
  SaveListWindow(QStringLiteral(u"氏名,郵便番号,住所,建物\r\n山田 太郎,100-0001,東京都千代田区千代田1-1,\r\n"
                                u"\"佐藤, 花子\",,東京都府中市宮西町2-3,コーポ府中 201\r\n"
                                u"鈴木 一郎,602-0000,京都府京都市上京区今出川町,\r\n"
                                u"田中 次郎,183-0000,東京都府中市存在しない町1,\r\n"
                                u"株式会社テスト,,北海道札幌市中央区北一条西2丁目,\r\n"
                                u"高橋 三郎,,どこか遠く,\r\n"),
                 "list");
  SaveListWindow(QStringLiteral(u"氏名,郵便番号,都道府県,市区町村,番地,建物名\r\n"
                                u"山田 太郎,541-0053,,中央区,本町1-1,\r\n"
                                u"佐藤 花子,100-6320,東京都,千代田区,丸の内2-4-1,丸ビル 20F\r\n"
                                u"鈴木 一郎,,東京都,府中市,宮西町2-3,コーポ府中 201\r\n"
                                u"田中 次郎,100-0001,東京都,府中市,宮西町1-1,\r\n"),
                 "list_office",
                 QStringLiteral(u"とても長い名前の顧客一覧_2026年12月分_営業部_東京支店_確認済み_郵便番号付き.csv"));
}

}  // namespace

int main(int argc, char* argv[]) {
  constexpr const char* kUsage =
      "usage: tanzel-screenshots [--small] OUTDIR [DATADIR]\n"
      "Renders every window to OUTDIR/*.png; browsing and searching on the data in DATADIR\n"
      "(default: the folder of this program). --small writes 8-bit palette pictures.\n";
  if (argc >= 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  QApplication app(argc, argv);
  if (argc >= 2 && std::strcmp(argv[1], "--small") == 0) {
    g_small = true;
    --argc;
    ++argv;
  }
  if (argc < 2) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  g_outDir = QString::fromLocal8Bit(argv[1]);
  QDir().mkpath(g_outDir);
  SetApplicationTitle(QString::fromUtf16(kApplicationTitle));
  CreateWindows();
  if (argc >= 3) Form_Main->DataFolder = tanzel::WithSlash(argv[2]);  // the search reads it too
  Form_Main->ShowDataDate();
  // Nobody is there to close a message box (such as a search's notice): print it instead.
  SetMessageHandler([](const QString& text, const QString&, MessageIcon) {
    std::fprintf(stderr, "message: %s\n", qPrintable(text));
  });

  Form_View->Edit_Keyword->clear();  // an empty keyword starts nothing when the window shows
  Save(Form_Main, "main");
  // The first start: no data anywhere the program looks.
  {
    const std::string folder = Form_Main->DataFolder;
    Form_Main->DataFolder = "/nonexistent/";
    Form_Main->ShowDataDate();
    Save(Form_Main, "main_nodata");
    Form_Main->DataFolder = folder;
    Form_Main->ShowDataDate();
  }
  Save(Form_Nmb7, "nmb7");
  Save(Form_Map, "map");
  Save(Form_Ver, "ver");
  Save(Form_View, "view");
  SaveUpdate();
  SaveBrowsing();
  SaveSearch(QStringLiteral(u"千代田"), "view_chiyoda");
  SaveSearch(QStringLiteral(u"ちよだく"), "view_reading");
  SaveSearch(QStringLiteral(u"東京都千代田区丸の内1丁目9番1号"), "view_address");
  SaveLists();

  DestroyWindows();
  return 0;
}
