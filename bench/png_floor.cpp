#include "bench/png_floor.h"

#include <png.h>

#include <cstdio>
#include <stdexcept>

namespace brevix::bench {

void WritePngWithLibpng(const TBitmap& bitmap, const std::string& fileName) {
  std::FILE* f = std::fopen(fileName.c_str(), "wb");
  if (!f) throw std::runtime_error("cannot create " + fileName);
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!info || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
    throw std::runtime_error("libpng failed on " + fileName);
  }
  png_init_io(png, f);
  png_set_IHDR(png, info, static_cast<png_uint_32>(bitmap.Width),
               static_cast<png_uint_32>(bitmap.Height), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  const std::size_t stride = static_cast<std::size_t>(bitmap.Width) * 3;
  for (int y = 0; y < bitmap.Height; ++y)
    png_write_row(png, bitmap.Rgb.data() + static_cast<std::size_t>(y) * stride);
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  std::fclose(f);
}

void WritePalettePngWithLibpng(const TGifImage& image, const std::string& fileName) {
  std::FILE* f = std::fopen(fileName.c_str(), "wb");
  if (!f) throw std::runtime_error("cannot create " + fileName);
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!info || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
    throw std::runtime_error("libpng failed on " + fileName);
  }
  png_init_io(png, f);
  const int bits = image.BitsPerPixel();
  png_set_IHDR(png, info, static_cast<png_uint_32>(image.Width),
               static_cast<png_uint_32>(image.Height), bits, PNG_COLOR_TYPE_PALETTE,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_color palette[kMaxGifColors];
  for (std::size_t i = 0; i < image.Palette.size(); ++i)
    palette[i] = png_color{static_cast<png_byte>(ColorR(image.Palette[i])),
                           static_cast<png_byte>(ColorG(image.Palette[i])),
                           static_cast<png_byte>(ColorB(image.Palette[i]))};
  png_set_PLTE(png, info, palette, static_cast<int>(image.Palette.size()));
  png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
  png_set_compression_level(png, 3);
  png_write_info(png, info);
  // libpng packs rows of indices itself.
  if (bits < 8) png_set_packing(png);
  const std::size_t width = static_cast<std::size_t>(image.Width);
  for (int y = 0; y < image.Height; ++y)
    png_write_row(png, image.Indices.data() + static_cast<std::size_t>(y) * width);
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  std::fclose(f);
}

}  // namespace brevix::bench
