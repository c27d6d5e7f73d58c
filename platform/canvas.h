#pragma once
// The one drawing surface the renderer talks to. Its state (pen, brush, font, text alignment,
// background mode) is plain data read by the primitives when they run, as on the platform's
// canvas; implementations: the raster canvas (Linux bitmaps), the recording canvas (tests), the
// metafile canvas (WMF/EMF) and, on Windows, a GDI canvas.

#include <algorithm>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "graphics.h"

namespace brevix {

enum TPenStyle : std::uint8_t { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear };
enum TPenMode : std::uint8_t { pmCopy, pmNot, pmXor };
enum TBrushStyle : std::uint8_t { bsSolid, bsClear };
enum TBkMode : std::uint8_t { bkTransparent = 1, bkOpaque = 2 };

// Text alignment flags, with the platform's values (SetTextAlign).
inline constexpr unsigned kTaLeft = 0, kTaTop = 0, kTaRight = 2, kTaCenter = 6, kTaBottom = 8,
                          kTaBaseline = 24;

struct TPen {
  TColor Color = clBlack;
  TPenStyle Style = psSolid;
  int Width = 1;
  TPenMode Mode = pmCopy;
};

struct TBrush {
  TColor Color = clWhite;
  TBrushStyle Style = bsSolid;
};

// One shape of a batch fill: four corners and the colour it is filled with.
struct TQuadFill {
  TPoint Corners[4];
  TColor Color = clBlack;
};

// One upright rectangle of a batch fill and its colour: the quad of its corners from the top left
// clockwise, {Left, Top}, {Right, Top}, {Right, Bottom}, {Left, Bottom}.
struct TRectFill {
  TRect R;
  TColor Color = clBlack;
};

class TCanvas {
 public:
  virtual ~TCanvas() = default;

  TPen Pen;
  TBrush Brush;
  TFont Font;
  unsigned TextAlign = kTaLeft | kTaTop;
  TBkMode BkMode = bkOpaque;

  // Filled polygon: interior with the brush (unless bsClear), outline with the pen (unless
  // psClear). Filled areas cover pixels from the left/top edge up to right/bottom minus one.
  virtual void Polygon(std::span<const TPoint> points) = 0;
  // Fills [Left, Right) x [Top, Bottom) with the brush; no outline.
  virtual void FillRect(const TRect& r) = 0;
  // Fills the quads in order, each as Polygon with the pen clear and the brush in its colour;
  // the brush keeps the last one's colour. A barcode hands its background and bars over in one
  // batch, so a canvas may fill shapes that repeat row after row by copying rows.
  virtual void FillQuads(std::span<const TQuadFill> quads) {
    Pen.Style = psClear;
    for (const TQuadFill& q : quads) {
      Brush.Color = q.Color;
      Polygon(q.Corners);
    }
  }
  // FillQuads for the quads of the rectangles: an unturned barcode's background and bars, handed
  // over without spelling out four corners each.
  virtual void FillUprightQuads(std::span<const TRectFill> fills) {
    Pen.Style = psClear;
    for (const TRectFill& f : fills) {
      Brush.Color = f.Color;
      const TRect& r = f.R;
      const TPoint corners[4] = {
          {r.Left, r.Top}, {r.Right, r.Top}, {r.Right, r.Bottom}, {r.Left, r.Bottom}};
      Polygon(corners);
    }
  }
  // FillRect for each rectangle, in order.
  virtual void FillRects(std::span<const TRect> rects) {
    for (const TRect& r : rects) FillRect(r);
  }
  // Line from (x1, y1) to (x2, y2) with the pen, the last point excluded.
  virtual void Line(int x1, int y1, int x2, int y2) = 0;
  // Writes text at (x, y) with the font (its escapement turns the glyphs), the alignment and
  // the background mode (opaque: the text cell is filled with the brush colour).
  virtual void TextOut(int x, int y, std::string_view text) = 0;
  // Width and height of text in the current font, unturned.
  virtual TSize TextExtent(std::string_view text) = 0;
  // Word-wrapped text centred horizontally inside r, clipped to it.
  virtual void DrawTextCentered(const TRect& r, std::string_view text) = 0;
  // Height DrawTextCentered needs for text in a box width pixels wide. The default wraps with
  // WrapLines and TextExtent; a canvas whose platform wraps differently overrides it.
  virtual int WrappedTextHeight(int width, std::string_view text) {
    return static_cast<int>(WrapLines(width, text).size()) * TextHeight("Wg");
  }
  // True for a printer's canvas: the error display is not printed.
  virtual bool IsPrinter() const { return false; }

  int TextWidth(std::string_view text) { return TextExtent(text).cx; }
  int TextHeight(std::string_view text) { return TextExtent(text).cy; }

  // Breaks text into lines no wider than width at blanks and line feeds; a word wider than the
  // box keeps a line of its own rather than being cut.
  std::vector<std::string> WrapLines(int width, std::string_view text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start <= text.size()) {
      const std::size_t nl = text.find('\n', start);
      std::string_view para = text.substr(start, nl == std::string_view::npos ? nl : nl - start);
      std::string line;
      std::size_t i = 0;
      while (i < para.size()) {
        const std::size_t j = std::min(para.find(' ', i), para.size());
        const std::string_view word = para.substr(i, j - i);
        std::string candidate = line.empty() ? std::string(word) : line + " " + std::string(word);
        if (!line.empty() && TextWidth(candidate) > width) {
          lines.push_back(line);
          line = std::string(word);
        } else {
          line = std::move(candidate);
        }
        i = j + 1;
      }
      if (!line.empty() && line.back() == '\r') line.pop_back();
      lines.push_back(line);
      if (nl == std::string_view::npos) break;
      start = nl + 1;
    }
    return lines;
  }
};

}  // namespace brevix
