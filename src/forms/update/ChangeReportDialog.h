#pragma once

#include <QDialog>

#include "core/update/DataChanges.h"

class QLabel;
class QPushButton;
class QTableView;

// The report after an update: the date of the new data, the counts of codes added,
// removed and changed (addresses and offices), and a table of those codes (kind, change,
// code, before, after) that the user can scroll and select. Ctrl+C copies the selected
// rows, "すべてコピー" the whole table, as tab-separated lines.
class ChangeReportDialog : public QDialog {
  Q_OBJECT
 public:
  // `date` is the new edition's date (YYYY-MM-DD).
  ChangeReportDialog(tanzel::DataChanges changes, const std::string& date, QWidget* parent = nullptr);

  // The heading line and the rows `rows` (all when empty) as tab-separated lines.
  QString CopyText(const QList<int>& rows = {}) const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void CopySelection() const;

  tanzel::DataChanges changes_;
  QLabel* headingLabel_;
  QLabel* countsLabel_;
  QTableView* table_;
  QPushButton* copyButton_;
  QPushButton* closeButton_;
};

// "令和8年5月26日" for "2026-05-26"; the text as given when it is not a date.
QString EraDateOf(const std::string& isoDate);
