#pragma once
// The surfaces a fuzz target paints on: a canvas that only checks its calls (any box size, no
// pixels), the raster canvas on a bitmap of the control's size, and the metafile canvas recording
// both metafile kinds, when that size is one a bitmap may have. Now and then the picture also goes
// through every image encoder, in memory.

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
  Require(!EncodePng(gif).empty(), "empty PNG");
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
