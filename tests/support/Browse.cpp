#include "support/Browse.h"
#include "forms/main/ListBox.h"

#include <QDialog>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>

#include "forms/nmb7/TForm_Nmb7.h"

QStringList Lines(const QListWidget* list) {
  QStringList out;
  for (int i = 0; i < list->count(); ++i) out.append(list->item(i)->text());
  return out;
}

void ClickLine(QListWidget* list, int row) {
  list->scrollToItem(list->item(row));
  QRect r = list->visualItemRect(list->item(row));
  QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, r.center());
}

ShownResult Read(TForm_Nmb7* dlg) {
  ShownResult r;
  r.shown = true;
  for (int i = 0; i < 7; ++i) r.digits += dlg->NmbLabel(i)->text();
  r.name = dlg->Memo_Name->toPlainText();
  r.code = dlg->Memo_Code->toPlainText();
  r.adr = dlg->AdrText;
  r.focus = dlg->focusWidget();
  return r;
}

QTimer* WhenShown(QDialog* dlg, std::function<void()> whileShown) {
  auto* timer = new QTimer(dlg);
  timer->setInterval(5);
  QObject::connect(timer, &QTimer::timeout, timer, [timer, dlg, whileShown] {
    if (!dlg->isVisible()) return;
    timer->stop();
    timer->deleteLater();
    whileShown();
    if (dlg->isVisible()) dlg->close();
  });
  timer->start();
  return timer;
}
