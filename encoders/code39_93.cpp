#include "encoders/code39_93.h"
// Not built yet: every encoder yields an empty pattern (nothing to draw).
namespace brevix {
TEncodeResult EncodeCode39(std::string_view, const TEncodeOptions&) {
  return {};
}
TEncodeResult EncodeCode39Extended(std::string_view, const TEncodeOptions&) {
  return {};
}
TEncodeResult EncodePZN(std::string_view, const TEncodeOptions&) {
  return {};
}
TEncodeResult EncodeCode93(std::string_view, const TEncodeOptions&) {
  return {};
}
TEncodeResult EncodeCode93Extended(std::string_view, const TEncodeOptions&) {
  return {};
}
}  // namespace brevix
