#include "forms/common/ProgramInfo.h"

#include <QDir>
#include <QFileInfo>

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

QString ReadmePath(const QString& programFolder) {
  QStringList folders;
  QDir dir(programFolder);
  for (int up = 0; up < 4; ++up) {
    folders << dir.absolutePath();
    if (!dir.cdUp()) break;
  }
  folders << QStringLiteral("/usr/share/doc/tanzel");
  for (const QString& folder : folders) {
    for (const char* name : {"README.ja.md", "README.md"}) {
      QFileInfo file(QDir(folder).filePath(QLatin1String(name)));
      if (file.isFile()) return file.absoluteFilePath();
    }
  }
  return {};
}
