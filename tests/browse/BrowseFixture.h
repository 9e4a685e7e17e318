#pragma once

// Test helpers for the browse lists and the result dialog: sample data files, list
// clicks, and a result dialog that is read and closed while it is shown modally.

#include <QDialog>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>

#include <functional>
#include <string>

#include "common/Sjis.h"
#include "forms/main/ListBox.h"
#include "forms/nmb7/TForm_Nmb7.h"

// One KEN line in the column layout of the data files, from UTF-8 texts.
inline std::string KenCsv(int code, const char* postal, const char* cityKana, const char* townKana,
                          const char* cityKanji, const char* townKanji) {
  return std::to_string(code) + ",\"" + std::string(postal).substr(0, 3) + "  \",\"" + postal + "\",\"" +
         S("トウキョウト") + "\",\"" + S(cityKana) + "\",\"" + S(townKana) + "\",\"" + S("東京都") + "\",\"" +
         S(cityKanji) + "\",\"" + S(townKanji) + "\",0,0,0,0,0,0\r\n";
}

// One JIG line.
inline std::string JigCsv(int code, const char* kana, const char* kanji, const char* town, const char* block,
                          const char* postal) {
  return std::to_string(code) + ",\"" + S(kana) + "\",\"" + S(kanji) + "\",\"" + S("東京都") + "\",\"" + S("千代田区") +
         "\",\"" + S(town) + "\",\"" + S(block) + "\",\"" + postal + "\",\"" + std::string(postal).substr(0, 3) +
         "  \",\"" + S("銀座") + "\",0,0\r\n";
}

// The lines of a list, in order.
inline QStringList Lines(const QListWidget* list) {
  QStringList out;
  for (int i = 0; i < list->count(); ++i) out.append(list->item(i)->text());
  return out;
}

// A left click on line `row` of a visible list, as the user makes it.
inline void ClickLine(QListWidget* list, int row) {
  list->scrollToItem(list->item(row));
  QRect r = list->visualItemRect(list->item(row));
  QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, r.center());
}

// What the result dialog showed.
struct ShownResult {
  bool shown = false;
  QString digits;  // the seven captions, concatenated
  QString name;    // the text of Memo_Name
  QString code;    // the text of Memo_Code
  std::string adr;
  QWidget* focus = nullptr;
};

inline ShownResult Read(TForm_Nmb7* dlg) {
  ShownResult r;
  r.shown = true;
  for (int i = 0; i < 7; ++i) r.digits += dlg->NmbLabel(i)->text();
  r.name = dlg->Memo_Name->toPlainText();
  r.code = dlg->Memo_Code->toPlainText();
  r.adr = dlg->AdrText;
  r.focus = dlg->focusWidget();
  return r;
}

// Waits (from the event loop of the modal showing) until the dialog is visible, runs
// `whileShown`, then closes the dialog unless `whileShown` already did. Returns the
// waiting timer, which deletes itself once it has acted.
inline QTimer* WhenShown(QDialog* dlg, std::function<void()> whileShown) {
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
