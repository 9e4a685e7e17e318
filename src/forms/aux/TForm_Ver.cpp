#include "TForm_Ver.h"

TForm_Ver* Form_Ver = nullptr;

TForm_Ver::TForm_Ver(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("Form_Ver"));
  setWindowTitle(QStringLiteral(u"バージョン情報"));
  setFixedSize(267, 287);
}
