#pragma once
// The symbology catalogue and the message table.

#include <array>
#include <cstdint>
#include <string>

#include "types.h"

namespace brevix {

struct TBarCodeInfo {
  std::string Name;
  std::string Description;
  std::string Sample;
  std::string CharSet;
  std::uint16_t Year = 0;
  std::string Region;
};

// Fills info from the catalogue. Only the low seven bits of value select the row; a value above
// 35 (csCodeDataMatrix) leaves info untouched.
void GetBarCodeInfo(int value, TBarCodeInfo& info);
// A fresh record for a symbology; all fields empty outside 0..35 (no masking, unlike
// GetBarCodeInfo), so a value cast from an arbitrary integer never selects a row by accident.
TBarCodeInfo CatalogueRow(int value);
// Which bytes belong to the character set of the row CatalogueRow(value) gives (none for a value
// outside the enumeration): texts are checked against it without building the set's string.
const std::array<bool, 256>& CharSetTable(int value);
// The enumeration identifier of a symbology ("csCode39"); empty outside 0..35.
const char* TypeBarIdentifier(int value);
// The message text a result code starts from ("Correct", ...); empty outside the table.
const char* LastErrorText(int value);

}  // namespace brevix
