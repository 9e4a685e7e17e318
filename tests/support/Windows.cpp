#include "support/Windows.h"

#include <QStringList>
#include <QTest>

#include "app/Application.h"
#include "forms/common/ProgramInfo.h"
#include "forms/main/TForm_Main.h"

void CreateTestWindows(std::vector<ShownMessage>* shown) {
  SetApplicationTitle(QString::fromUtf16(kApplicationTitle));
  CreateWindows();
  if (shown) {
    SetMessageHandler([shown](const QString& text, const QString& caption, MessageIcon icon) {
      shown->push_back({text, caption, icon});
    });
  }
}

QString MessageTexts(const std::vector<ShownMessage>& shown) {
  QStringList texts;
  for (const ShownMessage& message : shown) texts << message.text;
  return texts.join(QLatin1Char('\n'));
}

bool ShowMainWindow() {
  Form_Main->show();
  return QTest::qWaitForWindowActive(Form_Main);
}

void DestroyTestWindows() {
  SetMessageHandler({});
  DestroyWindows();
}
