#include <cstddef>
#include <cstring>

#include "imagewriters/image_writers.h"

namespace brevix {

namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::size_t kInfoHeaderSize = 40;

void Put16(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}
void Put32(std::uint8_t* p, std::uint32_t v) {
  Put16(p, v & 0xFFFF);
  Put16(p + 2, v >> 16);
}

}  // namespace

TBytes EncodeBmp(const TBitmap& bitmap, int dpi) {
  CheckImageSize(bitmap.Width, bitmap.Height);
  const std::size_t width = static_cast<std::size_t>(bitmap.Width);
  const std::size_t height = static_cast<std::size_t>(bitmap.Height);
  const std::size_t stride = (width * 3 + 3) & ~std::size_t{3};
  const std::size_t offset = kFileHeaderSize + kInfoHeaderSize;
  TBytes out(offset + stride * height, 0);

  std::uint8_t* h = out.data();
  h[0] = 'B';
  h[1] = 'M';
  Put32(h + 2, static_cast<std::uint32_t>(out.size()));
  Put32(h + 10, static_cast<std::uint32_t>(offset));
  std::uint8_t* info = h + kFileHeaderSize;
  Put32(info, kInfoHeaderSize);
  Put32(info + 4, static_cast<std::uint32_t>(width));
  Put32(info + 8, static_cast<std::uint32_t>(height));  // positive: bottom-up
  Put16(info + 12, 1);                                  // planes
  Put16(info + 14, 24);                                 // bits per pixel
  Put32(info + 20, static_cast<std::uint32_t>(stride * height));
  Put32(info + 24, PixelsPerMetre(dpi));
  Put32(info + 28, PixelsPerMetre(dpi));

  for (std::size_t y = 0; y < height; ++y) {
    const std::uint8_t* src = bitmap.Rgb.data() + (height - 1 - y) * width * 3;
    std::uint8_t* dst = out.data() + offset + y * stride;
    for (std::size_t x = 0; x < width; ++x, src += 3, dst += 3) {
      dst[0] = src[2];
      dst[1] = src[1];
      dst[2] = src[0];
    }
  }
  return out;
}

}  // namespace brevix
