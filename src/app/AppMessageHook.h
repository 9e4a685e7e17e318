#pragma once

// The relay through which the search worker has message boxes shown on the user-interface
// thread: a posted application event carrying a kind and an index into a text table.

#include <QEvent>
#include <QObject>

#include "app/RelayTexts.h"

inline constexpr int RelayMessageType = 0x8000;

class RelayMessage : public QEvent {
 public:
  RelayMessage(int kind, int index) : QEvent(static_cast<QEvent::Type>(RelayMessageType)), kind_(kind), index_(index) {}
  int kind() const { return kind_; }
  int index() const { return index_; }

 private:
  int kind_;
  int index_;
};

// Posts RelayMessage(kind, index) to the application; callable from any thread, never waits.
void PostRelayMessage(int kind, int index);

// The application-wide hook: sees every event before it is dispatched and shows relay
// messages as boxes. Installed on the application by the main window.
class AppMessageHook : public QObject {
  Q_OBJECT
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
};
