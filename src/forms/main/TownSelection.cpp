// Choosing a town area or an office: the result dialog.
#include "TForm_Main.h"

void TForm_Main::ListBox_ChoClick() {}
