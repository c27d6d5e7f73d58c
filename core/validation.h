#pragma once
// Check-character completion and the check every encoding starts with, for any symbology: the
// control keeps its text through them, and text-to-symbol uses them directly.

#include <string>
#include <string_view>

#include "types.h"

namespace brevix {

// What the last check found: the result code, the 1-based position of a rejected character or
// of a character that must be a space, the rejected character, and the digit erMustBe asks for.
// A check that passes sets Code to erOK and leaves the rest as they were.
struct TTextCheck {
  TLastError Code = erOK;
  int Position = 0;
  char BadChar = 0;
  int MustBe = 0;
  // The whole message, when the check has more to say than the result code's text (GS1 data:
  // the AI and what is wrong with its field). Cleared by every check.
  std::string Detail;
};

// The text with the check characters of its symbology filled in or corrected.
std::string CompleteCheckDigits(TTypeBar typeBar, std::string text);
// Whether the text may be encoded in the symbology; why not, in check.
bool PreEncodeCheck(TTypeBar typeBar, std::string_view text, TTextCheck& check);
// Whether every character of s is in the symbology's character set.
bool CheckCharSet(TTypeBar typeBar, std::string_view s, TTextCheck& check);
// The message of check.Code, filled in with the position, the character or the digit.
std::string CheckErrorText(const TTextCheck& check);

}  // namespace brevix
