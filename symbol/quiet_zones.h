#pragma once
// The light margins a reader needs around each symbology's bars, in modules.
// The figures themselves are columns of the descriptor rows (core/symbologies.h).

#include "../core/types.h"
#include "symbol.h"

namespace brevix {

struct TQuietZone {
  int Left = 0;
  int Right = 0;
  int Top = 0;
  int Bottom = 0;

  friend bool operator==(const TQuietZone&, const TQuietZone&) = default;
};

// The published minimum for a symbology; with an add-on, the margin after it (EAN/UPC: 5).
// All zero outside the enumeration.
TQuietZone StandardQuietZone(TTypeBar typeBar, bool addOn = false);
// The zone for this symbol, plus margin modules on every side.
TQuietZone QuietZoneOf(const TSymbol& symbol, int margin = 0);

}  // namespace brevix
