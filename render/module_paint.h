#pragma once
// The control in module mode (ModuleWidth > 0): its symbol laid out on ModuleWidth whole pixels
// per module with the symbology's quiet zones plus QuietZone modules on each side, at the size
// that layout needs, instead of stretched over the control's box.
//
// On a surface (the screen, a printer) the drawing is centred in the rectangle, the rest of the
// rectangle in the background colour unless the control is transparent. A drawing larger than the
// rectangle is not drawn: the error display shows erSmallPaintBox, as a box too small for the
// symbol does in box mode. Files and the clipboard are made at the drawing's own size.

#include "../core/types.h"
#include "../encode/build_symbol.h"
#include "../layout/drawing.h"
#include "../platform/canvas.h"

namespace brevix {

class TCustomBC;

// The symbol settings the control's properties give: its PDF417, QR Code, Data Matrix and GS1
// settings, check characters completed as the control does, the text in its font's code page.
TSymbolOptions SymbolOptionsOf(const TCustomBC& control);

// Pixels per module of vector files drawn from a control in box mode (ModuleWidth 0).
inline constexpr int kVectorModulePixels = 2;

// The control's symbol laid out in module mode at pixelsPerModule, with its colours, angle,
// captions, quiet zone and resolution. An empty drawing (Width 0) when the text gives no symbol;
// error then holds why.
TDrawing LayoutControl(const TCustomBC& control, int pixelsPerModule, TLastError* error = nullptr);
// The same into drawing, whose buffers are reused.
void LayoutControl(const TCustomBC& control, int pixelsPerModule, TDrawing& drawing,
                   TLastError* error = nullptr);

// The pixel size of a module-mode drawing, turned.
TSize DrawingPixels(const TDrawing& drawing);

// The size of the control's picture in files and on the clipboard: Width x Height in box mode;
// in module mode the drawing's, or Width x Height when the text gives no symbol (the picture then
// shows the error display).
TSize PictureSize(const TCustomBC& control);

struct TPaintContext;

// DrawBarCode in module mode, painting with the context's buffers.
void DrawModuleMode(TCanvas& canvas, const TRect& rect, TCustomBC& control, TPaintContext& context);

}  // namespace brevix
