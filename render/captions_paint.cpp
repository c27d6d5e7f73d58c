#include "render/captions_paint.h"

#include <algorithm>
#include <cstdlib>

#include "core/control.h"
#include "core/symbologies.h"
#include "render/rotate.h"

namespace brevix {

namespace {

// Characters from..to, 1-based and inclusive, of s; whatever of them s holds.
std::string Chars(std::string_view s, int from, int to) {
  if (from < 1) from = 1;
  const int size = static_cast<int>(s.size());
  if (from > size || to < from) return {};
  if (to > size) to = size;
  return std::string(
      s.substr(static_cast<std::size_t>(from - 1), static_cast<std::size_t>(to - from + 1)));
}

constexpr double kMaxPoints = 100000;

// Scales the canvas font so text w pixels wide would fill nine tenths of width.
void ScaleFontToFit(TCanvas& canvas, int width, int w) {
  if (w <= 0) return;
  const double size = static_cast<double>(canvas.Font.Size()) * 0.9 * width / w;
  // Truncated like any point size; held within what a font height can express.
  canvas.Font.SetSize(static_cast<int>(std::clamp(size, -kMaxPoints, kMaxPoints)));
}

// The text whose width auto-size fits into the first caption interval.
std::string AutoSizeReference(const TSymbologyDescriptor& row, std::string_view text,
                              std::string_view caption) {
  switch (row.Caption) {
    case TCaptionLayout::EAN8:
      return Chars(text, 1, 4);
    case TCaptionLayout::EAN13:
    case TCaptionLayout::UPCE:
      return Chars(text, 2, 7);
    case TCaptionLayout::UPCA:
      return Chars(text, 2, 6);
    case TCaptionLayout::UPCShipping:
      return std::string(text) + "     ";
    case TCaptionLayout::OPC:
      return std::string(text) + "--";
    case TCaptionLayout::Centred:
    case TCaptionLayout::None:
      break;
  }
  // A caption with a prefix is fitted whole.
  return std::string(row.CaptionPrefix.empty() ? text : caption);
}

class TCaptionWriter {
 public:
  TCaptionWriter(TCanvas& canvas, const TCaptionPlace& place)
      : FCanvas(canvas), FPlace(place), FCaptionY(place.Box.Bottom - place.CaptionHeight) {}

  void At(int x, int y, std::string_view s) {
    TextOutRotated(FCanvas, FPlace.Box.Left + x, y, s, FPlace.Angle, FPlace.Centre);
  }
  void AtCaptionLine(int x, std::string_view s) { At(x, FCaptionY, s); }
  // Centred between the pixel offsets a and b.
  void Centred(int a, int b, std::string_view s) {
    AtCaptionLine(a + (b - a - FCanvas.TextWidth(s)) / 2, s);
  }
  // The two digit groups under the bars and the add-on digits at the top, above the lowered
  // add-on bars.
  void DrawCaptionGroups(std::string_view t1, std::string_view t2, std::string_view t3) {
    const TCaptionAnchors& a = FPlace.Anchors;
    FCanvas.Brush.Style = bsClear;
    Centred(a.LeftFrom, a.LeftTo, t1);
    Centred(a.RightFrom, a.RightTo, t2);
    At(a.AddOnFrom, FPlace.Box.Top, t3);
  }

 private:
  TCanvas& FCanvas;
  const TCaptionPlace& FPlace;
  int FCaptionY;
};

}  // namespace

void PaintCaption(const TTypeCaption& caption, TCanvas& canvas, TRect& box, TPoint centre,
                  int angle, int drawnWidth) {
  const std::string& s = caption.Caption();
  if (s.empty()) return;
  const TRect captionBox{box.Left, box.Top, box.Left + drawnWidth, box.Bottom};
  canvas.Font.Assign(caption.Font());
  if (caption.AutoSize()) ScaleFontToFit(canvas, captionBox.Width(), canvas.TextWidth(s));
  SetFontAngle(canvas.Font, angle);
  const int lineHeight = RoundHalfEven(std::abs(canvas.Font.Height()) * 1.2L);
  const int y = box.Top;
  box.Top += lineHeight + 1;
  TextOutRotated(canvas, captionBox.Left, y, s, angle, centre);
}

void ChooseCodeCaptionFont(TCanvas& canvas, const TCustomBC& control, std::string_view text,
                           std::string_view caption, const TCaptionAnchors& anchors) {
  if (!control.CodeCaption().AutoSize()) {
    canvas.Font.Assign(control.CodeCaption().Font());
    return;
  }
  const std::string reference = AutoSizeReference(DescriptorOf(control.TypeBar()), text, caption);
  ScaleFontToFit(canvas, anchors.LeftTo - anchors.LeftFrom, canvas.TextWidth(reference));
}

void PaintCodeCaption(TCanvas& canvas, const TCustomBC& control, std::string_view text,
                      std::string_view caption, const TCaptionPlace& place) {
  SetFontAngle(canvas.Font, place.Angle);
  canvas.Brush.Style = bsClear;
  TCaptionWriter w(canvas, place);
  const TCaptionAnchors& a = place.Anchors;
  const std::string_view c = caption;
  switch (DescriptorOf(control.TypeBar()).Caption) {
    case TCaptionLayout::EAN8:
      w.DrawCaptionGroups(Chars(c, 1, 4), Chars(c, 5, 8), Chars(c, 10, 14));
      break;
    case TCaptionLayout::EAN13:
      w.AtCaptionLine(0, Chars(c, 1, 1));
      w.DrawCaptionGroups(Chars(c, 2, 7), Chars(c, 8, 13), Chars(c, 15, 19));
      break;
    case TCaptionLayout::UPCA:
      w.AtCaptionLine(0, Chars(c, 1, 1));
      w.DrawCaptionGroups(Chars(c, 2, 6), Chars(c, 7, 11), Chars(c, 14, 18));
      w.AtCaptionLine(a.TrailFrom, Chars(c, 12, 12));
      break;
    case TCaptionLayout::UPCE: {
      w.DrawCaptionGroups(Chars(c, 2, 7), "", Chars(c, 10, 14));
      // The number system and check digits stand smaller beside the bars, on the box bottom.
      canvas.Font.SetSize(RoundHalfEven(canvas.Font.Size() * 0.75L));
      SetFontAngle(canvas.Font, place.Angle);
      const int y = place.Box.Bottom - canvas.TextHeight("1");
      w.At(0, y, Chars(c, 1, 1));
      w.At(a.TrailFrom, y, Chars(c, 8, 8));
      break;
    }
    case TCaptionLayout::UPCShipping: {
      const std::string s = Chars(text, 1, 1) + "  " + Chars(text, 2, 3) + "  " +
                            Chars(text, 4, 8) + "  " + Chars(text, 9, 13) + "  " +
                            Chars(text, 14, 14);
      w.DrawCaptionGroups(s, "", Chars(text, 16, 21));
      break;
    }
    case TCaptionLayout::OPC:
      w.Centred(a.LeftFrom, a.LeftTo,
                Chars(c, 1, 5) + "-" + Chars(c, 6, 9) + "-" + Chars(c, 10, 10));
      break;
    case TCaptionLayout::None:
      break;
    case TCaptionLayout::Centred:
      w.Centred(a.LeftFrom, a.LeftTo, c);
      break;
  }
}

void PaintBearerLines(TCanvas& canvas, const TBarCodeHorzLines& lines, const TRect& box,
                      TPoint centre, int angle) {
  const int count = lines.LinesCount();
  if (count <= 0) return;
  const TPen saved = canvas.Pen;
  canvas.Pen = lines.Pen();
  const long long step = (static_cast<long long>(box.Bottom) - box.Top) / (count + 1LL);
  // Lines closer than a pixel fall on one row: one stroke draws them all, whatever the count.
  const int strokes = step == 0 ? 1 : count;
  for (int k = 1; k <= strokes; ++k) {
    const int y = static_cast<int>(box.Top + k * step);
    // Turned like the bars, so the lines cross the symbol in every orientation.
    const TPoint from = RotatePoint({box.Left, y}, centre, angle);
    const TPoint to = RotatePoint({box.Right, y}, centre, angle);
    canvas.Line(from.X, from.Y, to.X, to.Y);
  }
  canvas.Pen = saved;
}

}  // namespace brevix
