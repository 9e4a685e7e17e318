#pragma once

#include <QDialog>

#include "core/update/DataChanges.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;

// The report after an update: the date of the new data, the counts of codes added,
// removed and changed (addresses and offices), and the list of those codes, one a line,
// tab-separated, which the user can scroll, select and copy (or copy whole).
class ChangeReportDialog : public QDialog {
  Q_OBJECT
 public:
  // `date` is the new edition's date (YYYY-MM-DD).
  ChangeReportDialog(const tanzel::DataChanges& changes, const std::string& date, QWidget* parent = nullptr);

  // The text of the list (what "すべてコピー" puts on the clipboard).
  QString ListText() const;

 private:
  QLabel* headingLabel_;
  QLabel* countsLabel_;
  QPlainTextEdit* list_;
  QPushButton* copyButton_;
  QPushButton* closeButton_;
};

// "令和8年5月26日" for "2026-05-26"; the text as given when it is not a date.
QString EraDateOf(const std::string& isoDate);
