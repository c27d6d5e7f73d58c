// The quick paths for quarter turns and upright rectangles must give exactly what the general
// paths give: the same points, the same pixels.

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <span>
#include <string>
#include <vector>

#include "core/pattern.h"
#include "platform/bitmap.h"
#include "platform/raster_canvas.h"
#include "render/rotate.h"

namespace brevix {
namespace {

TEST(RasterQuickPaths, QuarterTurnsMatchTheGeneralRotation) {
  const TPoint points[] = {{0, 0}, {10, 5},      {-7, 300},          {123456, -98765},
                           {1, 1}, {INT_MAX, 0}, {INT_MIN, INT_MAX}, {-40000, 40000}};
  const TPoint centres[] = {{0, 0}, {100, 40}, {-3, 7}, {INT_MIN, INT_MAX}};
  for (int angle : {0, 90, 180, 270}) {
    for (const TPoint& p : points) {
      for (const TPoint& c : centres) {
        SCOPED_TRACE(testing::Message() << angle << " (" << p.X << "," << p.Y << ") about (" << c.X
                                        << "," << c.Y << ")");
        // A full turn more takes the trigonometric path to the same place.
        EXPECT_EQ(RotatePoint(p, c, angle), RotatePoint(p, c, angle + 360));
      }
    }
  }
}

TEST(RasterQuickPaths, UprightFitBoxMatchesTheGeneralFormula) {
  const TRect rects[] = {{0, 0, 5, 3},
                         {0, 0, 6, 4},
                         {-7, 3, 120, 41},
                         {10, 10, 0, 0},
                         {3, 3, 3, 3},
                         {-1, -1, 0, 0},
                         {INT_MIN, 0, INT_MAX, 9},
                         {0, INT_MIN, 11, INT_MAX},
                         {INT_MIN, INT_MIN, INT_MAX, INT_MAX}};
  for (const TRect& r : rects) {
    SCOPED_TRACE(testing::Message() << r.Left << "," << r.Top << "," << r.Right << "," << r.Bottom);
    // A full turn takes the trigonometric path.
    EXPECT_EQ(FitBox(r, 0), FitBox(r, 360));
  }
}

// Draws the polygon on a fresh bitmap, once as given and once with its first corner repeated at
// the end, which the upright-rectangle path does not take.
void ExpectSamePixels(std::vector<TPoint> corners, TColor color) {
  TBitmap quick(40, 30, clWhite), general(40, 30, clWhite);
  TRasterCanvas a(quick), b(general);
  for (TRasterCanvas* c : {&a, &b}) {
    c->Brush.Color = color;
    c->Pen.Style = psClear;
  }
  a.Polygon(corners);
  corners.push_back(corners.front());
  b.Polygon(corners);
  EXPECT_EQ(quick.Rgb, general.Rgb);
}

TEST(RasterQuickPaths, UprightRectanglesMatchTheScan) {
  struct TRectRow {
    const char* Name;
    std::vector<TPoint> Corners;
  };
  const TRectRow rows[] = {
      {"inside, clockwise", {{3, 4}, {9, 4}, {9, 20}, {3, 20}}},
      {"inside, counter-clockwise from the bottom", {{9, 20}, {9, 4}, {3, 4}, {3, 20}}},
      {"one pixel", {{5, 5}, {6, 5}, {6, 6}, {5, 6}}},
      {"no width", {{5, 5}, {5, 5}, {5, 9}, {5, 9}}},
      {"across the left and top edges", {{-5, -5}, {4, -5}, {4, 6}, {-5, 6}}},
      {"across the right and bottom edges", {{35, 25}, {60, 25}, {60, 50}, {35, 50}}},
      {"covering the bitmap", {{-100, -100}, {100, -100}, {100, 100}, {-100, 100}}},
      {"far outside", {{500, 500}, {600, 500}, {600, 600}, {500, 600}}},
      {"int extremes",
       {{INT_MIN, INT_MIN}, {INT_MAX, INT_MIN}, {INT_MAX, INT_MAX}, {INT_MIN, INT_MAX}}},
      {"wide bar (more than 32 bytes a row)", {{1, 2}, {39, 2}, {39, 3}, {1, 3}}},
  };
  for (const TRectRow& row : rows) {
    for (TColor color : {clBlack, RGBColor(200, 30, 90)}) {
      SCOPED_TRACE(testing::Message() << row.Name << " colour " << color);
      ExpectSamePixels(row.Corners, color);
    }
  }
}

TEST(RasterQuickPaths, BarWidthsOfEverySizeClassFillExactlyTheirColumns) {
  for (int width = 1; width <= 14; ++width) {
    for (TColor color : {clBlack, RGBColor(1, 2, 3)}) {
      SCOPED_TRACE(testing::Message() << "width " << width << " colour " << color);
      TBitmap bitmap(20, 6, clWhite);
      TRasterCanvas canvas(bitmap);
      canvas.Brush.Color = color;
      canvas.FillRect(TRect{3, 1, 3 + width, 5});
      for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 20; ++x) {
          const bool inside = x >= 3 && x < 3 + width && y >= 1 && y < 5;
          ASSERT_EQ(bitmap.Pixel(x, y), inside ? color : clWhite) << x << "," << y;
        }
    }
  }
}

TEST(RasterQuickPaths, ScalingCountsColumnsByTheCeilingFormula) {
  for (int length = 1; length <= 40; ++length) {
    std::string pattern;
    for (int i = 0; i < length; ++i) pattern += "10 2X"[i % 5];
    for (int width = 1; width <= 130; ++width) {
      SCOPED_TRACE(testing::Message() << "L " << length << " W " << width);
      const TCaptionAnchors anchors{1, length, (length + 1) / 2, length + 1, 0, 3};
      const TScaledPattern s = ScalePattern(pattern, anchors, width, false);
      auto ceilDiv = [](long long a, long long b) { return (a + b - 1) / b; };
      std::string expected;
      for (int i = 1; i <= length; ++i)
        expected.append(static_cast<std::size_t>(ceilDiv(1LL * i * width, length) -
                                                 ceilDiv(1LL * (i - 1) * width, length)),
                        pattern[static_cast<std::size_t>(i - 1)]);
      ASSERT_EQ(s.Pixels, expected);
      auto at = [&](int a) {
        return a >= 1 && a <= length ? static_cast<int>(ceilDiv(1LL * (a - 1) * width, length)) : a;
      };
      ASSERT_EQ(s.Anchors, (TCaptionAnchors{at(1), at(length), at((length + 1) / 2), at(length + 1),
                                            0, at(3)}));
    }
  }
}

// A batch of fills must leave exactly the pixels of the same shapes filled one by one, on a
// picture whose rows differ (so a row copied where nothing was drawn would show).
TEST(RasterQuickPaths, BatchFillsMatchOneByOne) {
  const TColor red = RGBColor(200, 10, 30), grey = RGBColor(90, 90, 90);
  // The picture under the shapes: rows that differ, rows that repeat (so a row of shapes may be
  // copied down whole), rows that repeat but for one pixel between the shapes.
  enum TBackground { kRowsDiffer, kRowsRepeat, kOnePixelDiffers };
  struct Row {
    const char* name;
    std::vector<TQuadFill> quads;
    TBackground background = kRowsDiffer;
  };
  auto quad = [](int l, int t, int r, int b, TColor c) {
    return TQuadFill{{{l, t}, {r, t}, {r, b}, {l, b}}, c};
  };
  const Row rows[] = {
      {"background then bars",
       {quad(0, 0, 40, 30, clWhite), quad(2, 0, 5, 30, clBlack), quad(7, 3, 8, 25, clBlack),
        quad(20, 0, 33, 20, grey)}},
      {"bars only, gaps keep their rows",
       {quad(1, 2, 3, 28, clBlack), quad(10, 0, 12, 30, red), quad(30, 5, 39, 6, grey)}},
      {"overlaps: later shapes win",
       {quad(5, 5, 30, 25, red), quad(10, 0, 20, 30, clBlack), quad(0, 10, 40, 15, grey),
        quad(12, 12, 14, 14, clWhite)}},
      {"turned corners and shapes beyond the edges",
       {quad(35, 28, -5, -4, grey), quad(38, 1, 45, 40, clBlack), quad(-9, -9, -1, -1, red),
        quad(3, 3, 3, 20, red)}},
      {"horizontal stripes as at a quarter turn",
       {quad(0, 0, 40, 30, clWhite), quad(0, 2, 40, 4, clBlack), quad(0, 6, 40, 7, clBlack),
        quad(0, 9, 40, 13, clBlack), quad(4, 20, 36, 22, red)}},
  };
  std::vector<Row> all(std::begin(rows), std::end(rows));
  // A grey background across the bitmap and grey bars of one colour, left to right, as a
  // barcode's band: bars of every width from one pixel, touching, at both ends, in the last row;
  // and out of order, over a coloured background, in two inks.
  const TColor lightGrey = RGBColor(200, 200, 200);
  Row bars{"a grey background and grey bars of every width", {quad(0, 0, 40, 30, lightGrey)}};
  for (int x = 0, w = 1; x + w <= 40; x += w + (w % 3), ++w)
    bars.quads.push_back(quad(x, 0, x + w, 30, clBlack));
  all.push_back(bars);
  all.push_back({"grey bars touching, at both ends",
                 {quad(0, 0, 40, 30, clWhite), quad(0, 0, 1, 30, grey), quad(1, 0, 3, 30, grey),
                  quad(20, 0, 31, 30, grey), quad(39, 0, 40, 30, grey)},
                 kRowsRepeat});
  all.push_back(
      {"grey bars in the bitmap's last row",
       {quad(0, 29, 40, 30, clWhite), quad(3, 29, 4, 30, clBlack), quad(37, 29, 38, 30, clBlack)}});
  all.push_back(
      {"grey bars out of order",
       {quad(0, 0, 40, 30, clWhite), quad(20, 0, 22, 30, clBlack), quad(5, 0, 7, 30, clBlack)}});
  all.push_back({"grey bars over a coloured background",
                 {quad(0, 0, 40, 30, red), quad(2, 0, 4, 30, clBlack)}});
  all.push_back(
      {"bars of two greys",
       {quad(0, 0, 40, 30, clWhite), quad(2, 0, 4, 30, clBlack), quad(6, 0, 9, 30, grey)}});
  // A row of modules: many shapes of one height with gaps between them.
  Row modules{"a row of modules, gaps between", {}};
  for (int x = 1; x + 2 < 40; x += 4)
    modules.quads.push_back(quad(x, 8, x + 1 + x % 3, 17, x % 8 == 1 ? red : clBlack));
  all.push_back(modules);
  modules.name = "a row of modules over repeating rows";
  modules.background = kRowsRepeat;
  all.push_back(modules);
  modules.name = "a row of modules over rows that repeat but for one pixel";
  modules.background = kOnePixelDiffers;
  all.push_back(modules);
  modules.name = "a row of modules, overlapping and clipped";
  modules.quads.push_back(quad(-3, 8, 4, 17, grey));
  modules.quads.push_back(quad(36, 8, 60, 17, red));
  modules.quads.push_back(quad(10, 8, 22, 17, clWhite));
  all.push_back(modules);
  // One shape that is not an upright rectangle sends the whole batch through the polygon fill.
  Row turned{"one turned shape among upright ones",
             {quad(0, 0, 40, 30, clWhite), quad(2, 0, 5, 30, clBlack),
              TQuadFill{{{20, 2}, {30, 10}, {22, 20}, {12, 12}}, red}, quad(7, 3, 8, 25, grey)},
             kRowsRepeat};
  all.push_back(turned);
  // Many distinct heights take the sorting sweep rather than the lookup of a few edges.
  Row stripes{"many stripes over a background", {quad(0, 0, 40, 30, grey)}};
  for (int i = 0; i < 12; ++i)
    stripes.quads.push_back(quad(i, 2 * i + 1, 40 - i, 2 * i + 2 + i % 3, i % 2 ? red : clBlack));
  stripes.quads.push_back(quad(3, 4, 9, 27, clWhite));
  all.push_back(stripes);
  // The picture of a row before any shape is drawn.
  const auto beforeShapes = [](const Row& row) {
    TBitmap b(40, 30);
    for (int y = 0; y < b.Height; ++y)
      for (int x = 0; x < b.Width; ++x)
        b.SetPixel(
            x, y,
            RGBColor(static_cast<std::uint8_t>(x * 6),
                     static_cast<std::uint8_t>(row.background == kRowsDiffer ? y * 8 : 0), 77));
    if (row.background == kOnePixelDiffers) b.SetPixel(21, 13, clWhite);
    return b.Rgb;
  };
  for (const Row& row : all) {
    SCOPED_TRACE(row.name);
    TBitmap batch(40, 30), single(40, 30);
    batch.Rgb = single.Rgb = beforeShapes(row);
    TRasterCanvas a(batch), b(single);
    a.FillQuads(row.quads);
    for (const TQuadFill& q : row.quads) {
      b.Brush.Color = q.Color;
      b.Pen.Style = psClear;
      b.Polygon(q.Corners);
    }
    EXPECT_EQ(batch.Rgb, single.Rgb);
    EXPECT_EQ(a.Brush.Color, b.Brush.Color);
    EXPECT_EQ(a.Pen.Style, psClear);

    // The same quads handed over as rectangles (corners from the top left clockwise) fill the
    // same pixels, as they are or put right and clipped.
    std::vector<TRectFill> fills;
    for (const TQuadFill& q : row.quads) {
      const TPoint* c = q.Corners;
      if (c[0].Y == c[1].Y && c[1].X == c[2].X && c[2].Y == c[3].Y && c[3].X == c[0].X &&
          c[0].X == c[3].X)
        fills.push_back({TRect{c[0].X, c[0].Y, c[2].X, c[2].Y}, q.Color});
    }
    if (fills.size() == row.quads.size()) {
      TBitmap upright(40, 30);
      upright.Rgb = beforeShapes(row);
      TRasterCanvas u(upright);
      u.Brush.Color = clWhite;
      u.FillUprightQuads(fills);
      EXPECT_EQ(upright.Rgb, single.Rgb);
      EXPECT_EQ(u.Brush.Color, b.Brush.Color);
      EXPECT_EQ(u.Pen.Style, psClear);
      u.Brush.Style = bsClear;
      u.FillUprightQuads(fills);
      EXPECT_EQ(upright.Rgb, single.Rgb);
    }

    std::vector<TRect> rects;
    for (const TQuadFill& q : row.quads)
      rects.push_back(TRect{
          std::min(q.Corners[0].X, q.Corners[2].X), std::min(q.Corners[0].Y, q.Corners[2].Y),
          std::max(q.Corners[0].X, q.Corners[2].X), std::max(q.Corners[0].Y, q.Corners[2].Y)});
    a.Brush.Color = b.Brush.Color = red;
    a.FillRects(rects);
    for (const TRect& r : rects) b.FillRect(r);
    EXPECT_EQ(batch.Rgb, single.Rgb);

    // A clear brush fills nothing, in a batch as one by one.
    const std::vector<std::uint8_t> before = batch.Rgb;
    a.Brush.Style = bsClear;
    a.FillQuads(row.quads);
    a.FillRects(rects);
    EXPECT_EQ(batch.Rgb, before);
  }
}

// Text over a plain colour is copied from a blend kept with each glyph; over anything else each
// pixel is blended on its own. Both must give the same pixels, whatever colours came before.
TEST(RasterQuickPaths, TextOverPlainColourMatchesThePixelBlend) {
  const TColor paper1 = RGBColor(250, 240, 200), paper2 = RGBColor(20, 60, 90);
  const TColor inks[] = {clBlack, RGBColor(200, 30, 40), clBlack, clWhite};
  for (const int escapement : {0, 900, 2700}) {
    for (const TColor ink : inks) {
      SCOPED_TRACE(testing::Message() << "escapement " << escapement << " ink " << ink);
      auto draw = [&](TBitmap& b) {
        TRasterCanvas c(b);
        c.Font.SetName("Arial");
        c.Font.SetSize(11);
        c.Font.SetColor(ink);
        c.Font.SetEscapement(escapement);
        c.BkMode = bkTransparent;
        c.TextOut(30, 30, "Wg 0123");
      };
      // Over one colour each: every glyph takes its kept blend.
      TBitmap plain1(70, 70, paper1), plain2(70, 70, paper2);
      draw(plain1);
      draw(plain2);
      // Over rows of the two colours in turn: no glyph sits on one colour, each pixel is blended.
      TBitmap striped(70, 70, paper1);
      for (int y = 1; y < striped.Height; y += 2)
        for (int x = 0; x < striped.Width; ++x) striped.SetPixel(x, y, paper2);
      draw(striped);
      TBitmap expected(70, 70, paper1);
      for (int y = 0; y < expected.Height; ++y)
        for (int x = 0; x < expected.Width; ++x)
          expected.SetPixel(x, y, (y % 2 ? plain2 : plain1).Pixel(x, y));
      ASSERT_NE(plain1.Rgb, TBitmap(70, 70, paper1).Rgb);  // something was drawn
      EXPECT_EQ(striped.Rgb, expected.Rgb);
    }
  }
}

// The column map that painting draws from puts every module exactly where ScalePattern puts it,
// and the anchors go where ScalePattern puts them.
TEST(RasterQuickPaths, ColumnMapMatchesTheScaledPattern) {
  // One map for every case, as a control reuses it from paint to paint: what an earlier, longer
  // pattern left behind must not show.
  TColumnMap reused{{7, 7, 7}, true};
  for (const bool complete : {false, true}) {
    for (int length = 45; length >= 1; --length) {
      std::string pattern;
      for (int i = 0; i < length; ++i) pattern += "10011101"[i % 8];
      for (int width = 0; width <= 140; ++width) {
        SCOPED_TRACE(testing::Message() << complete << " L " << length << " W " << width);
        const TScaledPattern s = ScalePattern(pattern, {}, width, complete);
        const TColumnMap map = ScaleColumns(length, width, complete);
        ASSERT_EQ(map.OutOfBox, s.OutOfBox);
        std::string expanded;
        if (!map.Starts.empty()) {
          ASSERT_EQ(map.Starts.size(), static_cast<std::size_t>(length) + 1);
          for (int m = 0; m < length; ++m)
            expanded.append(static_cast<std::size_t>(map.Starts[static_cast<std::size_t>(m) + 1] -
                                                     map.Starts[static_cast<std::size_t>(m)]),
                            pattern[static_cast<std::size_t>(m)]);
        }
        ASSERT_EQ(expanded, s.Pixels);
        ScaleColumnsInto(length, width, complete, reused);
        ASSERT_EQ(reused.Starts, map.Starts);
        ASSERT_EQ(reused.OutOfBox, map.OutOfBox);
        if (!map.Starts.empty() && length >= 2) {
          // An anchor on module a becomes its left edge when the modules fill the box, the
          // right edge of module a in integer mode.
          const TCaptionAnchors a = ScaleAnchors({2, 0, 0, 0, 0, 1}, length, width, complete);
          ASSERT_EQ(a.LeftFrom, map.Starts[complete ? 2 : 1]);
          ASSERT_EQ(a.TrailFrom, map.Starts[complete ? 1 : 0]);
          ASSERT_EQ(a.LeftTo, 0);
        }
      }
    }
  }
}

}  // namespace
}  // namespace brevix

namespace brevix {
namespace {

// Every row the canvas reports as a repeat must hold exactly the bytes of the row above.
void ExpectReportedRepeatsHold(TRasterCanvas& canvas, const TBitmap& bitmap,
                               const std::string& what) {
  const std::span<const std::uint8_t> flags = canvas.RowRepeats();
  ASSERT_EQ(flags.size(), static_cast<std::size_t>(bitmap.Height)) << what;
  const std::size_t stride = static_cast<std::size_t>(bitmap.Width) * 3;
  for (std::size_t y = 1; y < flags.size(); ++y) {
    if (flags[y] == 0) continue;
    ASSERT_TRUE(std::equal(bitmap.Rgb.begin() + static_cast<std::ptrdiff_t>(y * stride),
                           bitmap.Rgb.begin() + static_cast<std::ptrdiff_t>((y + 1) * stride),
                           bitmap.Rgb.begin() + static_cast<std::ptrdiff_t>((y - 1) * stride)))
        << what << ": row " << y;
  }
  EXPECT_EQ(flags[0], 0) << what;
}

TEST(RasterRowRepeats, ReportedRowsRepeatAfterEveryKindOfDrawing) {
  // Drawings in a fixed pseudo-random order over a started picture: after each, every reported
  // repeat must still be true.
  const TColor colours[] = {clBlack, clWhite, RGBColor(200, 10, 30), RGBColor(90, 90, 90)};
  TBitmap bitmap(37, 29);
  TRasterCanvas canvas(bitmap);
  canvas.ClearTo(clWhite);
  ExpectReportedRepeatsHold(canvas, bitmap, "the started picture");
  std::uint32_t seed = 12345;
  const auto next = [&](int n) {
    seed = seed * 1103515245u + 12345u;
    return static_cast<int>((seed >> 16) % static_cast<std::uint32_t>(n));
  };
  for (int step = 0; step < 400; ++step) {
    const int x0 = next(45) - 4, y0 = next(37) - 4, x1 = next(45) - 4, y1 = next(37) - 4;
    const TColor colour = colours[next(4)];
    canvas.Brush.Color = colour;
    canvas.Pen.Color = colour;
    canvas.Pen.Style = psSolid;
    std::string what = "step " + std::to_string(step) + ": ";
    switch (next(8)) {
      case 0: {
        what += "full-width band";
        const TRectFill f[] = {{{0, y0, bitmap.Width, y1}, colour},
                               {{x0, y0, x1, y1}, colours[next(4)]}};
        canvas.FillUprightQuads(f);
        break;
      }
      case 1: {
        what += "bars of one height";
        const TRect r[] = {{x0, y0, x0 + 2, y1}, {x1, y0, x1 + 3, y1}};
        canvas.FillRects(r);
        break;
      }
      case 2:
        what += "rectangle";
        canvas.FillRect(TRect{x0, y0, x1, y1});
        break;
      case 3: {
        what += "quads of several heights";
        const TQuadFill q[] = {
            {{{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}}, colour},
            {{{0, y1}, {bitmap.Width, y1}, {bitmap.Width, y1 + 3}, {0, y1 + 3}}, colours[next(4)]}};
        canvas.FillQuads(q);
        break;
      }
      case 4: {
        what += "turned polygon";
        const TPoint p[] = {{x0, y0}, {x1, y0 + 3}, {x1 - 2, y1}};
        canvas.Polygon(p);
        break;
      }
      case 5:
        what += "line";
        canvas.Line(x0, y0, x1, y1);
        break;
      case 6:
        what += "text";
        canvas.Font.SetSize(6 + next(6));
        canvas.Font.SetEscapement(next(4) * 900);
        canvas.BkMode = next(2) ? bkOpaque : bkTransparent;
        canvas.TextOut(x0, y0, "Ag1");
        break;
      default: {
        what += "whole background";
        const TRectFill f[] = {{{0, 0, bitmap.Width, bitmap.Height}, colour}};
        canvas.FillUprightQuads(f);
        break;
      }
    }
    ExpectReportedRepeatsHold(canvas, bitmap, what);
  }
}

TEST(RasterRowRepeats, ModulesOverRowsKnownOnlyWhereTheRowsMatchWhole) {
  // A row of PDF417 modules drawn over rows that differ outside the modules' columns: the rows
  // are not equal, whatever the modules make alike. Once the rows match whole, the modules
  // leave them equal and that is reported.
  TBitmap bitmap(40, 6, clWhite);
  for (int y = 0; y < 6; ++y) bitmap.SetPixel(0, y, RGBColor(y * 40, 0, 0));
  TRasterCanvas canvas(bitmap);
  canvas.Brush = TBrush{clBlack, bsSolid};
  std::vector<TRect> modules;
  for (int k = 0; k < 10; ++k) modules.push_back(TRect{5 + 3 * k, 0, 6 + 3 * k + k % 2, 6});
  canvas.FillRects(modules);
  ExpectReportedRepeatsHold(canvas, bitmap, "rows differing in column 0");
  canvas.Brush = TBrush{clWhite, bsSolid};
  canvas.FillRect(TRect{0, 0, 1, 6});
  canvas.Brush = TBrush{clBlack, bsSolid};
  canvas.FillRects(modules);
  ExpectReportedRepeatsHold(canvas, bitmap, "rows matching whole");
  const std::span<const std::uint8_t> flags = canvas.RowRepeats();
  EXPECT_EQ(std::count(flags.begin(), flags.end(), 1), 5);
  canvas.FillRects(modules);  // known now: not compared, still reported
  ExpectReportedRepeatsHold(canvas, bitmap, "drawn again");
  const std::span<const std::uint8_t> again = canvas.RowRepeats();
  EXPECT_EQ(std::count(again.begin(), again.end(), 1), 5);
}

TEST(RasterRowRepeats, ABarcodeOverItsBackgroundIsKnownRowByRow) {
  // The rows a background and bars of one height fill are all reported, so that an image writer
  // compares none of them; a bitmap handed out for writing is known no more.
  TBitmap bitmap(60, 20);
  TRasterCanvas canvas(bitmap);
  canvas.ClearTo(clWhite);
  const TRectFill f[] = {
      {{0, 0, 60, 20}, clWhite}, {{4, 0, 6, 20}, clBlack}, {{9, 0, 12, 20}, clBlack}};
  canvas.FillUprightQuads(f);
  const std::span<const std::uint8_t> flags = canvas.RowRepeats();
  EXPECT_EQ(std::count(flags.begin(), flags.end(), 1), 19);
  canvas.Bitmap();
  const std::span<const std::uint8_t> after = canvas.RowRepeats();
  EXPECT_EQ(std::count(after.begin(), after.end(), 1), 0);
}

}  // namespace
}  // namespace brevix

namespace brevix {
namespace {

// Whole rows under a composed first row are repeated as one stretch of memory, by the string
// move for rows of 256 bytes or more and by doubling copies below that: every pixel of every row
// must come out as drawn, for widths on both sides of that line and heights of one row up.
TEST(RasterQuickPaths, WholeRowFillsRepeatTheFirstRowExactly) {
  const TColor colours[] = {RGBColor(1, 2, 3), RGBColor(77, 77, 77)};
  for (const int width : {1, 2, 85, 86, 87, 200, 511})
    for (const int height : {1, 2, 7, 64})
      for (const TColor back : colours) {
        SCOPED_TRACE(testing::Message() << width << "x" << height << " colour " << back);
        TBitmap filled(width, height, clWhite);
        {
          TRasterCanvas canvas(filled);
          canvas.Brush.Color = back;
          canvas.FillRect(TRect{0, 0, width, height});
        }
        for (int y = 0; y < height; ++y)
          for (int x = 0; x < width; ++x) ASSERT_EQ(filled.Pixel(x, y), back) << x << "," << y;

        // A background and a bar: the band's first row is composed and the rows below copied.
        TBitmap barred(width, height, clWhite);
        {
          TRasterCanvas canvas(barred);
          const int bar = width / 3;
          const TRectFill f[] = {{{0, 0, width, height}, back},
                                 {{bar, 0, bar + 1, height}, clBlack}};
          canvas.FillUprightQuads(f);
        }
        for (int y = 0; y < height; ++y)
          for (int x = 0; x < width; ++x)
            ASSERT_EQ(barred.Pixel(x, y), x == width / 3 ? clBlack : back) << x << "," << y;
      }
}

}  // namespace
}  // namespace brevix
