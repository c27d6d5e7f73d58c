#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "encoders/code128.h"
#include "tests/support/decode.h"

namespace brevix {
namespace {

using Values = std::vector<int>;

Values AsValues(const std::string& s) {
  Values v;
  for (char c : s) v.push_back(static_cast<unsigned char>(c));
  return v;
}

// Modules of one symbol from its bar/space widths, bars first.
std::string Modules(std::string_view widths, char bar = '1') {
  std::string m;
  for (std::size_t e = 0; e < widths.size(); ++e) m.append(widths[e] - '0', e % 2 == 0 ? bar : '0');
  return m;
}

TEncodeOptions Options(TTypeBar type) {
  TEncodeOptions o;
  o.TypeBar = type;
  return o;
}

struct PlanRow {
  const char* name;
  std::string text;
  TTypeBar type;
  Values values;  // start, FNC1 for UCC/EAN-128, data; without the check symbol
  int check;
};

// The published planner examples and our own cases for every rule and set change.
const std::vector<PlanRow>& PlanRows() {
  static const std::vector<PlanRow> rows = {
      {"even run starts in C", "12345678", csCode128, {105, 12, 34, 56, 78}, 47},
      {"UCC/EAN-128 adds FNC1", "12345678", csCodeEAN128, {105, 102, 12, 34, 56, 78}, 20},
      {"odd run at start: last digit in B", "12345", csCode128, {105, 12, 34, 100, 21}, 54},
      {"odd run then letter", "12345A", csCode128, {105, 12, 34, 100, 21, 33}, 13},
      {"odd run after letter: first digit stays in B",
       "A12345",
       csCode128,
       {104, 33, 17, 99, 23, 45},
       64},
      {"run at end", "ABC123456", csCode128, {104, 33, 34, 35, 99, 12, 34, 56}, 23},
      {"run in the middle", "A1234B", csCode128, {104, 33, 99, 12, 34, 100, 34}, 78},
      {"three digits never use C", "123", csCode128, {104, 17, 18, 19}, 8},
      {"zeros", "00000", csCode128, {105, 0, 0, 100, 16}, 57},
      {"mixed case with blank",
       "Hello World",
       csCode128,
       {104, 40, 69, 76, 76, 79, 0, 55, 79, 82, 76, 68},
       43},
      {"UCC/EAN-128 letters", "ABC", csCodeEAN128, {104, 102, 33, 34, 35}, 102},
      {"START A for control then lowercase",
       "\x01"
       "abc",
       csCode128,
       {103, 65, 100, 65, 66, 67},
       29},
      {"leading control without lowercase: START B, CODE A",
       "\x01\x02",
       csCode128,
       {104, 101, 65, 66},
       18},
      {"set C to A for control then lowercase",
       "1234\x01"
       "a",
       csCode128,
       {105, 12, 34, 101, 65, 98, 65},
       83},
      {"lowercase in set A shifted one by one",
       "\x01"
       "a\x01xyz",
       csCode128,
       {103, 65, 100, 65, 101, 65, 98, 88, 98, 89, 98, 90},
       77},
      // Own cases.
      {"control-lowercase-control shifted in set B",
       "A\x01"
       "b\x02",
       csCode128,
       {104, 33, 98, 65, 66, 98, 66},
       -1},
      {"lowercase-control-lowercase shifted in set A",
       "\x01\x02"
       "a\x03"
       "b",
       csCode128,
       {104, 101, 65, 66, 98, 65, 67, 98, 66},
       -1},
      {"set C letter taken again in B", "1234A", csCode128, {105, 12, 34, 100, 33}, -1},
      {"odd run in set A keeps its first digit in A",
       "\x01\x02"
       "12345",
       csCode128,
       {104, 101, 65, 66, 17, 99, 23, 45},
       -1},
      {"odd run at start then control",
       "12345\x01",
       csCode128,
       {105, 12, 34, 100, 21, 101, 65},
       -1},
      {"set C to B to A for a lone control",
       "1234\x01\x02",
       csCode128,
       {105, 12, 34, 100, 101, 65, 66},
       -1},
      {"grave accent leaves set A", "\x01\x02`", csCode128, {104, 101, 65, 66, 100, 64}, -1},
      {"DEL is read in set B", "\x01\x02\x7f", csCode128, {104, 101, 65, 66, 100, 95}, -1},
      {"two runs", "1234AB56789", csCode128, {105, 12, 34, 100, 33, 34, 21, 99, 67, 89}, -1},
      {"UCC/EAN-128 application identifiers stay plain text",
       "(01)12345678901231",
       csCodeEAN128,
       {104, 102, 8, 16, 17, 9, 99, 12, 34, 56, 78, 90, 12, 31},
       -1},
  };
  return rows;
}

TEST(Code128, PlannerSymbolValues) {
  for (const auto& row : PlanRows()) {
    SCOPED_TRACE(row.name);
    Values expected = row.values;
    if (row.type == csCodeEAN128) expected.erase(expected.begin() + 1);
    EXPECT_EQ(AsValues(PlanCode128Sets(row.text)), expected);
  }
}

// Pattern length, anchors, and the check symbol: it must be drawn like the symbol of the same
// value elsewhere (a set C digit pair, or FNC1).
TEST(Code128, AssemblyAndCheckSymbol) {
  for (const auto& row : PlanRows()) {
    SCOPED_TRACE(row.name);
    const auto r = EncodeCode128(row.text, Options(row.type));
    const std::size_t symbols = row.values.size() + 1;
    ASSERT_EQ(r.Pattern.size(), 11 * symbols + 13);
    EXPECT_EQ(r.Anchors, (TCaptionAnchors{12, static_cast<int>(11 * symbols) - 1, 0, 0, 0, 0}));
    EXPECT_EQ(r.Pattern.substr(11 * symbols), "2200022202022");
    if (row.check < 0) continue;
    const std::string drawn = r.Pattern.substr(11 * (symbols - 1), 11);
    if (row.check < 100) {
      const char pair[] = {static_cast<char>('0' + row.check / 10),
                           static_cast<char>('0' + row.check % 10), '0', '0', 0};
      EXPECT_EQ(drawn, EncodeCode128(pair, {}).Pattern.substr(11, 11));
    } else {
      EXPECT_EQ(drawn, Modules("411131"));  // FNC1
    }
  }
}

TEST(Code128, FullPatternsFromStandardWidths) {
  const std::string startC = Modules("211232", '2');
  const std::string stop = Modules("2331112", '2');
  const std::string v12 = Modules("112232"), v34 = Modules("131123"), v56 = Modules("331121"),
                    v78 = Modules("241112"), fnc1 = Modules("411131");
  const auto plain = EncodeCode128("12345678", Options(csCode128));
  EXPECT_EQ(plain.Pattern, startC + v12 + v34 + v56 + v78 + Modules("133121") + stop);  // check 47
  EXPECT_EQ(plain.Pattern.size(), 79u);
  EXPECT_EQ(plain.Anchors.LeftTo, 65);
  const auto ean = EncodeCode128("12345678", Options(csCodeEAN128));
  EXPECT_EQ(ean.Pattern, startC + fnc1 + v12 + v34 + v56 + v78 + Modules("221231") + stop);  // 20
  EXPECT_EQ(ean.Pattern.size(), 90u);
  EXPECT_EQ(ean.Anchors.LeftTo, 76);
  // The start symbols are drawn in guard bars, everything else in ordinary bars.
  EXPECT_EQ(EncodeCode128("A", {}).Pattern.substr(0, 11), Modules("211214", '2'));
  EXPECT_EQ(EncodeCode128("\x01"
                          "a",
                          {})
                .Pattern.substr(0, 11),
            Modules("211412", '2'));
}

TEST(Code128, UnencodableTextGivesNothing) {
  const std::string rows[] = {"", "\x9a", "AB\xe9", std::string("12\x80") + "34"};
  for (const auto& text : rows) {
    SCOPED_TRACE(text);
    EXPECT_EQ(PlanCode128Sets(text), "");
    EXPECT_EQ(EncodeCode128(text, Options(csCode128)).Pattern, "");
    EXPECT_EQ(EncodeCode128(text, Options(csCodeEAN128)).Pattern, "");
  }
}

TEST(Code128, AnyBytesStayInsideTheSymbolTable) {
  std::mt19937 rng(128);
  std::uniform_int_distribution<int> byte(0, 127), length(1, 40), kind(0, 3);
  for (int n = 0; n < 3000; ++n) {
    std::string text;
    const int len = length(rng);
    // Bias towards digits, controls and lowercase, where the rules meet.
    for (int i = 0; i < len; ++i) {
      const int k = kind(rng);
      text += static_cast<char>(k == 0   ? '0' + byte(rng) % 10
                                : k == 1 ? byte(rng) % 32
                                : k == 2 ? 'a' + byte(rng) % 26
                                         : byte(rng));
    }
    const std::string values = PlanCode128Sets(text);
    ASSERT_FALSE(values.empty());
    for (char v : values) ASSERT_LT(static_cast<unsigned char>(v), 106) << n;
    const auto r = EncodeCode128(text, Options(csCodeEAN128));
    ASSERT_EQ(r.Pattern.size(), 11 * (values.size() + 2) + 13);
  }
}

TEST(Code128, DecodesWithZXing) {
  if (!test::HaveZXing()) GTEST_SKIP() << "zxing-cpp not built in";
  std::vector<std::pair<std::string, TTypeBar>> rows;
  for (const auto& row : PlanRows()) rows.emplace_back(row.text, row.type);
  std::string allAscii;
  for (int c = 1; c < 127; ++c) allAscii += static_cast<char>(c);
  rows.emplace_back(allAscii, csCode128);
  rows.emplace_back("Code 128 with 0123456789 digits and {braces} ~", csCode128);
  for (const auto& [text, type] : rows) {
    SCOPED_TRACE(text);
    const auto r = EncodeCode128(text, Options(type));
    const auto found = test::DecodeWithZXing(test::ImageFromPattern(r.Pattern, 2, 40, 12));
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].Format, "Code128");
    EXPECT_EQ(found[0].Text, text);
    // FNC1 in first position marks UCC/EAN-128.
    EXPECT_EQ(found[0].SymbologyId, type == csCodeEAN128 ? "]C1" : "]C0");
  }
}

TEST(Code128, DecodesWithZbar) {
  if (!test::HaveZbar()) GTEST_SKIP() << "zbarimg not installed";
  const std::string path = testing::TempDir() + "code128_zbar.png";
  for (const std::string text : {"12345678", "A12345", "Hello World", "ABC123456"}) {
    SCOPED_TRACE(text);
    test::WritePng(test::ImageFromPattern(EncodeCode128(text, {}).Pattern, 2, 40, 12), path);
    EXPECT_EQ(test::DecodeWithZbar(path), std::vector<std::string>{"CODE-128:" + text});
  }
}

}  // namespace
}  // namespace brevix
