// Every writer against an independent reader: the pixels and the palette that come back, the
// size ImageMagick sees, and the GIF transparency extension.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <set>

#include "imagewriters/image_writers.h"
#include "tests/support/image_read.h"

namespace brevix {
namespace {

using test::TReadImage;

// A picture with `colors` distinct colours in vertical stripes of varying width, so that runs,
// odd widths and every palette index are exercised.
TBitmap StripedBitmap(int width, int height, int colors) {
  TBitmap b(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const int k = (x / (1 + x % 3) + y) % colors;
      b.SetPixel(x, y, RGBColor(k * 37 % 256, k * 91 % 256, k));
    }
  }
  return b;
}

int DistinctColors(const TBitmap& b) {
  std::set<TColor> seen;
  for (int y = 0; y < b.Height; ++y)
    for (int x = 0; x < b.Width; ++x) seen.insert(b.Pixel(x, y));
  return static_cast<int>(seen.size());
}

void ExpectSamePixels(const TBitmap& expected, const TReadImage& got, int tolerance = 0) {
  ASSERT_EQ(got.Width, expected.Width);
  ASSERT_EQ(got.Height, expected.Height);
  int worst = 0;
  for (int y = 0; y < expected.Height; ++y) {
    for (int x = 0; x < expected.Width; ++x) {
      const TColor a = expected.Pixel(x, y), b = got.At(x, y);
      worst = std::max({worst, std::abs(ColorR(a) - ColorR(b)), std::abs(ColorG(a) - ColorG(b)),
                        std::abs(ColorB(a) - ColorB(b))});
    }
  }
  EXPECT_LE(worst, tolerance);
}

TEST(GifImage, KeepsUpTo256ColoursExactly) {
  struct TRow {
    int Width, Height, Colors, Bits;
  } rows[] = {{1, 1, 1, 1},    {7, 3, 2, 1},   {9, 5, 3, 2},      {13, 4, 4, 2},   {33, 9, 5, 4},
              {31, 17, 16, 4}, {64, 9, 17, 8}, {200, 80, 255, 8}, {256, 4, 256, 8}};
  for (const TRow& row : rows) {
    SCOPED_TRACE(testing::Message() << row.Width << "x" << row.Height << " " << row.Colors);
    const TBitmap bitmap = StripedBitmap(row.Width, row.Height, row.Colors);
    const int distinct = DistinctColors(bitmap);
    const TGifImage image = GifImageFromBitmap(bitmap);
    EXPECT_EQ(static_cast<int>(image.Palette.size()), distinct);
    ASSERT_EQ(distinct, row.Colors);
    EXPECT_EQ(image.BitsPerPixel(), row.Bits);
    for (int y = 0; y < row.Height; ++y)
      for (int x = 0; x < row.Width; ++x)
        ASSERT_EQ(image.Palette[image.Indices[static_cast<std::size_t>(y * row.Width + x)]],
                  bitmap.Pixel(x, y));
  }
}

TEST(GifImage, ReducesRicherPicturesToNearbyColours) {
  // A smooth field of about 16000 colours with two solid blocks, as anti-aliased captions
  // between solid bars would give.
  TBitmap bitmap(256, 64);
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 256; ++x) bitmap.SetPixel(x, y, RGBColor(x, y * 4, (x + y) / 2));
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 40; ++x) {
      bitmap.SetPixel(x, y, clBlack);
      bitmap.SetPixel(255 - x, y, RGBColor(200, 30, 30));
    }
  const TGifImage image = GifImageFromBitmap(bitmap);
  ASSERT_LE(image.Palette.size(), 256u);
  int worst = 0;
  for (int y = 0; y < 64; ++y) {
    for (int x = 0; x < 256; ++x) {
      const TColor a = bitmap.Pixel(x, y);
      const TColor b = image.Palette[image.Indices[static_cast<std::size_t>(y * 256 + x)]];
      worst = std::max({worst, std::abs(ColorR(a) - ColorR(b)), std::abs(ColorG(a) - ColorG(b)),
                        std::abs(ColorB(a) - ColorB(b))});
    }
  }
  EXPECT_LE(worst, 24);
  // Fewer colours allowed than the picture has solid areas never crashes, and stays in range.
  const TGifImage two = GifImageFromBitmap(bitmap, 2);
  EXPECT_EQ(two.Palette.size(), 2u);
}

TEST(GifImage, TransparencyFindsOrAddsTheColour) {
  TGifImage image = GifImageFromBitmap(StripedBitmap(20, 2, 3));
  const TColor present = image.Palette[1];
  ASSERT_TRUE(AddTransparency(image, present));
  EXPECT_EQ(image.TransparentIndex, 1);
  const auto before = image.Palette.size();
  ASSERT_TRUE(AddTransparency(image, RGBColor(1, 2, 3)));
  EXPECT_EQ(image.Palette.size(), before + 1);
  EXPECT_EQ(image.Palette[static_cast<std::size_t>(image.TransparentIndex)], RGBColor(1, 2, 3));

  TGifImage full = GifImageFromBitmap(StripedBitmap(256, 4, 256));
  ASSERT_EQ(full.Palette.size(), 256u);
  if (std::find(full.Palette.begin(), full.Palette.end(), RGBColor(1, 2, 3)) ==
      full.Palette.end()) {
    EXPECT_FALSE(AddTransparency(full, RGBColor(1, 2, 3)));
    EXPECT_EQ(full.TransparentIndex, -1);
    // The full palette is reduced by one colour so that the transparent one still fits.
    TransparentGifImageFromBitmap(StripedBitmap(256, 4, 256), full, RGBColor(1, 2, 3));
    ASSERT_EQ(full.Palette.size(), 256u);
    EXPECT_EQ(full.TransparentIndex, 255);
    EXPECT_EQ(full.Palette[255], RGBColor(1, 2, 3));
    EXPECT_EQ(std::count(full.Indices.begin(), full.Indices.end(), 255), 0);
  }
}

struct TPaletteFormat {
  const char* Name;
  const char* Extension;
  const char* MagickName;
  std::function<void(const TGifImage&, const std::string&)> Save;
  std::function<std::optional<TReadImage>(const std::string&)> Read;
};

TEST(ImageWriters, PaletteFormatsReadBackExactly) {
  const TPaletteFormat formats[] = {
      {"GIF", ".gif", "GIF", SaveGifFile, test::ReadGifFile},
      {"PNG", ".png", "PNG", SavePngFile, test::ReadPngFile},
      {"TIFF", ".tif", "TIFF", SaveTiffFile, test::ReadTiffFile},
  };
  const struct {
    int Width, Height, Colors;
  } sizes[] = {{1, 1, 1}, {200, 80, 2}, {9, 3, 3}, {17, 5, 11}, {80, 200, 40}, {203, 7, 256}};
  test::TTempDir dir;
  const bool magick = test::HaveImageMagick();
  for (const auto& format : formats) {
    for (const auto& size : sizes) {
      SCOPED_TRACE(testing::Message()
                   << format.Name << " " << size.Width << "x" << size.Height << " " << size.Colors);
      const TBitmap bitmap = StripedBitmap(size.Width, size.Height, size.Colors);
      const TGifImage image = GifImageFromBitmap(bitmap);
      const std::string file = dir.File("picture" + std::string(format.Extension));
      format.Save(image, file);
      const auto back = format.Read(file);
      ASSERT_TRUE(back.has_value());
      ExpectSamePixels(bitmap, *back);
      EXPECT_GE(back->PaletteSize, static_cast<int>(image.Palette.size()));
      EXPECT_LE(back->PaletteSize, 256);
      if (magick) {
        EXPECT_EQ(test::Identify(file), std::string(format.MagickName) + " " +
                                            std::to_string(size.Width) + " " +
                                            std::to_string(size.Height));
      }
    }
  }
}

TEST(ImageWriters, TrueColourFormatsReadBack) {
  test::TTempDir dir;
  const TBitmap bitmap = StripedBitmap(201, 79, 5);
  SaveBmpFile(bitmap, dir.File("a.bmp"));
  SaveJpegFile(bitmap, dir.File("a.jpg"), 100);
  if (test::HaveImageMagick()) {
    EXPECT_EQ(test::Identify(dir.File("a.bmp")), "BMP3 201 79");
    EXPECT_EQ(test::Identify(dir.File("a.jpg")), "JPEG 201 79");
    const auto bmp = test::ReadWithImageMagick(dir.File("a.bmp"));
    ASSERT_TRUE(bmp.has_value());
    ExpectSamePixels(bitmap, *bmp);
  }
  const auto jpeg = test::ReadJpegFile(dir.File("a.jpg"));
  ASSERT_TRUE(jpeg.has_value());
  // Quality 100 still subsamples chroma by default; sharp colour stripes blur a little.
  ExpectSamePixels(bitmap, *jpeg, 96);
  // A grey picture has no chroma to lose.
  TBitmap grey(64, 32, clWhite);
  for (int x = 0; x < 64; x += 4)
    for (int y = 0; y < 32; ++y) grey.SetPixel(x, y, clBlack);
  SaveJpegFile(grey, dir.File("g.jpg"), 100);
  const auto greyBack = test::ReadJpegFile(dir.File("g.jpg"));
  ASSERT_TRUE(greyBack.has_value());
  ExpectSamePixels(grey, *greyBack, 8);
}

TEST(ImageWriters, GifTransparencyExtensionOnlyWhenAsked) {
  test::TTempDir dir;
  TGifImage image = GifImageFromBitmap(StripedBitmap(40, 10, 2));
  SaveGifFile(image, dir.File("plain.gif"));
  const auto plain = test::ReadGifFile(dir.File("plain.gif"));
  ASSERT_TRUE(plain.has_value());
  EXPECT_FALSE(plain->HasGraphicControl);
  EXPECT_EQ(test::ReadFileBytes(dir.File("plain.gif")).substr(0, 6), "GIF87a");

  const TColor back = image.Palette[0];
  ASSERT_TRUE(AddTransparency(image, back));
  SaveGifFile(image, dir.File("clear.gif"));
  const auto clear = test::ReadGifFile(dir.File("clear.gif"));
  ASSERT_TRUE(clear.has_value());
  EXPECT_TRUE(clear->HasGraphicControl);
  EXPECT_EQ(clear->TransparentIndex, 0);
  EXPECT_EQ(clear->TransparentColor, back);
  EXPECT_EQ(test::ReadFileBytes(dir.File("clear.gif")).substr(0, 6), "GIF89a");
}

}  // namespace
}  // namespace brevix
