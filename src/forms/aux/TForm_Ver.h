#pragma once

#include <QDialog>

class TForm_Ver : public QDialog {
  Q_OBJECT
 public:
  explicit TForm_Ver(QWidget* parent = nullptr);
};

extern TForm_Ver* Form_Ver;
