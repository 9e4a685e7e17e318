#pragma once

// Test helpers: Shift-JIS bytes of a UTF-8 literal, so tests read in plain Japanese, and
// Shift-JIS bytes back as a QString, so that checks compare and print readable text.

#include <QString>

#include <string>
#include <string_view>

// Throws std::invalid_argument when the text has no Shift-JIS form.
std::string S(std::string_view utf8);

// The text of Shift-JIS bytes (invalid bytes read as U+FFFD).
QString FromSjis(std::string_view sjis);
