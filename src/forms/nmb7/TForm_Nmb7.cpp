#include "TForm_Nmb7.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

TForm_Nmb7* Form_Nmb7 = nullptr;

TForm_Nmb7::TForm_Nmb7(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("Form_Nmb7"));
  setWindowTitle(QStringLiteral(u"〒 郵便番号"));
  setFixedSize(400, 527);
  Shape10 = Shape1 = Shape2 = Shape3 = Shape4 = Shape5 = Shape6 = Shape7 = Shape8 = Shape9 = nullptr;
  QLabel** labels[] = {&Label_Nmb1, &Label_Nmb2, &Label_Nmb3, &Label_Nmb4, &Label_Nmb5, &Label_Nmb6, &Label_Nmb7};
  for (QLabel** l : labels) *l = new QLabel(QStringLiteral("0"), this);
  Memo_Name = new QPlainTextEdit(this);
  Memo_Code = new QPlainTextEdit(this);
  Button_Ok = new QPushButton(QStringLiteral("OK"), this);
  Button_CopyNmb = new QPushButton(this);
  Button_CopyAdr = new QPushButton(this);
}

QLabel* TForm_Nmb7::NmbLabel(int index) const {
  QLabel* const labels[] = {Label_Nmb1, Label_Nmb2, Label_Nmb3, Label_Nmb4, Label_Nmb5, Label_Nmb6, Label_Nmb7};
  return index >= 0 && index < 7 ? labels[index] : nullptr;
}

void TForm_Nmb7::FormShow() {}
void TForm_Nmb7::Button_OkClick() {}
void TForm_Nmb7::Button_CopyNmbClick() {}
void TForm_Nmb7::Button_CopyAdrClick() {}
void TForm_Nmb7::showEvent(QShowEvent* event) { QDialog::showEvent(event); }
