// Draws the program's two pictures and writes them into the folder given as argument:
//   logo.jpg   the 166 x 65 logo of the version dialog, a baseline colour JPEG written with libjpeg;
//   tanzel.png the 32 x 32 application icon in 16 colours;
//   tanzel-64.png, tanzel-128.png the same icon with each pixel two and four pixels wide, for
//   menus and software centres that show icons larger (installed into the icon theme only).
// The files are checked in; run this only to change the pictures:
//   cmake --build BUILD --target tanzel-make-pictures && QT_QPA_PLATFORM=offscreen BUILD/bin/tanzel-make-pictures
//   resources
#include <QDir>
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <cstdio>

#include <jpeglib.h>

namespace {

// The classic 16-colour palette.
const QList<QRgb> kPalette16 = {qRgb(0, 0, 0),       qRgb(128, 0, 0),   qRgb(0, 128, 0),   qRgb(128, 128, 0),
                                qRgb(0, 0, 128),     qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(192, 192, 192),
                                qRgb(128, 128, 128), qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(255, 255, 0),
                                qRgb(0, 0, 255),     qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255)};

// The postal mark: two bars and a stem, in a box of size s at (x, y).
void DrawPostalMark(QPainter& p, qreal x, qreal y, qreal s, const QColor& color) {
  p.fillRect(QRectF(x, y, s, s * 0.14), color);
  p.fillRect(QRectF(x, y + s * 0.32, s, s * 0.14), color);
  p.fillRect(QRectF(x + s * 0.43, y + s * 0.32, s * 0.14, s * 0.68), color);
}

QImage DrawIcon() {
  QImage image(32, 32, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing, false);
  // A red tile with a dark rim and the white postal mark.
  p.setPen(QColor(128, 0, 0));
  p.setBrush(QColor(255, 0, 0));
  p.drawRoundedRect(QRect(1, 1, 29, 29), 5, 5);
  DrawPostalMark(p, 6, 5, 16, Qt::white);
  // A magnifying glass over the lower right corner: cyan lens, black rim, yellow handle.
  p.setPen(QPen(Qt::black, 1));
  p.setBrush(QColor(0, 255, 255));
  p.drawEllipse(QRect(16, 15, 10, 10));
  p.setPen(QPen(Qt::white, 1));
  p.drawLine(19, 18, 20, 17);
  p.setPen(QPen(Qt::black, 4, Qt::SolidLine, Qt::SquareCap));
  p.drawLine(26, 26, 29, 29);
  p.setPen(QPen(QColor(255, 255, 0), 2, Qt::SolidLine, Qt::SquareCap));
  p.drawLine(26, 26, 29, 29);
  p.end();

  // Exactly 16 colours plus a transparent index.
  QList<QRgb> table = kPalette16;
  table.append(qRgba(0, 0, 0, 0));
  QImage indexed(32, 32, QImage::Format_Indexed8);
  indexed.setColorTable(table);
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) {
      QRgb c = image.pixel(x, y);
      int best = 16;
      if (qAlpha(c) >= 128) {
        int bestDistance = 1 << 30;
        for (int i = 0; i < 16; ++i) {
          int dr = qRed(c) - qRed(table[i]), dg = qGreen(c) - qGreen(table[i]), db = qBlue(c) - qBlue(table[i]);
          int d = dr * dr + dg * dg + db * db;
          if (d < bestDistance) bestDistance = d, best = i;
        }
      }
      indexed.setPixel(x, y, static_cast<uint>(best));
    }
  }
  return indexed;
}

QImage DrawLogo() {
  QImage image(166, 65, QImage::Format_RGB888);
  image.fill(Qt::white);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing, true);
  p.setRenderHint(QPainter::TextAntialiasing, true);

  // A band that fades from deep red to white, behind the round postal mark.
  QLinearGradient band(0, 0, 166, 0);
  band.setColorAt(0.0, QColor(176, 16, 32));
  band.setColorAt(1.0, QColor(255, 255, 255));
  p.fillRect(QRectF(0, 46, 166, 5), band);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(208, 24, 40));
  p.drawEllipse(QRectF(6, 6, 40, 40));
  DrawPostalMark(p, 15, 14, 22, Qt::white);

  QFont name(QStringLiteral("DejaVu Sans"));
  name.setPixelSize(28);
  name.setBold(true);
  name.setItalic(true);
  p.setFont(name);
  p.setPen(QColor(24, 40, 112));
  p.drawText(QRectF(52, 4, 112, 40), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Tanzel"));

  QFont sub(QStringLiteral("IPAGothic"));
  sub.setPixelSize(10);
  p.setFont(sub);
  p.setPen(QColor(64, 64, 64));
  p.drawText(QRectF(0, 52, 166, 12), Qt::AlignCenter, QStringLiteral(u"郵便番号検索ツール"));
  p.end();
  return image;
}

// A baseline (sequential, not progressive) JPEG with three components.
bool WriteJpeg(const QImage& rgb, const QString& path) {
  std::FILE* file = std::fopen(QFile::encodeName(path).constData(), "wb");
  if (!file) return false;
  jpeg_compress_struct cinfo;
  jpeg_error_mgr jerr;
  cinfo.err = jpeg_std_error(&jerr);
  jpeg_create_compress(&cinfo);
  jpeg_stdio_dest(&cinfo, file);
  cinfo.image_width = static_cast<JDIMENSION>(rgb.width());
  cinfo.image_height = static_cast<JDIMENSION>(rgb.height());
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, 92, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(rgb.constScanLine(static_cast<int>(cinfo.next_scanline)));
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  return std::fclose(file) == 0;
}

}  // namespace

int main(int argc, char* argv[]) {
  QGuiApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: tanzel-make-pictures OUTDIR\n");
    return 2;
  }
  QDir out(QString::fromLocal8Bit(argv[1]));
  bool ok = WriteJpeg(DrawLogo(), out.filePath(QStringLiteral("logo.jpg")));
  QImage icon = DrawIcon();
  ok = icon.save(out.filePath(QStringLiteral("tanzel.png")), "PNG") && ok;
  for (int size : {64, 128}) {
    QString name = QStringLiteral("tanzel-%1.png").arg(size);
    ok = icon.scaled(size, size, Qt::IgnoreAspectRatio, Qt::FastTransformation).save(out.filePath(name), "PNG") && ok;
  }
  if (!ok) std::fprintf(stderr, "tanzel-make-pictures: cannot write the pictures\n");
  return ok ? 0 : 1;
}
