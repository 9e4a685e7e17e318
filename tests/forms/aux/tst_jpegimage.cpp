// Decoding JPEG streams with libjpeg: the logo, streams of other kinds, and broken ones.
#include <QTest>

#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

#include "forms/aux/JpegImage.h"
#include "forms/aux/Pictures.h"
#include "support/Table.h"

namespace {

// Encodes `image` (RGB888 or Grayscale8) with libjpeg into memory.
QByteArray Encode(const QImage& image, bool progressive) {
  jpeg_compress_struct cinfo;
  jpeg_error_mgr jerr;
  cinfo.err = jpeg_std_error(&jerr);
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  const bool gray = image.format() == QImage::Format_Grayscale8;
  cinfo.image_width = static_cast<JDIMENSION>(image.width());
  cinfo.image_height = static_cast<JDIMENSION>(image.height());
  cinfo.input_components = gray ? 1 : 3;
  cinfo.in_color_space = gray ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, 100, TRUE);
  if (progressive) jpeg_simple_progression(&cinfo);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(image.constScanLine(static_cast<int>(cinfo.next_scanline)));
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  QByteArray bytes(reinterpret_cast<const char*>(buffer), static_cast<qsizetype>(size));
  std::free(buffer);
  return bytes;
}

// Four colour quadrants of an odd size, so that row strides and edges matter.
QImage Quadrants(int width, int height) {
  QImage image(width, height, QImage::Format_RGB888);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      bool right = x >= width / 2, bottom = y >= height / 2;
      QColor c = !right && !bottom  ? QColor(255, 0, 0)
                 : right && !bottom ? QColor(0, 0, 255)
                 : !right           ? QColor(0, 160, 0)
                                    : QColor(255, 255, 255);
      image.setPixelColor(x, y, c);
    }
  return image;
}

bool Near(QRgb a, QRgb b) {
  return std::abs(qRed(a) - qRed(b)) < 24 && std::abs(qGreen(a) - qGreen(b)) < 24 && std::abs(qBlue(a) - qBlue(b)) < 24;
}

}  // namespace

class TestJpegImage : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void logo();
  void icon();
  void decodesPixels_data();
  void decodesPixels();
  void grayscale();
  void brokenStreams_data();
  void brokenStreams();
};

void TestJpegImage::logo() {
  QFile file(QStringLiteral(":/tanzel/logo.jpg"));
  LogoImage();  // brings the resources in
  QVERIFY(file.open(QIODevice::ReadOnly));
  JpegFacts facts;
  QImage image = DecodeJpeg(file.readAll(), &facts);
  QCOMPARE(image.size(), QSize(166, 65));
  QCOMPARE(facts.width, 166);
  QCOMPARE(facts.height, 65);
  QCOMPARE(facts.components, 3);
  QVERIFY(!facts.progressive);  // baseline
  QCOMPARE(LogoImage().size(), QSize(166, 65));
  // A picture, not a blank: a white background with a red mark on the left.
  QVERIFY(Near(image.pixel(2, 2), qRgb(255, 255, 255)));
  QVERIFY(Near(image.pixel(11, 26), qRgb(208, 24, 40)));
}

void TestJpegImage::icon() {
  QPixmap pixmap = ApplicationIconPixmap();
  QCOMPARE(pixmap.size(), QSize(32, 32));
  QVERIFY(!ApplicationIcon().isNull());
  QImage image = pixmap.toImage();
  QSet<QRgb> colours;
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x)
      if (qAlpha(image.pixel(x, y)) != 0) colours.insert(image.pixel(x, y));
  QVERIFY(colours.size() > 2);
  QVERIFY(colours.size() <= 16);
}

void TestJpegImage::decodesPixels_data() {
  Columns<int, int, bool>("width", "height", "progressive");
  QTest::newRow("baseline") << 50 << 34 << false;
  QTest::newRow("baseline, odd size") << 37 << 19 << false;
  QTest::newRow("progressive") << 48 << 32 << true;
  QTest::newRow("one pixel") << 1 << 1 << false;
}

void TestJpegImage::decodesPixels() {
  QFETCH(int, width);
  QFETCH(int, height);
  QFETCH(bool, progressive);
  QImage source = Quadrants(width, height);
  JpegFacts facts;
  QImage image = DecodeJpeg(Encode(source, progressive), &facts);
  QCOMPARE(image.size(), source.size());
  QCOMPARE(facts.progressive, progressive);
  QCOMPARE(facts.components, 3);
  // Away from the quadrant edges (where the compression blurs) the colours come back.
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      if (std::abs(x - width / 2) < 4 || std::abs(y - height / 2) < 4) continue;
      QVERIFY2(Near(image.pixel(x, y), source.pixel(x, y)), qPrintable(QStringLiteral("%1,%2").arg(x).arg(y)));
    }
}

void TestJpegImage::grayscale() {
  QImage source(20, 10, QImage::Format_Grayscale8);
  source.fill(QColor(100, 100, 100));
  JpegFacts facts;
  QImage image = DecodeJpeg(Encode(source, false), &facts);
  QCOMPARE(facts.components, 1);
  QCOMPARE(image.size(), QSize(20, 10));
  QVERIFY(Near(image.pixel(10, 5), qRgb(100, 100, 100)));
}

void TestJpegImage::brokenStreams_data() {
  Columns<QByteArray>("bytes");
  QByteArray good = Encode(Quadrants(16, 16), false);
  QTest::newRow("empty") << QByteArray();
  QTest::newRow("not a JPEG") << QByteArray("GIF89a, or anything else");
  QTest::newRow("start marker only") << QByteArray("\xFF\xD8", 2);
  QTest::newRow("cut inside the header") << good.left(40);
  QByteArray garbled = good;
  for (qsizetype i = 2; i < 200 && i < garbled.size(); ++i) garbled[i] = static_cast<char>(0x5A);
  QTest::newRow("garbled header") << garbled;
}

void TestJpegImage::brokenStreams() {
  QFETCH(QByteArray, bytes);
  QVERIFY(DecodeJpeg(bytes).isNull());
}

QTEST_MAIN(TestJpegImage)
#include "tst_jpegimage.moc"
