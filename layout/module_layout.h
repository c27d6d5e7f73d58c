#pragma once
// Module mode: a symbol laid out on whole modules, with its quiet zones, captions sized to the
// modules, turned as a whole.

#include "../symbol/symbol.h"
#include "drawing.h"

namespace brevix {

struct TModuleOptions {
  int PixelsPerModule = 2;
  // When positive, the module width asked for: the pixels per module become the whole number of
  // dots closest to it at Dpi, and vector output is drawn this wide.
  double XDimensionMm = 0;
  int Dpi = kPixelsPerInch;  // resolution written into files and used for the X-dimension
  bool QuietZones = true;    // the symbology's standard minimum
  int Margin = 0;            // modules added on every side, beyond the quiet zones
  // Height of the bars (of all rows, for stacked symbols): modules when HeightModules is
  // positive, else pixels when HeightPixels is, else millimetres at the module's physical width
  // when HeightMm is (exact for vector output; raster output asks for HeightPixels at Dpi), else
  // the symbology's own. QR Code and Data Matrix ignore them: their modules stay square.
  int HeightModules = 0;
  int HeightPixels = 0;
  double HeightMm = 0;
  bool ShowText = true;
  int Angle = 0;  // 0, 90, 180 or 270; any other value draws upright
  TColor Foreground = clBlack;
  TColor Background = clWhite;
  bool Transparent = false;
};

// The symbol as bars and text in an upright box of whole modules across. An empty symbol, or one
// whose rows and row heights do not match, gives an empty drawing (Width 0).
TDrawing LayoutModuleMode(const TSymbol& symbol, const TModuleOptions& options);
// The same into drawing, whose buffers are reused: every field is replaced.
void LayoutModuleMode(const TSymbol& symbol, const TModuleOptions& options, TDrawing& drawing);

}  // namespace brevix
