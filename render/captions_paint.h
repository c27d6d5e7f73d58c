#pragma once
// Painting of the type caption, the code caption and the bearer lines of a linear symbol.

#include <string>
#include <string_view>

#include "../core/captions.h"
#include "../core/pattern.h"
#include "../platform/canvas.h"

namespace brevix {

class TCustomBC;

// Where the captions of one drawing go: the upright box, its turn, the anchors in pixels and the
// caption height h that lowered the bars.
struct TCaptionPlace {
  TRect Box;
  TPoint Centre;
  int Angle = 0;
  TCaptionAnchors Anchors;
  int CaptionHeight = 0;
};

// The type caption left-aligned at the top of the box over the drawn width; box.Top moves below
// it. Nothing for an empty caption.
void PaintCaption(const TTypeCaption& caption, TCanvas& canvas, TRect& box, TPoint centre,
                  int angle, int drawnWidth);

// Sets the canvas font for the code caption: the code caption's font, or with auto-size the
// canvas font scaled so the reference text fills nine tenths of the first caption interval.
// text: what DrawLinear draws; caption: the same with its prefix, control characters removed.
void ChooseCodeCaptionFont(TCanvas& canvas, const TCustomBC& control, std::string_view text,
                           std::string_view caption, const TCaptionAnchors& anchors);

// The human-readable text under the bars, laid out for the control's symbology.
void PaintCodeCaption(TCanvas& canvas, const TCustomBC& control, std::string_view text,
                      std::string_view caption, const TCaptionPlace& place);

// LinesCount evenly spaced horizontal lines across the box with the lines' pen.
void PaintBearerLines(TCanvas& canvas, const TBarCodeHorzLines& lines, const TRect& box,
                      TPoint centre, int angle);

}  // namespace brevix
