#include "forms/common/KeywordEdit.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QShortcut>
#include <QValidator>

#include "core/search/SearchMatch.h"
#include "core/text/SjisText.h"

using tanzel::KeywordCapacity;
using tanzel::SjisCharLength;

namespace {

constexpr std::size_t kMaxBytes = KeywordCapacity - 1;

// Length in UTF-16 units of the code point that ends at text[end - 1].
int UnitsBefore(const QString& text, int end) {
  return end >= 2 && text.at(end - 1).isLowSurrogate() && text.at(end - 2).isHighSurrogate() ? 2 : 1;
}

// Cuts the text to the byte limit, first by dropping characters just before the cursor
// (what was just typed or pasted), then from the end.
class KeywordValidator : public QValidator {
 public:
  using QValidator::QValidator;

  State validate(QString& input, int& pos) const override {
    std::size_t bytes = SjisByteLength(input);
    // Walk back from `end` over whole characters until the text fits; returns the start.
    auto cutBefore = [&](int end) {
      int start = end;
      while (bytes > kMaxBytes && start > 0) {
        int n = UnitsBefore(input, start);
        bytes -= SjisCharLength(n == 2 ? QChar::surrogateToUcs4(input.at(start - 2), input.at(start - 1))
                                       : input.at(start - 1).unicode());
        start -= n;
      }
      input.remove(start, end - start);
      return start;
    };
    if (bytes > kMaxBytes) pos = cutBefore(pos);
    if (bytes > kMaxBytes) cutBefore(static_cast<int>(input.size()));
    return Acceptable;
  }
};

}  // namespace

std::size_t SjisByteLength(const QString& text) {
  std::size_t bytes = 0;
  for (char32_t c : text.toUcs4()) bytes += SjisCharLength(c);
  return bytes;
}

void LimitKeywordEdit(QLineEdit* edit) {
  edit->setValidator(new KeywordValidator(edit));
}

int KeyDownCode(const QKeyEvent* event) {
  int key = event->key();
  return key == Qt::Key_Return || key == Qt::Key_Enter ? 13 : key;
}

void AddFindShortcut(QWidget* window, QLineEdit* edit) {
  auto* find = new QShortcut(QKeySequence::Find, window);
  find->setObjectName(QStringLiteral("findShortcut"));
  QObject::connect(find, &QShortcut::activated, edit, [edit] {
    edit->setFocus(Qt::ShortcutFocusReason);
    edit->selectAll();
  });
}
