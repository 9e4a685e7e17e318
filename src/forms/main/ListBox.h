#pragma once

#include <QListWidget>

#include <vector>

#include "core/browse/BrowseText.h"

// A list box with click semantics of a classic desktop list: Click fires once for a mouse
// click on an item (also on the item already selected) and once for every keyboard change
// of the current item; DblClick fires on a double click. Setting the current row from
// code fires nothing.
//
// The highlighted line is always the current line, and a user moves it only in ways that
// fire Click: a left click (pressed and released on the same line, whatever modifier keys
// are held) or the keyboard. Other buttons and a press released on another line or outside
// the lines move nothing, so whatever a Click handler filled from the current line stays
// with it.
class TListBox : public QListWidget {
  Q_OBJECT
 public:
  explicit TListBox(QWidget* parent = nullptr);

  // Runs the same as a user's click on `row`: makes it current and fires Click.
  void ClickRow(int row);

  // Every line is this many pixels high.
  void SetItemHeight(int pixels);

 Q_SIGNALS:
  void Click();
  void DblClick();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void inputMethodEvent(QInputMethodEvent* event) override;
  // Gaining the focus chooses no line: a list without a current line keeps none.
  void focusInEvent(QFocusEvent* event) override;
  QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                       const QEvent* event = nullptr) const override;

 private:
  // The enabled line under a point of the viewport, or -1.
  int LineAt(const QPoint& pos) const;
  // Fires Click when the current row has moved away from `before` to a line.
  void ClickIfMoved(int before);

  int pressedRow_ = -1;  // the line a left press went down on, until its release
};

// Rebuilds a visible list and its hidden partner in one pass: line i of `visible` gets the
// text of lines[i], line i of `hidden` its key as decimal text.
void FillListPair(TListBox* visible, TListBox* hidden, const std::vector<tanzel::BrowseLine>& lines);
