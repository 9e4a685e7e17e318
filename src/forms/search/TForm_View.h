#pragma once

#include <QDialog>
#include <QTableWidget>

#include <string>

#include "core/search/SearchEngine.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

// The result grid of the search window: a string grid whose heading row is the table's
// header. MouseDown fires after the grid has handled a press on a row, with that row: any
// button makes the pressed cell current (the left one may go on to select a range), a
// double click is a press like the first one, and Enter opens the current row the same
// way. Presses on the heading row never fire it (those on a column border resize the
// column), nor presses below the last row. Ctrl+C puts the rows holding selected cells on
// the clipboard, one line each, their cells separated by tabs.
class TStringGrid : public QTableWidget {
  Q_OBJECT
 public:
  explicit TStringGrid(QWidget* parent = nullptr);

  // Row numbers count the heading row as row 0, like the grid's own numbering.
  int RowCount() const { return rowCount() + 1; }
  void SetRowCount(int rows);
  int CurrentRow() const;
  // The text of a cell of row `row` (1 ...), empty when it has none.
  QString Cell(int column, int row) const;
  void SetCell(int column, int row, const QString& text);
  // Sets a row apart: its cells shaded, `mark` (what the row is) as their tooltip.
  void MarkRow(int row, const QString& mark);
  QString RowMark(int row) const;
  // Scrolls back to the first row and the first column.
  void ScrollHome();
  // The rows (1 ...) holding at least one selected cell, as tab-separated text: columns 0
  // to 4, one line per row ending in '\n'; rows without any text are left out.
  // A marked row adds its mark as a sixth column.
  QString SelectedRowsText() const;

 Q_SIGNALS:
  void MouseDown(int row);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool viewportEvent(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Whether the text of the cell is wider than the cell shows.
  bool IsCut(const QModelIndex& index) const;
};

// The keyword-search window: keyword, start/cancel, the animated icon, the hit counter and
// the grid of hits. The search itself runs in SearchThread.
class TForm_View : public QDialog {
  Q_OBJECT
 public:
  explicit TForm_View(QWidget* parent = nullptr);

  // Controls (object names equal to these names).
  TStringGrid* StringGrid1;
  QPushButton* Button_Close;
  QLineEdit* Edit_Keyword;
  QPushButton* Button_Search;
  QLabel* Label1;
  QLabel* Label_Hit;
  QLabel* Image_Search;
  QLabel* Label_Title;
  QLabel* Label_Msg;
  // Where the wait message stands while the worker waits: which form of the keyword the
  // hits are for, when the keyword as typed found nothing.
  QLabel* Label_SearchedAs;
  QTimer* Timer_Search;

  // 0 = keyword search over all prefectures; 1 = town-area search in the city chosen in
  // the main window. Set by Open.
  int SearchMode = 0;

  // The one way in for other windows: opens this window modally on `keyword` and starts its
  // search. `mode` 0 searches by keyword; 1 searches the towns of the city `cityCode` (local
  // government code as decimal text) in the prefecture `prefName` (Shift-JIS); a negative
  // mode keeps the mode of the last search. Returns when the window is closed.
  void Open(int mode, const QString& keyword, const std::string& prefName = {}, const std::string& cityCode = {});

  // Handlers.
  void FormCreate();
  void FormShow();
  void Button_SearchClick();
  void Edit_KeywordKeyDown(int key);
  void Timer_SearchTimer();
  // Fills and shows the result dialog from grid row `row` (1 ...).
  void StringGrid1MouseDown(int row);
  void Button_CloseClick();

 protected:
  void showEvent(QShowEvent* event) override;
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void SetHitText(const QString& text);

  // The pass whose rows arrive now, and whether the search resolved its keyword as an address.
  tanzel::SearchPass pass_ = tanzel::SearchPass::Exact;
  bool resolved_ = false;
  QString rowMark_;  // the mark of the rows of the address pass
};

extern TForm_View* Form_View;
