#include "symbol/quiet_zones.h"

#include "core/symbologies.h"

namespace brevix {

TQuietZone StandardQuietZone(TTypeBar typeBar, bool addOn) {
  const TSymbologyDescriptor* row = SymbologyOf(typeBar);
  if (row == nullptr) return {};
  const TQuietFigures& q = row->QuietZone;
  return {q.Left, addOn ? q.AddOnRight : q.Right, q.Top, q.Bottom};
}

TQuietZone QuietZoneOf(const TSymbol& symbol, int margin) {
  if (margin < 0) margin = 0;
  TQuietZone zone = StandardQuietZone(symbol.TypeBar, symbol.HasAddOn);
  zone.Left += margin;
  zone.Right += margin;
  zone.Top += margin;
  zone.Bottom += margin;
  return zone;
}

}  // namespace brevix
