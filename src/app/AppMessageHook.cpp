#include "app/AppMessageHook.h"

#include <QApplication>

#include "core/search/RelayTexts.h"
#include "forms/common/MessageBox.h"
#include "forms/common/ProgramInfo.h"
#include "forms/common/QtText.h"

bool AppMessageHook::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != static_cast<QEvent::Type>(RelayMessageType)) return QObject::eventFilter(watched, event);
  auto* message = static_cast<RelayMessage*>(event);
  using namespace tanzel;
  if (const char* text = RelayText(message->kind(), message->index())) {
    MessageIcon icon = message->kind() == RelayError     ? MessageIcon::Error
                       : message->kind() == RelayWarning ? MessageIcon::Warning
                                                         : MessageIcon::Information;
    ShowMessage(QApplication::activeWindow(), FromSjis(text), ApplicationTitle(), icon);
  }
  return true;  // every relay message is consumed, whatever its kind
}
