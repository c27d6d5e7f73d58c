#include "layout/box_layout.h"

#include <algorithm>
#include <cstdlib>
#include <string>

#include "core/symbologies.h"
#include "layout/dark_runs.h"
#include "layout/turn.h"

namespace brevix {

namespace {

// Largest side of a drawing box: as large as the biggest bitmap the image writers accept.
constexpr long long kMaxBoxSide = 32767;

constexpr double kMaxPoints = 100000;

// Top and bottom insets of one bar, decided by its last pixel column.
struct TBarInsets {
  int Top = 0;
  int Bottom = 0;
};

TBarInsets BarInsets(char last, bool afterAddOnMark, const TSymbologyDescriptor& row,
                     const TLinearBoxOptions& o, int boxHeight, int captionHeight) {
  if (last == kHalfBar) return {boxHeight / 2, 0};
  // Without a caption the bars keep their whole height.
  if (row.Caption == TCaptionLayout::None) return {0, 0};
  TBarInsets in;
  // Add-on bars leave room above them for the add-on digits.
  if (afterAddOnMark) in.Top = captionHeight;
  if (last == kGuardBar)
    in.Bottom = o.ShortUpcGuards && row.ShortUpc ? captionHeight / 2 : 0;
  else
    in.Bottom = o.ShowCodeCaption ? captionHeight : 0;
  return in;
}

// Characters from..to, 1-based and inclusive, of s; whatever of them s holds.
std::string Chars(std::string_view s, int from, int to) {
  if (from < 1) from = 1;
  const int size = static_cast<int>(s.size());
  if (from > size || to < from) return {};
  if (to > size) to = size;
  return std::string(
      s.substr(static_cast<std::size_t>(from - 1), static_cast<std::size_t>(to - from + 1)));
}

// Scales font so text w pixels wide would fill nine tenths of width.
void ScaleFontToFit(TFont& font, int width, int w) {
  if (w <= 0) return;
  const double size = static_cast<double>(font.Size()) * 0.9 * width / w;
  // Truncated like any point size; held within what a font height can express.
  font.SetSize(static_cast<int>(std::clamp(size, -kMaxPoints, kMaxPoints)));
}

void SetFontAngle(TFont& font, int angle) {
  font.SetEscapement(angle * 10);
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

// font's index in the drawing's fonts: texts in a row in one font share it.
std::uint32_t FontIndex(TDrawing& d, const TFont& font) {
  if (d.Fonts.empty() || !d.Fonts.back().SameAs(font)) d.Fonts.emplace_back().Assign(font);
  return static_cast<std::uint32_t>(d.Fonts.size() - 1);
}

// Appends a text with its top-left corner at (x, y) of the upright box.
void AddText(TDrawing& d, int x, int y, std::string_view s, const TFont& font,
             const TBrush& brush) {
  d.Steps.push_back(
      {TBoxStepKind::Text, clBlack, static_cast<std::uint32_t>(d.PixelTexts.size()), 0});
  TPixelText& t = d.PixelTexts.emplace_back();
  t.Text.assign(s);
  t.Box = TRect{x, y, x, y};
  t.Font = FontIndex(d, font);
  t.Brush = brush;
}

// The fills appended since from as one step, handed to the device in one batch.
void FlushFills(TDrawing& d, std::size_t& from, TColor colour) {
  d.Steps.push_back({TBoxStepKind::Fills, colour, static_cast<std::uint32_t>(from),
                     static_cast<std::uint32_t>(d.Fills.size())});
  from = d.Fills.size();
}

// The code caption's texts, laid out per symbology between the anchors (pixel offsets from the
// box's left), in font, which they may change.
class TCaptionWriter {
 public:
  TCaptionWriter(TDrawing& d, TTextMetrics& metrics, TFont& font, const TBrush& brush,
                 const TRect& box, const TCaptionAnchors& anchors, int captionHeight)
      : FDrawing(d),
        FMetrics(metrics),
        FFont(font),
        FBrush(brush),
        FBox(box),
        FAnchors(anchors),
        FCaptionY(box.Bottom - captionHeight) {}

  void At(int x, int y, std::string_view s) {
    AddText(FDrawing, FBox.Left + x, y, s, FFont, FBrush);
  }
  void AtCaptionLine(int x, std::string_view s) { At(x, FCaptionY, s); }
  // Centred between the pixel offsets a and b.
  void Centred(int a, int b, std::string_view s) {
    AtCaptionLine(a + (b - a - FMetrics.Extent(FFont, s).cx) / 2, s);
  }
  // The two digit groups under the bars and the add-on digits at the top, above the lowered
  // add-on bars.
  void DrawCaptionGroups(std::string_view t1, std::string_view t2, std::string_view t3) {
    Centred(FAnchors.LeftFrom, FAnchors.LeftTo, t1);
    Centred(FAnchors.RightFrom, FAnchors.RightTo, t2);
    At(FAnchors.AddOnFrom, FBox.Top, t3);
  }

  void Layout(TCaptionLayout layout, std::string_view text, std::string_view caption, int angle) {
    const TCaptionAnchors& a = FAnchors;
    const std::string_view c = caption;
    switch (layout) {
      case TCaptionLayout::EAN8:
        DrawCaptionGroups(Chars(c, 1, 4), Chars(c, 5, 8), Chars(c, 10, 14));
        break;
      case TCaptionLayout::EAN13:
        AtCaptionLine(0, Chars(c, 1, 1));
        DrawCaptionGroups(Chars(c, 2, 7), Chars(c, 8, 13), Chars(c, 15, 19));
        break;
      case TCaptionLayout::UPCA:
        AtCaptionLine(0, Chars(c, 1, 1));
        DrawCaptionGroups(Chars(c, 2, 6), Chars(c, 7, 11), Chars(c, 14, 18));
        AtCaptionLine(a.TrailFrom, Chars(c, 12, 12));
        break;
      case TCaptionLayout::UPCE: {
        DrawCaptionGroups(Chars(c, 2, 7), "", Chars(c, 10, 14));
        // The number system and check digits stand smaller beside the bars, on the box bottom.
        FFont.SetSize(RoundHalfEven(FFont.Size() * 0.75L));
        SetFontAngle(FFont, angle);
        const int y = FBox.Bottom - FMetrics.Extent(FFont, "1").cy;
        At(0, y, Chars(c, 1, 1));
        At(a.TrailFrom, y, Chars(c, 8, 8));
        break;
      }
      case TCaptionLayout::UPCShipping: {
        const std::string s = Chars(text, 1, 1) + "  " + Chars(text, 2, 3) + "  " +
                              Chars(text, 4, 8) + "  " + Chars(text, 9, 13) + "  " +
                              Chars(text, 14, 14);
        DrawCaptionGroups(s, "", Chars(text, 16, 21));
        break;
      }
      case TCaptionLayout::OPC:
        Centred(a.LeftFrom, a.LeftTo,
                Chars(c, 1, 5) + "-" + Chars(c, 6, 9) + "-" + Chars(c, 10, 10));
        break;
      case TCaptionLayout::None:
        break;
      case TCaptionLayout::Centred:
        Centred(a.LeftFrom, a.LeftTo, c);
        break;
    }
  }

 private:
  TDrawing& FDrawing;
  TTextMetrics& FMetrics;
  TFont& FFont;
  const TBrush& FBrush;
  const TRect& FBox;
  const TCaptionAnchors& FAnchors;
  int FCaptionY;
};

// LinesCount evenly spaced horizontal lines across the box, turned like the bars so that they
// cross the symbol in every orientation.
void LayoutBearerLines(const TPen& pen, int count, const TRect& box, TDrawing& d) {
  if (count <= 0) return;
  const long long step = (static_cast<long long>(box.Bottom) - box.Top) / (count + 1LL);
  // Lines closer than a pixel fall on one row: one stroke draws them all, whatever the count.
  const int strokes = step == 0 ? 1 : count;
  for (int k = 1; k <= strokes; ++k) {
    const int y = static_cast<int>(box.Top + k * step);
    d.Steps.push_back({TBoxStepKind::Line, clBlack, static_cast<std::uint32_t>(d.Lines.size()), 0});
    d.Lines.push_back(TPixelLine{{box.Left, y}, {box.Right, y}, pen});
  }
}

}  // namespace

TBoxFrame FrameBox(const TRect& rect, int angle, bool upright) {
  TBoxFrame f;
  f.Rect = rect;
  f.Angle = angle;
  f.Centre = TPoint{static_cast<int>((static_cast<long long>(rect.Left) + rect.Right) / 2),
                    static_cast<int>((static_cast<long long>(rect.Top) + rect.Bottom) / 2)};
  // An upright symbol stays in the control's own rectangle at every angle, where a box fitted for
  // a quarter turn, its sides swapped, would run off the picture.
  f.Box = upright ? rect : FitBox(rect, angle);
  // A size far beyond any surface would cost a pixel row of gigabytes and as many steps, for
  // pixels no surface shows.
  f.TooLarge = static_cast<long long>(f.Box.Right) - f.Box.Left > kMaxBoxSide ||
               static_cast<long long>(f.Box.Bottom) - f.Box.Top > kMaxBoxSide;
  return f;
}

void BeginBoxDrawing(TPoint centre, int angle, TDrawing& d) {
  d.ClearContent();
  d.Centre = centre;
  d.Angle = angle;
}

TBoxOutcome LayoutLinearBox(const TRect& boxIn, const TLinearBoxOptions& o, bool typeCaption,
                            TTextMetrics& metrics, TBoxScratch& scratch, TDrawing& d) {
  TBoxOutcome out;
  out.Box = boxIn;
  TRect& box = out.Box;
  out.Error = o.Check.Code;
  const TSymbologyDescriptor& row = DescriptorOf(o.TypeBar);
  const int angle = d.Angle;
  std::string_view pattern = o.Pattern;
  TCaptionAnchors anchors = o.Anchors;
  const std::string_view text = o.Text;

  const int width = box.Right - box.Left;
  if (width < static_cast<int>(pattern.size())) {
    pattern = {};
    out.Error = erSmallPaintBox;
  }
  // The caption is the text itself unless it needs a prefix or holds control characters.
  std::string captionStore;
  std::string_view caption = text;
  if (!row.CaptionPrefix.empty() || std::any_of(text.begin(), text.end(), [](char c) {
        return static_cast<unsigned char>(c) < 32;
      })) {
    captionStore = StripControlChars(std::string(row.CaptionPrefix) + std::string(text));
    caption = captionStore;
  }

  // The bars are drawn from the column each module starts on.
  const int length = static_cast<int>(pattern.size());
  int drawnWidth = 0;  // pixel columns of the scaled pattern; 0 when there is none
  if (length > 0) {
    TColumnMap& columns = scratch.Map;
    ScaleColumnsInto(length, width, o.CompleteDraw, columns);
    if (columns.OutOfBox) out.Error = erOutOfSecurityBox;
    if (!columns.Starts.empty()) {
      drawnWidth = columns.Starts.back();
      anchors = ScaleAnchors(anchors, length, width, o.CompleteDraw);
    }
    // An error with a pattern to draw: nothing at all is drawn.
    if (out.Error != erOK) return out;
  }
  if (drawnWidth == 0) {
    if (!o.Printer)
      LayoutErrorDisplay(
          box,
          CheckErrorText(TTextCheck{out.Error, o.Check.Position, o.Check.BadChar, o.Check.MustBe,
                                    out.Error == o.Check.Code ? o.Check.Detail : std::string()}),
          o.ControlText, metrics.DeviceFont(), TBrush{o.Back, bsSolid}, d);
    return out;
  }
  out.Drawn = true;

  // The background and the bars go to the device as batches of fills, in drawing order: the
  // background alone when the type caption is written over it and under the bars.
  d.Steps.push_back({TBoxStepKind::BackgroundMode, clBlack,
                     static_cast<std::uint32_t>(o.Transparent ? bkTransparent : bkOpaque), 0});
  std::size_t batch = d.Fills.size();
  if (!o.Transparent) d.Fills.push_back(TRectFill{box, o.Back});

  TFont font;
  if (typeCaption && !o.TypeCaption.empty()) {
    FlushFills(d, batch, o.Back);
    // The type caption, left-aligned at the top over the drawn width; the box's top moves below
    // it.
    const std::string_view s = o.TypeCaption;
    font.Assign(*o.TypeFont);
    if (o.TypeAutoSize) ScaleFontToFit(font, drawnWidth, metrics.Extent(font, s).cx);
    SetFontAngle(font, angle);
    const int lineHeight = RoundHalfEven(std::abs(font.Height()) * 1.2L);
    const int y = box.Top;
    box.Top += lineHeight + 1;
    AddText(d, box.Left, y, s, font, TBrush{o.Back, bsSolid});
  }

  // The caption's height places the caption and shortens the bars above it; add-on bars drop by
  // it even without a caption, and short UPC guards by half of it. Measured only when used.
  const bool needHeight =
      o.ShowCodeCaption || pattern.find(kAddOnMark) != std::string_view::npos ||
      (o.ShortUpcGuards && row.ShortUpc && pattern.find(kGuardBar) != std::string_view::npos);
  int h = 0;
  if (needHeight) {
    // The code caption's font: the code caption's own, or with auto-size the control's font
    // scaled so that the reference text fills nine tenths of the first caption interval.
    if (!o.CodeAutoSize) {
      font.Assign(*o.CodeFont);
    } else {
      font.Assign(*o.Font);
      const std::string reference = AutoSizeReference(row, text, caption);
      ScaleFontToFit(font, anchors.LeftTo - anchors.LeftFrom, metrics.Extent(font, reference).cx);
    }
    h = metrics.Extent(font, text).cy;
  }
  const TColor bars = o.Lines;

  // The bars are the runs of dark modules: every module has at least one pixel column here (the
  // box is at least as wide as the pattern), so a run of dark modules is exactly a run of dark
  // columns, from the first module's start to the start of the module after the last.
  const int* const starts = scratch.Map.Starts.data();
  const int boxHeight = box.Bottom - box.Top;
  const char* const p = pattern.data();
  // Bars after an add-on mark (the mark that closes a run counts for that run) are add-on bars.
  const std::size_t firstMark = pattern.find(kAddOnMark);
  // A bar's insets follow from its last module (plain, guard or half bar) and whether it is an
  // add-on bar: six cases, settled before the loop that runs for every bar of every paint.
  TBarInsets insets[2][3];
  for (const bool addOn : {false, true}) {
    insets[addOn][0] = BarInsets(kBar, addOn, row, o, boxHeight, h);
    insets[addOn][1] = BarInsets(kGuardBar, addOn, row, o, boxHeight, h);
    insets[addOn][2] = BarInsets(kHalfBar, addOn, row, o, boxHeight, h);
  }
  const auto insetsOf = [&](std::size_t end) -> const TBarInsets& {
    const char c = p[end - 1];
    return insets[firstMark <= end][c == kGuardBar ? 1 : c == kHalfBar ? 2 : 0];
  };
  // The box in locals: the stores of the bars cannot change them.
  const int left = box.Left, top = box.Top, bottom = box.Bottom;
  // The bars are written into room for every bar (at most one per two modules, rounded up), which
  // the scratch keeps from drawing to drawing, then copied into the drawing at once.
  const std::size_t most = static_cast<std::size_t>(length) / 2 + 1;
  if (scratch.Bars.size() < most) scratch.Bars.resize(most);
  TRectFill* const first = scratch.Bars.data();
  TRectFill* next = first;
  ForEachDarkRun(pattern, [&](std::size_t start, std::size_t end) {
    const TBarInsets& in = insetsOf(end);
    *next++ = {{left + starts[start], top + in.Top, left + starts[end], bottom - in.Bottom}, bars};
  });
  std::vector<TRectFill>& fills = d.Fills;
  fills.insert(fills.end(), first, next);

  if (row.Bearers) {
    // Bearer bars along the top and bottom of the bars, twice as thick as the first bar; the
    // lower one's bottom is level with the last bar's.
    const std::size_t firstDark = pattern.find_first_of(kDarkModules);
    const std::size_t lastDark = pattern.find_last_of(kDarkModules);
    int firstBar = 0;
    TBarInsets last;
    if (firstDark != std::string_view::npos) {
      const std::size_t firstEnd =
          std::min(pattern.find_first_not_of(kDarkModules, firstDark), pattern.size());
      firstBar = starts[firstEnd] - starts[firstDark];
      last = insetsOf(lastDark + 1);
    }
    const int right = box.Left + drawnWidth;
    fills.push_back({{box.Left, box.Top, right, box.Top + 2 * firstBar}, bars});
    fills.push_back(
        {{box.Left, box.Bottom - last.Bottom - 2 * firstBar, right, box.Bottom - last.Bottom},
         bars});
  }
  FlushFills(d, batch, bars);

  if (o.ShowCodeCaption) {
    SetFontAngle(font, angle);
    TCaptionWriter(d, metrics, font, TBrush{bars, bsClear}, box, anchors, h)
        .Layout(row.Caption, text, caption, angle);
  }
  LayoutBearerLines(o.LinesPen, o.LinesCount, box, d);
  out.Error = erOK;
  return out;
}

void LayoutErrorDisplay(const TRect& box, std::string_view message, std::string_view text,
                        const TFont& deviceFont, const TBrush& brush, TDrawing& d) {
  // The lines run along the box like every other text, so they stay inside the control in every
  // orientation.
  TFont font;
  font.Assign(deviceFont);
  SetFontAngle(font, d.Angle);
  font.SetSize(8);
  font.SetColor(RGBColor(255, 0, 0));
  font.SetStyle(fsBold);
  AddText(d, box.Left, box.Top, "ERROR:" + std::string(message), font, brush);
  font.SetColor(clBlack);
  font.SetStyle(fsUnderline);
  AddText(d, box.Left, box.Top + 12, "Code: :", font, brush);
  font.SetStyle(0);
  AddText(d, box.Left, box.Top + 24, text, font, brush);
}

TBoxOutcome LayoutStackedBox(const TRect& box, const TStackedBoxOptions& o, TTextMetrics& metrics,
                             TBoxScratch& scratch, TDrawing& d) {
  TBoxOutcome out;
  out.Box = box;
  const std::vector<std::string>& rows = *o.Rows;
  const int width = box.Right - box.Left;
  const int height = box.Bottom - box.Top;
  if (!rows.empty() && static_cast<int>(rows[0].size()) > width) out.Error = erSmallPaintBox;

  if (out.Error == erOK || o.PaintIfSmall) {
    // Rows share the height like modules share the width: row i ends on line
    // ceil((i + 1) * H / R), so together they fill the box exactly.
    const long long r = static_cast<long long>(rows.size());
    long long acc = 0;
    int y = box.Top;
    // Every row has the same length, so one map of module columns serves them all.
    TColumnMap& map = scratch.Map;
    std::size_t mapped = 0;  // the row length map was made for; 0 before the first row
    for (const std::string& row : rows) {
      acc -= height;
      int h = 0;
      if (acc < 0) {
        const long long steps = (-acc + r - 1) / r;
        acc += steps * r;
        h = static_cast<int>(steps);
      }
      const int top = y, bottom = y + h;
      y += h;
      if (mapped != row.size()) {
        ScaleColumnsInto(static_cast<int>(row.size()), width, o.CompleteDraw, map);
        mapped = row.size();
      }
      if (map.OutOfBox) out.Error = erOutOfSecurityBox;
      if (h <= 0 || map.Starts.empty()) continue;
      // Each run of dark columns as one rectangle, exactly the rectangles of the expanded row.
      const std::size_t first = d.Rects.size();
      const int* const starts = map.Starts.data();
      ForEachDarkRun(row, [&](std::size_t start, std::size_t end) {
        const int from = box.Left + starts[start], to = box.Left + starts[end];
        if (from == to) return;  // modules that got no column
        if (d.Rects.size() > first && d.Rects.back().Right == from)
          d.Rects.back().Right = to;  // the light modules between got no column
        else
          d.Rects.push_back(TRect{from, top, to, bottom});
      });
      d.Steps.push_back({TBoxStepKind::Rows, o.Lines, static_cast<std::uint32_t>(first),
                         static_cast<std::uint32_t>(d.Rects.size())});
    }
    return out;
  }

  // Refused: the message centred in a white box instead of the symbol.
  TFont font;
  font.Assign(metrics.DeviceFont());
  font.SetName("Arial");
  font.SetSize(8);
  font.SetColor(clBlack);
  font.SetStyle(0);
  font.SetEscapement(0);
  d.Steps.push_back({TBoxStepKind::Rect, clWhite, static_cast<std::uint32_t>(d.Rects.size()), 0});
  d.Rects.push_back(box);
  const std::string message =
      CheckErrorText(TTextCheck{out.Error, o.Check.Position, o.Check.BadChar, o.Check.MustBe,
                                out.Error == o.Check.Code ? o.Check.Detail : std::string()});
  const int textHeight = metrics.WrappedHeight(font, width, message);
  const int down = (height - textHeight) / 2;
  d.Steps.push_back(
      {TBoxStepKind::WrappedText, clBlack, static_cast<std::uint32_t>(d.PixelTexts.size()), 0});
  TPixelText& t = d.PixelTexts.emplace_back();
  t.Text = message;
  t.Box = TRect{box.Left, box.Top + down, box.Right, box.Bottom + down};
  t.Font = FontIndex(d, font);
  return out;
}

}  // namespace brevix
