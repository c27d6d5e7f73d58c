#include "render/matrix_draw.h"

#include <algorithm>

#include "core/control.h"
#include "encode/build_symbol.h"
#include "render/draw.h"
#include "render/module_paint.h"
#include "render/rotate.h"
#include "symbol/quiet_zones.h"

namespace brevix {

std::vector<std::string> TurnMatrix(const std::vector<std::string>& rows, int angle) {
  if (rows.empty() || (angle != 90 && angle != 180 && angle != 270)) return rows;
  const std::size_t h = rows.size(), w = rows.front().size();
  std::vector<std::string> out;
  if (angle == 180) {
    out.assign(h, std::string(w, '0'));
    for (std::size_t r = 0; r < h; ++r)
      for (std::size_t c = 0; c < w; ++c) out[h - 1 - r][w - 1 - c] = rows[r][c];
    return out;
  }
  // A quarter turn: at 90 the left column comes to the bottom row, at 270 to the top row.
  out.assign(w, std::string(h, '0'));
  for (std::size_t r = 0; r < h; ++r)
    for (std::size_t c = 0; c < w; ++c) {
      if (angle == 90)
        out[w - 1 - c][r] = rows[r][c];
      else
        out[c][h - 1 - r] = rows[r][c];
    }
  return out;
}

void DrawMatrix(TCanvas& canvas, const TRect& rect, TCustomBC& control) {
  const TBuiltSymbol built =
      BuildSymbol(control.TypeBar(), control.Text(), SymbolOptionsOf(control));
  const TPoint centre{static_cast<int>((static_cast<long long>(rect.Left) + rect.Right) / 2),
                      static_cast<int>((static_cast<long long>(rect.Top) + rect.Bottom) / 2)};
  const long long roomX = static_cast<long long>(rect.Right) - rect.Left;
  const long long roomY = static_cast<long long>(rect.Bottom) - rect.Top;
  if (!control.Transparent()) {
    canvas.Brush = TBrush{control.Color_Back(), bsSolid};
    canvas.FillRect(rect);
  }
  control.SetErrorDetail(built.Error.Code, built.Error.Position, built.Error.Message);
  long long size = 0;
  std::vector<std::string> rows;
  if (built.Ok()) {
    rows = TurnMatrix(built.Symbol.Rows, control.AngleDegrees());
    const TQuietZone zone = QuietZoneOf(built.Symbol, control.QuietZone());
    // The zone is the same on every side, so it turns with the symbol unchanged.
    const long long across = static_cast<long long>(rows.front().size()) + zone.Left + zone.Right;
    const long long down = static_cast<long long>(rows.size()) + zone.Top + zone.Bottom;
    size = std::min(roomX / across, roomY / down);
    if (size < 1) control.SetErrorMessage(erSmallPaintBox);
  }
  if (control.ErrorMessage() != erOK) {
    DrawErrorDisplay(canvas, FitBox(rect, control.AngleDegrees()), control, centre);
    return;
  }
  const long long width = size * static_cast<long long>(rows.front().size());
  const long long height = size * static_cast<long long>(rows.size());
  const long long left = rect.Left + (roomX - width) / 2;
  const long long top = rect.Top + (roomY - height) / 2;
  std::vector<TRect> bars;
  for (std::size_t r = 0; r < rows.size(); ++r) {
    const std::string& row = rows[r];
    const int y0 = static_cast<int>(top + static_cast<long long>(r) * size);
    for (std::size_t c = 0; c < row.size();) {
      if (row[c] != '1') {
        ++c;
        continue;
      }
      std::size_t e = c;
      while (e < row.size() && row[e] == '1') ++e;
      bars.push_back(TRect{static_cast<int>(left + static_cast<long long>(c) * size), y0,
                           static_cast<int>(left + static_cast<long long>(e) * size),
                           static_cast<int>(y0 + size)});
      c = e;
    }
  }
  canvas.Pen = TPen{control.Color_Lines(), psSolid, 1, pmCopy};
  canvas.Brush = TBrush{control.Color_Lines(), bsSolid};
  canvas.FillRects(bars);
}

}  // namespace brevix
