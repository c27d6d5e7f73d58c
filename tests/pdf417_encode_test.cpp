#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pdf417/pdf417.h"

namespace brevix {
namespace {

std::vector<int> DataCodewords(std::string_view text, csPDF417Mode mode) {
  const TPDF417Codewords list = PDF417EncodeData(text, mode);
  EXPECT_FALSE(list.empty());  // the descriptor slot is always there
  return {list.begin() + 1, list.end()};
}

std::vector<int> Concat(std::vector<int> a, const std::vector<int>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

struct EncodeRow {
  const char* name;
  std::string text;
  csPDF417Mode mode;
  std::vector<int> codewords;  // after the descriptor slot
};

TEST(PDF417EncodeData, CompactionCodewords) {
  const std::vector<int> group44 = {485, 624, 195, 647, 193, 431, 299, 2,
                                    752, 141, 640, 160, 581, 556, 711};
  const EncodeRow rows[] = {
      /* text compaction */
      {"alpha to mixed and the pad", "PDF417", csPDF417Alphanumeric, {453, 178, 121, 239}},
      {"odd value count padded", "ABC", csPDF417Alphanumeric, {1, 89}},
      {"latch lower first", "abc", csPDF417Alphanumeric, {810, 32}},
      {"latch mixed from alpha", "A1", csPDF417Alphanumeric, {28, 59}},
      {"tab reached from lower via mixed", "a\tb", csPDF417Alphanumeric, {810, 852, 811}},
      {"shift alpha from lower for one capital", "aB", csPDF417Alphanumeric, {810, 811}},
      {"two capitals from lower latch alpha via mixed",
       "aBC",
       csPDF417Alphanumeric,
       {810, 868, 32}},
      {"single punctuation shifted from alpha", "A;B", csPDF417Alphanumeric, {29, 1}},
      {"punctuation run latched from alpha", "A;<", csPDF417Alphanumeric, {28, 750, 59}},
      {"back from punctuation to alpha", ";<A", csPDF417Alphanumeric, {865, 1, 870}},
      {"space stays in lower", "a b", csPDF417Alphanumeric, {810, 781}},
      {"empty text", "", csPDF417Alphanumeric, {}},
      /* byte compaction */
      {"six bytes: 924 and one group", "ABCDEF", csPDF417Binary, {924, 109, 326, 368, 127, 330}},
      {"seven bytes: 901, a group and a byte",
       "ABCDEFG",
       csPDF417Binary,
       {901, 109, 326, 368, 127, 330, 71}},
      {"short: one codeword a byte", "AB", csPDF417Binary, {901, 65, 66}},
      {"no bytes: 924 alone", "", csPDF417Binary, {924}},
      {"all ones", std::string(6, '\xFF'), csPDF417Binary, {924, 429, 11, 71, 222, 855}},
      {"zero bytes", std::string(6, '\0'), csPDF417Binary, {924, 0, 0, 0, 0, 0}},
      {"auto code is byte compaction", "AB", csPDF417AutoCode, {901, 65, 66}},
      /* hexadecimal */
      {"hex pair", "41", csPDF417BinaryHex, {901, 65}},
      {"odd hex gets a leading zero", "4", csPDF417BinaryHex, {901, 4}},
      {"hex of both cases", "414243444546", csPDF417BinaryHex, {924, 109, 326, 368, 127, 330}},
      {"hex lower case", "ff", csPDF417BinaryHex, {901, 255}},
      /* numeric */
      {"numeric 123", "123", csPDF417Numeric, {902, 1, 223}},
      {"numeric 0", "0", csPDF417Numeric, {902, 10}},
      {"numeric empty", "", csPDF417Numeric, {902, 1}},
      {"numeric 44 ones: one full group", std::string(44, '1'), csPDF417Numeric,
       Concat({902}, group44)},
      {"numeric 50 ones: 44 + 6", std::string(50, '1'), csPDF417Numeric,
       Concat(Concat({902}, group44), {1, 334, 511})},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(DataCodewords(row.text, row.mode), row.codewords);
  }
}

TEST(PDF417EncodeData, UnknownModeEncodesAsText) {
  EXPECT_EQ(DataCodewords("PDF417", static_cast<csPDF417Mode>(200)),
            DataCodewords("PDF417", csPDF417Alphanumeric));
  EXPECT_THROW(PDF417CheckText("\x01", static_cast<csPDF417Mode>(5)), EPDF417Error);
}

struct BadCharRow {
  const char* name;
  std::string text;
  csPDF417Mode mode;
  std::string message;  // empty: accepted
};

TEST(PDF417CheckText, FirstBadCharacterIsReported) {
  const BadCharRow rows[] = {
      {"start of heading at 3",
       std::string("AB\x01"
                   "C",
                   4),
       csPDF417Alphanumeric, std::string("Bad char in PDF417, position 3, char : \x01")},
      {"first of two bad characters", "A\x7F\x80", csPDF417Alphanumeric,
       "Bad char in PDF417, position 2, char : \x7F"},
      {"tab, line feed, carriage return, space to tilde", "\t\n\r ~!", csPDF417Alphanumeric, ""},
      {"high byte in text", "caf\xE9", csPDF417Alphanumeric,
       "Bad char in PDF417, position 4, char : \xE9"},
      {"letter in numeric", "12a4", csPDF417Numeric, "Bad char in PDF417, position 3, char : a"},
      {"space in numeric", " 1", csPDF417Numeric, "Bad char in PDF417, position 1, char :  "},
      {"G is no hex digit", "4G", csPDF417BinaryHex, "Bad char in PDF417, position 2, char : G"},
      {"hex of every case", "0123456789abcdefABCDEF", csPDF417BinaryHex, ""},
      {"binary takes every byte", std::string("\0\x01\xFF\x80", 4), csPDF417Binary, ""},
      {"auto code takes every byte", std::string("\0\x01\xFF\x80", 4), csPDF417AutoCode, ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    if (row.message.empty()) {
      EXPECT_NO_THROW(PDF417CheckText(row.text, row.mode));
      continue;
    }
    try {
      PDF417EncodeData(row.text, row.mode);
      ADD_FAILURE() << "no error";
    } catch (const EPDF417Error& e) {
      EXPECT_EQ(e.what(), row.message);
    }
  }
}

TEST(PDF417TextCompaction, UncheckedCharacterIsRefusedNotDropped) {
  TPDF417Codewords list{0};
  EXPECT_THROW(PDF417TextCompaction("A\x01", list), EPDF417Error);
}

}  // namespace
}  // namespace brevix
