// Choosing a town area or an office: the result dialog.
#include <QLabel>
#include <QPlainTextEdit>

#include "TForm_Main.h"
#include "app/QtText.h"
#include "forms/main/BrowseText.h"
#include "forms/main/ListBox.h"
#include "forms/nmb7/TForm_Nmb7.h"

void TForm_Main::ListBox_ChoClick() {
  QListWidgetItem* item = ListBox_Nmb->item(ListBox_Cho->currentRow());
  if (!item) return;
  bool ok = false;
  int k = item->text().toInt(&ok);
  bool offices = ListBox_Shi->currentRow() <= 0;
  // The hidden list is rebuilt with the town list, so the index lies within the table
  // the list was built from; a stale line must still never reach past the records.
  if (!ok || k < 0 || k >= (offices ? JigCount : KenCount)) return;

  ResultText result = offices ? OfficeResult(JigTable[k]) : AddressResult(KenTable[k]);
  for (int i = 0; i < 7; ++i) Form_Nmb7->NmbLabel(i)->setText(FromSjis(result.Digits[i]));
  Form_Nmb7->Memo_Name->clear();
  for (int i = 0; i < result.NameLineCount; ++i) Form_Nmb7->Memo_Name->appendPlainText(FromSjis(result.NameLines[i]));
  Form_Nmb7->Memo_Code->setPlainText(FromSjis(result.CodeText));
  Form_Nmb7->AdrText = result.AdrText;
  Form_Nmb7->exec();
}
