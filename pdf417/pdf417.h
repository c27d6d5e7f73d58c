#pragma once
// PDF417: compaction, error correction over GF(929), layout and row building.
//
// The pipeline, each stage a function of its inputs:
//   PDF417EncodeData  text -> descriptor slot + data codewords (one compaction for the whole text)
//   PDF417Layout      level, columns and rows, pad codewords, length descriptor
//   PDF417ErrorCorrection  Reed-Solomon codewords of the laid-out list
//   PDF417BuildRows   one '1'/'0' module string per row, with row indicators
//
// Bounds: a symbol holds at most kPDF417MaxCodewords codewords (descriptor, data, pads and error
// correction), kPDF417MaxRows rows and kPDF417MaxCols data columns. Text or settings that need
// more are refused with EPDF417Error. Every symbol has at least kPDF417MinRows rows: a text or a
// row setting that would give one or two rows gets pad codewords up to three.

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "../core/types.h"

namespace brevix {

// Raised by the character check ("Bad char in PDF417, position %d, char : %s") and when a text
// does not fit any symbol.
class EPDF417Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The text needs more than a symbol holds (codewords, rows or columns).
class EPDF417TooLarge : public EPDF417Error {
 public:
  using EPDF417Error::EPDF417Error;
};

inline constexpr int kPDF417MaxCodewords = 928;
inline constexpr int kPDF417MaxRows = 90;
inline constexpr int kPDF417MinRows = 3;
inline constexpr int kPDF417MaxCols = 30;
inline constexpr int kPDF417MaxLevel = 8;

// Codeword values of the mode switches and the pad.
inline constexpr int kPDF417TextLatch = 900;  // also the pad codeword
inline constexpr int kPDF417ByteLatch = 901;
inline constexpr int kPDF417NumericLatch = 902;
inline constexpr int kPDF417ByteLatch6 = 924;

// Codewords in symbol order. Element 0 is the length descriptor: the stages that append data
// start from a list of one zero entry, and PDF417Layout fills it in.
using TPDF417Codewords = std::vector<int>;

// Raises EPDF417Error naming the 1-based position and the character of the first character
// `mode` does not allow. Binary modes allow every byte.
void PDF417CheckText(std::string_view text, csPDF417Mode mode);

// Compactions: each appends the codewords of its whole input to `list`.
// Text compaction of checked text (tab, line feed, carriage return, 32..126).
void PDF417TextCompaction(std::string_view text, TPDF417Codewords& list);
// Byte compaction of any bytes: 924 or 901, then base 900.
void PDF417ByteCompaction(std::string_view bytes, TPDF417Codewords& list);
// Hexadecimal digits, two to a byte (a '0' in front of an odd count), by byte compaction.
void PDF417HexCompaction(std::string_view hex, TPDF417Codewords& list);
// Numeric compaction of decimal digits, in groups of 44.
void PDF417NumericCompaction(std::string_view digits, TPDF417Codewords& list);

// Checks the text and returns the descriptor slot followed by the data codewords of the mode's
// compaction. A mode value outside the enumeration encodes as text. Raises EPDF417Error for a bad
// character and for a text too long for any symbol.
TPDF417Codewords PDF417EncodeData(std::string_view text, csPDF417Mode mode);

struct TPDF417LayoutResult {
  TPDF417Codewords Codewords;  // descriptor, data and pads; error correction not yet added
  int Level = 0;               // 0..8
  int K = 0;                   // error-correction codewords: 2^(Level + 1)
};

// Encodes the text, chooses the level (automatic by the codeword count unless `level` names one;
// an unknown setting counts as automatic), fixes cols and rows (cols wins when positive; both
// below 1 give 20 columns), pads with 900 to fill the rows and sets the descriptor. cols and rows
// receive the values used. Raises EPDF417Error as PDF417EncodeData does, and when the symbol would
// need more than kPDF417MaxCodewords codewords, kPDF417MaxRows rows or kPDF417MaxCols columns.
TPDF417LayoutResult PDF417Layout(std::string_view text, int& cols, int& rows, csPDF417Mode mode,
                                 csPDF417ErrorCorrection level);

// The 2^(level + 1) Reed-Solomon codewords over GF(929) that follow `list` in the symbol.
// Raises EPDF417Error for a level outside 0..8.
std::vector<int> PDF417ErrorCorrection(const TPDF417Codewords& list, int level);

// The 17-module string of `codeword` in the cluster of `row` (row mod 3). Raises EPDF417Error for
// a codeword outside 0..928.
std::string PDF417CodewordPattern(int codeword, int row);

// Row indicator codewords of row `row` in a symbol of `rows` rows and `cols` data columns.
int PDF417LeftIndicator(int row, int rows, int level, int cols);
int PDF417RightIndicator(int row, int rows, int level, int cols);

// Width in modules of the symbol the text gives with these settings (one pixel per module).
// Raises EPDF417Error as PDF417Layout does.
int PDF417SymbolWidth(std::string_view text, int cols, int rows, csPDF417ErrorCorrection level,
                      csPDF417Mode mode, bool truncated);

// Row strings of '1' (bar) and '0' (space), all the same length. cols/rows are updated to the
// layout's values. Raises EPDF417Error as PDF417Layout does.
std::vector<std::string> PDF417BuildRows(std::string_view text, int& cols, int& rows,
                                         bool truncated, csPDF417Mode mode,
                                         csPDF417ErrorCorrection level);

}  // namespace brevix
