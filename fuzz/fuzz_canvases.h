#pragma once
// The surfaces a fuzz target paints on: a canvas that only checks its calls (any box size, no
// pixels), the raster canvas on a bitmap of the control's size, and the metafile canvas recording
// both metafile kinds, when that size is one a bitmap may have. Now and then the picture also goes
// through every image encoder, in memory.

#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string_view>
#include <vector>

#include "core/control.h"
#include "fuzz/fuzz_support.h"
#include "imagewriters/image_writers.h"
#include "platform/bitmap.h"
#include "platform/canvas.h"
#include "platform/metafile_canvas.h"
#include "platform/raster_canvas.h"
#include "render/draw.h"

namespace brevix::fuzz {

class TCheckingCanvas : public TCanvas {
 public:
  void Polygon(std::span<const TPoint> points) override {
    Require(!points.empty(), "empty polygon");
  }
  void FillRect(const TRect&) override {}
  void Line(int, int, int, int) override {}
  void TextOut(int, int, std::string_view) override {}
  TSize TextExtent(std::string_view text) override {
    return TSize{static_cast<int>(text.size()) * 6, 13};
  }
  void DrawTextCentered(const TRect&, std::string_view) override {}
};

// The largest bitmap the fuzz targets paint into: larger boxes go to the checking canvas only, to
// keep the runs fast.
inline constexpr long long kMaxPaintPixels = 1LL << 16;

// Whether a PNG file's image data inflates (checksum included) to rows that give back the
// picture's indices: each row unfiltered (none, or up against the row above) and unpacked.
inline bool PngHoldsIndices(std::span<const std::uint8_t> png, const TGifImage& image) {
  std::vector<std::uint8_t> idat;
  for (std::size_t at = 8; at + 12 <= png.size();) {
    const std::size_t length = std::size_t{png[at]} << 24 | std::size_t{png[at + 1]} << 16 |
                               std::size_t{png[at + 2]} << 8 | png[at + 3];
    if (length > png.size() - at - 12) return false;
    if (std::memcmp(png.data() + at + 4, "IDAT", 4) == 0)
      idat.insert(idat.end(), png.data() + at + 8, png.data() + at + 8 + length);
    at += 12 + length;
  }
  const int bits = image.BitsPerPixel();
  const std::size_t width = static_cast<std::size_t>(image.Width);
  const std::size_t line = (width * static_cast<std::size_t>(bits) + 7) / 8 + 1;
  const std::size_t size = line * static_cast<std::size_t>(image.Height);
  std::vector<std::uint8_t> raw(size + 1);
  uLongf got = static_cast<uLongf>(raw.size());
  if (uncompress(raw.data(), &got, idat.data(), static_cast<uLong>(idat.size())) != Z_OK ||
      got != size)
    return false;
  for (std::size_t y = 0; y < static_cast<std::size_t>(image.Height); ++y) {
    std::uint8_t* row = raw.data() + y * line;
    if (row[0] == 2 && y > 0) {
      const std::uint8_t* above = row - line;
      for (std::size_t i = 1; i < line; ++i) row[i] = static_cast<std::uint8_t>(row[i] + above[i]);
    } else if (row[0] != 0) {
      return false;
    }
    for (std::size_t x = 0; x < width; ++x) {
      const std::size_t bit = x * static_cast<std::size_t>(bits);
      const unsigned index = row[1 + bit / 8] >> (8 - bits - bit % 8) & ((1u << bits) - 1);
      if (index != image.Indices[y * width + x]) return false;
    }
  }
  return true;
}

// repeats: the rows the drawing reported equal to the row above, as the export passes them on.
inline void EncodeEveryFormat(const TBitmap& bitmap, TColor transparent,
                              std::span<const std::uint8_t> repeats) {
  Require(!EncodeBmp(bitmap).empty(), "empty BMP");
  Require(!EncodeJpeg(bitmap, 100).empty(), "empty JPEG");
  TGifImage gif;
  GifImageFromBitmap(bitmap, gif, kMaxGifColors, repeats);
  Require(gif.Indices.size() == bitmap.Rgb.size() / 3, "GIF image of another size");
  Require(!gif.Palette.empty() && gif.Palette.size() <= kMaxGifColors, "GIF palette size");
  for (std::uint8_t i : gif.Indices) Require(i < gif.Palette.size(), "GIF index past the palette");
  Require(PngHoldsIndices(EncodePng(gif), gif), "PNG image data does not give back the picture");
  Require(!EncodeTiff(gif).empty(), "empty TIFF");
  AddTransparency(gif, transparent);
  Require(!EncodeGif(gif).empty(), "empty GIF");
}

// encode: also run the image encoders on the painted bitmap.
inline void PaintOnEveryCanvas(TCustomBC& bc, bool encode = false) {
  const TRect box = bc.ClientRect();
  TCheckingCanvas checking;
  DrawBarCode(checking, box, bc);
  const long long w = box.Right - box.Left;
  const long long h = box.Bottom - box.Top;
  if (w <= 0 || h <= 0 || w * h > kMaxPaintPixels) return;
  // Started as the export starts a picture: the background fill left pending.
  TBitmap bitmap(static_cast<int>(w), static_cast<int>(h));
  TRasterCanvas raster(bitmap);
  raster.ClearTo(bc.Color_Back());
  DrawBarCode(raster, box, bc);
  Require(bitmap.Rgb.size() == static_cast<std::size_t>(w * h * 3), "bitmap changed its size");
  // Every row the canvas reports as a repeat holds the bytes of the row above.
  const std::span<const std::uint8_t> flags = raster.RowRepeats();
  const std::vector<std::uint8_t> repeats(flags.begin(), flags.end());
  Require(repeats.size() == static_cast<std::size_t>(h), "a repeat flag for every row");
  const std::size_t stride = static_cast<std::size_t>(w) * 3;
  for (std::size_t y = 1; y < repeats.size(); ++y)
    Require(repeats[y] == 0 || std::memcmp(bitmap.Rgb.data() + y * stride,
                                           bitmap.Rgb.data() + (y - 1) * stride, stride) == 0,
            "a row reported as a repeat differs from the row above");
  for (TMetafileKind kind : {TMetafileKind::Wmf, TMetafileKind::Emf}) {
    TMetafileCanvas metafile(static_cast<int>(w), static_cast<int>(h), kind, raster);
    DrawBarCode(metafile, box, bc);
    Require(!metafile.Finish().empty(), "empty metafile");
  }
  if (encode) EncodeEveryFormat(bitmap, bc.Color_Back(), repeats);
}

}  // namespace brevix::fuzz
