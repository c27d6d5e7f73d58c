#pragma once
// The canvas backend: a drawing serialised onto any TCanvas (the raster canvas, the metafile
// canvas, GDI), so the control's paints, its bitmap and metafile exports and its module mode all
// draw through one painter.

#include <span>
#include <string_view>
#include <vector>

#include "../layout/box_layout.h"
#include "../layout/drawing.h"
#include "../platform/canvas.h"

namespace brevix {

// Buffers painting reuses from one drawing to the next.
struct TCanvasPaintScratch {
  std::vector<TQuadFill> Quads;  // turned fills
  std::vector<TRect> Rects;      // module-mode bars in pixels
};

// Paints drawing onto canvas: module-mode bars and texts at their pixels per module, turned, the
// picture's top-left corner at origin (its background left as it is); then the box-mode steps in
// order, in the canvas's own pixels.
void PaintDrawing(TCanvas& canvas, const TDrawing& drawing, TCanvasPaintScratch& scratch,
                  TPoint origin = {});

// Text measured by a canvas, for laying out a box drawing that canvas will paint. Measuring sets
// the canvas's font.
class TCanvasMetrics : public TTextMetrics {
 public:
  explicit TCanvasMetrics(TCanvas& canvas) : FCanvas(canvas) {}
  TSize Extent(const TFont& font, std::string_view text) override {
    Use(font);
    return FCanvas.TextExtent(text);
  }
  int WrappedHeight(const TFont& font, int width, std::string_view text) override {
    Use(font);
    return FCanvas.WrappedTextHeight(width, text);
  }
  const TFont& DeviceFont() const override { return FSaved ? FDeviceFont : FCanvas.Font; }

 private:
  // Sets the canvas's font, the one it had kept first.
  void Use(const TFont& font) {
    if (!FSaved) {
      FDeviceFont.Assign(FCanvas.Font);
      FSaved = true;
    }
    FCanvas.Font.Assign(font);
  }

  TCanvas& FCanvas;
  TFont FDeviceFont;  // the canvas's font before the first measurement
  bool FSaved = false;
};

}  // namespace brevix
