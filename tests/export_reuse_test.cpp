// Exports reuse a control's buffers and compressor from one picture to the next. Whatever came
// before, a file must hold exactly what a fresh control writes: no pixels, palette entries or
// bytes of an earlier barcode of another size or colour may show through.

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "core/control.h"
#include "imagewriters/image_writers.h"
#include "render/export.h"
#include "tests/support/image_read.h"

namespace brevix {
namespace {

struct TJob {
  const char* File;
  TTypeBar TypeBar;
  const char* Text;
  int Width, Height;
  TColor Lines, Back;
  bool Transparent;
  TAngleType Angle;
  TDisplayType Display;
};

void Apply(TCustomBC& bc, const TJob& job) {
  bc.SetTypeBar(job.TypeBar);
  bc.SetText(job.Text);
  bc.SetBounds(0, 0, job.Width, job.Height);
  bc.SetColor_Lines(job.Lines);
  bc.SetColor_Back(job.Back);
  bc.SetTransparent(job.Transparent);
  bc.SetAngle(job.Angle);
  bc.SetDisplay(job.Display);
}

// Large, small, coloured, captioned, turned, transparent, too small for the symbol, a picture
// past the size whose buffers are kept, and the same file formats again afterwards.
const TJob kJobs[] = {
    {"a.png", csCodeEAN13, "9771210107001", 226, 116, clBlack, clWhite, false, csHorizontal,
     csOutputCode},
    {"b.png", csCode39, "BREVIX", 90, 40, clBlack, clWhite, false, csHorizontal, csOutputNone},
    {"c.png", csCode128, "Brevix 128", 400, 150, RGBColor(0, 0, 128), RGBColor(255, 255, 224),
     false, csVertical, csOutputBoth},
    {"d.png", csCodePDF417, "Brevix PDF417 reuse", 300, 120, clBlack, clWhite, false, csHorizontal,
     csOutputNone},
    {"e.gif", csCodeEAN8, "9638507", 120, 70, clBlack, clWhite, true, csHorizontal, csOutputCode},
    {"f.png", csCodeEAN13, "9771210107001", 60, 80, clBlack, clWhite, false, csHorizontal,
     csOutputCode},
    {"g.bmp", csCode128, "BMP", 150, 60, RGBColor(200, 0, 0), clWhite, false, csHorizontalMirrored,
     csOutputCode},
    {"h.png", csCode128, "giant", 2500, 2300, clBlack, clWhite, false, csHorizontal, csOutputCode},
    {"i.tif", csCode39, "TIFF", 200, 90, clBlack, RGBColor(0, 128, 0), false, csHorizontal,
     csOutputCode},
    {"j.jpg", csCode39, "JPEG", 160, 80, clBlack, clWhite, false, csVerticalMirrored, csOutputCode},
    {"k.png", csCode39, "BREVIX", 90, 40, clBlack, clWhite, false, csHorizontal, csOutputNone},
    {"l.gif", csCodeEAN8, "9638507", 121, 71, clBlack, RGBColor(1, 2, 3), true, csHorizontal,
     csOutputBoth},
};

TEST(ExportReuse, OneControlWritesWhatFreshControlsWrite) {
  test::TTempDir dir;
  TBrevixBC reused;
  for (const TJob& job : kJobs) {
    SCOPED_TRACE(job.File);
    Apply(reused, job);
    const std::string again = dir.File(std::string("reused-") + job.File);
    DrawToFile(reused, again);
    TBrevixBC fresh;
    Apply(fresh, job);
    const std::string first = dir.File(std::string("fresh-") + job.File);
    DrawToFile(fresh, first);
    const std::string bytes = test::ReadFileBytes(first);
    ASSERT_FALSE(bytes.empty());
    EXPECT_EQ(test::ReadFileBytes(again), bytes);
  }
}

TEST(ExportReuse, WritingADrawnPictureMatchesDrawToFile) {
  test::TTempDir dir;
  TBrevixBC reused;
  for (const TJob& job : kJobs) {
    SCOPED_TRACE(job.File);
    Apply(reused, job);
    const TBitmap& picture = RenderForExport(reused);
    EXPECT_EQ(picture.Rgb, RenderToBitmap(reused).Rgb);
    const std::string drawn = dir.File(std::string("drawn-") + job.File);
    WriteRenderedFile(reused, picture, drawn);
    TBrevixBC fresh;
    Apply(fresh, job);
    const std::string direct = dir.File(std::string("direct-") + job.File);
    DrawToFile(fresh, direct);
    EXPECT_EQ(test::ReadFileBytes(drawn), test::ReadFileBytes(direct));
  }
  // Metafiles record the drawing afresh, whatever bitmap comes along.
  Apply(reused, kJobs[0]);
  const std::string emf = dir.File("drawn.emf"), direct = dir.File("direct.emf");
  WriteRenderedFile(reused, RenderForExport(reused), emf);
  DrawToFile(reused, direct);
  EXPECT_EQ(test::ReadFileBytes(emf), test::ReadFileBytes(direct));
}

// Palette pictures of every bit depth: noise that hardly compresses, larger than the first guess
// at the output; bands of repeated rows and runs; rows of a single byte; the widest rows, whose
// repeats lie the farthest a deflate stream can reach back; a single pixel after a large picture.
TGifImage PaletteImage(int width, int height, int colors, bool noise) {
  TGifImage image;
  image.Width = width;
  image.Height = height;
  for (int k = 0; k < colors; ++k) image.Palette.push_back(RGBColor(k, 255 - k, k * 7 % 256));
  std::uint32_t state = 12345;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      state = state * 1664525u + 1013904223u;
      const int k = noise ? static_cast<int>(state >> 24) : (x / 3 + (y / 5) * 7);
      image.Indices.push_back(static_cast<std::uint8_t>(k % colors));
    }
  }
  return image;
}

TEST(PngEncoder, ReusedEncoderMatchesAFreshOneAndReadsBack) {
  const struct {
    int Width, Height, Colors;
    bool Noise;
  } rows[] = {{300, 300, 256, true}, {1, 1, 1, false},      {203, 7, 2, false},
              {65, 40, 4, true},     {31, 9, 16, false},    {500, 90, 2, true},
              {1, 1, 2, false},      {64, 64, 256, false},  {5, 30, 2, false},
              {8, 9, 3, false},      {32767, 3, 256, false}};
  test::TTempDir dir;
  TPngEncoder encoder;
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << row.Width << "x" << row.Height << " " << row.Colors
                                    << (row.Noise ? " noise" : ""));
    const TGifImage image = PaletteImage(row.Width, row.Height, row.Colors, row.Noise);
    const std::span<const std::uint8_t> bytes = encoder.Encode(image);
    EXPECT_EQ(TBytes(bytes.begin(), bytes.end()), EncodePng(image));
    const std::string file = dir.File("p.png");
    WriteFileAtomically(file, bytes);
    const auto back = test::ReadPngFile(file);
    ASSERT_TRUE(back.has_value());
    ASSERT_EQ(back->Width, row.Width);
    ASSERT_EQ(back->Height, row.Height);
    for (int y = 0; y < row.Height; ++y) {
      for (int x = 0; x < row.Width; ++x) {
        const std::size_t i = static_cast<std::size_t>(y * row.Width + x);
        ASSERT_EQ(back->At(x, y), image.Palette[image.Indices[i]] & 0xFFFFFF) << x << "," << y;
      }
    }
  }
}

}  // namespace
}  // namespace brevix
