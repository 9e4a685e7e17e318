#pragma once

// Every message box of the program goes through ShowMessage. Tests replace the box with
// a handler that records the text, caption and icon and returns at once.

#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

enum class MessageIcon { Error, Warning, Information };

// A modal box with one OK button.
void ShowMessage(QWidget* parent, const QString& text, const QString& caption, MessageIcon icon);

using MessageHandler = std::function<void(const QString& text, const QString& caption, MessageIcon icon)>;

// Installs a handler in place of the real box; an empty handler brings the box back.
void SetMessageHandler(MessageHandler handler);

// A box with OK and a "詳細…" button that shows `details` (technical text, such as a
// library's message) in a box of its own. Under a handler, the handler hears `text` and
// LastMessageDetails() gives `details`.
void ShowMessage(QWidget* parent, const QString& text, const QString& caption, MessageIcon icon,
                 const QString& details);
const QString& LastMessageDetails();

enum class DefaultAnswer { Yes, No };

// A modal question with two buttons, `yes` and `no` (their captions); true for `yes`.
// Under a question handler, its answer.
bool AskQuestion(QWidget* parent, const QString& text, const QString& caption, const QString& yes, const QString& no,
                 DefaultAnswer byDefault);
// The same with はい and いいえ, いいえ by default.
bool AskQuestion(QWidget* parent, const QString& text, const QString& caption);

using QuestionHandler = std::function<bool(const QString& text, const QString& caption)>;
// Installs a handler in place of the real question box; an empty handler brings it back.
void SetQuestionHandler(QuestionHandler handler);

// A modal question with one button for each of `buttons` (their captions, in order); the
// index of the one pressed, `escape` for Esc or the close box. `byDefault` is the default
// button. Under a choice handler, its answer.
int AskChoice(QWidget* parent, const QString& text, const QString& caption, const QStringList& buttons, int byDefault,
              int escape);

using ChoiceHandler = std::function<int(const QString& text, const QString& caption, const QStringList& buttons)>;
// Installs a handler in place of the real choice box; an empty handler brings it back.
void SetChoiceHandler(ChoiceHandler handler);
