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
// Symbol values as PlanCode128Sets gives them, but the fewest of them: the start symbol and every
// set change, SHIFT and set C pair chosen together. gs1: FNC1 follows the start symbol and each
// 0x1D byte of text stands for FNC1. Empty for "" and for a text with a byte above 127.
std::string PlanCode128Shortest(std::string_view text, bool gs1);
// The symbol of planned values: the check symbol, the stop symbol and the caption anchors added.
TEncodeResult Code128Symbol(std::string values);

}  // namespace brevix
