#include "forms/common/MessageBox.h"

#include <QMessageBox>

namespace {
MessageHandler& Handler() {
  static MessageHandler handler;
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
