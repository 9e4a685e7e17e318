#pragma once

#include <QDialog>
#include <QString>

#include <string>

#include "core/browse/BrowseText.h"

class QLabel;
class QMenu;
class QToolButton;
class QPlainTextEdit;
class QPushButton;
class QWidget;

// The postal-code result dialog: seven digit boxes, the address lines and the code lines.
// Callers hand it the texts of one result (ShowResult), and it shows them modally.
class TForm_Nmb7 : public QDialog {
  Q_OBJECT
 public:
  explicit TForm_Nmb7(QWidget* parent = nullptr);

  // Controls (object names equal to these names), in drawing order.
  QWidget* Shape10;  // the card's shadow
  QWidget* Shape1;   // the card
  QWidget* Shape2;
  QWidget* Shape3;
  QWidget* Shape4;
  QWidget* Shape5;
  QWidget* Shape6;
  QWidget* Shape7;
  QWidget* Shape8;
  QWidget* Shape9;  // the bar between the third and fourth box
  QLabel* Label_Nmb1;
  QLabel* Label_Nmb2;
  QLabel* Label_Nmb3;
  QLabel* Label_Nmb4;
  QLabel* Label_Nmb5;
  QLabel* Label_Nmb6;
  QLabel* Label_Nmb7;
  QPlainTextEdit* Memo_Name;
  QPlainTextEdit* Memo_Code;
  QPushButton* Button_Ok;
  QPushButton* Button_CopyNmb;
  QPushButton* Button_CopyAdr;

  // The address Button_CopyAdr copies (Shift-JIS). Not displayed.
  std::string AdrText;

  // The other ways to copy the result, as people paste it: the code without its hyphen,
  // 〒 + code + address on one line, the address without Japan Post's notes, the reading.
  // Opened by the small button beside the copy buttons and by a right click on them.
  QMenu* CopyMenu() const { return copyMenu_; }

  // Label_Nmb1 ... Label_Nmb7 by 0-based position.
  QLabel* NmbLabel(int index) const;

  // Writes `result` into the digit labels, the two memos and AdrText, then shows the dialog
  // modally; returns when it is closed. `how`, when given, says in the title how the code was
  // found (a code read from an address: sure, a fallback, or one of several candidates).
  void ShowResult(const tanzel::ResultText& result, const QString& how = QString());

  // Handlers.
  void FormShow();
  void Button_OkClick();
  void Button_CopyNmbClick();
  void Button_CopyAdrClick();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void CreateCopyMenu();
  // The postal code as the digit labels show it, with the hyphen or without.
  QString ShownCode(bool hyphen) const;

  QMenu* copyMenu_ = nullptr;
  QToolButton* copyMenuButton_ = nullptr;
  std::string plainAddress_;  // Shift-JIS, like AdrText
  std::string plainKana_;
};

extern TForm_Nmb7* Form_Nmb7;
