#pragma once

#include <QPixmap>

// The small magnifying glass (cyan lens, red handle) before the keyword boxes: 16 x 16.
QPixmap SearchIcon();
// The glyph of the map button: a small map of the islands, 16 x 16.
QPixmap MapGlyph();
