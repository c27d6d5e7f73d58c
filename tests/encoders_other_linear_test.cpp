#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "encoders/other_linear.h"
#include "tests/support/decode.h"

namespace brevix {
namespace {

const TEncodeOptions kOpts{};

TEncodeOptions WithoutChecks() {
  TEncodeOptions o;
  o.CheckCharacters = false;
  return o;
}

// MSI modules back to bits: every bit is five modules, "11100" for 1 and "10000" for 0.
std::string MsiBits(const std::string& pattern) {
  std::string bits;
  for (std::size_t i = 0; i + 5 <= pattern.size(); i += 5) {
    const std::string cell = pattern.substr(i, 5);
    bits += cell == "11100" ? '1' : cell == "10000" ? '0' : '?';
  }
  return bits;
}

// Start bit, four bits per character, two stop bits.
std::string MsiBitsOf(const std::string& digits) {
  std::string bits = "1";
  for (char c : digits) {
    const int v = c - '0';
    for (int b = 3; b >= 0; --b) bits += ((v >> b) & 1) ? '1' : '0';
  }
  return bits + "00";
}

TEST(Codabar, CheckCharacterAndLayout) {
  const auto r = EncodeCodabar("123", kOpts);
  EXPECT_EQ(r.Pattern,
            "20220020020"
            "1010110010"
            "1010010110"
            "1100101010"
            "1001010110"  // 1 2 3 and check 6
            "2022002002");
  EXPECT_EQ(r.Anchors, (TCaptionAnchors{12, 50, 0, 0, 0, 0}));

  // The check character is computed over the whole text; a text framed by its own start and
  // stop characters keeps them as the symbol's start and stop.
  struct Row {
    std::string text;
    std::string sameSymbolUnchecked;
  };
  const Row rows[] = {
      {"123", "1236"},
      {"A0123+-$/:68A", "0123+-$/:681"},  // value sum 113
      {"0123456789-$:/.+", "0123456789-$:/.+8"},
      {"D", "D3"},  // a lone start/stop character is data: 19 mod 16
      {"1A2", "1A23"},
      {"B123C", "B1239C"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text);
    EXPECT_EQ(EncodeCodabar(row.text, kOpts).Pattern,
              EncodeCodabar(row.sameSymbolUnchecked, WithoutChecks()).Pattern);
  }
  const auto own = EncodeCodabar("B1C", WithoutChecks());
  EXPECT_EQ(own.Pattern,
            "20020020220"
            "1010110010"
            "2020020022");  // B, 1, C without its gap
  EXPECT_EQ(own.Anchors, (TCaptionAnchors{12, 20, 0, 0, 0, 0}));
  EXPECT_EQ(EncodeCodabar("123", WithoutChecks()).Pattern.size(), 11u + 30u + 10u);
}

TEST(Codabar, AbcCodabarJoinsSymbolsWithBlanks) {
  const auto r = EncodeABCCodabar("A12 B34B", kOpts);
  EXPECT_EQ(r.Pattern,
            "10110010010"
            "1010110010"
            "1010010110"  // A 1 2
            "000000000000"
            "10010010110"
            "1100101010"
            "1011010010"
            "10010010110");  // B 3 4 B
  EXPECT_EQ(r.Anchors, (TCaptionAnchors{1, static_cast<int>(r.Pattern.size()) - 1, 0, 0, 0, 0}));
  EXPECT_EQ(r.Pattern.find('2'), std::string::npos);
}

TEST(Msi, CheckDigits) {
  // Check digits of an independent encoder (modulo 10, the rightmost digit doubled).
  struct Row {
    std::string text;
    char check;
  };
  const Row rows[] = {
      {"1234", '4'},
      {"123", '0'},
      {"12345", '5'},
      {"1234567", '4'},
      {"80523", '4'},
      {"1234567890123", '7'},
      {"12345678901237", '0'},
      {"123456789012", '8'},
      {"0", '0'},
      {"", '0'},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text);
    EXPECT_EQ(MsiCheckDigit(row.text), row.check);
  }
}

TEST(Msi, SymbolBits) {
  struct Row {
    std::string text;
    std::string withChecks;
  };
  const Row rows[] = {
      {"1234", "12344"},
      {"123", "1230"},
      {"7", "7"},  // a single digit gets no check digit
      {"123456789012", "1234567890128"},
      {"1234567890123", "123456789012370"},  // fourteen with the first check: a second one
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text);
    const auto r = EncodeMSI(row.text, kOpts);
    EXPECT_EQ(MsiBits(r.Pattern), MsiBitsOf(row.withChecks));
    EXPECT_EQ(r.Pattern.size() % 5, 0u);
  }
  const auto r = EncodeMSI("1234", kOpts);
  EXPECT_EQ(r.Pattern.size(), 115u);
  EXPECT_EQ(r.Anchors, (TCaptionAnchors{28, 87, 0, 0, 0, 0}));
  EXPECT_EQ(r.Pattern.substr(0, 5), "11100");
  EXPECT_EQ(r.Pattern.substr(105), "1000010000");
  // Letters have their own four bits.
  EXPECT_EQ(MsiBits(EncodeMSI("F", kOpts).Pattern), "1111100");
}

TEST(PostNet, MatchesIndependentEncoder) {
  struct Row {
    std::string text;
    std::string pattern;
  };
  const Row rows[] = {
      {"12345", "10M0M0M01010M0M010M010M0M01010M0M010M0M010M010M010M0M010M010M01"},
      {"555551237",
       "10M010M010M0M010M010M0M010M010M0M010M010M0M010M010M0M0M0M01010M0M010M010M0M01010M010M0M0M"
       "010M0M010M0101"},
      {"01234567891",
       "101010M0M0M0M0M0M01010M0M010M010M0M01010M0M010M0M010M010M010M0M01010M0M010M0M0M01010M0M0"
       "10M010M010M0M0M0M0M01010M010M0M0101"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text);
    const auto r = EncodePostNet(row.text, kOpts);
    EXPECT_EQ(r.Pattern, row.pattern);
    EXPECT_EQ(r.Anchors, TCaptionAnchors{});
  }
  EXPECT_EQ(EncodePostNet("12345", kOpts).Pattern.size(), 63u);
  // Without the check digit the five bars before the closing frame bar go.
  const std::string full = EncodePostNet("12345", kOpts).Pattern;
  EXPECT_EQ(EncodePostNet("12345", WithoutChecks()).Pattern, full.substr(0, 52) + full.substr(62));
}

TEST(Code11, MatchesIndependentEncoder) {
  struct Row {
    std::string text;
    std::string withChecks;
  };
  const Row rows[] = {
      {"123-45", "123-4552"},            // C: sum 71; K: sum 101
      {"12345678901", "123456789014-"},  // C weights wrap after 10, K weights after 9
      {"0123456789-0123456789", "0123456789-012345678904"},
  };
  const std::string patterns[] = {"1010110",  "11010110", "10010110", "11001010",
                                  "10110110", "11011010", "10011010", "10100110",
                                  "11010010", "1101010",  "1011010"};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text);
    std::string expected = "20220020";
    for (char c : row.withChecks) expected += patterns[c == '-' ? 10 : c - '0'];
    const auto r = EncodeCode11(row.text, kOpts);
    EXPECT_EQ(r.Pattern, expected + "2022002");
    EXPECT_EQ(r.Anchors, (TCaptionAnchors{9, static_cast<int>(expected.size()) - 1, 0, 0, 0, 0}));
  }
}

TEST(OtherLinear, TextsWithoutSymbolGiveNothing) {
  using Encoder = TEncodeResult (*)(std::string_view, const TEncodeOptions&);
  struct Row {
    const char* name;
    Encoder encode;
    std::string text;
  };
  const Row rows[] = {
      {"Codabar lowercase", EncodeCodabar, "a12"},
      {"Codabar blank", EncodeCodabar, "1 2"},
      {"ABC Codabar lowercase", EncodeABCCodabar, "A1b"},
      {"ABC Codabar empty", EncodeABCCodabar, ""},
      {"MSI letter G", EncodeMSI, "12G"},
      {"MSI empty", EncodeMSI, ""},
      {"PostNet letter A", EncodePostNet, "1234A"},
      {"PostNet byte below 0", EncodePostNet, "1234/"},
      {"PostNet empty", EncodePostNet, ""},
      {"Code 11 letter", EncodeCode11, "12A"},
      {"Code 11 empty", EncodeCode11, ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(row.encode(row.text, kOpts).Pattern, "");
  }
}

TEST(OtherLinear, AnyBytesAreSafe) {
  std::mt19937 rng(11);
  std::uniform_int_distribution<int> byte(0, 255), length(0, 30);
  for (int n = 0; n < 2000; ++n) {
    std::string text(static_cast<std::size_t>(length(rng)), '\0');
    for (char& c : text) c = static_cast<char>(byte(rng));
    // Some texts of digits only, so that the encoders get past their character checks.
    if (n % 2 == 0)
      for (char& c : text) c = static_cast<char>('0' + static_cast<unsigned char>(c) % 10);
    const char check = MsiCheckDigit(text);
    ASSERT_TRUE(check >= '0' && check <= '9');
    for (const auto& r :
         {EncodeCodabar(text, kOpts), EncodeABCCodabar(text, kOpts), EncodeMSI(text, kOpts),
          EncodePostNet(text, kOpts), EncodeCode11(text, kOpts)})
      ASSERT_EQ(r.Pattern.find_first_not_of("012M"), std::string::npos);
  }
}

TEST(Codabar, DecodesWithZXing) {
  if (!test::HaveZXing()) GTEST_SKIP() << "zxing-cpp not built in";
  struct Row {
    std::string text;
    TEncodeResult result;
    std::vector<std::string> decoded;
  };
  const Row rows[] = {
      {"123", EncodeCodabar("123", kOpts), {"A1236A"}},
      {"all data characters", EncodeCodabar("0123456789-$:/.+", kOpts), {"A0123456789-$:/.+8A"}},
      {"no check", EncodeCodabar("40156", WithoutChecks()), {"A40156A"}},
      {"own start and stop", EncodeCodabar("A0123+-$/:68A", kOpts), {"A0123+-$/:681A"}},
      {"own B and D", EncodeCodabar("B123D", kOpts), {"B123-D"}},
      {"ABC Codabar, two symbols", EncodeABCCodabar("A123B D45C", kOpts), {"A123B", "D45C"}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text);
    const auto found = test::DecodeWithZXing(test::ImageFromPattern(row.result.Pattern, 3, 40, 12));
    std::vector<std::string> texts;
    for (const auto& f : found) {
      EXPECT_EQ(f.Format, "Codabar");
      texts.push_back(f.Text);
    }
    std::sort(texts.begin(), texts.end());
    EXPECT_EQ(texts, row.decoded);
  }
}

}  // namespace
}  // namespace brevix
