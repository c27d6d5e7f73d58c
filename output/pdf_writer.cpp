#include <array>
#include <cstdio>

#include "output/vector_format.h"
#include "output/vector_writers.h"

namespace brevix {

namespace {

using vector::AppendNumber;

// Advance widths of Helvetica's printable ASCII (32..126) in thousandths of an em, as its
// published metrics give them with the WinAnsi encoding: centring text needs them, since a PDF
// viewer places text only where it is told to.
constexpr std::array<int, 95> kHelveticaWidths{
    278,  278, 355, 556, 556, 889, 667, 191, 333, 333, 389, 584, 278, 333, 278, 278,  // ' '..'/'
    556,  556, 556, 556, 556, 556, 556, 556, 556, 556, 278, 278, 584, 584, 584, 556,  // '0'..'?'
    1015, 667, 667, 722, 722, 667, 611, 778, 722, 278, 500, 667, 556, 833, 722, 778,  // '@'..'O'
    667,  778, 722, 667, 611, 722, 667, 944, 667, 667, 611, 278, 278, 278, 469, 556,  // 'P'..'_'
    333,  556, 556, 500, 556, 556, 278, 556, 556, 222, 222, 500, 222, 833, 556, 556,  // '`'..'o'
    556,  556, 333, 500, 278, 556, 500, 722, 500, 500, 500, 334, 260, 334, 584};      // 'p'..'~'
// Characters outside that range are taken as a digit's width.
constexpr int kOtherWidth = 556;

double TextWidth(std::string_view text, double size) {
  int units = 0;
  for (char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    units += c >= 32 && c <= 126 ? kHelveticaWidths[c - 32] : kOtherWidth;
  }
  return units * size / 1000;
}

void AppendContent(const TDrawing& d, double scale, double height, std::string& s) {
  // Module units with y downward, then the drawing's turn.
  AppendNumber(s, scale);
  s += " 0 0 ";
  AppendNumber(s, -scale);
  s += " 0 ";
  AppendNumber(s, height);
  s += " cm\n";
  const vector::TMatrix turn = vector::TurnMatrix(d);
  if (!vector::IsIdentity(turn)) {
    vector::AppendMatrix(s, turn);
    s += " cm\n";
  }
  if (!d.Transparent) {
    vector::AppendRgb(s, d.Background);
    s += " rg ";
    vector::AppendBox(s, 0, 0, d.Width, d.Height, "re f");
  }
  vector::AppendRgb(s, d.Foreground);
  s += " rg\n";
  for (const TDrawRect& r : d.Bars) vector::AppendBox(s, r.X, r.Y, r.W, r.H, "re");
  if (!d.Bars.empty()) s += "f\n";
  for (const TTextRun& t : d.Texts) {
    // The text matrix turns y upward again, so that glyphs stand upright.
    const double x = t.Anchor == TTextAnchor::Middle ? t.X - TextWidth(t.Text, t.Size) / 2 : t.X;
    s += "BT /F1 1 Tf ";
    AppendNumber(s, t.Size);
    s += " 0 0 ";
    AppendNumber(s, -t.Size);
    s += ' ';
    AppendNumber(s, x);
    s += ' ';
    AppendNumber(s, t.Baseline);
    s += " Tm ";
    vector::AppendLiteralString(s, t.Text);
    s += " Tj ET\n";
  }
}

}  // namespace

void WritePdf(const TDrawing& d, std::string& out) {
  vector::RequireContent(d);
  const double scale = d.ModuleMm * vector::kPointsPerMm;  // points per module
  const double width = d.TurnedWidth() * scale, height = d.TurnedHeight() * scale;
  std::string content;
  AppendContent(d, scale, height, content);

  const std::size_t start = out.size();
  std::array<std::size_t, 5> offsets{};
  auto object = [&](int n) {
    offsets[static_cast<std::size_t>(n - 1)] = out.size() - start;
    out += std::to_string(n);
    out += " 0 obj\n";
  };
  // The binary comment line marks the file as binary for transfer programs.
  out += "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n";
  object(1);
  out += "<< /Type /Catalog /Pages 2 0 R >>\nendobj\n";
  object(2);
  out += "<< /Type /Pages /Kids [3 0 R] /Count 1 >>\nendobj\n";
  object(3);
  out += "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 ";
  AppendNumber(out, width);
  out += ' ';
  AppendNumber(out, height);
  out += "] /Resources << /Font << /F1 5 0 R >> >> /Contents 4 0 R >>\nendobj\n";
  object(4);
  out += "<< /Length ";
  out += std::to_string(content.size());
  out += " >>\nstream\n";
  out += content;
  out += "endstream\nendobj\n";
  object(5);
  out +=
      "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>\n"
      "endobj\n";
  const std::size_t xref = out.size() - start;
  out += "xref\n0 6\n0000000000 65535 f \n";
  char entry[24];
  for (std::size_t offset : offsets) {
    std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", offset);
    out += entry;
  }
  out += "trailer\n<< /Size 6 /Root 1 0 R >>\nstartxref\n";
  out += std::to_string(xref);
  out += "\n%%EOF\n";
}

}  // namespace brevix
