// The encode dispatcher, seen from the control: which encoder runs and what follows it.
#include <gtest/gtest.h>

#include <string>

#include "core/catalogue.h"
#include "core/control.h"

namespace brevix {
namespace {

TEncodeResult EncodeAs(TTypeBar typeBar, const std::string& text,
                       TDisplayType display = csOutputCode) {
  TCustomBC bc;
  bc.SetDisplay(display);
  if (bc.TypeBar() != typeBar) bc.SetTypeBar(typeBar);
  bc.SetText(text);
  return bc.EncodeText(bc.Text());
}

// Book numbers and JAN-13 draw exactly the EAN-13 symbol they stand for.
TEST(Dispatch, BooklandDrawsItsEan13) {
  struct Row {
    TTypeBar typeBar;
    std::string text;
    std::string ean13;
  };
  const Row rows[] = {
      {csCodeISBN, "80-7226-102-9", "9788072261024"},
      {csCodeISSN, "80-7226-102-9", "9778072261025"},
      {csCodeISMN, "80-7226-102-9", "9798072261023"},
      {csCodeISBN, "80-7226-102-X 12", "9788072261024 12"},
      {csCodeISBN, "8072261029 12", "9788072261024 12"},
      {csCodeJAN13, "4912345678904", "4912345678904"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(TypeBarIdentifier(row.typeBar)) + " " + row.text);
    for (TDisplayType display : {csOutputCode, csOutputNone}) {
      const TEncodeResult book = EncodeAs(row.typeBar, row.text, display);
      const TEncodeResult ean = EncodeAs(csCodeEAN13, row.ean13, display);
      EXPECT_EQ(book.Pattern, ean.Pattern);
      EXPECT_EQ(book.Anchors, ean.Anchors);
    }
  }
}

// EAN-13 style symbols get room for the leading digit only while the code caption is shown.
TEST(Dispatch, LeadingRoomFollowsTheCodeCaption) {
  struct Row {
    TTypeBar typeBar;
    std::string text;
  };
  const Row rows[] = {
      {csCodeEAN13, "9771210107001"}, {csCodeJAN13, "4912345678904"}, {csCodeISBN, "80-7226-102-9"},
      {csCodeUPC_A, "012345678905"},  {csCodeUPC_E0, "01234565"},     {csCodeUPC_E1, "11234562"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(TypeBarIdentifier(row.typeBar));
    const TEncodeResult shown = EncodeAs(row.typeBar, row.text, csOutputCode);
    const TEncodeResult hidden = EncodeAs(row.typeBar, row.text, csOutputNone);
    if (shown.Pattern.empty()) continue;  // encoder not built yet
    EXPECT_EQ(shown.Pattern.substr(0, 9), "        2");
    ASSERT_FALSE(hidden.Pattern.empty());
    EXPECT_EQ(hidden.Pattern.front(), '2');
    EXPECT_EQ(shown.Anchors.LeftFrom, hidden.Anchors.LeftFrom + 8);
  }
}

TEST(Dispatch, RefusedTextGivesNoPatternAndNoAnchors) {
  struct Row {
    TTypeBar typeBar;
    std::string text;
    TLastError error;
  };
  const Row rows[] = {
      {csCodeEAN13, "1234567890128X12", erCharMustBeSpace},
      {csCodeUPC_shipping, "123", erBarcodeLengthInvalid},
      {csCode39, "", erEmptyCode},
      {csCodePDF417, "bla,bla,bla", erCharOutOfSet},
      {csCodeGS1_128, "(01)09501101530004", erMustBe},  // only completion replaces it
      {csCodeGS1_128, "(17)251301", erErrorInBarCode},
      // Drawn by the matrix renderer: no linear pattern, and a reason for it.
      {csCodeQRCode, "Brevix", erErrorInBarCode},
      {csCodeDataMatrix, "Brevix", erErrorInBarCode},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(TypeBarIdentifier(row.typeBar));
    TCustomBC bc;
    bc.SetTypeBar(row.typeBar);
    const TEncodeResult r = bc.EncodeText(row.text);
    EXPECT_EQ(r.Pattern, "");
    EXPECT_EQ(r.Anchors, TCaptionAnchors{});
    EXPECT_EQ(bc.ErrorMessage(), row.error);
    EXPECT_EQ(bc.Encode(row.text), "");
  }
}

TEST(Dispatch, Code128AndUccEan128ShareAnEncoderButNotTheSymbol) {
  const TEncodeResult plain = EncodeAs(csCode128, "EAN 128");
  const TEncodeResult ucc = EncodeAs(csCodeEAN128, "EAN 128");
  if (plain.Pattern.empty()) GTEST_SKIP() << "Code 128 encoder not built yet";
  EXPECT_NE(plain.Pattern, ucc.Pattern);  // the leading FNC1
  // GS1-128: the same FNC1 after the start, then the element string; the control shows the
  // refusal's whole message.
  const TEncodeResult gs1 = EncodeAs(csCodeGS1_128, "(01)09501101530003");
  EXPECT_EQ(gs1.Pattern.substr(11, 11), ucc.Pattern.substr(11, 11));
  TCustomBC bc;
  bc.SetTypeBar(csCodeGS1_128);
  bc.SetText("[01]09501101530003[17]251301");
  EXPECT_FALSE(bc.PreEncodeCheck(bc.Text()));
  EXPECT_EQ(bc.ErrorText(), "AI (17): invalid date 251301, position 20");
  bc.SetText("[01]09501101530004");
  EXPECT_EQ(bc.Text(), "(01)09501101530003");  // completed, with parentheses
}

}  // namespace
}  // namespace brevix
