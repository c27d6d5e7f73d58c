#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "encoders/two_of_five.h"
#include "tests/support/decode.h"

namespace brevix {
namespace {

using TEncoder = TEncodeResult (*)(std::string_view, const TEncodeOptions&);

// The published 2-of-5 character set: five elements a digit, two of them wide.
const char* const kNarrowWide[] = {"NNWWN", "WNNNW", "NWNNW", "WWNNN", "NNWNW",
                                   "WNWNN", "NWWNN", "NNNWW", "WNNWN", "NWNWN"};

std::string Run(char module, char weight, int wide) {
  return std::string(weight == 'W' ? static_cast<std::size_t>(wide) : 1u, module);
}

// Bars carry the weights, each followed by one narrow space (industrial, IATA).
std::string BarsThenSpace(const std::string& weights, int wide) {
  std::string s;
  for (char w : weights) s += Run('1', w, wide) + "0";
  return s;
}

// Bar, space, bar, space, bar, then one narrow space (matrix, datalogic, COOP).
std::string Alternating(const std::string& weights) {
  std::string s;
  for (std::size_t i = 0; i < weights.size(); ++i) s += Run(i % 2 == 0 ? '1' : '0', weights[i], 2);
  return s + "0";
}

// Spaces carry the weights (wide = 3), each followed by one narrow bar (invert).
std::string SpaceThenBar(const std::string& weights) {
  std::string s;
  for (char w : weights) s += Run('0', w, 3) + "1";
  return s;
}

// Interleaved: the first digit of each pair in the bars, the second in the spaces.
std::string InterleavedPairs(const std::string& digits) {
  std::string s;
  for (std::size_t i = 0; i + 1 < digits.size(); i += 2) {
    const std::string bars = kNarrowWide[digits[i] - '0'];
    const std::string spaces = kNarrowWide[digits[i + 1] - '0'];
    for (std::size_t k = 0; k < 5; ++k) s += Run('1', bars[k], 2) + Run('0', spaces[k], 2);
  }
  return s;
}

std::string Interleaved(const std::string& digits) {
  const std::string quiet(10, ' ');
  return quiet + "1010" + InterleavedPairs(digits) + "1101" + quiet;
}

// COOP orders the ten two-wide combinations its own way.
const char* const kCoopNarrowWide[] = {"WWNNN", "NNNWW", "NNWNW", "NNWWN", "NWNNW",
                                       "NWNWN", "NWWNN", "WNNNW", "WNNWN", "WNWNN"};

struct TVariantRow {
  const char* name;
  TEncoder encode;
  std::string start;
  std::string stop;
  std::string (*digit)(int);
};

TEST(TwoOfFive, TableDrivenVariants) {
  const TVariantRow rows[] = {
      {"industrial", Encode2of5Industrial, "22022020", "2202022",
       [](int d) { return BarsThenSpace(kNarrowWide[d], 2); }},
      {"IATA", Encode2of5IATA, "2020", "22202",
       [](int d) { return BarsThenSpace(kNarrowWide[d], 3); }},
      {"matrix", Encode2of5Matrix, "22202020", "2220202",
       [](int d) { return Alternating(kNarrowWide[d]); }},
      {"datalogic", Encode2of5Datalogic, "2020", "2202",
       [](int d) { return Alternating(kNarrowWide[d]); }},
      {"COOP", Encode2of5Coop, "220220", "20022",
       [](int d) { return Alternating(kCoopNarrowWide[d]); }},
      {"invert", Encode2of5Invert, "20002000202", "0002020002",
       [](int d) { return SpaceThenBar(kNarrowWide[d]); }},
  };
  for (const auto& row : rows) {
    for (const std::string text : {"0123456789", "7", "9080"}) {
      SCOPED_TRACE(std::string(row.name) + " " + text);
      std::string digits;
      for (char c : text) digits += row.digit(c - '0');
      const auto r = row.encode(text, {});
      EXPECT_EQ(r.Pattern, row.start + digits + row.stop);
      const TCaptionAnchors anchors{static_cast<int>(row.start.size()) + 1,
                                    static_cast<int>(row.start.size() + digits.size()) - 1};
      EXPECT_EQ(r.Anchors, anchors);
    }
  }
}

TEST(TwoOfFive, Interleaved) {
  struct TRow {
    std::string text;
    std::string pattern;
    int leftTo;
  } rows[] = {
      // Digit 1 (WNNNW) in the bars, digit 2 (NWNNW) in the spaces.
      {"12", std::string(10, ' ') + "1010" + "11010010101100" + "1101" + std::string(10, ' '), 27},
      {"123456", Interleaved("123456"), 55},
      {"09771210107001", Interleaved("09771210107001"), 111},
      // OPC: five pairs, 10 + 4 + 70 + 4 + 10 modules.
      {"1234567897", Interleaved("1234567897"), 83},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text);
    const auto r = Encode2of5Interleaved(row.text, {});
    EXPECT_EQ(r.Pattern, row.pattern);
    EXPECT_EQ(r.Pattern.size(), 28 + 7 * row.text.size());
    EXPECT_EQ(r.Anchors, (TCaptionAnchors{15, row.leftTo}));
  }
}

TEST(TwoOfFive, UPCShipping) {
  const std::string main = "12345678901231";
  const auto plain = EncodeUPCShipping(main, {});
  EXPECT_EQ(plain.Pattern, Interleaved(main));
  EXPECT_EQ(plain.Pattern.find('X'), std::string::npos);
  EXPECT_EQ(plain.Anchors, (TCaptionAnchors{15, 111, 0, 0, 126 + 20, 0}));

  const auto withAddOn = EncodeUPCShipping(main + " 123456", {});
  std::string addOn = Interleaved("123456");
  addOn[0] = 'X';
  EXPECT_EQ(withAddOn.Pattern, Interleaved(main) + std::string(9, ' ') + addOn);
  // The add-on caption anchor: whole length - add-on length + 20.
  EXPECT_EQ(withAddOn.Anchors, (TCaptionAnchors{15, 111, 0, 0, 205 - 70 + 20, 0}));
}

// Texts that validation refuses may still reach the encoders (fuzzers, direct callers): they
// give an empty pattern instead of a symbol for some other number.
TEST(TwoOfFive, UnencodableTextsGiveNothing) {
  const TEncoder all[] = {Encode2of5Interleaved, Encode2of5Industrial, Encode2of5Matrix,
                          Encode2of5Datalogic,   Encode2of5IATA,       Encode2of5Invert,
                          Encode2of5Coop,        EncodeUPCShipping};
  for (const std::string text : {"", "12a4", "1A", "12 4", "\xff\x01"}) {
    for (std::size_t i = 0; i < std::size(all); ++i) {
      SCOPED_TRACE(text + " encoder " + std::to_string(i));
      EXPECT_EQ(all[i](text, {}).Pattern, "");
    }
  }
  struct TRow {
    TEncoder encode;
    std::string text;
  } rows[] = {
      // An odd digit has no partner: dropping it would draw another number.
      {Encode2of5Interleaved, "1"},
      {Encode2of5Interleaved, "12345"},
      // OPC allows hexadecimal letters that 2-of-5 cannot draw.
      {Encode2of5Interleaved, "12345678AB"},
      {EncodeUPCShipping, "1234567890123"},
      {EncodeUPCShipping, "1234567890123a"},
      {EncodeUPCShipping, "12345678901231 12345"},
      {EncodeUPCShipping, "12345678901231 1234x6"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text);
    EXPECT_EQ(row.encode(row.text, {}).Pattern, "");
  }
}

TEST(TwoOfFive, ArbitraryBytesStayInBounds) {
  const TEncoder all[] = {Encode2of5Interleaved, Encode2of5Industrial, Encode2of5Matrix,
                          Encode2of5Datalogic,   Encode2of5IATA,       Encode2of5Invert,
                          Encode2of5Coop,        EncodeUPCShipping};
  std::uint32_t seed = 777;
  for (int n = 0; n < 2000; ++n) {
    std::string text;
    for (int i = 0; i < n % 24; ++i) {
      seed = seed * 1103515245u + 12345u;
      const auto b = static_cast<unsigned char>(seed >> 16);
      text += (b & 3) ? static_cast<char>('0' + b % 10) : static_cast<char>(b);
    }
    for (TEncoder encode : all) {
      const auto r = encode(text, {});
      ASSERT_TRUE(std::all_of(r.Pattern.begin(), r.Pattern.end(), [](char c) {
        return c == '0' || c == '1' || c == '2' || c == ' ' || c == 'X';
      }));
    }
  }
}

// ---- Round trips through real decoders; no decoder here reads the other 2-of-5 variants.

struct TDecodeRow {
  TEncoder encode;
  std::string text;
  std::vector<std::string> zxing;  // texts zxing-cpp finds, in any order; empty: not asked
  std::vector<std::string> zbar;   // lines zbarimg prints, in any order
};

std::vector<TDecodeRow> DecodeRows() {
  return {
      {Encode2of5Interleaved, "12", {}, {"I2/5:12"}},
      {Encode2of5Interleaved, "1234", {}, {"I2/5:1234"}},
      {Encode2of5Interleaved, "123456", {"123456"}, {"I2/5:123456"}},
      {Encode2of5Interleaved, "0123456789", {"0123456789"}, {"I2/5:0123456789"}},
      {Encode2of5Interleaved, "09771210107001", {"09771210107001"}, {"I2/5:09771210107001"}},
      {Encode2of5Interleaved, "1234567890123452", {"1234567890123452"}, {"I2/5:1234567890123452"}},
      {Encode2of5Interleaved, "1234567897", {"1234567897"}, {"I2/5:1234567897"}},
      {EncodeUPCShipping, "12345678901231", {"12345678901231"}, {"I2/5:12345678901231"}},
      {EncodeUPCShipping,
       "12345678901231 123456",
       {"12345678901231", "123456"},
       {"I2/5:12345678901231", "I2/5:123456"}},
  };
}

std::vector<std::string> Sorted(std::vector<std::string> v) {
  std::sort(v.begin(), v.end());
  return v;
}

TEST(TwoOfFive, ZXingReadsWhatWeDraw) {
  ASSERT_TRUE(test::HaveZXing());
  for (const auto& row : DecodeRows()) {
    if (row.zxing.empty()) continue;
    SCOPED_TRACE(row.text);
    const auto r = row.encode(row.text, {});
    std::vector<std::string> texts;
    for (const auto& d : test::DecodeWithZXing(test::ImageFromPattern(r.Pattern))) {
      EXPECT_EQ(d.Format, "ITF");
      texts.push_back(d.Text);
    }
    EXPECT_EQ(Sorted(texts), Sorted(row.zxing));
  }
}

TEST(TwoOfFive, ZbarReadsWhatWeDraw) {
  if (!test::HaveZbar()) GTEST_SKIP() << "zbarimg not installed";
  const auto dir = std::filesystem::temp_directory_path() / "brevix_two_of_five_zbar";
  std::filesystem::create_directories(dir);
  int n = 0;
  for (const auto& row : DecodeRows()) {
    SCOPED_TRACE(row.text);
    const auto r = row.encode(row.text, {});
    const std::string png = (dir / ("s" + std::to_string(n++) + ".png")).string();
    test::WritePng(test::ImageFromPattern(r.Pattern), png);
    EXPECT_EQ(Sorted(test::DecodeWithZbar(png, "-Si25.min-length=2")), Sorted(row.zbar));
  }
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace brevix
