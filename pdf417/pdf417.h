#pragma once
// PDF417: compaction, error correction over GF(929), layout and row building.

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "core/types.h"

namespace brevix {

// Raised by the character check ("Bad char in PDF417, position %d, char : %s") and when a text
// does not fit any symbol.
class EPDF417Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Width in modules of the symbol the text gives with these settings (one pixel per module).
// Raises EPDF417Error for a character the mode does not allow.
int PDF417SymbolWidth(std::string_view text, int cols, int rows, csPDF417ErrorCorrection level,
                      csPDF417Mode mode, bool truncated);

// Row strings of '1' (bar) and '0' (space), all the same length. cols/rows are updated to the
// layout's values. Raises EPDF417Error as above.
std::vector<std::string> PDF417BuildRows(std::string_view text, int& cols, int& rows,
                                         bool truncated, csPDF417Mode mode,
                                         csPDF417ErrorCorrection level);

}  // namespace brevix
