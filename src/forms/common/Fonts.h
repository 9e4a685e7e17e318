#pragma once

#include <QFont>

// The two Japanese faces of the program: a fixed-pitch one (where columns must line up)
// and a proportional one, at pixel heights of a 96-dpi layout.
QFont FixedFont(int pixelSize);
QFont ProportionalFont(int pixelSize);
