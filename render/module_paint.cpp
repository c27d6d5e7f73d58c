#include "render/module_paint.h"

#include <algorithm>
#include <cmath>

#include "core/control.h"
#include "core/symbologies.h"
#include "encode/build_symbol.h"
#include "layout/module_layout.h"
#include "layout/turn.h"
#include "output/canvas_paint.h"
#include "platform/codepage.h"
#include "render/draw.h"

namespace brevix {

namespace {}  // namespace

TSymbolOptions SymbolOptionsOf(const TCustomBC& control) {
  const TPDF417& pdf = control.PDF417();
  TSymbolOptions o;
  // The control's text carries its completed check characters already.
  o.CheckDigits = TCheckDigits::Complete;
  o.PDF417Mode = pdf.Mode();
  o.PDF417Level = pdf.SecurityLevel();
  o.PDF417Cols = pdf.Cols();
  o.PDF417Rows = pdf.Rows();
  o.PDF417Truncated = pdf.Truncated();
  o.QrLevel = control.QR_Level();
  o.QrMinVersion = control.QR_MinVersion();
  o.QrMask = control.QR_Mask();
  o.DmShape = control.DM_Shape();
  o.DmRows = control.DM_Rows();
  o.DmColumns = control.DM_Columns();
  o.Gs1 = control.GS1();
  o.CodePage = CodePageOfCharset(control.Font().Charset());
  return o;
}

TDrawing LayoutControl(const TCustomBC& control, int pixelsPerModule, TLastError* error) {
  TDrawing d;
  LayoutControl(control, pixelsPerModule, d, error);
  return d;
}

void LayoutControl(const TCustomBC& control, int pixelsPerModule, TDrawing& drawing,
                   TLastError* error) {
  const TBuiltSymbol built =
      BuildSymbol(control.TypeBar(), control.Text(), SymbolOptionsOf(control));
  if (error) *error = built.Error.Code;
  TModuleOptions o;
  o.PixelsPerModule = pixelsPerModule;
  if (control.Resolution() > 0) o.Dpi = control.Resolution();
  o.Margin = control.QuietZone();
  o.ShowText = control.ShowCodeCaption();
  o.Angle = control.AngleDegrees();
  o.Foreground = control.Color_Lines();
  o.Background = control.Color_Back();
  o.Transparent = control.Transparent();
  if (built.Ok())
    LayoutModuleMode(built.Symbol, o, drawing);
  else
    LayoutModuleMode(TSymbol{}, o, drawing);
}

TSize DrawingPixels(const TDrawing& d) {
  const int ppm = d.PixelsPerModule;
  return {ModulePixels(d.TurnedWidth(), ppm), ModulePixels(d.TurnedHeight(), ppm)};
}

TSize PictureSize(const TCustomBC& control) {
  if (control.ModuleWidth() > 0 && !control.Text().empty()) {
    const TDrawing d = LayoutControl(control, control.ModuleWidth());
    if (d.Width > 0) return DrawingPixels(d);
  }
  return {control.Width(), control.Height()};
}

void DrawModuleMode(TCanvas& canvas, const TRect& rect, TCustomBC& control,
                    TPaintContext& context) {
  TLastError error = erOK;
  TDrawing& d = context.Drawing;
  LayoutControl(control, control.ModuleWidth(), d, &error);
  const TSize size = DrawingPixels(d);
  const long long roomX = static_cast<long long>(rect.Right) - rect.Left;
  const long long roomY = static_cast<long long>(rect.Bottom) - rect.Top;
  if (error == erOK && (d.Width <= 0 || size.cx > roomX || size.cy > roomY))
    error = d.Width <= 0 ? erErrorInBarCode : erSmallPaintBox;
  const TTypeBar t = control.TypeBar();
  if (error != erOK && d.Width <= 0 &&
      (IsMatrixSymbology(t) || DescriptorOf(t).Check == TCheckRule::GS1)) {
    // Their refusals say more than a result code (the AI and the field, the capacity): the
    // error display shows the whole message.
    const TBuiltSymbol built = BuildSymbol(t, control.Text(), SymbolOptionsOf(control));
    control.SetErrorDetail(error, built.Error.Position, built.Error.Message);
  } else {
    control.SetErrorMessage(error);
  }
  if (!control.Transparent()) {
    canvas.Brush = TBrush{control.Color_Back(), bsSolid};
    canvas.FillRect(rect);
  }
  const TPoint centre{static_cast<int>((static_cast<long long>(rect.Left) + rect.Right) / 2),
                      static_cast<int>((static_cast<long long>(rect.Top) + rect.Bottom) / 2)};
  if (error != erOK) {
    DrawErrorDisplay(canvas, FitBox(rect, control.AngleDegrees()), control, centre);
    return;
  }
  PaintDrawing(canvas, d, context.Paint,
               TPoint{static_cast<int>(rect.Left + (roomX - size.cx) / 2),
                      static_cast<int>(rect.Top + (roomY - size.cy) / 2)});
}

}  // namespace brevix
