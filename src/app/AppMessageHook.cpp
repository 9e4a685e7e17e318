#include "AppMessageHook.h"

#include <QApplication>

#include "app/Application.h"
#include "app/MessageBox.h"
#include "app/QtText.h"

void PostRelayMessage(int kind, int index) {
  if (QCoreApplication* app = QCoreApplication::instance())
    QCoreApplication::postEvent(app, new RelayMessage(kind, index));
}

bool AppMessageHook::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != static_cast<QEvent::Type>(RelayMessageType)) return QObject::eventFilter(watched, event);
  auto* message = static_cast<RelayMessage*>(event);
  if (const char* text = RelayText(message->kind(), message->index())) {
    MessageIcon icon = message->kind() == RelayError     ? MessageIcon::Error
                       : message->kind() == RelayWarning ? MessageIcon::Warning
                                                         : MessageIcon::Information;
    ShowMessage(QApplication::activeWindow(), FromSjis(text), ApplicationTitle(), icon);
  }
  return true;  // every relay message is consumed, whatever its kind
}
