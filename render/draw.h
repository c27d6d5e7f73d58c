#pragma once
// Drawing the control's barcode onto any canvas, in four orientations: the control's state is
// laid out in box mode (layout/box_layout.h) or module mode (render/module_paint.h) into a
// drawing, which the canvas backend (output/canvas_paint.h) paints.

#include <string_view>

#include "../layout/box_layout.h"
#include "../layout/drawing.h"
#include "../output/canvas_paint.h"
#include "../platform/canvas.h"

namespace brevix {

class TCustomBC;

// What one painter keeps from one paint to the next instead of allocating it again: the drawing
// and the buffers of its layout and its painting. A control owns one for its own paints; painting
// a control with a context of the caller's own leaves the control's alone. Contexts share
// nothing: painters on separate threads, each with its own control and context, need no lock.
struct TPaintContext {
  TDrawing Drawing;
  TBoxScratch Layout;
  TCanvasPaintScratch Paint;
};
// The control's own context, made on its first paint.
TPaintContext& PaintContextOf(TCustomBC& control);

// The one entry for every output: screen paint, clipboard and files. Nothing is drawn for an
// empty text. A linear symbol is turned to fill rect; PDF417 stays upright in rect at every angle.
// Raises EPDF417Error for a PDF417 text its mode refuses.
void DrawBarCode(TCanvas& canvas, const TRect& rect, TCustomBC& control);
// The same with the caller's context.
void DrawBarCode(TCanvas& canvas, const TRect& rect, TCustomBC& control, TPaintContext& context);

// A linear symbol in the upright box, turned about centre by the control's angle. The type
// caption moves box.Top down.
void DrawLinear(TCanvas& canvas, TRect& box, TCustomBC& control, std::string_view text,
                TPoint centre, bool paintTypeCaption);

// The three lines shown instead of a symbol that cannot be drawn: the message in red bold, a
// label line and the text. Nothing on a printer.
void DrawErrorDisplay(TCanvas& canvas, const TRect& box, const TCustomBC& control, TPoint centre);

}  // namespace brevix
