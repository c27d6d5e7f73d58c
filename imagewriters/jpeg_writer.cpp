// clang-format off
#include <cstddef>
#include <cstdio>
#include <jpeglib.h>
// clang-format on

#include <algorithm>
#include <cassert>
#include <csetjmp>
#include <cstdlib>

#include "imagewriters/image_writers.h"

namespace brevix {

namespace {

// libjpeg reports errors by calling error_exit, which must not return: it jumps back here.
struct TJpegError {
  jpeg_error_mgr Manager;
  std::jmp_buf Jump;
  char Message[JMSG_LENGTH_MAX];
};

void OnError(j_common_ptr cinfo) {
  auto* error = reinterpret_cast<TJpegError*>(cinfo->err);
  cinfo->err->format_message(cinfo, error->Message);
  std::longjmp(error->Jump, 1);
}
void OnMessage(j_common_ptr, int) {}

// Only trivially destructible locals here, as libjpeg leaves by longjmp. On success *buffer
// holds the file (malloc'ed by the library); the caller frees it either way.
bool WriteJpeg(const TBitmap& bitmap, int quality, int dpi, TJpegError& error,
               unsigned char** buffer, unsigned long* size) {
  jpeg_compress_struct cinfo;
  cinfo.err = jpeg_std_error(&error.Manager);
  error.Manager.error_exit = OnError;
  error.Manager.emit_message = OnMessage;
  if (setjmp(error.Jump)) {
    jpeg_destroy_compress(&cinfo);
    return false;
  }
  jpeg_create_compress(&cinfo);
  jpeg_mem_dest(&cinfo, buffer, size);
  cinfo.image_width = static_cast<JDIMENSION>(bitmap.Width);
  cinfo.image_height = static_cast<JDIMENSION>(bitmap.Height);
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  if (dpi > 0) {
    cinfo.density_unit = 1;  // dots per inch
    cinfo.X_density = static_cast<UINT16>(std::min(dpi, 65535));
    cinfo.Y_density = cinfo.X_density;
  }
  jpeg_start_compress(&cinfo, TRUE);
  const std::size_t stride = static_cast<std::size_t>(bitmap.Width) * 3;
  while (cinfo.next_scanline < cinfo.image_height) {
    // libjpeg reads the rows but takes them as non-const.
    JSAMPROW row =
        const_cast<JSAMPROW>(bitmap.Rgb.data() + std::size_t{cinfo.next_scanline} * stride);
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  return true;
}

}  // namespace

TBytes EncodeJpeg(const TBitmap& bitmap, int quality, int dpi) {
  CheckImageSize(bitmap.Width, bitmap.Height);
  assert(quality >= 1 && quality <= 100);
  TJpegError error{};
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  const bool ok = WriteJpeg(bitmap, quality, dpi, error, &buffer, &size);
  TBytes out;
  if (ok) out.assign(buffer, buffer + size);
  std::free(buffer);
  if (!ok) throw EImageEncodeError(std::string("JPEG: ") + error.Message);
  return out;
}

}  // namespace brevix
