#pragma once
// The in-memory GIF image: a picture of at most 256 colours, one frame, with an optional
// transparent colour. The GIF writer stores it as it is; the PNG and TIFF writers store the same
// palette and indices, so those files carry the colours of the GIF conversion.

#include <cstdint>
#include <span>
#include <vector>

#include "../platform/bitmap.h"
#include "../platform/graphics.h"

namespace brevix {

inline constexpr int kMaxGifColors = 256;

struct TGifImage {
  int Width = 0;
  int Height = 0;
  std::vector<TColor> Palette;        // 1..256 entries
  std::vector<std::uint8_t> Indices;  // Width * Height palette indices, top row first
  int TransparentIndex = -1;          // palette entry shown transparent; -1: none
  // Either empty or one flag a row: 1 when the row's indices are those of the row above, as the
  // conversion found them. Writers skip comparing such rows; code that changes Indices clears it.
  std::vector<std::uint8_t> RepeatsAbove;

  // Fewest bits per pixel (1, 2, 4 or 8) that hold every palette index.
  int BitsPerPixel() const;
};

// Reduces the bitmap to a palette of at most maxColors (1..256) colours. A bitmap with that many
// colours or fewer keeps them exactly, in order of first appearance; a richer one is reduced by
// median cut, without dithering, so that bars stay solid. Throws EImageEncodeError for a size out
// of bounds.
TGifImage GifImageFromBitmap(const TBitmap& bitmap, int maxColors = kMaxGifColors);
// The same into an existing image, whose buffers are reused: every field is replaced. repeats,
// when it holds a flag for every row, marks rows known to hold the bytes of the row above (as a
// raster canvas reports them), which then take the row above's indices without being read: a
// painter may leave them unpainted. Only a picture of more than maxColors colours, reduced by
// median cut, has every pixel read; its image then has no RepeatsAbove.
void GifImageFromBitmap(const TBitmap& bitmap, TGifImage& image, int maxColors = kMaxGifColors,
                        std::span<const std::uint8_t> repeats = {});

// Marks color transparent (the graphic control extension of the frame). A colour the picture does
// not use gets a palette entry of its own, so no other pixel turns transparent. Returns false,
// leaving the image alone, when the colour is missing and the palette is already full.
bool AddTransparency(TGifImage& image, TColor color);

// GifImageFromBitmap with transparent marked transparent. A full palette without that colour is
// reduced to one colour fewer, making room for it.
void TransparentGifImageFromBitmap(const TBitmap& bitmap, TGifImage& image, TColor transparent,
                                   std::span<const std::uint8_t> repeats = {});

}  // namespace brevix
