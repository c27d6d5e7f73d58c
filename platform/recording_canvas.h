#pragma once
// A canvas that draws nothing and remembers every call with the state it would have used, so
// tests can check what the renderer asked for. Text has a fixed metric: every character is half
// the font's pixel height wide (rounded down) and a line is the pixel height tall.

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "canvas.h"

namespace brevix {

enum class TCanvasOp : std::uint8_t { Polygon, FillRect, Line, TextOut, DrawTextCentered };

struct TCanvasCall {
  TCanvasOp Op = TCanvasOp::Polygon;
  std::vector<TPoint> Points;  // Polygon corners; Line: the two end points; TextOut: the origin
  TRect Rect;                  // FillRect, DrawTextCentered; Polygon: the corners' bounds
  std::string Text;
  TPen Pen;
  TBrush Brush;
  std::string FontName;
  int FontHeight = 0;
  TColor FontColor = clBlack;
  TFontStyles FontStyle = 0;
  int Escapement = 0;
  unsigned TextAlign = 0;
  TBkMode BkMode = bkOpaque;

  // One line for failure messages, e.g. "TextOut (10,20) \"ERROR:\" font Arial/-11/#0000ff/b".
  std::string Describe() const;
};

class TRecordingCanvas : public TCanvas {
 public:
  void Polygon(std::span<const TPoint> points) override;
  void FillRect(const TRect& r) override;
  void Line(int x1, int y1, int x2, int y2) override;
  void TextOut(int x, int y, std::string_view text) override;
  TSize TextExtent(std::string_view text) override;
  void DrawTextCentered(const TRect& r, std::string_view text) override;
  bool IsPrinter() const override { return Printer; }

  // Pretends to be a printer's canvas.
  bool Printer = false;
  std::vector<TCanvasCall> Calls;

  std::vector<TCanvasCall> CallsOf(TCanvasOp op) const;

  // Pixel width of one character and height of one line in the current font.
  int CharWidth() const;
  int LineHeight() const;

 private:
  TCanvasCall Record(TCanvasOp op) const;
};

}  // namespace brevix
