// Choosing a town area or an office: the result dialog.
#include "core/browse/BrowseText.h"
#include "forms/main/ListBox.h"
#include "forms/main/TForm_Main.h"
#include "forms/nmb7/TForm_Nmb7.h"

using namespace tanzel;

void TForm_Main::ListBox_ChoClick() {
  QListWidgetItem* item = ListBox_Nmb->item(ListBox_Cho->currentRow());
  if (!item) return;
  bool ok = false;
  int k = item->text().toInt(&ok);
  bool offices = ListBox_Shi->currentRow() <= 0;
  // The hidden list is rebuilt with the town list, so the index lies within the table
  // the list was built from; a stale line must still never reach past the records.
  if (!ok || k < 0 || k >= (offices ? JigCount : KenCount)) return;
  Form_Nmb7->ShowResult(offices ? OfficeResult(JigTable[k]) : AddressResult(KenTable[k]));
}
