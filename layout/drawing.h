#pragma once
// A laid-out barcode, independent of any device: bars and text runs in an upright box measured in
// modules, y downward, plus one turn for the whole drawing. Backends serialise it.

#include <cstdint>
#include <string>
#include <vector>

#include "../platform/graphics.h"

namespace brevix {

// [X, X + W) x [Y, Y + H) in modules.
struct TDrawRect {
  double X = 0;
  double Y = 0;
  double W = 0;
  double H = 0;

  friend bool operator==(const TDrawRect&, const TDrawRect&) = default;
};

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
