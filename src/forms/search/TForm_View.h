#pragma once

#include <QDialog>
#include <QTableWidget>

class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

// The result grid of the search window: a string grid whose heading row is the table's
// header. MouseDown fires after the grid has handled a press (a left press in a cell makes
// it current first; other buttons and presses on the heading row leave it where it was).
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

 Q_SIGNALS:
  void MouseDown();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
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
  // the main window. Written by the openers before they show the window.
  int SearchMode = 0;

  // Handlers.
  void FormCreate();
  void FormShow();
  void Button_SearchClick();
  void Edit_KeywordKeyDown(int key);
  void Timer_SearchTimer();
  void StringGrid1MouseDown();
  void Button_CloseClick();

 protected:
  void showEvent(QShowEvent* event) override;
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void SetHitText(const QString& text);
};

extern TForm_View* Form_View;
