#include <png.h>

#include <cassert>
#include <csetjmp>
#include <cstring>

#include "imagewriters/image_writers.h"

namespace brevix {

namespace {

// Shared with libpng's callbacks; plain data, since libpng reports errors by longjmp.
struct TPngJob {
  const TGifImage* Image = nullptr;
  TBytes* Out = nullptr;
  std::uint8_t* Row = nullptr;  // packed row buffer for depths below 8
  char Error[256] = {};
};

void OnError(png_structp png, png_const_charp message) {
  auto* job = static_cast<TPngJob*>(png_get_error_ptr(png));
  std::snprintf(job->Error, sizeof job->Error, "%s", message);
  png_longjmp(png, 1);
}
void OnWarning(png_structp, png_const_charp) {}
void OnWrite(png_structp png, png_bytep data, png_size_t length) {
  auto* job = static_cast<TPngJob*>(png_get_io_ptr(png));
  job->Out->insert(job->Out->end(), data, data + length);
}
void OnFlush(png_structp) {}

// Packs indices of `bits` bits, leftmost pixel in the high bits, a byte at a time.
void PackRow(const std::uint8_t* src, int width, int bits, std::uint8_t* dst) {
  const int perByte = 8 / bits;
  int x = 0;
  for (; x + perByte <= width; x += perByte) {
    unsigned v = 0;
    for (int k = 0; k < perByte; ++k) v = v << bits | src[x + k];
    *dst++ = static_cast<std::uint8_t>(v);
  }
  if (x < width) {
    unsigned v = 0;
    int k = 0;
    for (; x < width; ++x, ++k) v = v << bits | src[x];
    *dst = static_cast<std::uint8_t>(v << bits * (perByte - k));
  }
}

// Returns false with job.Error set when libpng fails. Only trivially destructible locals live
// here, as libpng leaves by longjmp.
bool WritePng(TPngJob& job) {
  const TGifImage& image = *job.Image;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &job, OnError, OnWarning);
  if (!png) {
    std::snprintf(job.Error, sizeof job.Error, "out of memory");
    return false;
  }
  png_infop info = png_create_info_struct(png);
  if (!info || setjmp(png_jmpbuf(png))) {
    if (!info) std::snprintf(job.Error, sizeof job.Error, "out of memory");
    png_destroy_write_struct(&png, info ? &info : nullptr);
    return false;
  }
  png_set_write_fn(png, &job, OnWrite, OnFlush);
  const int bits = image.BitsPerPixel();
  png_set_IHDR(png, info, static_cast<png_uint_32>(image.Width),
               static_cast<png_uint_32>(image.Height), bits, PNG_COLOR_TYPE_PALETTE,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_color palette[kMaxGifColors];
  const int colors = static_cast<int>(image.Palette.size());
  for (int i = 0; i < colors; ++i) {
    const TColor c = image.Palette[static_cast<std::size_t>(i)];
    palette[i] = png_color{static_cast<png_byte>(ColorR(c)), static_cast<png_byte>(ColorG(c)),
                           static_cast<png_byte>(ColorB(c))};
  }
  png_set_PLTE(png, info, palette, colors);
  png_set_pHYs(png, info, 3780, 3780, PNG_RESOLUTION_METER);  // 96 dpi
  // Palette pictures of bars compress best unfiltered. Their rows repeat: zlib's level 3 finds
  // those repeats at half the cost of the default level 6, for files a few hundred bytes larger.
  png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
  png_set_compression_level(png, 3);
  png_write_info(png, info);
  const std::size_t width = static_cast<std::size_t>(image.Width);
  for (int y = 0; y < image.Height; ++y) {
    const std::uint8_t* src = image.Indices.data() + static_cast<std::size_t>(y) * width;
    if (bits == 8) {
      png_write_row(png, src);
    } else {
      // A row like the one above is packed already.
      if (y == 0 || std::memcmp(src, src - width, width) != 0)
        PackRow(src, image.Width, bits, job.Row);
      png_write_row(png, job.Row);
    }
  }
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace

TBytes EncodePng(const TGifImage& image) {
  CheckImageSize(image.Width, image.Height);
  assert(!image.Palette.empty() && image.Palette.size() <= kMaxGifColors);
  TBytes out;
  out.reserve(image.Indices.size() / 16 + 1024);
  std::vector<std::uint8_t> row(static_cast<std::size_t>(image.Width));
  TPngJob job;
  job.Image = &image;
  job.Out = &out;
  job.Row = row.data();
  if (!WritePng(job)) throw EImageEncodeError(std::string("PNG: ") + job.Error);
  return out;
}

}  // namespace brevix
