#pragma once
// Palette reduction and GIF encoding of a rendered picture, without any platform library: the
// GIF file, and the palette picture that PNG and TIFF output is made from.

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/graphics.h"

namespace brevix::win {

// A picture of at most 256 colours.
struct TPalettePicture {
  int Width = 0;
  int Height = 0;
  std::vector<TColor> Palette;       // at most 256 entries
  std::vector<std::uint8_t> Pixels;  // one palette index per pixel, top row first
};

// Reduces a 32-bit BGRX picture (top row first, rows stride bytes apart) to a palette. Pictures
// with at most 256 colours keep them exactly, in order of first appearance; others are mapped to
// the nearest colour of a fixed 6x7x6 colour cube.
TPalettePicture ReduceToPalette(const std::uint8_t* bgrx, int width, int height, int stride);

// Index of color in the palette, adding it when there is room; nullopt when the palette is full
// and does not hold it.
std::optional<int> PaletteIndex(TPalettePicture& picture, TColor color);

// A complete GIF file (GIF89a, one frame). With transparentIndex, the frame carries a graphic
// control extension that marks that palette entry as transparent.
std::vector<std::uint8_t> EncodeGif(const TPalettePicture& picture,
                                    std::optional<int> transparentIndex);

}  // namespace brevix::win
