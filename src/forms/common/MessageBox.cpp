#include "forms/common/MessageBox.h"

#include <QMessageBox>
#include <QPushButton>

#include <algorithm>
#include <vector>

namespace {
MessageHandler& Handler() {
  static MessageHandler handler;
  return handler;
}
QuestionHandler& Questions() {
  static QuestionHandler handler;
  return handler;
}
ChoiceHandler& Choices() {
  static ChoiceHandler handler;
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

int AskChoice(QWidget* parent, const QString& text, const QString& caption, const QStringList& buttons, int byDefault,
              int escape) {
  if (Choices()) return Choices()(text, caption, buttons);
  QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::NoButton, parent);
  std::vector<QPushButton*> added;
  for (const QString& b : buttons) added.push_back(box.addButton(b, QMessageBox::ActionRole));
  if (byDefault >= 0 && byDefault < static_cast<int>(added.size())) box.setDefaultButton(added[byDefault]);
  if (escape >= 0 && escape < static_cast<int>(added.size())) box.setEscapeButton(added[escape]);
  box.exec();
  auto it = std::find(added.begin(), added.end(), box.clickedButton());
  return it == added.end() ? escape : static_cast<int>(it - added.begin());
}

void SetChoiceHandler(ChoiceHandler handler) {
  Choices() = std::move(handler);
}
