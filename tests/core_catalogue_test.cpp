#include <gtest/gtest.h>

#include <string>

#include "cli/options.h"
#include "core/catalogue.h"
#include "core/control.h"

namespace brevix {
namespace {

std::string Bytes(int from, int to) {
  std::string s;
  for (int c = from; c <= to; ++c) s += static_cast<char>(c);
  return s;
}

TEST(Catalogue, NamesKeepTheirExactSpelling) {
  struct Row {
    int value;
    const char* name;
    const char* description;
    const char* identifier;
  };
  const Row rows[] = {
      {0, "2/5 Interleaved (ITF)", "Code25, 2 of 5, ITF", "csCode_2_5_interleaved"},
      {2, "2/5 Matrix ", "Code25, 2/5 Matrix", "csCode_2_5_matrix"},  // trailing blank
      {6, "2/5 Coop", "Code25, 2/5 Matrix", "csCode_2_5_coop"},
      {7, "Code 39", "Code 39", "csCode39"},
      {11, "Code 128", "Code 128 ( includes A, B, C )", "csCode128"},
      {24, "JAN8", "Japanese version of  EAN 8", "csCodeJAN8"},  // two blanks
      {25, "JAN13", "Japanese version of  EAN 13", "csCodeJAN13"},
      {29, "UPC-Shipping", "UPC-Shipping", "csCodeUPC_shipping"},
      {32, "PDF417", "", "csCodePDF417"},
      {33, "GS1-128", "GS1-128 (application identifiers, FNC1)", "csCodeGS1_128"},
      {34, "QR Code", "QR Code model 2", "csCodeQRCode"},
      {35, "Data Matrix", "Data Matrix ECC 200", "csCodeDataMatrix"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.value);
    TBarCodeInfo info;
    GetBarCodeInfo(row.value, info);
    EXPECT_EQ(info.Name, row.name);
    EXPECT_EQ(info.Description, row.description);
    EXPECT_STREQ(TypeBarIdentifier(row.value), row.identifier);
  }
}

TEST(Catalogue, CharacterSets) {
  const std::string code39 = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. $/+%";
  struct Row {
    TTypeBar typeBar;
    std::string charSet;
  };
  const Row rows[] = {
      {csCode_2_5_interleaved, "0123456789"},
      {csCode39, code39},
      {csCode39Extended, Bytes(0x20, 0x7E)},
      {csCode93, code39 + "&\"()"},
      {csCode93Extended, Bytes(0x20, 0x7E)},
      {csCode128, Bytes(0x01, 0x7E)},
      {csCodeABCCodabar, "0123456789-$:/.+ABCD "},
      {csCodeCodabar, "0123456789-$:/.+ABCD"},
      {csCodeMSI, "0123456789ABCDEF"},
      {csCodeEAN128, Bytes(0x20, 0x7E) + "\x9A\xE8\x9D\x9E\xFD\xE1\xED\xE9"},
      {csCode11, "0123456789-"},
      {csCodePDF417, ""},
      {csCodeQRCode, Bytes(0x01, 0xFF)},
      {csCodeDataMatrix, Bytes(0x01, 0xFF)},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(TypeBarIdentifier(row.typeBar));
    TBarCodeInfo info;
    GetBarCodeInfo(row.typeBar, info);
    EXPECT_EQ(info.CharSet, row.charSet);
  }
  TBarCodeInfo info;
  GetBarCodeInfo(csCode39Extended, info);
  EXPECT_EQ(info.CharSet.size(), 95u);
  GetBarCodeInfo(csCodeEAN128, info);
  EXPECT_EQ(info.CharSet.size(), 103u);
}

// Every identifier and every name leads back to its own symbology: none is shadowed by another
// row's identifier or name.
TEST(Catalogue, IdentifiersAndNamesRoundTrip) {
  for (int v = 0; v < kTypeBarCount; ++v) {
    SCOPED_TRACE(v);
    EXPECT_EQ(cli::ParseSymbology(TypeBarIdentifier(v)), static_cast<TTypeBar>(v));
    EXPECT_EQ(cli::ParseSymbology(CatalogueRow(v).Name), static_cast<TTypeBar>(v));
  }
}

TEST(Catalogue, ValuesOutsideTheTable) {
  TBarCodeInfo info;
  info.Name = "caller's";
  GetBarCodeInfo(kTypeBarCount, info);
  EXPECT_EQ(info.Name, "caller's");
  GetBarCodeInfo(-1, info);
  EXPECT_EQ(info.Name, "caller's");
  // Only the low seven bits select a row.
  GetBarCodeInfo(128 + 7, info);
  EXPECT_EQ(info.Name, "Code 39");
  // The control's own lookup never masks: an out-of-range symbology has an empty row.
  EXPECT_EQ(CatalogueRow(128 + 7).Name, "");
  EXPECT_EQ(CatalogueRow(200).CharSet, "");
  EXPECT_STREQ(TypeBarIdentifier(kTypeBarCount), "");
  EXPECT_STREQ(TypeBarIdentifier(-5), "");
  EXPECT_STREQ(LastErrorText(erOK), "Correct");
  EXPECT_STREQ(LastErrorText(erCountCharMustBeEven),
               "2of5 Interleaved/ITF - count of digits must be even.");
  EXPECT_STREQ(LastErrorText(kLastErrorCount), "");
}

// Selecting each symbology stores its sample, completed; the completed sample then encodes.
TEST(Catalogue, EverySampleCompletesAndValidates) {
  struct Row {
    TTypeBar typeBar;
    const char* completed;
    TLastError check;  // what PreEncodeCheck of the completed sample reports
  };
  const Row rows[] = {
      {csCode_2_5_interleaved, "123456", erOK},
      {csCode_2_5_industrial, "123456", erOK},
      {csCode_2_5_matrix, "123456", erOK},
      {csCode_2_5_datalogic, "123456", erOK},
      {csCode_2_5_IATA, "123456", erOK},
      {csCode_2_5_invert, "123456", erOK},
      {csCode_2_5_coop, "123456", erOK},
      {csCode39, "BC", erOK},
      {csCode39Extended, "BC", erOK},
      {csCode93, "BC", erOK},
      {csCode93Extended, "BC", erOK},
      {csCode128, "BC", erOK},
      {csCodeABCCodabar, "ABCCBA", erOK},
      {csCodeITF, "09771210107001", erOK},
      {csCodeISBN, "80-7226-102-9", erOK},
      {csCodeISSN, "80-7226-102-9", erOK},
      {csCodeISMN, "80-7226-102-9", erOK},
      {csCodeCodabar, "A0123+-$/:68A", erOK},
      {csCodeMSI, "", erEmptyCode},
      {csCodePostNet, "123456789", erOK},
      {csCodeOPC, "1234567897", erOK},
      {csCodeEAN8, "12345670", erOK},
      {csCodeEAN13, "9771210107001", erOK},
      {csCodeEAN128, "EAN 128", erOK},
      {csCodeJAN8, "49123456", erOK},
      {csCodeJAN13, "4912345678904", erOK},
      {csCodeUPC_A, "012345678905", erOK},
      {csCodeUPC_E0, "01234565", erOK},
      {csCodeUPC_E1, "11234562", erOK},
      {csCodeUPC_shipping, "12345678901231", erOK},
      {csCode11, "123456", erOK},
      {csCodePZN, "1234562", erOK},
      {csCodePDF417, "bla,bla,bla", erCharOutOfSet},  // drawn by its own renderer
      {csCodeGS1_128, "(01)09501101530003(17)250101(10)ABC123", erOK},
      {csCodeQRCode, "Brevix QR Code", erOK},
      {csCodeDataMatrix, "Brevix Data Matrix", erOK},
  };
  static_assert(std::size(rows) == kTypeBarCount);
  for (const Row& row : rows) {
    SCOPED_TRACE(TypeBarIdentifier(row.typeBar));
    TCustomBC bc;
    if (row.typeBar == bc.TypeBar()) bc.SetTypeBar(csCode39);
    bc.SetTypeBar(row.typeBar);
    EXPECT_EQ(bc.Text(), row.completed);
    EXPECT_EQ(bc.PreEncodeCheck(bc.Text()), row.check == erOK);
    EXPECT_EQ(bc.ErrorMessage(), row.check);
  }
}

}  // namespace
}  // namespace brevix
