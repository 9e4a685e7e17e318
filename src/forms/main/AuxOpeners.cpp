// The main window's ways into the map picker and the version dialog.
#include "TForm_Main.h"

void TForm_Main::SpeedButton_MapClick() {}

void TForm_Main::Menu_MapClick() {}

void TForm_Main::Menu_VerClick() {}
