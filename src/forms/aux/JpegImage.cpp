#include "forms/aux/JpegImage.h"

#include <csetjmp>
#include <cstdio>
#include <vector>

#include <jpeglib.h>

namespace {

// libjpeg reports a fatal error through error_exit, which must not return: it jumps back
// into DecodeRgb, which then gives up.
struct ErrorManager {
  jpeg_error_mgr mgr;
  std::jmp_buf jump;
};

[[noreturn]] void OnError(j_common_ptr cinfo) {
  std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1);
}

void OnMessage(j_common_ptr) {}

// Decodes into *rgb (three bytes a pixel, rows without padding). Keeps only trivially
// destructible objects in its own frame, since a failure jumps back into it; the vector it
// fills belongs to the caller.
bool DecodeRgb(const unsigned char* data, unsigned long size, std::vector<unsigned char>* rgb, JpegFacts* facts) {
  jpeg_decompress_struct cinfo;
  ErrorManager errors;
  cinfo.err = jpeg_std_error(&errors.mgr);
  errors.mgr.error_exit = OnError;
  errors.mgr.output_message = OnMessage;
  if (setjmp(errors.jump)) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, data, size);
  jpeg_read_header(&cinfo, TRUE);
  facts->width = static_cast<int>(cinfo.image_width);
  facts->height = static_cast<int>(cinfo.image_height);
  facts->components = cinfo.num_components;
  facts->progressive = cinfo.progressive_mode != 0;
  cinfo.out_color_space = JCS_RGB;
  jpeg_start_decompress(&cinfo);
  const std::size_t stride = static_cast<std::size_t>(cinfo.output_width) * 3;
  rgb->assign(stride * cinfo.output_height, 0);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = rgb->data() + stride * cinfo.output_scanline;
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return true;
}

}  // namespace

QImage DecodeJpeg(const QByteArray& bytes, JpegFacts* facts) {
  JpegFacts header;
  std::vector<unsigned char> rgb;
  bool ok = !bytes.isEmpty() && DecodeRgb(reinterpret_cast<const unsigned char*>(bytes.constData()),
                                          static_cast<unsigned long>(bytes.size()), &rgb, &header);
  if (facts) *facts = header;
  if (!ok || header.width <= 0 || header.height <= 0) return QImage();
  QImage image(header.width, header.height, QImage::Format_RGB888);
  for (int y = 0; y < header.height; ++y)
    std::copy_n(rgb.data() + static_cast<std::size_t>(y) * header.width * 3, header.width * 3, image.scanLine(y));
  return image;
}
