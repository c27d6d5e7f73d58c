#pragma once
// A drawing onto a bitmap, through the raster canvas, so that captions use the fonts the control
// uses: whole pixels per module, then the drawing's turn applied to the pixels.

#include <cstdint>
#include <vector>

#include "../layout/drawing.h"
#include "../platform/bitmap.h"

namespace brevix {

// Buffers one raster drawing needs, kept by the caller from one picture to the next.
struct TRasterScratch {
  TBitmap Upright;  // the unturned picture of a turned drawing
  std::vector<TRect> Rects;
  std::vector<int> Edges;  // pixel rows where bars start or end
  // One flag a row of the picture drawn last: 1 where the row holds the bytes of the row above
  // as the drawing made it (see TRasterCanvas::RowRepeats), so that a writer need not compare
  // them; empty when unknown.
  std::vector<std::uint8_t> Repeats;
  bool RepeatsLeft = false;  // whether the picture drawn last has rows left unpainted
};

// The drawing at its PixelsPerModule into picture (resized to fit it, turned). Where nothing is
// drawn the picture holds the background colour, also for a transparent drawing: writers that
// can mark a colour transparent take that one. Raises EImageEncodeError for a picture too large
// or empty. A caller that reads the picture through scratch.Repeats only (a palette conversion)
// may ask for leaveRepeats: an upright picture's rows marked there are then left unpainted
// rather than copied from the row above.
void RenderDrawing(const TDrawing& drawing, TBitmap& picture, TRasterScratch& scratch,
                   bool leaveRepeats = false);

}  // namespace brevix
