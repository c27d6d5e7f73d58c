#include "encoders/two_of_five.h"
// Not built yet: every encoder yields an empty pattern (nothing to draw).
namespace brevix {
TEncodeResult Encode2of5Interleaved(std::string_view, const TEncodeOptions&) {
  return {};
}
TEncodeResult Encode2of5Industrial(std::string_view, const TEncodeOptions&) {
  return {};
}
TEncodeResult Encode2of5Matrix(std::string_view, const TEncodeOptions&) {
  return {};
}
TEncodeResult Encode2of5Datalogic(std::string_view, const TEncodeOptions&) {
  return {};
}
TEncodeResult Encode2of5IATA(std::string_view, const TEncodeOptions&) {
  return {};
}
TEncodeResult Encode2of5Invert(std::string_view, const TEncodeOptions&) {
  return {};
}
TEncodeResult Encode2of5Coop(std::string_view, const TEncodeOptions&) {
  return {};
}
TEncodeResult EncodeUPCShipping(std::string_view, const TEncodeOptions&) {
  return {};
}
}  // namespace brevix
