#pragma once
// One symbol of any symbology, in modules: rows of dark and light modules, how tall each row and
// each bar stands, and the human-readable text with where it goes. Nothing here knows pixels,
// quiet zones or captions' fonts: a layout turns a symbol into a picture.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "../core/types.h"

namespace brevix {

inline constexpr char kDarkModule = '1';
inline constexpr char kLightModule = '0';

// How far a bar reaches, relative to the row it stands in.
enum class TBarKind : std::uint8_t {
  Full,   // the row's height
  Guard,  // runs on below the row, into the caption (EAN/UPC guards)
  Short,  // the lower part of the row only (PostNet's half bars)
  AddOn,  // an add-on's bar: starts below the add-on's caption, ends with the guards
};

enum class TTextAlign : std::uint8_t { Centre, Left };

enum class TTextLine : std::uint8_t {
  Below,       // the caption line under the bars
  BelowSmall,  // the same line in a smaller size (UPC's outer digits)
  Above,       // above the add-on bars
};

// A piece of the human-readable text. From and To are module offsets from the left edge of the
// first module (To exclusive); they may lie outside the symbol, in its quiet zone, as EAN-13's
// leading digit does. Centre: centred over [From, To); Left: starting at From.
struct TTextGroup {
  std::string Text;
  int From = 0;
  int To = 0;
  TTextAlign Align = TTextAlign::Centre;
  TTextLine Line = TTextLine::Below;

  friend bool operator==(const TTextGroup&, const TTextGroup&) = default;
};

struct TSymbol {
  TTypeBar TypeBar = csCode_2_5_interleaved;
  int Width = 0;  // modules across every row
  // kDarkModule/kLightModule, Width each; a linear row starts and ends dark
  std::vector<std::string> Rows;
  std::vector<int> RowHeights;  // modules, one per row
  std::vector<TBarKind> Bars;   // one per bar of a one-row symbol, left to right
  std::vector<TTextGroup> Text;
  bool HasAddOn = false;  // EAN/UPC add-on or UPC shipping's second part

  bool Empty() const { return Rows.empty() || Width == 0; }
  int Height() const {
    int h = 0;
    for (int r : RowHeights) h += r;
    return h;
  }

  friend bool operator==(const TSymbol&, const TSymbol&) = default;
};

// Calls f(start, end) for each bar (maximal run of dark modules, end exclusive) of row.
template <class F>
void ForEachBar(std::string_view row, F&& f) {
  std::size_t i = 0;
  while (i < row.size()) {
    if (row[i] != kDarkModule) {
      ++i;
      continue;
    }
    std::size_t j = i;
    while (j < row.size() && row[j] == kDarkModule) ++j;
    f(i, j);
    i = j;
  }
}

}  // namespace brevix
