#pragma once
// Codabar, ABC Codabar, MSI/Plessey, PostNet and Code 11.

#include <string_view>

#include "../core/pattern.h"

namespace brevix {

TEncodeResult EncodeCodabar(std::string_view text, const TEncodeOptions& opts);
TEncodeResult EncodeABCCodabar(std::string_view text, const TEncodeOptions& opts);
TEncodeResult EncodeMSI(std::string_view text, const TEncodeOptions& opts);
TEncodeResult EncodePostNet(std::string_view text, const TEncodeOptions& opts);
TEncodeResult EncodeCode11(std::string_view text, const TEncodeOptions& opts);
char MsiCheckDigit(std::string_view text);

}  // namespace brevix
