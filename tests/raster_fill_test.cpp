// The quick paths for quarter turns and upright rectangles must give exactly what the general
// paths give: the same points, the same pixels.

#include <gtest/gtest.h>

#include <climits>
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

}  // namespace
}  // namespace brevix
