#include <QApplication>
#include <QMessageBox>

#include <cstdio>
#include <cstring>
#include <exception>

#include "app/Application.h"
#include "forms/aux/Pictures.h"
#include "forms/main/TForm_Main.h"

namespace {

constexpr const char kUsage[] =
    "usage: tanzel [--help]\n"
    "Looks up Japanese postal codes in Japan Post's data: by browsing prefecture, city and\n"
    "town, by keyword, or by a pasted address. The data is read from the program's folder,\n"
    "or from the user's data folder (~/.local/share/tanzel) when that is newer; the menu\n"
    "item その他 → データ更新… fetches the current data. See also tanzel-search and\n"
    "tanzel-import.\n";

bool AsksForHelp(int argc, char* argv[]) {
  for (int i = 1; i < argc; ++i)
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) return true;
  return false;
}

}  // namespace

int main(int argc, char* argv[]) {
  // Before any window: help needs no display.
  if (AsksForHelp(argc, argv)) return std::fputs(kUsage, stdout) >= 0 && std::fflush(stdout) == 0 ? 0 : 1;
  QApplication app(argc, argv);
  QApplication::setWindowIcon(ApplicationIcon());
  try {
    SetApplicationTitle(QString::fromUtf16(kApplicationTitle));
    CreateWindows();
    Form_Main->show();
    Form_Main->OfferDataAtStart();
    app.exec();
  } catch (const std::exception& e) {
    QMessageBox::critical(nullptr, ApplicationTitle(), QString::fromLocal8Bit(e.what()));
  }
  DestroyWindows();
  return 0;
}
