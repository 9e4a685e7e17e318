// Choosing a town area or an office: the result dialog.
#include "core/browse/BrowseText.h"
#include "forms/common/QtText.h"
#include "forms/main/ListBox.h"
#include "forms/main/TForm_Main.h"
#include "forms/nmb7/TForm_Nmb7.h"

using namespace tanzel;

QString TForm_Main::TownLineCode(int row) const {
  QListWidgetItem* item = ListBox_Nmb->item(row);
  bool ok = false;
  int k = item ? item->text().toInt(&ok) : -1;
  bool offices = ListBox_Shi->currentRow() <= 0;
  if (!ok || k < 0 || k >= (offices ? JigCount : KenCount)) return {};
  // The result dialog's first line without its mark: the same code as the dialog shows.
  ResultText result = offices ? OfficeResult(JigTable[k]) : AddressResult(KenTable[k]);
  return FromSjis(result.NameLines[0]).mid(1);
}

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
