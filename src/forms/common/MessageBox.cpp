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

bool AskQuestion(QWidget* parent, const QString& text, const QString& caption, const QString& yes, const QString& no) {
  if (Questions()) return Questions()(text, caption);
  QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::NoButton, parent);
  QPushButton* yesButton = box.addButton(yes, QMessageBox::AcceptRole);
  box.addButton(no, QMessageBox::RejectRole);
  box.setDefaultButton(yesButton);
  box.exec();
  return box.clickedButton() == yesButton;
}

void SetQuestionHandler(QuestionHandler handler) {
  Questions() = std::move(handler);
}
