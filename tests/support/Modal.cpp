#include "support/Modal.h"

#include <QApplication>
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

void WhenModal(const QString& objectName, std::function<void(QDialog*)> step, bool* ran) {
  *ran = false;
  auto* timer = new QTimer(qApp);
  timer->setInterval(5);
  QObject::connect(timer, &QTimer::timeout, timer, [timer, objectName, step, ran] {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr || dialog->objectName() != objectName || !dialog->isVisible()) return;
    timer->stop();
    timer->deleteLater();
    *ran = true;
    step(dialog);
    if (dialog->isVisible()) dialog->reject();
  });
  timer->start();
}
