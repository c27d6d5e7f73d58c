#include "render/draw.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/control.h"
#include "core/symbologies.h"
#include "encoders/ean_upc.h"
#include "render/captions_paint.h"
#include "render/dark_runs.h"
#include "render/matrix_draw.h"
#include "render/module_paint.h"
#include "render/pdf417_draw.h"
#include "render/rotate.h"

namespace brevix {

namespace {

// Top and bottom insets of one bar, decided by its last pixel column.
struct TBarInsets {
  int Top = 0;
  int Bottom = 0;
};

TBarInsets BarInsets(char last, bool afterAddOnMark, const TCustomBC& control, int boxHeight,
                     int captionHeight) {
  if (last == kHalfBar) return {boxHeight / 2, 0};
  // Without a caption the bars keep their whole height.
  const TSymbologyDescriptor& row = DescriptorOf(control.TypeBar());
  if (row.Caption == TCaptionLayout::None) return {0, 0};
  TBarInsets in;
  // Add-on bars leave room above them for the add-on digits.
  if (afterAddOnMark) in.Top = captionHeight;
  if (last == kGuardBar)
    in.Bottom = control.ShortUpcGuards() && row.ShortUpc ? captionHeight / 2 : 0;
  else
    in.Bottom = control.ShowCodeCaption() ? captionHeight : 0;
  return in;
}

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

// Largest side of a drawing box: as large as the biggest bitmap the image writers accept.
constexpr long long kMaxBoxSide = 32767;

}  // namespace

void DrawBarCode(TCanvas& canvas, const TRect& rect, TCustomBC& control) {
  if (control.Text().empty()) return;
  const TFontRestore restore(canvas, control.Font());
  if (control.ModuleWidth() > 0) {
    DrawModuleMode(canvas, rect, control);
    if (control.OnPaint) {
      TRect r = rect;
      control.OnPaint(&control, r, control.Text());
    }
    return;
  }
  const TPoint centre{static_cast<int>((static_cast<long long>(rect.Left) + rect.Right) / 2),
                      static_cast<int>((static_cast<long long>(rect.Top) + rect.Bottom) / 2)};
  // PDF417 is never turned: it stays upright in the control's own rectangle at every angle, where
  // a box fitted for a quarter turn, its sides swapped, would run off the picture.
  const bool pdf417 = control.TypeBar() == csCodePDF417;
  TRect box = pdf417 ? rect : FitBox(rect, control.AngleDegrees());
  if (static_cast<long long>(box.Right) - box.Left > kMaxBoxSide ||
      static_cast<long long>(box.Bottom) - box.Top > kMaxBoxSide)
    // A size far beyond any surface (a ratio or size out of range) would cost a pixel row of
    // gigabytes and as many steps, for pixels no surface shows.
    control.SetErrorMessage(erOutOfSecurityBox);
  else if (pdf417)
    DrawPDF417(canvas, box, control);
  else if (IsMatrixSymbology(control.TypeBar()))
    DrawMatrix(canvas, rect, control);
  else
    DrawLinear(canvas, box, control, control.Text(), centre, true);
  if (control.OnPaint) {
    TRect r = rect;
    control.OnPaint(&control, r, control.Text());
  }
}

TDrawScratch& DrawScratchOf(TCustomBC& control) {
  TCustomBC::TDrawScratchPtr& scratch = control.DrawScratch();
  if (!scratch)
    scratch = TCustomBC::TDrawScratchPtr(new TDrawScratch, [](TDrawScratch* s) { delete s; });
  return *scratch;
}

void DrawLinear(TCanvas& canvas, TRect& box, TCustomBC& control, std::string_view text,
                TPoint centre, bool paintTypeCaption) {
  const int angle = control.AngleDegrees();
  const TTypeBar typeBar = control.TypeBar();
  const TSymbologyDescriptor& row = DescriptorOf(typeBar);

  control.SetErrorMessage(erOK);
  const TEncodeResult encoded = control.EncodeText(text);
  std::string_view pattern = encoded.Pattern;
  TCaptionAnchors anchors = encoded.Anchors;
  std::string bookland;
  if (IsBookNumber(typeBar)) {
    bookland = BooklandToEAN13(text, typeBar);
    text = bookland;
  }

  const int width = box.Right - box.Left;
  if (width < static_cast<int>(pattern.size())) {
    pattern = {};
    control.SetErrorMessage(erSmallPaintBox);
  }
  // The caption is the text itself unless it needs a prefix or holds control characters.
  std::string captionStore;
  std::string_view caption = text;
  if (!row.CaptionPrefix.empty() || std::any_of(text.begin(), text.end(), [](char c) {
        return static_cast<unsigned char>(c) < 32;
      })) {
    captionStore = StripControlChars(std::string(row.CaptionPrefix) + std::string(text));
    caption = captionStore;
  }

  // The bars are drawn from the column each module starts on; the pixel pattern itself is
  // spelled out only when the control is asked for it.
  TDrawScratch& scratch = DrawScratchOf(control);
  const int length = static_cast<int>(pattern.size());
  int drawnWidth = 0;  // pixel columns of the scaled pattern; 0 when there is none
  if (length > 0) {
    TColumnMap& columns = scratch.Map;
    ScaleColumnsInto(length, width, control.CompleteDraw(), columns);
    if (columns.OutOfBox) control.SetErrorMessage(erOutOfSecurityBox);
    if (!columns.Starts.empty()) {
      drawnWidth = columns.Starts.back();
      anchors = ScaleAnchors(anchors, length, width, control.CompleteDraw());
    }
    if (control.ErrorMessage() != erOK) return;
  }

  canvas.Brush.Color = control.Color_Back();
  canvas.Brush.Style = bsSolid;
  canvas.Pen.Color = control.Color_Back();
  if (drawnWidth == 0) {
    DrawErrorDisplay(canvas, box, control, centre);
    return;
  }
  // The background and the bars go to the canvas as one batch of fills, in drawing order, laid
  // out in the upright box and turned as they are handed over. They are written into room for
  // every bar (at most one per two modules, rounded up), the background and two bearer bars, which
  // the scratch keeps from paint to paint.
  const std::size_t most = static_cast<std::size_t>(length) / 2 + 4;
  if (scratch.Fills.size() < most) scratch.Fills.resize(most);
  TRectFill* const fills = scratch.Fills.data();
  TRectFill* out = fills;
  const auto handOver = [&] {
    const std::span<const TRectFill> batch{fills, out};
    out = fills;
    if (angle == 0) {
      canvas.FillUprightQuads(batch);
      return;
    }
    std::vector<TQuadFill>& quads = scratch.Quads;
    quads.clear();
    for (const TRectFill& f : batch) quads.push_back(RotatedQuad(f.R, centre, angle, f.Color));
    canvas.FillQuads(quads);
  };
  if (!control.Transparent()) *out++ = TRectFill{box, control.Color_Back()};
  canvas.BkMode = control.Transparent() ? bkTransparent : bkOpaque;
  control.SetDrawnPattern(pattern, width, control.CompleteDraw());

  if (paintTypeCaption && !control.TypeCaption().Caption().empty()) {
    // The type caption is written over the background and under the bars.
    handOver();
    PaintCaption(control.TypeCaption(), canvas, box, centre, angle, drawnWidth);
  }

  canvas.Font.Assign(control.Font());
  canvas.Pen.Width = 1;
  canvas.Pen.Color = control.Color_Lines();
  canvas.Brush.Color = control.Color_Lines();
  canvas.Brush.Style = bsSolid;

  ChooseCodeCaptionFont(canvas, control, text, caption, anchors);
  // The caption's height places the caption and shortens the bars above it; add-on bars drop by
  // it even without a caption, and short UPC guards by half of it. Measured only when used.
  const bool needHeight = control.ShowCodeCaption() ||
                          pattern.find(kAddOnMark) != std::string_view::npos ||
                          (control.ShortUpcGuards() && row.ShortUpc &&
                           pattern.find(kGuardBar) != std::string_view::npos);
  const int h = needHeight ? canvas.TextHeight(text) : 0;
  const TColor bars = control.Color_Lines();

  // The bars are the runs of dark modules: every module has at least one pixel column here (the
  // box is at least as wide as the pattern), so a run of dark modules is exactly a run of dark
  // columns, from the first module's start to the start of the module after the last.
  const int* const starts = scratch.Map.Starts.data();
  const int boxHeight = box.Bottom - box.Top;
  const char* const p = pattern.data();
  // Bars after an add-on mark (the mark that closes a run counts for that run) are add-on bars.
  const std::size_t firstMark = pattern.find(kAddOnMark);
  // A bar's insets follow from its last module (plain, guard or half bar) and whether it is an
  // add-on bar: six cases, settled before the loop that runs for every bar of every paint.
  TBarInsets insets[2][3];
  for (const bool addOn : {false, true}) {
    insets[addOn][0] = BarInsets(kBar, addOn, control, boxHeight, h);
    insets[addOn][1] = BarInsets(kGuardBar, addOn, control, boxHeight, h);
    insets[addOn][2] = BarInsets(kHalfBar, addOn, control, boxHeight, h);
  }
  const auto insetsOf = [&](std::size_t end) -> const TBarInsets& {
    const char c = p[end - 1];
    return insets[firstMark <= end][c == kGuardBar ? 1 : c == kHalfBar ? 2 : 0];
  };
  // The box in locals: the stores of the bars cannot change them.
  const int left = box.Left, top = box.Top, bottom = box.Bottom;
  ForEachDarkRun(pattern, [&](std::size_t start, std::size_t end) {
    const TBarInsets& in = insetsOf(end);
    *out++ = {{left + starts[start], top + in.Top, left + starts[end], bottom - in.Bottom}, bars};
  });

  if (row.Bearers) {
    // Bearer bars along the top and bottom of the bars, twice as thick as the first bar; the
    // lower one's bottom is level with the last bar's.
    const std::size_t firstDark = pattern.find_first_of(kDarkModules);
    const std::size_t lastDark = pattern.find_last_of(kDarkModules);
    int firstBar = 0;
    TBarInsets last;
    if (firstDark != std::string_view::npos) {
      const std::size_t firstEnd =
          std::min(pattern.find_first_not_of(kDarkModules, firstDark), pattern.size());
      firstBar = starts[firstEnd] - starts[firstDark];
      last = insetsOf(lastDark + 1);
    }
    const int right = box.Left + drawnWidth;
    *out++ = {{box.Left, box.Top, right, box.Top + 2 * firstBar}, bars};
    *out++ = {{box.Left, box.Bottom - last.Bottom - 2 * firstBar, right, box.Bottom - last.Bottom},
              bars};
  }
  handOver();

  canvas.Brush.Color = control.Color_Lines();
  if (control.ShowCodeCaption())
    PaintCodeCaption(canvas, control, text, caption, TCaptionPlace{box, centre, angle, anchors, h});
  PaintBearerLines(canvas, control.HorzLines(), box, centre, angle);
  control.SetErrorMessage(erOK);
}

void DrawErrorDisplay(TCanvas& canvas, const TRect& box, const TCustomBC& control, TPoint centre) {
  if (canvas.IsPrinter()) return;
  const int angle = control.AngleDegrees();
  // The lines run along the box like every other text, so they stay inside the control in every
  // orientation.
  SetFontAngle(canvas.Font, angle);
  canvas.Font.SetSize(8);
  canvas.Font.SetColor(RGBColor(255, 0, 0));
  canvas.Font.SetStyle(fsBold);
  TextOutRotated(canvas, box.Left, box.Top, "ERROR:" + control.ErrorText(), angle, centre);
  canvas.Font.SetColor(clBlack);
  canvas.Font.SetStyle(fsUnderline);
  TextOutRotated(canvas, box.Left, box.Top + 12, "Code: :", angle, centre);
  canvas.Font.SetStyle(0);
  TextOutRotated(canvas, box.Left, box.Top + 24, control.Text(), angle, centre);
}

}  // namespace brevix
