// Renders every window of the program to PNG files in the folder given as argument.
// Runs on the offscreen platform (scripts/screenshots.sh); data files are read from the
// folder of this executable, like the program's.
#include <QApplication>
#include <QDir>
#include <QTimer>
#include <QWidget>

#include <cstdio>

#include "app/Application.h"
#include "forms/aux/TForm_Map.h"
#include "forms/aux/TForm_Ver.h"
#include "forms/main/TForm_Main.h"
#include "forms/nmb7/TForm_Nmb7.h"
#include "search/TForm_View.h"

namespace {
QString g_outDir;

void Save(QWidget* w, const char* name) {
  w->show();
  QApplication::processEvents();
  QString path = QDir(g_outDir).filePath(QLatin1String(name) + QStringLiteral(".png"));
  if (!w->grab().save(path)) std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
  else std::printf("%s\n", qPrintable(path));
  w->hide();
}
}  // namespace

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: tanzel-screenshots OUTDIR\n");
    return 2;
  }
  g_outDir = QString::fromLocal8Bit(argv[1]);
  QDir().mkpath(g_outDir);
  SetApplicationTitle(QString::fromUtf16(kApplicationTitle));
  CreateWindows();

  Save(Form_Main, "main");
  Save(Form_Nmb7, "nmb7");
  Save(Form_Map, "map");
  Save(Form_Ver, "ver");
  Save(Form_View, "view");

  DestroyWindows();
  return 0;
}
