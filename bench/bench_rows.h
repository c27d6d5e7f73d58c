#pragma once
// The barcodes both sides draw: one row of the result table each.

#include <array>
#include <string>

#include "core/types.h"

namespace brevix::bench {

struct TBenchRow {
  const char* Name;
  TTypeBar TypeBar;
  std::string Text;
  int ZintSymbology;
  bool Caption;     // human-readable text under the bars
  int ZintColumns;  // PDF417 data columns; 0 for linear symbols
};

// A text of n characters that text compaction takes as it is: letters, digits and punctuation.
inline std::string PDF417Text(std::size_t n) {
  static constexpr std::string_view kPhrase = "Brevix PDF417 bench, 0123456789 abc/XYZ.";
  std::string s;
  s.reserve(n);
  for (std::size_t i = 0; i < n; ++i) s += kPhrase[i % kPhrase.size()];
  return s;
}

// Defined in bench_main.cpp next to the zint symbology numbers.
const std::array<TBenchRow, 6>& BenchRows();

}  // namespace brevix::bench
