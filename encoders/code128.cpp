#include "encoders/code128.h"
// Not built yet: every encoder yields an empty pattern (nothing to draw).
namespace brevix {
TEncodeResult EncodeCode128(std::string_view, const TEncodeOptions&) {
  return {};
}
std::string PlanCode128Sets(std::string_view) {
  return {};
}
}  // namespace brevix
