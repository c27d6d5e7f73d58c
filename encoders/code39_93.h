#pragma once
// Code 39 (and its full-ASCII form, and PZN on top of it) and Code 93 (and its full-ASCII form).

#include <string_view>

#include "../core/pattern.h"

namespace brevix {

TEncodeResult EncodeCode39(std::string_view text, const TEncodeOptions& opts);
TEncodeResult EncodeCode39Extended(std::string_view text, const TEncodeOptions& opts);
TEncodeResult EncodePZN(std::string_view text, const TEncodeOptions& opts);
TEncodeResult EncodeCode93(std::string_view text, const TEncodeOptions& opts);
TEncodeResult EncodeCode93Extended(std::string_view text, const TEncodeOptions& opts);

}  // namespace brevix
