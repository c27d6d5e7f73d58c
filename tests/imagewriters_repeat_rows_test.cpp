// Rows that repeat the row above (most rows of a barcode) take shortcuts: the bitmap fill copies
// its first row, the palette conversion and the PNG row packing reuse the row above. The
// pictures must come back exactly as drawn, for every packing width and every row pattern.

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

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

// The image data of a PNG file inflated by zlib, which checks the stream's Adler-32 checksum;
// empty when a chunk is cut short or the stream does not inflate to exactly `expected` bytes.
std::vector<std::uint8_t> InflatedImageData(const std::string& file, std::size_t expected) {
  std::ifstream in(file, std::ios::binary);
  const std::vector<std::uint8_t> png((std::istreambuf_iterator<char>(in)), {});
  std::vector<std::uint8_t> idat;
  for (std::size_t at = 8; at + 12 <= png.size();) {
    const std::size_t length = std::size_t{png[at]} << 24 | std::size_t{png[at + 1]} << 16 |
                               std::size_t{png[at + 2]} << 8 | png[at + 3];
    if (at + 12 + length > png.size()) return {};
    if (std::equal(png.begin() + static_cast<std::ptrdiff_t>(at + 4),
                   png.begin() + static_cast<std::ptrdiff_t>(at + 8), "IDAT"))
      idat.insert(idat.end(), png.begin() + static_cast<std::ptrdiff_t>(at + 8),
                  png.begin() + static_cast<std::ptrdiff_t>(at + 8 + length));
    at += 12 + length;
  }
  std::vector<std::uint8_t> raw(expected + 1);
  uLongf size = static_cast<uLongf>(raw.size());
  if (uncompress(raw.data(), &size, idat.data(), static_cast<uLong>(idat.size())) != Z_OK ||
      size != expected)
    return {};
  raw.resize(size);
  return raw;
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
        // Every row: a filter byte and the packed indices; the checksum covers repeated rows.
        const std::size_t bits = static_cast<std::size_t>(image.BitsPerPixel());
        const std::size_t line = (static_cast<std::size_t>(width) * bits + 7) / 8 + 1;
        EXPECT_EQ(InflatedImageData(file, line * 9).size(), line * 9);
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

namespace brevix {
namespace {

// Rows of the picture's first two colours are mapped sixteen pixels at a time where the
// processor allows; rows of every width around those steps, with a third colour or a pixel
// whose bytes mix the two colours at each place, must map as pixel by pixel.
TEST(RepeatedRows, TwoColourRowsMapAsPixelByPixel) {
  const TColor a = RGBColor(250, 251, 252), b = RGBColor(3, 2, 1);
  const TColor strangers[] = {RGBColor(3, 251, 252), RGBColor(250, 2, 1), RGBColor(3, 2, 252),
                              RGBColor(250, 251, 1), RGBColor(9, 9, 9)};
  for (int width = 1; width <= 53; ++width)
    for (int odd = -1; odd < width; odd += (width > 20 ? 7 : 1))
      for (const TColor stranger : strangers) {
        SCOPED_TRACE("width " + std::to_string(width) + ", other colour at " + std::to_string(odd));
        // Row 0 sets the palette (a, then b); row 1 is the row under test.
        TBitmap bitmap(width, 2);
        std::vector<TColor> row(static_cast<std::size_t>(width));
        for (int x = 0; x < width; ++x) {
          bitmap.SetPixel(x, 0, x % 2 == 0 ? a : b);
          row[static_cast<std::size_t>(x)] = (x * 7 / 3) % 2 == 0 ? b : a;
        }
        if (width == 1) bitmap.SetPixel(0, 0, a);
        if (odd >= 0) row[static_cast<std::size_t>(odd)] = stranger;
        for (int x = 0; x < width; ++x) bitmap.SetPixel(x, 1, row[static_cast<std::size_t>(x)]);
        const TGifImage image = GifImageFromBitmap(bitmap);
        for (int x = 0; x < width; ++x) {
          const std::uint8_t index = image.Indices[static_cast<std::size_t>(width + x)];
          ASSERT_LT(index, image.Palette.size());
          ASSERT_EQ(image.Palette[index], row[static_cast<std::size_t>(x)]) << "pixel " << x;
        }
      }
}

}  // namespace
}  // namespace brevix
