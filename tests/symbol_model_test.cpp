// The symbol model built from text for every symbology, the quiet-zone table and physical
// sizing.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "encode/build_symbol.h"
#include "encode/matrix_text.h"
#include "layout/module_layout.h"
#include "layout/physical_size.h"
#include "symbol/quiet_zones.h"

namespace brevix {
namespace {

// ---- The symbol model -------------------------------------------------------------------------

TEST(SymbolModel, EverySymbologyGivesBarsOnly) {
  const std::vector<std::pair<TTypeBar, std::string>> rows = {
      {csCode_2_5_interleaved, "123456"},
      {csCode_2_5_industrial, "123456"},
      {csCode_2_5_matrix, "123456"},
      {csCode_2_5_datalogic, "123456"},
      {csCode_2_5_IATA, "123456"},
      {csCode_2_5_invert, "123456"},
      {csCode_2_5_coop, "123456"},
      {csCode39, "CODE 39"},
      {csCode39Extended, "Code 39"},
      {csCode93, "CODE 93"},
      {csCode93Extended, "Code 93"},
      {csCode128, "Code 128"},
      {csCodeABCCodabar, "A123B"},
      {csCodeITF, "0977121010700"},
      {csCodeISBN, "80-7226-102"},
      {csCodeISSN, "80-7226-102"},
      {csCodeISMN, "80-7226-102"},
      {csCodeCodabar, "A0123+-$/:68A"},
      {csCodeMSI, "1234567"},
      {csCodePostNet, "123456789"},
      {csCodeOPC, "1234567897"},
      {csCodeEAN8, "12345670 12"},
      {csCodeEAN13, "9771210107001 12345"},
      {csCodeEAN128, "0101234567890128"},
      {csCodeJAN8, "4912345"},
      {csCodeJAN13, "491234567890"},
      {csCodeUPC_A, "01234567890"},
      {csCodeUPC_E0, "0123456"},
      {csCodeUPC_E1, "1123456"},
      {csCodeUPC_shipping, "12345678901231 123456"},
      {csCode11, "123-45"},
      {csCodePZN, "123456"},
      {csCodePDF417, "Brevix"},
      {csCodeGS1_128, "[01]09501101530003[10]AB-12"},
      {csCodeQRCode, "Brevix"},
      {csCodeDataMatrix, "Brevix"},
  };
  ASSERT_EQ(rows.size(), static_cast<std::size_t>(kTypeBarCount));
  for (const auto& [type, text] : rows) {
    SCOPED_TRACE(std::to_string(type) + " " + text);
    const TBuiltSymbol b = BuildSymbol(type, text);
    ASSERT_TRUE(b.Ok()) << b.Error.Message;
    const TSymbol& s = b.Symbol;
    ASSERT_EQ(s.Rows.size(), s.RowHeights.size());
    std::size_t bars = 0;
    for (const std::string& row : s.Rows) {
      ASSERT_EQ(static_cast<int>(row.size()), s.Width);
      // The encoders' margins and caption room are gone: the bars start and end the row (a
      // matrix's rows may end light).
      if (!IsMatrixSymbology(type)) {
        EXPECT_EQ(row.front(), kDarkModule);
        EXPECT_EQ(row.back(), kDarkModule);
      }
      EXPECT_EQ(row.find_first_not_of("01"), std::string::npos);
      ForEachBar(row, [&](std::size_t, std::size_t) { ++bars; });
    }
    if (s.Rows.size() == 1) {
      EXPECT_EQ(s.Bars.size(), bars);
    }
    // Laid out with its quiet zones, whole modules across.
    const TQuietZone zone = QuietZoneOf(s);
    EXPECT_GE(LayoutModuleMode(s, {}).Width, s.Width + zone.Left + zone.Right);
  }
}

TEST(SymbolModel, ShapesAndCaptionsOfEanUpc) {
  struct TRow {
    TTypeBar Type;
    std::string Text;
    int Width;
    int Guards;                     // guard bars
    int AddOn;                      // add-on bars
    std::vector<TTextGroup> Text0;  // the first caption groups
  };
  const TRow rows[] = {
      {csCodeEAN13, "9771210107001", 95, 6, 0, {{"9", -7, -1}, {"771210", 3, 45}}},
      {csCodeISBN, "80-7226-102-9", 95, 6, 0, {{"9", -7, -1}, {"788072", 3, 45}}},
      {csCodeEAN8, "12345670", 67, 6, 0, {{"1234", 3, 31}, {"5670", 36, 64}}},
      {csCodeEAN13, "9771210107001 12", 95 + 10 + 20, 6, 7, {{"9", -7, -1}}},
      // UPC-A's outer digits stand beside the guards in the smaller size; their bars are long.
      {csCodeUPC_A,
       "012345678905",
       95,
       10,
       0,
       {{"0", -7, -1, TTextAlign::Centre, TTextLine::BelowSmall}, {"12345", 10, 45}}},
      {csCodeUPC_E0,
       "01234565",
       51,
       5,
       0,
       {{"0", -7, -1, TTextAlign::Centre, TTextLine::BelowSmall}}},
  };
  for (const TRow& r : rows) {
    SCOPED_TRACE(r.Text);
    const TBuiltSymbol b = BuildSymbol(r.Type, r.Text);
    ASSERT_TRUE(b.Ok()) << b.Error.Message;
    EXPECT_EQ(b.Symbol.Width, r.Width);
    int guards = 0, addOn = 0;
    for (TBarKind k : b.Symbol.Bars) {
      guards += k == TBarKind::Guard;
      addOn += k == TBarKind::AddOn;
    }
    EXPECT_EQ(guards, r.Guards);
    EXPECT_EQ(addOn, r.AddOn);
    EXPECT_EQ(b.Symbol.HasAddOn, r.AddOn > 0);
    ASSERT_GE(b.Symbol.Text.size(), r.Text0.size());
    for (std::size_t i = 0; i < r.Text0.size(); ++i) EXPECT_EQ(b.Symbol.Text[i], r.Text0[i]);
  }
}

TEST(SymbolModel, CheckCharactersAreStrictUnlessCompletionIsAsked) {
  struct TRow {
    TTypeBar Type;
    std::string Text;
    TCheckDigits Mode;
    TLastError Code;
    int Position;
    std::string Message;
    std::string Encoded;  // when Code is erOK
  };
  const TRow rows[] = {
      {csCodeEAN13, "9771210107002", TCheckDigits::Strict, erMustBe, 13, "(must be 1)", ""},
      {csCodeEAN13, "9771210107002", TCheckDigits::Complete, erOK, 0, "", "9771210107001"},
      // A missing check character is added in both modes.
      {csCodeEAN13, "977121010700", TCheckDigits::Strict, erOK, 0, "", "9771210107001"},
      {csCodeUPC_E0, "123456", TCheckDigits::Strict, erOK, 0, "", "01234565"},
      {csCodeUPC_E0, "01234569", TCheckDigits::Strict, erMustBe, 8, "(must be 5)", ""},
      {csCodeITF, "09771210107009", TCheckDigits::Strict, erMustBe, 14, "(must be 1)", ""},
      // JAN numbers start with 49: another prefix is not silently replaced.
      {csCodeJAN8, "45123450", TCheckDigits::Strict, erMustBe, 2, "(must be 9)", ""},
      // Validation's own errors, as the control reports them.
      {csCode39, "ab", TCheckDigits::Strict, erCharOutOfSet, 1,
       "Unvailable char for this type of barcode.(1.char - a)", ""},
      {csCode_2_5_interleaved, "12345", TCheckDigits::Strict, erCountCharMustBeEven, 0,
       "2of5 Interleaved/ITF - count of digits must be even.", ""},
      {csCodePostNet, "", TCheckDigits::Strict, erEmptyCode, 0, "Empty code.", ""},
      {csCodePDF417, "ab\x01", TCheckDigits::Strict, erCharOutOfSet, 3,
       "Bad char in PDF417, position 3, char : \x01", ""},
  };
  for (const TRow& r : rows) {
    SCOPED_TRACE(r.Text);
    TSymbolOptions options;
    options.CheckDigits = r.Mode;
    const TBuiltSymbol b = BuildSymbol(r.Type, r.Text, options);
    EXPECT_EQ(b.Error.Code, r.Code);
    EXPECT_EQ(b.Error.Position, r.Position);
    EXPECT_EQ(b.Error.Message, r.Message);
    EXPECT_EQ(b.Symbol.Empty(), r.Code != erOK);
    if (r.Code == erOK) {
      EXPECT_EQ(b.Text, r.Encoded);
    }
  }
}

// ---- Quiet zones and physical sizing ----------------------------------------------------------

TEST(QuietZones, StandardMinimaPerSymbology) {
  struct TRow {
    TTypeBar Type;
    bool AddOn;
    TQuietZone Zone;
  };
  const TRow rows[] = {
      {csCodeEAN13, false, {11, 7, 0, 0}},
      {csCodeEAN13, true, {11, 5, 0, 0}},
      {csCodeISBN, false, {11, 7, 0, 0}},
      {csCodeEAN8, false, {7, 7, 0, 0}},
      {csCodeUPC_A, false, {9, 9, 0, 0}},
      {csCodeUPC_A, true, {9, 5, 0, 0}},
      {csCodeUPC_E0, false, {9, 7, 0, 0}},
      {csCodeUPC_E1, true, {9, 5, 0, 0}},
      {csCode128, false, {10, 10, 0, 0}},
      {csCodeEAN128, false, {10, 10, 0, 0}},
      {csCode39, false, {10, 10, 0, 0}},
      {csCode93Extended, false, {10, 10, 0, 0}},
      {csCodeITF, false, {10, 10, 0, 0}},
      {csCode_2_5_matrix, false, {10, 10, 0, 0}},
      {csCodeCodabar, false, {10, 10, 0, 0}},
      {csCodeMSI, false, {12, 12, 0, 0}},
      {csCode11, false, {10, 10, 0, 0}},
      {csCodePDF417, false, {2, 2, 2, 2}},
      {csCodeGS1_128, false, {10, 10, 0, 0}},
      {csCodeQRCode, false, {4, 4, 4, 4}},
      {csCodeDataMatrix, false, {1, 1, 1, 1}},
      {static_cast<TTypeBar>(kTypeBarCount), false, {0, 0, 0, 0}},
  };
  for (const TRow& r : rows) {
    SCOPED_TRACE(std::to_string(r.Type) + (r.AddOn ? " with add-on" : ""));
    EXPECT_EQ(StandardQuietZone(r.Type, r.AddOn), r.Zone);
  }
  TSymbol s;
  s.TypeBar = csCodeEAN13;
  EXPECT_EQ(QuietZoneOf(s, 3), (TQuietZone{14, 10, 3, 3}));
  EXPECT_EQ(QuietZoneOf(s, -3), (TQuietZone{11, 7, 0, 0}));
}

// A matrix symbol is its rows, one module high each, laid out with square modules and its quiet
// zone on all four sides, whatever bar height is asked for; no caption.
TEST(SymbolModel, MatrixSymbolsKeepSquareModules) {
  for (const TTypeBar type : {csCodeQRCode, csCodeDataMatrix}) {
    SCOPED_TRACE(type);
    const TBuiltSymbol b = BuildSymbol(type, "Brevix 2D");
    ASSERT_TRUE(b.Ok()) << b.Error.Message;
    const TSymbol& s = b.Symbol;
    EXPECT_EQ(s.Height(), static_cast<int>(s.Rows.size()));
    EXPECT_TRUE(s.Text.empty());
    const TQuietZone zone = StandardQuietZone(type);
    for (const TModuleOptions& o :
         {TModuleOptions{}, TModuleOptions{.HeightModules = 50}, TModuleOptions{.HeightMm = 30}}) {
      const TDrawing d = LayoutModuleMode(s, o);
      EXPECT_EQ(d.Width, s.Width + zone.Left + zone.Right);
      EXPECT_EQ(d.Height, s.Height() + zone.Top + zone.Bottom);
      EXPECT_TRUE(d.Texts.empty());
      for (const TDrawRect& r : d.Bars) EXPECT_EQ(r.H, 1);
    }
  }
}

// The bytes a QR Code or Data Matrix text becomes and the ECI that says how to read them.
TEST(SymbolModel, MatrixTextBytesAndEci) {
  struct TRow {
    int CodePage;  // 0: UTF-8
    std::string Text;
    std::string Bytes;
    int Eci;
    bool ShiftJis;
  };
  const TRow rows[] = {
      {0, "Brevix", "Brevix", -1, false},
      {0, "caf\xC3\xA9", "caf\xE9", -1, false},                       // ISO 8859-1
      {0, "5 \xE2\x82\xAC", "5 \xE2\x82\xAC", 26, false},             // the euro sign: UTF-8
      {0, "\xE6\xBC\xA2\xE5\xAD\x97", "\x8A\xBF\x8E\x9A", -1, true},  // Kanji mode
      // A backslash reads as a yen sign in Shift JIS: UTF-8 instead.
      {0, "\xE6\xBC\xA2\\", "\xE6\xBC\xA2\\", 26, false},
      {1250, "\x8A", "\x8A", 21, false},
      {1251, "\xC0", "\xC0", 22, false},
      {1252, "caf\xE9", "caf\xE9", -1, false},
      {1252, "\x80", "\x80", 23, false},
      // No ECI of its own: as its UTF-8 form, here Greek alpha, which Shift JIS holds.
      {1253, "\xE1", "\x83\xBF", -1, true},
      {1253, "\xE1\x80", "\xCE\xB1\xE2\x82\xAC", 26, false},
      {1257, "Brevix", "Brevix", -1, false},
  };
  for (const TRow& r : rows) {
    SCOPED_TRACE(std::to_string(r.CodePage) + " " + r.Text);
    const TMatrixText t = r.CodePage == 0 ? MatrixTextOfUtf8(r.Text, true)
                                          : MatrixTextOfCodePage(r.Text, r.CodePage, true);
    EXPECT_TRUE(t.Ok);
    EXPECT_EQ(t.Bytes, r.Bytes);
    EXPECT_EQ(t.Eci, r.Eci);
    EXPECT_EQ(t.ShiftJis, r.ShiftJis);
  }
  const TMatrixText bad = MatrixTextOfUtf8("ab\xC3(", false);
  EXPECT_FALSE(bad.Ok);
  EXPECT_EQ(bad.BadPosition, 3);
  const TBuiltSymbol refused = BuildSymbol(csCodeQRCode, "ab\xC3(");
  EXPECT_EQ(refused.Error.Code, erCharOutOfSet);
  EXPECT_EQ(refused.Error.Position, 3);
}

TEST(PhysicalSize, XDimensionToWholeDots) {
  struct TRow {
    std::string Text;
    int Dpi;
    int Dots;  // 0: the length does not parse
    double AchievedMm;
  };
  const TRow rows[] = {
      {"0.33mm", 300, 4, 0.338667},
      {"13mil", 300, 4, 0.338667},
      {"0.013in", 600, 8, 0.338667},
      {"0.25mm", 203, 2, 0.250246},
      {"0.01mm", 96, 1, 0.264583},
      {"1.5mm", 96, 6, 1.5875},
      {"", 300, 0, 0},
      {"mm", 300, 0, 0},
      {"-1mm", 300, 0, 0},
      {"0mm", 300, 0, 0},
      {"1cm", 300, 0, 0},
      {"1 mm", 300, 0, 0},
      {"nanmm", 300, 0, 0},
  };
  for (const TRow& r : rows) {
    SCOPED_TRACE(r.Text);
    const std::optional<double> mm = ParseLengthMm(r.Text);
    ASSERT_EQ(mm.has_value(), r.Dots > 0);
    if (!mm) continue;
    const TDotsPerModule dots = DotsPerModule(*mm, r.Dpi);
    EXPECT_EQ(dots.Dots, r.Dots);
    EXPECT_NEAR(dots.AchievedMm, r.AchievedMm, 1e-6);
  }
}

}  // namespace
}  // namespace brevix
