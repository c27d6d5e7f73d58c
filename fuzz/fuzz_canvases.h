#pragma once
// The surfaces a fuzz target paints on: a canvas that only checks its calls (any box size, no
// pixels), the raster canvas on a bitmap of the control's size, and the metafile canvas recording
// both metafile kinds, when that size is one a bitmap may have. Now and then the picture also goes
// through every image encoder, in memory.

#include <cstddef>
#include <span>
#include <string_view>

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

inline void EncodeEveryFormat(const TBitmap& bitmap, TColor transparent) {
  Require(!EncodeBmp(bitmap).empty(), "empty BMP");
  Require(!EncodeJpeg(bitmap, 100).empty(), "empty JPEG");
  TGifImage gif = GifImageFromBitmap(bitmap);
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
  TBitmap bitmap(static_cast<int>(w), static_cast<int>(h), bc.Color_Back());
  TRasterCanvas raster(bitmap);
  DrawBarCode(raster, box, bc);
  Require(bitmap.Rgb.size() == static_cast<std::size_t>(w * h * 3), "bitmap changed its size");
  for (TMetafileKind kind : {TMetafileKind::Wmf, TMetafileKind::Emf}) {
    TMetafileCanvas metafile(static_cast<int>(w), static_cast<int>(h), kind, raster);
    DrawBarCode(metafile, box, bc);
    Require(!metafile.Finish().empty(), "empty metafile");
  }
  if (encode) EncodeEveryFormat(bitmap, bc.Color_Back());
}

}  // namespace brevix::fuzz
