#pragma once

#include <QDialog>

class TForm_Map : public QDialog {
  Q_OBJECT
 public:
  explicit TForm_Map(QWidget* parent = nullptr);
};

extern TForm_Map* Form_Map;
