#pragma once

#include <QDialog>

#include <array>

class QLabel;
class QPushButton;

// The map-style prefecture picker: 47 buttons laid out like a map of Japan. A click
// closes the dialog; the caller reads MapChoice, the 0-based prefecture index.
class TForm_Map : public QDialog {
  Q_OBJECT
 public:
  explicit TForm_Map(QWidget* parent = nullptr);

  // Index of the chosen prefecture (prefecture number - 1); 0 at every opening.
  int MapChoice = 0;

  QLabel* Image1;
  QLabel* Label1;
  QLabel* Label2;
  // The prefecture buttons in tab order; each carries its prefecture number in the
  // property "Tag".
  std::array<QPushButton*, 47> Buttons{};

  void FormShow();
  void Button_KenClick(QPushButton* Sender);

 protected:
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
};

// The prefecture number a picker button stands for (its "Tag").
int ButtonTag(const QPushButton* button);

extern TForm_Map* Form_Map;
