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
  fuzz::Require(cols <= kPDF417MaxCols && rows <= kPDF417MaxRows, "layout beyond the limits");

  // The layout behind the rows: codewords in range and within one symbol's capacity.
  int layoutCols = colsIn;
  int layoutRows = rowsIn;
  const TPDF417LayoutResult layout = PDF417Layout(text, layoutCols, layoutRows, mode, level);
  fuzz::Require(layoutCols == cols && layoutRows == rows, "layout and rows disagree on the shape");
  fuzz::Require(layout.K == (2 << layout.Level), "k is not 2^(level+1)");
  const std::size_t total = layout.Codewords.size() + static_cast<std::size_t>(layout.K);
  fuzz::Require(total == static_cast<std::size_t>(cols) * static_cast<std::size_t>(rows),
                "codewords do not fill the rows exactly");
  fuzz::Require(total <= static_cast<std::size_t>(kPDF417MaxCodewords), "more than 928 codewords");
  fuzz::Require(layout.Codewords[0] == static_cast<int>(layout.Codewords.size()),
                "descriptor differs from the data count");
  for (int cw : layout.Codewords) fuzz::Require(cw >= 0 && cw <= 928, "codeword out of range");
  for (int cw : PDF417ErrorCorrection(layout.Codewords, layout.Level))
    fuzz::Require(cw >= 0 && cw <= 928, "error-correction codeword out of range");
  return 0;
}
