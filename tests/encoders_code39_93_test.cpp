#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "encoders/code39_93.h"
#include "tests/support/decode.h"

namespace brevix {
namespace {

const TEncodeOptions kOpts{};

std::string AllPrintableAscii() {
  std::string s;
  for (int c = ' '; c <= '~'; ++c) s += static_cast<char>(c);
  return s;
}

// Dark modules as ordinary bars, for comparing with encoders that know no guard bars.
std::string Flat(std::string p) {
  for (char& c : p)
    if (c == '2') c = '1';
  return p;
}

TEST(Code39, SymbolLayout) {
  const auto a = EncodeCode39("A", kOpts);
  EXPECT_EQ(a.Pattern,
            "2002022022020"
            "110101001011"
            "0"
            "200202202202");
  EXPECT_EQ(a.Anchors, (TCaptionAnchors{14, 25, 0, 0, 0, 0}));
}

// Full-ASCII sequences of the standard table, checked against plain Code 39 of the sequence.
TEST(Code39, FullAsciiSequences) {
  struct Row {
    std::string input;
    std::string code39;
  };
  const Row rows[] = {
      {std::string(1, '\0'), "%U"},
      {"\x01", "$A"},
      {"\x1a", "$Z"},
      {"\x1b", "%A"},
      {"\x1f", "%E"},
      {" -.09AZ", " -.09AZ"},
      {"!", "/A"},
      {"$", "/D"},
      {"+,", "/K/L"},
      {"/", "/O"},
      {":", "/Z"},
      {";?", "%F%J"},
      {"@", "%V"},
      {"[_", "%K%O"},
      {"`", "%W"},
      {"az", "+A+Z"},
      {"{~", "%P%S"},
      {"\x7f", "%T"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.code39);
    const auto ext = EncodeCode39Extended(row.input, kOpts);
    EXPECT_EQ(ext.Pattern, EncodeCode39(row.code39, kOpts).Pattern);
  }
  EXPECT_EQ(EncodeCode39Extended("a", kOpts).Pattern.size(), 51u);
}

TEST(Code39, PznIsCode39WithLeadingHyphen) {
  const auto r = EncodePZN("1234562", kOpts);
  EXPECT_EQ(r.Pattern, EncodeCode39("-1234562", kOpts).Pattern);
  EXPECT_EQ(r.Pattern.size(), 129u);
  EXPECT_EQ(r.Anchors.LeftFrom, 14);
}

TEST(Code93, ChecksAndLayout) {
  // C = "+" and K = "6".
  const auto r = EncodeCode93("TEST93", kOpts);
  EXPECT_EQ(r.Pattern,
            "202022220"
            "110100110"
            "110010010"
            "110101100"
            "110100110"
            "100001010"
            "101000010"
            "101110110"
            "100100010"
            "2020222202");
  EXPECT_EQ(r.Anchors, (TCaptionAnchors{10, 80, 0, 0, 0, 0}));
}

// Whole symbols of an independent encoder (which writes full ASCII with the four shift
// characters), including texts long enough to wrap the C weights (20) and K weights (15).
TEST(Code93, MatchesIndependentEncoder) {
  struct Row {
    std::string text;
    bool extended;
    std::string checkModules;  // C and K
  };
  const Row rows[] = {
      {"TEST93", false,
       "101110110"
       "100100010"},  // + 6
      {"THE QUICK BROWN FOX JUMPS 1234", false,
       "100110010"
       "100011010"},  // (+) K
      {"Hello, World! {~}", true,
       "101110110"
       "101001000"},  // + 1
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text);
    const auto r =
        row.extended ? EncodeCode93Extended(row.text, kOpts) : EncodeCode93(row.text, kOpts);
    ASSERT_GT(r.Pattern.size(), 28u);
    EXPECT_EQ(r.Pattern.substr(r.Pattern.size() - 28, 18), row.checkModules);
  }
  EXPECT_EQ(Flat(EncodeCode93Extended("a$b%c+d/e", kOpts).Pattern),
            "101011110"
            "100110010"
            "110101000"
            "111001010"
            "100110010"
            "110100100"
            "110101110"
            "100110010"
            "110100010"
            "101110110"
            "100110010"
            "110010100"
            "101101110"
            "100110010"
            "110010010"
            "110100100"
            "100101000"
            "1010111101");
}

TEST(Code93, ExtendedUsesShiftCharacters) {
  struct Row {
    std::string input;
    std::string code93;  // "&", double quote, "(" and ")" stand for ($), (%), (/), (+)
  };
  const Row rows[] = {
      {"AZ09 -.$%+/", "AZ09 -.$%+/"}, {"!,:", "(A(L(Z"},      {";?@", "\"F\"J\"V"},
      {"[_`", "\"K\"O\"W"},           {"az{~", ")A)Z\"P\"S"}, {"\x01\x1a\x1b", "&A&Z\"A"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.code93);
    EXPECT_EQ(EncodeCode93Extended(row.input, kOpts).Pattern,
              EncodeCode93(row.code93, kOpts).Pattern);
  }
}

TEST(Code39And93, TextsWithoutSymbolGiveNothing) {
  using Encoder = TEncodeResult (*)(std::string_view, const TEncodeOptions&);
  struct Row {
    const char* name;
    Encoder encode;
    std::string text;
  };
  const Row rows[] = {
      {"Code 39 empty", EncodeCode39, ""},
      {"Code 39 lowercase", EncodeCode39, "Ab"},
      {"Code 39 start/stop is no data", EncodeCode39, "A*B"},
      {"Code 39 full ASCII above 127", EncodeCode39Extended, "A\x80"},
      {"PZN empty", EncodePZN, ""},
      {"PZN check remainder 10", EncodePZN, "123457:"},
      {"Code 93 lowercase", EncodeCode93, "ab"},
      {"Code 93 empty", EncodeCode93, ""},
      {"Code 93 full ASCII above 127", EncodeCode93Extended, "A\xe9"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(row.encode(row.text, kOpts).Pattern, "");
  }
}

TEST(Code39And93, AnyBytesAreSafe) {
  std::mt19937 rng(39);
  std::uniform_int_distribution<int> byte(0, 255), length(0, 30);
  for (int n = 0; n < 2000; ++n) {
    std::string text(static_cast<std::size_t>(length(rng)), '\0');
    for (char& c : text) c = static_cast<char>(byte(rng));
    for (const auto& r :
         {EncodeCode39(text, kOpts), EncodeCode39Extended(text, kOpts), EncodePZN(text, kOpts),
          EncodeCode93(text, kOpts), EncodeCode93Extended(text, kOpts)})
      ASSERT_EQ(r.Pattern.find_first_not_of("012"), std::string::npos);
  }
}

struct DecodeRow {
  const char* format;
  std::string text;
  TEncodeResult result;
  std::string decoded;
};

TEST(Code39And93, DecodeWithZXing) {
  if (!test::HaveZXing()) GTEST_SKIP() << "zxing-cpp not built in";
  const std::string longText = "THE QUICK BROWN FOX JUMPS OVER 13 LAZY DOGS";
  const DecodeRow rows[] = {
      {"Code39", "CODE 39-1.2", EncodeCode39("CODE 39-1.2", kOpts), "CODE 39-1.2"},
      {"Code39", "full ASCII", EncodeCode39Extended(AllPrintableAscii(), kOpts),
       AllPrintableAscii()},
      {"Code39", "DEL", EncodeCode39Extended("A\x7f", kOpts), "A\x7f"},
      {"Code39", "PZN", EncodePZN("1234562", kOpts), "-1234562"},
      {"Code93", "TEST93", EncodeCode93("TEST93", kOpts), "TEST93"},
      {"Code93", "native set", EncodeCode93("0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. $/+%", kOpts),
       "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. $/+%"},
      {"Code93", "long", EncodeCode93(longText, kOpts), longText},
      {"Code93", "full ASCII", EncodeCode93Extended(AllPrintableAscii(), kOpts),
       AllPrintableAscii()},
      {"Code93", "full ASCII short", EncodeCode93Extended("a", kOpts), "a"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text);
    const auto found = test::DecodeWithZXing(test::ImageFromPattern(row.result.Pattern, 2, 40, 12));
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].Format, row.format);
    EXPECT_EQ(found[0].Text, row.decoded);
  }
}

TEST(Code39And93, DecodeWithZbar) {
  if (!test::HaveZbar()) GTEST_SKIP() << "zbarimg not installed";
  const std::string all39 = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. $/+%";
  const DecodeRow rows[] = {
      {"CODE-39", "all characters", EncodeCode39(all39, kOpts), all39},
      {"CODE-39", "PZN", EncodePZN("1234562", kOpts), "-1234562"},
      {"CODE-93", "all characters", EncodeCode93(all39, kOpts), all39},
  };
  const std::string path = testing::TempDir() + "code39_93_zbar.png";
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text);
    test::WritePng(test::ImageFromPattern(row.result.Pattern, 2, 40, 12), path);
    EXPECT_EQ(test::DecodeWithZbar(path),
              std::vector<std::string>{std::string(row.format) + ":" + row.decoded});
  }
}

}  // namespace
}  // namespace brevix
