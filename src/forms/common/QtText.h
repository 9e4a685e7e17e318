#pragma once

// The widget side of the Shift-JIS boundary: every text the program hands to a widget
// or reads back from one passes through these two functions.

#include <QString>

#include <optional>
#include <string>
#include <string_view>

#include "core/text/SjisText.h"

inline QString FromSjis(std::string_view sjis) {
  return QString::fromStdString(tanzel::SjisToUtf8(sjis));
}

// Empty optional when the text holds a character that Shift-JIS cannot represent.
inline std::optional<std::string> ToSjis(const QString& text) {
  return tanzel::Utf8ToSjis(text.toStdString());
}

// Like ToSjis, but cut at a character boundary to at most maxBytes bytes.
inline std::optional<std::string> ToSjis(const QString& text, std::size_t maxBytes) {
  return tanzel::Utf8ToSjis(text.toStdString(), maxBytes);
}
