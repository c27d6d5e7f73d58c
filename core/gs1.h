#pragma once
// GS1 application identifiers: the table of the AIs we know, and the parser that turns a text in
// AI syntax, "(01)09501101530003(17)250101(10)ABC123" or "[01]09501101530003[17]250101", into
// the element string a GS1 symbol carries.

#include <string>
#include <string_view>
#include <vector>

#include "types.h"

namespace brevix {

// The byte that stands for FNC1 between two fields of an element string (ASCII GS).
inline constexpr char kGs1Separator = '\x1D';

// One field of a parsed text: the AI, its data, and where the AI was typed (1-based).
struct TGs1Field {
  std::string Ai;
  std::string Data;
  int Position = 0;
};

struct TGs1Parse {
  std::vector<TGs1Field> Fields;
  // The AIs and their data in a row, with kGs1Separator after each field whose AI is not of a
  // predefined length, except the last.
  std::string ElementString;
  // The text as printed under the symbol: every AI in parentheses, check digits completed.
  std::string Caption;
  // Why the text was refused: a result code, the 1-based position in the text, and a message
  // naming the AI ("AI (17): invalid date 251301, position 20"). Code erOK when accepted.
  TLastError Code = erOK;
  int Position = 0;
  std::string Message;

  bool Ok() const { return Code == erOK; }
};

// Parses a text in AI syntax. completeCheckDigits: a wrong check digit is replaced by the right
// one; otherwise it refuses the text. Either way a check digit left out of a field of fixed
// length (13 digits for AI 01) is added.
TGs1Parse ParseGs1(std::string_view text, bool completeCheckDigits);

// Whether an AI (its digits) is in the table.
bool Gs1KnownAi(std::string_view ai);
// Whether an AI is one of the predefined-length AIs, which need no separator after them.
bool Gs1PredefinedLength(std::string_view ai);

}  // namespace brevix
