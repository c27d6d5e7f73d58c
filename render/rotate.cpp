#include "render/rotate.h"

namespace brevix {

void FillRotatedRect(TCanvas& canvas, const TRect& r, TPoint centre, int angle) {
  const TQuadFill q = RotatedQuad(r, centre, angle, canvas.Brush.Color);
  canvas.Pen.Style = psClear;
  canvas.Polygon(q.Corners);
}

void TextOutRotated(TCanvas& canvas, int x, int y, std::string_view text, int angle,
                    TPoint centre) {
  const TPoint p = RotatePoint({x, y}, centre, angle);
  canvas.TextAlign = kTaLeft | kTaTop;
  canvas.BkMode = bkTransparent;
  canvas.TextOut(p.X, p.Y, text);
}

void SetFontAngle(TFont& font, int angle) {
  font.SetEscapement(angle * 10);
}

}  // namespace brevix
