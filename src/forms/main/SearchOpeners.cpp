// The main window's ways into the keyword-search window.
#include <QLineEdit>

#include "forms/main/TForm_Main.h"
#include "forms/search/TForm_View.h"

void TForm_Main::Button_SearchClick() {
  Form_View->Open(0, Edit_Keyword->text());
}

void TForm_Main::Edit_KeywordKeyDown(int key) {
  if (key == 13) Button_SearchClick();
}

void TForm_Main::Menu_FindClick() {
  Form_View->Open(-1, QString());  // an empty keyword, the last search's mode
}
