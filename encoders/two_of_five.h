#pragma once
// The 2-of-5 family: interleaved (also ITF and OPC), industrial, matrix, datalogic, IATA, invert,
// COOP, and the UPC shipping composition built from two interleaved runs.

#include <string_view>

#include "../core/pattern.h"

namespace brevix {

TEncodeResult Encode2of5Interleaved(std::string_view text, const TEncodeOptions& opts);
TEncodeResult Encode2of5Industrial(std::string_view text, const TEncodeOptions& opts);
TEncodeResult Encode2of5Matrix(std::string_view text, const TEncodeOptions& opts);
TEncodeResult Encode2of5Datalogic(std::string_view text, const TEncodeOptions& opts);
TEncodeResult Encode2of5IATA(std::string_view text, const TEncodeOptions& opts);
TEncodeResult Encode2of5Invert(std::string_view text, const TEncodeOptions& opts);
TEncodeResult Encode2of5Coop(std::string_view text, const TEncodeOptions& opts);
TEncodeResult EncodeUPCShipping(std::string_view text, const TEncodeOptions& opts);

}  // namespace brevix
