#include "forms/common/Centring.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

void CentreOnScreen(QWidget* window) {
  QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen) return;
  QRect area = screen->availableGeometry();
  QRect frame = window->frameGeometry();
  window->move(area.center() - QPoint(frame.width() / 2, frame.height() / 2));
}
