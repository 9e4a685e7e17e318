#include "forms/nmb7/TShape.h"

#include <QPainter>

TShape::TShape(QWidget* parent, const QColor& brush, const QColor& pen, int penWidth)
    : QWidget(parent), brush_(brush), pen_(pen), penWidth_(penWidth) {
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setFocusPolicy(Qt::NoFocus);
}

void TShape::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  QRect all = rect();
  painter.fillRect(all, brush_);
  int w = penWidth_;
  if (w <= 0) return;
  // The outline lies inside the bounds: w pixels along each edge.
  painter.fillRect(QRect(0, 0, all.width(), w), pen_);
  painter.fillRect(QRect(0, all.height() - w, all.width(), w), pen_);
  painter.fillRect(QRect(0, 0, w, all.height()), pen_);
  painter.fillRect(QRect(all.width() - w, 0, w, all.height()), pen_);
}
