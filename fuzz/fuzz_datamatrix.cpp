// The Data Matrix encoder with any bytes and any options (shape, fixed sizes valid or not, ECI
// numbers in and out of range, GS1): a symbol comes out whole or an error with a message, the
// grid has the size's finder and clock patterns, encoding is repeatable, and an automatic size
// is the smallest that holds the data.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "encoders/datamatrix.h"
#include "encoders/datamatrix_tables.h"
#include "fuzz/fuzz_support.h"

namespace {

using namespace brevix;

const dm::TSymbolSize* FindSize(std::size_t rows, std::size_t columns) {
  for (const dm::TSymbolSize& s : dm::kSymbolSizes)
    if (s.Rows == rows && s.Columns == columns) return &s;
  return nullptr;
}

void CheckGrid(const TMatrixResult& r) {
  fuzz::Require(!r.Rows.empty(), "a symbol without rows");
  const dm::TSymbolSize* size = FindSize(r.Rows.size(), r.Rows[0].size());
  fuzz::Require(size != nullptr, "a grid of no Data Matrix size");
  const int regionRows = size->RegionRows() + 2;
  const int regionColumns = size->RegionColumns() + 2;
  for (std::size_t y = 0; y < r.Rows.size(); ++y) {
    const std::string& row = r.Rows[y];
    fuzz::Require(row.size() == size->Columns, "rows of different widths");
    const int ry = static_cast<int>(y) % regionRows;
    for (std::size_t x = 0; x < row.size(); ++x) {
      fuzz::Require(row[x] == '0' || row[x] == '1', "a module neither '0' nor '1'");
      const int rx = static_cast<int>(x) % regionColumns;
      const bool dark = row[x] == '1';
      if (rx == 0 || ry == regionRows - 1)
        fuzz::Require(dark, "finder pattern broken");
      else if (ry == 0)
        fuzz::Require(dark == (rx % 2 == 0), "top clock track broken");
      else if (rx == regionColumns - 1)
        fuzz::Require(dark == (ry % 2 == 1), "right clock track broken");
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  TDmOptions opts;
  opts.Shape = static_cast<TDmShape>(in.ConsumeIntegralInRange<int>(0, 2));
  // Mostly automatic sizes; now and then each valid size, or one that is not.
  const int sizeChoice = in.ConsumeIntegralInRange<int>(0, 63);
  if (sizeChoice < static_cast<int>(dm::kSymbolSizes.size())) {
    opts.Rows = dm::kSymbolSizes[static_cast<std::size_t>(sizeChoice)].Rows;
    opts.Columns = dm::kSymbolSizes[static_cast<std::size_t>(sizeChoice)].Columns;
  } else if (sizeChoice == 63) {
    opts.Rows = in.ConsumeIntegral<int>();
    opts.Columns = in.ConsumeIntegral<int>();
  }
  const int eciChoice = in.ConsumeIntegralInRange<int>(0, 7);
  opts.Eci = eciChoice == 0   ? in.ConsumeIntegral<int>()
             : eciChoice == 1 ? in.ConsumeIntegralInRange<int>(0, 999999)
             : eciChoice == 2 ? 26
                              : -1;
  opts.Gs1 = in.ConsumeBool();
  const std::string text = in.ConsumeRemainingBytesAsString();

  const TMatrixResult r = EncodeDataMatrix(text, opts);
  const TMatrixResult again = EncodeDataMatrix(text, opts);
  fuzz::Require(again.Rows == r.Rows && again.Error == r.Error && again.Message == r.Message,
                "encoding the same data twice differs");
  if (!r.Ok()) {
    fuzz::Require(r.Rows.empty(), "rows with an error");
    fuzz::Require(!r.Message.empty(), "an error without a message");
    return 0;
  }
  fuzz::Require(r.Message.empty(), "a message without an error");
  CheckGrid(r);

  const std::size_t rows = r.Rows.size();
  const std::size_t columns = r.Rows[0].size();
  if (opts.Rows != 0) {
    fuzz::Require(rows == static_cast<std::size_t>(opts.Rows) &&
                      columns == static_cast<std::size_t>(opts.Columns),
                  "not the fixed size asked for");
    return 0;
  }
  // The automatic size is the smallest of the shape that holds the data: the chosen size asked
  // for gives the same symbol, and the next smaller size of the shape refuses the data (a size
  // holds whatever a smaller one does).
  TDmOptions fixed = opts;
  fixed.Rows = static_cast<int>(rows);
  fixed.Columns = static_cast<int>(columns);
  fuzz::Require(EncodeDataMatrix(text, fixed).Rows == r.Rows,
                "the chosen size, asked for, gives another symbol");
  const bool square = rows == columns;
  fuzz::Require(opts.Shape == TDmShape::Auto || square == (opts.Shape == TDmShape::Square),
                "a symbol of the other shape");
  const dm::TSymbolSize* smaller = nullptr;
  for (std::uint8_t k : dm::kBySize) {
    const dm::TSymbolSize& s = dm::kSymbolSizes[k];
    if (s.Rows == rows && s.Columns == columns) break;
    if (opts.Shape == TDmShape::Auto || s.Square() == (opts.Shape == TDmShape::Square))
      smaller = &s;
  }
  if (smaller != nullptr) {
    fixed.Rows = smaller->Rows;
    fixed.Columns = smaller->Columns;
    fuzz::Require(!EncodeDataMatrix(text, fixed).Ok(), "a smaller size holds the data");
  }
  return 0;
}
