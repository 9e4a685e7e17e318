#include "forms/main/ListBox.h"

#include <QKeyEvent>
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
  connect(this, &QListWidget::clicked, this, [this](const QModelIndex& index) {
    if (index.isValid()) Q_EMIT Click();
  });
  connect(this, &QListWidget::doubleClicked, this, [this](const QModelIndex& index) {
    if (index.isValid()) Q_EMIT DblClick();
  });
}

void TListBox::SetItemHeight(int pixels) {
  setUniformItemSizes(true);
  setItemDelegate(new FixedHeightDelegate(pixels, this));
}

void TListBox::ClickRow(int row) {
  setCurrentRow(row);
  Q_EMIT Click();
}

void TListBox::keyPressEvent(QKeyEvent* event) {
  int before = currentRow();
  QListWidget::keyPressEvent(event);
  if (currentRow() != before && currentRow() >= 0) Q_EMIT Click();
}

void TListBox::focusInEvent(QFocusEvent* event) {
  const bool hadCurrent = currentIndex().isValid();
  QListWidget::focusInEvent(event);
  if (!hadCurrent && currentIndex().isValid())
    selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
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
