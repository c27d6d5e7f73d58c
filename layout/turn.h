#pragma once
// The geometry of box mode: a symbol is laid out once in an upright box and turned as a whole
// about the box's centre by the control's angle (0, 90, 180 or 270 degrees, counter-clockwise on
// screen). Pure functions of their arguments.

#include <string>
#include <string_view>

#include "../platform/canvas.h"

namespace brevix {

// Nearest integer, ties to even.
int RoundHalfEven(long double v);

// p turned about centre by angle degrees: at 90 the left end of a symbol comes to the bottom.
TPoint RotatePoint(TPoint p, TPoint centre, int angle);
// r turned about centre: its corners from the top left clockwise, to be filled in colour.
TQuadFill RotatedQuad(const TRect& r, TPoint centre, int angle, TColor colour);
// text without the characters below 32.
std::string StripControlChars(std::string_view text);

// The upright box that, turned by angle about the centre of rect, covers rect: rect itself at 0
// and 180 degrees, its transpose about the same centre at 90 and 270.
TRect FitBox(const TRect& rect, int angle);

}  // namespace brevix
