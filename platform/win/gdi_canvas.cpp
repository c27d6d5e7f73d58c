#include "platform/win/gdi_canvas.h"

#include <olectl.h>

#include <algorithm>
#include <vector>

namespace brevix::win {
namespace {

int GdiPenStyle(TPenStyle s) {
  switch (s) {
    case psDash:
      return PS_DASH;
    case psDot:
      return PS_DOT;
    case psDashDot:
      return PS_DASHDOT;
    case psDashDotDot:
      return PS_DASHDOTDOT;
    case psClear:
      return PS_NULL;
    case psSolid:
      break;
  }
  return PS_SOLID;
}

int GdiRop2(TPenMode m) {
  switch (m) {
    case pmNot:
      return R2_NOT;
    case pmXor:
      return R2_XORPEN;
    case pmCopy:
      break;
  }
  return R2_COPYPEN;
}

bool SamePen(const TPen& a, const TPen& b) {
  return a.Color == b.Color && a.Style == b.Style && a.Width == b.Width;
}

int TextLength(std::string_view text) {
  return static_cast<int>(std::min<std::size_t>(text.size(), 0x7FFFFFFF));
}

}  // namespace

COLORREF ResolveColor(TColor c) {
  COLORREF rgb = 0;
  if (SUCCEEDED(OleTranslateColor(static_cast<OLE_COLOR>(c), nullptr, &rgb)) && (rgb >> 24) == 0) {
    return rgb;
  }
  return c & 0x00FFFFFFu;
}

LOGFONTA LogFontOf(const TFont& f) {
  LOGFONTA lf{};
  lf.lfHeight = f.Height();
  lf.lfWidth = 0;
  lf.lfEscapement = f.Escapement();
  lf.lfOrientation = 0;
  lf.lfWeight = (f.Style() & fsBold) ? FW_BOLD : FW_NORMAL;
  lf.lfItalic = (f.Style() & fsItalic) ? TRUE : FALSE;
  lf.lfUnderline = (f.Style() & fsUnderline) ? TRUE : FALSE;
  lf.lfStrikeOut = (f.Style() & fsStrikeOut) ? TRUE : FALSE;
  lf.lfCharSet = f.Charset();
  // TrueType only: raster fonts cannot turn, and every drawing must look the same on any device.
  lf.lfOutPrecision = OUT_TT_ONLY_PRECIS;
  lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  lf.lfQuality = PROOF_QUALITY;
  lf.lfPitchAndFamily = VARIABLE_PITCH;
  const std::string& name = f.Name();
  const std::size_t n = std::min(name.size(), std::size_t{LF_FACESIZE - 1});
  std::copy_n(name.begin(), n, lf.lfFaceName);
  lf.lfFaceName[n] = '\0';
  return lf;
}

TGdiCanvas::TGdiCanvas(HDC dc) : FDC(dc), FSavedDC(SaveDC(dc)) {}

TGdiCanvas::~TGdiCanvas() {
  RestoreDC(FDC, FSavedDC);
  if (FPen) DeleteObject(FPen);
  if (FBrush) DeleteObject(FBrush);
  if (FFont) DeleteObject(FFont);
}

void TGdiCanvas::UsePen() {
  if (!FPen || !SamePen(FPenState, Pen)) {
    HPEN pen = CreatePen(GdiPenStyle(Pen.Style), Pen.Width, ResolveColor(Pen.Color));
    SelectObject(FDC, pen);
    if (FPen) DeleteObject(FPen);
    FPen = pen;
    FPenState = Pen;
  }
  SetROP2(FDC, GdiRop2(Pen.Mode));
}

void TGdiCanvas::UseBrush() {
  if (!FBrush || FBrushState.Color != Brush.Color || FBrushState.Style != Brush.Style) {
    HBRUSH brush = Brush.Style == bsClear ? static_cast<HBRUSH>(GetStockObject(NULL_BRUSH))
                                          : CreateSolidBrush(ResolveColor(Brush.Color));
    SelectObject(FDC, brush);
    // Stock objects are never deleted; keep track only of brushes made here.
    if (FBrush && FBrushState.Style != bsClear) DeleteObject(FBrush);
    FBrush = brush;
    FBrushState = Brush;
  }
}

void TGdiCanvas::UseFont() {
  if (!FFont || !FFontState.SameAs(Font)) {
    const LOGFONTA lf = LogFontOf(Font);
    HFONT font = CreateFontIndirectA(&lf);
    SelectObject(FDC, font);
    if (FFont) DeleteObject(FFont);
    FFont = font;
    FFontState.Assign(Font);
  }
}

void TGdiCanvas::UseTextState() {
  UseFont();
  SetTextAlign(FDC, TextAlign);
  SetBkMode(FDC, BkMode == bkTransparent ? TRANSPARENT : OPAQUE);
  SetBkColor(FDC, ResolveColor(Brush.Color));
  SetTextColor(FDC, ResolveColor(Font.Color()));
}

void TGdiCanvas::Polygon(std::span<const TPoint> points) {
  if (points.empty()) return;
  std::vector<POINT> pts(points.size());
  std::transform(points.begin(), points.end(), pts.begin(), [](const TPoint& p) {
    return POINT{p.X, p.Y};
  });
  UsePen();
  UseBrush();
  ::Polygon(FDC, pts.data(), static_cast<int>(pts.size()));
}

void TGdiCanvas::FillRect(const TRect& r) {
  if (Brush.Style == bsClear) return;
  const RECT rc{r.Left, r.Top, r.Right, r.Bottom};
  HBRUSH brush = CreateSolidBrush(ResolveColor(Brush.Color));
  ::FillRect(FDC, &rc, brush);
  DeleteObject(brush);
}

void TGdiCanvas::Line(int x1, int y1, int x2, int y2) {
  UsePen();
  MoveToEx(FDC, x1, y1, nullptr);
  LineTo(FDC, x2, y2);
}

void TGdiCanvas::TextOut(int x, int y, std::string_view text) {
  UseTextState();
  TextOutA(FDC, x, y, text.data(), TextLength(text));
}

TSize TGdiCanvas::TextExtent(std::string_view text) {
  UseFont();
  SIZE size{};
  GetTextExtentPoint32A(FDC, text.data(), TextLength(text), &size);
  return TSize{size.cx, size.cy};
}

void TGdiCanvas::DrawTextCentered(const TRect& r, std::string_view text) {
  UseTextState();
  // DrawText aligns by its own flags; the reference point alignment must not shift it.
  SetTextAlign(FDC, TA_LEFT | TA_TOP);
  RECT rc{r.Left, r.Top, r.Right, r.Bottom};
  DrawTextA(FDC, text.data(), TextLength(text), &rc, DT_CENTER | DT_WORDBREAK | DT_NOPREFIX);
}

bool TGdiCanvas::IsPrinter() const {
  return GetDeviceCaps(FDC, TECHNOLOGY) == DT_RASPRINTER;
}

}  // namespace brevix::win
