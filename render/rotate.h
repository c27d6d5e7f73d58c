#pragma once
// Turning drawing primitives about the centre of the drawing box: the symbol is laid out once in
// an upright box and every primitive is turned by the control's angle (0, 90, 180 or 270 degrees,
// counter-clockwise on screen).

#include <string>
#include <string_view>

#include "../platform/canvas.h"

namespace brevix {

// Nearest integer, ties to even.
int RoundHalfEven(long double v);

// p turned about centre by angle degrees: at 90 the left end of a symbol comes to the bottom.
TPoint RotatePoint(TPoint p, TPoint centre, int angle);
// Fills r turned about centre with the current brush; the pen is set to clear (no outline).
void FillRotatedRect(TCanvas& canvas, const TRect& r, TPoint centre, int angle);
// r turned about centre, as FillRotatedRect fills it, to be filled in colour by a batch.
TQuadFill RotatedQuad(const TRect& r, TPoint centre, int angle, TColor colour);
// Writes text with its top-left corner at (x, y) turned about centre, background transparent.
// The glyphs turn only if the font was prepared with SetFontAngle.
void TextOutRotated(TCanvas& canvas, int x, int y, std::string_view text, int angle, TPoint centre);
// Makes the font draw its glyphs turned by angle degrees.
void SetFontAngle(TFont& font, int angle);
// text without the characters below 32.
std::string StripControlChars(std::string_view text);

// The upright box that, turned by angle about the centre of rect, covers rect: rect itself at 0
// and 180 degrees, its transpose about the same centre at 90 and 270.
TRect FitBox(const TRect& rect, int angle);

}  // namespace brevix
