#include "Application.h"

#include "forms/aux/TForm_Map.h"
#include "forms/aux/TForm_Ver.h"
#include "forms/main/TForm_Main.h"
#include "forms/nmb7/TForm_Nmb7.h"
#include "search/TForm_View.h"
#include "search/TThread_Search.h"

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

void CreateWindows() {
  Form_Main = new TForm_Main();
  Form_Nmb7 = new TForm_Nmb7(Form_Main);
  Form_Map = new TForm_Map(Form_Main);
  Form_Ver = new TForm_Ver(Form_Main);
  Form_View = new TForm_View(Form_Main);
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
}
