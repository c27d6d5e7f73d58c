// Painting on two threads at once, each with its own control and paint context: the pictures equal
// those of the same paints one after another, so the threads share no mutable state (the glyph
// cache of the raster canvas is the one thing they share).

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "core/control.h"
#include "platform/raster_canvas.h"
#include "render/draw.h"

namespace brevix {
namespace {

struct TPaint {
  TTypeBar TypeBar;
  TAngleType Angle;
  TDisplayType Display;
};

// Every symbology, captioned and turned in turn, painted by one control into one bitmap each:
// with the control's own paint context, or with one of the caller's on every other paint from
// the first (parity 0) or the second (parity 1).
std::vector<std::vector<std::uint8_t>> PaintAll(const std::vector<TPaint>& paints, int parity) {
  TBrevixBC bc;
  TPaintContext context;
  std::vector<std::vector<std::uint8_t>> pictures;
  for (std::size_t i = 0; i < paints.size(); ++i) {
    const TPaint& p = paints[i];
    bc.SetTypeBar(p.TypeBar);
    bc.SetAngle(p.Angle);
    bc.SetDisplay(p.Display);
    TBitmap bmp(320, 320, RGBColor(10, 20, 30));
    TRasterCanvas canvas(bmp);
    const TRect rect = p.Angle == csVertical || p.Angle == csVerticalMirrored
                           ? TRect{0, 0, 140, 320}
                           : TRect{0, 0, 320, 140};
    if (static_cast<int>(i % 2) == parity)
      DrawBarCode(canvas, rect, bc, context);
    else
      DrawBarCode(canvas, rect, bc);
    pictures.push_back(bmp.Rgb);
  }
  return pictures;
}

TEST(RenderThreads, TwoThreadsPaintWhatOneThreadPaints) {
  constexpr TAngleType kAngles[] = {csHorizontal, csVertical, csHorizontalMirrored,
                                    csVerticalMirrored};
  constexpr TDisplayType kDisplays[] = {csOutputBoth, csOutputCode, csOutputNone};
  std::vector<TPaint> paints;
  // Rounds enough for the two threads' paints to overlap many times.
  for (int round = 0; round < 8; ++round)
    for (int t = 0; t < kTypeBarCount; ++t)
      paints.push_back({static_cast<TTypeBar>(t), kAngles[(t + round) % 4], kDisplays[t % 3]});

  const auto expected = PaintAll(paints, -1);
  std::vector<std::vector<std::uint8_t>> first, second;
  std::thread a([&] { first = PaintAll(paints, 0); });
  std::thread b([&] { second = PaintAll(paints, 1); });
  a.join();
  b.join();
  ASSERT_EQ(first.size(), paints.size());
  ASSERT_EQ(second.size(), paints.size());
  for (std::size_t i = 0; i < paints.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(first[i], expected[i]);
    EXPECT_EQ(second[i], expected[i]);
  }
}

}  // namespace
}  // namespace brevix
