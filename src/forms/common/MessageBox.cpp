#include "forms/common/MessageBox.h"

#include <QMessageBox>
#include <QPushButton>

namespace {
MessageHandler& Handler() {
  static MessageHandler handler;
  return handler;
}
QuestionHandler& Questions() {
  static QuestionHandler handler;
  return handler;
}
QString& Details() {
  static QString details;
  return details;
}
}  // namespace

void ShowMessage(QWidget* parent, const QString& text, const QString& caption, MessageIcon icon) {
  if (Handler()) {
    Handler()(text, caption, icon);
    return;
  }
  QMessageBox::Icon boxIcon = icon == MessageIcon::Error     ? QMessageBox::Critical
                              : icon == MessageIcon::Warning ? QMessageBox::Warning
                                                             : QMessageBox::Information;
  QMessageBox box(boxIcon, caption, text, QMessageBox::Ok, parent);
  box.exec();
}

void SetMessageHandler(MessageHandler handler) {
  Handler() = std::move(handler);
}

void ShowMessage(QWidget* parent, const QString& text, const QString& caption, MessageIcon icon,
                 const QString& details) {
  Details() = details;
  if (Handler() || details.isEmpty()) {
    ShowMessage(parent, text, caption, icon);
    return;
  }
  QMessageBox::Icon boxIcon = icon == MessageIcon::Error     ? QMessageBox::Critical
                              : icon == MessageIcon::Warning ? QMessageBox::Warning
                                                             : QMessageBox::Information;
  QMessageBox box(boxIcon, caption, text, QMessageBox::Ok, parent);
  QPushButton* more = box.addButton(QStringLiteral(u"詳細…"), QMessageBox::ActionRole);
  for (;;) {
    box.exec();
    if (box.clickedButton() != more) return;
    QMessageBox shown(QMessageBox::NoIcon, caption, details, QMessageBox::Ok, &box);
    shown.setTextInteractionFlags(Qt::TextSelectableByMouse);
    shown.exec();
  }
}

const QString& LastMessageDetails() {
  return Details();
}

bool AskQuestion(QWidget* parent, const QString& text, const QString& caption, const QString& yes, const QString& no,
                 DefaultAnswer byDefault) {
  if (Questions()) return Questions()(text, caption);
  QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::NoButton, parent);
  QPushButton* yesButton = box.addButton(yes, QMessageBox::YesRole);
  QPushButton* noButton = box.addButton(no, QMessageBox::NoRole);
  box.setDefaultButton(byDefault == DefaultAnswer::Yes ? yesButton : noButton);
  box.setEscapeButton(noButton);
  box.exec();
  return box.clickedButton() == yesButton;
}

bool AskQuestion(QWidget* parent, const QString& text, const QString& caption) {
  return AskQuestion(parent, text, caption, QStringLiteral(u"はい"), QStringLiteral(u"いいえ"), DefaultAnswer::No);
}

void SetQuestionHandler(QuestionHandler handler) {
  Questions() = std::move(handler);
}
