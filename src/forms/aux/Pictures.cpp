#include "forms/aux/Pictures.h"

#include <QFile>

#include "forms/aux/JpegImage.h"

// The pictures live in a resource file compiled into this static library; naming its
// initialiser here keeps the linker from dropping it. (Outside any namespace, as the
// initialiser is a global function.)
static void InitResources() {
  static const bool done = [] {
    Q_INIT_RESOURCE(tanzel);
    return true;
  }();
  (void)done;
}

namespace {
QByteArray ReadResource(const QString& path) {
  InitResources();
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
}  // namespace

QPixmap ApplicationIconPixmap() {
  InitResources();
  return QPixmap(QStringLiteral(":/tanzel/tanzel.png"));
}

QIcon ApplicationIcon() {
  return QIcon(ApplicationIconPixmap());
}

QImage LogoImage() {
  return DecodeJpeg(ReadResource(QStringLiteral(":/tanzel/logo.jpg")));
}
