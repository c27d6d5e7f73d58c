#include "render/draw.h"

#include <string>
#include <string_view>
#include <vector>

#include "core/control.h"
#include "core/symbologies.h"
#include "encoders/ean_upc.h"
#include "pdf417/pdf417.h"
#include "render/matrix_draw.h"
#include "render/module_paint.h"
#include "render/pdf417_draw.h"

namespace brevix {

namespace {

// Restores the canvas font to the control's font however the drawing ends.
class TFontRestore {
 public:
  TFontRestore(TCanvas& canvas, const TFont& font) : FCanvas(canvas), FFont(font) {}
  ~TFontRestore() { FCanvas.Font.Assign(FFont); }
  TFontRestore(const TFontRestore&) = delete;
  TFontRestore& operator=(const TFontRestore&) = delete;

 private:
  TCanvas& FCanvas;
  const TFont& FFont;
};

void FirePaint(TCustomBC& control, const TRect& rect) {
  if (control.OnPaint) {
    TRect r = rect;
    control.OnPaint(&control, r, control.Text());
  }
}

// Encodes text and lays the linear symbol out in box, recording the outcome in the control:
// its error and, when the symbol is drawn, its drawn pattern.
TBoxOutcome LayoutControlLinear(TCustomBC& control, const TRect& box, std::string_view text,
                                bool typeCaption, bool printer, TTextMetrics& metrics,
                                TPaintContext& context) {
  const TTypeBar typeBar = control.TypeBar();
  control.SetErrorMessage(erOK);
  const TEncodeResult encoded = control.EncodeText(text);
  // Book numbers show the EAN-13 number they are drawn as.
  std::string bookland;
  std::string_view shown = text;
  if (IsBookNumber(typeBar)) {
    bookland = BooklandToEAN13(text, typeBar);
    shown = bookland;
  }
  TLinearBoxOptions o;
  o.TypeBar = typeBar;
  o.Text = shown;
  o.ControlText = control.Text();
  o.Pattern = encoded.Pattern;
  o.Anchors = encoded.Anchors;
  o.Check = control.LastCheck();
  o.CompleteDraw = control.CompleteDraw();
  o.Transparent = control.Transparent();
  o.ShowCodeCaption = control.ShowCodeCaption();
  o.ShortUpcGuards = control.ShortUpcGuards();
  o.Printer = printer;
  o.Lines = control.Color_Lines();
  o.Back = control.Color_Back();
  o.Font = &control.Font();
  o.CodeFont = &control.CodeCaption().Font();
  o.CodeAutoSize = control.CodeCaption().AutoSize();
  o.TypeCaption = control.TypeCaption().Caption();
  o.TypeFont = &control.TypeCaption().Font();
  o.TypeAutoSize = control.TypeCaption().AutoSize();
  o.LinesPen = control.HorzLines().Pen();
  o.LinesCount = control.HorzLines().LinesCount();
  const TBoxOutcome out =
      LayoutLinearBox(box, o, typeCaption, metrics, context.Layout, context.Drawing);
  control.SetErrorMessage(out.Error);
  if (out.Drawn) control.SetDrawnPattern(encoded.Pattern, box.Right - box.Left, o.CompleteDraw);
  return out;
}

// Builds the PDF417 rows (raises EPDF417Error for a character the mode refuses) and lays them out
// over box, recording the outcome in the control.
void LayoutControlPDF417(TCustomBC& control, const TRect& box, TTextMetrics& metrics,
                         TPaintContext& context) {
  const TPDF417& settings = control.PDF417();
  control.SetErrorMessage(erOK);
  // Copies: the settings keep what they were given.
  int cols = settings.Cols();
  int rowCount = settings.Rows();
  const std::vector<std::string> rows =
      PDF417BuildRows(control.Text(), cols, rowCount, settings.Truncated(), settings.Mode(),
                      settings.SecurityLevel());
  TStackedBoxOptions o;
  o.Rows = &rows;
  o.CompleteDraw = control.CompleteDraw();
  o.PaintIfSmall = settings.PaintIfSmall();
  o.Lines = control.Color_Lines();
  o.Check = control.LastCheck();
  control.SetErrorMessage(LayoutStackedBox(box, o, metrics, context.Layout, context.Drawing).Error);
}

}  // namespace

TPaintContext& PaintContextOf(TCustomBC& control) {
  TCustomBC::TPaintContextPtr& context = control.PaintContext();
  if (!context)
    context = TCustomBC::TPaintContextPtr(new TPaintContext, [](TPaintContext* c) { delete c; });
  return *context;
}

void DrawBarCode(TCanvas& canvas, const TRect& rect, TCustomBC& control) {
  if (control.Text().empty()) return;
  DrawBarCode(canvas, rect, control, PaintContextOf(control));
}

void DrawBarCode(TCanvas& canvas, const TRect& rect, TCustomBC& control, TPaintContext& context) {
  if (control.Text().empty()) return;
  const TFontRestore restore(canvas, control.Font());
  if (control.ModuleWidth() > 0) {
    DrawModuleMode(canvas, rect, control, context);
    FirePaint(control, rect);
    return;
  }
  const bool pdf417 = control.TypeBar() == csCodePDF417;
  const TBoxFrame frame = FrameBox(rect, control.AngleDegrees(), pdf417);
  if (frame.TooLarge) {
    control.SetErrorMessage(erOutOfSecurityBox);
  } else if (IsMatrixSymbology(control.TypeBar())) {
    DrawMatrix(canvas, rect, control);
  } else {
    // state -> box layout -> drawing -> canvas
    TCanvasMetrics metrics(canvas);
    TDrawing& drawing = context.Drawing;
    BeginBoxDrawing(frame.Centre, frame.Angle, drawing);
    if (pdf417)
      LayoutControlPDF417(control, frame.Box, metrics, context);
    else
      LayoutControlLinear(control, frame.Box, control.Text(), true, canvas.IsPrinter(), metrics,
                          context);
    PaintDrawing(canvas, drawing, context.Paint);
  }
  FirePaint(control, rect);
}

void DrawLinear(TCanvas& canvas, TRect& box, TCustomBC& control, std::string_view text,
                TPoint centre, bool paintTypeCaption) {
  TPaintContext& context = PaintContextOf(control);
  TCanvasMetrics metrics(canvas);
  BeginBoxDrawing(centre, control.AngleDegrees(), context.Drawing);
  box = LayoutControlLinear(control, box, text, paintTypeCaption, canvas.IsPrinter(), metrics,
                            context)
            .Box;
  PaintDrawing(canvas, context.Drawing, context.Paint);
}

void DrawPDF417(TCanvas& canvas, const TRect& box, TCustomBC& control) {
  TPaintContext& context = PaintContextOf(control);
  TCanvasMetrics metrics(canvas);
  BeginBoxDrawing(TPoint{}, 0, context.Drawing);
  LayoutControlPDF417(control, box, metrics, context);
  PaintDrawing(canvas, context.Drawing, context.Paint);
}

void DrawErrorDisplay(TCanvas& canvas, const TRect& box, const TCustomBC& control, TPoint centre) {
  if (canvas.IsPrinter()) return;
  TDrawing drawing;
  BeginBoxDrawing(centre, control.AngleDegrees(), drawing);
  LayoutErrorDisplay(box, control.ErrorText(), control.Text(), canvas.Font, canvas.Brush, drawing);
  TCanvasPaintScratch scratch;
  PaintDrawing(canvas, drawing, scratch);
}

}  // namespace brevix
