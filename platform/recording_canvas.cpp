#include "platform/recording_canvas.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace brevix {

std::string TCanvasCall::Describe() const {
  static constexpr const char* kNames[] = {"Polygon", "FillRect", "Line", "TextOut",
                                           "DrawTextCentered"};
  char buf[160];
  std::string out = kNames[static_cast<int>(Op)];
  for (const TPoint& p : Points) {
    std::snprintf(buf, sizeof buf, " (%d,%d)", p.X, p.Y);
    out += buf;
  }
  if (Op == TCanvasOp::FillRect || Op == TCanvasOp::DrawTextCentered || Op == TCanvasOp::Polygon) {
    std::snprintf(buf, sizeof buf, " [%d,%d,%d,%d)", Rect.Left, Rect.Top, Rect.Right, Rect.Bottom);
    out += buf;
  }
  if (Op == TCanvasOp::TextOut || Op == TCanvasOp::DrawTextCentered) {
    std::snprintf(buf, sizeof buf, " font %s/%d/#%06x/%d esc %d", FontName.c_str(), FontHeight,
                  FontColor, FontStyle, Escapement);
    out += " \"" + Text + "\"" + buf;
  } else {
    std::snprintf(buf, sizeof buf, " brush #%06x pen #%06x", Brush.Color, Pen.Color);
    out += buf;
  }
  return out;
}

TCanvasCall TRecordingCanvas::Record(TCanvasOp op) const {
  TCanvasCall c;
  c.Op = op;
  c.Pen = Pen;
  c.Brush = Brush;
  c.FontName = Font.Name();
  c.FontHeight = Font.Height();
  c.FontColor = Font.Color();
  c.FontStyle = Font.Style();
  c.Escapement = Font.Escapement();
  c.TextAlign = TextAlign;
  c.BkMode = BkMode;
  return c;
}

void TRecordingCanvas::Polygon(std::span<const TPoint> points) {
  TCanvasCall c = Record(TCanvasOp::Polygon);
  c.Points.assign(points.begin(), points.end());
  if (!points.empty()) {
    c.Rect = TRect{points[0].X, points[0].Y, points[0].X, points[0].Y};
    for (const TPoint& p : points) {
      c.Rect.Left = std::min(c.Rect.Left, p.X);
      c.Rect.Top = std::min(c.Rect.Top, p.Y);
      c.Rect.Right = std::max(c.Rect.Right, p.X);
      c.Rect.Bottom = std::max(c.Rect.Bottom, p.Y);
    }
  }
  Calls.push_back(std::move(c));
}

void TRecordingCanvas::FillRect(const TRect& r) {
  TCanvasCall c = Record(TCanvasOp::FillRect);
  c.Rect = r;
  Calls.push_back(std::move(c));
}

void TRecordingCanvas::Line(int x1, int y1, int x2, int y2) {
  TCanvasCall c = Record(TCanvasOp::Line);
  c.Points = {TPoint{x1, y1}, TPoint{x2, y2}};
  Calls.push_back(std::move(c));
}

void TRecordingCanvas::TextOut(int x, int y, std::string_view text) {
  TCanvasCall c = Record(TCanvasOp::TextOut);
  c.Points = {TPoint{x, y}};
  c.Text = std::string(text);
  Calls.push_back(std::move(c));
}

int TRecordingCanvas::CharWidth() const {
  return std::abs(Font.Height()) / 2;
}

int TRecordingCanvas::LineHeight() const {
  return std::abs(Font.Height());
}

TSize TRecordingCanvas::TextExtent(std::string_view text) {
  return TSize{static_cast<int>(text.size()) * CharWidth(), LineHeight()};
}

void TRecordingCanvas::DrawTextCentered(const TRect& r, std::string_view text) {
  TCanvasCall c = Record(TCanvasOp::DrawTextCentered);
  c.Rect = r;
  c.Text = std::string(text);
  Calls.push_back(std::move(c));
}

std::vector<TCanvasCall> TRecordingCanvas::CallsOf(TCanvasOp op) const {
  std::vector<TCanvasCall> out;
  std::copy_if(Calls.begin(), Calls.end(), std::back_inserter(out),
               [op](const TCanvasCall& c) { return c.Op == op; });
  return out;
}

}  // namespace brevix
