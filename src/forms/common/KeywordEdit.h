#pragma once

// The keyword edits hold at most KeywordCapacity - 1 Shift-JIS bytes: typing stops there,
// and a pasted text is cut at a character boundary.

#include <QString>

#include <cstddef>

class QKeyEvent;
class QLineEdit;
class QWidget;

// Shift-JIS bytes of a text: 1 for ASCII and half-width katakana, 2 for every other
// character (also for one Shift-JIS cannot represent).
std::size_t SjisByteLength(const QString& text);

// Installs the limit on `edit`.
void LimitKeywordEdit(QLineEdit* edit);

// The key of a key press as the keyword edits' key-down handlers take it: 13 for Return
// and the keypad's Enter, Qt's key code otherwise.
int KeyDownCode(const QKeyEvent* event);

// Ctrl+F (the platform's Find keys) anywhere in `window` puts the cursor in `edit`, its
// text selected.
void AddFindShortcut(QWidget* window, QLineEdit* edit);
