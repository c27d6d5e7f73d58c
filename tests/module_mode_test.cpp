// Module-mode files: every decodable symbology written in each format and orientation, read back
// by independent renderers and decoders from the file exactly as written; the resolution raster
// files record; vector files' size and determinism.

#include "output/module_mode.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "cli/run.h"
#include "core/catalogue.h"
#include "encode/build_symbol.h"
#include "layout/module_layout.h"
#include "output/vector_writers.h"
#include "tests/support/decode.h"
#include "tests/support/image_read.h"

namespace brevix {
namespace {

bool Have(const std::string& tool) {
  int code = 0;
  test::RunCommand("command -v " + tool + " >/dev/null 2>&1", &code);
  return code == 0;
}

TEST(PhysicalSize, RasterFilesRecordTheResolution) {
  if (!test::HaveImageMagick()) GTEST_SKIP() << "ImageMagick not available";
  const TSymbol s = BuildSymbol(csCodeEAN13, "9771210107001").Symbol;
  struct TRow {
    double XDimensionMm;
    int Dpi;
    std::string Identified;  // resolution and width: 11 + 95 + 7 modules across
  };
  const TRow rows[] = {{0.33, 300, "300 300 452"}, {0, kPixelsPerInch, "96 96 226"}};
  const test::TTempDir dir;
  for (const TRow& r : rows)
    for (const char* name : {"r.png", "r.tif", "r.bmp", "r.jpg"}) {
      SCOPED_TRACE(std::string(name) + " at " + std::to_string(r.Dpi));
      TModuleOptions options;
      options.XDimensionMm = r.XDimensionMm;
      options.Dpi = r.Dpi;
      const std::string path = dir.File(name);
      WriteModuleModeFile(path, s, options);
      // BMP and PNG count pixels per metre: 96 dpi reads back as 96.01.
      const std::string out =
          test::RunCommand("identify -units PixelsPerInch -format '%x %y %w' '" + path + "'");
      double x = 0, y = 0;
      int width = 0;
      ASSERT_EQ(std::sscanf(out.c_str(), "%lf %lf %d", &x, &y, &width), 3) << out;
      EXPECT_EQ(std::to_string(std::lround(x)) + " " + std::to_string(std::lround(y)) + " " +
                    std::to_string(width),
                r.Identified);
    }
}

// ---- Files in every format and orientation, decoded as written --------------------------------

struct TDecodeRow {
  TTypeBar Type;
  std::string Text;
  std::string Format;    // as ZXingReader names it
  std::string Expected;  // what it reads
  bool Zbar;             // zbarimg reads it too
};

enum class TRoute { Png, SvgRsvg, EpsGs, PdfGs, PdfPoppler };

// The file name for route in dir.
std::string RouteFile(TRoute route, const test::TTempDir& dir) {
  static constexpr const char* kNames[] = {"b.png", "b.svg", "b.eps", "b.pdf", "b.pdf"};
  return dir.File(kNames[static_cast<int>(route)]);
}

// The PNG an independent renderer makes of the file written for route (the file itself for PNG).
std::string Rendered(TRoute route, const test::TTempDir& dir) {
  const std::string file = RouteFile(route, dir);
  const std::string png = dir.File("rendered.png");
  const std::string gs = "gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=pnggray -r96 ";
  switch (route) {
    case TRoute::Png:
      return file;
    case TRoute::SvgRsvg:
      test::RunCommand("rsvg-convert -o '" + png + "' '" + file + "'");
      break;
    case TRoute::EpsGs:
      test::RunCommand(gs + "-dEPSCrop -sOutputFile='" + png + "' '" + file + "'");
      break;
    case TRoute::PdfGs:
      test::RunCommand(gs + "-sOutputFile='" + png + "' '" + file + "'");
      break;
    case TRoute::PdfPoppler:
      test::RunCommand("pdftoppm -r 96 -gray -png -singlefile '" + file + "' '" +
                       dir.File("rendered") + "'");
      break;
  }
  return png;
}

bool HaveRenderersAndReader() {
  for (const char* tool : {"ZXingReader", "rsvg-convert", "gs", "pdftoppm"})
    if (!Have(tool)) return false;
  return true;
}

// Every symbology a decoder reads, with a text and what the decoder reads of it.
const std::vector<TDecodeRow>& DecodeRows() {
  static const std::vector<TDecodeRow> rows = {
      {csCode_2_5_interleaved, "123456", "ITF", "123456", true},
      {csCodeITF, "0977121010700", "ITF", "09771210107001", true},
      {csCodeOPC, "1234567897", "ITF", "1234567897", true},
      {csCodeUPC_shipping, "1234567890123", "ITF", "12345678901231", true},
      {csCode39, "CODE-39 TEST", "Code39", "CODE-39 TEST", true},
      {csCode39Extended, "CODE 39 EXT", "Code39", "CODE 39 EXT", true},
      {csCodePZN, "123456", "Code39", "-1234562", true},
      {csCode93, "CODE 93", "Code93", "CODE 93", true},
      {csCode93Extended, "CODE 93X", "Code93", "CODE 93X", true},
      {csCode128, "Code 128!", "Code128", "Code 128!", true},
      {csCodeEAN128, "0101234567890128", "Code128", "0101234567890128", true},
      // ZXingReader leaves out the start and stop characters, zbarimg keeps them.
      {csCodeCodabar, "A0123+-$/:68A", "Codabar", "0123+-$/:681", true},
      {csCodeEAN13, "9771210107001", "EAN-13", "9771210107001", true},
      {csCodeEAN13, "4006381333931 52495", "EAN-13", "4006381333931", true},
      {csCodeJAN13, "491234567890", "EAN-13", "4912345678904", true},
      {csCodeISBN, "80-7226-102", "EAN-13", "9788072261024", true},
      {csCodeISSN, "80-7226-102", "EAN-13", "9778072261025", true},
      {csCodeISMN, "80-7226-102", "EAN-13", "9798072261023", true},
      {csCodeEAN8, "1234567", "EAN-8", "12345670", true},
      {csCodeJAN8, "4912345", "EAN-8", "49123456", true},
      {csCodeUPC_A, "01234567890", "UPC-A", "012345678905", true},
      {csCodeUPC_E0, "0123456", "UPC-E", "01234565", true},
      {csCodeUPC_E1, "1123456", "UPC-E", "11234562", false},
      {csCodePDF417, "Brevix module mode, PDF417", "PDF417", "Brevix module mode, PDF417", false},
  };
  return rows;
}

TEST(ModuleModeFiles, DecodeInEveryOrientationAndFormat) {
  if (!HaveRenderersAndReader()) GTEST_SKIP() << "a renderer or ZXingReader is not available";
  const bool zbar = Have("zbarimg");
  const test::TTempDir dir;
  int row = 0;
  for (const TDecodeRow& r : DecodeRows()) {
    ++row;
    const TBuiltSymbol b = BuildSymbol(r.Type, r.Text);
    ASSERT_TRUE(b.Ok()) << r.Text << ": " << b.Error.Message;
    for (int angle : {0, 90, 180, 270}) {
      // Every row in PNG at every angle; the vector routes in turn, one per angle.
      const TRoute vectorRoute = static_cast<TRoute>(1 + (row + angle / 90) % 4);
      for (TRoute route : {TRoute::Png, vectorRoute}) {
        SCOPED_TRACE(r.Text + " angle " + std::to_string(angle) + " route " +
                     std::to_string(static_cast<int>(route)));
        TModuleOptions o;
        o.Angle = angle;
        WriteModuleModeFile(RouteFile(route, dir), b.Symbol, o);
        const std::string png = Rendered(route, dir);
        const std::string read = test::RunCommand("ZXingReader -1 '" + png + "' 2>&1");
        EXPECT_NE(read.find(r.Expected), std::string::npos) << read;
        if (zbar && r.Zbar && route == TRoute::Png && angle % 180 == 0) {
          std::string z;
          for (const std::string& line : test::DecodeWithZbar(png)) z += line + "\n";
          EXPECT_NE(z.find(r.Expected), std::string::npos) << z;
        }
      }
    }
  }
}

// The tool with no size options: every decodable symbology in every orientation as PNG, and in
// one vector format at one orientation each, read from the file exactly as the tool wrote it.
TEST(ModuleModeFiles, ToolDefaultsDecodeAsWritten) {
  if (!HaveRenderersAndReader()) GTEST_SKIP() << "a renderer or ZXingReader is not available";
  const test::TTempDir dir;
  int row = 0;
  for (const TDecodeRow& r : DecodeRows()) {
    ++row;
    for (int angle : {0, 90, 180, 270}) {
      std::vector<TRoute> routes = {TRoute::Png};
      if (angle / 90 == row % 4) routes.push_back(static_cast<TRoute>(1 + row % 4));
      for (TRoute route : routes) {
        SCOPED_TRACE(r.Text + " angle " + std::to_string(angle) + " route " +
                     std::to_string(static_cast<int>(route)));
        const std::vector<std::string> args = {"--angle", std::to_string(angle),
                                               TypeBarIdentifier(r.Type), r.Text,
                                               RouteFile(route, dir)};
        std::ostringstream out, err;
        ASSERT_EQ(cli::Run(args, {0, out, err, false}), cli::kExitOk) << err.str();
        EXPECT_EQ(err.str(), "");
        const std::string read = test::RunCommand("ZXingReader -1 '" + Rendered(route, dir) + "'");
        EXPECT_NE(read.find(r.Format + " \"" + r.Expected), std::string::npos) << read;
      }
    }
  }
}

// Palette files skip painting and comparing rows the drawing reports as repeats of the row
// above: every row of the file must still be the row a whole picture holds, captions, add-ons and
// turns included, from one context used for one picture after another.
TEST(ModuleModeFiles, PaletteFilesHoldEveryRowDrawn) {
  const struct {
    TTypeBar Type;
    const char* Text;
  } rows[] = {{csCodeEAN13, "4006381333931 52495"},
              {csCodeUPC_A, "01234567890"},
              {csCodePostNet, "12345"},
              {csCodePDF417, "Brevix rows"}};
  const test::TTempDir dir;
  TModuleModeContext context;
  for (const auto& r : rows)
    for (int angle : {0, 180, 90}) {
      SCOPED_TRACE(std::string(r.Text) + " angle " + std::to_string(angle));
      TModuleOptions o;
      o.Angle = angle;
      o.PixelsPerModule = 3;
      const TSymbol s = BuildSymbol(r.Type, r.Text).Symbol;
      TModuleModeContext whole;
      const TBitmap& drawn = RenderModuleMode(s, o, whole);
      for (const std::string name : {"p.png", "p.gif", "p.tif"}) {
        WriteModuleModeFile(dir.File(name), s, o, context);
        const auto read = name == "p.png"   ? test::ReadPngFile(dir.File(name))
                          : name == "p.gif" ? test::ReadGifFile(dir.File(name))
                                            : test::ReadTiffFile(dir.File(name));
        ASSERT_TRUE(read && read->Width == drawn.Width && read->Height == drawn.Height) << name;
        int wrong = 0;
        for (int y = 0; y < drawn.Height; ++y)
          for (int x = 0; x < drawn.Width; ++x) {
            const std::uint8_t* p =
                drawn.Rgb.data() + (static_cast<std::size_t>(y) * drawn.Width + x) * 3;
            wrong += read->At(x, y) != (p[0] | p[1] << 8 | static_cast<std::uint32_t>(p[2]) << 16);
          }
        EXPECT_EQ(wrong, 0) << name;
      }
    }
}

TEST(ModuleModeFiles, SizedDeterministicAndTransparent) {
  const TSymbol s = BuildSymbol(csCodeEAN13, "9771210107001").Symbol;
  TModuleOptions o;
  o.XDimensionMm = 0.33;
  o.Angle = 90;
  const TDrawing d = LayoutModuleMode(s, o);
  // One rectangle per bar, the box 11 + 95 + 7 modules long, turned upright.
  EXPECT_EQ(d.Bars.size(), 30u);
  EXPECT_EQ(d.Width, 113);
  EXPECT_EQ(d.TurnedHeight(), 113);
  std::string a, b;
  for (auto write : {WriteSvg, WriteEps, WritePdf}) {
    a.clear();
    b.clear();
    write(d, a);
    write(d, b);
    EXPECT_EQ(a, b);
  }
  a.clear();
  WriteSvg(d, a);
  // 113 modules of 0.33 mm; the box turned a quarter.
  EXPECT_NE(a.find("height=\"37.29mm\" viewBox=\"0 0 "), std::string::npos) << a.substr(0, 300);
  a.clear();
  WriteEps(d, a);
  EXPECT_NE(a.find("%%HiResBoundingBox: 0 0 "), std::string::npos);
  EXPECT_NE(a.find(" 105.7039\n"), std::string::npos) << a.substr(0, 200);  // 37.29 mm in points
  for (const char* refused : {"/x.jpf", "/x.wmf", "/x.svgz"})
    EXPECT_THROW(WriteModuleModeFile(::testing::TempDir() + refused, s, o), EImageWriteError);
  // A transparent drawing leaves its background clear in the formats that can.
  if (test::HaveImageMagick()) {
    o.Transparent = true;
    const test::TTempDir dir;
    for (const char* name : {"t.png", "t.gif"}) {
      WriteModuleModeFile(dir.File(name), s, o);
      EXPECT_EQ(test::RunCommand("identify -format '%[opaque]' '" + dir.File(name) + "'"), "false")
          << name;
    }
  }
  TSymbol malformed;  // a row without its height
  malformed.Width = 3;
  malformed.Rows = {"101"};
  for (const TSymbol& nothing : {TSymbol{}, malformed})
    EXPECT_THROW(WriteModuleModeFile(::testing::TempDir() + "/x.svg", nothing, o),
                 EImageWriteError);
}

}  // namespace
}  // namespace brevix
