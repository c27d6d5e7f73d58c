// Linear symbols on the raster and recording canvases: bar columns and extents, orientations,
// captions, bearer bars and lines, the error display and the paint event.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "core/control.h"
#include "platform/raster_canvas.h"
#include "platform/recording_canvas.h"
#include "render/draw.h"
#include "render/rotate.h"

namespace brevix {
namespace {

std::unique_ptr<TBrevixBC> MakeControl(TTypeBar typeBar, const std::string& text,
                                       TDisplayType display) {
  auto bc = std::make_unique<TBrevixBC>();
  bc->SetTypeBar(typeBar);
  bc->SetDisplay(display);
  bc->SetText(text);
  return bc;
}

// A control area whose box gives every module exactly one pixel column: integer mode, and an even
// width because the box loses a pixel of an odd one to the halving about the centre.
TRect OnePixelPerModule(TCustomBC& bc, int height) {
  bc.SetCompleteDraw(true);
  const int modules = static_cast<int>(bc.Encode(bc.Text()).size());
  return TRect{0, 0, modules + modules % 2, height};
}

TRecordingCanvas Record(TCustomBC& bc, const TRect& rect) {
  TRecordingCanvas canvas;
  DrawBarCode(canvas, rect, bc);
  return canvas;
}

// The bar polygons' bounds: every polygon after the background.
std::vector<TRect> Bars(const TRecordingCanvas& canvas) {
  std::vector<TRect> out;
  const auto polygons = canvas.CallsOf(TCanvasOp::Polygon);
  for (std::size_t i = 1; i < polygons.size(); ++i) out.push_back(polygons[i].Rect);
  return out;
}

std::vector<TCanvasCall> Texts(const TRecordingCanvas& canvas) {
  return canvas.CallsOf(TCanvasOp::TextOut);
}

// The screen pixel a box pixel lands on when the box is turned about centre.
TPoint TurnPixel(int bx, int by, TPoint centre, int angle) {
  const double r = angle * 3.14159265358979323846 / 180;
  const double c = std::round(std::cos(r)), s = std::round(std::sin(r));
  const double dx = bx + 0.5 - centre.X, dy = by + 0.5 - centre.Y;
  return TPoint{static_cast<int>(std::floor(centre.X + dx * c + dy * s)),
                static_cast<int>(std::floor(centre.Y - dx * s + dy * c))};
}

TEST(RenderLinear, BarsFillTheScaledColumnsInEveryOrientation) {
  // No caption: every bar runs the full box height, so each box column is all bar or all space.
  const TRect area{0, 0, 200, 80};
  const TPoint centre{100, 40};
  for (bool completeDraw : {false, true})
    for (TAngleType angle : {csHorizontal, csVertical, csHorizontalMirrored, csVerticalMirrored}) {
      SCOPED_TRACE(std::to_string(angle) + (completeDraw ? " integer" : " fill"));
      auto bc = MakeControl(csCode_2_5_interleaved, "0123", csOutputNone);
      bc->SetAngle(angle);
      bc->SetCompleteDraw(completeDraw);
      const TRect box = FitBox(area, bc->AngleDegrees());
      const std::string pixels =
          ScalePattern(bc->Encode("0123"), {}, box.Width(), completeDraw).Pixels;
      ASSERT_FALSE(pixels.empty());

      TBitmap expected(200, 80, clRed);
      for (int by = box.Top; by < box.Bottom; ++by)
        for (int bx = box.Left; bx < box.Right; ++bx) {
          const std::size_t col = static_cast<std::size_t>(bx - box.Left);
          const bool dark = col < pixels.size() && IsDarkModule(pixels[col]);
          const TPoint p = TurnPixel(bx, by, centre, bc->AngleDegrees());
          if (p.X >= 0 && p.Y >= 0 && p.X < 200 && p.Y < 80)
            expected.SetPixel(p.X, p.Y, dark ? clBlack : clWhite);
        }
      TBitmap bmp(200, 80, clRed);
      TRasterCanvas canvas(bmp);
      DrawBarCode(canvas, area, *bc);
      EXPECT_EQ(bc->ErrorMessage(), erOK);
      EXPECT_EQ(bc->DrawnPattern(), pixels);
      for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 200; ++x)
          ASSERT_EQ(bmp.Pixel(x, y), expected.Pixel(x, y)) << "pixel " << x << "," << y;
    }
}

// Symbols of many lengths, so that runs of bars start and end on every side of the 64-module
// steps the bar scan works in: each pixel column of the picture is dark exactly where the pixel
// pattern has a dark character, in both scaling modes.
TEST(RenderLinear, BarsFollowThePixelPatternForEveryLength) {
  struct TCase {
    TTypeBar TypeBar;
    std::string Alphabet;
  };
  const TCase cases[] = {{csCode_2_5_interleaved, "0123456789"},
                         {csCode39, "A-B.C 1$2/3+4%"},
                         {csCode128, "Ab1!z~ 9"}};
  for (const TCase& c : cases)
    for (std::size_t n = 2; n <= 40; n += 2)
      for (const bool completeDraw : {false, true}) {
        std::string text;
        for (std::size_t i = 0; i < n; ++i) text += c.Alphabet[(i * 7) % c.Alphabet.size()];
        SCOPED_TRACE(text + (completeDraw ? " integer" : " fill"));
        auto bc = MakeControl(c.TypeBar, text, csOutputNone);
        bc->SetCompleteDraw(completeDraw);
        const int modules = static_cast<int>(bc->Encode(bc->Text()).size());
        ASSERT_GT(modules, 0);
        // Even, so that the box keeps every column (the halving about the centre drops one of an
        // odd width), and not always a multiple of the modules.
        const int width = 2 * modules + 6 + 2 * static_cast<int>(n % 5);
        TBitmap bmp(width, 4, clRed);
        TRasterCanvas canvas(bmp);
        DrawBarCode(canvas, {0, 0, width, 4}, *bc);
        ASSERT_EQ(bc->ErrorMessage(), erOK);
        const std::string& pixels = bc->DrawnPattern();
        ASSERT_EQ(pixels, ScalePattern(bc->Encode(bc->Text()), {}, width, completeDraw).Pixels);
        for (int x = 0; x < width; ++x) {
          const std::size_t col = static_cast<std::size_t>(x);
          const bool dark = col < pixels.size() && IsDarkModule(pixels[col]);
          ASSERT_EQ(bmp.Pixel(x, 3), dark ? clBlack : clWhite) << "column " << x;
        }
      }
}

TEST(RenderLinear, VerticalSymbolReadsFromBottomToTop) {
  auto bc = MakeControl(csCode_2_5_interleaved, "0123", csOutputNone);
  bc->SetAngle(csVertical);
  TBitmap bmp(200, 80);
  TRasterCanvas canvas(bmp);
  DrawBarCode(canvas, {0, 0, 200, 80}, *bc);
  // The symbol's left quiet zone is at the bottom, its first bar just above it; bars are rows.
  const std::string& pixels = bc->DrawnPattern();
  ASSERT_EQ(pixels.size(), 80u);
  const std::size_t first = pixels.find_first_of("12");
  for (int x = 0; x < 200; ++x) {
    EXPECT_EQ(bmp.Pixel(x, 79), clWhite);
    EXPECT_EQ(bmp.Pixel(x, 79 - static_cast<int>(first)), clBlack);
  }
}

TEST(RenderLinear, BarExtentsFollowTheirKind) {
  // Boxes exactly as wide as the pattern: every module one pixel. The caption font is Arial 8,
  // 11 pixels high on the recording canvas, so h = 11.
  struct Row {
    const char* name;
    TTypeBar typeBar;
    const char* text;
    TDisplayType display;
    int modules;
    int longBars;       // bars that reach further down than the rest
    int longBottom;     // where those end
    int shortBottom;    // where the others end
    int addOnFrom = 0;  // first pixel of the add-on bars, lowered by h; 0: none
  };
  const Row rows[] = {
      {"EAN-13 guards to the bottom", csCodeEAN13, "9771210107001", csOutputCode, 103, 6, 100, 89},
      {"EAN-13 add-on lowered", csCodeEAN13, "9771210107001 12", csOutputCode, 133, 6, 100, 89,
       113},
      {"EAN-13 add-on lowered without caption", csCodeEAN13, "9771210107001 12", csOutputNone, 125,
       6, 100, 100, 105},
      // UPC guards and the first and last digits stop half a caption height short.
      {"UPC-A short guards", csCodeUPC_A, "012345678905", csOutputCode, 112, 10, 95, 89},
      {"UPC-A short guards without caption", csCodeUPC_A, "012345678905", csOutputNone, 95, 10, 95,
       100},
      {"UPC-E short guards", csCodeUPC_E0, "01234565", csOutputCode, 64, 5, 95, 89},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    auto bc = MakeControl(r.typeBar, r.text, r.display);
    ASSERT_EQ(static_cast<int>(bc->Encode(bc->Text()).size()), r.modules);
    const TRecordingCanvas canvas = Record(*bc, OnePixelPerModule(*bc, 100));
    ASSERT_EQ(bc->ErrorMessage(), erOK);
    int longBars = 0;
    for (const TRect& bar : Bars(canvas)) {
      const bool addOn = r.addOnFrom != 0 && bar.Left >= r.addOnFrom;
      EXPECT_EQ(bar.Top, addOn ? 11 : 0) << bar.Left;
      if (addOn) {
        EXPECT_EQ(bar.Bottom, r.shortBottom);
        continue;
      }
      if (bar.Bottom == r.longBottom && r.longBottom != r.shortBottom)
        ++longBars;
      else
        EXPECT_EQ(bar.Bottom, r.shortBottom) << bar.Left;
    }
    if (r.longBottom != r.shortBottom) {
      EXPECT_EQ(longBars, r.longBars);
    }
  }
}

TEST(RenderLinear, ItfGetsBearerBarsTwiceTheFirstBar) {
  for (TTypeBar typeBar : {csCodeITF, csCode_2_5_interleaved}) {
    SCOPED_TRACE(typeBar);
    auto bc = MakeControl(typeBar, "12345678901231", csOutputCode);
    const int modules = static_cast<int>(bc->Encode(bc->Text()).size());
    const TRecordingCanvas canvas = Record(*bc, {0, 0, 2 * modules, 100});
    std::vector<TRect> bars = Bars(canvas);
    if (typeBar != csCodeITF) {
      for (const TRect& bar : bars) EXPECT_EQ(bar.Top, 0);
      continue;
    }
    ASSERT_GE(bars.size(), 3u);
    const TRect bottom = bars.back();
    bars.pop_back();
    const TRect top = bars.back();
    bars.pop_back();
    const int firstBar = bars.front().Width();
    EXPECT_EQ(firstBar, 2);  // one module, two pixels
    EXPECT_EQ(top, (TRect{0, 0, 2 * modules, 2 * firstBar}));
    EXPECT_EQ(bottom,
              (TRect{0, bars.back().Bottom - 2 * firstBar, 2 * modules, bars.back().Bottom}));
  }
}

TEST(RenderLinear, PostNetHalfBarsIgnoreTheCaption) {
  auto bc = MakeControl(csCodePostNet, "12345", csOutputCode);
  const TRecordingCanvas canvas = Record(*bc, OnePixelPerModule(*bc, 82));
  ASSERT_EQ(bc->ErrorMessage(), erOK);
  int tall = 0, half = 0;
  for (const TRect& bar : Bars(canvas)) {
    EXPECT_EQ(bar.Bottom, 82);
    if (bar.Top == 0)
      ++tall;
    else if (bar.Top == 41)
      ++half;
    else
      ADD_FAILURE() << "bar top " << bar.Top;
  }
  // Five digits and the check digit, five bars each, two of them tall, plus the frame bars.
  EXPECT_EQ(tall, 6 * 2 + 2);
  EXPECT_EQ(half, 6 * 3);
  EXPECT_TRUE(Texts(canvas).empty());
}

TEST(RenderLinear, TypeCaptionSitsAboveAndMovesTheBarsDown) {
  auto bc = MakeControl(csCode_2_5_interleaved, "0123", csOutputType);
  bc->SetWidth(112);
  TRecordingCanvas canvas = Record(*bc, {0, 0, 112, 100});
  auto texts = Texts(canvas);
  ASSERT_EQ(texts.size(), 1u);  // no code caption with csOutputType
  EXPECT_EQ(texts[0].Text, "csCode_2_5_interleaved");
  EXPECT_EQ(texts[0].Points[0], (TPoint{0, 0}));
  EXPECT_EQ(texts[0].FontHeight, -13);  // Arial 10
  // round(13 * 1.2) + 1 = 17 lines for the caption; the bars run from there to the bottom.
  for (const TRect& bar : Bars(canvas)) {
    EXPECT_EQ(bar.Top, 17);
    EXPECT_EQ(bar.Bottom, 100);
  }

  // Auto-size fills nine tenths of the drawn width: 10 * 0.9 * 112 / (22 * 6) = 7.6 -> 7 points.
  bc->TypeCaption().SetAutoSize(true);
  canvas = Record(*bc, {0, 0, 112, 100});
  texts = Texts(canvas);
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].FontHeight, -9);
  for (const TRect& bar : Bars(canvas)) EXPECT_EQ(bar.Top, 12);  // round(9 * 1.2) + 1
}

TEST(RenderLinear, TurnedCaptionsTurnTheirGlyphs) {
  auto bc = MakeControl(csCode_2_5_interleaved, "0123", csOutputBoth);
  bc->SetAngle(csVertical);
  const TRecordingCanvas canvas = Record(*bc, {0, 0, 200, 80});
  const auto texts = Texts(canvas);
  ASSERT_EQ(texts.size(), 2u);
  // The box (60, -60, 140, 140) turned: its top-left corner is the area's bottom-left.
  EXPECT_EQ(texts[0].Points[0], (TPoint{0, 80}));
  for (const TCanvasCall& t : texts) {
    EXPECT_EQ(t.Escapement, 900);
    EXPECT_EQ(t.BkMode, bkTransparent);
    EXPECT_EQ(t.TextAlign, kTaLeft | kTaTop);
  }
}

TEST(RenderLinear, CodeCaptionLayouts) {
  // One pixel per module in integer mode, where an anchor becomes the right edge of its module:
  // the pixel anchor equals the module anchor. Characters are 5 pixels wide and the caption line
  // starts 11 pixels above the bottom (89 in a box 100 high).
  struct Text {
    const char* text;
    TPoint at;
    int height = -11;
  };
  struct Row {
    const char* name;
    TTypeBar typeBar;
    const char* text;
    std::vector<Text> expected;
  };
  const Row rows[] = {
      {"EAN-13 with add-on",
       csCodeEAN13,
       "9771210107001 12",
       {{"9", {0, 89}}, {"771210", {17, 89}}, {"107001", {64, 89}}, {"12", {113, 0}}}},
      {"EAN-8", csCodeEAN8, "12345670", {{"1234", {7, 89}}, {"5670", {40, 89}}, {"", {0, 0}}}},
      {"UPC-A",
       csCodeUPC_A,
       "012345678905",
       {{"0", {0, 89}}, {"12345", {23, 89}}, {"67890", {63, 89}}, {"", {0, 0}}, {"5", {104, 89}}}},
      {"UPC-E, end digits smaller at the bottom",
       csCodeUPC_E0,
       "01234565",
       {{"123456", {17, 89}}, {"", {0, 0}}, {"", {0, 0}}, {"0", {0, 92}, -8}, {"5", {60, 92}, -8}}},
      {"interleaved 2 of 5 centred", csCode_2_5_interleaved, "0123", {{"0123", {18, 89}}}},
      {"ISBN shows the EAN number",
       csCodeISBN,
       "80-7226-102-5",
       {{"9", {0, 89}}, {"788072", {17, 89}}, {"261024", {64, 89}}, {"", {0, 0}}}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    auto bc = MakeControl(r.typeBar, r.text, csOutputCode);
    const TRecordingCanvas canvas = Record(*bc, OnePixelPerModule(*bc, 100));
    ASSERT_EQ(bc->ErrorMessage(), erOK) << bc->ErrorText();
    const auto texts = Texts(canvas);
    ASSERT_EQ(texts.size(), r.expected.size());
    for (std::size_t i = 0; i < texts.size(); ++i) {
      SCOPED_TRACE(texts[i].Describe());
      EXPECT_EQ(texts[i].Text, r.expected[i].text);
      if (texts[i].Text.empty()) continue;
      EXPECT_EQ(texts[i].Points[0], r.expected[i].at);
      EXPECT_EQ(texts[i].FontHeight, r.expected[i].height);
      EXPECT_EQ(texts[i].Brush.Style, bsClear);
    }
  }
}

TEST(RenderLinear, CaptionTextsPerSymbology) {
  struct Row {
    TTypeBar typeBar;
    std::string text;
    std::string caption;  // the text written under the bars
  };
  const Row rows[] = {
      {csCodeOPC, "1234567897", "12345-6789-7"},
      {csCodePZN, "1234562", "PZN - 1234562"},
      {csCode128,
       std::string("A\x01"
                   "B",
                   3),
       "AB"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.caption);
    auto bc = MakeControl(r.typeBar, r.text, csOutputCode);
    const TRecordingCanvas canvas = Record(*bc, {0, 0, 400, 100});
    ASSERT_EQ(bc->ErrorMessage(), erOK) << bc->ErrorText();
    const auto texts = Texts(canvas);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].Text, r.caption);
  }
}

TEST(RenderLinear, UpcShippingGroupsItsDigits) {
  auto bc = MakeControl(csCodeUPC_shipping, "12345678901231 123456", csOutputCode);
  const TRecordingCanvas canvas = Record(*bc, {0, 0, 400, 100});
  ASSERT_EQ(bc->ErrorMessage(), erOK) << bc->ErrorText();
  const auto texts = Texts(canvas);
  ASSERT_EQ(texts.size(), 3u);
  EXPECT_EQ(texts[0].Text, "1  23  45678  90123  1");
  EXPECT_EQ(texts[2].Text, "123456");
  EXPECT_EQ(texts[2].Points[0].Y, 0);
}

TEST(RenderLinear, CodeCaptionAutoSizeFitsTheFirstInterval) {
  auto bc = MakeControl(csCodeEAN13, "9771210107001", csOutputCode);
  bc->CodeCaption().SetAutoSize(true);
  const TRecordingCanvas canvas = Record(*bc, OnePixelPerModule(*bc, 100));
  // 8 * 0.9 * 40 / (6 * 5) = 9.6 -> 9 points, 12 pixels: the bars stop 12 above the bottom.
  const auto texts = Texts(canvas);
  ASSERT_FALSE(texts.empty());
  EXPECT_EQ(texts[0].FontHeight, -12);
  EXPECT_EQ(texts[0].Points[0].Y, 88);
  int shortBars = 0;
  for (const TRect& bar : Bars(canvas)) {
    EXPECT_TRUE(bar.Bottom == 88 || bar.Bottom == 100) << bar.Bottom;
    if (bar.Bottom == 88) ++shortBars;
  }
  EXPECT_GT(shortBars, 20);
}

TEST(RenderLinear, BearerLinesSpreadEvenlyBelowTheTypeCaption) {
  struct Row {
    TDisplayType display;
    TAngleType angle;
    std::vector<TPoint> ends;  // from, to of each line
  };
  const Row rows[] = {
      {csOutputNone, csHorizontal, {{0, 25}, {100, 25}, {0, 50}, {100, 50}, {0, 75}, {100, 75}}},
      // The type caption takes 17 lines: (100 - 17) div 4 = 20.
      {csOutputType, csHorizontal, {{0, 37}, {100, 37}, {0, 57}, {100, 57}, {0, 77}, {100, 77}}},
      // Turned with the symbol: across the bars, which are rows now.
      {csOutputNone, csVertical, {{25, 100}, {25, 0}, {50, 100}, {50, 0}, {75, 100}, {75, 0}}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.display + 10 * r.angle);
    auto bc = MakeControl(csCode_2_5_interleaved, "0123", r.display);
    bc->SetAngle(r.angle);
    bc->HorzLines().SetLinesCount(3);
    bc->HorzLines().SetColor(clRed);
    bc->HorzLines().SetWidth(2);
    TRecordingCanvas canvas;
    canvas.Pen.Color = clWhite;
    DrawBarCode(canvas, {0, 0, 100, 100}, *bc);
    const auto lines = canvas.CallsOf(TCanvasOp::Line);
    ASSERT_EQ(lines.size(), 3u);
    for (std::size_t i = 0; i < lines.size(); ++i) {
      EXPECT_EQ(lines[i].Points[0], r.ends[2 * i]);
      EXPECT_EQ(lines[i].Points[1], r.ends[2 * i + 1]);
      EXPECT_EQ(lines[i].Pen.Color, clRed);
      EXPECT_EQ(lines[i].Pen.Width, 2);
    }
    EXPECT_NE(canvas.Pen.Color, clRed);  // the canvas pen is given back
  }
}

TEST(RenderLinear, ErrorDisplayReplacesTheSymbol) {
  struct Row {
    const char* name;
    TTypeBar typeBar;
    const char* text;
    int width;
    TLastError error;
    const char* message;
  };
  const Row rows[] = {
      {"bad character", csCodeEAN13, "97712101070x1", 200, erCharOutOfSet,
       "ERROR:Unvailable char for this type of barcode.(12.char - x)"},
      {"box one pixel too narrow", csCodeEAN13, "9771210107001", 102, erSmallPaintBox,
       "ERROR:Tool small"},
      // The box of an odd width loses a pixel to the halving about the centre.
      {"odd width one pixel short", csCodeEAN13, "9771210107001", 103, erSmallPaintBox,
       "ERROR:Tool small"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    auto bc = MakeControl(r.typeBar, r.text, csOutputCode);
    int painted = 0;
    bc->OnPaint = [&](TObject*, TRect&, const std::string&) { ++painted; };
    const TRecordingCanvas canvas = Record(*bc, {0, 0, r.width, 100});
    EXPECT_EQ(bc->ErrorMessage(), r.error);
    EXPECT_EQ(painted, 1);
    ASSERT_EQ(canvas.Calls.size(), 3u);  // no background, no bars
    const auto texts = Texts(canvas);
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(texts[0].Text, r.message);
    EXPECT_EQ(texts[0].Points[0], (TPoint{0, 0}));
    EXPECT_EQ(texts[0].FontColor, RGBColor(255, 0, 0));
    EXPECT_EQ(texts[0].FontStyle, fsBold);
    EXPECT_EQ(texts[0].FontHeight, -11);
    EXPECT_EQ(texts[1].Text, "Code: :");
    EXPECT_EQ(texts[1].Points[0], (TPoint{0, 12}));
    EXPECT_EQ(texts[1].FontColor, clBlack);
    EXPECT_EQ(texts[1].FontStyle, fsUnderline);
    EXPECT_EQ(texts[2].Text, bc->Text());
    EXPECT_EQ(texts[2].Points[0], (TPoint{0, 24}));
    EXPECT_EQ(texts[2].FontStyle, 0);
  }
  // A box as wide as the pattern draws every module one pixel wide.
  auto bc = MakeControl(csCode_2_5_interleaved, "0123", csOutputCode);
  ASSERT_EQ(bc->Encode("0123").size(), 56u);
  Record(*bc, {0, 0, 56, 100});
  EXPECT_EQ(bc->ErrorMessage(), erOK);
  EXPECT_EQ(bc->DrawnPattern(), bc->Encode("0123"));
}

TEST(RenderLinear, ErrorDisplayStaysInsideTurnedControlsAndOffPrinters) {
  auto bc = MakeControl(csCodeEAN13, "97712101070x1", csOutputCode);
  bc->SetAngle(csHorizontalMirrored);
  TRecordingCanvas canvas = Record(*bc, {0, 0, 200, 80});
  auto texts = Texts(canvas);
  ASSERT_EQ(texts.size(), 3u);
  // Upside down from the far corner, reading leftwards: on the control, not beside it.
  EXPECT_EQ(texts[0].Points[0], (TPoint{200, 80}));
  EXPECT_EQ(texts[1].Points[0], (TPoint{200, 68}));
  EXPECT_EQ(texts[0].Escapement, 1800);

  TBitmap bmp(200, 80);
  TRasterCanvas raster(bmp);
  DrawBarCode(raster, {0, 0, 200, 80}, *bc);
  int red = 0;
  for (int y = 0; y < 80; ++y)
    for (int x = 0; x < 200; ++x)
      if (ColorR(bmp.Pixel(x, y)) > 200 && ColorG(bmp.Pixel(x, y)) < 100) ++red;
  EXPECT_GT(red, 50);

  int painted = 0;
  bc->OnPaint = [&](TObject*, TRect&, const std::string&) { ++painted; };
  canvas = TRecordingCanvas();
  canvas.Printer = true;
  DrawBarCode(canvas, {0, 0, 200, 80}, *bc);
  EXPECT_TRUE(canvas.Calls.empty());
  EXPECT_EQ(painted, 1);
}

TEST(RenderLinear, EmptyTextDrawsNothingAndFiresNothing) {
  auto bc = MakeControl(csCodeMSI, "", csOutputCode);
  ASSERT_TRUE(bc->Text().empty());
  int painted = 0;
  bc->OnPaint = [&](TObject*, TRect&, const std::string&) { ++painted; };
  TBitmap bmp(50, 50, clRed);
  TRasterCanvas canvas(bmp);
  DrawBarCode(canvas, {0, 0, 50, 50}, *bc);
  EXPECT_EQ(painted, 0);
  for (int y = 0; y < 50; ++y)
    for (int x = 0; x < 50; ++x) ASSERT_EQ(bmp.Pixel(x, y), clRed);
}

TEST(RenderLinear, PaintEventGetsTheUnfittedRectAndTheCanvasFontIsRestored) {
  auto bc = MakeControl(csCodeEAN13, "9771210107001", csOutputBoth);
  bc->SetAngle(csVertical);
  std::vector<std::pair<TRect, std::string>> events;
  bc->OnPaint = [&](TObject* sender, TRect& r, const std::string& text) {
    EXPECT_EQ(sender, bc.get());
    events.emplace_back(r, text);
  };
  TRecordingCanvas canvas;
  DrawBarCode(canvas, {5, 6, 125, 206}, *bc);
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].first, (TRect{5, 6, 125, 206}));
  EXPECT_EQ(events[0].second, "9771210107001");
  EXPECT_TRUE(canvas.Font.SameAs(bc->Font()));
  EXPECT_EQ(bc->ErrorMessage(), erOK);
}

TEST(RenderLinear, ControlPaintDrawsItsClientArea) {
  auto bc = MakeControl(csCode_2_5_interleaved, "0123", csOutputCode);
  bc->SetBounds(30, 40, 120, 60);
  TRecordingCanvas canvas;
  bc->SetCanvas(&canvas);
  TRect painted;
  bc->OnPaint = [&](TObject*, TRect& r, const std::string&) { painted = r; };
  bc->Repaint();
  EXPECT_EQ(painted, (TRect{0, 0, 120, 60}));
  ASSERT_FALSE(canvas.Calls.empty());
  EXPECT_EQ(canvas.Calls[0].Rect, (TRect{0, 0, 120, 60}));  // the background
}

TEST(RenderLinear, TransparentKeepsTheCanvasBetweenBars) {
  auto bc = MakeControl(csCode_2_5_interleaved, "0123", csOutputNone);
  bc->SetTransparent(true);
  bc->SetColor_Lines(RGBColor(0, 0, 128));
  TBitmap bmp(56, 20, clRed);
  TRasterCanvas canvas(bmp);
  DrawBarCode(canvas, {0, 0, 56, 20}, *bc);
  const std::string& pixels = bc->DrawnPattern();
  ASSERT_EQ(pixels.size(), 56u);
  for (int x = 0; x < 56; ++x)
    EXPECT_EQ(bmp.Pixel(x, 10),
              IsDarkModule(pixels[static_cast<std::size_t>(x)]) ? RGBColor(0, 0, 128) : clRed)
        << x;

  bc->SetTransparent(false);
  bc->SetColor_Back(RGBColor(0, 255, 0));
  DrawBarCode(canvas, {0, 0, 56, 20}, *bc);
  EXPECT_EQ(bmp.Pixel(0, 10), RGBColor(0, 255, 0));
}

}  // namespace
}  // namespace brevix

namespace brevix {
namespace {

// A control reuses its drawing buffers from one paint to the next. Whatever changes between two
// paints, the second must draw exactly what a fresh control with the same settings draws.
TEST(RenderLinear, RepaintAfterAChangeMatchesAFreshControl) {
  struct Step {
    const char* name;
    TTypeBar typeBar;
    std::string text;
    int width;
    bool completeDraw;
    TDisplayType display;
  };
  const Step steps[] = {
      {"first paint", csCode128, "Brevix-128", 300, false, csOutputNone},
      {"the same again", csCode128, "Brevix-128", 300, false, csOutputNone},
      {"another text of the same length", csCode128, "Brevix-129", 300, false, csOutputNone},
      {"a wider box", csCode128, "Brevix-129", 331, false, csOutputNone},
      {"integer mode", csCode128, "Brevix-129", 331, true, csOutputNone},
      {"anchors from another symbology", csCodeEAN13, "9771210107001", 331, true, csOutputCode},
      {"an add-on moves the anchors", csCodeEAN13, "977121010700112", 331, true, csOutputCode},
      {"a box too narrow for the pattern", csCodeEAN13, "977121010700112", 60, true, csOutputCode},
      {"back to the first", csCode128, "Brevix-128", 300, false, csOutputNone},
  };
  TBrevixBC reused;
  for (const Step& step : steps) {
    SCOPED_TRACE(step.name);
    TBrevixBC fresh;
    for (TBrevixBC* bc : {&reused, &fresh}) {
      bc->SetTypeBar(step.typeBar);
      bc->SetDisplay(step.display);
      bc->SetText(step.text);
      bc->SetCompleteDraw(step.completeDraw);
    }
    const TRect rect{0, 0, step.width, 90};
    TBitmap a(step.width, 90, RGBColor(1, 2, 3)), b(step.width, 90, RGBColor(1, 2, 3));
    TRasterCanvas ca(a), cb(b);
    DrawBarCode(ca, rect, reused);
    DrawBarCode(cb, rect, fresh);
    EXPECT_EQ(a.Rgb, b.Rgb);
    EXPECT_EQ(reused.ErrorMessage(), fresh.ErrorMessage());
    // A paint that fails keeps the pattern of the last one that drew.
    if (fresh.ErrorMessage() == erOK) {
      EXPECT_EQ(reused.DrawnPattern(), fresh.DrawnPattern());
    }
  }
}

}  // namespace
}  // namespace brevix
