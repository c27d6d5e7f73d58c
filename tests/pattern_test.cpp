#include "core/pattern.h"

#include <gtest/gtest.h>

namespace brevix {
namespace {

struct ScaleRow {
  const char* name;
  std::string pattern;
  TCaptionAnchors anchors;
  int width;
  bool completeDraw;
  std::string pixels;
  TCaptionAnchors scaled;
  bool outOfBox;
};

TEST(ScalePattern, BothModes) {
  const ScaleRow rows[] = {
      {"fill, W = L: one column a module",
       "1010",
       {1, 3, 0, 0, 0, 0},
       4,
       false,
       "1010",
       {0, 2, 0, 0, 0, 0},
       false},
      {"fill, W = 2L", "10", {2, 0, 0, 0, 0, 0}, 4, false, "1100", {2, 0, 0, 0, 0, 0}, false},
      {"fill, uneven spread: ceil(i*W/L) - ceil((i-1)*W/L)",
       "101",
       {1, 2, 3, 0, 0, 0},
       5,
       false,
       "11001",
       {0, 2, 4, 0, 0, 0},
       false},
      {"fill, anchor beyond L keeps its value",
       "11",
       {0, 0, 0, 0, 7, 0},
       3,
       false,
       "111",
       {0, 0, 0, 0, 7, 0},
       false},
      {"integer, W = 2L + 1",
       "1001",
       {1, 4, 0, 0, 0, 2},
       9,
       true,
       "11000011",
       {2, 8, 0, 0, 0, 4},
       false},
      {"integer, W < L", "1001", {1, 0, 0, 0, 0, 0}, 3, true, "", {1, 0, 0, 0, 0, 0}, true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const auto r = ScalePattern(row.pattern, row.anchors, row.width, row.completeDraw);
    EXPECT_EQ(r.Pixels, row.pixels);
    EXPECT_EQ(r.Anchors, row.scaled);
    EXPECT_EQ(r.OutOfBox, row.outOfBox);
  }
}

TEST(ScalePattern, FillModeAlwaysGivesExactlyWColumns) {
  const std::string p = "  1011001101011001  ";
  for (int w = static_cast<int>(p.size()); w < 400; w += 7) {
    const auto r = ScalePattern(p, {}, w, false);
    EXPECT_EQ(static_cast<int>(r.Pixels.size()), w) << w;
  }
}

}  // namespace
}  // namespace brevix
