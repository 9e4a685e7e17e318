// The main window's side of updates: the date label, and "データ更新…" against a local
// server: where it downloads from and the mirror, the progress dialog and its cancel, a
// failure's box, the change report.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/import/Importer.h"
#include "forms/common/MessageBox.h"
#include "forms/main/ListBox.h"
#include "forms/main/TForm_Main.h"
#include "forms/search/TForm_View.h"
#include "forms/search/TThread_Search.h"
#include "forms/update/ChangeReportDialog.h"
#include "forms/update/UpdateDialog.h"
#include "forms/update/UpdateSource.h"
#include "support/Archives.h"
#include "support/Browse.h"
#include "support/DataLines.h"
#include "support/HttpServer.h"
#include "support/Modal.h"
#include "support/Sjis.h"
#include "support/Table.h"
#include "support/TempData.h"
#include "support/Windows.h"

using namespace tanzel;

namespace {

template <typename T>
T* Child(QObject* parent, const char* name) {
  return parent->findChild<T*>(QLatin1String(name));
}

}  // namespace

class TestUpdateWindow : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void initTestCase();
  void cleanupTestCase();
  void init();
  void dateLabel_data();
  void dateLabel();
  void cancelFromProgressDialog();
  void failureBox_data();
  void failureBox();
  void olderDataAsked();
  void updateShowsChanges();
  void sourceOrder_data();
  void sourceOrder();
  void mirrorSetInDialog();
  void archiveNamedInBox_data();
  void archiveNamedInBox();
  void everyFailureInItsWords();

 private:
  void UseServer(const char* base) {
    qputenv("TANZEL_JAPANPOST_URL", QByteArray::fromStdString(server_.BaseUrl() + base));
  }
  // Runs "データ更新…", starting the download from the address the dialog shows.
  void UpdateData() {
    WhenModal(
        QStringLiteral("updateSourceDialog"), [](QDialog* dialog) { dialog->accept(); }, &sourceShown_);
    Form_Main->UpdateData();
    QVERIFY(sourceShown_);
  }

  bool sourceShown_ = false;

  HttpServer server_;
  std::vector<ShownMessage> shown_;
  TempData home_;
  std::unique_ptr<TempData> program_;
  std::string archives_;
  TempData files_;
};

void TestUpdateWindow::initTestCase() {
  qputenv("XDG_DATA_HOME", QByteArray::fromStdString(home_.folder()));
  qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(home_.path("config")));
  QVERIFY(server_.Start());
  // Small archives, one of them cut in half.
  std::string ken = files_.path("tiny_ken.zip"), jig = files_.path("tiny_jig.zip");
  QVERIFY(WriteZip(ken, {{"KEN_ALL.CSV", WithEveryPrefecture(DataKind::Ken, TokyoLines(2))}}));
  QVERIFY(WriteZip(jig, {{"JIGYOSYO.CSV", WithEveryPrefecture(DataKind::Jig, "")}}));
  server_.Serve("/halfken/ken_all.zip", {200, ReadFile(ken).substr(0, ReadFile(ken).size() / 2)});
  server_.Serve("/halfken/jigyosyo.zip", {200, ReadFile(jig)});
  server_.Serve("/halfjig/ken_all.zip", {200, ReadFile(ken)});
  server_.Serve("/halfjig/jigyosyo.zip", {200, ReadFile(jig).substr(0, ReadFile(jig).size() / 2)});
  server_.Serve("/stall/ken_all.zip", {200, std::string(2000000, 'x'), HttpServer::Mode::Stall, 500000});
  QByteArray dir = qgetenv("TANZEL_JAPANPOST_DIR");
  if (!dir.isEmpty()) {
    archives_ = dir.toStdString();
    QCOMPARE(MakeAlteredArchives(archives_, files_.folder()), std::string());
    for (const char* name : {"ken_all.zip", "jigyosyo.zip"})
      server_.Serve(std::string("/altered/") + name, {200, ReadFile(files_.path(name))});
  }
  CreateTestWindows(&shown_);
  QVERIFY(ShowMainWindow());
}

void TestUpdateWindow::cleanupTestCase() {
  DestroyTestWindows();
}

// Each test starts from a program folder with a small set of 2026-04-28.
void TestUpdateWindow::init() {
  shown_.clear();
  program_ = std::make_unique<TempData>();
  program_->writeEmptyPrefectures();
  program_->write("EDITION", "2026-04-28\n");
  Form_Main->DataFolder = program_->folder();
}

void TestUpdateWindow::dateLabel_data() {
  Columns<QByteArray, QString>("edition",  // empty: none
                               "text");
  QTest::newRow("2026-05") << QByteArray("2026-05-26\n") << QStringLiteral(u"令和8年5月26日　郵便番号改定");
  QTest::newRow("longest") << QByteArray("2027-12-28\n") << QStringLiteral(u"令和9年12月28日　郵便番号改定");
  QTest::newRow("no record") << QByteArray() << QStringLiteral(u"令和6年4月30日 郵便番号改定");
  QTest::newRow("not a record") << QByteArray("soon\n") << QStringLiteral(u"令和6年4月30日 郵便番号改定");
}

void TestUpdateWindow::dateLabel() {
  QFETCH(QByteArray, edition);
  QFETCH(QString, text);
  ::unlink(program_->path("EDITION").c_str());
  if (!edition.isEmpty()) program_->write("EDITION", edition.toStdString());
  Form_Main->ShowDataDate();
  QLabel* label = Child<QLabel>(Form_Main, "Label4");
  QCOMPARE(label->text(), text);
  QCOMPARE(label->geometry().right() + 1, 778);  // the right edge stays
  QVERIFY(label->width() >= label->fontMetrics().horizontalAdvance(text));
  if (edition.isEmpty()) QCOMPARE(label->geometry(), QRect(616, 16, 162, 12));
}

// While the server holds the archive back, the dialog shows the download; a cancel ends
// the update and says so in one box; the data stays.
void TestUpdateWindow::cancelFromProgressDialog() {
  UseServer("/stall");
  auto before = FolderSnapshot(program_->folder());
  bool ran = false;
  WhenModal(
      QStringLiteral("updateDialog"),
      [](QDialog* dialog) {
        QTRY_VERIFY(Child<QLabel>(dialog, "bytesLabel")->text().contains(QLatin1String("0.5 MB / 2.0 MB")));
        QVERIFY(Child<QLabel>(dialog, "stageLabel")->text().contains(QLatin1String("ken_all.zip (1/2)")));
        QTest::mouseClick(Child<QPushButton>(dialog, "cancelButton"), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!dialog->isVisible(), 10000);  // it closes itself once the worker has stopped
      },
      &ran);
  WhenModal(
      QStringLiteral("updateSourceDialog"), [](QDialog* dialog) { dialog->accept(); }, &sourceShown_);
  Child<QAction>(Form_Main, "updateAction")->trigger();
  QVERIFY(ran);
  QCOMPARE(shown_.size(), std::size_t{1});
  QCOMPARE(shown_[0].text, QStringLiteral(u"データ更新を中止しました。お使いのデータは変わっていません。"));
  QVERIFY(FolderSnapshot(program_->folder()) == before);
}

void TestUpdateWindow::failureBox_data() {
  Columns<bool, QString>("busy",  // another import holds the folder
                         "text");
  QTest::newRow("not found") << false
                             << QStringLiteral(
                                    u"サーバーからデータを受け取れませんでした。\nken_all.zip について、サーバーが "
                                    u"404（見つかりません） と答えました。\n\nお使いのデータは変わっていません。");
  QTest::newRow("update running") << true
                                  << QStringLiteral(
                                         u"別のデータ更新が実行中です。終わってから、もう一度お試しください。"
                                         u"\n\nお使いのデータは変わっていません。");
}

// The box says in Japanese what failed; the technical message (addresses, paths) waits
// behind its details button.
void TestUpdateWindow::failureBox() {
  QFETCH(bool, busy);
  QFETCH(QString, text);
  UseServer("/missing");
  std::string editions = program_->path("editions");
  int held = -1;
  if (busy) {
    QCOMPARE(mkdir(editions.c_str(), 0755), 0);
    held = open(editions.c_str(), O_RDONLY | O_DIRECTORY);
    QCOMPARE(flock(held, LOCK_EX | LOCK_NB), 0);
  }
  UpdateData();
  if (held >= 0) close(held);
  QCOMPARE(shown_.size(), std::size_t{1});
  QCOMPARE(shown_[0].icon, MessageIcon::Error);
  QCOMPARE(shown_[0].text, text);
  QVERIFY2(
      LastMessageDetails().contains(busy ? QStringLiteral(u"別のデータ更新か取り込みがこのフォルダーを使っています")
                                         : QStringLiteral(u"サーバーにそのファイルがありません（404）")),
      qPrintable(LastMessageDetails()));
}

// Archives older than the data in use: the window asks first; いいえ leaves the data as it was.
void TestUpdateWindow::olderDataAsked() {
  std::string older = files_.path("older/");
  QCOMPARE(mkdir(older.c_str(), 0755), 0);
  std::time_t when = LocalNoon(2026, 3, 27);
  QVERIFY(WriteZip(older + "ken_all.zip", {{"KEN_ALL.CSV", WithEveryPrefecture(DataKind::Ken, "")}}, when));
  QVERIFY(WriteZip(older + "jigyosyo.zip", {{"JIGYOSYO.CSV", WithEveryPrefecture(DataKind::Jig, "")}}, when));
  for (const char* name : {"ken_all.zip", "jigyosyo.zip"})
    server_.Serve(std::string("/older/") + name, {200, ReadFile(older + name)});
  UseServer("/older");
  auto before = FolderSnapshot(program_->folder());
  QStringList asked;
  SetQuestionHandler([&](const QString& question, const QString&) {
    asked << question;
    return false;
  });
  UpdateData();
  SetQuestionHandler({});
  QCOMPARE(asked, QStringList{
                      QStringLiteral(u"ダウンロードした ken_all.zip（令和8年3月27日）は、お使いのもの（令和8年4月28日）"
                                     u"より古いものです。\n古いデータに戻しますか？")});
  QCOMPARE(shown_.size(), std::size_t{1});
  QCOMPARE(shown_[0].text, QStringLiteral(u"データ更新を中止しました。お使いのデータは変わっていません。"));
  QVERIFY(FolderSnapshot(program_->folder()) == before);
}

// Over Japan Post's data, the altered copy: the report lists the changes, the label shows
// the new date, and the next look-up reads the new data.
void TestUpdateWindow::updateShowsChanges() {
  if (archives_.empty()) QSKIP("TANZEL_JAPANPOST_DIR is not set");
  ImportSummary summary;
  std::string error;
  QVERIFY2(RunImport({archives_ + "/ken_all.zip", archives_ + "/jigyosyo.zip", program_->folder()}, summary, error),
           error.c_str());
  UseServer("/altered");
  bool ran = false;
  QString list, selected;
  WhenModal(
      QStringLiteral("changeReportDialog"),
      [&](QDialog* dialog) {
        QCOMPARE(Child<QLabel>(dialog, "headingLabel")->text(),
                 QStringLiteral(u"令和8年6月26日のデータに更新しました。"));
        QCOMPARE(Child<QLabel>(dialog, "countsLabel")->text(),
                 QStringLiteral(u"住所の郵便番号　追加 2　廃止 2　変更 1\n事業所の郵便番号　追加 1　廃止 1　変更 1"));
        auto* table = Child<QTableView>(dialog, "changeTable");
        QCOMPARE(table->model()->rowCount(), 8);
        table->selectRow(1);
        QTest::keySequence(table, QKeySequence::Copy);
        selected = QApplication::clipboard()->text();
        QTest::mouseClick(Child<QPushButton>(dialog, "copyButton"), Qt::LeftButton);
        list = QApplication::clipboard()->text();
        QTest::mouseClick(Child<QPushButton>(dialog, "closeButton"), Qt::LeftButton);
      },
      &ran);
  UpdateData();
  QVERIFY(ran);
  QVERIFY(shown_.empty());
  const QString heading = QStringLiteral(u"種別\t変更\t郵便番号\t変更前\t変更後\n");
  QCOMPARE(selected, heading + QStringLiteral(u"住所\t廃止\t100-0002\t東京都千代田区皇居外苑\t\n"));
  QCOMPARE(list.count(u'\n'), 1 + 8);
  QVERIFY2(list.startsWith(heading + QStringLiteral(u"住所\t廃止\t100-0001\t東京都千代田区千代田\t\n")),
           qPrintable(list));
  QVERIFY2(list.contains(
               QStringLiteral(u"住所\t変更\t100-0005\t東京都千代田区丸の内（次のビルを除く）\t東京都千代田区変更町")),
           qPrintable(list));
  QCOMPARE(Child<QLabel>(Form_Main, "Label4")->text(), QStringLiteral(u"令和8年6月26日　郵便番号改定"));
  ClickLine(Form_Main->ListBox_Ken, 12);  // 東京都, read from the edition now in use
  int count = Form_Main->KenCount;
  bool changed = false;
  for (int i = 0; i < count; ++i)
    changed |= std::string(Form_Main->KenTable[i].PostalCode) == "1000005" &&
               std::string(Form_Main->KenTable[i].TownKanji) == S("変更町");
  QVERIFY(changed);

  // A search for a removed code says so.
  Form_View->Edit_Keyword->setText(QStringLiteral(u"１００－０００１"));  // as an input method gives it
  Form_View->show();
  QTRY_COMPARE(shown_.size(), std::size_t{1});
  QTRY_VERIFY(SearchThread->IsWaiting());
  Form_View->hide();
  QCOMPARE(shown_[0].text,
           QStringLiteral(u"検索しましたが見つかりませんでした。\nこの郵便番号は令和8年6月の更新で廃止されました"));
}

void TestUpdateWindow::sourceOrder_data() {
  Columns<QString, QString, QString>("environment", "mirror",
                                     "used");  // the base address the update uses; empty: Japan Post
  Row("Japan Post", "", "", "");
  Row("mirror", "", "https://mirror.example/jp", "https://mirror.example/jp");
  Row("environment over mirror", "http://127.0.0.1:9/x", "https://mirror.example/jp", "http://127.0.0.1:9/x");
  Row("environment", "http://127.0.0.1:9/x", "", "http://127.0.0.1:9/x");
}

// The environment variable (for scripts) wins, then the mirror in the user's settings, then
// Japan Post.
void TestUpdateWindow::sourceOrder() {
  QFETCH(QString, environment);
  QFETCH(QString, mirror);
  QFETCH(QString, used);
  qputenv("TANZEL_JAPANPOST_URL", environment.toUtf8());
  SaveMirrorUrl(mirror);
  QCOMPARE(QString::fromStdString(WindowUpdateBaseUrl()), used);
  SaveMirrorUrl(QString());
}

// The dialog shows where the archives come from; a mirror typed there is checked, kept in the
// settings and used by this update and the next.
void TestUpdateWindow::mirrorSetInDialog() {
  qunsetenv("TANZEL_JAPANPOST_URL");
  const QString mirror = QString::fromStdString(server_.BaseUrl() + "/missing");
  QStringList sources;
  bool stayed = false;
  bool ran = false;
  WhenModal(
      QStringLiteral("updateSourceDialog"),
      [&](QDialog* dialog) {
        auto* edit = Child<QLineEdit>(dialog, "mirrorEdit");
        sources << Child<QLabel>(dialog, "sourceLabel")->text();
        edit->setText(QStringLiteral("ftp://example.jp/"));
        QTest::mouseClick(Child<QPushButton>(dialog, "startButton"), Qt::LeftButton);
        stayed = dialog->isVisible() && !Child<QLabel>(dialog, "noteLabel")->text().isEmpty();
        edit->setText(mirror);
        sources << Child<QLabel>(dialog, "sourceLabel")->text();
        QTest::mouseClick(Child<QPushButton>(dialog, "startButton"), Qt::LeftButton);
      },
      &ran);
  Form_Main->UpdateData();
  QVERIFY(ran);
  QCOMPARE(sources, (QStringList{QStringLiteral(u"ダウンロード元: 日本郵便（www.post.japanpost.jp）"),
                                 QStringLiteral(u"ダウンロード元: %1（ミラー）").arg(mirror)}));
  QVERIFY(stayed);
  QCOMPARE(SavedMirrorUrl(), mirror);
  QCOMPARE(shown_.size(), std::size_t{1});
  QVERIFY2(LastMessageDetails().contains(mirror + QStringLiteral("/ken_all.zip")), qPrintable(LastMessageDetails()));

  // The next time, the dialog starts from the mirror kept; the environment's address wins over it.
  UseServer("/stall");
  const int requests = server_.Requests("/stall/ken_all.zip");
  WhenModal(
      QStringLiteral("updateSourceDialog"),
      [&](QDialog* dialog) {
        QCOMPARE(Child<QLineEdit>(dialog, "mirrorEdit")->text(), mirror);
        QVERIFY(Child<QLabel>(dialog, "sourceLabel")->text().contains(QStringLiteral(u"TANZEL_JAPANPOST_URL")));
      },
      &ran);
  Form_Main->UpdateData();  // rejected: nothing is downloaded
  QVERIFY(ran);
  QCOMPARE(shown_.size(), std::size_t{1});
  QCOMPARE(server_.Requests("/stall/ken_all.zip"), requests);
  SaveMirrorUrl(QString());
}

void TestUpdateWindow::archiveNamedInBox_data() {
  Columns<QString, QString>("base", "file");
  Row("addresses cut short", "/halfken", "ken_all.zip");
  Row("offices cut short", "/halfjig", "jigyosyo.zip");
}

// A cut-off archive is named in the box, whichever it is; the details say in Japanese what was
// wrong and where it came from, never the work folder it was downloaded into.
void TestUpdateWindow::archiveNamedInBox() {
  QFETCH(QString, base);
  QFETCH(QString, file);
  UseServer(base.toLatin1().constData());
  UpdateData();
  QCOMPARE(shown_.size(), std::size_t{1});
  QCOMPARE(shown_[0].text,
           QStringLiteral(u"ダウンロードした %1 は途中で切れているか壊れているため、取り込みませんでした。"
                          u"\n\nお使いのデータは変わっていません。")
               .arg(file));
  const QString details = LastMessageDetails();
  QVERIFY2(details.startsWith(QStringLiteral(u"ファイル: %1\nダウンロード元: %2%3/%1\n受け取った大きさ: ")
                                  .arg(file, QString::fromStdString(server_.BaseUrl()), base)),
           qPrintable(details));
  QVERIFY2(details.contains(QStringLiteral(u"内容: zip 書庫の終わりが欠けているか、中身が壊れています")),
           qPrintable(details));
  QVERIFY2(!details.contains(QLatin1String(".update-")) && !details.contains(QLatin1String("neither")),
           qPrintable(details));
}

// Every kind of failure has words of its own in the box, naming the archive where there is
// one, and its cause in Japanese behind 詳細…; the technical message shows only where it is
// the network library's report.
void TestUpdateWindow::everyFailureInItsWords() {
  using F = UpdateFailure;
  using P = UpdateProblem;
  const std::pair<F, P> kinds[] = {{F::Network, P::NoConnection},
                                   {F::Network, P::CutShort},
                                   {F::Server, P::NotFound},
                                   {F::Server, P::ServerError},
                                   {F::Server, P::TooLarge},
                                   {F::Archive, P::Truncated},
                                   {F::Archive, P::NotAnArchive},
                                   {F::Archive, P::WrongContents},
                                   {F::Archive, P::WrongCounts},
                                   {F::Disk, P::NoSpace},
                                   {F::Disk, P::NoPermission},
                                   {F::Disk, P::WriteError},
                                   {F::Busy, P::None},
                                   {F::Older, P::None}};
  QSet<QString> texts, causes;
  for (const auto& [failure, problem] : kinds) {
    UpdateResult r;
    r.failure = failure;
    r.problem = problem;
    r.file = "jigyosyo.zip";
    r.url = "http://127.0.0.1:1/m/jigyosyo.zip";
    r.bytes = 1234;
    r.httpStatus = problem == P::NotFound ? 404 : 503;
    r.message = "jigyosyo.zip: the technical message";
    r.targetFolder = "/data/";
    r.date = "2020-01-06";
    r.inUseDate = "2026-05-26";
    shown_.clear();
    ShowUpdateOutcome(Form_Main, r);
    QCOMPARE(shown_.size(), std::size_t{1});
    const QString text = shown_[0].text, details = LastMessageDetails();
    texts.insert(text);
    causes.insert(details.section(QStringLiteral(u"内容: "), 1).section(u'\n', 0, 0));
    if (failure != F::Disk && failure != F::Busy)
      QVERIFY2(text.contains(QLatin1String("jigyosyo.zip")), qPrintable(text));
    QCOMPARE(details.contains(QLatin1String("technical")), problem == P::NoConnection);
  }
  causes.remove(QString());
  QCOMPARE(texts.size(), int(std::size(kinds)));
  QCOMPARE(causes.size(), int(std::size(kinds)));
}

QTEST_MAIN(TestUpdateWindow)
#include "tst_update_window.moc"
