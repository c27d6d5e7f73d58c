#include <gtest/gtest.h>

#include "tests/support/decode.h"

namespace brevix::test {
namespace {

// The decoders themselves must work here, or every round trip would pass vacuously.
TEST(DecodeSupport, ZXingReadsAHandMadeEan8) {
  ASSERT_TRUE(HaveZXing()) << "the tests must be built with zxing-cpp (libzxing-dev)";
  // EAN-8 "12345670": guards and digit patterns written out by hand.
  const std::string p =
      "101"
      "0011001"
      "0010011"
      "0111101"
      "0100011"
      "01010"
      "1001110"
      "1010000"
      "1000100"
      "1110010"
      "101";
  const auto found = DecodeWithZXing(ImageFromPattern(p));
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].Format, "EAN-8");
  EXPECT_EQ(found[0].Text, "12345670");
}

}  // namespace
}  // namespace brevix::test
