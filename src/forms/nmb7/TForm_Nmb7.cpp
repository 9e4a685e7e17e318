#include "forms/nmb7/TForm_Nmb7.h"

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextDocument>
#include <QToolButton>

#include "forms/common/Centring.h"
#include "forms/common/Fonts.h"
#include "forms/common/QtText.h"
#include "forms/nmb7/TShape.h"

TForm_Nmb7* Form_Nmb7 = nullptr;

namespace {

constexpr int kClientWidth = 400;
constexpr int kClientHeight = 527;

const QColor kShadow(128, 128, 128);
const QColor kBoxOutline(255, 128, 128);

TShape* MakeShape(QWidget* parent, const char* name, int left, int top, int width, int height, const QColor& brush,
                  const QColor& pen, int penWidth) {
  auto* shape = new TShape(parent, brush, pen, penWidth);
  shape->setObjectName(QLatin1String(name));
  shape->setGeometry(left, top, width, height);
  return shape;
}

QLabel* MakeDigit(QWidget* parent, const char* name, int left) {
  auto* label = new QLabel(QStringLiteral("0"), parent);
  label->setObjectName(QLatin1String(name));
  label->setGeometry(left, 44, 19, 30);
  label->setAlignment(Qt::AlignCenter);
  label->setFont(ProportionalFont(21));
  label->setAutoFillBackground(true);
  QPalette pal = label->palette();
  pal.setColor(QPalette::Window, Qt::white);
  pal.setColor(QPalette::WindowText, Qt::black);
  label->setPalette(pal);
  return label;
}

QPlainTextEdit* MakeMemo(QWidget* parent, const char* name, int left, int top, int width, int height, int fontPixels,
                         const QString& text) {
  auto* memo = new QPlainTextEdit(parent);
  memo->setObjectName(QLatin1String(name));
  memo->setGeometry(left, top, width, height);
  memo->setFont(FixedFont(fontPixels));
  memo->setReadOnly(true);
  // Read-only, but its text can still be selected and copied, with the mouse or the keys.
  memo->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  memo->setFocusPolicy(Qt::StrongFocus);
  memo->setTabChangesFocus(true);
  memo->setFrameShape(QFrame::NoFrame);
  memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  memo->document()->setDocumentMargin(0);
  // The system window colour (the background of text boxes), not the dialog's.
  QPalette pal = memo->palette();
  pal.setColor(QPalette::Base, QApplication::palette().color(QPalette::Base));
  memo->setPalette(pal);
  memo->setPlainText(text);
  return memo;
}

QPushButton* MakeButton(QWidget* parent, const char* name, int left, const QString& caption) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(QLatin1String(name));
  button->setGeometry(left, 488, 89, 25);
  return button;
}

}  // namespace

TForm_Nmb7::TForm_Nmb7(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
  setObjectName(QStringLiteral("Form_Nmb7"));
  setWindowTitle(QStringLiteral(u"〒 郵便番号"));
  setFixedSize(kClientWidth, kClientHeight);
  setFont(ProportionalFont(12));

  // The card with its shadow, then the seven digit boxes and the bar (drawing order).
  Shape10 = MakeShape(this, "Shape10", 24, 24, 361, 449, kShadow, kShadow, 0);
  Shape1 = MakeShape(this, "Shape1", 16, 16, 353, 441, Qt::white, Qt::black, 1);
  QWidget** boxes[] = {&Shape2, &Shape3, &Shape4, &Shape5, &Shape6, &Shape7, &Shape8};
  static constexpr int kBoxLefts[] = {112, 144, 176, 224, 256, 288, 320};
  static constexpr const char* kBoxNames[] = {"Shape2", "Shape3", "Shape4", "Shape5", "Shape6", "Shape7", "Shape8"};
  for (int i = 0; i < 7; ++i)
    *boxes[i] = MakeShape(this, kBoxNames[i], kBoxLefts[i], 40, 29, 37, Qt::white, kBoxOutline, 2);
  Shape9 = MakeShape(this, "Shape9", 208, 58, 11, 2, Qt::white, kBoxOutline, 2);

  QLabel** labels[] = {&Label_Nmb1, &Label_Nmb2, &Label_Nmb3, &Label_Nmb4, &Label_Nmb5, &Label_Nmb6, &Label_Nmb7};
  static constexpr int kDigitLefts[] = {117, 149, 181, 229, 261, 293, 325};
  static constexpr const char* kDigitNames[] = {"Label_Nmb1", "Label_Nmb2", "Label_Nmb3", "Label_Nmb4",
                                                "Label_Nmb5", "Label_Nmb6", "Label_Nmb7"};
  for (int i = 0; i < 7; ++i) *labels[i] = MakeDigit(this, kDigitNames[i], kDigitLefts[i]);

  Memo_Name = MakeMemo(this, "Memo_Name", 48, 128, 305, 249, 19, QStringLiteral("Memo_Name\n\n"));
  Memo_Code = MakeMemo(this, "Memo_Code", 48, 392, 305, 33, 15, QStringLiteral("Memo_Code"));

  Button_Ok = MakeButton(this, "Button_Ok", 64, QStringLiteral("OK"));
  Button_Ok->setDefault(true);
  Button_CopyNmb = MakeButton(this, "Button_CopyNmb", 160, QStringLiteral(u"番号をコピー"));
  Button_CopyNmb->setWhatsThis(
      QStringLiteral(u"郵便番号をクリップボードへコピーします"));  // the hint: stored, never shown
  Button_CopyAdr = MakeButton(this, "Button_CopyAdr", 256, QStringLiteral(u"住所をコピー"));
  Button_CopyAdr->setWhatsThis(QStringLiteral(u"住所をクリップボードへコピーします"));

  // Tab order: Memo_Name, Button_Ok, Memo_Code, Button_CopyNmb, Button_CopyAdr.
  setTabOrder(Memo_Name, Button_Ok);
  setTabOrder(Button_Ok, Memo_Code);
  setTabOrder(Memo_Code, Button_CopyNmb);
  setTabOrder(Button_CopyNmb, Button_CopyAdr);

  connect(Button_Ok, &QPushButton::clicked, this, &TForm_Nmb7::Button_OkClick);
  connect(Button_CopyNmb, &QPushButton::clicked, this, &TForm_Nmb7::Button_CopyNmbClick);
  connect(Button_CopyAdr, &QPushButton::clicked, this, &TForm_Nmb7::Button_CopyAdrClick);
  CreateCopyMenu();
}

void TForm_Nmb7::CreateCopyMenu() {
  copyMenu_ = new QMenu(this);
  copyMenu_->setObjectName(QStringLiteral("copyMenu"));
  auto add = [this](const char* name, const QString& text, auto clipText) {
    QAction* action = copyMenu_->addAction(text);
    action->setObjectName(QLatin1String(name));
    connect(action, &QAction::triggered, this, [this, clipText] { QGuiApplication::clipboard()->setText(clipText()); });
  };
  add("copyCodeDigits", QStringLiteral(u"番号をコピー（ハイフンなし）"), [this] { return ShownCode(false); });
  add("copyOneLine", QStringLiteral(u"〒と住所を1行でコピー"),
      [this] { return QStringLiteral(u"〒") + ShownCode(true) + QLatin1Char(' ') + FromSjis(plainAddress_); });
  add("copyPlainAddress", QStringLiteral(u"住所をコピー（注記なし）"), [this] { return FromSjis(plainAddress_); });
  add("copyKana", QStringLiteral(u"フリガナをコピー"), [this] { return FromSjis(plainKana_); });

  // A small button after the copy buttons, inside the card's shadow line.
  copyMenuButton_ = new QToolButton(this);
  copyMenuButton_->setObjectName(QStringLiteral("copyMenuButton"));
  copyMenuButton_->setGeometry(350, 488, 21, 25);
  copyMenuButton_->setArrowType(Qt::DownArrow);
  copyMenuButton_->setPopupMode(QToolButton::InstantPopup);
  copyMenuButton_->setMenu(copyMenu_);
  copyMenuButton_->setToolTip(QStringLiteral(u"ほかの形でコピー"));
  // Tab keeps walking the dialog's own controls; the keyboard reaches the menu through the
  // menu key on a copy button.
  copyMenuButton_->setFocusPolicy(Qt::NoFocus);
  for (QPushButton* button : {Button_CopyNmb, Button_CopyAdr}) {
    button->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(button, &QWidget::customContextMenuRequested, this,
            [this, button](const QPoint& at) { copyMenu_->popup(button->mapToGlobal(at)); });
  }
}

QString TForm_Nmb7::ShownCode(bool hyphen) const {
  QString code;
  for (int i = 0; i < 7; ++i) {
    if (i == 3 && hyphen) code += QLatin1Char('-');
    code += NmbLabel(i)->text();
  }
  return code;
}

QLabel* TForm_Nmb7::NmbLabel(int index) const {
  QLabel* const labels[] = {Label_Nmb1, Label_Nmb2, Label_Nmb3, Label_Nmb4, Label_Nmb5, Label_Nmb6, Label_Nmb7};
  return index >= 0 && index < 7 ? labels[index] : nullptr;
}

void TForm_Nmb7::ShowResult(const tanzel::ResultText& result, const QString& how) {
  setWindowTitle(how.isEmpty() ? QStringLiteral(u"〒 郵便番号") : QStringLiteral(u"〒 郵便番号 ― ") + how);
  for (int i = 0; i < 7; ++i) NmbLabel(i)->setText(FromSjis(result.Digits[i]));
  Memo_Name->clear();
  for (int i = 0; i < result.NameLineCount; ++i) Memo_Name->appendPlainText(FromSjis(result.NameLines[i]));
  Memo_Code->setPlainText(FromSjis(result.CodeText));
  AdrText = result.AdrText;
  plainAddress_ = result.PlainAddress;
  plainKana_ = result.PlainKana;
  exec();
}

void TForm_Nmb7::showEvent(QShowEvent* event) {
  CentreOnScreen(this);
  QDialog::showEvent(event);
  FormShow();
}

void TForm_Nmb7::FormShow() {
  Button_Ok->setFocus();
}

void TForm_Nmb7::Button_OkClick() {
  close();
}

void TForm_Nmb7::Button_CopyNmbClick() {
  QGuiApplication::clipboard()->setText(ShownCode(true));
}

void TForm_Nmb7::Button_CopyAdrClick() {
  QGuiApplication::clipboard()->setText(FromSjis(AdrText));
}
