#pragma once

// 住所一覧から郵便番号: a list of addresses (a CSV or TSV file, an .xlsx workbook, or cells
// pasted from a spreadsheet) resolved row by row on a worker thread, shown with each row's postal code and
// how sure it is; a person settles the rows that need one, and the list is saved with the
// new columns appended.

#include <QDialog>

#include <map>
#include <memory>
#include <string>

#include "core/data/DataSet.h"
#include "core/lists/AddressList.h"
#include "forms/lists/ListJob.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QTableView;
class ListTableModel;
class NeedsPersonFilter;

class AddressListDialog : public QDialog {
  Q_OBJECT
 public:
  // `data` gives the data in use each time a list is resolved.
  explicit AddressListDialog(tanzel::DataSource data, QWidget* parent = nullptr);
  ~AddressListDialog() override;

  // Reads the list in the file at `path` on the worker (CSV, TSV, or an .xlsx workbook,
  // asking which sheet when it has several); the table shows it once read. A file that
  // cannot be read as a list is reported in a message box.
  void OpenFile(const QString& path);
  // Reads cells pasted as text (tab-separated rows from a spreadsheet, or CSV).
  void OpenText(const QString& text);
  // Resolves every row with the chosen columns, keeping the decisions made.
  void Resolve();
  // Writes the list with the new columns to `path` in `encoding`, on the worker.
  void SaveTo(const QString& path, tanzel::TextEncoding encoding);
  // True while a list is read, resolved or saved.
  bool Busy() const { return busy_; }
  // True when the list was resolved, or a row settled, since it was last saved.
  bool Unsaved() const { return unsaved_; }
  // The text of the summary line.
  QString SummaryText() const;

  // 閉じる, Esc and the close box (all end here): with results not saved, asks
  // 「結果を保存しますか？」 (保存 / 保存しない / キャンセル) first; 保存 asks where and closes
  // once saved.
  void reject() override;

 private:
  // True when the window may close now (asks when results are not saved).
  bool MayClose();
  // The sheet of the workbook at `path` to read: asked when it has several ("" for the
  // first, or when it cannot tell: the read then says why). False when the person cancels.
  bool ChooseSheet(const QString& path, std::string& sheet);
  void CreateControls();
  void Loaded(std::shared_ptr<const tanzel::AddressList> list, const QString& source, bool pasted);
  void FillColumns();
  void ShowList();
  tanzel::ListColumns ChosenColumns() const;
  void SetBusy(bool busy);
  void Finished(bool cancelled, const QString& error);
  void RowChanged();
  long CurrentRow() const;
  void ChooseCandidate();
  void ResolveEdited();
  void CopyTable();
  void AskSavePath();

  tanzel::DataSource data_;
  bool busy_ = false;
  bool unsaved_ = false;
  bool closeWhenSaved_ = false;
  QString inputPath_;
  bool pasted_ = false;
  std::shared_ptr<const tanzel::AddressList> list_;
  tanzel::ListColumns recognised_;                        // the columns as recognised
  tanzel::ListColumns resolved_;                          // the columns of the last resolution
  std::map<std::size_t, tanzel::RowDecision> decisions_;  // by table row

  ListTableModel* model_;
  NeedsPersonFilter* filter_;
  QPushButton* openButton_;
  QPushButton* pasteButton_;
  QLabel* sourceLabel_;
  QCheckBox* headerCheck_;
  QListWidget* addressColumns_;
  QComboBox* codeColumn_;
  QPushButton* resolveButton_;
  QPushButton* cancelButton_;
  QProgressBar* progress_;
  QTableView* table_;
  QCheckBox* needsPersonCheck_;
  QComboBox* candidates_;
  QPushButton* chooseButton_;
  QLineEdit* addressEdit_;
  QPushButton* reresolveButton_;
  QLabel* summary_;
  QComboBox* encoding_;
  QPushButton* copyButton_;
  QPushButton* saveButton_;

  ListJob job_{this};
};
