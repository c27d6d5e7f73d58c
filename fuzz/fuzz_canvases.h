#pragma once
// The canvases a fuzz target paints on. Until the raster and metafile canvases exist, a canvas
// that checks its calls stands in: every primitive is bounded, text measures by its length.

#include <span>
#include <string_view>

#include "core/control.h"
#include "fuzz/fuzz_support.h"
#include "platform/canvas.h"
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

// The largest box the fuzz targets paint: a bitmap this size is what the raster writers accept.
inline constexpr long long kMaxPaintPixels = 1LL << 22;

inline void PaintOnEveryCanvas(TCustomBC& bc) {
  const TRect box = bc.ClientRect();
  const long long w = box.Right - box.Left;
  const long long h = box.Bottom - box.Top;
  if (w > 0 && h > 0 && w * h > kMaxPaintPixels) return;
  TCheckingCanvas checking;
  DrawBarCode(checking, box, bc);
}

}  // namespace brevix::fuzz
