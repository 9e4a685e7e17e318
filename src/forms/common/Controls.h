#pragma once

#include <QLatin1String>
#include <QWidget>

// A new control of type W on `parent`, named as the program names it (tests find controls
// by these names), at (left, top) with the given size in pixels.
template <typename W>
W* MakeControl(QWidget* parent, const char* name, int left, int top, int width, int height) {
  auto* w = new W(parent);
  w->setObjectName(QLatin1String(name));
  w->setGeometry(left, top, width, height);
  return w;
}
