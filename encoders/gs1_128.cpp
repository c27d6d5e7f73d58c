#include "encoders/gs1_128.h"

#include "core/gs1.h"
#include "encoders/code128.h"

namespace brevix {

TEncodeResult EncodeGS1_128(std::string_view text, const TEncodeOptions&) {
  const TGs1Parse parsed = ParseGs1(text, false);
  if (!parsed.Ok()) return {};
  // The element string holds the GS1 characters only: every byte has a Code 128 symbol.
  return Code128Symbol(PlanCode128Shortest(parsed.ElementString, true));
}

}  // namespace brevix
