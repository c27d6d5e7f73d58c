#pragma once
// Text to symbol: the checks, check-character rules and encoders of every symbology, with their
// result in the one symbol model. The model holds the bars only: no caption room, no quiet zone.

#include <string>
#include <string_view>

#include "../core/types.h"
#include "../symbol/symbol.h"

namespace brevix {

enum class TCheckDigits : std::uint8_t {
  Strict,    // a check character the text carries must be right; a missing one is added
  Complete,  // a wrong check character is replaced by the right one, as the control does
};

struct TSymbolOptions {
  TCheckDigits CheckDigits = TCheckDigits::Strict;
  // PDF417 settings, with the control's defaults.
  csPDF417Mode PDF417Mode = csPDF417Alphanumeric;
  csPDF417ErrorCorrection PDF417Level = csPDF417AutoEC;
  int PDF417Cols = 10;
  int PDF417Rows = 0;
  bool PDF417Truncated = false;
};

// Why a text gave no symbol: the result code, the 1-based position of the offending character
// where there is one (0 otherwise), and the message as the control reports it.
struct TSymbolError {
  TLastError Code = erOK;
  int Position = 0;
  std::string Message;
};

struct TBuiltSymbol {
  TSymbol Symbol;    // empty on error
  std::string Text;  // the text encoded, check characters completed
  TSymbolError Error;

  bool Ok() const { return Error.Code == erOK; }
};

// The symbol the text gives in a symbology. Linear symbols have one row; PDF417 has one row per
// symbol row, three modules high each.
TBuiltSymbol BuildSymbol(TTypeBar typeBar, std::string_view text,
                         const TSymbolOptions& options = {});

}  // namespace brevix
