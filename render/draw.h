#pragma once
// Drawing the control's barcode onto any canvas, in four orientations.

#include "platform/canvas.h"

namespace brevix {

class TCustomBC;

// The one entry for every output: screen paint, clipboard and files.
void DrawBarCode(TCanvas& canvas, const TRect& rect, TCustomBC& control);

}  // namespace brevix
