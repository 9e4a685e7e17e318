// The main window's way into lists of addresses: a file dropped on it opens in the list
// window.
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

#include "forms/main/TForm_Main.h"

namespace {

// The one local file a drop carries; empty when it carries anything else.
QString DroppedFile(const QMimeData* mime) {
  if (!mime || !mime->hasUrls() || mime->urls().size() != 1 || !mime->urls().first().isLocalFile()) return {};
  return mime->urls().first().toLocalFile();
}

}  // namespace

void TForm_Main::dragEnterEvent(QDragEnterEvent* event) {
  if (OpenAddressList && !DroppedFile(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void TForm_Main::dropEvent(QDropEvent* event) {
  const QString path = DroppedFile(event->mimeData());
  if (path.isEmpty() || !OpenAddressList) return;
  event->acceptProposedAction();
  OpenAddressList(path);
}
