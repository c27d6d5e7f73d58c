#pragma once
// Text to symbol: the checks, check-character rules and encoders of every symbology, with their
// result in the one symbol model. The model holds the bars only: no caption room, no quiet zone.

#include <string>
#include <string_view>

#include "../core/types.h"
#include "../encoders/datamatrix.h"
#include "../encoders/qrcode.h"
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
  // QR Code and Data Matrix settings.
  TQrLevel QrLevel = TQrLevel::M;
  int QrMinVersion = 0;  // 0: the smallest version that holds the data
  int QrMask = -1;       // -1: chosen by the penalty rules
  TDmShape DmShape = TDmShape::Square;
  int DmRows = 0;  // a fixed size, or 0 x 0 for the smallest that holds the data
  int DmColumns = 0;
  // QR Code and Data Matrix: the text is in AI syntax and becomes GS1 data (FNC1 first).
  bool Gs1 = false;
  // QR Code and Data Matrix: the 8-bit code page the text is in; 0: the text is UTF-8.
  int CodePage = 0;
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
// symbol row, three modules high each; QR Code and Data Matrix one row per module row, one
// module high each, and no caption. GS1-128 texts are in AI syntax; the symbol's text is written
// with parentheses, check digits completed.
TBuiltSymbol BuildSymbol(TTypeBar typeBar, std::string_view text,
                         const TSymbolOptions& options = {});

}  // namespace brevix
