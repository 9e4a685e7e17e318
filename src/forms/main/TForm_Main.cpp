#include "forms/main/TForm_Main.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QToolButton>
#include <QToolTip>
#include <QUrl>

#include "core/data/DataFile.h"
#include "core/data/DataFolders.h"
#include "core/data/Editions.h"
#include "core/data/EraDate.h"
#include "core/data/Loaders.h"
#include "forms/common/Centring.h"
#include "forms/common/Controls.h"
#include "forms/common/Fonts.h"
#include "forms/common/Icons.h"
#include "forms/common/KeywordEdit.h"
#include "forms/common/MessageBox.h"
#include "forms/common/ProgramInfo.h"
#include "forms/common/QtText.h"
#include "forms/main/ListBox.h"

using namespace tanzel;

TForm_Main* Form_Main = nullptr;

namespace {

constexpr int kClientWidth = 792;
constexpr int kClientHeight = 554;
// Label4: its right edge and least width.
constexpr int kDateRight = 778;
constexpr int kDateWidth = 162;

QString FirstDataDate() {
  return QStringLiteral(u"令和6年4月30日 郵便番号改定");
}

QLabel* MakeLabel(QWidget* parent, const char* name, int left, int top, const QString& text, bool navy) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QLatin1String(name));
  label->move(left, top);
  if (navy) {
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, QColor(0, 0, 128));
    label->setPalette(pal);
  }
  label->adjustSize();
  label->resize(label->width(), 12);
  return label;
}

QFrame* MakePanel(QWidget* parent, const char* name, int left, int top, int width, int height, bool bevel) {
  auto* panel = MakeControl<QFrame>(parent, name, left, top, width, height);
  if (bevel) {
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel->setLineWidth(1);
  }
  return panel;
}

TListBox* MakeList(QWidget* parent, const char* name, int left, int top, int width, int height) {
  auto* list = MakeControl<TListBox>(parent, name, left, top, width, height);
  list->SetItemHeight(12);
  return list;
}

QString PromptChoosePrefecture() {
  return QStringLiteral(u"都道府県を指定してください。");
}

}  // namespace

TForm_Main::TForm_Main(QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                              Qt::WindowCloseButtonHint) {
  setObjectName(QStringLiteral("Form_Main"));
  CreateControls();
  FormCreate();
}

void TForm_Main::CreateControls() {
  setWindowTitle(QStringLiteral(u"最新！郵便番号検索  - Tanzel2024 -"));
  setFont(FixedFont(12));

  auto* client = new QWidget(this);
  client->setObjectName(QStringLiteral("Client"));
  client->setFixedSize(kClientWidth, kClientHeight);
  setCentralWidget(client);

  // Keyword row.
  Panel_Top = MakePanel(client, "Panel_Top", 0, 0, kClientWidth, 33, false);
  Image_Search = MakeControl<QLabel>(Panel_Top, "Image_Search", 16, 9, 32, 32);
  Image_Search->setPixmap(SearchIcon());
  Image_Search->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  Edit_Keyword = MakeControl<QLineEdit>(Panel_Top, "Edit_Keyword", 48, 8, 177, 20);
  Button_Search = MakeControl<QPushButton>(Panel_Top, "Button_Search", 228, 8, 73, 20);
  Button_Search->setText(QStringLiteral(u"検索"));
  Label4 = MakeControl<QLabel>(Panel_Top, "Label4", kDateRight - kDateWidth, 16, kDateWidth, 12);
  Label4->setText(FirstDataDate());
  Label4->setAlignment(Qt::AlignRight | Qt::AlignTop);

  // The three list columns.
  Panel1 = MakePanel(client, "Panel1", 0, 33, kClientWidth, 521, false);
  Panel1->setAutoFillBackground(true);
  QPalette silver = Panel1->palette();
  silver.setColor(QPalette::Window, QColor(192, 192, 192));
  Panel1->setPalette(silver);

  Panel2 = MakePanel(Panel1, "Panel2", 0, 0, 97, 521, true);
  Panel2->setAutoFillBackground(true);
  Panel2->setPalette(QApplication::palette());
  Label3 = MakeLabel(Panel2, "Label3", 8, 16, QStringLiteral(u"都道府県"), true);
  SpeedButton_Map = MakeControl<QToolButton>(Panel2, "SpeedButton_Map", 64, 8, 23, 22);
  SpeedButton_Map->setIcon(MapGlyph());
  SpeedButton_Map->setFocusPolicy(Qt::NoFocus);
  SpeedButton_Map->setAutoRaise(true);
  SpeedButton_Map->setWhatsThis(QStringLiteral(u"地図"));  // the design's hint
  SpeedButton_Map->setToolTip(QStringLiteral(u"地図から都道府県を選ぶ"));
  ListBox_Ken = MakeList(Panel2, "ListBox_Ken", 8, 32, 81, 481);
  static constexpr const char16_t* kPrefectures[] = {
      u"北海道", u"青森県", u"岩手県", u"宮城県", u"秋田県", u"山形県",   u"福島県", u"茨城県",
      u"栃木県", u"群馬県", u"埼玉県", u"千葉県", u"東京都", u"神奈川県", u"新潟県", u"富山県",
      u"石川県", u"福井県", u"山梨県", u"長野県", u"岐阜県", u"静岡県",   u"愛知県", u"三重県",
      u"滋賀県", u"京都府", u"大阪府", u"兵庫県", u"奈良県", u"和歌山県", u"鳥取県", u"島根県",
      u"岡山県", u"広島県", u"山口県", u"徳島県", u"香川県", u"愛媛県",   u"高知県", u"福岡県",
      u"佐賀県", u"長崎県", u"熊本県", u"大分県", u"宮崎県", u"鹿児島県", u"沖縄県"};
  static_assert(std::size(kPrefectures) == PrefectureCount);
  for (const char16_t* name : kPrefectures) ListBox_Ken->addItem(QString::fromUtf16(name));

  Panel3 = MakePanel(Panel1, "Panel3", 97, 0, 239, 521, true);
  Label1 = MakeLabel(Panel3, "Label1", 8, 16, QStringLiteral(u"市区町村名"), true);
  ListBox_Code = MakeList(Panel3, "ListBox_Code", 24, 32, 200, 481);
  ListBox_Code->hide();
  ListBox_Shi = MakeList(Panel3, "ListBox_Shi", 8, 32, 224, 481);
  ListBox_Shi->addItem(PromptChoosePrefecture());
  ListBox_Shi->setEnabled(false);

  Panel4 = MakePanel(Panel1, "Panel4", 336, 0, 456, 521, true);
  Label2 = MakeLabel(Panel4, "Label2", 8, 16, QStringLiteral(u"町域名"), true);
  Edit_KeyCho = MakeControl<QLineEdit>(Panel4, "Edit_KeyCho", 6, 32, 363, 20);
  Button_Cho = MakeControl<QPushButton>(Panel4, "Button_Cho", 376, 32, 67, 20);
  Button_Cho->setText(QStringLiteral(u"検索"));
  ListBox_Nmb = MakeList(Panel4, "ListBox_Nmb", 24, 64, 426, 449);
  ListBox_Nmb->hide();
  ListBox_Cho = MakeList(Panel4, "ListBox_Cho", 6, 56, 443, 457);
  ListBox_Cho->addItem(PromptChoosePrefecture());
  ListBox_Cho->setEnabled(false);

  // Menu.
  MainMenu1 = menuBar();
  MainMenu1->setObjectName(QStringLiteral("MainMenu1"));
  N1 = MainMenu1->addMenu(QStringLiteral(u"表示"));
  N1->setObjectName(QStringLiteral("N1"));
  Menu_Find = N1->addAction(QStringLiteral(u"検索"));
  Menu_Find->setObjectName(QStringLiteral("Menu_Find"));
  Menu_Map = N1->addAction(QStringLiteral(u"地図"));
  Menu_Map->setObjectName(QStringLiteral("Menu_Map"));
  N4 = N1->addSeparator();
  N4->setObjectName(QStringLiteral("N4"));
  Menu_Close = N1->addAction(QStringLiteral(u"終了"));
  Menu_Close->setObjectName(QStringLiteral("Menu_Close"));
  Exit1 = MainMenu1->addMenu(QStringLiteral(u"その他"));
  Exit1->setObjectName(QStringLiteral("Exit1"));
  Menu_Hp = Exit1->addAction(QStringLiteral(u"Marvoltホームページ"));
  Menu_Hp->setObjectName(QStringLiteral("Menu_Hp"));
  updateAction_ = Exit1->addAction(QStringLiteral(u"データ更新…"));
  updateAction_->setObjectName(QStringLiteral("updateAction"));
  listAction_ = Exit1->addAction(QStringLiteral(u"住所一覧から郵便番号…"));
  listAction_->setObjectName(QStringLiteral("listAction"));
  N3 = Exit1->addSeparator();
  N3->setObjectName(QStringLiteral("N3"));
  Menu_Ver = Exit1->addAction(QStringLiteral(u"バージョン情報"));
  Menu_Ver->setObjectName(QStringLiteral("Menu_Ver"));

  // Bindings.
  connect(Button_Search, &QPushButton::clicked, this, &TForm_Main::Button_SearchClick);
  connect(Button_Cho, &QPushButton::clicked, this, &TForm_Main::Button_ChoClick);
  connect(SpeedButton_Map, &QToolButton::clicked, this, &TForm_Main::SpeedButton_MapClick);
  connect(ListBox_Ken, &TListBox::Click, this, &TForm_Main::ListBox_KenClick);
  connect(ListBox_Ken, &TListBox::DblClick, this, &TForm_Main::ListBox_KenDblClick);
  connect(ListBox_Shi, &TListBox::Click, this, &TForm_Main::ListBox_ShiClick);
  connect(ListBox_Shi, &TListBox::DblClick, this, &TForm_Main::ListBox_ShiDblClick);
  connect(ListBox_Cho, &TListBox::Click, this, &TForm_Main::ListBox_ChoClick);
  connect(Menu_Find, &QAction::triggered, this, &TForm_Main::Menu_FindClick);
  connect(Menu_Map, &QAction::triggered, this, &TForm_Main::Menu_MapClick);
  connect(Menu_Close, &QAction::triggered, this, &TForm_Main::Menu_CloseClick);
  connect(Menu_Hp, &QAction::triggered, this, &TForm_Main::Menu_HpClick);
  connect(Menu_Ver, &QAction::triggered, this, &TForm_Main::Menu_VerClick);
  connect(updateAction_, &QAction::triggered, this, &TForm_Main::UpdateData);
  connect(listAction_, &QAction::triggered, this, [this] {
    if (OpenAddressList) OpenAddressList(QString());
  });
  setAcceptDrops(true);
  Edit_Keyword->installEventFilter(this);
  Edit_KeyCho->installEventFilter(this);
  ListBox_Cho->viewport()->installEventFilter(this);

  // Every keyword edit holds at most the worker's keyword; the town filter's text becomes
  // the keyword too.
  LimitKeywordEdit(Edit_Keyword);
  LimitKeywordEdit(Edit_KeyCho);
  AddFindShortcut(this, Edit_Keyword);

  // Fixed size: the client area plus the menu bar; centred on the screen.
  setFixedSize(kClientWidth, kClientHeight + MainMenu1->sizeHint().height());
  CentreOnScreen(this);
}

void TForm_Main::FormCreate() {
  DataFolder = ExecutableFolder();
  ShowDataDate();
}

std::shared_ptr<const DataSet> TForm_Main::Data() {
  DataInUse::Taken taken = data_.Get(DataFolder);
  if (taken.reopening == Reopening::Moved) ShowDateOf(*taken.set);  // another edition came into use meanwhile
  return taken.set;
}

void TForm_Main::ShowDataDate() {
  data_.Renew();  // the label tells what is in use now: after an update, the new data
  ShowDateOf(*Data());
}

void TForm_Main::ShowDateOf(const DataSet& data) {
  const std::optional<EditionRecord>& edition = data.Edition();
  std::optional<CalendarDate> date = edition ? ParseIsoDate(edition->date) : std::nullopt;
  QString text = !HoldsCompleteSet(data.EditionFolder()) ? QStringLiteral(u"データがありません")
                 : date                                  ? FromSjis(DataDateLabel(*date))
                                                         : FirstDataDate();
  Label4->setText(text);
  int width = std::max(kDateWidth, Label4->fontMetrics().horizontalAdvance(text));
  Label4->setGeometry(kDateRight - width, Label4->y(), width, Label4->height());
}

bool TForm_Main::HasData() {
  return HoldsCompleteSet(Data()->EditionFolder());
}

void TForm_Main::OfferDataAtStart() {
  if (HasData()) return;
  QString folders = QStringLiteral(u"　") + QFile::decodeName(QByteArray::fromStdString(DataFolder));
  if (std::string user = UserDataFolder(); !user.empty() && user != DataFolder)
    folders += QStringLiteral(u"\n　") + QFile::decodeName(QByteArray::fromStdString(user));
  QString text = QStringLiteral(u"郵便番号のデータが見つかりません。\n\n探した場所：\n") + folders +
                 QStringLiteral(u"\n\n「その他」→「データ更新…」で日本郵便から取得できます。今すぐ取得しますか？");
  if (AskQuestion(this, text, ApplicationTitle(), QStringLiteral(u"データ更新…"), QStringLiteral(u"あとで"),
                  DefaultAnswer::Yes))
    UpdateData();
}

bool TForm_Main::eventFilter(QObject* watched, QEvent* event) {
  if (watched == ListBox_Cho->viewport() && event->type() == QEvent::ToolTip) {
    // A town or office line shows its postal code.
    auto* help = static_cast<QHelpEvent*>(event);
    QModelIndex index = ListBox_Cho->indexAt(help->pos());
    QString code = index.isValid() ? TownLineCode(index.row()) : QString();
    if (code.isEmpty()) {
      QToolTip::hideText();
    } else {
      QToolTip::showText(help->globalPos(), QStringLiteral(u"〒") + code, ListBox_Cho->viewport(),
                         ListBox_Cho->visualRect(index));
    }
    return true;
  }
  if (event->type() == QEvent::KeyPress) {
    int vk = KeyDownCode(static_cast<QKeyEvent*>(event));
    if (watched == Edit_Keyword) Edit_KeywordKeyDown(vk);
    if (watched == Edit_KeyCho) Edit_KeyChoKeyDown(vk);
  }
  return QMainWindow::eventFilter(watched, event);  // the key is never swallowed
}

void TForm_Main::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  FormResize();
}

void TForm_Main::FormResize() {
  QRect outer = frameGeometry();
  int extraWidth = outer.width() - width();
  int extraHeight = outer.height() - height();
  if (outer.width() < 640) resize(640 - extraWidth, height());
  if (frameGeometry().height() < 480) resize(width(), 480 - extraHeight);
}

void TForm_Main::Menu_CloseClick() {
  close();
}

void TForm_Main::Menu_HpClick() {
  // The program's own guide, on this machine: the maker's site is not there to open.
  QString readme = ReadmePath(QFile::decodeName(QByteArray::fromStdString(ExecutableFolder())));
  if (readme.isEmpty()) {
    ShowMessage(this, QStringLiteral(u"説明書（README.ja.md）が見つかりません。"), ApplicationTitle(),
                MessageIcon::Information);
    return;
  }
  QDesktopServices::openUrl(QUrl::fromLocalFile(readme));
}

void TForm_Main::ListBox_KenDblClick() {
  ListBox_Shi->setFocus();
}

namespace {
// Shows the box a load calls for and gives the count the caller stores.
int Report(QWidget* parent, LoadResult r) {
  if (r.notice == LoadNotice::FileMissing)
    ShowMessage(parent, QStringLiteral(u"ファイルが見つかりません"), QStringLiteral(u"ファイル"), MessageIcon::Error);
  if (r.notice == LoadNotice::Overflow)
    ShowMessage(parent, QStringLiteral(u"データ量がオーバーしました"), QStringLiteral(u"ファイル"),
                MessageIcon::Warning);
  return r.count;
}
}  // namespace

int TForm_Main::LoadKen(int n) {
  if (!browsed_) browsed_ = Data();
  return Report(this, LoadKenFile(*browsed_, n, KenTable.get()));
}

int TForm_Main::LoadJig(int n) {
  if (!browsed_) browsed_ = Data();
  return Report(this, LoadJigFile(*browsed_, n, JigTable.get()));
}
