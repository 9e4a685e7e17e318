#pragma once

// The relay through which the search worker has message boxes shown on the user-interface
// thread: a posted application event carrying a kind and an index into a text table
// (core/search/RelayTexts.h). The program's AppMessageHook shows them.

#include <QEvent>

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

// Drops the relay messages posted but not yet delivered.
void DropPostedRelayMessages();
