#pragma once
// PDF417 stretched over the control's rectangle: never turned, no background, no captions. The
// layout is box mode's (layout/box_layout.h).

#include <string_view>
#include <vector>

#include "../platform/canvas.h"

namespace brevix {

class TCustomBC;

// Builds the rows from the control's text and PDF417 settings and paints them over the whole
// box; a box narrower than the symbol records erSmallPaintBox and still paints when the settings
// allow. Raises EPDF417Error for a character the mode refuses (nothing is drawn then).
void DrawPDF417(TCanvas& canvas, const TRect& box, TCustomBC& control);

// One scaled row: every run of dark pixel columns as one filled rectangle of the row's height.
void DrawModuleRow(TCanvas& canvas, const TRect& rowBox, std::string_view pixels);
// The same, gathering the rectangles in bars (reused from row to row).
void DrawModuleRow(TCanvas& canvas, const TRect& rowBox, std::string_view pixels,
                   std::vector<TRect>& bars);

}  // namespace brevix
