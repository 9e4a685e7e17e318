#pragma once

#include <QDialog>

class QFrame;
class QLabel;
class QPushButton;

// The about box: logo, application title, version number, home-page link, copyright.
// Its texts are worked out once, when it is created.
class TForm_Ver : public QDialog {
  Q_OBJECT
 public:
  explicit TForm_Ver(QWidget* parent = nullptr);

  QPushButton* Button_Ok;
  QFrame* Panel1;
  QLabel* Image1;
  QLabel* Image2;
  QLabel* Label_Title;
  QLabel* Label_Ver;
  QLabel* Label3;
  QLabel* Label_Url;
  QLabel* Label2;

  void FormCreate();
  // Fills numbers[0..3] from the FileVersion text the executable carries; numbers the
  // text does not hold are left as they are.
  void ReadFileVersion(int numbers[4]);
  void Button_OkClick();
  void Label_UrlClick();

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
};

extern TForm_Ver* Form_Ver;
