#include "output/vector_format.h"
#include "output/vector_writers.h"
#include "platform/codepage.h"

namespace brevix {

namespace {

using vector::AppendNumber;

void AppendEscaped(std::string& out, std::string_view utf8) {
  for (char c : utf8) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
}

}  // namespace

void WriteSvg(const TDrawing& d, std::string& out) {
  vector::RequireContent(d);
  out +=
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" "
      "version=\"1.1\" width=\"";
  AppendNumber(out, d.TurnedWidth() * d.ModuleMm);
  out += "mm\" height=\"";
  AppendNumber(out, d.TurnedHeight() * d.ModuleMm);
  out += "mm\" viewBox=\"0 0 ";
  AppendNumber(out, d.TurnedWidth());
  out += ' ';
  AppendNumber(out, d.TurnedHeight());
  // Bars end on whole modules: no antialiasing seams between them.
  out += "\" shape-rendering=\"crispEdges\">\n";
  const vector::TMatrix turn = vector::TurnMatrix(d);
  const bool turned = !vector::IsIdentity(turn);
  if (turned) {
    out += "<g transform=\"matrix(";
    vector::AppendMatrix(out, turn);
    out += ")\">\n";
  }
  if (!d.Transparent) {
    out += "<rect x=\"0\" y=\"0\" width=\"";
    AppendNumber(out, d.Width);
    out += "\" height=\"";
    AppendNumber(out, d.Height);
    out += "\" fill=\"";
    vector::AppendHexColor(out, d.Background);
    out += "\"/>\n";
  }
  if (!d.Bars.empty()) {
    // One subpath per bar.
    out += "<path fill=\"";
    vector::AppendHexColor(out, d.Foreground);
    out += "\" d=\"";
    for (const TDrawRect& r : d.Bars) {
      out += 'M';
      AppendNumber(out, r.X);
      out += ' ';
      AppendNumber(out, r.Y);
      out += 'h';
      AppendNumber(out, r.W);
      out += 'v';
      AppendNumber(out, r.H);
      out += 'h';
      AppendNumber(out, -r.W);
      out += 'Z';
    }
    out += "\"/>\n";
  }
  for (const TTextRun& t : d.Texts) {
    out += "<text x=\"";
    AppendNumber(out, t.X);
    out += "\" y=\"";
    AppendNumber(out, t.Baseline);
    out += "\" font-family=\"";
    out += kCaptionFont;
    out += ", Helvetica, sans-serif\" font-size=\"";
    AppendNumber(out, t.Size);
    out += "\" text-anchor=\"";
    out += t.Anchor == TTextAnchor::Middle ? "middle" : "start";
    out += "\" xml:space=\"preserve\" fill=\"";
    vector::AppendHexColor(out, d.Foreground);
    out += "\">";
    AppendEscaped(out, CodePageToUtf8(kDefaultCodePage, t.Text));
    out += "</text>\n";
  }
  if (turned) out += "</g>\n";
  out += "</svg>\n";
}

}  // namespace brevix
