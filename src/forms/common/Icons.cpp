#include "forms/common/Icons.h"

#include <QPainter>

QPixmap SearchIcon() {
  QPixmap pixmap(16, 16);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  // Handle: a red bar from the lens to the lower right corner.
  p.setPen(QPen(QColor(255, 0, 0), 3, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(10, 10, 14, 14);
  // Lens: cyan glass in a black rim.
  p.setPen(QPen(Qt::black, 1));
  p.setBrush(QColor(0, 255, 255));
  p.drawEllipse(1, 1, 10, 10);
  p.setPen(QPen(Qt::white, 1));
  p.drawLine(4, 4, 5, 3);
  return pixmap;
}

QPixmap MapGlyph() {
  QPixmap pixmap(16, 16);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setPen(QPen(QColor(0, 128, 0), 1));
  p.setBrush(QColor(0, 192, 0));
  // Hokkaido, Honshu, Shikoku and Kyushu, much simplified.
  p.drawRect(11, 1, 3, 3);
  p.drawRect(9, 5, 3, 5);
  p.drawRect(5, 8, 5, 2);
  p.drawRect(5, 11, 2, 1);
  p.drawRect(1, 10, 3, 4);
  return pixmap;
}
