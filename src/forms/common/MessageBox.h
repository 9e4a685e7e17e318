#pragma once

// Every message box of the program goes through ShowMessage. Tests replace the box with
// a handler that records the text, caption and icon and returns at once.

#include <QString>

#include <functional>

class QWidget;

enum class MessageIcon { Error, Warning, Information };

// A modal box with one OK button.
void ShowMessage(QWidget* parent, const QString& text, const QString& caption, MessageIcon icon);

using MessageHandler = std::function<void(const QString& text, const QString& caption, MessageIcon icon)>;

// Installs a handler in place of the real box; an empty handler brings the box back.
void SetMessageHandler(MessageHandler handler);

// A modal question with two buttons, `yes` and `no` (their captions); true for `yes`.
bool AskQuestion(QWidget* parent, const QString& text, const QString& caption, const QString& yes, const QString& no);

using QuestionHandler = std::function<bool(const QString& text, const QString& caption)>;

// Installs a handler in place of the real question box; an empty handler brings it back.
void SetQuestionHandler(QuestionHandler handler);
