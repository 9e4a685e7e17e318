#include "forms/lists/ListTableModel.h"

#include <QBrush>
#include <QColor>

#include "forms/common/QtText.h"

using namespace tanzel;

QString CertaintyText(const RowAnswer& row) {
  return FromSjis(RowCertaintyWord(row));
}

ListTableModel::ListTableModel(QObject* parent) : QAbstractTableModel(parent) {}

void ListTableModel::SetList(std::shared_ptr<const AddressList> list, bool header, bool withCode) {
  beginResetModel();
  list_ = std::move(list);
  header_ = header && list_ && !list_->rows.empty();
  withCode_ = withCode;
  appendedNames_.clear();
  if (list_) {
    const std::vector<std::string> names =
        header_ ? FieldsToSjis(list_->rows[0], list_->encoding) : std::vector<std::string>();
    for (const std::string& name : AppendedNames(header_ ? &names : nullptr)) appendedNames_ << FromSjis(name);
  }
  answers_.clear();
  answered_.clear();
  endResetModel();
}

void ListTableModel::ClearAnswers(std::shared_ptr<const AddressIndex> index) {
  index_ = std::move(index);
  answers_.assign(static_cast<std::size_t>(rowCount()), RowAnswer());
  answered_.assign(answers_.size(), 0);
  if (rowCount() > 0) Q_EMIT dataChanged(this->index(0, 0), this->index(rowCount() - 1, columnCount() - 1));
}

void ListTableModel::AddAnswers(std::size_t start, std::vector<RowAnswer> answers) {
  if (answers.empty() || start + answers.size() > answers_.size()) return;
  std::move(answers.begin(), answers.end(), answers_.begin() + static_cast<std::ptrdiff_t>(start));
  std::fill_n(answered_.begin() + static_cast<std::ptrdiff_t>(start), answers.size(), 1);
  const int first = static_cast<int>(list_->width);
  Q_EMIT dataChanged(index(static_cast<int>(start), first),
                     index(static_cast<int>(start + answers.size() - 1), columnCount() - 1));
}

void ListTableModel::SetAnswer(std::size_t row, RowAnswer answer) {
  std::vector<RowAnswer> one;
  one.push_back(std::move(answer));
  AddAnswers(row, std::move(one));
}

ListSummary ListTableModel::Summary() const {
  ListSummary summary;
  for (std::size_t i = 0; i < answers_.size(); ++i)
    if (answered_[i]) summary.Add(answers_[i]);
  return summary;
}

int ListTableModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid() || !list_) return 0;
  return static_cast<int>(list_->rows.size() - First());
}

int ListTableModel::columnCount(const QModelIndex& parent) const {
  if (parent.isValid() || !list_) return 0;
  return static_cast<int>(list_->width) + (withCode_ ? kAppendedColumns : kAppendedColumns - 1);
}

QString ListTableModel::Field(std::size_t listRow, int column) const {
  const std::vector<std::string>& row = list_->rows[listRow];
  if (static_cast<std::size_t>(column) >= row.size()) return QString();
  const std::string& f = row[static_cast<std::size_t>(column)];
  return list_->encoding == TextEncoding::Cp932 ? FromSjis(f)
                                                : QString::fromUtf8(f.data(), static_cast<qsizetype>(f.size()));
}

QString ListTableModel::Cell(int row, int column) const {
  const std::size_t r = static_cast<std::size_t>(row);
  const int width = static_cast<int>(list_->width);
  if (column < width) return Field(r + First(), column);
  if (!Answered(r)) return QString();
  const RowAnswer& a = answers_[r];
  switch (column - width) {
    case 0:
    case 2: {
      std::array<std::string, kAppendedColumns> cells = AppendedCells(*index_, a);
      return FromSjis(cells[static_cast<std::size_t>(column - width)]);
    }
    case 1:
      return CertaintyText(a);
    default:
      return FromSjis(AgreementWord(a.agreement));
  }
}

QVariant ListTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || !list_) return {};
  if (role == Qt::DisplayRole) return Cell(index.row(), index.column());
  if (role == Qt::BackgroundRole && Answered(static_cast<std::size_t>(index.row())) &&
      NeedsPerson(answers_[static_cast<std::size_t>(index.row())]))
    return QBrush(QColor(255, 244, 214));
  return {};
}

QVariant ListTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole || !list_) return {};
  if (orientation == Qt::Vertical) return section + 1;
  const int width = static_cast<int>(list_->width);
  if (section >= width) return appendedNames_.value(section - width);
  if (header_) return Field(0, section);
  return QStringLiteral(u"列%1").arg(section + 1);
}

void NeedsPersonFilter::SetOn(bool on) {
  on_ = on;
  invalidateRowsFilter();
}

bool NeedsPersonFilter::filterAcceptsRow(int row, const QModelIndex&) const {
  if (!on_) return true;
  const auto* model = static_cast<const ListTableModel*>(sourceModel());
  const std::size_t r = static_cast<std::size_t>(row);
  return !model->Answered(r) || NeedsPerson(model->Answers()[r]);
}
