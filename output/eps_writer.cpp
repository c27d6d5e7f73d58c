#include <cmath>

#include "output/vector_format.h"
#include "output/vector_writers.h"

namespace brevix {

namespace {

using vector::AppendNumber;

}  // namespace

void WriteEps(const TDrawing& d, std::string& out) {
  vector::RequireContent(d);
  const double scale = d.ModuleMm * vector::kPointsPerMm;  // points per module
  const double width = d.TurnedWidth() * scale, height = d.TurnedHeight() * scale;
  out += "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 ";
  AppendNumber(out, std::ceil(width));
  out += ' ';
  AppendNumber(out, std::ceil(height));
  out += "\n%%HiResBoundingBox: 0 0 ";
  AppendNumber(out, width);
  out += ' ';
  AppendNumber(out, height);
  out += "\n%%Creator: Brevix\n%%LanguageLevel: 2\n%%Pages: 1\n%%EndComments\n";
  out += "%%Page: 1 1\nsave\n";
  // Module units with y downward, then the drawing's turn.
  out += "0 ";
  AppendNumber(out, height);
  out += " translate ";
  AppendNumber(out, scale);
  out += ' ';
  AppendNumber(out, -scale);
  out += " scale\n";
  const vector::TMatrix turn = vector::TurnMatrix(d);
  if (!vector::IsIdentity(turn)) {
    out += '[';
    vector::AppendMatrix(out, turn);
    out += "] concat\n";
  }
  if (!d.Transparent) {
    vector::AppendRgb(out, d.Background);
    out += " setrgbcolor ";
    vector::AppendBox(out, 0, 0, d.Width, d.Height, "rectfill");
  }
  vector::AppendRgb(out, d.Foreground);
  out += " setrgbcolor\n";
  for (const TDrawRect& r : d.Bars) vector::AppendBox(out, r.X, r.Y, r.W, r.H, "rectfill");
  if (!d.Texts.empty()) {
    // Helvetica with the Latin-1 encoding, so that the code page's accented letters show.
    out +=
        "/Helvetica findfont dup length dict begin {1 index /FID ne {def} {pop pop} ifelse} "
        "forall /Encoding ISOLatin1Encoding def currentdict end /Helvetica-Latin1 exch "
        "definefont pop\n";
    for (const TTextRun& t : d.Texts) {
      // Text is set upright in a y-upward space at its baseline point.
      out += "gsave ";
      AppendNumber(out, t.X);
      out += ' ';
      AppendNumber(out, t.Baseline);
      out += " translate 1 -1 scale /Helvetica-Latin1 findfont ";
      AppendNumber(out, t.Size);
      out += " scalefont setfont 0 0 moveto ";
      vector::AppendLiteralString(out, t.Text);
      if (t.Anchor == TTextAnchor::Middle) out += " dup stringwidth pop -2 div 0 rmoveto";
      out += " show grestore\n";
    }
  }
  out += "restore\nshowpage\n%%EOF\n";
}

}  // namespace brevix
