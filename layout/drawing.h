#pragma once
// A laid-out barcode: bars and text runs in an upright box, y downward, plus one turn for the
// whole drawing. Backends serialise it. Two layouts make one:
//   module mode (layout/module_layout.h): device-independent, measured in modules, whole pixels
//     per module and quiet zones; the Bars and Texts below.
//   box mode (layout/box_layout.h): the control's own picture, stretched over its box in device
//     pixels and captioned by the device's font metrics; the Steps below, painted in order.

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "../platform/canvas.h"

namespace brevix {

// [X, X + W) x [Y, Y + H) in modules.
struct TDrawRect {
  double X = 0;
  double Y = 0;
  double W = 0;
  double H = 0;

  friend bool operator==(const TDrawRect&, const TDrawRect&) = default;
};

// A module-mode length at ppm pixels per module, rounded half away from zero as std::lround
// rounds it, without a library call per edge: a drawing of a large symbol has thousands.
inline int ModulePixels(double modules, int ppm) {
  const double v = modules * ppm;
  if (!(v > -1e9 && v < 1e9)) return static_cast<int>(std::lround(v));
  const auto whole = static_cast<long long>(v);        // toward zero
  const double rest = v - static_cast<double>(whole);  // exact
  return static_cast<int>(rest >= 0.5 ? whole + 1 : rest <= -0.5 ? whole - 1 : whole);
}

enum class TTextAnchor : std::uint8_t { Start, Middle };

// One line of text: its reference point is on the baseline, at the start or the middle of the
// text; Size is the em height in modules.
struct TTextRun {
  std::string Text;
  double X = 0;
  double Baseline = 0;
  double Size = 0;
  TTextAnchor Anchor = TTextAnchor::Middle;

  friend bool operator==(const TTextRun&, const TTextRun&) = default;
};

// The font captions are written in: a sans-serif face whose metrics every platform has (the
// raster canvas finds a metric-compatible face through fontconfig).
inline constexpr const char* kCaptionFont = "Arial";

// --- Box mode: device pixels, y down, drawn in the order of the steps ---------------------------

// What one step of a box drawing does. Turned steps lie in the upright box and are turned about
// the drawing's Centre by its Angle as they are drawn; the others go to the device as they are.
enum class TBoxStepKind : std::uint8_t {
  Fills,           // Fills[From, To), each rectangle in its colour, turned (background, bars);
                   // the device's pen and brush are in Color before and after
  Rows,            // Rects[From, To) in Color, upright: one row of a stacked symbol
  Rect,            // Rects[From] filled in Color, upright
  Text,            // PixelTexts[From], its top-left corner at Box's, turned; background clear
  WrappedText,     // PixelTexts[From] word-wrapped and centred in Box, clipped to it, upright
  Line,            // Lines[From], turned, with its pen
  BackgroundMode,  // the device's background mode (kind of TBkMode in From) for what follows:
                   // opaque fills the gaps of dashed lines and text cells
};

struct TBoxStep {
  TBoxStepKind Kind = TBoxStepKind::Fills;
  TColor Color = clBlack;
  std::uint32_t From = 0;
  std::uint32_t To = 0;
};

struct TPixelText {
  std::string Text;
  TRect Box;  // Text: Left and Top place it; WrappedText: the box it is centred and clipped in
  // Its font in the drawing's Fonts: face, height, colour, style and the escapement that turns
  // the glyphs.
  std::uint32_t Font = 0;
  // The device's brush while the text is written. The text's background is transparent, but a
  // recorded metafile notes the brush colour as the background colour of the text.
  TBrush Brush;
};

// From From to To, the last point excluded.
struct TPixelLine {
  TPoint From;
  TPoint To;
  TPen Pen;
};

struct TDrawing {
  double Width = 0;  // the upright box, in modules
  double Height = 0;
  // Counter-clockwise quarter turns on screen, as the control turns: 0, 90, 180 or 270. At 90 the
  // symbol's left end comes to the bottom.
  int Angle = 0;
  std::vector<TDrawRect> Bars;  // one rectangle per bar, in drawing order
  std::vector<TTextRun> Texts;
  TColor Foreground = clBlack;
  TColor Background = clWhite;
  bool Transparent = false;  // no background: the picture shows what lies beneath
  // Device figures the layout settled: whole pixels per module for raster output, the
  // resolution written into files, and the physical module width vector output is scaled to.
  int PixelsPerModule = 1;
  int Dpi = kPixelsPerInch;
  double ModuleMm = 25.4 / kPixelsPerInch;

  // Box mode.
  TPoint Centre;  // what turned steps turn about
  std::vector<TBoxStep> Steps;
  std::vector<TRectFill> Fills;
  std::vector<TRect> Rects;
  std::vector<TPixelText> PixelTexts;
  std::vector<TFont> Fonts;  // the fonts of PixelTexts, each once in a row
  std::vector<TPixelLine> Lines;

  // Empties the box and both modes' content, keeping the lists' storage for the next drawing.
  void ClearContent() {
    Width = Height = 0;
    Bars.clear();
    Texts.clear();
    Steps.clear();
    Fills.clear();
    Rects.clear();
    PixelTexts.clear();
    Fonts.clear();
    Lines.clear();
  }

  bool Quarter() const { return Angle == 90 || Angle == 270; }
  // The turned picture's size in modules.
  double TurnedWidth() const { return Quarter() ? Height : Width; }
  double TurnedHeight() const { return Quarter() ? Width : Height; }
};

// Where the point (x, y) of the upright box lands in the turned picture, in the same units; w and
// h are the upright box's size.
struct TTurnedPoint {
  double X = 0;
  double Y = 0;
};
inline TTurnedPoint TurnPoint(double x, double y, double w, double h, int angle) {
  switch (angle) {
    case 90:
      return {y, w - x};
    case 180:
      return {w - x, h - y};
    case 270:
      return {h - y, x};
    default:
      return {x, y};
  }
}

}  // namespace brevix
