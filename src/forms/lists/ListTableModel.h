#pragma once

// The rows of a list of addresses as a table: the list's own columns, then the postal code,
// how sure it is, the record it matched and, where the list has codes, whether they agree.
// The list and the answers live here; the window changes them through this model only.

#include <QAbstractTableModel>
#include <QSortFilterProxyModel>
#include <QStringList>

#include <memory>
#include <vector>

#include "core/lists/AddressList.h"

class ListTableModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  explicit ListTableModel(QObject* parent = nullptr);

  // Shows `list`, its first row as column names when `header`; no answers yet.
  void SetList(std::shared_ptr<const tanzel::AddressList> list, bool header, bool withCode);
  const std::shared_ptr<const tanzel::AddressList>& List() const { return list_; }
  // The first row of the list that is a row of the table (1 with a header).
  std::size_t First() const { return header_ ? 1 : 0; }
  bool WithCode() const { return withCode_; }

  // Forgets every answer; rows then show no code until answered.
  void ClearAnswers(std::shared_ptr<const tanzel::AddressIndex> index);
  // The answers of table rows start, start + 1, ...
  void AddAnswers(std::size_t start, std::vector<tanzel::RowAnswer> answers);
  void SetAnswer(std::size_t row, tanzel::RowAnswer answer);
  // Answers of the table's rows; rows not yet answered have none.
  const std::vector<tanzel::RowAnswer>& Answers() const { return answers_; }
  bool Answered(std::size_t row) const { return row < answered_.size() && answered_[row]; }
  const std::shared_ptr<const tanzel::AddressIndex>& Index() const { return index_; }
  tanzel::ListSummary Summary() const;

  // The text of a cell as shown.
  QString Cell(int row, int column) const;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  QString Field(std::size_t listRow, int column) const;

  std::shared_ptr<const tanzel::AddressList> list_;
  std::shared_ptr<const tanzel::AddressIndex> index_;
  bool header_ = false;
  bool withCode_ = false;
  QStringList appendedNames_;  // the appended columns' names, unlike the list's (AppendedNames)
  std::vector<tanzel::RowAnswer> answers_;
  std::vector<uint8_t> answered_;
};

// Shows every row, or, when on, only the rows that need a person (and those not answered).
class NeedsPersonFilter : public QSortFilterProxyModel {
  Q_OBJECT
 public:
  using QSortFilterProxyModel::QSortFilterProxyModel;
  void SetOn(bool on);

 protected:
  bool filterAcceptsRow(int row, const QModelIndex& parent) const override;

 private:
  bool on_ = false;
};

// The word the window shows for a row's certainty: 確実, 要確認, 複数候補, 該当なし, 選択済み.
QString CertaintyText(const tanzel::RowAnswer& row);
