#include "output/canvas_paint.h"

#include <algorithm>
#include <cmath>

#include "layout/turn.h"

namespace brevix {

namespace {

// Module mode: bars and texts measured in modules.
void PaintModules(TCanvas& canvas, const TDrawing& d, TCanvasPaintScratch& scratch, TPoint origin) {
  const int ppm = d.PixelsPerModule;
  const int w = ModulePixels(d.Width, ppm), h = ModulePixels(d.Height, ppm);
  // A point of the upright picture, in pixels, where it lands on the canvas.
  const auto at = [&](int x, int y) {
    const TTurnedPoint p = TurnPoint(x, y, w, h, d.Angle);
    return TPoint{origin.X + static_cast<int>(p.X), origin.Y + static_cast<int>(p.Y)};
  };
  std::vector<TRect>& bars = scratch.Rects;
  bars.clear();
  for (const TDrawRect& r : d.Bars) {
    // Each edge rounded on its own, so that bars that meet stay joined.
    const TPoint a = at(ModulePixels(r.X, ppm), ModulePixels(r.Y, ppm));
    const TPoint b = at(ModulePixels(r.X + r.W, ppm), ModulePixels(r.Y + r.H, ppm));
    bars.push_back(
        TRect{std::min(a.X, b.X), std::min(a.Y, b.Y), std::max(a.X, b.X), std::max(a.Y, b.Y)});
  }
  canvas.Brush = TBrush{d.Foreground, bsSolid};
  canvas.FillRects(bars);
  if (d.Texts.empty()) return;
  canvas.BkMode = bkTransparent;
  canvas.Font.SetName(kCaptionFont);
  canvas.Font.SetColor(d.Foreground);
  canvas.Font.SetStyle(0);
  canvas.Font.SetEscapement(d.Angle * 10);
  for (const TTextRun& t : d.Texts) {
    canvas.Font.SetHeight(-std::max(1, ModulePixels(t.Size, ppm)));
    canvas.TextAlign = kTaBaseline | (t.Anchor == TTextAnchor::Middle ? kTaCenter : kTaLeft);
    const TPoint p = at(ModulePixels(t.X, ppm), ModulePixels(t.Baseline, ppm));
    canvas.TextOut(p.X, p.Y, t.Text);
  }
}

// Box mode: the steps in order.
void PaintSteps(TCanvas& canvas, const TDrawing& d, TCanvasPaintScratch& scratch) {
  // The font the canvas was given last here: texts in a row in one font set it once.
  std::size_t font = d.Fonts.size();
  const auto useFont = [&](std::uint32_t index) {
    if (index == font) return;
    canvas.Font.Assign(d.Fonts[index]);
    font = index;
  };
  for (const TBoxStep& step : d.Steps) {
    switch (step.Kind) {
      case TBoxStepKind::Fills: {
        const std::span<const TRectFill> batch{d.Fills.data() + step.From, step.To - step.From};
        canvas.Pen.Color = step.Color;
        canvas.Pen.Width = 1;
        canvas.Brush = TBrush{step.Color, bsSolid};
        if (d.Angle == 0) {
          canvas.FillUprightQuads(batch);
        } else {
          std::vector<TQuadFill>& quads = scratch.Quads;
          quads.clear();
          for (const TRectFill& f : batch)
            quads.push_back(RotatedQuad(f.R, d.Centre, d.Angle, f.Color));
          canvas.FillQuads(quads);
        }
        canvas.Brush.Color = step.Color;
        break;
      }
      case TBoxStepKind::Rows:
        canvas.Pen = TPen{step.Color, psSolid, 1, pmCopy};
        canvas.Brush = TBrush{step.Color, bsSolid};
        canvas.FillRects(std::span<const TRect>{d.Rects.data() + step.From, step.To - step.From});
        break;
      case TBoxStepKind::Rect:
        canvas.Brush = TBrush{step.Color, bsSolid};
        canvas.FillRect(d.Rects[step.From]);
        break;
      case TBoxStepKind::Text: {
        const TPixelText& t = d.PixelTexts[step.From];
        useFont(t.Font);
        const TPoint p = RotatePoint({t.Box.Left, t.Box.Top}, d.Centre, d.Angle);
        canvas.TextAlign = kTaLeft | kTaTop;
        canvas.BkMode = bkTransparent;
        canvas.Brush = t.Brush;
        canvas.TextOut(p.X, p.Y, t.Text);
        break;
      }
      case TBoxStepKind::WrappedText: {
        const TPixelText& t = d.PixelTexts[step.From];
        useFont(t.Font);
        canvas.DrawTextCentered(t.Box, t.Text);
        break;
      }
      case TBoxStepKind::Line: {
        const TPixelLine& line = d.Lines[step.From];
        const TPen saved = canvas.Pen;
        canvas.Pen = line.Pen;
        const TPoint from = RotatePoint(line.From, d.Centre, d.Angle);
        const TPoint to = RotatePoint(line.To, d.Centre, d.Angle);
        canvas.Line(from.X, from.Y, to.X, to.Y);
        canvas.Pen = saved;
        break;
      }
      case TBoxStepKind::BackgroundMode:
        canvas.BkMode = static_cast<TBkMode>(step.From);
        break;
    }
  }
}

}  // namespace

void PaintDrawing(TCanvas& canvas, const TDrawing& d, TCanvasPaintScratch& scratch, TPoint origin) {
  if (!d.Bars.empty() || !d.Texts.empty()) PaintModules(canvas, d, scratch, origin);
  PaintSteps(canvas, d, scratch);
}

}  // namespace brevix
