#include "forms/common/ProgramInfo.h"

namespace {
QString& Title() {
  static QString title;
  return title;
}
}  // namespace

QString ApplicationTitle() {
  return Title();
}

void SetApplicationTitle(const QString& title) {
  Title() = title;
}
