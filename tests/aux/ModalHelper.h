#pragma once

// Test helper for modal dialogs: schedules a step that runs once the dialog is up, before
// the caller makes the modal call. Whatever the step does, the dialog is closed afterwards,
// so a failing check never leaves the test hanging in the modal loop.

#include <QDialog>
#include <QTest>
#include <QTimer>

#include <functional>

inline void WhileModal(QDialog* dialog, std::function<void()> step, bool* ran) {
  *ran = false;
  QTimer::singleShot(0, dialog, [dialog, step, ran] {
    [&] {
      QTRY_VERIFY(dialog->isVisible());
      *ran = true;
      step();
    }();
    if (dialog->isVisible()) dialog->reject();
  });
}
