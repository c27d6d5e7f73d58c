#include "encoders/ean_upc.h"
// Not built yet: every encoder yields an empty pattern (nothing to draw).
namespace brevix {
TEncodeResult EncodeEAN8(std::string_view, const TEncodeOptions&) {
  return {};
}
TEncodeResult EncodeEAN13(std::string_view, const TEncodeOptions&) {
  return {};
}
TEncodeResult EncodeUPCA(std::string_view, const TEncodeOptions&) {
  return {};
}
TEncodeResult EncodeUPCE(std::string_view, const TEncodeOptions&) {
  return {};
}
std::string EncodeAddOn(std::string_view, int, TCaptionAnchors&) {
  return {};
}
void AddLeadingRoom(TEncodeResult&, const TEncodeOptions&) {}
std::string BooklandToEAN13(std::string_view, TTypeBar) {
  return {};
}
}  // namespace brevix
