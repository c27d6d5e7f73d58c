// The raster and recording canvases and the rotation primitives the renderer builds on.

#include <gtest/gtest.h>
#include <malloc.h>
#include <sys/stat.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "platform/font_match_file.h"
#include "platform/glyph_store.h"
#include "platform/raster_canvas.h"
#include "platform/recording_canvas.h"
#include "render/rotate.h"
#include "tests/support/image_read.h"

namespace brevix {
namespace {

// Every pixel of colour c, as "x,y" strings in scan order (for readable failures).
std::vector<TPoint> PixelsOf(const TBitmap& bmp, TColor c) {
  std::vector<TPoint> out;
  for (int y = 0; y < bmp.Height; ++y)
    for (int x = 0; x < bmp.Width; ++x)
      if (bmp.Pixel(x, y) == c) out.push_back({x, y});
  return out;
}

std::vector<TPoint> RectPixels(const TRect& r) {
  std::vector<TPoint> out;
  for (int y = r.Top; y < r.Bottom; ++y)
    for (int x = r.Left; x < r.Right; ++x) out.push_back({x, y});
  return out;
}

// Bounding box of every pixel that is not white.
TRect InkBounds(const TBitmap& bmp) {
  TRect r{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
  for (int y = 0; y < bmp.Height; ++y)
    for (int x = 0; x < bmp.Width; ++x)
      if (bmp.Pixel(x, y) != clWhite) {
        r.Left = std::min(r.Left, x);
        r.Top = std::min(r.Top, y);
        r.Right = std::max(r.Right, x + 1);
        r.Bottom = std::max(r.Bottom, y + 1);
      }
  return r;
}

TEST(RenderRotate, RotatePointTurnsCounterClockwiseOnScreen) {
  struct Row {
    TPoint p, centre;
    int angle;
    TPoint expected;
  };
  const Row rows[] = {
      {{10, 5}, {0, 0}, 0, {10, 5}},
      {{10, 0}, {0, 0}, 90, {0, -10}},  // right of the centre goes up
      {{0, 10}, {0, 0}, 90, {10, 0}},   // below goes right
      {{10, 5}, {0, 0}, 180, {-10, -5}},
      {{10, 0}, {0, 0}, 270, {0, 10}},
      {{60, -60}, {100, 40}, 90, {0, 80}},  // a 80 x 200 box's corner lands on the 200 x 80 area
      {{140, 140}, {100, 40}, 90, {200, 0}},
      {{60, -60}, {100, 40}, 270, {200, 0}},
      {{3, 7}, {-4, 9}, 180, {-11, 11}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.angle);
    EXPECT_EQ(RotatePoint(r.p, r.centre, r.angle), r.expected);
  }
}

TEST(RenderRotate, RoundingTiesToEvenAndFarPointsStayInRange) {
  EXPECT_EQ(RoundHalfEven(0.5L), 0);
  EXPECT_EQ(RoundHalfEven(1.5L), 2);
  EXPECT_EQ(RoundHalfEven(-2.5L), -2);
  const TPoint far = RotatePoint({INT_MAX, INT_MIN}, {INT_MIN, INT_MAX}, 180);
  EXPECT_EQ(far.X, INT_MIN);
  EXPECT_EQ(far.Y, INT_MAX);
}

TEST(RenderRotate, FitBoxTransposesForQuarterTurns) {
  struct Row {
    TRect rect;
    int angle;
    TRect expected;
  };
  const Row rows[] = {
      {{0, 0, 200, 80}, 0, {0, 0, 200, 80}},      {{0, 0, 200, 80}, 180, {0, 0, 200, 80}},
      {{0, 0, 200, 80}, 90, {60, -60, 140, 140}}, {{0, 0, 200, 80}, 270, {60, -60, 140, 140}},
      {{0, 0, 201, 81}, 0, {0, 0, 200, 80}},  // an odd length loses a pixel to the halving
      {{10, 20, 110, 70}, 90, {35, -5, 85, 95}},  {{0, 0, 0, 0}, 90, {0, 0, 0, 0}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.angle);
    EXPECT_EQ(FitBox(r.rect, r.angle), r.expected);
  }
}

TEST(RenderRotate, StripControlCharsKeepsPrintableAndHighBytes) {
  EXPECT_EQ(StripControlChars(std::string("\x01"
                                          "AB\tC\x1f"
                                          "\xe9 ",
                                          8)),
            "ABC\xe9 ");
  EXPECT_EQ(StripControlChars(""), "");
}

TEST(RenderRotate, FillRotatedRectCoversExactlyTheTurnedPixels) {
  // A bar on box columns 10..12 of the 80 x 200 box that a 200 x 80 area gets when vertical.
  const TPoint centre{100, 40};
  const TRect bar{70, -60, 73, 140};
  struct Row {
    int angle;
    TRect covered;
  };
  const Row rows[] = {
      {0, {70, 0, 73, 80}},      // clipped at the bitmap's bottom
      {90, {0, 67, 200, 70}},    // box column 10 becomes row 69: the symbol reads upward
      {180, {127, 0, 130, 80}},  // mirrored about the centre
      {270, {0, 10, 200, 13}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.angle);
    TBitmap bmp(200, 80);
    TRasterCanvas canvas(bmp);
    canvas.Brush.Color = clBlack;
    canvas.Pen.Style = psSolid;
    FillRotatedRect(canvas, bar, centre, r.angle);
    EXPECT_EQ(canvas.Pen.Style, psClear);
    EXPECT_EQ(PixelsOf(bmp, clBlack), RectPixels(r.covered));
  }
}

TEST(RenderRasterCanvas, FillsCoverLeftToRightMinusOneAndClip) {
  struct Row {
    const char* name;
    std::vector<TPoint> polygon;  // empty: FillRect of rect
    TRect rect;
    TRect covered;
  };
  const Row rows[] = {
      {"rect", {}, {2, 3, 5, 7}, {2, 3, 5, 7}},
      {"rect partly outside", {}, {-5, -5, 3, 2}, {0, 0, 3, 2}},
      {"rect far off", {}, {INT_MIN, INT_MIN, INT_MAX, INT_MAX}, {0, 0, 10, 10}},
      {"empty rect", {}, {5, 5, 5, 9}, {0, 0, 0, 0}},
      {"reversed rect", {}, {5, 5, 2, 2}, {0, 0, 0, 0}},
      {"square polygon", {{2, 3}, {5, 3}, {5, 7}, {2, 7}}, {}, {2, 3, 5, 7}},
      {"polygon counter-clockwise", {{2, 7}, {5, 7}, {5, 3}, {2, 3}}, {}, {2, 3, 5, 7}},
      {"polygon far off",
       {{-100000, -3}, {100000, -3}, {100000, 2}, {-100000, 2}},
       {},
       {0, 0, 10, 2}},
      {"degenerate polygon", {{2, 2}, {8, 2}, {8, 2}}, {}, {0, 0, 0, 0}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    TBitmap bmp(10, 10);
    TRasterCanvas canvas(bmp);
    canvas.Brush.Color = clRed;
    canvas.Pen.Style = psClear;
    if (r.polygon.empty())
      canvas.FillRect(r.rect);
    else
      canvas.Polygon(r.polygon);
    EXPECT_EQ(PixelsOf(bmp, clRed), RectPixels(r.covered));
  }
}

TEST(RenderRasterCanvas, PolygonOutlineAndClearBrush) {
  TBitmap bmp(10, 10);
  TRasterCanvas canvas(bmp);
  canvas.Brush.Style = bsClear;
  canvas.Pen.Color = clBlack;
  const TPoint square[] = {{1, 1}, {4, 1}, {4, 4}, {1, 4}};
  canvas.Polygon(square);
  // The outline runs on the corner points themselves: a 4 x 4 ring around a white 2 x 2 hole.
  EXPECT_EQ(PixelsOf(bmp, clBlack).size(), 12u);
  EXPECT_EQ(bmp.Pixel(2, 2), clWhite);
  EXPECT_EQ(bmp.Pixel(4, 4), clBlack);
}

TEST(RenderRasterCanvas, LineExcludesItsLastPointAndHonoursPenModes) {
  TBitmap bmp(10, 3);
  TRasterCanvas canvas(bmp);
  canvas.Pen.Color = clBlack;
  canvas.Line(1, 1, 5, 1);
  EXPECT_EQ(PixelsOf(bmp, clBlack), RectPixels({1, 1, 5, 2}));

  canvas.Pen.Mode = pmXor;
  canvas.Pen.Color = clWhite;
  canvas.Line(0, 1, 10, 1);  // white xor black is white again, and the other way round
  EXPECT_EQ(PixelsOf(bmp, clBlack),
            (std::vector<TPoint>{{0, 1}, {5, 1}, {6, 1}, {7, 1}, {8, 1}, {9, 1}}));

  TBitmap wide(10, 10);
  TRasterCanvas wideCanvas(wide);
  wideCanvas.Pen.Width = 3;
  wideCanvas.Line(0, 5, 10, 5);
  EXPECT_EQ(PixelsOf(wide, clBlack), RectPixels({0, 4, 10, 7}));
  wideCanvas.Line(INT_MIN, INT_MIN, INT_MAX, INT_MAX);  // far off: clipped, never slow
  wideCanvas.Pen.Style = psClear;
  wideCanvas.Line(0, 0, 10, 0);
  EXPECT_EQ(wide.Pixel(9, 0), clWhite);
}

TEST(RenderRasterCanvas, DashedLineLeavesGaps) {
  TBitmap bmp(40, 1);
  TRasterCanvas canvas(bmp);
  canvas.Pen.Style = psDot;
  canvas.Line(0, 0, 40, 0);
  EXPECT_EQ(bmp.Pixel(0, 0), clBlack);
  EXPECT_EQ(bmp.Pixel(3, 0), clWhite);
  EXPECT_EQ(bmp.Pixel(6, 0), clBlack);
}

TEST(RenderRasterCanvas, FontHeightsFollowThePlatformConvention) {
  TBitmap bmp(10, 10);
  TRasterCanvas canvas(bmp);
  canvas.Font.SetName("Arial");
  canvas.Font.SetHeight(-11);
  const TSize small = canvas.TextExtent("0123");
  EXPECT_GT(small.cx, 16);  // Arial's digits are over half the em wide
  EXPECT_GE(small.cy, 11);  // the cell is taller than the em
  EXPECT_LE(small.cy, 14);
  canvas.Font.SetHeight(30);  // a positive height is the cell height
  EXPECT_EQ(canvas.TextExtent("0123").cy, 30);
  canvas.Font.SetHeight(-11);
  canvas.Font.SetStyle(fsBold);
  EXPECT_GE(canvas.TextExtent("WWWW").cx, small.cx);
  EXPECT_EQ(canvas.TextExtent("").cx, 0);
  canvas.Font.SetHeight(INT_MIN);  // held at a drawable size instead of exhausting memory
  EXPECT_LE(canvas.TextExtent("0").cy, 5000);
  canvas.TextOut(0, 0, "0");
}

// Heap bytes in use; 0 where the allocator does not say (under a sanitizer's allocator).
std::size_t HeapInUse() {
#if defined(__SANITIZE_ADDRESS__)
  return 0;
#else
  const struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
#endif
}

TEST(RenderRasterCanvas, ManyFontsKeepTheCacheSmall) {
  // A batch may give every record a font of its own; the faces and sizes kept stay bounded.
  TBitmap bitmap(200, 60, clWhite);
  TRasterCanvas canvas(bitmap);
  std::size_t warm = 0;
  for (int i = 0; i < 1000; ++i) {
    canvas.Font.SetName("Brevix Test Font " + std::to_string(i));
    canvas.Font.SetHeight(-8 - i % 40);
    canvas.TextOut(0, 0, "0123456789");
    if (i == 199) warm = HeapInUse();
  }
  if (warm == 0) GTEST_SKIP() << "heap use not measurable here";
  EXPECT_LT(HeapInUse(), warm + (std::size_t{8} << 20));
}

TEST(RenderRasterCanvas, TextLandsInItsCellAtEveryEscapement) {
  // The cell of the text, turned about the reference point, must hold all of the ink.
  const TPoint ref{50, 50};
  struct Row {
    int escapement;
    unsigned align;
  };
  const Row rows[] = {{0, kTaLeft | kTaTop},      {900, kTaLeft | kTaTop},
                      {1800, kTaLeft | kTaTop},   {2700, kTaLeft | kTaTop},
                      {0, kTaCenter | kTaBottom}, {0, kTaRight | kTaBaseline}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.escapement + r.align);
    TBitmap bmp(100, 100);
    TRasterCanvas canvas(bmp);
    canvas.Font.SetHeight(-11);
    canvas.Font.SetEscapement(r.escapement);
    canvas.TextAlign = r.align;
    canvas.BkMode = bkTransparent;
    const TSize ext = canvas.TextExtent("E1");
    canvas.TextOut(ref.X, ref.Y, "E1");
    int u0 = 0, v0 = 0;
    if ((r.align & kTaCenter) == kTaCenter)
      u0 = -ext.cx / 2;
    else if (r.align & kTaRight)
      u0 = -ext.cx;
    if ((r.align & kTaBaseline) == kTaBaseline)
      v0 = -(ext.cy - 2);  // roughly the ascent
    else if (r.align & kTaBottom)
      v0 = -ext.cy;
    const TPoint a = RotatePoint({ref.X + u0, ref.Y + v0}, ref, r.escapement / 10);
    const TPoint b =
        RotatePoint({ref.X + u0 + ext.cx, ref.Y + v0 + ext.cy}, ref, r.escapement / 10);
    const TRect cell{std::min(a.X, b.X), std::min(a.Y, b.Y), std::max(a.X, b.X),
                     std::max(a.Y, b.Y)};
    const TRect ink = InkBounds(bmp);
    ASSERT_LT(ink.Left, ink.Right) << "nothing drawn";
    EXPECT_GE(ink.Left, cell.Left - 1);
    EXPECT_GE(ink.Top, cell.Top - 1);
    EXPECT_LE(ink.Right, cell.Right + 1);
    EXPECT_LE(ink.Bottom, cell.Bottom + 1);
  }
}

TEST(RenderRasterCanvas, QuarterTurnedTextIsTheUprightTextTurned) {
  // Upright at (20, 20) and turned at (30, 30) in the same 60 x 60 bitmap size: upright pixel
  // (x, y) is the square at (u, v) = (x - 20, y - 20), which a turn of q quarters carries to the
  // pixel below.
  TBitmap upright(60, 60);
  {
    TRasterCanvas canvas(upright);
    canvas.Font.SetHeight(-13);
    canvas.BkMode = bkTransparent;
    canvas.TextOut(20, 20, "Ab7");
  }
  for (int q = 1; q <= 3; ++q) {
    SCOPED_TRACE(q);
    TBitmap turned(60, 60);
    TRasterCanvas canvas(turned);
    canvas.Font.SetHeight(-13);
    canvas.Font.SetEscapement(q * 900);
    canvas.BkMode = bkTransparent;
    canvas.TextOut(30, 30, "Ab7");
    int inked = 0;
    for (int y = 0; y < 60; ++y)
      for (int x = 0; x < 60; ++x) {
        if (upright.Pixel(x, y) == clWhite) continue;
        ++inked;
        const int u = x - 20, v = y - 20;
        const TPoint t = q == 1   ? TPoint{30 + v, 30 - u - 1}
                         : q == 2 ? TPoint{30 - u - 1, 30 - v - 1}
                                  : TPoint{30 - v - 1, 30 + u};
        ASSERT_TRUE(t.X >= 0 && t.Y >= 0 && t.X < 60 && t.Y < 60) << x << "," << y;
        ASSERT_EQ(turned.Pixel(t.X, t.Y), upright.Pixel(x, y)) << x << "," << y;
      }
    EXPECT_GT(inked, 20);
    EXPECT_EQ(static_cast<int>(turned.Rgb.size()) -
                  static_cast<int>(PixelsOf(turned, clWhite).size()) * 3,
              static_cast<int>(upright.Rgb.size()) -
                  static_cast<int>(PixelsOf(upright, clWhite).size()) * 3);
  }
}

TEST(RenderRasterCanvas, SmoothedTextUsesTheInkAndFewShadesBetween) {
  // Inside the strokes the ink comes out exactly; at the edges at most 14 shades lie between ink
  // and paper, each channel between theirs, so a picture with a caption keeps 16 colours.
  struct Row {
    TColor ink, paper;
    int escapement;
  };
  const Row rows[] = {{clBlack, clWhite, 0},
                      {clWhite, clBlack, 0},
                      {RGBColor(0, 0, 128), RGBColor(255, 255, 224), 900},
                      {RGBColor(200, 30, 90), RGBColor(10, 250, 120), 1800},
                      {RGBColor(1, 2, 3), RGBColor(254, 253, 252), 2700}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.escapement);
    TBitmap bmp(120, 120, r.paper);
    TRasterCanvas canvas(bmp);
    canvas.Font.SetHeight(-40);
    canvas.Font.SetStyle(fsBold);
    canvas.Font.SetColor(r.ink);
    canvas.Font.SetEscapement(r.escapement);
    canvas.BkMode = bkTransparent;
    canvas.TextOut(60, 60, "MW8");
    std::vector<TColor> colours;
    for (int y = 0; y < bmp.Height; ++y)
      for (int x = 0; x < bmp.Width; ++x) {
        const TColor c = bmp.Pixel(x, y);
        if (std::find(colours.begin(), colours.end(), c) == colours.end()) colours.push_back(c);
        for (int shift : {0, 8, 16}) {
          const int v = static_cast<int>(c >> shift & 0xFF);
          const int a = static_cast<int>(r.ink >> shift & 0xFF);
          const int b = static_cast<int>(r.paper >> shift & 0xFF);
          ASSERT_GE(v, std::min(a, b)) << x << "," << y;
          ASSERT_LE(v, std::max(a, b)) << x << "," << y;
        }
      }
    EXPECT_NE(std::find(colours.begin(), colours.end(), r.ink), colours.end());
    EXPECT_NE(std::find(colours.begin(), colours.end(), r.paper), colours.end());
    EXPECT_LE(colours.size(), 16u);
    EXPECT_GT(colours.size(), 4u);  // still smoothed
  }
}

TEST(RenderRasterCanvas, ClearToDrawsAsAnEarlierFillWould) {
  // A canvas started with ClearTo must end with exactly the pixels of a bitmap filled first,
  // whatever is drawn: shapes that cover everything (the fill is never written), shapes that
  // cover part, nothing at all, and a bitmap read in between.
  const TColor paper = RGBColor(250, 240, 10), ink = RGBColor(20, 30, 200);
  const auto quad = [](int l, int t, int r, int b, TColor c) {
    return TQuadFill{{{l, t}, {r, t}, {r, b}, {l, b}}, c};
  };
  struct Row {
    const char* name;
    std::function<void(TRasterCanvas&)> draw;
  };
  const Row rows[] = {
      {"nothing", [](TRasterCanvas&) {}},
      {"a background and bars",
       [&](TRasterCanvas& c) {
         const TQuadFill q[] = {quad(0, 0, 40, 30, RGBColor(1, 2, 3)), quad(5, 0, 9, 30, ink)};
         c.FillQuads(q);
       }},
      {"a background larger than the bitmap",
       [&](TRasterCanvas& c) {
         const TQuadFill q[] = {quad(-5, -5, 50, 50, RGBColor(1, 2, 3)), quad(5, 3, 9, 20, ink)};
         c.FillQuads(q);
       }},
      {"bars only",
       [&](TRasterCanvas& c) {
         const TQuadFill q[] = {quad(5, 0, 9, 30, ink), quad(0, 0, 40, 30, RGBColor(1, 2, 3))};
         c.FillQuads(q);
       }},
      {"a background one pixel short",
       [&](TRasterCanvas& c) {
         const TQuadFill q[] = {quad(0, 0, 40, 29, RGBColor(1, 2, 3))};
         c.FillQuads(q);
       }},
      {"a turned first quad",
       [&](TRasterCanvas& c) {
         const TQuadFill q[] = {TQuadFill{{{0, 0}, {40, 5}, {35, 30}, {-3, 20}}, ink}};
         c.FillQuads(q);
       }},
      {"an upright background and bars",
       [&](TRasterCanvas& c) {
         const TRectFill f[] = {{{0, 0, 40, 30}, RGBColor(1, 2, 3)}, {{5, 0, 9, 30}, ink}};
         c.FillUprightQuads(f);
       }},
      {"an upright background turned inside out",
       [&](TRasterCanvas& c) {
         const TRectFill f[] = {{{40, 30, 0, 0}, RGBColor(1, 2, 3)}, {{5, 3, 9, 20}, ink}};
         c.FillUprightQuads(f);
       }},
      {"an upright bar alone",
       [&](TRasterCanvas& c) {
         const TRectFill f[] = {{{5, 3, 9, 20}, ink}};
         c.FillUprightQuads(f);
       }},
      {"upright bars only",
       [&](TRasterCanvas& c) {
         const TRectFill f[] = {{{5, 0, 9, 30}, ink}, {{0, 0, 40, 30}, RGBColor(1, 2, 3)}};
         c.FillUprightQuads(f);
       }},
      {"a clear brush",
       [&](TRasterCanvas& c) {
         c.Brush.Style = bsClear;
         const TQuadFill q[] = {quad(0, 0, 40, 30, ink)};
         c.FillQuads(q);
         const TRectFill f[] = {{{0, 0, 40, 30}, ink}};
         c.FillUprightQuads(f);
         c.FillRect(TRect{0, 0, 40, 30});
       }},
      {"a whole-bitmap rectangle",
       [&](TRasterCanvas& c) {
         c.FillRect(TRect{0, 0, 40, 30});
       }},
      {"a part rectangle",
       [&](TRasterCanvas& c) {
         c.FillRect(TRect{3, 4, 20, 10});
       }},
      {"rectangles",
       [&](TRasterCanvas& c) {
         const TRect r[] = {{0, 0, 40, 30}, {2, 2, 5, 5}};
         c.FillRects(r);
       }},
      {"rows of modules over rows not yet filled, the rest filled at the end",
       [&](TRasterCanvas& c) {
         const TRect first[] = {{2, 3, 5, 6}, {9, 3, 10, 6}, {30, 3, 40, 6}};
         c.FillRects(first);
         const TRect second[] = {{0, 6, 1, 7}, {20, 6, 25, 7}};
         c.FillRects(second);
       }},
      {"a row of modules, then the same rows again and a line",
       [&](TRasterCanvas& c) {
         const TRect r[] = {{2, 10, 5, 20}, {9, 10, 10, 20}};
         c.FillRects(r);
         c.Brush.Color = RGBColor(1, 2, 3);
         const TRect again[] = {{4, 10, 12, 20}};
         c.FillRects(again);
         c.Line(0, 15, 40, 15);
       }},
      {"a row of modules, then a background over everything",
       [&](TRasterCanvas& c) {
         const TRect r[] = {{2, 0, 5, 4}};
         c.FillRects(r);
         const TQuadFill q[] = {quad(0, 0, 40, 30, RGBColor(1, 2, 3))};
         c.FillQuads(q);
       }},
      {"rectangles of two heights, and a row of modules with a clear brush",
       [&](TRasterCanvas& c) {
         const TRect r[] = {{2, 0, 5, 4}, {7, 1, 8, 9}};
         c.FillRects(r);
         c.Brush.Style = bsClear;
         const TRect clear[] = {{2, 20, 5, 25}};
         c.FillRects(clear);
       }},
      {"a polygon",
       [&](TRasterCanvas& c) {
         const TPoint p[] = {{0, 0}, {40, 0}, {40, 30}, {0, 30}};
         c.Polygon(p);
       }},
      {"a line", [&](TRasterCanvas& c) { c.Line(0, 5, 40, 5); }},
      {"text", [&](TRasterCanvas& c) { c.TextOut(2, 2, "Ag"); }},
      {"centred text",
       [&](TRasterCanvas& c) {
         c.DrawTextCentered(TRect{0, 0, 40, 30}, "Ag");
       }},
      {"the bitmap read, then a background",
       [&](TRasterCanvas& c) {
         EXPECT_EQ(c.Bitmap().Pixel(0, 0), paper);
         const TQuadFill q[] = {quad(0, 0, 40, 30, RGBColor(1, 2, 3))};
         c.FillQuads(q);
       }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TBitmap eager(40, 30, paper);
    {
      TRasterCanvas canvas(eager);
      canvas.Font.SetColor(ink);
      canvas.Brush.Color = ink;
      row.draw(canvas);
    }
    TBitmap deferred(40, 30, RGBColor(99, 99, 99));  // stale pixels the fill must hide
    deferred.Resize(40, 30);
    {
      TRasterCanvas canvas(deferred);
      canvas.ClearTo(paper);
      canvas.Font.SetColor(ink);
      canvas.Brush.Color = ink;
      row.draw(canvas);
    }
    EXPECT_EQ(deferred.Rgb, eager.Rgb);
  }
}

TEST(RenderRasterCanvas, OpaqueTextFillsItsCellWithTheBrush) {
  TBitmap bmp(80, 30);
  TRasterCanvas canvas(bmp);
  canvas.Font.SetHeight(-11);
  canvas.Brush.Color = clRed;
  canvas.BkMode = bkOpaque;
  const TSize ext = canvas.TextExtent("0123");
  canvas.TextOut(5, 5, "0123");
  EXPECT_EQ(InkBounds(bmp), (TRect{5, 5, 5 + ext.cx, 5 + ext.cy}));
  EXPECT_EQ(bmp.Pixel(5, 5), clRed);
}

void WriteText(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

TEST(RenderFontMatchFile, TrustsOnlyASoundCurrentFile) {
  // The file a process left behind, then changed in one way; only the sound, current one
  // answers. A stale or broken file must read as empty, never as a match.
  const TFontRequest arial{"Arial", true, false};
  const TFontMatch face{"", 2, true};
  struct TRow {
    const char* what;
    std::function<void(const test::TTempDir&, std::string&)> change;
    bool found;
  };
  const TRow rows[] = {
      {"as written", [](const test::TTempDir&, std::string&) {}, true},
      {"font file rewritten",
       [](const test::TTempDir& d, std::string&) { WriteText(d.File("face.ttf"), "other"); },
       false},
      {"configuration removed",
       [](const test::TTempDir& d, std::string&) { std::remove(d.File("fonts.conf").c_str()); },
       false},
      {"absent configuration created",
       [](const test::TTempDir& d, std::string&) { WriteText(d.File("user.conf"), "x"); }, false},
      {"truncated", [](const test::TTempDir&, std::string& t) { t.resize(t.size() - 4); }, false},
      {"empty", [](const test::TTempDir&, std::string& t) { t.clear(); }, false},
      {"other environment",
       [](const test::TTempDir&, std::string& t) { t.replace(t.find("env ") + 4, 4, "XXXX"); },
       false},
      {"bad escape",
       [](const test::TTempDir&, std::string& t) { t.replace(t.find("%0A"), 3, "%G0"); }, false},
      {"bad number",
       [](const test::TTempDir&, std::string& t) { t.replace(t.rfind(" 2 1\n"), 4, " x 1"); },
       false},
      {"index past an int",
       [](const test::TTempDir&, std::string& t) {
         t.replace(t.rfind(" 2 1\n"), 4, " 4294967298 1");
       },
       false},
      {"watched paths out of order",
       [](const test::TTempDir&, std::string& t) {
         const std::size_t first = t.find("watch "), second = t.find("watch ", first + 1);
         const std::size_t end = t.find('\n', second) + 1;
         t = t.substr(0, first) + t.substr(second, end - second) + t.substr(first, second - first) +
             t.substr(end);
       },
       false},
      {"line after the end", [](const test::TTempDir&, std::string& t) { t += "end\n"; }, false},
      {"binary garbage",
       [](const test::TTempDir&, std::string& t) { t.replace(t.size() / 2, 6, "\0\xff\n\n\0z"); },
       false},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.what);
    const test::TTempDir dir;
    const std::string path = dir.File("cache/font-matches");
    WriteText(dir.File("face.ttf"), "face");
    WriteText(dir.File("fonts.conf"), "<fontconfig/>");
    TFontMatch match = face;
    match.File = dir.File("face.ttf");
    TFontMatchFile(path).Add(arial, match, {dir.File("fonts.conf"), dir.File("user.conf")});
    std::string text = test::ReadFileBytes(path);
    ASSERT_NE(text.find("end\n"), std::string::npos);
    row.change(dir, text);
    WriteText(path, text);
    TFontMatchFile file(path);
    const std::optional<TFontMatch> found = file.Find(arial);
    EXPECT_EQ(found.has_value(), row.found);
    if (found) {
      EXPECT_EQ(*found, match);
    }
    EXPECT_FALSE(file.Find(TFontRequest{"Arial", false, false}));
    // Whatever was there, the next match fontconfig makes leaves a sound file.
    file.Add(TFontRequest{"Courier", false, true}, match, {dir.File("fonts.conf")});
    EXPECT_TRUE(TFontMatchFile(path).Find(TFontRequest{"Courier", false, true}));
  }
  const test::TTempDir dir;
  ASSERT_EQ(mkfifo(dir.File("font-matches").c_str(), 0600), 0);
  EXPECT_FALSE(TFontMatchFile(dir.File("font-matches")).Find(arial));  // at once
}

TEST(RenderGlyphStore, ReadsOnlyASoundFileOfItsOwnKey) {
  // A file the store wrote, then changed in one way: only the sound file of the same key reads
  // back, anything else as absent, never as glyphs.
  const TGlyphKey key{"/fonts/face.ttf", TFileStamp{true, 1, 2, 3, 4, 5}, 0, false, -13};
  TGlyphKey otherKey = key;
  otherKey.Stamp.Modified = 6;
  TGlyphSet set;
  set.Metrics.Ascent = 12;
  set.EmPixels64 = 13 * 64;
  set.Glyphs[1] = TGlyphBitmap{4, 1, -9, 2, 3, {0, 17, 34, 51, 68, 255}};
  struct TRow {
    const char* what;
    std::function<void(std::string&)> change;
    bool found;
  };
  // Sets the space glyph's width and height, and the checksum to match, so the layout's own
  // checks must refuse the file.
  auto spaceSized = [](std::int32_t width, std::int32_t rows) {
    return [=](std::string& t) {
      const std::size_t keySize = static_cast<unsigned char>(t[8]) |
                                  static_cast<std::size_t>(static_cast<unsigned char>(t[9])) << 8;
      std::memcpy(&t[12 + keySize + 7 * 4 + 12], &width, 4);
      std::memcpy(&t[12 + keySize + 7 * 4 + 16], &rows, 4);
      // The store's checksum: words of eight bytes, then the rest, multiplied in and folded.
      const std::size_t body = t.size() - 8;
      std::uint64_t h = 0xCBF29CE484222325ULL ^ body, word = 0;
      for (std::size_t i = 0; i <= body; i += 8) {
        word = 0;
        std::memcpy(&word, &t[i], std::min<std::size_t>(8, body - i));
        h = (h ^ word) * 0x9E3779B97F4A7C15ULL;
        h ^= h >> 29;
      }
      std::memcpy(&t[body], &h, 8);
    };
  };
  const TRow rows[] = {
      {"as written", [](std::string&) {}, true},
      {"as written, resealed", spaceSized(0, 0), true},
      {"a glyph beyond the file", spaceSized(1 << 20, 1 << 20), false},
      {"a glyph of negative width", spaceSized(-1, 1), false},
      {"a glyph's coverage taken from the next", spaceSized(1, 1), false},
      {"truncated", [](std::string& t) { t.resize(t.size() - 1); }, false},
      {"empty", [](std::string& t) { t.clear(); }, false},
      {"a byte changed", [](std::string& t) { t[t.size() - 20] ^= 1; }, false},
      {"a byte more", [](std::string& t) { t += 'x'; }, false},
      {"oversized", [](std::string& t) { t.resize(TGlyphStore::kMaxFileBytes + 1); }, false},
      {"another key's file",
       [&](std::string& t) {
         const test::TTempDir other;
         TGlyphStore(other.Path()).Write(otherKey, set);
         t = test::ReadFileBytes(TGlyphStore(other.Path()).PathOf(otherKey));
       },
       false},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.what);
    const test::TTempDir dir;
    const TGlyphStore store(dir.File("glyphs"));
    store.Write(key, set);
    std::string text = test::ReadFileBytes(store.PathOf(key));
    ASSERT_FALSE(text.empty());
    row.change(text);
    WriteText(store.PathOf(key), text);
    const std::optional<TGlyphSet> read = store.Read(key);
    ASSERT_EQ(read.has_value(), row.found);
    if (read) {
      EXPECT_EQ(read->Metrics.Ascent, 12);
      EXPECT_EQ(read->EmPixels64, 13 * 64);
      EXPECT_EQ(read->Glyphs[1].Coverage, set.Glyphs[1].Coverage);
      EXPECT_EQ(read->Glyphs[1].Top, -9);
    }
    EXPECT_FALSE(store.Read(otherKey));
  }
  // The store keeps a bounded number of sizes.
  const test::TTempDir dir;
  const TGlyphStore store(dir.File("glyphs"));
  for (int height = 1; height <= static_cast<int>(TGlyphStore::kMaxFiles) + 6; ++height)
    store.Write(TGlyphKey{"/f", {}, 0, false, height}, set);
  const auto files = std::distance(std::filesystem::directory_iterator(dir.File("glyphs")),
                                   std::filesystem::directory_iterator());
  EXPECT_EQ(files, static_cast<long>(TGlyphStore::kMaxFiles));
  EXPECT_TRUE(store.Read(TGlyphKey{"/f", {}, 0, false, TGlyphStore::kMaxFiles + 6}));
  // A FIFO in a file's place reads as absent, at once.
  const TGlyphKey fifo{"/fifo", {}, 0, false, 1};
  ASSERT_EQ(mkfifo(store.PathOf(fifo).c_str(), 0600), 0);
  EXPECT_FALSE(store.Read(fifo));
}

TEST(RenderRasterCanvas, AMatchFileNeverChangesTheText) {
  // Text drawn through a glyph cache that keeps its matches and glyphs in files is the text
  // fontconfig's own choice and FreeType give: with no files, with the files a first cache wrote,
  // with broken ones, with a sound match file naming a face that no longer loads, and after the
  // font file changed. Turned and non-ASCII text takes glyphs the store does not hold.
  const test::TTempDir dir;
  const std::string path = dir.File("font-matches");
  auto draw = [](const std::string& matchFile) {
    TBitmap bmp(160, 60, clWhite);
    TRasterCanvas canvas(bmp, TRasterCanvas::NewGlyphCache(matchFile));
    canvas.Font.SetHeight(-13);
    canvas.TextOut(2, 2, "9771210107005");
    canvas.Font.SetEscapement(900);
    canvas.TextOut(140, 58, "(12)");
    canvas.Font.SetEscapement(450);
    canvas.TextOut(110, 50, "ab");
    canvas.Font.SetEscapement(0);
    canvas.Font.SetStyle(fsBold);
    canvas.TextOut(2, 20, "Barcode \xC4\xE9");
    return canvas.Bitmap().Rgb;
  };
  auto changeStored = [&](const std::function<void(std::string&)>& change) {
    for (const auto& entry : std::filesystem::directory_iterator(dir.File("glyphs"))) {
      std::string text = test::ReadFileBytes(entry.path().string());
      change(text);
      WriteText(entry.path().string(), text);
    }
  };
  const std::vector<std::uint8_t> expected = draw("");
  EXPECT_EQ(draw(path), expected);  // writes the files
  const std::optional<TFontMatch> regular =
      TFontMatchFile(path).Find(TFontRequest{"Arial", false, false});
  const std::optional<TFontMatch> bold =
      TFontMatchFile(path).Find(TFontRequest{"Arial", true, false});
  ASSERT_TRUE(regular && bold);
  ASSERT_FALSE(std::filesystem::is_empty(dir.File("glyphs")));
  EXPECT_EQ(draw(path), expected);  // reads them
  changeStored([](std::string& t) { t.resize(t.size() / 2); });
  EXPECT_EQ(draw(path), expected);
  changeStored([](std::string& t) { t[t.size() / 2] = static_cast<char>(~t[t.size() / 2]); });
  EXPECT_EQ(draw(path), expected);
  WriteText(path, test::ReadFileBytes(path).substr(0, 300));
  EXPECT_EQ(draw(path), expected);
  WriteText(dir.File("not-a-font.ttf"), "not a font");
  TFontMatchFile(path).Add(TFontRequest{"Arial", false, false},
                           TFontMatch{dir.File("not-a-font.ttf"), 0, false}, {});
  EXPECT_EQ(draw(path), expected);

  // A font file rewritten under a sound match file: its new contents are drawn, as a first
  // drawing of them is.
  auto drawFrom = [&](const test::TTempDir& d, const TFontMatch& face) {
    std::filesystem::copy_file(face.File, d.File("face.ttf"),
                               std::filesystem::copy_options::overwrite_existing);
    TFontMatchFile(d.File("font-matches"))
        .Add(TFontRequest{"Arial", false, false},
             TFontMatch{d.File("face.ttf"), face.Index, face.Embolden}, {});
    return draw(d.File("font-matches"));
  };
  const test::TTempDir changed, fresh;
  EXPECT_EQ(drawFrom(changed, *regular), expected);
  const std::vector<std::uint8_t> boldFace = drawFrom(fresh, *bold);
  EXPECT_NE(boldFace, expected);
  EXPECT_EQ(drawFrom(changed, *bold), boldFace);
}

TEST(RenderRasterCanvas, TextNeverWritesOutsideTheBitmap) {
  TBitmap bmp(20, 10);
  TRasterCanvas canvas(bmp);
  canvas.Font.SetHeight(-40);
  canvas.Font.SetStyle(fsUnderline | fsStrikeOut | fsItalic);
  for (int esc : {0, 450, 900, 1800, 2700})
    for (TPoint p : {TPoint{-30, -30}, TPoint{15, 5}, TPoint{INT_MIN / 2, INT_MAX / 2},
                     TPoint{INT_MAX, INT_MAX}, TPoint{INT_MIN, INT_MIN}}) {
      canvas.Font.SetEscapement(esc);
      canvas.TextOut(p.X, p.Y, "Wide text \xe9\x80\x01");
    }
  EXPECT_NE(InkBounds(bmp).Left, INT_MAX);
}

TEST(RenderRasterCanvas, DrawTextCenteredWrapsCentresAndClips) {
  TBitmap bmp(100, 60);
  TRasterCanvas canvas(bmp);
  canvas.Font.SetHeight(-11);
  canvas.BkMode = bkTransparent;
  const TRect box{10, 10, 70, 40};
  const int lines = canvas.WrappedTextHeight(box.Width(), "one two three four five six") /
                    canvas.TextHeight("Wg");
  EXPECT_GE(lines, 2);
  canvas.DrawTextCentered(box, "one two three four five six seven eight nine ten");
  const TRect ink = InkBounds(bmp);
  EXPECT_GE(ink.Left, box.Left);
  EXPECT_GE(ink.Top, box.Top);
  EXPECT_LE(ink.Right, box.Right);
  EXPECT_LE(ink.Bottom, box.Bottom);
  // Centred: about as much room on either side of the widest line.
  EXPECT_LE(std::abs((ink.Left - box.Left) - (box.Right - ink.Right)), 8);
}

TEST(RenderRecordingCanvas, RecordsCallsWithStateAndAFixedMetric) {
  TRecordingCanvas canvas;
  canvas.Font.SetHeight(-11);
  EXPECT_EQ(canvas.TextExtent("0123"), (TSize{20, 11}));
  canvas.Brush.Color = clRed;
  canvas.Font.SetEscapement(900);
  canvas.TextAlign = kTaRight;
  canvas.TextOut(3, 4, "hi");
  const TPoint tri[] = {{0, 0}, {5, 0}, {0, 5}};
  canvas.Polygon(tri);
  ASSERT_EQ(canvas.Calls.size(), 2u);
  const TCanvasCall& text = canvas.Calls[0];
  EXPECT_EQ(text.Op, TCanvasOp::TextOut);
  EXPECT_EQ(text.Points[0], (TPoint{3, 4}));
  EXPECT_EQ(text.Escapement, 900);
  EXPECT_EQ(text.TextAlign, kTaRight);
  EXPECT_EQ(canvas.Calls[1].Rect, (TRect{0, 0, 5, 5}));
  EXPECT_EQ(canvas.Calls[1].Brush.Color, clRed);
  EXPECT_EQ(canvas.CallsOf(TCanvasOp::Polygon).size(), 1u);
  EXPECT_NE(text.Describe().find("\"hi\""), std::string::npos);
}

}  // namespace
}  // namespace brevix
