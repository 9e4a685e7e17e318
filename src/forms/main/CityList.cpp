// The city list: filled when a prefecture is chosen.
#include <QString>

#include "core/browse/BrowseText.h"
#include "forms/main/ListBox.h"
#include "forms/main/TForm_Main.h"

using namespace tanzel;

void TForm_Main::ListBox_KenClick() {
  int n = ListBox_Ken->currentRow() + 1;
  // Both files from one edition of the data, whatever an import does meanwhile.
  browsed_ = Data();
  KenCount = LoadKen(n);
  JigCount = LoadJig(n);

  ListBox_Shi->setEnabled(true);
  ListBox_Cho->clear();
  ListBox_Cho->addItem(QStringLiteral(u"市区町村を指定してください。"));
  ListBox_Cho->setEnabled(false);
  ListBox_Nmb->clear();

  // The office entry comes first whatever the files hold; then one line per city.
  FillListPair(ListBox_Shi, ListBox_Code, CityLines(KenTable.get(), KenCount));
}
