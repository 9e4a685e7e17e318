#include "support/Sjis.h"

#include <stdexcept>

#include "core/text/SjisText.h"

std::string S(std::string_view utf8) {
  auto sjis = tanzel::Utf8ToSjis(utf8);
  if (!sjis) throw std::invalid_argument(std::string(utf8));
  return *sjis;
}

QString FromSjis(std::string_view sjis) {
  return QString::fromStdString(tanzel::SjisToUtf8(sjis));
}
