// The main window's ways into the map picker and the version dialog.
#include "forms/main/TForm_Main.h"

#include "forms/aux/TForm_Map.h"
#include "forms/aux/TForm_Ver.h"
#include "forms/main/ListBox.h"

void TForm_Main::SpeedButton_MapClick() {
  Form_Map->exec();
  // The picker always leaves a valid index (0 when it was closed without a choice); the
  // prefecture is loaded even when it is the one already shown.
  ListBox_Ken->setCurrentRow(Form_Map->MapChoice);
  ListBox_KenClick();
}

void TForm_Main::Menu_MapClick() {
  SpeedButton_MapClick();
}

void TForm_Main::Menu_VerClick() {
  Form_Ver->exec();
}
