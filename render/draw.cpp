#include "render/draw.h"

#include "core/control.h"

// Not built yet: nothing is drawn.
namespace brevix {

void DrawBarCode(TCanvas&, const TRect&, TCustomBC&) {}

}  // namespace brevix
