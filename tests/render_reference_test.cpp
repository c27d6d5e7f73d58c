// Whole pictures compared exactly with reference images, where the picture says more than any
// list of coordinates: caption layout, turned glyphs, colours and bearer lines together.
// Set BREVIX_UPDATE_REFERENCE=1 to rewrite the references after a deliberate change (and look at
// them before committing).

#include <gtest/gtest.h>
#include <png.h>

#include <cstdlib>
#include <functional>
#include <string>

#include "core/control.h"
#include "platform/raster_canvas.h"
#include "render/draw.h"

namespace brevix {
namespace {

std::string ReferencePath(const std::string& name) {
  return std::string(BREVIX_SOURCE_DIR) + "/tests/data/" + name;
}

bool ReadPng(const std::string& path, TBitmap& out) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
  image.format = PNG_FORMAT_RGB;
  out.Reset(static_cast<int>(image.width), static_cast<int>(image.height));
  const bool ok = png_image_finish_read(&image, nullptr, out.Rgb.data(), 0, nullptr) != 0;
  png_image_free(&image);
  return ok;
}

void WritePng(const std::string& path, const TBitmap& bmp) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(bmp.Width);
  image.height = static_cast<png_uint_32>(bmp.Height);
  image.format = PNG_FORMAT_RGB;
  ASSERT_TRUE(png_image_write_to_file(&image, path.c_str(), 0, bmp.Rgb.data(), 0, nullptr));
}

struct TReference {
  const char* file;
  int width, height;
  std::function<void(TBrevixBC&)> setup;
};

TEST(RenderReference, PicturesMatchTheirReferences) {
  const TReference rows[] = {
      {"render_ean13_addon.png", 270, 110,
       [](TBrevixBC& bc) {
         bc.SetTypeBar(csCodeEAN13);
         bc.SetDisplay(csOutputBoth);
         bc.SetText("9771210107001 12");
       }},
      {"render_upce_vertical.png", 120, 200,
       [](TBrevixBC& bc) {
         bc.SetTypeBar(csCodeUPC_E0);
         bc.SetDisplay(csOutputBoth);
         bc.SetText("01234565");
         bc.SetAngle(csVertical);
         bc.SetCompleteDraw(true);
       }},
      {"render_itf_mirrored.png", 300, 100,
       [](TBrevixBC& bc) {
         bc.SetTypeBar(csCodeITF);
         bc.SetDisplay(csOutputCode);
         bc.SetAngle(csHorizontalMirrored);
         bc.SetColor_Lines(RGBColor(0, 0, 128));
         bc.SetColor_Back(RGBColor(255, 255, 224));
         bc.HorzLines().SetLinesCount(2);
         bc.HorzLines().SetColor(RGBColor(200, 0, 0));
         TFont font;
         font.SetName("Arial");
         font.SetSize(9);
         font.SetStyle(fsBold);
         bc.SetFont_Code(font);
       }},
  };
  const bool update = std::getenv("BREVIX_UPDATE_REFERENCE") != nullptr;
  for (const TReference& r : rows) {
    SCOPED_TRACE(r.file);
    TBrevixBC bc;
    r.setup(bc);
    TBitmap bmp(r.width, r.height, RGBColor(128, 128, 128));
    TRasterCanvas canvas(bmp);
    DrawBarCode(canvas, {0, 0, r.width, r.height}, bc);
    ASSERT_EQ(bc.ErrorMessage(), erOK);
    const std::string path = ReferencePath(r.file);
    if (update) {
      WritePng(path, bmp);
      continue;
    }
    TBitmap expected;
    ASSERT_TRUE(ReadPng(path, expected)) << path;
    ASSERT_EQ(expected.Width, bmp.Width);
    ASSERT_EQ(expected.Height, bmp.Height);
    int differing = 0;
    for (int y = 0; y < bmp.Height; ++y)
      for (int x = 0; x < bmp.Width; ++x)
        if (bmp.Pixel(x, y) != expected.Pixel(x, y)) ++differing;
    if (differing > 0) WritePng(::testing::TempDir() + "/" + r.file, bmp);
    EXPECT_EQ(differing, 0) << "actual picture in " << ::testing::TempDir();
  }
}

}  // namespace
}  // namespace brevix
