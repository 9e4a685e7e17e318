// The main window's ways into the keyword-search window.
#include <QLineEdit>

#include "forms/main/TForm_Main.h"
#include "forms/search/TForm_View.h"

void TForm_Main::Button_SearchClick() {
  Form_View->SearchMode = 0;
  Form_View->Edit_Keyword->setText(Edit_Keyword->text());
  Form_View->exec();
}

void TForm_Main::Edit_KeywordKeyDown(int key) {
  if (key == 13) Button_SearchClick();
}

void TForm_Main::Menu_FindClick() {
  Form_View->Edit_Keyword->clear();
  Form_View->exec();
}
