#pragma once

#include <QObject>

#include "forms/common/RelayMessage.h"

// The application-wide hook: sees every event before it is dispatched and shows relay
// messages as boxes. Installed on the application at start-up, before any search runs.
class AppMessageHook : public QObject {
  Q_OBJECT
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
};
