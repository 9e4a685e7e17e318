#include "forms/lists/AddressListDialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include <chrono>

#include "core/data/DataSet.h"
#include "core/data/Editions.h"
#include "core/lists/Csv.h"
#include "core/lists/ListFile.h"
#include "core/lists/Workbook.h"
#include "core/resolve/AddressIndex.h"
#include "forms/common/MessageBox.h"
#include "forms/common/QtText.h"
#include "forms/lists/ListTableModel.h"

using namespace tanzel;

namespace {

const QString kCaption = QStringLiteral(u"住所一覧から郵便番号");

QString EncodingName(TextEncoding encoding) {
  switch (encoding) {
    case TextEncoding::Cp932:
      return QStringLiteral("Shift-JIS");
    case TextEncoding::Utf8Bom:
      return QStringLiteral(u"UTF-8（BOM付き）");
    default:
      return QStringLiteral("UTF-8");
  }
}

QPushButton* Button(QWidget* parent, const char* name, const QString& text) {
  auto* b = new QPushButton(text, parent);
  b->setObjectName(QString::fromLatin1(name));
  return b;
}

// A line of status that never widens the window: it takes the width it is given and ends
// in … where its text is longer (SetStatus makes the whole text its tooltip).
class StatusLabel : public QLabel {
 public:
  explicit StatusLabel(QWidget* parent) : QLabel(parent) {
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    setMinimumWidth(0);
  }
  QSize minimumSizeHint() const override { return {0, QLabel::minimumSizeHint().height()}; }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    const QRect area = contentsRect();
    painter.drawText(area, static_cast<int>(alignment()),
                     fontMetrics().elidedText(text(), Qt::ElideRight, area.width()));
  }
};

void SetStatus(QLabel* label, const QString& text) {
  label->setText(text);
  label->setToolTip(text);
}

}  // namespace

AddressListDialog::AddressListDialog(tanzel::DataSource data, QWidget* parent)
    : QDialog(parent), data_(std::move(data)) {
  setObjectName(QStringLiteral("AddressListDialog"));
  setWindowTitle(kCaption);
  CreateControls();
  SetBusy(false);
  resize(960, 640);
}

AddressListDialog::~AddressListDialog() {
  job_.Stop();
}

void AddressListDialog::CreateControls() {
  model_ = new ListTableModel(this);
  filter_ = new NeedsPersonFilter(this);
  filter_->setSourceModel(model_);

  openButton_ = Button(this, "openButton", QStringLiteral(u"開く…"));
  pasteButton_ = Button(this, "pasteButton", QStringLiteral(u"貼り付け"));
  sourceLabel_ = new StatusLabel(this);
  sourceLabel_->setText(
      QStringLiteral(u"CSV・TSV・Excel (.xlsx) ファイルを開くか、表計算のセルを貼り付けてください。"));
  sourceLabel_->setObjectName(QStringLiteral("sourceLabel"));
  auto* top = new QHBoxLayout;
  top->addWidget(openButton_);
  top->addWidget(pasteButton_);
  top->addWidget(sourceLabel_, 1);

  headerCheck_ = new QCheckBox(QStringLiteral(u"1行目は見出し"), this);
  headerCheck_->setObjectName(QStringLiteral("headerCheck"));
  addressColumns_ = new QListWidget(this);
  addressColumns_->setObjectName(QStringLiteral("addressColumns"));
  addressColumns_->setFlow(QListView::LeftToRight);
  addressColumns_->setFixedHeight(34);
  codeColumn_ = new QComboBox(this);
  codeColumn_->setObjectName(QStringLiteral("codeColumn"));
  resolveButton_ = Button(this, "resolveButton", QStringLiteral(u"郵便番号を調べる"));
  cancelButton_ = Button(this, "cancelButton", QStringLiteral(u"中止"));
  auto* columns = new QHBoxLayout;
  columns->addWidget(headerCheck_);
  columns->addWidget(new QLabel(QStringLiteral(u"住所の列:"), this));
  columns->addWidget(addressColumns_, 1);
  columns->addWidget(new QLabel(QStringLiteral(u"既存の郵便番号の列:"), this));
  columns->addWidget(codeColumn_);
  columns->addWidget(resolveButton_);
  columns->addWidget(cancelButton_);

  progress_ = new QProgressBar(this);
  progress_->setObjectName(QStringLiteral("progress"));
  table_ = new QTableView(this);
  table_->setObjectName(QStringLiteral("table"));
  table_->setModel(filter_);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setSelectionMode(QAbstractItemView::SingleSelection);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->verticalHeader()->setDefaultSectionSize(22);
  table_->horizontalHeader()->setDefaultSectionSize(130);
  table_->horizontalHeader()->setStretchLastSection(true);

  needsPersonCheck_ = new QCheckBox(QStringLiteral(u"確認が必要な行だけ"), this);
  needsPersonCheck_->setObjectName(QStringLiteral("needsPersonCheck"));
  candidates_ = new QComboBox(this);
  candidates_->setObjectName(QStringLiteral("candidates"));
  candidates_->setMinimumContentsLength(30);
  chooseButton_ = Button(this, "chooseButton", QStringLiteral(u"この番号にする"));
  addressEdit_ = new QLineEdit(this);
  addressEdit_->setObjectName(QStringLiteral("addressEdit"));
  reresolveButton_ = Button(this, "reresolveButton", QStringLiteral(u"住所を直して調べ直す"));
  auto* row = new QHBoxLayout;
  row->addWidget(needsPersonCheck_);
  row->addWidget(new QLabel(QStringLiteral(u"候補:"), this));
  row->addWidget(candidates_, 1);
  row->addWidget(chooseButton_);
  row->addWidget(addressEdit_, 1);
  row->addWidget(reresolveButton_);

  summary_ = new StatusLabel(this);
  summary_->setObjectName(QStringLiteral("summary"));
  encoding_ = new QComboBox(this);
  encoding_->setObjectName(QStringLiteral("encoding"));
  encoding_->setMinimumContentsLength(18);
  copyButton_ = Button(this, "copyButton", QStringLiteral(u"表をコピー"));
  saveButton_ = Button(this, "saveButton", QStringLiteral(u"保存…"));
  auto* closeButton = Button(this, "closeButton", QStringLiteral(u"閉じる"));
  auto* bottom = new QHBoxLayout;
  bottom->addStretch(1);
  bottom->addWidget(new QLabel(QStringLiteral(u"保存する文字コード:"), this));
  bottom->addWidget(encoding_);
  bottom->addWidget(copyButton_);
  bottom->addWidget(saveButton_);
  bottom->addWidget(closeButton);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addLayout(columns);
  layout->addWidget(progress_);
  layout->addWidget(table_, 1);
  layout->addLayout(row);
  layout->addWidget(summary_);  // a line of its own: the counts fit at the window's width
  layout->addLayout(bottom);

  connect(openButton_, &QPushButton::clicked, this, [this] {
    QFileDialog dialog(this, QStringLiteral(u"住所一覧を開く"), QFileInfo(inputPath_).absolutePath(),
                       QStringLiteral(u"一覧 (*.csv *.tsv *.txt *.xlsx);;CSV・TSV (*.csv *.tsv *.txt);;"
                                      u"Excel ブック (*.xlsx);;すべてのファイル (*)"));
    dialog.setObjectName(QStringLiteral("openListDialog"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
      OpenFile(dialog.selectedFiles().first());
  });
  connect(pasteButton_, &QPushButton::clicked, this, [this] { OpenText(QApplication::clipboard()->text()); });
  connect(headerCheck_, &QCheckBox::toggled, this, [this] {
    FillColumns();
    ShowList();
  });
  connect(codeColumn_, &QComboBox::activated, this, [this] { ShowList(); });
  connect(resolveButton_, &QPushButton::clicked, this, &AddressListDialog::Resolve);
  connect(cancelButton_, &QPushButton::clicked, this, [this] { job_.Cancel(); });
  connect(needsPersonCheck_, &QCheckBox::toggled, filter_, &NeedsPersonFilter::SetOn);
  connect(table_->selectionModel(), &QItemSelectionModel::currentRowChanged, this, &AddressListDialog::RowChanged);
  connect(chooseButton_, &QPushButton::clicked, this, &AddressListDialog::ChooseCandidate);
  connect(reresolveButton_, &QPushButton::clicked, this, &AddressListDialog::ResolveEdited);
  connect(copyButton_, &QPushButton::clicked, this, &AddressListDialog::CopyTable);
  connect(saveButton_, &QPushButton::clicked, this, &AddressListDialog::AskSavePath);
  connect(closeButton, &QPushButton::clicked, this, &QDialog::close);
}

bool AddressListDialog::ChooseSheet(const QString& path, std::string& sheet) {
  MappedList mapped;
  std::string error;
  std::vector<std::string> names;
  if (!mapped.Open(path.toStdString(), kMaxHeldListBytes, error) || !WorkbookSheetNames(mapped.bytes(), names, error) ||
      names.size() < 2)
    return true;
  QStringList buttons;
  for (const std::string& n : names) buttons << QString::fromStdString(n);
  buttons << QStringLiteral(u"キャンセル");
  const int i = AskChoice(this, QStringLiteral(u"どのシートの一覧を開きますか？"), kCaption, buttons, 0,
                          static_cast<int>(names.size()));
  if (i < 0 || static_cast<std::size_t>(i) >= names.size()) return false;
  sheet = names[static_cast<std::size_t>(i)];
  return true;
}

void AddressListDialog::OpenFile(const QString& path) {
  std::string sheet;
  if (IsWorkbookPath(path.toStdString()) && !ChooseSheet(path, sheet)) return;
  SetBusy(true);
  const std::string file = path.toStdString();
  job_.Start([this, file, path, sheet](const std::atomic<bool>& cancel) {
    // The window holds a list whole (kMaxHeldListBytes): larger ones are for tanzel-search --resolve --list.
    std::string error;
    std::optional<AddressList> list = ReadListFile(file, sheet, cancel, error);
    if (!list) {
      job_.Post([this, error] { Finished(false, QString::fromStdString(error)); });
      return;
    }
    auto shared = std::make_shared<const AddressList>(std::move(*list));
    job_.Post([this, shared, path, sheet] {
      inputPath_ = path;
      Loaded(shared,
             QFileInfo(path).fileName() +
                 (sheet.empty() ? QString() : QStringLiteral(u"（%1）").arg(QString::fromStdString(sheet))),
             false);
    });
  });
}

void AddressListDialog::OpenText(const QString& text) {
  std::atomic<bool> never{false};
  std::string error;
  std::optional<AddressList> list = ReadAddressList(text.toStdString(), never, error);
  if (!list) {
    ShowMessage(this, QStringLiteral(u"貼り付けた内容を一覧として読めません: ") + QString::fromStdString(error),
                kCaption, MessageIcon::Warning);
    return;
  }
  inputPath_.clear();
  Loaded(std::make_shared<const AddressList>(std::move(*list)), QStringLiteral(u"貼り付けたセル"), true);
}

void AddressListDialog::Loaded(std::shared_ptr<const AddressList> list, const QString& source, bool pasted) {
  list_ = std::move(list);
  pasted_ = pasted;
  decisions_.clear();
  SetBusy(false);
  unsaved_ = false;
  const bool header = FirstRowNamesColumns(list_->rows, list_->encoding);
  const long rows = static_cast<long>(list_->rows.size()) - (header ? 1 : 0);
  if (!pasted && IsWorkbookPath(inputPath_.toStdString()))
    SetStatus(sourceLabel_, QStringLiteral(u"%1　%2行　Excel ブック").arg(source).arg(rows));
  else
    SetStatus(sourceLabel_, QStringLiteral(u"%1　%2行　文字コード: %3　区切り: %4")
                                .arg(source)
                                .arg(rows)
                                .arg(pasted ? QStringLiteral(u"（貼り付け）") : EncodingName(list_->encoding),
                                     list_->delimiter == '\t' ? QStringLiteral(u"タブ") : QStringLiteral(u"カンマ")));
  encoding_->clear();
  encoding_->addItem(QStringLiteral(u"元の文字コード（%1）").arg(EncodingName(list_->encoding)),
                     static_cast<int>(list_->encoding));
  encoding_->addItem(QStringLiteral(u"UTF-8（BOM付き）"), static_cast<int>(TextEncoding::Utf8Bom));
  // Cells of a spreadsheet are saved as CSV a spreadsheet opens as UTF-8: with the mark.
  encoding_->setCurrentIndex(pasted || IsWorkbookPath(inputPath_.toStdString()) ? 1 : 0);
  const QSignalBlocker block(headerCheck_);
  headerCheck_->setChecked(header);
  FillColumns();
  ShowList();
}

void AddressListDialog::FillColumns() {
  addressColumns_->clear();
  codeColumn_->clear();
  codeColumn_->addItem(QStringLiteral(u"（なし）"), -1);
  if (!list_) return;
  const bool header = headerCheck_->isChecked();
  recognised_ = RecogniseColumns(list_->rows, list_->encoding, header);
  const ListColumns& guess = recognised_;
  for (int c = 0; c < static_cast<int>(list_->width); ++c) {
    const QString name = header ? FromSjis(list_->SjisField(0, c)) : QStringLiteral(u"列%1").arg(c + 1);
    auto* item = new QListWidgetItem(name, addressColumns_);
    item->setFlags(Qt::ItemIsUserCheckable | Qt::ItemIsEnabled);
    const bool chosen = std::find(guess.address.begin(), guess.address.end(), c) != guess.address.end();
    item->setCheckState(chosen ? Qt::Checked : Qt::Unchecked);
    codeColumn_->addItem(name, c);
  }
  codeColumn_->setCurrentIndex(guess.code + 1);
}

void AddressListDialog::ShowList() {
  decisions_.clear();
  unsaved_ = false;  // the answers are dropped
  model_->SetList(list_, headerCheck_->isChecked(), codeColumn_->currentData().toInt() >= 0);
  progress_->setRange(0, std::max(1, model_->rowCount()));
  progress_->setValue(0);
  if (list_) table_->setColumnWidth(static_cast<int>(list_->width) + 2, 380);  // the matched record
  SetStatus(summary_, list_ ? QStringLiteral(u"%1行").arg(model_->rowCount()) : QString());
  SetBusy(false);
}

ListColumns AddressListDialog::ChosenColumns() const {
  ListColumns columns;
  for (int i = 0; i < addressColumns_->count(); ++i)
    if (addressColumns_->item(i)->checkState() == Qt::Checked) columns.address.push_back(i);
  columns.address = InAddressOrder(std::move(columns.address), recognised_);
  columns.code = codeColumn_->currentData().toInt();
  return columns;
}

void AddressListDialog::Resolve() {
  if (!list_ || busy_) return;
  const ListColumns columns = ChosenColumns();
  if (columns.address.empty()) {
    ShowMessage(this, QStringLiteral(u"住所の列を選んでください。"), kCaption, MessageIcon::Warning);
    return;
  }
  if ((columns.code >= 0) != model_->WithCode()) ShowList();
  resolved_ = columns;
  SetBusy(true);
  progress_->setValue(0);
  auto list = list_;
  auto decisions = decisions_;
  const std::size_t first = model_->First();
  std::shared_ptr<const DataSet> data = data_();
  job_.Start([this, list, decisions, first, data, columns](const std::atomic<bool>& cancel) {
    std::string error;
    std::shared_ptr<const AddressIndex> index = data->Index(error);
    if (!index) {
      const QString why = QString::fromStdString(data->EditionFolder() + error) + QStringLiteral(u" を読めません。");
      job_.Post([this, why] { Finished(false, why); });
      return;
    }
    job_.Post([this, index] { model_->ClearAnswers(index); });
    std::vector<RowAnswer> chunk;
    std::size_t start = 0;
    auto sent = std::chrono::steady_clock::now();
    for (std::size_t r = first; r < list->rows.size() && !cancel.load(std::memory_order_relaxed); ++r) {
      auto d = decisions.find(r - first);
      chunk.push_back(ResolveListRow(*index, *list, r, columns, d == decisions.end() ? nullptr : &d->second));
      const auto now = std::chrono::steady_clock::now();
      if (chunk.size() >= 8192 || now - sent > std::chrono::milliseconds(50)) {
        job_.Post([this, start, chunk = std::move(chunk)]() mutable {
          const std::size_t end = start + chunk.size();
          model_->AddAnswers(start, std::move(chunk));
          progress_->setValue(static_cast<int>(end));
        });
        chunk = {};
        start = r + 1 - first;
        sent = now;
      }
    }
    const bool cancelled = cancel.load();
    job_.Post([this, start, cancelled, chunk = std::move(chunk)]() mutable {
      model_->AddAnswers(start, std::move(chunk));
      Finished(cancelled, QString());
    });
  });
}

void AddressListDialog::Finished(bool cancelled, const QString& error) {
  SetBusy(false);
  if (!error.isEmpty()) {
    ShowMessage(this, QStringLiteral(u"一覧を扱えません: ") + error, kCaption, MessageIcon::Warning);
    return;
  }
  if (list_ && !cancelled) progress_->setValue(progress_->maximum());
  unsaved_ = unsaved_ || (list_ && model_->Index() != nullptr && !model_->Answers().empty());
  SetStatus(summary_, SummaryText() + (cancelled ? QStringLiteral(u"（中止しました）") : QString()));
  RowChanged();
}

QString AddressListDialog::SummaryText() const {
  const ListSummary s = model_->Summary();
  return QStringLiteral(u"%1行: 確実 %2 / 要確認 %3 / 複数候補 %4 / 該当なし %5 / 選択済み %6 / 既存番号と不一致 %7")
      .arg(model_->rowCount())
      .arg(s.sure)
      .arg(s.notSure)
      .arg(s.ambiguous)
      .arg(s.notFound)
      .arg(s.chosen)
      .arg(s.differs);
}

void AddressListDialog::SetBusy(bool busy) {
  busy_ = busy;
  const bool list = list_ != nullptr && !busy;
  const bool answered = list && model_->Index() != nullptr && !model_->Answers().empty();
  for (QWidget* w : {static_cast<QWidget*>(openButton_), static_cast<QWidget*>(pasteButton_)}) w->setEnabled(!busy);
  for (QWidget* w : {static_cast<QWidget*>(headerCheck_), static_cast<QWidget*>(addressColumns_),
                     static_cast<QWidget*>(codeColumn_), static_cast<QWidget*>(resolveButton_)})
    w->setEnabled(list);
  for (QWidget* w :
       {static_cast<QWidget*>(copyButton_), static_cast<QWidget*>(saveButton_), static_cast<QWidget*>(encoding_),
        static_cast<QWidget*>(addressEdit_), static_cast<QWidget*>(reresolveButton_)})
    w->setEnabled(answered);
  chooseButton_->setEnabled(answered && candidates_->count() > 0);
  cancelButton_->setEnabled(busy);
}

long AddressListDialog::CurrentRow() const {
  const QModelIndex current = filter_->mapToSource(table_->currentIndex());
  return current.isValid() ? current.row() : -1;
}

void AddressListDialog::RowChanged() {
  candidates_->clear();
  addressEdit_->clear();
  const long row = CurrentRow();
  if (row >= 0 && model_->Index() && !busy_) {
    const std::size_t r = static_cast<std::size_t>(row);
    RowDecision asked;
    auto d = decisions_.find(r);
    if (d != decisions_.end()) asked.address = d->second.address;
    // The candidates as the address alone gives them, whatever was chosen before or the
    // row's existing code decided; the row's answer among them is the current one.
    ListColumns addressOnly = resolved_;
    addressOnly.code = -1;
    const RowAnswer fresh = ResolveListRow(*model_->Index(), *list_, r + model_->First(), addressOnly, &asked);
    if (fresh.answer.codes.size() > 1) {
      for (const Resolution& code : fresh.answer.codes)
        candidates_->addItem(QString::fromStdString(PostalText(code.postal)) + QLatin1Char(' ') +
                                 FromSjis(RecordText(*model_->Index(), code)),
                             code.postal);
      const auto& now = model_->Answers()[r].answer.codes;
      if (now.size() == 1) candidates_->setCurrentIndex(std::max(0, candidates_->findData(now.front().postal)));
    }
    addressEdit_->setText(
        FromSjis(asked.address ? *asked.address
                               : JoinAddress(list_->rows[r + model_->First()], list_->encoding, resolved_.address)));
  }
  SetBusy(busy_);
}

void AddressListDialog::ChooseCandidate() {
  const long row = CurrentRow();
  if (row < 0 || candidates_->currentIndex() < 0) return;
  const std::size_t r = static_cast<std::size_t>(row);
  RowDecision& decision = decisions_[r];
  decision.postal = candidates_->currentData().toUInt();
  model_->SetAnswer(r, ResolveListRow(*model_->Index(), *list_, r + model_->First(), resolved_, &decision));
  unsaved_ = true;
  SetStatus(summary_, SummaryText());
}

void AddressListDialog::ResolveEdited() {
  const long row = CurrentRow();
  if (row < 0) return;
  std::optional<std::string> address = ToSjis(addressEdit_->text());
  if (!address) {
    ShowMessage(this, QStringLiteral(u"Shift-JISにない文字が含まれています。"), kCaption, MessageIcon::Warning);
    return;
  }
  const std::size_t r = static_cast<std::size_t>(row);
  RowDecision& decision = decisions_[r];
  decision.address = std::move(*address);
  decision.postal.reset();
  model_->SetAnswer(r, ResolveListRow(*model_->Index(), *list_, r + model_->First(), resolved_, &decision));
  unsaved_ = true;
  SetStatus(summary_, SummaryText());
  RowChanged();
}

void AddressListDialog::CopyTable() {
  std::string text;
  std::vector<std::string> cells(static_cast<std::size_t>(model_->columnCount()));
  auto add = [&] {
    for (std::size_t c = 0; c < cells.size(); ++c) {
      if (c > 0) text += '\t';
      AppendCsvField(text, cells[c], '\t');
    }
    text += '\n';
  };
  for (int c = 0; c < model_->columnCount(); ++c)
    cells[static_cast<std::size_t>(c)] =
        model_->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString().toStdString();
  add();
  for (int row = 0; row < filter_->rowCount(); ++row) {
    const int source = filter_->mapToSource(filter_->index(row, 0)).row();
    for (int c = 0; c < model_->columnCount(); ++c)
      cells[static_cast<std::size_t>(c)] = model_->Cell(source, c).toStdString();
    add();
  }
  QApplication::clipboard()->setText(QString::fromStdString(text));
}

void AddressListDialog::AskSavePath() {
  QString suggestion;
  if (!inputPath_.isEmpty()) {
    const QFileInfo input(inputPath_);
    suggestion = input.absolutePath() + QLatin1Char('/') + input.completeBaseName() + QStringLiteral(u"_郵便番号.") +
                 (IsWorkbookPath(inputPath_.toStdString()) ? QStringLiteral("xlsx") : QStringLiteral("csv"));
  }
  QFileDialog dialog(this, QStringLiteral(u"郵便番号を付けた一覧を保存"), suggestion,
                     QStringLiteral(u"CSV (*.csv);;Excel ブック (*.xlsx)"));
  dialog.setObjectName(QStringLiteral("saveListDialog"));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setDefaultSuffix(QStringLiteral("csv"));
  // The dialog asks before it replaces any file; the input is never replaced (SaveTo).
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
    closeWhenSaved_ = false;
    return;
  }
  SaveTo(dialog.selectedFiles().first(), static_cast<TextEncoding>(encoding_->currentData().toInt()));
}

bool AddressListDialog::MayClose() {
  if (!unsaved_) return true;
  if (busy_) return false;  // the results are being saved
  const int answer =
      AskChoice(this, QStringLiteral(u"結果を保存しますか？"), kCaption,
                {QStringLiteral(u"保存"), QStringLiteral(u"保存しない"), QStringLiteral(u"キャンセル")}, 0, 2);
  if (answer == 1) return true;
  if (answer == 0) {
    closeWhenSaved_ = true;
    AskSavePath();
  }
  return false;
}

void AddressListDialog::reject() {
  if (MayClose()) QDialog::reject();
}

void AddressListDialog::SaveTo(const QString& path, TextEncoding encoding) {
  if (!list_ || !model_->Index() || busy_) return;
  if (!inputPath_.isEmpty() && SameFile(path.toStdString(), inputPath_.toStdString())) {
    closeWhenSaved_ = false;
    ShowMessage(this, QStringLiteral(u"開いた一覧には上書きしません。別の名前で保存してください。"), kCaption,
                MessageIcon::Warning);
    return;
  }
  SetBusy(true);
  // The answers are read in place: nothing changes them while the window is busy.
  const std::vector<RowAnswer>* answers = &model_->Answers();
  auto list = list_;
  auto index = model_->Index();
  const std::size_t first = model_->First();
  const bool withCode = model_->WithCode();
  job_.Start([=, this](const std::atomic<bool>&) {
    std::string error;
    const bool saved =
        SaveAddressList(path.toStdString(), *list, first, withCode, *answers, *index,
                        ListOutput{encoding, ListWords::Japanese, IsWorkbookPath(path.toStdString())}, error);
    job_.Post([this, saved, error, path] {
      SetBusy(false);
      if (!saved) {
        closeWhenSaved_ = false;
        ShowMessage(this, QStringLiteral(u"保存できませんでした: ") + QString::fromStdString(error), kCaption,
                    MessageIcon::Error);
        return;
      }
      unsaved_ = false;
      SetStatus(summary_, SummaryText() + QStringLiteral(u"　保存しました: ") + QFileInfo(path).fileName());
      if (closeWhenSaved_) {
        closeWhenSaved_ = false;
        QDialog::reject();
      }
    });
  });
}
