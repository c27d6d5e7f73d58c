#pragma once
// Drawing the control's barcode onto any canvas, in four orientations.

#include <string>
#include <string_view>
#include <vector>

#include "../core/pattern.h"
#include "../platform/canvas.h"

namespace brevix {

class TCustomBC;

// The one entry for every output: screen paint, clipboard and files. Nothing is drawn for an
// empty text. A linear symbol is turned to fill rect; PDF417 stays upright in rect at every angle.
// Raises EPDF417Error for a PDF417 text its mode refuses.
void DrawBarCode(TCanvas& canvas, const TRect& rect, TCustomBC& control);

// A linear symbol in the upright box, turned about centre by the control's angle. The type
// caption moves box.Top down.
void DrawLinear(TCanvas& canvas, TRect& box, TCustomBC& control, std::string_view text,
                TPoint centre, bool paintTypeCaption);

// What a control's paints reuse from one to the next instead of allocating it again: the module
// columns, the batch of fills, the bars of a PDF417 row.
struct TDrawScratch {
  std::vector<TRectFill> Fills;  // background and bars in the upright box
  std::vector<TQuadFill> Quads;  // the same turned
  TColumnMap Map;                // the module columns of the symbol being drawn
  std::vector<TRect> Bars;
};
// The control's scratch, made on its first paint.
TDrawScratch& DrawScratchOf(TCustomBC& control);

// The three lines shown instead of a symbol that cannot be drawn: the message in red bold, a
// label line and the text. Nothing on a printer.
void DrawErrorDisplay(TCanvas& canvas, const TRect& box, const TCustomBC& control, TPoint centre);

}  // namespace brevix
