#include "forms/common/RelayMessage.h"

#include <QCoreApplication>

void PostRelayMessage(int kind, int index) {
  if (QCoreApplication* app = QCoreApplication::instance())
    QCoreApplication::postEvent(app, new RelayMessage(kind, index));
}

void DropPostedRelayMessages() {
  if (QCoreApplication* app = QCoreApplication::instance()) QCoreApplication::removePostedEvents(app, RelayMessageType);
}
