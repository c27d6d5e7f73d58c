#pragma once
// The canvas on a GDI device context: windows, memory bitmaps, metafiles and printers. Pen, brush
// and font state is turned into GDI objects when a primitive runs; the objects are kept until the
// state changes and released with the canvas, which restores the DC's original selection.

#include <windows.h>

#include <string>

#include "platform/canvas.h"

namespace brevix::win {

class TGdiCanvas : public TCanvas {
 public:
  explicit TGdiCanvas(HDC dc);
  ~TGdiCanvas() override;
  TGdiCanvas(const TGdiCanvas&) = delete;
  TGdiCanvas& operator=(const TGdiCanvas&) = delete;

  HDC Handle() const { return FDC; }

  void Polygon(std::span<const TPoint> points) override;
  void FillRect(const TRect& r) override;
  void Line(int x1, int y1, int x2, int y2) override;
  void TextOut(int x, int y, std::string_view text) override;
  TSize TextExtent(std::string_view text) override;
  void DrawTextCentered(const TRect& r, std::string_view text) override;
  bool IsPrinter() const override;

 private:
  void UsePen();
  void UseBrush();
  void UseFont();
  void UseTextState();

  HDC FDC;
  int FSavedDC;
  HPEN FPen = nullptr;
  TPen FPenState;
  HBRUSH FBrush = nullptr;
  TBrush FBrushState;
  HFONT FFont = nullptr;
  TFont FFontState;
};

// The RGB value GDI paints for a colour: a host's OLE_COLOR may name a system colour (high bit
// set, the low byte its index), which is looked up now, so the picture follows the system's
// scheme. A value that names nothing known keeps its RGB bytes.
COLORREF ResolveColor(TColor c);

// A logical font for f: an explicit TrueType face at f's height and escapement.
LOGFONTA LogFontOf(const TFont& f);

}  // namespace brevix::win
