#pragma once
// QR Code model 2: data bytes to a square module grid, versions 1 to 40.

#include <cstdint>
#include <string_view>

#include "matrix_result.h"

namespace brevix {

enum class TQrLevel : std::uint8_t { L, M, Q, H };

struct TQrOptions {
  TQrLevel Level = TQrLevel::M;
  int MinVersion = 0;     // 0: the smallest version that holds the data; else 1..40
  int Mask = -1;          // -1: chosen by the penalty rules; else 0..7
  int Eci = -1;           // ECI assignment number written before the data; -1: none
  bool ShiftJis = false;  // the data is Shift JIS: its double-byte characters may use Kanji mode
  // GS1 data: FNC1 in first position; each 0x1D byte in the data stands for FNC1 (a field
  // separator).
  bool Gs1 = false;
};

TMatrixResult EncodeQrCode(std::string_view data, const TQrOptions& options);

}  // namespace brevix
