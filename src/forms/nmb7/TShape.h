#pragma once

#include <QColor>
#include <QWidget>

// A painted rectangle: filled with a brush colour and outlined, inside its bounds, by a pen
// of a given width (0 draws no outline). It takes no input.
class TShape : public QWidget {
  Q_OBJECT
 public:
  TShape(QWidget* parent, const QColor& brush, const QColor& pen, int penWidth);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QColor brush_;
  QColor pen_;
  int penWidth_;
};
