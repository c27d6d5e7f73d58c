// Rows that repeat the row above (most rows of a barcode) take shortcuts: the bitmap fill copies
// its first row, the palette conversion and the PNG row packing reuse the row above. The
// pictures must come back exactly as drawn, for every packing width and every row pattern.

#include <gtest/gtest.h>

#include <string>

#include "imagewriters/image_writers.h"
#include "tests/support/image_read.h"

namespace brevix {
namespace {

// Bands of equal rows, each band's rows a stripe pattern of its own; band boundaries where
// `changeEvery` rows have passed, and a single odd row in the middle of the picture.
TBitmap BandedBitmap(int width, int height, int colors, int changeEvery) {
  TBitmap b(width, height);
  for (int y = 0; y < height; ++y) {
    const int band = y / changeEvery + (y == height / 2 ? 7 : 0);
    for (int x = 0; x < width; ++x) {
      const int k = (x * 5 / 3 + band) % colors;
      b.SetPixel(x, y, RGBColor(k * 53 % 256, 255 - k * 29 % 256, k * 7 % 256));
    }
  }
  return b;
}

TEST(RepeatedRows, FilledBitmapsHoldTheFillEverywhere) {
  for (int width : {1, 2, 5}) {
    for (int height : {1, 3}) {
      SCOPED_TRACE(testing::Message() << width << "x" << height);
      const TBitmap b(width, height, RGBColor(1, 2, 3));
      for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) EXPECT_EQ(b.Pixel(x, y), RGBColor(1, 2, 3));
    }
  }
}

TEST(RepeatedRows, PaletteAndPngComeBackExactly) {
  test::TTempDir dir;
  for (int colors : {2, 3, 5, 17}) {  // 1, 2, 4 and 8 bits a pixel
    for (int width = 1; width <= 19; ++width) {
      for (int changeEvery : {1, 3, 100}) {
        SCOPED_TRACE(testing::Message()
                     << colors << " colours, width " << width << ", bands of " << changeEvery);
        const TBitmap bitmap = BandedBitmap(width, 9, colors, changeEvery);
        const TGifImage image = GifImageFromBitmap(bitmap);
        ASSERT_EQ(image.Indices.size(), static_cast<std::size_t>(width) * 9);
        for (int y = 0; y < 9; ++y)
          for (int x = 0; x < width; ++x)
            ASSERT_EQ(image.Palette[image.Indices[static_cast<std::size_t>(y * width + x)]],
                      bitmap.Pixel(x, y))
                << x << "," << y;
        const std::string file = dir.File("banded.png");
        SavePngFile(image, file);
        const auto back = test::ReadPngFile(file);
        ASSERT_TRUE(back.has_value());
        for (int y = 0; y < 9; ++y)
          for (int x = 0; x < width; ++x) {
            const TColor c = bitmap.Pixel(x, y);
            ASSERT_EQ(back->At(x, y), static_cast<std::uint32_t>(c & 0xFFFFFF)) << x << "," << y;
          }
      }
    }
  }
}

}  // namespace
}  // namespace brevix
