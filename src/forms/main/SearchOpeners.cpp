// The main window's ways into the keyword-search window.
#include "TForm_Main.h"

void TForm_Main::Button_SearchClick() {}

void TForm_Main::Edit_KeywordKeyDown(int) {}

void TForm_Main::Menu_FindClick() {}
