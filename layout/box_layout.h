#pragma once
// Box mode: the control's picture laid out as a drawing in device pixels. A linear symbol is
// stretched over the upright box fitted to the control's rectangle (ScalePattern's columns), with
// its type caption above, its bars (guards, add-on bars, PostNet's half bars, ITF's bearer bars),
// its code caption laid out per symbology and its bearer lines, all turned as a whole by the
// control's angle; a text that gives no symbol shows the three-line error display instead. A
// stacked symbol (PDF417) is stretched upright over the whole rectangle.
//
// Captions are placed by the device's own font metrics (TTextMetrics), so a box drawing is made
// for the device it is painted on. The layout reads plain options that the control fills and
// writes only the drawing and the scratch it is given.

#include <string>
#include <string_view>
#include <vector>

#include "../core/pattern.h"
#include "../core/types.h"
#include "../core/validation.h"
#include "drawing.h"

namespace brevix {

// Text measured as the device draws it.
class TTextMetrics {
 public:
  virtual ~TTextMetrics() = default;
  // Width and height of text in font, unturned.
  virtual TSize Extent(const TFont& font, std::string_view text) = 0;
  // Height of text in font word-wrapped into width pixels, as a WrappedText step draws it.
  virtual int WrappedHeight(const TFont& font, int width, std::string_view text) = 0;
  // The font the device held before the drawing, whose face the error display and the message
  // of a refused paint keep.
  virtual const TFont& DeviceFont() const = 0;
};

// Where a box drawing goes on the device.
struct TBoxFrame {
  TRect Rect;     // the rectangle asked for
  TPoint Centre;  // its centre, what the drawing turns about
  TRect Box;      // the upright box: fitted for the angle, or Rect itself for an upright symbol
  int Angle = 0;
  // The box is larger than any surface (a ratio or size out of range): nothing is laid out.
  bool TooLarge = false;
};
// The frame of rect at angle; upright: the symbol is never turned (PDF417), its box is rect.
TBoxFrame FrameBox(const TRect& rect, int angle, bool upright);

// The control's state a linear box drawing reads. The fonts must outlive the layout call.
struct TLinearBoxOptions {
  TTypeBar TypeBar = csCode_2_5_interleaved;
  std::string_view Text;         // what the captions show (a book number as its EAN-13)
  std::string_view ControlText;  // what the error display shows
  std::string_view Pattern;      // the encoded modules; empty when the text gives none
  TCaptionAnchors Anchors;       // the encoder's, in modules
  TTextCheck Check;              // the encoding's outcome
  bool CompleteDraw = false;
  bool Transparent = false;
  bool ShowCodeCaption = true;
  bool ShortUpcGuards = true;
  bool Printer = false;  // no error display on a printer
  TColor Lines = clBlack;
  TColor Back = clWhite;
  const TFont* Font = nullptr;  // the control's font, where the code caption starts from
  const TFont* CodeFont = nullptr;
  bool CodeAutoSize = false;
  std::string_view TypeCaption;  // empty: none
  const TFont* TypeFont = nullptr;
  bool TypeAutoSize = false;
  TPen LinesPen;  // the bearer lines
  int LinesCount = 0;
};

// What a box layout settled for the control to record.
struct TBoxOutcome {
  TLastError Error = erOK;
  // The pattern was drawn over Box's width: the control keeps it as its drawn pattern.
  bool Drawn = false;
  TRect Box;  // the upright box below the type caption
};

// Buffers a box layout reuses from one drawing to the next.
struct TBoxScratch {
  TColumnMap Map;               // the module columns of the symbol being laid out
  std::vector<TRectFill> Bars;  // room for the bars of a linear symbol
};

// Empties drawing for a box drawing whose turned steps turn about centre by angle degrees; its
// buffers keep their memory.
void BeginBoxDrawing(TPoint centre, int angle, TDrawing& drawing);

// Appends the linear symbol in the upright box to drawing; typeCaption: the type caption too.
TBoxOutcome LayoutLinearBox(const TRect& box, const TLinearBoxOptions& options, bool typeCaption,
                            TTextMetrics& metrics, TBoxScratch& scratch, TDrawing& drawing);

// Appends the three lines shown instead of a symbol that cannot be drawn: message in red bold,
// a label line and text, 8 points in the face of deviceFont, turned with the drawing; brush is
// the device's brush meanwhile.
void LayoutErrorDisplay(const TRect& box, std::string_view message, std::string_view text,
                        const TFont& deviceFont, const TBrush& brush, TDrawing& drawing);

// The state a stacked box drawing reads.
struct TStackedBoxOptions {
  const std::vector<std::string>* Rows = nullptr;  // rows of '1' bar and '0' space, equal lengths
  bool CompleteDraw = false;
  bool PaintIfSmall = true;  // draw even when the box is narrower than the symbol
  TColor Lines = clBlack;
  TTextCheck Check;  // the control's last check, for the message of a refused paint
};

// Appends the rows stretched over the whole of box: each row's share of the height, each module's
// share of the width. A box narrower than the symbol gives erSmallPaintBox, drawn squeezed when
// PaintIfSmall, else replaced by the message centred in a white box.
TBoxOutcome LayoutStackedBox(const TRect& box, const TStackedBoxOptions& options,
                             TTextMetrics& metrics, TBoxScratch& scratch, TDrawing& drawing);

}  // namespace brevix
