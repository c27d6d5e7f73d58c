#pragma once
// Number, colour and text spelling shared by the vector writers.

#include <string>
#include <string_view>

#include "../imagewriters/image_file.h"
#include "../layout/drawing.h"

namespace brevix::vector {

inline constexpr double kPointsPerMm = 72 / 25.4;

// Up to four decimals, no trailing zeros, never "-0": the same on every platform and locale.
void AppendNumber(std::string& out, double v);
// "#RRGGBB".
void AppendHexColor(std::string& out, TColor c);
// "r g b" in 0..1, for PostScript and PDF.
void AppendRgb(std::string& out, TColor c);
// A literal string as PostScript and PDF both read it: backslash and parentheses escaped, bytes
// outside printable ASCII as octal escapes (the font's encoding gives them their letters).
void AppendLiteralString(std::string& out, std::string_view text);
// "x y w h" and the operator, for PostScript's rectfill and PDF's re.
void AppendBox(std::string& out, double x, double y, double w, double h, std::string_view op);

// The turn of the drawing as the six numbers a b c d e f of x' = a x + c y + e,
// y' = b x + d y + f (SVG matrix(), PostScript concat, PDF cm), for the upright box's size.
struct TMatrix {
  double A = 1, B = 0, C = 0, D = 1, E = 0, F = 0;
};
TMatrix TurnMatrix(const TDrawing& drawing);
bool IsIdentity(const TMatrix& m);
void AppendMatrix(std::string& out, const TMatrix& m);

// Throws EImageEncodeError for a drawing with nothing in it.
void RequireContent(const TDrawing& drawing);

}  // namespace brevix::vector
