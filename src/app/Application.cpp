#include "app/Application.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "app/AppMessageHook.h"
#include "forms/aux/TForm_Map.h"
#include "forms/aux/TForm_Ver.h"
#include "forms/lists/AddressListDialog.h"
#include "forms/main/TForm_Main.h"
#include "forms/nmb7/TForm_Nmb7.h"
#include "forms/search/TForm_View.h"
#include "forms/search/TThread_Search.h"

namespace {
AppMessageHook* Hook = nullptr;
QTranslator* QtTexts = nullptr;
}  // namespace

bool InstallQtTranslations() {
  if (QtTexts != nullptr) return true;
  auto* translator = new QTranslator(qApp);
  if (!translator->load(QLocale(QLocale::Japanese), QStringLiteral("qtbase"), QStringLiteral("_"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
      !QCoreApplication::installTranslator(translator)) {
    delete translator;
    return false;
  }
  QtTexts = translator;
  return true;
}

void CreateWindows() {
  InstallQtTranslations();
  Hook = new AppMessageHook();
  qApp->installEventFilter(Hook);
  Form_Main = new TForm_Main();
  SearchThread = new TThread_Search([] { return Form_Main->Data(); });
  Form_Nmb7 = new TForm_Nmb7(Form_Main);
  Form_Map = new TForm_Map(Form_Main);
  Form_Ver = new TForm_Ver(Form_Main);
  Form_View = new TForm_View(Form_Main);
  // Each list opens in a window of its own, owned by the main window (closing one deletes
  // it, after its worker stopped).
  Form_Main->OpenAddressList = [](const QString& path) {
    auto* dialog = new AddressListDialog([] { return Form_Main->Data(); }, Form_Main);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->show();
    if (!path.isEmpty()) dialog->OpenFile(path);
  };
}

void DestroyWindows() {
  // The worker may still be searching: it must stop before anything it talks to goes.
  if (SearchThread) SearchThread->Shutdown();
  delete Form_Main;  // owns the four dialogs
  Form_Main = nullptr;
  Form_Nmb7 = nullptr;
  Form_Map = nullptr;
  Form_Ver = nullptr;
  Form_View = nullptr;
  delete SearchThread;
  SearchThread = nullptr;
  if (Hook) qApp->removeEventFilter(Hook);
  delete Hook;
  Hook = nullptr;
}
