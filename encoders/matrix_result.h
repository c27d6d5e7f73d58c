#pragma once
// What a 2D matrix encoder gives: the module grid, without quiet zone, or why there is none.

#include <string>
#include <vector>

#include "../core/types.h"

namespace brevix {

struct TMatrixResult {
  // Rows of '1' (dark) and '0' (light), all the same width; empty on error.
  std::vector<std::string> Rows;
  TLastError Error = erOK;
  int Position = 0;     // 1-based offending byte of the data, 0 when the data as a whole
  std::string Message;  // one line, for the user

  bool Ok() const { return Error == erOK; }
};

}  // namespace brevix
