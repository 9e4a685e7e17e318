// The town list: filled when a city line is chosen.
#include "TForm_Main.h"

void TForm_Main::ListBox_ShiClick() {}

void TForm_Main::ListBox_ShiDblClick() {}
