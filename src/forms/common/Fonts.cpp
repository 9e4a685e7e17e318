#include "forms/common/Fonts.h"

namespace {
QFont Make(const QString& family, QFont::StyleHint hint, bool fixedPitch, int pixelSize) {
  QFont font(family);
  font.setStyleHint(hint);
  font.setFixedPitch(fixedPitch);
  font.setPixelSize(pixelSize);
  return font;
}
}  // namespace

QFont FixedFont(int pixelSize) {
  return Make(QStringLiteral("IPAGothic"), QFont::Monospace, true, pixelSize);
}

QFont ProportionalFont(int pixelSize) {
  return Make(QStringLiteral("IPAPGothic"), QFont::SansSerif, false, pixelSize);
}
