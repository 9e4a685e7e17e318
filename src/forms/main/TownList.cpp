// The town list: filled when a city line is chosen.
#include "core/browse/BrowseText.h"
#include "forms/main/ListBox.h"
#include "forms/main/TForm_Main.h"

using namespace tanzel;

void TForm_Main::ListBox_ShiClick() {
  ListBox_Cho->setEnabled(true);
  int city = ListBox_Shi->currentRow();
  std::vector<BrowseLine> found;
  if (city <= 0) {
    found = OfficeLines(JigTable.get(), JigCount);
  } else if (QListWidgetItem* code = ListBox_Code->item(city)) {
    found = TownLines(KenTable.get(), KenCount, code->text().toStdString());
  }
  FillListPair(ListBox_Cho, ListBox_Nmb, found);
}

void TForm_Main::ListBox_ShiDblClick() {
  ListBox_Cho->setFocus();
}
