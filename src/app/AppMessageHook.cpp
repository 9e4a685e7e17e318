#include "app/AppMessageHook.h"

#include <QApplication>

#include "core/search/RelayTexts.h"
#include "forms/common/MessageBox.h"
#include "forms/common/ProgramInfo.h"
#include "forms/common/QtText.h"
#include "forms/main/TForm_Main.h"
#include "forms/search/TForm_View.h"
#include "forms/search/TThread_Search.h"
#include "shared/RecordView.h"

namespace {

// After a keyword search that found nothing: a second line when the keyword is a postal
// code that the last update removed. The worker waits by now, so its keyword is the one
// searched for.
QString RemovedCodeLine(const RelayMessage& message) {
  using namespace tanzel;
  if (message.kind() != RelayInformation || message.index() != RelayNoHit || !Form_Main || !SearchThread ||
      !Form_View || Form_View->SearchMode != 0)
    return {};
  if (!SearchThread->Data()) return {};
  std::string notice = tanzel::RemovedCodeOf(*SearchThread->Data(), SearchThread->Keyword).notice;
  return notice.empty() ? QString() : QLatin1Char('\n') + FromSjis(notice);
}

}  // namespace

bool AppMessageHook::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != static_cast<QEvent::Type>(RelayMessageType)) return QObject::eventFilter(watched, event);
  auto* message = static_cast<RelayMessage*>(event);
  using namespace tanzel;
  if (const char* text = RelayText(message->kind(), message->index())) {
    MessageIcon icon = message->kind() == RelayError     ? MessageIcon::Error
                       : message->kind() == RelayWarning ? MessageIcon::Warning
                                                         : MessageIcon::Information;
    ShowMessage(QApplication::activeWindow(), FromSjis(text) + RemovedCodeLine(*message), ApplicationTitle(), icon);
  }
  return true;  // every relay message is consumed, whatever its kind
}
