#include "forms/search/TForm_View.h"

#include <QClipboard>
#include <QColor>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QTimer>
#include <QToolTip>

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "core/browse/BrowseText.h"

#include "forms/common/Centring.h"
#include "forms/common/Controls.h"
#include "forms/common/Fonts.h"
#include "forms/common/Icons.h"
#include "forms/common/KeywordEdit.h"
#include "forms/common/QtText.h"
#include "forms/nmb7/TForm_Nmb7.h"
#include "forms/search/SearchEvents.h"
#include "forms/search/TThread_Search.h"

using namespace tanzel;

TForm_View* Form_View = nullptr;

namespace {

constexpr int kClientWidth = 792;
constexpr int kClientHeight = 573;
constexpr int kGridColumns = 6;
// The columns that hold the texts of a hit; the last column stays empty.
constexpr int kResultColumns = 5;
constexpr int kColumnWidths[kGridColumns] = {72, 197, 240, 123, 118, 64};
constexpr int kHitRightEdge = 753;
constexpr QPoint kIconHome(16, 14);

// The step of the icon's circuit, shared by every tick of the program.
int AnimPhase = 0;

QPushButton* MakeButton(QWidget* parent, const char* name, int left, int top, int width, int height,
                        const QString& text) {
  auto* button = MakeControl<QPushButton>(parent, name, left, top, width, height);
  button->setText(text);
  // Enter in the keyword edit is the edit's own key: no button of this window is a default.
  button->setAutoDefault(false);
  button->setDefault(false);
  return button;
}

// What the message line says when the first rows are the codes of the keyword read as an
// address: how sure they are.
QString AddressCaption(tanzel::Certainty certainty, tanzel::MatchKind kind) {
  if (certainty == tanzel::Certainty::Ambiguous)
    return QStringLiteral(u"住所が複数の地域に当てはまります（色付きの行は候補）");
  if (certainty == tanzel::Certainty::NotSure && kind == tanzel::MatchKind::BuildingUnknown)
    return QStringLiteral(u"住所から（ビルか階が特定できません：町域の番号）");
  if (certainty == tanzel::Certainty::NotSure && kind == tanzel::MatchKind::OtherWard)
    return QStringLiteral(u"住所から（書かれた区が見つかりません：その町域のある区の番号）");
  if (certainty == tanzel::Certainty::NotSure)
    return QStringLiteral(u"住所から（町域が見つかりません：市区町村の代表番号）");
  return QStringLiteral(u"住所として読んだ郵便番号です（色付きの行）");
}

// The tooltip of a row of the address pass.
QString RowMarkOf(tanzel::Certainty certainty, tanzel::MatchKind kind) {
  if (certainty == tanzel::Certainty::Ambiguous) return QStringLiteral(u"候補（複数の地域に当てはまります）");
  if (certainty == tanzel::Certainty::NotSure && kind == tanzel::MatchKind::BuildingUnknown)
    return QStringLiteral(u"ビルか階が特定できません（町域の番号）");
  if (certainty == tanzel::Certainty::NotSure && kind == tanzel::MatchKind::OtherWard)
    return QStringLiteral(u"書かれた区が見つかりません（その町域のある区の番号）");
  if (certainty == tanzel::Certainty::NotSure) return QStringLiteral(u"町域が見つかりません（市区町村の代表番号）");
  return QStringLiteral(u"住所から見つかった郵便番号");
}

// The search button's caption while the worker waits, and while a search runs.
QString StartCaption() {
  return QStringLiteral(u"検索");
}
QString CancelCaption() {
  return QStringLiteral(u"キャンセル");
}

}  // namespace

TStringGrid::TStringGrid(QWidget* parent) : QTableWidget(parent) {
  setColumnCount(kGridColumns);
  setRowCount(1);
  for (int c = 0; c < kGridColumns; ++c) setColumnWidth(c, kColumnWidths[c]);
  verticalHeader()->hide();
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setDefaultSectionSize(18);
  horizontalHeader()->setFixedHeight(18);
  horizontalHeader()->setSectionsClickable(false);
  horizontalHeader()->setHighlightSections(false);
  horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  horizontalHeader()->setStretchLastSection(false);
  horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  horizontalHeader()->viewport()->installEventFilter(this);
  setShowGrid(false);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setSelectionBehavior(QAbstractItemView::SelectItems);
  setSelectionMode(QAbstractItemView::ContiguousSelection);
  setWordWrap(false);
  // Tab leaves the grid for the next control instead of walking its cells.
  setTabKeyNavigation(false);
  setCurrentCell(0, 0);
}

void TStringGrid::SetRowCount(int rows) {
  setRowCount(rows > 1 ? rows - 1 : 0);
  if (currentRow() < 0 && rowCount() > 0) setCurrentCell(0, currentColumn() < 0 ? 0 : currentColumn());
}

int TStringGrid::CurrentRow() const {
  return currentRow() < 0 ? 1 : currentRow() + 1;
}

QString TStringGrid::Cell(int column, int row) const {
  const QTableWidgetItem* it = row >= 1 ? item(row - 1, column) : nullptr;
  return it ? it->text() : QString();
}

void TStringGrid::SetCell(int column, int row, const QString& text) {
  if (row < 1 || row > rowCount()) return;
  if (QTableWidgetItem* it = item(row - 1, column)) {
    it->setText(text);
  } else if (!text.isEmpty()) {
    setItem(row - 1, column, new QTableWidgetItem(text));
  }
}

void TStringGrid::MarkRow(int row, const QString& mark) {
  if (row < 1 || row > rowCount()) return;
  for (int c = 0; c < columnCount(); ++c) {
    QTableWidgetItem* it = item(row - 1, c);
    if (!it) setItem(row - 1, c, it = new QTableWidgetItem());
    it->setBackground(QColor(0xFF, 0xF4, 0xC8));
    it->setToolTip(mark);
  }
}

QString TStringGrid::RowMark(int row) const {
  const QTableWidgetItem* it = row >= 1 ? item(row - 1, 0) : nullptr;
  return it ? it->toolTip() : QString();
}

void TStringGrid::ScrollHome() {
  horizontalScrollBar()->setValue(horizontalScrollBar()->minimum());
  verticalScrollBar()->setValue(verticalScrollBar()->minimum());
}

QString TStringGrid::SelectedRowsText() const {
  std::vector<int> rows;
  for (const QModelIndex& index : selectionModel()->selectedIndexes()) rows.push_back(index.row() + 1);
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  QString text;
  for (int row : rows) {
    QStringList cells;
    bool any = false;
    for (int c = 0; c < kResultColumns; ++c) {
      cells.append(Cell(c, row));
      any = any || !cells.back().isEmpty();
    }
    // A row read from an address carries what it is: a candidate is never copied as the answer.
    if (any && !RowMark(row).isEmpty()) cells.append(RowMark(row));
    if (any) text += cells.join(QLatin1Char('\t')) + QLatin1Char('\n');
  }
  return text;
}

void TStringGrid::mousePressEvent(QMouseEvent* event) {
  // The row under the pointer is the one reported, whatever the button and wherever the
  // current cell was; only the left button goes on to select (and drag a range).
  const QModelIndex index = indexAt(event->position().toPoint());
  if (event->button() == Qt::LeftButton) {
    QTableWidget::mousePressEvent(event);
  } else {
    if (index.isValid()) setCurrentIndex(index);
    event->accept();
  }
  if (index.isValid()) Q_EMIT MouseDown(index.row() + 1);
}

void TStringGrid::mouseDoubleClickEvent(QMouseEvent* event) {
  mousePressEvent(event);
}

void TStringGrid::keyPressEvent(QKeyEvent* event) {
  if (event->matches(QKeySequence::Copy)) {
    QGuiApplication::clipboard()->setText(SelectedRowsText());
    event->accept();
    return;
  }
  if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && rowCount() > 0) {
    event->accept();
    Q_EMIT MouseDown(CurrentRow());
    return;
  }
  QTableWidget::keyPressEvent(event);
}

bool TStringGrid::IsCut(const QModelIndex& index) const {
  const QString text = index.data().toString();
  if (text.isEmpty()) return false;
  // The item view's own margin on both sides of the text.
  const int margin = style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1;
  return fontMetrics().horizontalAdvance(text) + 2 * margin > columnWidth(index.column());
}

bool TStringGrid::viewportEvent(QEvent* event) {
  if (event->type() == QEvent::ToolTip) {
    // A cell too narrow for its text shows the whole text; any other shows none.
    auto* help = static_cast<QHelpEvent*>(event);
    const QModelIndex index = indexAt(help->pos());
    if (index.isValid() && IsCut(index)) {
      QToolTip::showText(help->globalPos(), index.data().toString(), viewport(), visualRect(index));
    } else {
      QToolTip::hideText();
      event->ignore();
    }
    return true;
  }
  return QTableWidget::viewportEvent(event);
}

bool TStringGrid::eventFilter(QObject* watched, QEvent* event) {
  if (watched == horizontalHeader()->viewport() && event->type() == QEvent::MouseButtonPress) {
    // A press on the heading row: one on a column border starts resizing the column and is
    // left to the header; any other goes no further. None opens a result.
    auto* mouse = static_cast<QMouseEvent*>(event);
    QHeaderView* header = horizontalHeader();
    int x = mouse->position().toPoint().x();
    int grip = header->style()->pixelMetric(QStyle::PM_HeaderGripMargin, nullptr, header);
    int logical = header->logicalIndexAt(x);
    bool onBorder = false;
    if (logical >= 0 && mouse->button() == Qt::LeftButton) {
      int start = header->sectionViewportPosition(logical);
      int end = start + header->sectionSize(logical);
      onBorder = x > end - grip || (x < start + grip && header->visualIndex(logical) > 0);
    }
    if (!onBorder) return true;
  }
  return QTableWidget::eventFilter(watched, event);
}

TForm_View::TForm_View(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint) {
  setObjectName(QStringLiteral("Form_View"));
  AnimPhase = 0;  // the icon starts at rest, at its design position
  setWindowTitle(QStringLiteral(u"キーワード検索"));
  setFixedSize(kClientWidth, kClientHeight);
  setFont(ProportionalFont(12));

  StringGrid1 = MakeControl<TStringGrid>(this, "StringGrid1", 16, 80, 761, 446);
  Button_Close = MakeButton(this, "Button_Close", 360, 540, 75, 25, QStringLiteral("OK"));
  Edit_Keyword = MakeControl<QLineEdit>(this, "Edit_Keyword", 16, 48, 209, 20);
  Edit_Keyword->setText(QStringLiteral("Edit_Keyword"));
  Button_Search = MakeButton(this, "Button_Search", 232, 47, 73, 21, StartCaption());
  Label1 = MakeControl<QLabel>(this, "Label1", 760, 64, 12, 12);
  Label1->setText(QStringLiteral(u"件"));
  Label_Hit = MakeControl<QLabel>(this, "Label_Hit", 747, 64, 6, 12);
  Label_Hit->setAlignment(Qt::AlignRight | Qt::AlignTop);
  SetHitText(QStringLiteral("0"));
  Image_Search = MakeControl<QLabel>(this, "Image_Search", kIconHome.x(), kIconHome.y(), 32, 32);
  Image_Search->setPixmap(SearchIcon());
  Image_Search->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  Label_Title = MakeControl<QLabel>(this, "Label_Title", 48, 17, 86, 12);
  QFont bold = ProportionalFont(12);
  bold.setBold(true);
  Label_Title->setFont(bold);
  Label_Title->setText(QStringLiteral(u"キーワード検索"));
  Label_Msg = MakeControl<QLabel>(this, "Label_Msg", 336, 52, 178, 12);
  Label_Msg->setText(QStringLiteral(u"検索中です。しばらくお待ち下さい。"));
  Label_Msg->hide();
  Label_SearchedAs = MakeControl<QLabel>(this, "Label_SearchedAs", 336, 52, 400, 12);
  Label_SearchedAs->hide();
  Timer_Search = new QTimer(this);
  Timer_Search->setObjectName(QStringLiteral("Timer_Search"));
  Timer_Search->setInterval(200);

  setTabOrder(Edit_Keyword, Button_Search);
  setTabOrder(Button_Search, StringGrid1);
  setTabOrder(StringGrid1, Button_Close);

  connect(Button_Search, &QPushButton::clicked, this, &TForm_View::Button_SearchClick);
  connect(Button_Close, &QPushButton::clicked, this, &TForm_View::Button_CloseClick);
  connect(StringGrid1, &TStringGrid::MouseDown, this, &TForm_View::StringGrid1MouseDown);
  connect(Timer_Search, &QTimer::timeout, this, &TForm_View::Timer_SearchTimer);
  Edit_Keyword->installEventFilter(this);

  // The keyword edit holds at most the worker's keyword.
  LimitKeywordEdit(Edit_Keyword);
  AddFindShortcut(this, Edit_Keyword);

  FormCreate();
  Timer_Search->start();
}

void TForm_View::FormCreate() {
  StringGrid1->setHorizontalHeaderLabels({QStringLiteral(u"郵便番号"), QStringLiteral(u"漢字"),
                                          QStringLiteral(u"フリガナ"), QStringLiteral(u"地方公共団体コード"), QString(),
                                          QString()});
  StringGrid1->SetRowCount(2);
}

void TForm_View::showEvent(QShowEvent* event) {
  CentreOnScreen(this);
  QDialog::showEvent(event);
  if (!event->spontaneous()) FormShow();
}

void TForm_View::FormShow() {
  // Every opening starts in the keyword edit, wherever the focus was when it last closed.
  Edit_Keyword->setFocus();
  if (!Edit_Keyword->text().isEmpty()) Button_SearchClick();
}

void TForm_View::Button_SearchClick() {
  if (!SearchThread) return;
  if (!SearchThread->IsWaiting()) {
    SearchThread->Cancel();  // the caption and the message follow at the next tick
    return;
  }
  std::optional<std::string> keyword = ToSjis(Edit_Keyword->text(), KeywordCapacity - 1);
  std::string bytes = keyword.value_or(std::string());
  std::memcpy(SearchThread->Keyword, bytes.data(), bytes.size());
  SearchThread->Keyword[bytes.size()] = '\0';
  Label_Msg->show();
  Label_SearchedAs->clear();
  Label_SearchedAs->hide();
  pass_ = tanzel::SearchPass::Exact;
  resolved_ = false;
  StringGrid1->clearContents();  // the cells and the marks of the last search
  StringGrid1->SetRowCount(2);
  for (int c = 0; c < kGridColumns; ++c) StringGrid1->SetCell(c, 1, QString());
  StringGrid1->ScrollHome();
  SearchThread->Start(this, SearchMode, !keyword.has_value());
}

void TForm_View::Edit_KeywordKeyDown(int key) {
  if (key == 13) Button_SearchClick();
}

void TForm_View::Timer_SearchTimer() {
  bool waiting = !SearchThread || SearchThread->IsWaiting();
  if (!waiting || AnimPhase != 0) {
    ++AnimPhase;
    QPoint at = Image_Search->pos();
    switch (AnimPhase) {
      case 1:
        at.ry() -= 5;
        break;
      case 2:
        at.rx() -= 5;
        break;
      case 3:
        at.ry() += 5;
        break;
      default:
        at.rx() += 5;
        AnimPhase = 0;
        break;
    }
    Image_Search->move(at);
  }
  Button_Search->setText(waiting ? StartCaption() : CancelCaption());
  Label_Msg->setVisible(!waiting);
  Label_SearchedAs->setVisible(waiting && !Label_SearchedAs->text().isEmpty());
  SetHitText(QString::number(SearchThread ? SearchThread->HitCount() : 0));
}

void TForm_View::SetHitText(const QString& text) {
  Label_Hit->setText(text);
  Label_Hit->adjustSize();
  Label_Hit->setGeometry(kHitRightEdge - Label_Hit->width(), 64, Label_Hit->width(), 12);
}

void TForm_View::Open(int mode, const QString& keyword, const std::string& prefName, const std::string& cityCode) {
  if (mode >= 0) SearchMode = mode;
  if (SearchMode == 1) {
    SearchThread->FilterPrefName = prefName;
    SearchThread->FilterCityCode = cityCode;
  }
  Edit_Keyword->setText(keyword);
  exec();  // the search starts as the window opens
}

void TForm_View::StringGrid1MouseDown(int r) {
  if (!Form_Nmb7) return;
  std::string cells[kResultColumns];
  for (int i = 0; i < kResultColumns; ++i) cells[i] = ToSjis(StringGrid1->Cell(i, r)).value_or(std::string());
  Form_Nmb7->ShowResult(GridRowResult(cells), StringGrid1->RowMark(r));
}

void TForm_View::Button_CloseClick() {
  close();
}

bool TForm_View::event(QEvent* event) {
  if (event->type() == SearchRowEvent::EventType()) {
    auto* row = static_cast<SearchRowEvent*>(event);
    // A row of an earlier search (the grid was reset since) is dropped.
    if (SearchThread && row->generation == SearchThread->Generation()) {
      if (StringGrid1->RowCount() < row->number + 1) StringGrid1->SetRowCount(StringGrid1->RowCount() + 1);
      for (int c = 0; c < 5; ++c) StringGrid1->SetCell(c, row->number, row->cells[c]);
      if (pass_ == tanzel::SearchPass::Address) StringGrid1->MarkRow(row->number, rowMark_);
    }
    return true;
  }
  if (event->type() == SearchPassEvent::EventType()) {
    auto* pass = static_cast<SearchPassEvent*>(event);
    if (SearchThread && pass->generation == SearchThread->Generation()) {
      pass_ = pass->pass;
      if (pass_ == tanzel::SearchPass::Address) {
        resolved_ = true;
        rowMark_ = RowMarkOf(pass->certainty, pass->kind);
        Label_SearchedAs->setText(AddressCaption(pass->certainty, pass->kind));
      } else if (pass_ == tanzel::SearchPass::Tolerant && !resolved_) {
        // After the rows of an address the line keeps saying how sure they are; the shaded
        // rows tell them from the hits that follow.
        Label_SearchedAs->setText(QStringLiteral(u"「%1」で検索した結果です").arg(pass->keyword));
      }
    }
    return true;
  }
  if (event->type() == SearchFocusEvent::EventType()) {
    auto* focus = static_cast<SearchFocusEvent*>(event);
    if (SearchThread && focus->generation == SearchThread->Generation()) Edit_Keyword->setFocus();
    return true;
  }
  return QDialog::event(event);
}

bool TForm_View::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Edit_Keyword && event->type() == QEvent::KeyPress)
    Edit_KeywordKeyDown(KeyDownCode(static_cast<QKeyEvent*>(event)));
  return QDialog::eventFilter(watched, event);  // the key is never swallowed
}
