#pragma once
// Data Matrix ECC 200: data bytes to a square or rectangular module grid.

#include <cstdint>
#include <string_view>

#include "matrix_result.h"

namespace brevix {

enum class TDmShape : std::uint8_t {
  Square,     // the 24 square sizes, 10x10 to 144x144
  Rectangle,  // the 6 rectangular sizes, 8x18 to 16x48
  Auto,       // the smallest of either kind
};

struct TDmOptions {
  TDmShape Shape = TDmShape::Square;
  // A fixed size (module rows x columns, e.g. 16 x 48), or 0 x 0 for the smallest that holds
  // the data under Shape.
  int Rows = 0;
  int Columns = 0;
  int Eci = -1;  // ECI assignment number written before the data; -1: none
  // GS1 data: FNC1 first; each 0x1D byte in the data stands for FNC1 (a field separator).
  bool Gs1 = false;
};

TMatrixResult EncodeDataMatrix(std::string_view data, const TDmOptions& options);

}  // namespace brevix
