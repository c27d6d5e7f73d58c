#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pdf417/pdf417.h"
#include "tests/support/decode.h"

namespace brevix {
namespace {

// Every character text compaction holds, in an order that crosses every sub-mode boundary.
std::string AllTextCharacters() {
  std::string s = "\t\n\r";
  for (char c = ' '; c <= '~'; ++c) s.push_back(c);
  return s;
}

std::string Cycle(const std::string& alphabet, std::size_t length) {
  std::string s;
  for (std::size_t i = 0; i < length; ++i) s.push_back(alphabet[(i * 7) % alphabet.size()]);
  return s;
}

std::string Digits(std::size_t length) {
  std::string s;
  for (std::size_t i = 0; i < length; ++i) s.push_back(static_cast<char>('0' + (i * 3 + 1) % 10));
  return s;
}

struct RoundTripRow {
  const char* name;
  std::string text;
  csPDF417Mode mode;
  int cols;  // rows 0: the control's way of choosing them
};

TEST(PDF417RoundTrip, ZXingReadsTheOriginalText) {
  if (!test::HaveZXing()) GTEST_SKIP() << "built without zxing-cpp";
  const std::string prose =
      "The quick brown fox, 12 times; jumps over THE lazy dog's back (again)? "
      "Yes! Mixed CASE words, digits 0123456789 & signs #+%=^ ~[]{}|@<>_`\\\"\r\n\t";
  const RoundTripRow cases[] = {
      // text compaction; the control's ten columns give short texts pad rows
      {"text, short", "PDF417", csPDF417Alphanumeric, 2},
      {"text, one letter at ten columns", "A", csPDF417Alphanumeric, 10},
      {"text, the control's sample", "bla,bla,bla", csPDF417Alphanumeric, 10},
      {"text, every character", AllTextCharacters(), csPDF417Alphanumeric, 6},
      {"text, sub-mode shifts and latches", "aBcDEf;g;<h1,2x;yZ!a?B\tC\r\nd  e.;:f~Gh#I:J",
       csPDF417Alphanumeric, 4},
      {"text, punctuation after mixed", "12;<34;5&6'(", csPDF417Alphanumeric, 3},
      {"text, long prose", prose + prose + prose + prose, csPDF417Alphanumeric, 10},
      {"text, hundreds of characters", Cycle(AllTextCharacters(), 700), csPDF417Alphanumeric, 10},
      // byte compaction, every remainder of the six-byte groups
      {"bytes, one", "x", csPDF417Binary, 1},
      {"bytes, five", "Hello", csPDF417Binary, 2},
      {"bytes, six", "Hello!", csPDF417Binary, 2},
      {"bytes, eleven", "Hello World", csPDF417Binary, 2},
      {"bytes, twelve", "Hello World!", csPDF417Binary, 3},
      {"bytes, thirteen", "Hello, World!", csPDF417Binary, 3},
      {"bytes, long", Cycle(AllTextCharacters(), 500), csPDF417Binary, 10},
      // numeric compaction, around the 44-digit groups
      {"digits, one", "7", csPDF417Numeric, 1},
      {"digits, few at ten columns", "0123", csPDF417Numeric, 10},
      {"digits, leading zeros", "000123", csPDF417Numeric, 1},
      {"digits, 44", Digits(44), csPDF417Numeric, 2},
      {"digits, 45", Digits(45), csPDF417Numeric, 2},
      {"digits, 88", Digits(88), csPDF417Numeric, 3},
      {"digits, hundreds", Digits(900), csPDF417Numeric, 10},
  };
  const csPDF417ErrorCorrection levels[] = {csPDF417AutoEC, csPDF417Error0, csPDF417Error5};
  for (const auto& row : cases)
    for (const auto level : levels)
      for (const bool truncated : {false, true}) {
        SCOPED_TRACE(testing::Message() << row.name << ", level setting " << int(level)
                                        << (truncated ? ", truncated" : ""));
        int cols = row.cols, rows = 0;
        const auto built = PDF417BuildRows(row.text, cols, rows, truncated, row.mode, level);
        ASSERT_GE(rows, 3) << "readers need three rows";
        const auto decoded = test::DecodeWithZXing(test::ImageFromRows(built));
        ASSERT_EQ(decoded.size(), 1u);
        EXPECT_EQ(decoded[0].Format, "PDF417");
        EXPECT_EQ(decoded[0].Text, row.text);
      }
}

TEST(PDF417RoundTrip, ControlSettingsForLongTexts) {
  // Cols 10, Rows 0 as the running control uses them: the row count follows the text.
  if (!test::HaveZXing()) GTEST_SKIP() << "built without zxing-cpp";
  const struct {
    std::string text;
    csPDF417Mode mode;
    int expectRows;
  } cases[] = {
      {Cycle(AllTextCharacters(), 300), csPDF417Alphanumeric, 0},
      {std::string(300, 'x'), csPDF417Binary, 29},
      {Digits(600), csPDF417Numeric, 0},
      {Cycle("ABCDEFGHIJKLMNOPQRSTUVWXYZ ", 1660), csPDF417Alphanumeric, 90},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(row.text.substr(0, 20));
    int cols = 10, rows = 0;
    const auto built = PDF417BuildRows(row.text, cols, rows, false, row.mode, csPDF417AutoEC);
    EXPECT_EQ(cols, 10);
    if (row.expectRows != 0) {
      EXPECT_EQ(rows, row.expectRows);
    }
    const auto decoded = test::DecodeWithZXing(test::ImageFromRows(built));
    ASSERT_EQ(decoded.size(), 1u);
    EXPECT_EQ(decoded[0].Text, row.text);
  }
}

}  // namespace
}  // namespace brevix
