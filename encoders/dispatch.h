#pragma once
// The encode dispatcher: check the text, then run the encoder of the symbology's descriptor row.

#include <string_view>

#include "../core/pattern.h"
#include "../core/validation.h"

namespace brevix {

// Validates text for opts.TypeBar and encodes it: the pattern and the anchors of this one
// encoding. Empty pattern when the check fails, with the reason in check.
TEncodeResult EncodeCheckedText(std::string_view text, const TEncodeOptions& opts,
                                TTextCheck& check);

}  // namespace brevix
