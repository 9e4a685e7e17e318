// The city list: filled when a prefecture is chosen.
#include "TForm_Main.h"

#include "forms/main/ListBox.h"

void TForm_Main::ListBox_KenClick() {
  int n = ListBox_Ken->currentRow() + 1;
  KenCount = LoadKen(n);
  JigCount = LoadJig(n);
}
