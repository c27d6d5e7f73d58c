// UTF-8 arguments to the control's 8-bit code pages and back.

#include <gtest/gtest.h>

#include "platform/codepage.h"

namespace brevix {
namespace {

TEST(CodePage, Utf8ToEightBitAndBack) {
  const struct {
    int CodePage;
    const char* Utf8;
    const char* Bytes;
  } rows[] = {
      {1252, "ABC 123", "ABC 123"},
      {1252, "caf\xc3\xa9 \xe2\x82\xac", "caf\xe9 \x80"},  // e acute, euro sign
      {1252, "\xc5\x93\xe2\x80\x94", "\x9c\x97"},          // oe ligature, em dash
      {1250,
       "\xc5\xa0"
       "koda \xc5\x82\xc3\xb3"
       "d\xc5\xba",
       "\x8A"
       "koda \xb3\xf3"
       "d\x9f"},
      {1251, "\xd0\x96\xd0\xb8", "\xc6\xe8"},
      {1253, "\xce\xa9", "\xd9"},
      {1254, "\xc4\x9f", "\xf0"},
      {1257, "\xc4\x97", "\xeb"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << row.CodePage << " " << row.Utf8);
    const TUtf8Conversion c = Utf8ToCodePage(row.CodePage, row.Utf8);
    EXPECT_TRUE(c.Ok) << c.Problem;
    EXPECT_EQ(c.Text, row.Bytes);
    EXPECT_EQ(CodePageToUtf8(row.CodePage, c.Text), row.Utf8);
  }
}

TEST(CodePage, ReportsWhatCannotBeConverted) {
  const struct {
    int CodePage;
    const char* Utf8;
    int Position;
    const char* Problem;
  } rows[] = {
      {1252, "ab\xe6\x97\xa5", 3, "not in code page 1252"},  // an ideograph
      {1250, "x\xe2\x82\xacy\xe6\x97\xa5", 6, "not in code page 1250"},
      {1252, "ok\xff", 3, "malformed"},
      {1252, "\xc3", 1, "malformed"},
      {1252, "\xed\xa0\x80", 1, "malformed"},  // a lone surrogate
      {1252, "\xc0\xaf", 1, "malformed"},      // an overlong slash
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.Utf8);
    const TUtf8Conversion c = Utf8ToCodePage(row.CodePage, row.Utf8);
    EXPECT_FALSE(c.Ok);
    EXPECT_EQ(c.BadPosition, row.Position);
    EXPECT_NE(c.Problem.find(row.Problem), std::string::npos) << c.Problem;
  }
}

TEST(CodePage, CharsetsNameTheirCodePages) {
  EXPECT_EQ(CodePageOfCharset(0), 1252);
  EXPECT_EQ(CodePageOfCharset(1), 1252);
  EXPECT_EQ(CodePageOfCharset(238), 1250);
  EXPECT_EQ(CodePageOfCharset(204), 1251);
  EXPECT_EQ(CharsetOfCodePage(1250), 238);
  EXPECT_FALSE(IsSupportedCodePage(437));
}

}  // namespace
}  // namespace brevix
