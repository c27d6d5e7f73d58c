#pragma once
// QR Code and Data Matrix in the control's box: square modules as large as fit, centred.

#include <string>
#include <vector>

#include "../platform/canvas.h"

namespace brevix {

class TCustomBC;

// Builds the symbol from the control's text and settings and paints it in rect with its quiet
// zone (plus QuietZone modules) on every side: each module a square of whole pixels, as large as
// the box allows, the symbol centred and turned by the control's angle. A box too small for one
// pixel per module records erSmallPaintBox, a text the symbology refuses its error; both show the
// error display instead.
void DrawMatrix(TCanvas& canvas, const TRect& rect, TCustomBC& control);

// The module rows turned counter-clockwise by angle (0, 90, 180 or 270).
std::vector<std::string> TurnMatrix(const std::vector<std::string>& rows, int angle);

}  // namespace brevix
