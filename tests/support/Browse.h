#pragma once

// Test helpers for the browse lists and the result dialog: list clicks, and a result
// dialog that is read and closed while it is shown modally.

#include <QString>
#include <QStringList>

#include <functional>
#include <string>

#include "support/DataLines.h"

class QDialog;
class QListWidget;
class QTimer;
class QWidget;
class TForm_Nmb7;

// The lines of a list, in order.
QStringList Lines(const QListWidget* list);

// A left click on line `row` of a visible list, as the user makes it.
void ClickLine(QListWidget* list, int row);

// What the result dialog showed.
struct ShownResult {
  bool shown = false;
  QString digits;  // the seven captions, concatenated
  QString name;    // the text of Memo_Name
  QString code;    // the text of Memo_Code
  std::string adr;
  QWidget* focus = nullptr;
};

ShownResult Read(TForm_Nmb7* dlg);

// Waits (from the event loop of the modal showing) until the dialog is visible, runs
// `whileShown`, then closes the dialog unless `whileShown` already did. Returns the
// waiting timer, which deletes itself once it has acted.
QTimer* WhenShown(QDialog* dlg, std::function<void()> whileShown);
