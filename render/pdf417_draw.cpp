#include "render/pdf417_draw.h"

#include <string>
#include <vector>

#include "core/control.h"
#include "pdf417/pdf417.h"
#include "render/dark_runs.h"
#include "render/draw.h"

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

namespace {

// One row of modules ('0' light, '1' dark) through a column map: each run of dark columns as one
// rectangle, exactly the rectangles DrawModuleRow finds in the expanded row.
void DrawMappedRow(TCanvas& canvas, const TRect& rowBox, std::string_view modules,
                   const TColumnMap& map, std::vector<TRect>& bars) {
  bars.clear();
  const int* const starts = map.Starts.data();
  const int left = rowBox.Left, top = rowBox.Top, bottom = rowBox.Bottom;
  ForEachDarkRun(modules, [&](std::size_t start, std::size_t end) {
    const int from = left + starts[start], to = left + starts[end];
    if (from == to) return;  // modules that got no column
    if (!bars.empty() && bars.back().Right == from)
      bars.back().Right = to;  // the light modules between got no column
    else
      bars.push_back(TRect{from, top, to, bottom});
  });
  canvas.FillRects(bars);
}

}  // namespace

void DrawPDF417(TCanvas& canvas, const TRect& box, TCustomBC& control) {
  const TPDF417& settings = control.PDF417();
  control.SetErrorMessage(erOK);
  int cols = settings.Cols();
  int rowCount = settings.Rows();
  const std::vector<std::string> rows =
      PDF417BuildRows(control.Text(), cols, rowCount, settings.Truncated(), settings.Mode(),
                      settings.SecurityLevel());
  const int width = box.Right - box.Left;
  const int height = box.Bottom - box.Top;
  if (!rows.empty() && static_cast<int>(rows[0].size()) > width)
    control.SetErrorMessage(erSmallPaintBox);

  if (control.ErrorMessage() == erOK ||
      (control.ErrorMessage() == erSmallPaintBox && settings.PaintIfSmall())) {
    canvas.Pen = TPen{control.Color_Lines(), psSolid, 1, pmCopy};
    canvas.Brush = TBrush{control.Color_Lines(), bsSolid};
    // Rows share the height like modules share the width: row i ends on line
    // ceil((i + 1) * H / R), so together they fill the box exactly.
    const long long r = static_cast<long long>(rows.size());
    long long acc = 0;
    int y = box.Top;
    TDrawScratch& scratch = DrawScratchOf(control);
    std::vector<TRect>& bars = scratch.Bars;
    // Every row has the same length, so one map of module columns serves them all.
    TColumnMap& map = scratch.Map;
    std::size_t mapped = 0;  // the row length map was made for; 0 before the first row
    for (const std::string& row : rows) {
      acc -= height;
      int h = 0;
      if (acc < 0) {
        const long long steps = (-acc + r - 1) / r;
        acc += steps * r;
        h = static_cast<int>(steps);
      }
      const TRect rowBox{box.Left, y, box.Right, y + h};
      y += h;
      if (mapped != row.size()) {
        ScaleColumnsInto(static_cast<int>(row.size()), width, control.CompleteDraw(), map);
        mapped = row.size();
      }
      if (map.OutOfBox) control.SetErrorMessage(erOutOfSecurityBox);
      if (h > 0 && !map.Starts.empty()) DrawMappedRow(canvas, rowBox, row, map, bars);
    }
    return;
  }

  // Refused: the message centred in the box instead of the symbol.
  canvas.Font.SetName("Arial");
  canvas.Font.SetSize(8);
  canvas.Font.SetColor(clBlack);
  canvas.Font.SetStyle(0);
  canvas.Font.SetEscapement(0);
  canvas.Brush = TBrush{clWhite, bsSolid};
  canvas.FillRect(box);
  const std::string message = control.ErrorText();
  const int textHeight = canvas.WrappedTextHeight(width, message);
  const int down = (height - textHeight) / 2;
  canvas.DrawTextCentered(TRect{box.Left, box.Top + down, box.Right, box.Bottom + down}, message);
}

}  // namespace brevix
