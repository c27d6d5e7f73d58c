#include "symbol/quiet_zones.h"

#include <array>
#include <cstddef>

namespace brevix {

namespace {

struct TQuietRow {
  TTypeBar TypeBar;
  TQuietZone Zone;
  int AddOnRight;  // the right margin when an add-on follows the main symbol
};

// Minimum quiet zones, in modules, with the document each figure comes from. The 2-of-5
// variants other than interleaved have no standard of their own; they take the interleaved
// figure, as readers expect it for the whole family.
constexpr std::array<TQuietRow, kTypeBarCount> kQuietZones{{
    {csCode_2_5_interleaved, {10, 10, 0, 0}, 10},  // ISO/IEC 16390:2007 4.4
    {csCode_2_5_industrial, {10, 10, 0, 0}, 10},   // as interleaved
    {csCode_2_5_matrix, {10, 10, 0, 0}, 10},       // as interleaved
    {csCode_2_5_datalogic, {10, 10, 0, 0}, 10},    // as interleaved
    {csCode_2_5_IATA, {10, 10, 0, 0}, 10},         // as interleaved
    {csCode_2_5_invert, {10, 10, 0, 0}, 10},       // as interleaved
    {csCode_2_5_coop, {10, 10, 0, 0}, 10},         // as interleaved
    {csCode39, {10, 10, 0, 0}, 10},                // ISO/IEC 16388:2007 4.4 (d)
    {csCode39Extended, {10, 10, 0, 0}, 10},        // ISO/IEC 16388:2007 4.4 (d)
    {csCode93, {10, 10, 0, 0}, 10},                // ANSI/AIM BC5-1995 (USS-93)
    {csCode93Extended, {10, 10, 0, 0}, 10},        // ANSI/AIM BC5-1995 (USS-93)
    {csCode128, {10, 10, 0, 0}, 10},               // ISO/IEC 15417:2007 4.4.2
    {csCodeABCCodabar, {10, 10, 0, 0}, 10},        // BS EN 798:1995 4.4.1 (d)
    {csCodeITF, {10, 10, 0, 0}, 10},               // GS1 General Specifications 5.3.2.2
    {csCodeISBN, {11, 7, 0, 0}, 5},                // GS1 General Specifications 5.2.3.4
    {csCodeISSN, {11, 7, 0, 0}, 5},                // GS1 General Specifications 5.2.3.4
    {csCodeISMN, {11, 7, 0, 0}, 5},                // GS1 General Specifications 5.2.3.4
    {csCodeCodabar, {10, 10, 0, 0}, 10},           // BS EN 798:1995 4.4.1 (d)
    {csCodeMSI, {12, 12, 0, 0}, 12},               // MSI Data Corporation's symbology description
    {csCodePostNet, {6, 6, 2, 2}, 6},              // USPS DMM C840: 0.125" sides, 0.04" above/below
    {csCodeOPC, {10, 10, 0, 0}, 10},               // interleaved 2-of-5, ISO/IEC 16390:2007 4.4
    {csCodeEAN8, {7, 7, 0, 0}, 5},                 // GS1 General Specifications 5.2.3.4
    {csCodeEAN13, {11, 7, 0, 0}, 5},               // GS1 General Specifications 5.2.3.4
    {csCodeEAN128, {10, 10, 0, 0}, 10},            // GS1 General Specifications 5.4.4.2
    {csCodeJAN8, {7, 7, 0, 0}, 5},                 // GS1 General Specifications 5.2.3.4
    {csCodeJAN13, {11, 7, 0, 0}, 5},               // GS1 General Specifications 5.2.3.4
    {csCodeUPC_A, {9, 9, 0, 0}, 5},                // GS1 General Specifications 5.2.3.4
    {csCodeUPC_E0, {9, 7, 0, 0}, 5},               // GS1 General Specifications 5.2.3.4
    {csCodeUPC_E1, {9, 7, 0, 0}, 5},               // GS1 General Specifications 5.2.3.4
    {csCodeUPC_shipping, {10, 10, 0, 0}, 10},      // GS1 General Specifications 5.3.2.2 (ITF-14)
    {csCode11, {10, 10, 0, 0}, 10},                // AIM USS Code 11
    {csCodePZN, {10, 10, 0, 0}, 10},               // Code 39 underneath: ISO/IEC 16388:2007 4.4 (d)
    {csCodePDF417, {2, 2, 2, 2}, 2},               // ISO/IEC 15438:2015 5.8.3
}};

constexpr bool RowsInOrder() {
  for (std::size_t i = 0; i < kQuietZones.size(); ++i)
    if (kQuietZones[i].TypeBar != static_cast<TTypeBar>(i)) return false;
  return true;
}
static_assert(RowsInOrder(), "one row per symbology, in enumeration order");

}  // namespace

TQuietZone StandardQuietZone(TTypeBar typeBar, bool addOn) {
  const auto i = static_cast<std::size_t>(typeBar);
  if (i >= kQuietZones.size()) return {};
  TQuietZone zone = kQuietZones[i].Zone;
  if (addOn) zone.Right = kQuietZones[i].AddOnRight;
  return zone;
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
