#include "render/pdf417_draw.h"

#include <vector>

namespace brevix {

void DrawModuleRow(TCanvas& canvas, const TRect& rowBox, std::string_view pixels,
                   std::vector<TRect>& bars) {
  bars.clear();
  int x = rowBox.Left;
  std::size_t i = 0;
  while (i < pixels.size()) {
    std::size_t j = i;
    const bool dark = pixels[i] != '0';
    while (j < pixels.size() && (pixels[j] != '0') == dark) ++j;
    const int n = static_cast<int>(j - i);
    if (dark) bars.push_back(TRect{x, rowBox.Top, x + n, rowBox.Bottom});
    x += n;
    i = j;
  }
  canvas.FillRects(bars);
}

void DrawModuleRow(TCanvas& canvas, const TRect& rowBox, std::string_view pixels) {
  std::vector<TRect> bars;
  DrawModuleRow(canvas, rowBox, pixels, bars);
}

}  // namespace brevix
