#pragma once

#include <QDialog>

class TForm_View : public QDialog {
  Q_OBJECT
 public:
  explicit TForm_View(QWidget* parent = nullptr);
};

extern TForm_View* Form_View;
