#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "core/check_digits.h"
#include "encoders/ean_upc.h"
#include "tests/support/decode.h"

namespace brevix {
namespace {

TEncodeOptions Options(TTypeBar typeBar, bool caption) {
  TEncodeOptions o;
  o.TypeBar = typeBar;
  o.ShowCodeCaption = caption;
  return o;
}

// What the control draws for an EAN/UPC symbology: the encoder, then the leading room where the
// control adds it, with book numbers turned into EAN-13 first.
TEncodeResult EncodeAsControl(TTypeBar typeBar, const std::string& text, bool caption) {
  const TEncodeOptions opts = Options(typeBar, caption);
  TEncodeResult r;
  switch (typeBar) {
    case csCodeEAN8:
    case csCodeJAN8:
      return EncodeEAN8(text, opts);
    case csCodeEAN13:
      r = EncodeEAN13(text, opts);
      break;
    case csCodeISBN:
    case csCodeISSN:
    case csCodeISMN:
    case csCodeJAN13:
      r = EncodeEAN13(BooklandToEAN13(text, typeBar), opts);
      break;
    case csCodeUPC_A:
      r = EncodeUPCA(text, opts);
      break;
    case csCodeUPC_E0:
    case csCodeUPC_E1:
      r = EncodeUPCE(text, opts);
      break;
    default:
      return r;
  }
  AddLeadingRoom(r, opts);
  return r;
}

// Number sets written out from the EAN/UPC standard, independent of the encoder's tables.
const char* const kA[] = {"0001101", "0011001", "0010011", "0111101", "0100011",
                          "0110001", "0101111", "0111011", "0110111", "0001011"};
const char* const kB[] = {"0100111", "0110011", "0011011", "0100001", "0011101",
                          "0111001", "0000101", "0010001", "0001001", "0010111"};
const char* const kC[] = {"1110010", "1100110", "1101100", "1000010", "1011100",
                          "1001110", "1010000", "1000100", "1001000", "1110100"};

// The modules of digits in the sets named by letters ('A'/'O', 'B'/'E', 'C').
std::string Digits(const std::string& digits, const std::string& sets) {
  std::string s;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    const int d = digits[i] - '0';
    const char set = sets[i];
    s += set == 'C' ? kC[d] : (set == 'A' || set == 'O') ? kA[d] : kB[d];
  }
  return s;
}

std::string Long(std::string s) {
  for (char& c : s)
    if (c == '1') c = '2';
  return s;
}

struct TGoldenRow {
  const char* name;
  TTypeBar typeBar;
  std::string text;
  bool caption;
  std::string pattern;
};

TEST(EanUpc, GoldenPatterns) {
  const std::string room8(8, ' ');
  const TGoldenRow rows[] = {
      {"EAN-13 4006381333931, first digit 4 selects ABAABB", csCodeEAN13, "4006381333931", false,
       "202" + Digits("006381", "ABAABB") + "02020" + Digits("333931", "CCCCCC") + "202"},
      {"EAN-13 with caption: eight blanks for the leading digit", csCodeEAN13, "4006381333931",
       true,
       room8 + "202" + Digits("006381", "ABAABB") + "02020" + Digits("333931", "CCCCCC") + "202"},
      {"EAN-13, first digit 0 is UPC-A compatible", csCodeEAN13, "0036000291452", false,
       "202" + Digits("036000", "AAAAAA") + "02020" + Digits("291452", "CCCCCC") + "202"},
      {"EAN-13 with 2-digit add-on 12 (12 mod 4 = 0: AA)", csCodeEAN13, "4006381333931 12", false,
       "202" + Digits("006381", "ABAABB") + "02020" + Digits("333931", "CCCCCC") + "202" +
           "000000000X1011" + Digits("1", "A") + "01" + Digits("2", "A")},
      {"2-digit add-on 06 (6 mod 4 = 2: BA)", csCodeEAN13, "4006381333931 06", false,
       "202" + Digits("006381", "ABAABB") + "02020" + Digits("333931", "CCCCCC") + "202" +
           "000000000X1011" + Digits("0", "B") + "01" + Digits("6", "A")},
      {"5-digit add-on 52495: checksum 1 gives BABAA", csCodeEAN13, "4006381333931 52495", false,
       "202" + Digits("006381", "ABAABB") + "02020" + Digits("333931", "CCCCCC") + "202" +
           "000000000X1011" + Digits("5", "B") + "01" + Digits("2", "A") + "01" + Digits("4", "B") +
           "01" + Digits("9", "A") + "01" + Digits("5", "A")},
      {"EAN-8 96385074 has no leading room", csCodeEAN8, "96385074", true,
       "202" + Digits("9638", "AAAA") + "02020" + Digits("5074", "CCCC") + "202"},
      {"UPC-A 036000291452: first and last digit long, nine blanks trailing", csCodeUPC_A,
       "036000291452", true,
       room8 + "202" + Long(Digits("0", "A")) + Digits("36000", "AAAAA") + "02020" +
           Digits("29145", "CCCCC") + Long(Digits("2", "C")) + "202" + std::string(9, ' ')},
      {"UPC-A without caption has no room", csCodeUPC_A, "036000291452", false,
       "202" + Long(Digits("0", "A")) + Digits("36000", "AAAAA") + "02020" +
           Digits("29145", "CCCCC") + Long(Digits("2", "C")) + "202"},
      {"UPC-E0 01234565: check digit 5 selects EOOEEO", csCodeUPC_E0, "01234565", false,
       "202" + Digits("123456", "EOOEEO") + "020202"},
      {"UPC-E0 with caption: eight blanks before, five after", csCodeUPC_E0, "01234565", true,
       room8 + "202" + Digits("123456", "EOOEEO") + "020202" + std::string(5, ' ')},
      {"UPC-E1 11234562: number system 1, check digit 2 selects OOEEOE", csCodeUPC_E1, "11234562",
       false, "202" + Digits("123456", "OOEEOE") + "020202"},
      {"parity follows the text's number system, whichever UPC-E type is chosen", csCodeUPC_E1,
       "01234565", false, "202" + Digits("123456", "EOOEEO") + "020202"},
      {"UPC-E0 06543217: check digit 7 selects EOEOEO", csCodeUPC_E0, "06543217", false,
       "202" + Digits("654321", "EOEOEO") + "020202"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(EncodeAsControl(row.typeBar, row.text, row.caption).Pattern, row.pattern);
  }
}

struct TAnchorRow {
  const char* name;
  TTypeBar typeBar;
  std::string text;
  bool caption;
  std::size_t length;
  TCaptionAnchors anchors;  // LeftFrom, LeftTo, RightFrom, RightTo, AddOnFrom, TrailFrom
};

TEST(EanUpc, LengthsAndAnchors) {
  const TAnchorRow rows[] = {
      {"EAN-13", csCodeEAN13, "4006381333931", false, 95, {4, 44, 51, 91, 0, 0}},
      {"EAN-13 with caption: every anchor moves by 8",
       csCodeEAN13,
       "4006381333931",
       true,
       103,
       {12, 52, 59, 99, 8, 8}},
      {"EAN-13 + 2", csCodeEAN13, "4006381333931 12", false, 125, {4, 44, 51, 91, 105, 0}},
      {"EAN-13 + 2 with caption",
       csCodeEAN13,
       "4006381333931 12",
       true,
       133,
       {12, 52, 59, 99, 113, 8}},
      {"EAN-13 + 5", csCodeEAN13, "4006381333931 52495", false, 152, {4, 44, 51, 91, 105, 0}},
      {"EAN-8", csCodeEAN8, "96385074", true, 67, {4, 30, 37, 63, 0, 0}},
      {"EAN-8 + 5", csCodeEAN8, "96385074 52495", true, 124, {4, 30, 37, 63, 77, 0}},
      {"UPC-A", csCodeUPC_A, "036000291452", false, 95, {11, 44, 51, 84, 0, 96}},
      {"UPC-A with caption", csCodeUPC_A, "036000291452", true, 112, {19, 52, 59, 92, 8, 104}},
      {"UPC-A + 2 with caption: no trailing room before the add-on",
       csCodeUPC_A,
       "036000291452 12",
       true,
       133,
       {19, 52, 59, 92, 113, 104}},
      {"UPC-A + 5", csCodeUPC_A, "036000291452 52495", false, 152, {11, 44, 51, 84, 105, 96}},
      {"UPC-E", csCodeUPC_E0, "01234565", false, 51, {4, 44, 0, 0, 0, 52}},
      {"UPC-E with caption", csCodeUPC_E0, "01234565", true, 64, {12, 52, 8, 8, 8, 60}},
      {"UPC-E + 2 with caption", csCodeUPC_E0, "01234565 12", true, 89, {12, 52, 8, 8, 69, 60}},
      {"UPC-E1 + 5", csCodeUPC_E1, "11234562 52495", false, 108, {4, 44, 0, 0, 61, 52}},
      {"ISBN", csCodeISBN, "80-7226-102-9", true, 103, {12, 52, 59, 99, 8, 8}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const auto r = EncodeAsControl(row.typeBar, row.text, row.caption);
    EXPECT_EQ(r.Pattern.size(), row.length);
    EXPECT_EQ(r.Anchors, row.anchors);
    // The anchors point where the renderer expects them: guards and the add-on marker.
    if (r.Anchors.AddOnFrom > 8) {
      EXPECT_EQ(r.Pattern[static_cast<std::size_t>(r.Anchors.AddOnFrom - 1)], 'X');
    }
  }
}

TEST(EanUpc, AddOnLengths) {
  struct TRow {
    std::string addOn;
    std::string pattern;
  } rows[] = {
      {"12", "000000000X1011" + Digits("1", "A") + "01" + Digits("2", "A")},
      {"13", "000000000X1011" + Digits("1", "A") + "01" + Digits("3", "B")},
      {"98", "000000000X1011" + Digits("9", "B") + "01" + Digits("8", "A")},
      {"99", "000000000X1011" + Digits("9", "B") + "01" + Digits("9", "B")},
      // Checksum (3 * (0 + 0 + 0) + 9 * (0 + 0)) mod 10 = 0: BBAAA.
      {"00000", "000000000X1011" + Digits("0", "B") + "01" + Digits("0", "B") + "01" +
                    Digits("0", "A") + "01" + Digits("0", "A") + "01" + Digits("0", "A")},
      // Lengths other than 2 and 5 give only the lead-in, the marker and the start guard.
      {"", "000000000X1011"},
      {"123", "000000000X1011"},
      {"1x", "000000000X1011"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.addOn);
    TCaptionAnchors anchors;
    EXPECT_EQ(EncodeAddOn(row.addOn, 95, anchors), row.pattern);
    EXPECT_EQ(anchors.AddOnFrom, 105);
  }
}

TEST(EanUpc, BooklandToEAN13) {
  struct TRow {
    std::string text;
    TTypeBar typeBar;
    std::string ean;
  } rows[] = {
      {"80-7226-102-9", csCodeISBN, "9788072261024"},
      {"80-7226-102-9 12345", csCodeISBN, "9788072261024 12345"},
      {"80-7226-102-9", csCodeISSN, "9778072261025"},
      {"80-7226-102-9", csCodeISMN, "9798072261023"},
      // A text without its check character: the blank appended takes the check digit.
      {"80-7226-102", csCodeISBN, "9788072261024"},
      {"4934567890124", csCodeJAN13, "4934567890124"},
      {"4934567890129", csCodeJAN13, "4934567890124"},
      {"12", csCodeJAN13, "12"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text);
    EXPECT_EQ(BooklandToEAN13(row.text, row.typeBar), row.ean);
  }
}

// Texts that validation refuses may still reach the encoders (fuzzers, direct callers): they
// give an empty pattern, never a symbol of some other number, and never read outside the text.
TEST(EanUpc, UnencodableTextsGiveNothing) {
  struct TRow {
    TTypeBar typeBar;
    std::string text;
  } rows[] = {
      {csCodeEAN8, "1234567"},        {csCodeEAN8, ""},
      {csCodeEAN8, "1234a670"},       {csCodeEAN13, "400638133393"},
      {csCodeEAN13, "40063813339x1"}, {csCodeEAN13, "4006381333931 1x"},
      {csCodeUPC_A, "03600029145"},   {csCodeUPC_A, "03600029145\xff"},
      {csCodeUPC_E0, "0123456"},      {csCodeUPC_E0, "21234565"},
      {csCodeUPC_E1, "9123456\x80"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text);
    for (bool caption : {false, true}) {
      const auto r = EncodeAsControl(row.typeBar, row.text, caption);
      EXPECT_EQ(r.Pattern, "");
    }
  }
}

TEST(EanUpc, ArbitraryBytesStayInBounds) {
  std::uint32_t seed = 12345;
  auto next = [&seed] {
    seed = seed * 1103515245u + 12345u;
    return static_cast<char>((seed >> 16) & 0xff);
  };
  const TTypeBar kinds[] = {csCodeEAN8,  csCodeEAN13,  csCodeISBN,  csCodeJAN13,
                            csCodeUPC_A, csCodeUPC_E0, csCodeUPC_E1};
  for (int n = 0; n < 2000; ++n) {
    std::string text;
    const int length = n % 22;
    for (int i = 0; i < length; ++i) {
      // Mostly digits, so that the encoders get past their first checks.
      const char c = next();
      text += (c & 3) ? static_cast<char>('0' + (static_cast<unsigned char>(c) % 10)) : c;
    }
    for (TTypeBar k : kinds) {
      const auto r = EncodeAsControl(k, text, n % 2 == 0);
      for (char c : r.Pattern)
        ASSERT_TRUE(c == '0' || c == '1' || c == '2' || c == ' ' || c == 'X');
    }
  }
}

// ---- Round trips through real decoders.

std::string WithCheck(const std::string& first) {
  return first + Mod10CheckDigit(first);
}

std::string UpcE(const std::string& first7) {
  return first7 + Mod10CheckDigit(ExpandUPCE(first7));
}

struct TDecodeRow {
  std::string name;
  TTypeBar typeBar;
  std::string text;
  std::string zxingFormat;  // empty: zxing is not asked
  std::string zxingText;
  std::string zbar;  // the first line zbarimg prints; empty: zbar is not asked
};

std::vector<TDecodeRow> DecodeRows() {
  std::vector<TDecodeRow> rows;
  for (char first = '0'; first <= '9'; ++first) {
    const std::string ean = WithCheck(std::string(1, first) + "00638133393");
    // Both decoders report an EAN-13 with a leading 0 as the UPC-A it is.
    if (first == '0') {
      rows.push_back(
          {"EAN-13 " + ean, csCodeEAN13, ean, "UPC-A", ean.substr(1), "UPC-A:" + ean.substr(1)});
    } else {
      rows.push_back({"EAN-13 " + ean, csCodeEAN13, ean, "EAN-13", ean, "EAN-13:" + ean});
    }
  }
  for (char last = '0'; last <= '9'; ++last) {
    const std::string e = UpcE(std::string("012345") + last);
    rows.push_back({"UPC-E0 " + e, csCodeUPC_E0, e, "UPC-E", e, "UPC-E:" + e});
  }
  for (const char* first7 : {"1123456", "1654321", "1000001", "1987655"}) {
    const std::string e = UpcE(first7);
    // zbarimg reads UPC-E of number system 0 only.
    rows.push_back({"UPC-E1 " + e, csCodeUPC_E1, e, "UPC-E", e, ""});
  }
  rows.push_back({"EAN-8", csCodeEAN8, "96385074", "EAN-8", "96385074", "EAN-8:96385074"});
  rows.push_back({"JAN-8", csCodeJAN8, "49123456", "EAN-8", "49123456", "EAN-8:49123456"});
  rows.push_back(
      {"UPC-A", csCodeUPC_A, "036000291452", "UPC-A", "036000291452", "UPC-A:036000291452"});
  rows.push_back(
      {"UPC-A sample", csCodeUPC_A, "012345678905", "UPC-A", "012345678905", "UPC-A:012345678905"});
  rows.push_back(
      {"ISBN", csCodeISBN, "80-7226-102-9", "EAN-13", "9788072261024", "ISBN-13:9788072261024"});
  rows.push_back(
      {"ISSN", csCodeISSN, "80-7226-102-9", "EAN-13", "9778072261025", "EAN-13:9778072261025"});
  // zbarimg counts the 979 prefix among the book numbers.
  rows.push_back(
      {"ISMN", csCodeISMN, "80-7226-102-9", "EAN-13", "9798072261023", "ISBN-13:9798072261023"});
  rows.push_back(
      {"JAN-13", csCodeJAN13, "4934567890124", "EAN-13", "4934567890124", "EAN-13:4934567890124"});
  // Add-ons: zxing appends them after a blank.
  rows.push_back({"EAN-13 + 2", csCodeEAN13, "4006381333931 12", "EAN-13", "4006381333931 12", ""});
  rows.push_back(
      {"EAN-13 + 5", csCodeEAN13, "4006381333931 52495", "EAN-13", "4006381333931 52495", ""});
  rows.push_back({"EAN-8 + 2", csCodeEAN8, "96385074 07", "EAN-8", "96385074 07", ""});
  rows.push_back({"UPC-A + 2", csCodeUPC_A, "036000291452 99", "UPC-A", "036000291452 99", ""});
  rows.push_back(
      {"UPC-A + 5", csCodeUPC_A, "036000291452 90000", "UPC-A", "036000291452 90000", ""});
  rows.push_back({"UPC-E0 + 2", csCodeUPC_E0, "01234565 13", "UPC-E", "01234565 13", ""});
  rows.push_back({"UPC-E1 + 5", csCodeUPC_E1, "11234562 24680", "UPC-E", "11234562 24680", ""});
  rows.push_back(
      {"ISBN + 5", csCodeISBN, "80-7226-102-9 51499", "EAN-13", "9788072261024 51499", ""});
  return rows;
}

TEST(EanUpc, ZXingReadsWhatWeDraw) {
  ASSERT_TRUE(test::HaveZXing());
  for (const auto& row : DecodeRows()) {
    if (row.zxingFormat.empty()) continue;
    for (bool caption : {false, true}) {
      SCOPED_TRACE(row.name + (caption ? " with caption" : ""));
      const auto r = EncodeAsControl(row.typeBar, row.text, caption);
      const auto found = test::DecodeWithZXing(test::ImageFromPattern(r.Pattern));
      ASSERT_EQ(found.size(), 1u);
      EXPECT_EQ(found[0].Format, row.zxingFormat);
      EXPECT_EQ(found[0].Text, row.zxingText);
    }
  }
}

TEST(EanUpc, ZbarReadsWhatWeDraw) {
  if (!test::HaveZbar()) GTEST_SKIP() << "zbarimg not installed";
  const auto dir = std::filesystem::temp_directory_path() / "brevix_ean_upc_zbar";
  std::filesystem::create_directories(dir);
  int n = 0;
  for (const auto& row : DecodeRows()) {
    if (row.zbar.empty()) continue;
    SCOPED_TRACE(row.name);
    const auto r = EncodeAsControl(row.typeBar, row.text, true);
    const std::string png = (dir / ("s" + std::to_string(n++) + ".png")).string();
    test::WritePng(test::ImageFromPattern(r.Pattern), png);
    const auto lines = test::DecodeWithZbar(png);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0], row.zbar);
  }
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace brevix
