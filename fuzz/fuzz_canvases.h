#pragma once
// The canvases a fuzz target paints on: a canvas that only checks its calls (any box size, no
// pixels), and the raster canvas on a bitmap of the control's size when that size is one a
// bitmap may have.

#include <span>
#include <string_view>

#include "core/control.h"
#include "fuzz/fuzz_support.h"
#include "platform/bitmap.h"
#include "platform/canvas.h"
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
inline constexpr long long kMaxPaintPixels = 1LL << 18;

inline void PaintOnEveryCanvas(TCustomBC& bc) {
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
}

}  // namespace brevix::fuzz
