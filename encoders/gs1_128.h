#pragma once
// GS1-128: a text in AI syntax as Code 128 with FNC1 after the start and between fields.

#include <string_view>

#include "../core/pattern.h"

namespace brevix {

// The text in AI syntax ("(01)09501101530003(10)ABC"); an empty pattern when it does not parse
// or a check digit is wrong.
TEncodeResult EncodeGS1_128(std::string_view text, const TEncodeOptions& opts);

}  // namespace brevix
