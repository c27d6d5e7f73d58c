#pragma once
// Turned drawing primitives on a canvas: each turns its shape or its text position about the
// centre of the drawing box by the control's angle. The geometry itself is in layout/turn.h.

#include <string_view>

#include "../layout/turn.h"
#include "../platform/canvas.h"

namespace brevix {

// Fills r turned about centre with the current brush; the pen is set to clear (no outline).
void FillRotatedRect(TCanvas& canvas, const TRect& r, TPoint centre, int angle);
// Writes text with its top-left corner at (x, y) turned about centre, background transparent.
// The glyphs turn only if the font was prepared with SetFontAngle.
void TextOutRotated(TCanvas& canvas, int x, int y, std::string_view text, int angle, TPoint centre);
// Makes the font draw its glyphs turned by angle degrees.
void SetFontAngle(TFont& font, int angle);

}  // namespace brevix
