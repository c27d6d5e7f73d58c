#pragma once
// Code 128 and UCC/EAN-128: the set planner and the symbol assembly.

#include <string>
#include <string_view>

#include "../core/pattern.h"

namespace brevix {

// opts.TypeBar csCodeEAN128 gives UCC/EAN-128 (leading FNC1); anything else plain Code 128.
TEncodeResult EncodeCode128(std::string_view text, const TEncodeOptions& opts);
// Symbol values (one byte each, value 0..106) beginning with a start symbol; empty for "".
std::string PlanCode128Sets(std::string_view text);

}  // namespace brevix
