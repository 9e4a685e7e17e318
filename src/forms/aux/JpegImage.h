#pragma once

#include <QByteArray>
#include <QImage>

// What the header of a JPEG stream says.
struct JpegFacts {
  int width = 0;
  int height = 0;
  int components = 0;
  bool progressive = false;
};

// Decodes a JPEG stream with libjpeg into an RGB image. A stream libjpeg refuses gives a
// null image; warnings of the decoder are not shown. `facts`, when given, receives what
// the header says.
QImage DecodeJpeg(const QByteArray& bytes, JpegFacts* facts = nullptr);
