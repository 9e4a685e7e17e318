#include <QApplication>
#include <QMessageBox>

#include <exception>

#include "app/Application.h"
#include "forms/aux/Pictures.h"
#include "forms/main/TForm_Main.h"

int main(int argc, char* argv[]) {
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
