// DrawToFile and CopyToClipboard on real controls: every format at the control's size in every
// orientation, read back by independent readers and decoded by a real barcode reader; the
// naming rules; transparency; failures.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "core/control.h"
#include "imagewriters/image_file.h"
#include "platform/raster_canvas.h"
#include "render/draw.h"
#include "render/export.h"
#include "tests/support/image_read.h"
#include "tests/support/metafile_read.h"

namespace brevix {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

void Configure(TCustomBC& bc, TTypeBar typeBar, const std::string& text, TAngleType angle,
               int width, int height) {
  bc.SetTypeBar(typeBar);
  bc.SetText(text);
  bc.SetAngle(angle);
  bc.SetBounds(0, 0, width, height);
}

const struct {
  const char* Name;
  TAngleType Angle;
  bool Vertical;
} kAngles[] = {{"horizontal", csHorizontal, false},
               {"vertical", csVertical, true},
               {"mirrored", csHorizontalMirrored, false},
               {"vertical mirrored", csVerticalMirrored, true}};

std::optional<test::TReadImage> ReadBack(const std::string& file, TExportFormat format) {
  switch (format) {
    case TExportFormat::Png:
      return test::ReadPngFile(file);
    case TExportFormat::Gif:
      return test::ReadGifFile(file);
    case TExportFormat::Tiff:
      return test::ReadTiffFile(file);
    case TExportFormat::Jpeg:
      return test::ReadJpegFile(file);
    default:
      return test::ReadWithImageMagick(file);
  }
}

bool Decodes(const test::TReadImage& image, const std::string& text) {
  for (const auto& d : test::DecodeWithZXing(image.Grey())) {
    if (d.Text == text) return true;
  }
  return false;
}

TEST(ExportFiles, RasterFormatsHaveTheControlsSizeAndDecode) {
  if (!test::HaveZXing()) GTEST_SKIP() << "no zxing-cpp";
  const struct {
    const char* Name;
    TExportFormat Format;
    const char* Magick;
  } formats[] = {{"x.bmp", TExportFormat::Bmp, "BMP3"},   {"x.gif", TExportFormat::Gif, "GIF"},
                 {"x.png", TExportFormat::Png, "PNG"},    {"x.tif", TExportFormat::Tiff, "TIFF"},
                 {"x.tiff", TExportFormat::Tiff, "TIFF"}, {"x.jpg", TExportFormat::Jpeg, "JPEG"}};
  test::TTempDir dir;
  const bool magick = test::HaveImageMagick();
  for (const auto& angle : kAngles) {
    for (const auto& format : formats) {
      // 200 x 80 and 80 x 200 in every orientation; where the symbol lies along the 80 pixels,
      // too short for it, the file shows the error display and is not decoded.
      for (const bool upright : {true, false}) {
        const int width = upright != angle.Vertical ? 200 : 80;
        const int height = upright != angle.Vertical ? 80 : 200;
        SCOPED_TRACE(testing::Message()
                     << format.Name << " " << angle.Name << " " << width << "x" << height);
        TBrevixBC bc;
        Configure(bc, csCodeEAN13, "9771210107001", angle.Angle, width, height);
        const std::string file = dir.File(format.Name);
        DrawToFile(bc, file);
        const auto image = ReadBack(file, format.Format);
        ASSERT_TRUE(image.has_value());
        EXPECT_EQ(image->Width, width);
        EXPECT_EQ(image->Height, height);
        if (magick) {
          EXPECT_EQ(test::Identify(file), std::string(format.Magick) + " " + std::to_string(width) +
                                              " " + std::to_string(height));
        }
        if (upright) {
          EXPECT_EQ(bc.ErrorMessage(), erOK);
          EXPECT_TRUE(Decodes(*image, "9771210107001"));
        }
        fs::remove(file);
      }
    }
  }
}

TEST(ExportFiles, SymbologiesDecodeFromPng) {
  if (!test::HaveZXing()) GTEST_SKIP() << "no zxing-cpp";
  const struct {
    TTypeBar TypeBar;
    const char* Text;
    const char* Decoded;
  } rows[] = {
      {csCode128, "Brevix 42", "Brevix 42"},
      {csCode39, "CODE-39", "CODE-39"},
      {csCodeEAN8, "96385074", "96385074"},
      {csCodeUPC_A, "036000291452", "036000291452"},
      {csCode_2_5_interleaved, "0123456789", "0123456789"},
      {csCodePDF417, "Brevix export", "Brevix export"},
  };
  test::TTempDir dir;
  for (const auto& row : rows) {
    for (const auto& angle : kAngles) {
      // PDF417 is never turned: a quarter turn only gives it a box of the other shape.
      if (row.TypeBar == csCodePDF417 && angle.Vertical) continue;
      SCOPED_TRACE(testing::Message() << TypeBarIdentifier(row.TypeBar) << " " << angle.Name);
      TBrevixBC bc;
      Configure(bc, row.TypeBar, row.Text, angle.Angle, angle.Vertical ? 120 : 300,
                angle.Vertical ? 300 : 120);
      DrawToFile(bc, dir.File("s.png"));
      EXPECT_EQ(bc.ErrorMessage(), erOK) << bc.ErrorText();
      const auto image = test::ReadPngFile(dir.File("s.png"));
      ASSERT_TRUE(image.has_value());
      EXPECT_TRUE(Decodes(*image, row.Decoded));
    }
  }
}

// Pixels that differ in any channel by more than a little.
double Mismatch(const TBitmap& expected, const TBitmap& got) {
  if (expected.Width != got.Width || expected.Height != got.Height) return 1.0;
  int wrong = 0;
  for (int y = 0; y < expected.Height; ++y)
    for (int x = 0; x < expected.Width; ++x) wrong += expected.Pixel(x, y) != got.Pixel(x, y);
  return static_cast<double>(wrong) / (expected.Width * expected.Height);
}

TEST(ExportFiles, MetafilesReplayToTheBitmapPicture) {
  test::TTempDir dir;
  for (const char* name : {"m.wmf", "m.emf", "m.WMF", "m.Emf"}) {
    for (const auto& angle : kAngles) {
      for (const TTypeBar typeBar : {csCodeEAN13, csCode128, csCodePDF417}) {
        SCOPED_TRACE(testing::Message()
                     << name << " " << angle.Name << " " << TypeBarIdentifier(typeBar));
        TBrevixBC bc;
        bc.SetTypeBar(typeBar);
        bc.SetDisplay(csOutputBoth);
        bc.SetAngle(angle.Angle);
        bc.SetBounds(0, 0, angle.Vertical ? 120 : 300, angle.Vertical ? 300 : 120);
        DrawToFile(bc, dir.File(name));
        const auto parsed = test::ParseMetafile(test::ReadFileBytes(dir.File(name)));
        ASSERT_EQ(parsed.Error, "");
        EXPECT_EQ(parsed.Enhanced, ExportFormatOf(name) == TExportFormat::Emf);
        EXPECT_EQ(parsed.Width, bc.Width());
        EXPECT_EQ(parsed.Height, bc.Height());
        const TBitmap expected = RenderToBitmap(bc);
        TBitmap replay(bc.Width(), bc.Height(), bc.Color_Back());
        TRasterCanvas canvas(replay);
        EXPECT_EQ(test::ReplayMetafile(parsed, canvas), "");
        // Bars are pixel-exact; text may shift by a pixel where its advances round differently.
        EXPECT_LT(Mismatch(expected, replay), 0.01);
      }
    }
  }
}

TEST(ExportFiles, IndependentPlayersShowADecodableSymbol) {
  if (!test::HaveZXing()) GTEST_SKIP() << "no zxing-cpp";
  int code = 0;
  test::RunCommand("command -v wmf2gd && command -v emf2svg-conv && command -v rsvg-convert",
                   &code);
  if (code != 0) GTEST_SKIP() << "metafile players missing";
  // Wide modules: emf2svg outlines every polygon with a one-pixel stroke, whatever the pen.
  const struct {
    TTypeBar TypeBar;
    const char* Text;
  } rows[] = {{csCodeEAN13, "9771210107001"}, {csCode39, "CODE-39"}};
  test::TTempDir dir;
  for (const auto& row : rows) {
    SCOPED_TRACE(row.Text);
    TBrevixBC bc;
    Configure(bc, row.TypeBar, row.Text, csHorizontal, 600, 120);
    DrawToFile(bc, dir.File("p.wmf"));
    DrawToFile(bc, dir.File("p.emf"));
    test::RunCommand("wmf2gd --maxwidth=600 --maxheight=120 --maxsize -o '" + dir.File("wmf.png") +
                         "' '" + dir.File("p.wmf") + "' >/dev/null 2>&1 && emf2svg-conv -i '" +
                         dir.File("p.emf") + "' -o '" + dir.File("p.svg") +
                         "' && rsvg-convert -b white -o '" + dir.File("emf.png") + "' '" +
                         dir.File("p.svg") + "'",
                     &code);
    ASSERT_EQ(code, 0);
    for (const char* png : {"wmf.png", "emf.png"}) {
      SCOPED_TRACE(png);
      const auto image = test::ReadPngFile(dir.File(png));
      ASSERT_TRUE(image.has_value());
      EXPECT_NEAR(image->Width, 600, 1);
      EXPECT_NEAR(image->Height, 120, 1);
      EXPECT_TRUE(Decodes(*image, row.Text));
    }
  }
}

// Module mode (ModuleWidth > 0) and the vector formats: the files have the symbol's own size
// with its quiet zones, whatever the control's box, and decode after independent renderers.
TEST(ExportFiles, ModuleModeAndVectorFilesDecode) {
  if (!test::HaveZXing()) GTEST_SKIP() << "no zxing-cpp";
  for (const char* tool : {"rsvg-convert", "gs"})
    if (test::RunCommand(std::string("command -v ") + tool).empty()) GTEST_SKIP() << "no " << tool;
  // EAN-13: 95 modules, quiet zones of 11 and 7, QuietZone 2 on each side, 3 pixels a module.
  constexpr int kAcross = (95 + 11 + 7 + 2 * 2) * 3;
  const std::string gs = "gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=pnggray -r96 ";
  const struct {
    const char* Name;
    std::string Render;  // the command that makes rendered.png of the file; empty: read as is
    int ModuleWidth;
  } rows[] = {
      {"m.png", "", 3},
      {"m.svg", "rsvg-convert -o rendered.png m.svg", 3},
      {"m.eps", gs + "-dEPSCrop -sOutputFile=rendered.png m.eps", 3},
      {"m.pdf", gs + "-sOutputFile=rendered.png m.pdf", 0},  // box mode: 2 pixels a module
  };
  test::TTempDir dir;
  for (const auto& angle : kAngles) {
    for (const auto& row : rows) {
      SCOPED_TRACE(testing::Message() << row.Name << " " << angle.Name);
      TBrevixBC bc;
      Configure(bc, csCodeEAN13, "9771210107001", angle.Angle, 60, 40);  // far too small a box
      bc.SetQuietZone(2);
      bc.SetModuleWidth(row.ModuleWidth);
      DrawToFile(bc, dir.File(row.Name));
      std::string read = dir.File(row.Name);
      if (!row.Render.empty()) {
        test::RunCommand("cd '" + dir.Path() + "' && " + row.Render);
        read = dir.File("rendered.png");
      }
      const auto image = test::ReadPngFile(read);
      ASSERT_TRUE(image.has_value());
      const int across = row.ModuleWidth > 0 ? kAcross : kAcross * 2 / 3;
      EXPECT_NEAR(angle.Vertical ? image->Height : image->Width, across, 1);
      EXPECT_TRUE(Decodes(*image, "9771210107001"));
    }
  }
  // Resolution is recorded in raster files (PNG pHYs: 300 dots per inch are 11811 per metre).
  TBrevixBC bc;
  Configure(bc, csCodeEAN13, "9771210107001", csHorizontal, 200, 80);
  bc.SetResolution(300);
  DrawToFile(bc, dir.File("r.png"));
  EXPECT_NE(test::ReadFileBytes(dir.File("r.png")).find("pHYs\0\0\x2e\x23\0\0\x2e\x23\x01"s),
            std::string::npos);
  // On a surface the drawing is centred; a rectangle too small for it shows the error display.
  bc.SetModuleWidth(3);
  bc.SetQuietZone(2);
  for (const auto& [width, error] :
       {std::pair{kAcross + 40, erOK}, {kAcross - 1, erSmallPaintBox}}) {
    TBitmap screen(width, 300);
    TRasterCanvas canvas(screen);
    canvas.ClearTo(clWhite);
    DrawBarCode(canvas, TRect{0, 0, width, 300}, bc);
    EXPECT_EQ(bc.ErrorMessage(), error);
    if (error != erOK) continue;
    int first = 0;  // the first dark pixel of the middle row: the left guard bar
    while (first < width && screen.Pixel(first, 150) == clWhite) ++first;
    EXPECT_EQ(first, 20 + (11 + 2) * 3);
  }
}

TEST(ExportFiles, ExtensionChoosesTheWriter) {
  const struct {
    const char* Name;
    const char* Magic;  // first bytes of the file; nullptr: nothing written
  } rows[] = {
      {"a.bmp", "BM"},           {"a.BMP", "BM"},
      {"a.Png", "\x89PNG"},      {"a.gif", "GIF8"},
      {"a.tif", "II*"},          {"a.TIFF", "II*"},
      {"a.jpg", "\xff\xd8\xff"}, {"a.wmf", "\xd7\xcd\xc6\x9a"},
      {"a.emf", "\x01\0\0\0"},   {"a.jpeg", "\xff\xd8\xff"},
      {"b.JPE", "\xff\xd8\xff"}, {"a.png.txt", nullptr},
      {"noextension", nullptr},  {"dir.png/name", nullptr},
      {"a.", nullptr},           {"a.pngx", nullptr},
      {"a.svgz", nullptr},       {".png", "\x89PNG"},
      {"a.svg", "<?xml"},        {"a.EPS", "%!PS-Adobe"},
      {"a.Pdf", "%PDF-"},
  };
  test::TTempDir dir;
  fs::create_directory(dir.File("dir.png"));
  for (const auto& row : rows) {
    SCOPED_TRACE(row.Name);
    TBrevixBC bc;
    bc.SetBounds(0, 0, 120, 60);
    const std::string file = dir.File(row.Name);
    if (!row.Magic) {
      // Refused by name, naming the file and the extensions that work.
      try {
        DrawToFile(bc, file);
        ADD_FAILURE() << "no error raised";
      } catch (const EImageWriteError& e) {
        EXPECT_EQ(e.FileName(), file);
        EXPECT_NE(
            e.Cause().find("(use .bmp, .emf, .eps, .gif, .jpe, .jpeg, .jpg, .pdf, .png, .svg, "
                           ".tif, .tiff or .wmf)"),
            std::string::npos)
            << e.Cause();
      }
      EXPECT_FALSE(fs::exists(file));
      continue;
    }
    DrawToFile(bc, file);
    const std::string magic = row.Magic[0] == 1 ? std::string("\x01\0\0\0", 4) : row.Magic;
    EXPECT_EQ(test::ReadFileBytes(file).substr(0, magic.size()), magic);
  }
  // Nothing else appeared: no temporary files, nothing for the refused names.
  std::set<std::string> names;
  for (const auto& e : fs::directory_iterator(dir.Path()))
    names.insert(e.path().filename().string());
  EXPECT_EQ(names, (std::set<std::string>{"a.bmp", "a.BMP", "a.Png", "a.gif", "a.tif", "a.TIFF",
                                          "a.jpg", "a.wmf", "a.emf", "a.jpeg", "b.JPE", ".png",
                                          "dir.png", "a.svg", "a.EPS", "a.Pdf"}));
  TBrevixBC bc;
  EXPECT_NO_THROW(DrawToFile(bc, ""));
}

TEST(ExportFiles, GifTransparencyMarksTheBackground) {
  test::TTempDir dir;
  for (const bool transparent : {false, true}) {
    SCOPED_TRACE(transparent);
    TBrevixBC bc;
    bc.SetColor_Back(RGBColor(255, 255, 0));
    bc.SetColor_Lines(RGBColor(0, 0, 128));
    bc.SetTransparent(transparent);
    bc.SetBounds(0, 0, 150, 60);
    DrawToFile(bc, dir.File("t.gif"));
    const auto gif = test::ReadGifFile(dir.File("t.gif"));
    ASSERT_TRUE(gif.has_value());
    EXPECT_EQ(gif->HasGraphicControl, transparent);
    if (transparent) {
      EXPECT_EQ(gif->TransparentColor, RGBColor(255, 255, 0));
      // The untouched corner is the transparent colour; the bars are not.
      EXPECT_EQ(gif->At(0, 0), RGBColor(255, 255, 0));
    }
    // PNG and TIFF carry the same colours, with no transparency of their own.
    DrawToFile(bc, dir.File("t.png"));
    DrawToFile(bc, dir.File("t.tif"));
    const auto png = test::ReadPngFile(dir.File("t.png"));
    const auto tif = test::ReadTiffFile(dir.File("t.tif"));
    ASSERT_TRUE(png && tif);
    EXPECT_EQ(png->Pixels, gif->Pixels);
    EXPECT_EQ(tif->Pixels, gif->Pixels);
    EXPECT_LE(png->PaletteSize, 256);
  }
}

TEST(ExportFiles, BarcodeErrorsStillExportTheErrorDisplay) {
  test::TTempDir dir;
  TBrevixBC bc;
  bc.SetTypeBar(csCodeEAN13);
  bc.SetBounds(0, 0, 60, 80);  // narrower than the 95 modules
  DrawToFile(bc, dir.File("e.png"));
  EXPECT_EQ(bc.ErrorMessage(), erSmallPaintBox);
  const auto image = test::ReadPngFile(dir.File("e.png"));
  ASSERT_TRUE(image.has_value());
  bool red = false;
  for (const auto p : image->Pixels) red |= ColorR(p) > 200 && ColorG(p) < 80 && ColorB(p) < 80;
  EXPECT_TRUE(red) << "no red error message";
}

TEST(ExportFiles, FailuresRaiseAndKeepTheOldFile) {
  test::TTempDir dir;
  fs::create_directory(dir.File("folder.png"));
  const struct {
    const char* What;
    const char* Name;
    int Width;
    const char* Cause;
  } rows[] = {
      {"missing directory", "missing/x.png", 100, "does not exist"},
      {"missing directory", "missing/x.emf", 100, "does not exist"},
      {"directory in the way", "folder.png", 100, "is a directory"},
      {"empty picture", "keep.png", 0, "empty"},
      {"empty picture", "keep.wmf", 0, "empty"},
      {"picture too large", "keep.gif", 40000, "too large"},
      {"picture too large", "keep.emf", 40000, "too large"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(std::string(row.What) + " " + row.Name);
    const std::string name = dir.File(row.Name);
    const bool keep = std::string(row.Name).starts_with("keep");
    if (keep) std::ofstream(name) << "old";
    TBrevixBC bc;
    bc.SetBounds(0, 0, row.Width, 60);
    try {
      DrawToFile(bc, name);
      ADD_FAILURE() << "no error raised";
    } catch (const EImageWriteError& e) {
      EXPECT_EQ(e.FileName(), name);
      EXPECT_NE(e.Cause().find(row.Cause), std::string::npos) << e.Cause();
    }
    if (keep) {
      EXPECT_EQ(test::ReadFileBytes(name), "old");
    }
  }
}

TEST(ExportClipboard, HoldsTheControlsPicture) {
  TMemoryClipboard clipboard;
  for (const auto& angle : kAngles) {
    SCOPED_TRACE(angle.Name);
    TBrevixBC bc;
    Configure(bc, csCode128, "Brevix", angle.Angle, 200, 80);
    CopyToClipboard(bc, clipboard);
    const auto bitmap = clipboard.GetBitmap();
    ASSERT_TRUE(bitmap.has_value());
    EXPECT_EQ(bitmap->Width, 200);
    EXPECT_EQ(bitmap->Height, 80);
    EXPECT_EQ(bitmap->Rgb, RenderToBitmap(bc).Rgb);
  }
  EXPECT_EQ(clipboard.SetCount(), 4);
}

}  // namespace
}  // namespace brevix
