#include "forms/main/ListBox.h"

#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStringList>
#include <QStyledItemDelegate>

#include "forms/common/QtText.h"

namespace {
class FixedHeightDelegate : public QStyledItemDelegate {
 public:
  FixedHeightDelegate(int height, QObject* parent) : QStyledItemDelegate(parent), height_(height) {}
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.setHeight(height_);
    return size;
  }

 private:
  int height_;
};
}  // namespace

TListBox::TListBox(QWidget* parent) : QListWidget(parent) {
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
}

void TListBox::SetItemHeight(int pixels) {
  setUniformItemSizes(true);
  setItemDelegate(new FixedHeightDelegate(pixels, this));
}

void TListBox::ClickRow(int row) {
  // A click never scrolls the list: the second press of a double click meets the same line.
  const bool scroll = hasAutoScroll();
  setAutoScroll(false);
  setCurrentRow(row);
  setAutoScroll(scroll);
  Q_EMIT Click();
}

int TListBox::LineAt(const QPoint& pos) const {
  const QModelIndex index = indexAt(pos);
  return index.isValid() && (index.flags() & Qt::ItemIsEnabled) ? index.row() : -1;
}

void TListBox::ClickIfMoved(int before) {
  if (currentRow() != before && currentRow() >= 0) Q_EMIT Click();
}

void TListBox::mousePressEvent(QMouseEvent* event) {
  // A press moves nothing; the left button's release on the same line makes the click.
  if (event->button() == Qt::LeftButton) pressedRow_ = LineAt(event->position().toPoint());
  event->accept();
}

void TListBox::mouseMoveEvent(QMouseEvent* event) {
  event->accept();  // no selection follows the mouse
}

void TListBox::mouseReleaseEvent(QMouseEvent* event) {
  event->accept();
  if (event->button() != Qt::LeftButton) return;
  const int pressed = pressedRow_;
  pressedRow_ = -1;
  if (pressed >= 0 && LineAt(event->position().toPoint()) == pressed) ClickRow(pressed);
}

void TListBox::mouseDoubleClickEvent(QMouseEvent* event) {
  // The second press of a double click on the line its first click chose; anywhere else it
  // is a press like any other.
  const int row = event->button() == Qt::LeftButton ? LineAt(event->position().toPoint()) : -1;
  if (row < 0 || row != currentRow()) return mousePressEvent(event);
  pressedRow_ = -1;
  event->accept();
  Q_EMIT DblClick();
}

void TListBox::keyPressEvent(QKeyEvent* event) {
  const int before = currentRow();
  QListWidget::keyPressEvent(event);
  ClickIfMoved(before);
}

void TListBox::inputMethodEvent(QInputMethodEvent* event) {
  const int before = currentRow();
  QListWidget::inputMethodEvent(event);  // committed text searches the lines like typing
  ClickIfMoved(before);
}

void TListBox::focusInEvent(QFocusEvent* event) {
  const bool hadCurrent = currentIndex().isValid();
  QListWidget::focusInEvent(event);
  if (!hadCurrent && currentIndex().isValid())
    selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
}

QItemSelectionModel::SelectionFlags TListBox::selectionCommand(const QModelIndex& index, const QEvent* event) const {
  // The current line stays highlighted: a modifier key never takes the highlight off it.
  QItemSelectionModel::SelectionFlags flags = QListWidget::selectionCommand(index, event);
  return flags.testFlag(QItemSelectionModel::Deselect) ? QItemSelectionModel::ClearAndSelect : flags;
}

void FillListPair(TListBox* visible, TListBox* hidden, const std::vector<tanzel::BrowseLine>& lines) {
  QStringList keys;
  QStringList texts;
  for (const tanzel::BrowseLine& line : lines) {
    keys.append(QString::number(line.key));
    texts.append(FromSjis(line.text));
  }
  hidden->clear();
  visible->clear();
  hidden->addItems(keys);
  visible->addItems(texts);
}
