#include "core/check_digits.h"

#include <gtest/gtest.h>

namespace brevix {
namespace {

TEST(CheckDigits, PublishedExamples) {
  EXPECT_EQ(Mod10CheckDigit("123456789012"), '8');  // EAN-13 1234567890128
  EXPECT_EQ(Mod10CheckDigit("1234567"), '0');       // EAN-8 12345670
  EXPECT_EQ(Mod10CheckDigit("01234567890"), '5');   // UPC-A 012345678905
  EXPECT_EQ(Mod10CheckDigit(""), '0');
  EXPECT_EQ(Mod10CheckDigit("0977121010700"), '1');  // ITF 09771210107001
  EXPECT_EQ(ExpandUPCE("0123456"), "01234500006");
  EXPECT_EQ(ExpandUPCE("0123450"), "01200000345");
  EXPECT_EQ(ExpandUPCE("0123453"), "01230000045");
  EXPECT_EQ(ExpandUPCE("0123454"), "01234000005");
  EXPECT_EQ(ExpandUPCE("012345 "), "");
  EXPECT_EQ(Mod10CheckDigit(ExpandUPCE("0123456")), '5');
  EXPECT_EQ(IsbnCheckCharacter("80-7226-102-"), '9');
  EXPECT_EQ(IsbnCheckCharacter("0-306-40615-"), '2');
  EXPECT_EQ(IsbnCheckCharacter("0-8044-2957-"), 'X');
  EXPECT_EQ(OpcCheckDigit("123456789"), '7');
  EXPECT_EQ(PznCheckDigit("123456"), '2');
  EXPECT_EQ(PznCheckDigit("500000"), ':');  // remainder 10
}

}  // namespace
}  // namespace brevix
