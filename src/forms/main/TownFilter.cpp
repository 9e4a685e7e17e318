// The town filter above the town list.
#include "TForm_Main.h"

void TForm_Main::Button_ChoClick() {}

void TForm_Main::Edit_KeyChoKeyDown(int) {}
