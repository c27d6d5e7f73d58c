#pragma once
// An off-screen RGB picture: what the raster canvas draws into, the clipboard holds and the image
// writers encode.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "graphics.h"

namespace brevix {

struct TBitmap {
  int Width = 0;
  int Height = 0;
  // Row-major, top row first, three bytes per pixel in R, G, B order.
  std::vector<std::uint8_t> Rgb;

  TBitmap() = default;
  TBitmap(int width, int height, TColor fill = clWhite) { Reset(width, height, fill); }

  // Sets the size; the pixels are left unspecified, for a caller that draws every one of them.
  void Resize(int width, int height) {
    Width = width > 0 ? width : 0;
    Height = height > 0 ? height : 0;
    Rgb.resize(static_cast<std::size_t>(Width) * static_cast<std::size_t>(Height) * 3);
  }

  void Reset(int width, int height, TColor fill = clWhite) {
    Width = width > 0 ? width : 0;
    Height = height > 0 ? height : 0;
    Rgb.resize(static_cast<std::size_t>(Width) * static_cast<std::size_t>(Height) * 3);
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
