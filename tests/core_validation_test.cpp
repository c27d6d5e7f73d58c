// Check-character completion and the pre-encode check, through the control.
#include <gtest/gtest.h>

#include <string>

#include "core/catalogue.h"
#include "core/control.h"

namespace brevix {
namespace {

// A control switched to typeBar (its text replaced by the catalogue sample).
void Select(TCustomBC& bc, TTypeBar typeBar) {
  if (bc.TypeBar() == typeBar) return;
  bc.SetTypeBar(typeBar);
}

TEST(CompleteCheckDigits, FillsOrOverwritesTheCheckCharacter) {
  struct Row {
    TTypeBar typeBar;
    std::string typed;
    std::string stored;
  };
  const Row rows[] = {
      {csCodeEAN13, "123456789012", "1234567890128"},
      {csCodeEAN13, "1234567890120", "1234567890128"},  // a typed check digit is replaced
      {csCodeEAN13, "1234567890125 12", "1234567890128 12"},
      {csCodeEAN13, "12345", "12345"},  // too short for the rule
      {csCodeEAN8, "1234567", "12345670"},
      {csCodeJAN13, "123456789012", "4934567890124"},
      {csCodeJAN8, "12345678", "49345674"},
      {csCodeJAN8, "1", "49"},
      {csCodeISBN, "80-7226-102", "80-7226-102-9"},
      {csCodeISBN, "80-7226-102-", "80-7226-102-9"},
      {csCodeISSN, "80-7226-102-0", "80-7226-102-9"},
      {csCodeISMN, "0-8044-2957", "0-8044-2957-X"},
      // Without hyphens the check character is the tenth: the add-on stays intact.
      {csCodeISBN, "8072261020 12", "8072261029 12"},
      {csCodeISBN, "8-0-7-2-2-6-1-0-2-0", "8-0-7-2-2-6-1-0-2-9"},
      {csCodeUPC_A, "01234567890", "012345678905"},
      {csCodeUPC_E0, "123456", "01234565"},
      {csCodeUPC_E0, "654321", "06543217"},
      {csCodeUPC_E0, "012345A", "012345A0"},  // no expansion: check digit 0
      {csCodeUPC_E1, "123456", "11234562"},   // number system 1
      {csCodeUPC_E1, "11234569", "11234562"},
      {csCodeITF, "12345", "123457"},
      {csCodeITF, "0977121010700", "09771210107001"},
      {csCodeITF, "1234567", "1234567"},
      {csCodeOPC, "123456789", "1234567897"},
      {csCodeUPC_shipping, "1234567890123", "12345678901231"},
      {csCodePZN, "123456", "1234562"},
      {csCodePZN, "1234569", "1234562"},
      {csCodePZN, "500000", "500000:"},  // remainder 10: refused later by the check
      {csCodePZN, "12345", "12345"},
      {csCodePZN, "12345678", "12345678"},
      {csCode39, "abc", "abc"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(TypeBarIdentifier(row.typeBar)) + " " + row.typed);
    TCustomBC bc;
    Select(bc, row.typeBar);
    bc.SetText(row.typed);
    EXPECT_EQ(bc.Text(), row.stored);
  }
}

struct CheckRow {
  TTypeBar typeBar;
  std::string text;
  TLastError error;  // erOK: the check passes
  int position;      // Error after the check; 0: not written
};

void RunChecks(const CheckRow* rows, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    const CheckRow& row = rows[i];
    SCOPED_TRACE(std::string(TypeBarIdentifier(row.typeBar)) + " [" + row.text + "]");
    TCustomBC bc;
    Select(bc, row.typeBar);
    EXPECT_EQ(bc.PreEncodeCheck(row.text), row.error == erOK);
    EXPECT_EQ(bc.ErrorMessage(), row.error);
    EXPECT_EQ(bc.Error(), row.position);
    // A refused text never reaches an encoder.
    if (row.error != erOK) {
      EXPECT_EQ(bc.EncodeText(row.text).Pattern, "");
    }
  }
}

TEST(PreEncodeCheck, LengthsSeparatorsAndCharacterSets) {
  const CheckRow rows[] = {
      {csCode_2_5_interleaved, "1234", erOK, 0},
      {csCode_2_5_interleaved, "12345", erCountCharMustBeEven, 0},
      {csCode_2_5_interleaved, "12a4", erCharOutOfSet, 3},
      {csCodeABCCodabar, "A123B", erOK, 0},
      {csCodeABCCodabar, "A12 B34B", erOK, 0},
      {csCodeABCCodabar, "a12B", erCharOutOfSet, 1},  // lower case is not in the set
      {csCodeITF, "123457", erOK, 0},
      {csCodeITF, "1234567", erBarcodeLengthInvalid, 0},
      {csCodeISBN, "80-7226-102-9", erOK, 0},
      {csCodeISBN, "80-7226-102-X", erOK, 0},  // the check character is not checked
      {csCodeISBN, "80-7226-102-9 12", erOK, 0},
      {csCodeISSN, "80-7226-102-9 12345", erOK, 0},
      {csCodeISBN, "80-7226-102-9X12", erCharMustBeSpace, 11},
      {csCodeISMN, "80-7226-10", erBarcodeLengthInvalid, 0},
      {csCodeISBN, "80-7226-1A2-9", erCharOutOfSet, 10},  // position in the text, hyphens too
      {csCodeISBN, "80-7226-102-9 1a", erCharOutOfSet, 16},
      {csCodeMSI, "1234", erOK, 0},
      {csCodeMSI, "1234567890123", erOK, 0},
      {csCodeMSI, "12345678901234", erBarcodeLengthInvalid, 0},
      {csCodeMSI, "12G4", erCharOutOfSet, 3},
      {csCodePostNet, "12345", erOK, 0},
      {csCodePostNet, "12345678901", erOK, 0},
      {csCodePostNet, "1234", erBarcodeLengthInvalid, 0},
      {csCodeOPC, "1234567897", erOK, 0},
      {csCodeOPC, "123456789", erBarcodeLengthInvalid, 0},
      {csCodeEAN8, "12345670", erOK, 0},
      {csCodeEAN8, "1234567", erOK, 0},   // the check digit is supplied
      {csCodeEAN8, "12345679", erOK, 0},  // a wrong check digit is recomputed
      {csCodeEAN8, "1234567X", erOK, 0},  // ... and never rejected
      {csCodeEAN8, "12345670 12", erOK, 0},
      {csCodeEAN8, "12345670X12", erCharMustBeSpace, 9},
      {csCodeEAN8, "123456", erBarcodeLengthInvalid, 0},
      {csCodeEAN8, "1234A670", erCharOutOfSet, 5},
      {csCodeJAN8, "49123456 12345", erOK, 0},
      {csCodeEAN13, "1234567890128 12", erOK, 0},
      {csCodeEAN13, "1234567890128 12345", erOK, 0},
      {csCodeEAN13, "1234567890128X12", erCharMustBeSpace, 14},
      {csCodeEAN13, "1234567890128 1234", erBarcodeLengthInvalid, 0},
      {csCodeEAN13, "1234567890128 1a", erCharOutOfSet, 16},  // position in the text
      {csCodeJAN13, "4912345678904", erOK, 0},
      {csCodeUPC_A, "012345678905", erOK, 0},
      {csCodeUPC_A, "012345678905 12", erOK, 0},
      {csCodeUPC_A, "012345678905X12", erCharMustBeSpace, 13},
      {csCodeUPC_E0, "01234565", erOK, 0},
      {csCodeUPC_E0, "01234565 12345", erOK, 0},
      {csCodeUPC_E0, "0123456", erBarcodeLengthInvalid, 0},
      {csCodeUPC_E0, "11234562", erFirstCharMustBeZero, 0},
      {csCodeUPC_E0, "0123A565", erCharOutOfSet, 5},
      {csCodeUPC_E0, "01234565 1a", erCharOutOfSet, 11},
      {csCodeUPC_E1, "11234562", erOK, 0},
      {csCodeUPC_E1, "11234562 12", erOK, 0},
      {csCodeUPC_shipping, "12345678901231", erOK, 0},
      {csCodeUPC_shipping, "12345678901231 123456", erOK, 0},
      {csCodeUPC_shipping, "123456789012312", erBarcodeLengthInvalid, 0},
      {csCodeUPC_shipping, "12345678901231 12345a", erCharOutOfSet, 21},
      {csCodePZN, "1234562", erOK, 0},
      {csCodePZN, "123456", erOK, 0},
      {csCodePZN, "500000:", erCharOutOfSet, 7},
      {csCodePZN, "12345A2", erCharOutOfSet, 6},
      {csCodeEAN128, "EAN 128", erOK, 0},
      {csCodeEAN128, std::string("\x01", 1), erCharOutOfSet, 1},
      {csCode128, "\x01\x7E", erOK, 0},
      {csCode128, "a\x7F", erCharOutOfSet, 2},
      {csCode128, "a\x80", erCharOutOfSet, 2},
      {csCode128, std::string("a\0", 2), erCharOutOfSet, 2},
      {csCode39, "CODE-39 $/+%.", erOK, 0},
      {csCode39, "Code", erCharOutOfSet, 2},
      {csCode39Extended, "a~", erOK, 0},
      {csCode39Extended, "a\x80~", erCharOutOfSet, 2},  // the euro sign of code page 1252
      {csCode39Extended, "a\x7F", erCharOutOfSet, 2},
      {csCode93, "A&\"()", erOK, 0},
      {csCode93, "a", erCharOutOfSet, 1},
      {csCode93Extended, "x\x80", erCharOutOfSet, 2},
      {csCodeCodabar, "A0123+-$/:68A", erOK, 0},
      {csCodeCodabar, "A0E", erCharOutOfSet, 3},
      {csCodeCodabar, "0123", erOK, 0},             // start/stop added by the encoder
      {csCodeCodabar, "12A34", erCharOutOfSet, 3},  // start/stop character inside the data
      {csCodeCodabar, "A1234", erCharOutOfSet, 1},  // a start without its stop
      {csCodeCodabar, "1234D", erCharOutOfSet, 5},  // a stop without its start
      {csCodeCodabar, "A", erCharOutOfSet, 1},
      {csCode11, "123-45", erOK, 0},
      {csCode11, "12.3", erCharOutOfSet, 3},
      {csCodePDF417, "bla", erCharOutOfSet, 1},
  };
  RunChecks(rows, std::size(rows));
}

// Refusals that keep texts away from encoders that have no bars for them.
TEST(PreEncodeCheck, RefusesWhatTheEncoderCannotDraw) {
  const CheckRow rows[] = {
      {csCodeABCCodabar, "1234", erCharOutOfSet, 1},   // must open with A..D
      {csCodeABCCodabar, "A1234", erCharOutOfSet, 5},  // must close with A..D
      {csCodePZN, "12345", erBarcodeLengthInvalid, 0},
      {csCodePZN, "12345678", erBarcodeLengthInvalid, 0},
      {csCodeUPC_E1, "01234565", erMustBe, 0},
      {csCodeUPC_E1, "01234565 12", erMustBe, 0},
      {csCodeITF, "12345A", erCharOutOfSet, 6},
      {csCodeITF, "12 457", erCharOutOfSet, 3},
      {csCodeEAN128, "ab\x9A", erCharOutOfSet, 3},
      {csCodeEAN128, "\xE9", erCharOutOfSet, 1},
      {csCodePostNet, "12B45", erCharOutOfSet, 3},
      {csCodeMSI, "12A4", erCharOutOfSet, 3},
      {csCodeMSI, "F", erCharOutOfSet, 1},
      {csCodeOPC, "12345A7897", erCharOutOfSet, 6},
      {csCodeUPC_E0, "01234565X12", erCharMustBeSpace, 9},
      {csCodeUPC_shipping, "12345678901231X123456", erCharMustBeSpace, 15},
  };
  RunChecks(rows, std::size(rows));
}

TEST(PreEncodeCheck, EmptyTextFailsForEverySymbology) {
  for (int v = 0; v < kTypeBarCount; ++v) {
    SCOPED_TRACE(TypeBarIdentifier(v));
    TCustomBC bc;
    Select(bc, static_cast<TTypeBar>(v));
    EXPECT_FALSE(bc.PreEncodeCheck(""));
    EXPECT_EQ(bc.ErrorMessage(), erEmptyCode);
  }
}

TEST(PreEncodeCheck, UnknownSymbologyHasNoCharacterSet) {
  TCustomBC bc;
  bc.SetTypeBar(static_cast<TTypeBar>(200));
  EXPECT_EQ(bc.Text(), "");  // empty catalogue row
  EXPECT_EQ(bc.TypeBarName(), "");
  bc.SetText("123");
  EXPECT_EQ(bc.Text(), "123");
  const TEncodeResult r = bc.EncodeText(bc.Text());
  EXPECT_EQ(r.Pattern, "");
  EXPECT_EQ(r.Anchors, TCaptionAnchors{});
  EXPECT_EQ(bc.ErrorMessage(), erCharOutOfSet);
  EXPECT_EQ(bc.Error(), 1);
}

TEST(PreEncodeCheck, ErrorPositionOutlivesTheNextSuccess) {
  TCustomBC bc;
  EXPECT_FALSE(bc.PreEncodeCheck("12x4"));
  EXPECT_EQ(bc.Error(), 3);
  EXPECT_TRUE(bc.PreEncodeCheck("1234"));
  EXPECT_EQ(bc.ErrorMessage(), erOK);
  EXPECT_EQ(bc.Error(), 3);
}

TEST(ErrorText, FillsInPositionsCharactersAndDigits) {
  struct Row {
    TTypeBar typeBar;
    std::string text;
    std::string message;
  };
  const Row rows[] = {
      {csCode_2_5_interleaved, "1234", "Correct"},
      {csCode_2_5_interleaved, "12x4", "Unvailable char for this type of barcode.(3.char - x)"},
      {csCode_2_5_interleaved, "123", "2of5 Interleaved/ITF - count of digits must be even."},
      {csCodeEAN13, "1234567890128X12", "14. char must be space."},
      {csCodeUPC_E0, "11234562", "ITF14 - first char must be 0."},
      {csCodeUPC_E1, "01234565", "(must be 1)"},
      {csCodeITF, "123", "Invalid length of barcode."},
      {csCode39, "", "Empty code."},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.message);
    TCustomBC bc;
    Select(bc, row.typeBar);
    bc.PreEncodeCheck(row.text);
    EXPECT_EQ(bc.ErrorText(), row.message);
  }
  TCustomBC bc;
  bc.SetErrorMessage(erSmallPaintBox);
  EXPECT_EQ(bc.ErrorText(), "Tool small");
}

}  // namespace
}  // namespace brevix
