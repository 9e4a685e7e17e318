// The town list: filled when a city line is chosen.
#include <QString>
#include <QStringList>

#include "TForm_Main.h"
#include "app/QtText.h"
#include "forms/main/BrowseText.h"
#include "forms/main/ListBox.h"

void TForm_Main::ListBox_ShiClick() {
  ListBox_Nmb->clear();
  ListBox_Cho->clear();
  ListBox_Cho->setEnabled(true);

  int city = ListBox_Shi->currentRow();
  std::vector<BrowseLine> found;
  if (city <= 0) {
    found = OfficeLines(JigTable.get(), JigCount);
  } else if (QListWidgetItem* code = ListBox_Code->item(city)) {
    found = TownLines(KenTable.get(), KenCount, code->text().toStdString());
  }

  QStringList indices;
  QStringList lines;
  for (const BrowseLine& line : found) {
    indices.append(QString::number(line.key));
    lines.append(FromSjis(line.text));
  }
  ListBox_Nmb->addItems(indices);
  ListBox_Cho->addItems(lines);
}

void TForm_Main::ListBox_ShiDblClick() {
  ListBox_Cho->setFocus();
}
