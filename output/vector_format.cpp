#include "output/vector_format.h"

#include <cassert>
#include <charconv>
#include <cmath>

#include "output/vector_writers.h"

namespace brevix::vector {

void AppendNumber(std::string& out, double v) {
  double r = std::round(v * 10000) / 10000;
  if (r == 0 || !std::isfinite(r)) r = 0;  // no "-0", no "nan"
  char buffer[64];
  const auto [end, ec] =
      std::to_chars(buffer, buffer + sizeof buffer, r, std::chars_format::fixed, 4);
  std::string_view s(buffer, ec == std::errc() ? static_cast<std::size_t>(end - buffer) : 0);
  if (s.find('.') != std::string_view::npos) {
    while (s.ends_with('0')) s.remove_suffix(1);
    if (s.ends_with('.')) s.remove_suffix(1);
  }
  out += s;
}

void AppendHexColor(std::string& out, TColor c) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  out += '#';
  for (int part : {ColorR(c), ColorG(c), ColorB(c)}) {
    out += kHex[part >> 4];
    out += kHex[part & 15];
  }
}

void AppendLiteralString(std::string& out, std::string_view text) {
  static constexpr char kOctal[] = "01234567";
  out += '(';
  for (char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    if (c == '\\' || c == '(' || c == ')') {
      out += '\\';
      out += ch;
    } else if (c < 32 || c > 126) {
      out += '\\';
      out += kOctal[c >> 6];
      out += kOctal[(c >> 3) & 7];
      out += kOctal[c & 7];
    } else {
      out += ch;
    }
  }
  out += ')';
}

void AppendBox(std::string& out, double x, double y, double w, double h, std::string_view op) {
  for (const double v : {x, y, w, h}) {
    AppendNumber(out, v);
    out += ' ';
  }
  out += op;
  out += '\n';
}

void AppendRgb(std::string& out, TColor c) {
  bool first = true;
  for (int part : {ColorR(c), ColorG(c), ColorB(c)}) {
    if (!first) out += ' ';
    first = false;
    AppendNumber(out, part / 255.0);
  }
}

TMatrix TurnMatrix(const TDrawing& d) {
  switch (d.Angle) {
    case 90:
      return {0, -1, 1, 0, 0, d.Width};
    case 180:
      return {-1, 0, 0, -1, d.Width, d.Height};
    case 270:
      return {0, 1, -1, 0, d.Height, 0};
    default:
      return {};
  }
}

bool IsIdentity(const TMatrix& m) {
  return m.A == 1 && m.B == 0 && m.C == 0 && m.D == 1 && m.E == 0 && m.F == 0;
}

void AppendMatrix(std::string& out, const TMatrix& m) {
  bool first = true;
  for (double v : {m.A, m.B, m.C, m.D, m.E, m.F}) {
    if (!first) out += ' ';
    first = false;
    AppendNumber(out, v);
  }
}

void RequireContent(const TDrawing& d) {
  if (!(d.Width > 0 && d.Height > 0)) throw EImageEncodeError("nothing to draw");
}

}  // namespace brevix::vector

namespace brevix {

void WriteVectorFile(TFileFormat format, const TDrawing& drawing, std::string& out) {
  assert(WriterKindOf(format) == TWriterKind::Vector);
  if (format == TFileFormat::Svg)
    WriteSvg(drawing, out);
  else if (format == TFileFormat::Eps)
    WriteEps(drawing, out);
  else
    WritePdf(drawing, out);
}

}  // namespace brevix
