#include "encoders/other_linear.h"
// Not built yet: every encoder yields an empty pattern (nothing to draw).
namespace brevix {
TEncodeResult EncodeCodabar(std::string_view, const TEncodeOptions&) {
  return {};
}
TEncodeResult EncodeABCCodabar(std::string_view, const TEncodeOptions&) {
  return {};
}
TEncodeResult EncodeMSI(std::string_view, const TEncodeOptions&) {
  return {};
}
TEncodeResult EncodePostNet(std::string_view, const TEncodeOptions&) {
  return {};
}
TEncodeResult EncodeCode11(std::string_view, const TEncodeOptions&) {
  return {};
}
char MsiCheckDigit(std::string_view) {
  return '0';
}
}  // namespace brevix
