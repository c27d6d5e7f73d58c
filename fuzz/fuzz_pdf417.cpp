// The PDF417 pipeline alone: any text with any columns, rows, mode, level and truncation either
// raises EPDF417Error or yields rows of equal length, made of bars and spaces only, as wide as
// PDF417SymbolWidth says.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "pdf417/pdf417.h"

namespace {

using namespace brevix;

// Mostly small values near the limits, sometimes any 32-bit value.
int ConsumeCount(FuzzedDataProvider& in) {
  if (in.ConsumeBool()) return in.ConsumeIntegral<int>();
  return in.ConsumeIntegralInRange<int>(-2, 40);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  // Values past the enumerations too: the pipeline must not index its tables with them.
  const auto mode = static_cast<csPDF417Mode>(in.ConsumeIntegralInRange<int>(0, 7));
  const auto level = static_cast<csPDF417ErrorCorrection>(in.ConsumeIntegralInRange<int>(0, 12));
  const bool truncated = in.ConsumeBool();
  const int colsIn = ConsumeCount(in);
  const int rowsIn = ConsumeCount(in);
  const std::string text = in.ConsumeRemainingBytesAsString();

  int width = -1;
  try {
    width = PDF417SymbolWidth(text, colsIn, rowsIn, level, mode, truncated);
  } catch (const EPDF417Error&) {
  }

  int cols = colsIn;
  int rows = rowsIn;
  std::vector<std::string> list;
  try {
    list = PDF417BuildRows(text, cols, rows, truncated, mode, level);
  } catch (const EPDF417Error&) {
    fuzz::Require(width == -1, "rows refused although the width was computed");
    return 0;
  }
  fuzz::Require(width >= 0, "width refused although the rows were built");
  if (list.empty()) return 0;
  fuzz::Require(cols >= 1 && rows >= 1, "a built symbol has at least one row and column");
  fuzz::Require(static_cast<int>(list.size()) == rows, "row count differs from the layout's");
  const int expected = 17 * cols + (truncated ? 35 : 69);
  for (const std::string& row : list) {
    fuzz::Require(static_cast<int>(row.size()) == expected, "row length differs from 17c+69/35");
    for (char c : row) fuzz::Require(c == '0' || c == '1', "row module other than 0 or 1");
  }
  fuzz::Require(width == expected, "PDF417SymbolWidth differs from the row length");
  return 0;
}
