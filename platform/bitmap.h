#pragma once
// An off-screen RGB picture: what the raster canvas draws into, the clipboard holds and the image
// writers encode.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "graphics.h"

namespace brevix {

// The memory for a picture could not be had. what() names the picture's size in pixels and bytes.
class EPictureAllocError : public std::bad_alloc {
 public:
  EPictureAllocError(int width, int height, std::size_t bytes)
      : FMessage("out of memory for a picture of " + std::to_string(width) + " x " +
                 std::to_string(height) + " pixels (" + std::to_string(bytes) + " bytes)") {}
  const char* what() const noexcept override { return FMessage.c_str(); }

 private:
  std::string FMessage;
};

struct TBitmap {
  int Width = 0;
  int Height = 0;
  // Row-major, top row first, three bytes per pixel in R, G, B order.
  std::vector<std::uint8_t> Rgb;

  TBitmap() = default;
  TBitmap(int width, int height, TColor fill = clWhite) { Reset(width, height, fill); }

  // Sets the size; the pixels are left unspecified, for a caller that draws every one of them.
  // Raises EPictureAllocError when the memory cannot be had (the bitmap is then empty).
  void Resize(int width, int height) {
    width = width > 0 ? width : 0;
    height = height > 0 ? height : 0;
    const std::size_t bytes =
        static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3;
    try {
      Rgb.resize(bytes);
    } catch (const std::bad_alloc&) {
      Width = Height = 0;
      Rgb.clear();
      throw EPictureAllocError(width, height, bytes);
    }
    Width = width;
    Height = height;
  }

  void Reset(int width, int height, TColor fill = clWhite) {
    Resize(width, height);
    if (Rgb.empty()) return;
    // A grey (white, most often) is one byte repeated; any other colour fills one row pixel by
    // pixel and the others are copied from it: every export fills a whole picture.
    const auto r = static_cast<std::uint8_t>(ColorR(fill));
    if (r == ColorG(fill) && r == ColorB(fill)) {
      std::memset(Rgb.data(), r, Rgb.size());
      return;
    }
    const std::size_t row = static_cast<std::size_t>(Width) * 3;
    for (std::size_t i = 0; i < row; i += 3) {
      Rgb[i] = r;
      Rgb[i + 1] = static_cast<std::uint8_t>(ColorG(fill));
      Rgb[i + 2] = static_cast<std::uint8_t>(ColorB(fill));
    }
    for (std::size_t at = row; at < Rgb.size(); at += row)
      std::memcpy(Rgb.data() + at, Rgb.data(), row);
  }
  TColor Pixel(int x, int y) const {
    const std::size_t i = (static_cast<std::size_t>(y) * static_cast<std::size_t>(Width) +
                           static_cast<std::size_t>(x)) *
                          3;
    return RGBColor(Rgb[i], Rgb[i + 1], Rgb[i + 2]);
  }
  void SetPixel(int x, int y, TColor c) {
    const std::size_t i = (static_cast<std::size_t>(y) * static_cast<std::size_t>(Width) +
                           static_cast<std::size_t>(x)) *
                          3;
    Rgb[i] = static_cast<std::uint8_t>(ColorR(c));
    Rgb[i + 1] = static_cast<std::uint8_t>(ColorG(c));
    Rgb[i + 2] = static_cast<std::uint8_t>(ColorB(c));
  }
};

}  // namespace brevix
