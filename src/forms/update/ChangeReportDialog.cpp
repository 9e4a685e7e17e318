#include "forms/update/ChangeReportDialog.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include <optional>

#include "core/data/EraDate.h"
#include "forms/common/Fonts.h"
#include "forms/common/QtText.h"

using namespace tanzel;

namespace {

constexpr int kColumns = 5;

QString CountsLine(const QString& what, const ChangeCounts& n) {
  return QStringLiteral(u"%1　追加 %2　廃止 %3　変更 %4").arg(what).arg(n.added).arg(n.removed).arg(n.changed);
}

QString Heading(int column) {
  static const QString kHeadings[kColumns] = {QStringLiteral(u"種別"), QStringLiteral(u"変更"),
                                              QStringLiteral(u"郵便番号"), QStringLiteral(u"変更前"),
                                              QStringLiteral(u"変更後")};
  return kHeadings[column];
}

QString Cell(const CodeChange& c, int column) {
  switch (column) {
    case 0:
      return c.kind == DataKind::Ken ? QStringLiteral(u"住所") : QStringLiteral(u"事業所");
    case 1:
      return c.change == ChangeKind::Added     ? QStringLiteral(u"追加")
             : c.change == ChangeKind::Removed ? QStringLiteral(u"廃止")
                                               : QStringLiteral(u"変更");
    case 2:
      return QString::fromStdString(c.code.substr(0, 3) + "-" + c.code.substr(std::min<std::size_t>(3, c.code.size())));
    case 3:
      return FromSjis(c.before);
    default:
      return FromSjis(c.after);
  }
}

// The changes as a read-only table; texts are made when a cell is shown.
class ChangeModel : public QAbstractTableModel {
 public:
  ChangeModel(const std::vector<CodeChange>& list, QObject* parent) : QAbstractTableModel(parent), list_(list) {}
  int rowCount(const QModelIndex& parent) const override {
    return parent.isValid() ? 0 : static_cast<int>(list_.size());
  }
  int columnCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : kColumns; }
  QVariant data(const QModelIndex& index, int role) const override {
    if (role != Qt::DisplayRole || !index.isValid()) return {};
    return Cell(list_[static_cast<std::size_t>(index.row())], index.column());
  }
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal)
      return QAbstractTableModel::headerData(section, orientation, role);
    return Heading(section);
  }

 private:
  const std::vector<CodeChange>& list_;
};

}  // namespace

QString EraDateOf(const std::string& isoDate) {
  std::optional<CalendarDate> date = ParseIsoDate(isoDate);
  return date ? FromSjis(EraDateText(*date)) : QString::fromStdString(isoDate);
}

ChangeReportDialog::ChangeReportDialog(DataChanges changes, const std::string& date, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      changes_(std::move(changes)) {
  setObjectName(QStringLiteral("changeReportDialog"));
  setWindowTitle(QStringLiteral(u"データ更新: 変更点"));
  setFont(ProportionalFont(12));
  headingLabel_ = new QLabel(QStringLiteral(u"%1のデータに更新しました。").arg(EraDateOf(date)), this);
  headingLabel_->setObjectName(QStringLiteral("headingLabel"));
  countsLabel_ = new QLabel(CountsLine(QStringLiteral(u"住所の郵便番号"), changes_.ken) + QLatin1Char('\n') +
                                CountsLine(QStringLiteral(u"事業所の郵便番号"), changes_.jig),
                            this);
  countsLabel_->setObjectName(QStringLiteral("countsLabel"));
  table_ = new QTableView(this);
  table_->setObjectName(QStringLiteral("changeTable"));
  table_->setModel(new ChangeModel(changes_.list, table_));
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setWordWrap(false);
  table_->verticalHeader()->hide();
  table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 4);
  for (int c = 0; c < 3; ++c) table_->horizontalHeader()->setSectionResizeMode(c, QHeaderView::ResizeToContents);
  for (int c = 3; c < kColumns; ++c) table_->setColumnWidth(c, 300);
  copyButton_ = new QPushButton(QStringLiteral(u"すべてコピー"), this);
  copyButton_->setObjectName(QStringLiteral("copyButton"));
  closeButton_ = new QPushButton(QStringLiteral(u"閉じる"), this);
  closeButton_->setObjectName(QStringLiteral("closeButton"));
  closeButton_->setDefault(true);

  auto* buttons = new QHBoxLayout();
  buttons->addStretch();
  buttons->addWidget(copyButton_);
  buttons->addWidget(closeButton_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(headingLabel_);
  layout->addWidget(countsLabel_);
  layout->addWidget(table_, 1);
  layout->addLayout(buttons);
  resize(720, 420);

  table_->installEventFilter(this);
  connect(copyButton_, &QPushButton::clicked, this, [this] { QApplication::clipboard()->setText(CopyText()); });
  connect(closeButton_, &QPushButton::clicked, this, &QDialog::accept);
}

QString ChangeReportDialog::CopyText(const QList<int>& rows) const {
  QStringList lines;
  QStringList cells;
  for (int c = 0; c < kColumns; ++c) cells << Heading(c);
  lines << cells.join(QLatin1Char('\t'));
  auto add = [&](int row) {
    cells.clear();
    for (int c = 0; c < kColumns; ++c) cells << Cell(changes_.list[static_cast<std::size_t>(row)], c);
    lines << cells.join(QLatin1Char('\t'));
  };
  if (rows.isEmpty()) {
    for (int r = 0; r < static_cast<int>(changes_.list.size()); ++r) add(r);
  } else {
    for (int r : rows) add(r);
  }
  return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

bool ChangeReportDialog::eventFilter(QObject* watched, QEvent* event) {
  // Before the table's own copy, which takes the current cell only.
  if (watched == table_ && event->type() == QEvent::KeyPress &&
      static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) {
    CopySelection();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

void ChangeReportDialog::CopySelection() const {
  QList<int> rows;
  for (const QModelIndex& index : table_->selectionModel()->selectedRows()) rows << index.row();
  std::sort(rows.begin(), rows.end());
  if (!rows.isEmpty()) QApplication::clipboard()->setText(CopyText(rows));
}
