// Rows that repeat the row above (most rows of a barcode) take shortcuts: the bitmap fill copies
// its first row, the palette conversion and the PNG row packing reuse the row above. The
// pictures must come back exactly as drawn, for every packing width and every row pattern.

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "imagewriters/image_writers.h"
#include "imagewriters/row_deflate.h"
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

// A picture with little distinct data is compressed with the deflate format's fixed codes, a
// larger one with codes made for it. On both sides of that choice the data must inflate to the
// exact rows, and a picture of much distinct data must come out no larger than zlib's fastest
// level makes it (a picture stored uncompressed, or with fixed codes, would not).
TEST(RepeatedRows, PngDataInflatesOnBothSidesOfTheCodeChoice) {
  test::TTempDir dir;
  // 17 colours: one byte a pixel, so 31 pixels make a line of 32 bytes; every row differs from
  // the one above. 64 rows hold 2048 distinct bytes.
  for (int height : {1, 63, 64, 65, 66, 400}) {
    for (int width : {31, 301}) {
      SCOPED_TRACE(testing::Message() << width << "x" << height);
      const TBitmap bitmap = BandedBitmap(width, height, 17, 1);
      const TGifImage image = GifImageFromBitmap(bitmap);
      ASSERT_EQ(image.BitsPerPixel(), 8);
      const std::string file = dir.File("codes.png");
      SavePngFile(image, file);
      const std::size_t line = static_cast<std::size_t>(width) + 1;
      const std::size_t size = line * static_cast<std::size_t>(height);
      const std::vector<std::uint8_t> raw = InflatedImageData(file, size);
      ASSERT_EQ(raw.size(), size);
      for (int y = 0; y < height; ++y) {
        const std::uint8_t* row = raw.data() + static_cast<std::size_t>(y) * line;
        ASSERT_EQ(row[0], 0) << "filter of row " << y;
        ASSERT_TRUE(std::equal(row + 1, row + line,
                               image.Indices.begin() + static_cast<std::ptrdiff_t>(y * width)))
            << "row " << y;
      }
      if (size < 8192) continue;
      uLongf zipped = compressBound(static_cast<uLong>(size));
      std::vector<std::uint8_t> zip(zipped);
      ASSERT_EQ(compress2(zip.data(), &zipped, raw.data(), static_cast<uLong>(size), 1), Z_OK);
      // Around the image data: the signature, IHDR, PLTE of 17 colours, pHYs, IDAT's own
      // length, name and CRC, and IEND.
      constexpr std::size_t kChunks = 8 + 25 + (12 + 3 * 17) + 21 + 12 + 12;
      std::ifstream in(file, std::ios::binary | std::ios::ate);
      EXPECT_LE(static_cast<std::size_t>(in.tellg()), zipped + kChunks) << "zlib: " << zipped;
    }
  }
}

// The row encoder's stream inflates to the very lines it was given, within its bound: runs of
// copies around the 258-byte match limit (a remainder of one or two bytes), lines too short for
// a match, the longest line, and lines of one byte, of noise and like the line above in part.
TEST(RepeatedRows, RowDeflateInflatesToItsLines) {
  const struct {
    std::size_t Line;
    std::vector<int> Copies;  // per distinct line, how many copies follow it
    int Pattern;              // 0 one byte, 1 noise, 2 noise then the line above with a change
  } rows[] = {
      {1, {0, 1, 2, 3, 300}, 1},
      {2, {1, 0, 129, 130}, 1},
      {3, {0, 85, 86, 87}, 0},
      {7, {36, 37, 0, 0, 5}, 1},
      {129, {1, 2, 3}, 2},
      {259, {1, 0, 4}, 2},
      {260, {2}, 0},
      {2048, {1, 0, 2}, 1},
      {32768, {2, 0}, 2},
      {114, {140, 0, 0, 11, 3}, 2},
  };
  std::uint32_t seed = 12345;
  auto next = [&seed] { return (seed = seed * 1103515245u + 12345u) >> 16; };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << "line " << row.Line);
    std::vector<std::uint8_t> lines, same;
    for (const int copies : row.Copies) {
      const std::size_t at = lines.size();
      for (std::size_t i = 0; i < row.Line; ++i)
        lines.push_back(row.Pattern == 0 ? 0x5A : static_cast<std::uint8_t>(next()));
      if (row.Pattern == 2 && at >= row.Line) {
        std::copy_n(lines.begin() + static_cast<std::ptrdiff_t>(at - row.Line), row.Line,
                    lines.begin() + static_cast<std::ptrdiff_t>(at));
        lines[at + row.Line / 2] ^= 1;
      }
      same.push_back(0);
      for (int k = 0; k < copies; ++k) {
        lines.insert(lines.end(), lines.end() - static_cast<std::ptrdiff_t>(row.Line), lines.end());
        same.push_back(1);
      }
    }
    std::vector<std::uint8_t> out(RowDeflateBound(row.Line, same));
    out.resize(DeflateRows(lines, row.Line, same, out.data()));
    ASSERT_LE(out.size(), RowDeflateBound(row.Line, same));
    z_stream z{};
    ASSERT_EQ(inflateInit2(&z, -15), Z_OK);
    std::vector<std::uint8_t> back(lines.size() + 1);
    z.next_in = out.data();
    z.avail_in = static_cast<uInt>(out.size());
    z.next_out = back.data();
    z.avail_out = static_cast<uInt>(back.size());
    EXPECT_EQ(inflate(&z, Z_FINISH), Z_STREAM_END);
    EXPECT_EQ(z.avail_in, 0u);
    back.resize(z.total_out);
    inflateEnd(&z);
    EXPECT_TRUE(back == lines);
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
