// Decode round trips: the control painted onto the raster canvas with its code caption, at a few
// pixels per module in every orientation, must read back as its text in a real decoder.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "core/control.h"
#include "platform/raster_canvas.h"
#include "render/draw.h"
#include "tests/support/decode.h"

namespace brevix {
namespace {

constexpr int kMargin = 40;

test::TGreyImage ToGrey(const TBitmap& bmp) {
  test::TGreyImage img;
  img.Width = bmp.Width;
  img.Height = bmp.Height;
  img.Pixels.reserve(static_cast<std::size_t>(bmp.Width) * static_cast<std::size_t>(bmp.Height));
  for (int y = 0; y < bmp.Height; ++y)
    for (int x = 0; x < bmp.Width; ++x) {
      const TColor c = bmp.Pixel(x, y);
      img.Pixels.push_back(
          static_cast<std::uint8_t>((ColorR(c) * 299 + ColorG(c) * 587 + ColorB(c) * 114) / 1000));
    }
  return img;
}

// Paints the control into an area giving every module `pixels` columns (the box is `height`
// high), inside a white margin, and returns what the decoder reads.
std::vector<test::TDecoded> PaintAndDecode(TCustomBC& bc, int pixels, int height,
                                           const std::string& pngPath) {
  int length = 0;
  if (bc.TypeBar() == csCodePDF417) {
    length = bc.MinWidth();
  } else {
    bc.SetCompleteDraw(true);
    length = static_cast<int>(bc.Encode(bc.Text()).size());
  }
  int across = length * pixels;
  across += across % 2;  // the box keeps even lengths only
  const bool quarter = bc.AngleDegrees() % 180 != 0;
  const int w = quarter ? height : across;
  const int h = quarter ? across : height;
  TBitmap bmp(w + 2 * kMargin, h + 2 * kMargin);
  TRasterCanvas canvas(bmp);
  DrawBarCode(canvas, {kMargin, kMargin, kMargin + w, kMargin + h}, bc);
  const test::TGreyImage img = ToGrey(bmp);
  const auto decoded = test::DecodeWithZXing(img);
  if (decoded.empty() && !pngPath.empty()) test::WritePng(img, pngPath);
  return decoded;
}

struct TRoundTrip {
  TTypeBar TypeBar;
  std::string Text;
  std::string Expected;  // what the decoder reports
  std::string Format;
};

TEST(RenderRoundTrip, LinearSymbolsDecodeInEveryOrientation) {
  if (!test::HaveZXing()) GTEST_SKIP() << "zxing-cpp not available";
  const TRoundTrip rows[] = {
      {csCodeEAN13, "9771210107001", "9771210107001", "EAN-13"},
      {csCodeEAN13, "4006381333931 12", "4006381333931 12", "EAN-13"},
      {csCodeEAN13, "4006381333931 52495", "4006381333931 52495", "EAN-13"},
      {csCodeJAN13, "4912345678904", "4912345678904", "EAN-13"},
      {csCodeEAN8, "12345670", "12345670", "EAN-8"},
      {csCodeEAN8, "12345670 12", "12345670 12", "EAN-8"},
      {csCodeJAN8, "49123456", "49123456", "EAN-8"},
      {csCodeUPC_A, "012345678905", "012345678905", "UPC-A"},
      {csCodeUPC_A, "012345678905 52495", "012345678905 52495", "UPC-A"},
      {csCodeUPC_E0, "01234565", "01234565", "UPC-E"},
      {csCodeUPC_E0, "01234565 12", "01234565 12", "UPC-E"},
      {csCodeISBN, "80-7226-102-5", "9788072261024", "EAN-13"},
      {csCodeISSN, "80-7226-102-5", "9778072261025", "EAN-13"},
      {csCodeISMN, "80-7226-102-5", "9798072261023", "EAN-13"},
      {csCode39, "CODE-39 TEST", "CODE-39 TEST", "Code39"},
      {csCode39Extended, "Mixed+case 39", "Mixed+case 39", "Code39"},
      {csCode93, "CODE 93", "CODE 93", "Code93"},
      {csCode93Extended, "Code 93x", "Code 93x", "Code93"},
      {csCode128, "Code 128!", "Code 128!", "Code128"},
      {csCode128, "12345678", "12345678", "Code128"},
      {csCodeEAN128, "0101234567890128", "0101234567890128", "Code128"},
      // GS1-128: the reader gives the element string, FNC1 separators as GS.
      {csCodeGS1_128, "(01)09501101530003(17)250101(10)ABC123(21)X1",
       "01095011015300031725010110ABC123\x1D"
       "21X1",
       "Code128"},
      {csCodeGS1_128, "[00]106141411234567897[3103]001250",
       "00106141411234567897"
       "3103001250",
       "Code128"},
      // The check character stands before the stop character in the symbol.
      {csCodeCodabar, "A0123+-$/:68A", "A0123+-$/:681A", "Codabar"},
      {csCodeITF, "09771210107001", "09771210107001", "ITF"},
      {csCode_2_5_interleaved, "123456", "123456", "ITF"},
  };
  for (const TRoundTrip& r : rows)
    for (int pixels : {2, 3})
      for (TAngleType angle :
           {csHorizontal, csVertical, csHorizontalMirrored, csVerticalMirrored}) {
        TBrevixBC bc;
        bc.SetTypeBar(r.TypeBar);
        bc.SetDisplay(csOutputCode);
        bc.SetText(r.Text);
        bc.SetAngle(angle);
        SCOPED_TRACE(bc.TypeBarName() + " \"" + bc.Text() + "\" angle " +
                     std::to_string(bc.AngleDegrees()) + ", " + std::to_string(pixels) + " px");
        const auto decoded =
            PaintAndDecode(bc, pixels, 90, ::testing::TempDir() + "/roundtrip_failed.png");
        ASSERT_EQ(bc.ErrorMessage(), erOK) << bc.ErrorText();
        bool found = false;
        std::string seen;
        for (const auto& d : decoded) {
          seen += d.Format + ":" + d.Text + " ";
          if (d.Format == r.Format && d.Text == r.Expected) found = true;
        }
        EXPECT_TRUE(found) << "decoded: " << seen;
      }
}

TEST(RenderRoundTrip, PDF417DecodesInEveryOrientation) {
  if (!test::HaveZXing()) GTEST_SKIP() << "zxing-cpp not available";
  const std::string text = "Brevix PDF417, drawn 2x";
  for (TAngleType angle : {csHorizontal, csVertical, csHorizontalMirrored, csVerticalMirrored})
    // Wide and tall rectangles: the symbol stays upright in the rectangle whatever the angle.
    for (const int tall : {0, 1}) {
      TBrevixBC bc;
      bc.SetTypeBar(csCodePDF417);
      bc.SetText(text);
      bc.SetAngle(angle);
      const int w = bc.MinWidth() * 2;
      const int h = tall ? w * 3 : w / 4;
      SCOPED_TRACE(std::to_string(bc.AngleDegrees()) + " degrees, " + std::to_string(w) + "x" +
                   std::to_string(h));
      TBitmap bmp(w + 2 * kMargin, h + 2 * kMargin);
      TRasterCanvas canvas(bmp);
      DrawBarCode(canvas, {kMargin, kMargin, kMargin + w, kMargin + h}, bc);
      ASSERT_EQ(bc.ErrorMessage(), erOK);
      const auto decoded = test::DecodeWithZXing(ToGrey(bmp));
      ASSERT_EQ(decoded.size(), 1u);
      EXPECT_EQ(decoded[0].Format, "PDF417");
      EXPECT_EQ(decoded[0].Text, text);
    }
}

// GS1-128, QR Code and Data Matrix through the control's box: the symbology identifier a GS1
// symbol reads back with, and the text as the control's 8-bit code page gives it. zbarimg reads
// the linear and QR symbols of the upright pictures too.
TEST(RenderRoundTrip, Gs1AndMatrixSymbolsDecodeInEveryOrientation) {
  if (!test::HaveZXing()) GTEST_SKIP() << "zxing-cpp not available";
  struct TRow {
    TTypeBar TypeBar;
    bool Gs1;
    std::string Text;
    std::string Expected;
    std::string Format;
    std::string Identifier;
    std::string Zbar;  // what zbarimg prints; empty: not read by it
  };
  const std::string gs1 = "(01)09501101530003(17)250101(10)ABC123(21)X1";
  const std::string element =
      "01095011015300031725010110ABC123\x1D"
      "21X1";
  const TRow rows[] = {
      {csCodeGS1_128, false, gs1, element, "Code128", "]C1", "CODE-128:" + element},
      {csCodeQRCode, false, "Brevix QR 0123456789", "Brevix QR 0123456789", "QRCode", "]Q1",
       "QR-Code:Brevix QR 0123456789"},
      // Windows-1252 e acute: ISO 8859-1 bytes, no ECI.
      {csCodeQRCode, false, "caf\xE9", "caf\xC3\xA9", "QRCode", "]Q1", ""},
      {csCodeQRCode, true, gs1, element, "QRCode", "]Q3", ""},
      {csCodeDataMatrix, false, "Brevix Data Matrix", "Brevix Data Matrix", "DataMatrix", "]d1",
       ""},
      {csCodeDataMatrix, true, gs1, element, "DataMatrix", "]d2", ""},
  };
  for (const TRow& r : rows)
    for (TAngleType angle : {csHorizontal, csVertical, csHorizontalMirrored, csVerticalMirrored}) {
      TBrevixBC bc;
      bc.SetTypeBar(r.TypeBar);
      bc.SetText(r.Text);
      bc.SetGS1(r.Gs1);
      bc.SetAngle(angle);
      const int w = r.TypeBar == csCodeGS1_128 ? 700 : 200;
      const int h = r.TypeBar == csCodeGS1_128 ? 120 : 150;
      const bool quarter = bc.AngleDegrees() % 180 != 0 && r.TypeBar == csCodeGS1_128;
      SCOPED_TRACE(bc.TypeBarName() + " \"" + r.Text + "\" angle " +
                   std::to_string(bc.AngleDegrees()));
      TBitmap bmp((quarter ? h : w) + 2 * kMargin, (quarter ? w : h) + 2 * kMargin);
      TRasterCanvas canvas(bmp);
      DrawBarCode(canvas,
                  {kMargin, kMargin, kMargin + (quarter ? h : w), kMargin + (quarter ? w : h)}, bc);
      ASSERT_EQ(bc.ErrorMessage(), erOK) << bc.ErrorText();
      const test::TGreyImage img = ToGrey(bmp);
      const auto decoded = test::DecodeWithZXing(img);
      ASSERT_EQ(decoded.size(), 1u);
      EXPECT_EQ(decoded[0].Format, r.Format);
      EXPECT_EQ(decoded[0].Text, r.Expected);
      EXPECT_EQ(decoded[0].SymbologyId, r.Identifier);
      if (angle == csHorizontal && !r.Zbar.empty() && test::HaveZbar()) {
        const std::string path = ::testing::TempDir() + "/roundtrip_zbar.png";
        test::WritePng(img, path);
        EXPECT_EQ(test::DecodeWithZbar(path), std::vector<std::string>{r.Zbar});
      }
    }
}

// A refused GS1 or matrix text shows its whole message, in box and module mode alike.
TEST(RenderRoundTrip, Gs1AndMatrixRefusalsKeepTheirMessage) {
  const struct {
    TTypeBar TypeBar;
    std::string Text;
    std::string Message;
  } rows[] = {
      {csCodeGS1_128, "(01)09501101530003(17)251301", "AI (17): invalid date 251301, position 20"},
      {csCodeQRCode, std::string(3000, 'x'), "Text too long for QR Code"},
      {csCodeDataMatrix, std::string(3200, '9'), "Too long for Data Matrix"},
  };
  for (const auto& r : rows)
    for (const int module : {0, 2}) {
      SCOPED_TRACE(r.Message + ", module width " + std::to_string(module));
      TBrevixBC bc;
      bc.SetTypeBar(r.TypeBar);
      bc.SetText(r.Text);
      bc.SetModuleWidth(module);
      TBitmap bmp(400, 200);
      TRasterCanvas canvas(bmp);
      DrawBarCode(canvas, {0, 0, 400, 200}, bc);
      EXPECT_NE(bc.ErrorMessage(), erOK);
      EXPECT_EQ(bc.ErrorText().substr(0, r.Message.size()), r.Message);
    }
}

}  // namespace
}  // namespace brevix
