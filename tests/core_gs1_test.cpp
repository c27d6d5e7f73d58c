// The GS1 AI table and parser: every class of field accepted and refused, the element string's
// separators, the caption, and where a refusal points.

#include <gtest/gtest.h>

#include <string>

#include "core/gs1.h"
#include "encode/build_symbol.h"
#include "encoders/code128.h"
#include "tests/support/decode.h"

namespace brevix {
namespace {

constexpr char kGS = kGs1Separator;

TEST(Gs1, FieldsAcceptedAndRefusedByClass) {
  struct TRow {
    const char* What;
    std::string Text;
    std::string Element;  // accepted: the element string; refused: a part of the message
    TLastError Code;
    int Position;
  };
  const TRow rows[] = {
      // Fixed length, numeric, check digit.
      {"GTIN", "(01)09501101530003", "0109501101530003", erOK, 0},
      {"GTIN short of its check digit", "(01)0950110153000", "0109501101530003", erOK, 0},
      {"GTIN too long", "(01)095011015300031", "data of 15 characters, 14 expected",
       erBarcodeLengthInvalid, 2},
      {"GTIN wrong check digit", "(01)09501101530004", "wrong check digit 4, 3 expected", erMustBe,
       18},
      {"SSCC", "(00)106141411234567897", "00106141411234567897", erOK, 0},
      {"GLN letter", "(414)95011010A0001", "'A' where a digit is expected", erCharOutOfSet, 14},
      // Dates: a real day, or day 00 where the AI allows it.
      {"expiry", "(17)250228", "17250228", erOK, 0},
      {"expiry day 00", "(17)250200", "17250200", erOK, 0},
      {"expiry 29 February of a leap year", "(17)240229", "17240229", erOK, 0},
      {"expiry 29 February", "(17)250229", "invalid date 250229", erErrorInBarCode, 2},
      {"expiry month 13", "(01)09501101530003(17)251301",
       "AI (17): invalid date 251301, position 20", erErrorInBarCode, 20},
      {"first freeze day 00", "(7006)250100", "invalid date 250100", erErrorInBarCode, 2},
      {"expiry date and time", "(7003)2501312359", "70032501312359", erOK, 0},
      {"expiry hour 24", "(7003)2501312400", "invalid date and time", erErrorInBarCode, 2},
      // Variable length, alphanumeric: separators after each such field but the last.
      {"batch and serial", "(10)ABC123(21)X-9",
       "10ABC123\x1D"
       "21X-9",
       erOK, 0},
      {"batch too long", "(10)ABCDEFGHIJKLMNOPQRSTU", "data of 21 characters, 1 to 20 expected",
       erBarcodeLengthInvalid, 2},
      {"batch outside CSET 82", "(10)AB#C", "'#' outside the GS1 character set", erCharOutOfSet, 7},
      {"no data", "(10)(21)A", "no data", erBarcodeLengthInvalid, 2},
      // Variable length, numeric; a predefined-length field needs no separator after it.
      {"count then GTIN", "(30)12(01)09501101530003",
       "3012\x1D"
       "0109501101530003",
       erOK, 0},
      {"count with a letter", "(30)12A", "'A' where a digit is expected", erCharOutOfSet, 7},
      {"net weight then batch", "(3103)001250(10)A",
       "3103001250"
       "10A",
       erOK, 0},
      {"net weight decimal 6", "(3106)001250", "unknown AI", erErrorInBarCode, 2},
      // Several parts: a currency code before the amount.
      {"amount with currency", "(3912)97812345", "391297812345", erOK, 0},
      {"GDTI", "(253)9501101020016ABC", "2539501101020016ABC", erOK, 0},
      // The bracketed form; parentheses stay data there.
      {"brackets", "[01]09501101530003[10]A(1)",
       "0109501101530003"
       "10A(1)",
       erOK, 0},
      {"parentheses in data", "(10)A(B)C", "10A(B)C", erOK, 0},
      {"unknown AI", "(01)09501101530003(23)1", "AI (23): unknown AI, position 20",
       erErrorInBarCode, 20},
      {"no AI first", "01095011015300", "starts with an AI", erCharOutOfSet, 1},
  };
  for (const TRow& r : rows) {
    SCOPED_TRACE(r.What);
    const TGs1Parse p = ParseGs1(r.Text, false);
    EXPECT_EQ(p.Code, r.Code) << p.Message;
    if (r.Code == erOK) {
      EXPECT_EQ(p.ElementString, r.Element);
    } else {
      EXPECT_NE(p.Message.find(r.Element), std::string::npos) << p.Message;
      EXPECT_EQ(p.Position, r.Position);
      EXPECT_NE(p.Message.find("position " + std::to_string(r.Position)), std::string::npos);
    }
  }
}

TEST(Gs1, CompletionAndCaption) {
  const TGs1Parse p = ParseGs1("[01]09501101530004[10]AB", true);
  ASSERT_TRUE(p.Ok()) << p.Message;
  EXPECT_EQ(p.Caption, "(01)09501101530003(10)AB");
  EXPECT_EQ(p.ElementString,
            "0109501101530003"
            "10AB");
  ASSERT_EQ(p.Fields.size(), 2u);
  EXPECT_EQ(p.Fields[1].Position, 20);
  EXPECT_EQ(std::string(1, kGS), "\x1D");

  // Data that the parenthesis form would read as an AI keeps the caption in square brackets, so
  // that the caption, read back as a text, gives the same element string.
  const TGs1Parse inner = ParseGs1("[96]1061(10)Q[21]23", true);
  ASSERT_TRUE(inner.Ok()) << inner.Message;
  EXPECT_EQ(inner.Caption, "[96]1061(10)Q[21]23");
  EXPECT_EQ(ParseGs1(inner.Caption, false).ElementString, inner.ElementString);

  // The library refuses a wrong check digit unless asked to complete it; GS1-128's text is the
  // caption either way.
  const std::string typed = "[01]09501101530004[10]AB";
  const TBuiltSymbol strict = BuildSymbol(csCodeGS1_128, typed);
  EXPECT_EQ(strict.Error.Code, erMustBe);
  EXPECT_EQ(strict.Error.Position, 18);
  TSymbolOptions complete;
  complete.CheckDigits = TCheckDigits::Complete;
  const TBuiltSymbol completed = BuildSymbol(csCodeGS1_128, typed, complete);
  ASSERT_TRUE(completed.Ok()) << completed.Error.Message;
  EXPECT_EQ(completed.Text, "(01)09501101530003(10)AB");
  ASSERT_EQ(completed.Symbol.Text.size(), 1u);
  EXPECT_EQ(completed.Symbol.Text[0].Text, "(01)09501101530003(10)AB");
}

// The shortest plan: FNC1 after the start, never longer than the local rules' plan, and as short
// as a hand count on texts where those rules waste values.
TEST(Gs1, ShortestCode128Plan) {
  const std::string gtin = "0109501101530003";
  // Start C, FNC1, eight digit pairs.
  EXPECT_EQ(PlanCode128Shortest(gtin, true), std::string({105, 102, 1, 9, 50, 11, 1, 53, 0, 3}));
  // FNC1 as a separator stays in set C between digit runs.
  EXPECT_EQ(PlanCode128Shortest("3012\x1D"
                                "3034",
                                true),
            std::string({105, 102, 30, 12, 102, 30, 34}));
  // Two digits: one set C pair, where the local rules start set B for runs under four.
  EXPECT_EQ(PlanCode128Shortest("12", false), std::string({105, 12}));
  std::uint32_t seed = 7;
  for (int n = 0; n < 2000; ++n) {
    std::string text;
    const int length = 1 + static_cast<int>(seed % 24);
    for (int k = 0; k < length; ++k) {
      seed = seed * 1664525u + 1013904223u;
      const unsigned pick = (seed >> 24) % 4;
      text += pick < 2    ? static_cast<char>('0' + (seed >> 8) % 10)
              : pick == 2 ? static_cast<char>('a' + (seed >> 8) % 26)
                          : static_cast<char>(1 + (seed >> 8) % 126);
    }
    SCOPED_TRACE(text);
    EXPECT_LE(PlanCode128Shortest(text, false).size(), PlanCode128Sets(text).size());
  }
}

// A seeded sweep of GS1 texts through ZXing: digits, letters of both cases and punctuation in
// runs of every length, so that the planner switches sets, shifts and pairs digits everywhere.
TEST(Gs1, RandomTextsRoundTrip) {
  if (!test::HaveZXing()) GTEST_SKIP() << "zxing-cpp not available";
  // No opening parenthesis: in the data it could start what reads as an AI.
  static constexpr std::string_view kPools[] = {"0123456789", "ABCXYZ", "abcxyz",
                                                "!%&)*+,-./:;<=>?_"};
  std::uint32_t seed = 19;
  const auto next = [&seed](std::uint32_t n) {
    seed = seed * 1664525u + 1013904223u;
    return (seed >> 8) % n;
  };
  for (int n = 0; n < 100; ++n) {
    std::string text = "(01)09501101530003";
    for (const char* ai : {"(10)", "(21)"}) {
      std::string data;
      const std::size_t length = 1 + next(20);
      while (data.size() < length) {
        const std::string_view pool = kPools[next(4)];
        for (std::uint32_t run = 1 + next(6); run > 0 && data.size() < length; --run)
          data += pool[next(static_cast<std::uint32_t>(pool.size()))];
      }
      text += ai + data;
    }
    SCOPED_TRACE(text);
    const TGs1Parse parsed = ParseGs1(text, false);
    ASSERT_TRUE(parsed.Ok()) << parsed.Message;
    const TBuiltSymbol b = BuildSymbol(csCodeGS1_128, text);
    ASSERT_TRUE(b.Ok()) << b.Error.Message;
    const auto decoded = test::DecodeWithZXing(test::ImageFromRows(b.Symbol.Rows, 2, 60, 10));
    ASSERT_EQ(decoded.size(), 1u);
    EXPECT_EQ(decoded[0].Text, parsed.ElementString);
    EXPECT_EQ(decoded[0].SymbologyId, "]C1");
  }
}

}  // namespace
}  // namespace brevix
