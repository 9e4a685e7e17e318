#include "TForm_Map.h"

TForm_Map* Form_Map = nullptr;

TForm_Map::TForm_Map(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("Form_Map"));
  setWindowTitle(QStringLiteral(u"日本地図"));
  setFixedSize(653, 372);
}
