// The city list: filled when a prefecture is chosen.
#include <QString>
#include <QStringList>

#include "TForm_Main.h"
#include "app/QtText.h"
#include "forms/main/BrowseText.h"
#include "forms/main/ListBox.h"

void TForm_Main::ListBox_KenClick() {
  int n = ListBox_Ken->currentRow() + 1;
  KenCount = LoadKen(n);
  JigCount = LoadJig(n);

  ListBox_Code->clear();
  ListBox_Nmb->clear();
  ListBox_Shi->clear();
  ListBox_Shi->setEnabled(true);

  ListBox_Cho->clear();
  ListBox_Cho->addItem(QStringLiteral(u"市区町村を指定してください。"));
  ListBox_Cho->setEnabled(false);

  // The office entry comes first whatever the files hold; then one line per city.
  QStringList codes;
  QStringList lines;
  for (const BrowseLine& line : CityLines(KenTable.get(), KenCount)) {
    codes.append(QString::number(line.key));
    lines.append(FromSjis(line.text));
  }
  ListBox_Code->addItems(codes);
  ListBox_Shi->addItems(lines);
}
