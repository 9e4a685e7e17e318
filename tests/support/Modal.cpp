#include "support/Modal.h"

#include <QDialog>
#include <QTest>
#include <QTimer>

void WhileModal(QDialog* dialog, std::function<void()> step, bool* ran) {
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
