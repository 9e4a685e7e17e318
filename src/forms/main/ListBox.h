#pragma once

#include <QListWidget>

#include <vector>

#include "core/browse/BrowseText.h"

// A list box with click semantics of a classic desktop list: Click fires once for a mouse
// click on an item (also on the item already selected) and once for every keyboard change
// of the current item; DblClick fires on a double click. Setting the current row from
// code fires nothing.
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
  void keyPressEvent(QKeyEvent* event) override;
  // Gaining the focus chooses no line: a list without a current line keeps none.
  void focusInEvent(QFocusEvent* event) override;
};

// Rebuilds a visible list and its hidden partner in one pass: line i of `visible` gets the
// text of lines[i], line i of `hidden` its key as decimal text.
void FillListPair(TListBox* visible, TListBox* hidden, const std::vector<tanzel::BrowseLine>& lines);
