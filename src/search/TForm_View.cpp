#include "TForm_View.h"

TForm_View* Form_View = nullptr;

TForm_View::TForm_View(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("Form_View"));
  setWindowTitle(QStringLiteral(u"キーワード検索"));
  setFixedSize(792, 573);
}
