#pragma once
// A canvas that draws into an off-screen RGB bitmap: fills are pixel-exact (no antialiasing, so
// bars land on whole columns), text goes through FreeType with faces found by fontconfig.
// Nothing is ever written outside the bitmap, whatever the coordinates.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "bitmap.h"
#include "canvas.h"

namespace brevix {

// Faces, sizes and rendered glyphs shared by raster canvases. Fonts are read-only resources and
// every paint draws the same few captions again, so one cache serves every canvas of the
// process; it locks itself, so canvases on different threads may share it.
class TGlyphCache;
struct TBandScratch;

class TRasterCanvas : public TCanvas {
 public:
  // Draws into bitmap, which must outlive the canvas. Uses the process-wide glyph cache.
  explicit TRasterCanvas(TBitmap& bitmap);
  TRasterCanvas(TBitmap& bitmap, std::shared_ptr<TGlyphCache> cache);
  ~TRasterCanvas() override;

  void Polygon(std::span<const TPoint> points) override;
  void FillRect(const TRect& r) override;
  void FillQuads(std::span<const TQuadFill> quads) override;
  void FillUprightQuads(std::span<const TRectFill> fills) override;
  void FillRects(std::span<const TRect> rects) override;
  void Line(int x1, int y1, int x2, int y2) override;
  void TextOut(int x, int y, std::string_view text) override;
  TSize TextExtent(std::string_view text) override;
  void DrawTextCentered(const TRect& r, std::string_view text) override;

  // Starts the picture as filled with color, without writing it yet: the fill is written when
  // something is drawn that does not cover the whole bitmap at once (a barcode's background
  // does, so an export writes its pixels once), when the bitmap is handed out, or at the end.
  // A row of rectangles of one colour (a PDF417 row) over rows it has not reached is drawn with
  // the fill under it, and those rows are left out of the fill.
  void ClearTo(TColor color);

  // The bitmap, to read or to write: the canvas forgets which rows it knew to be equal.
  TBitmap& Bitmap();

  // One flag a row of the bitmap as this canvas has drawn it: 1 where the row holds exactly the
  // bytes of the row above, as far as the canvas knows (0: unknown). Valid while nothing but this
  // canvas writes to the bitmap; an image writer can take such rows without comparing them.
  std::span<const std::uint8_t> RowRepeats();

  // The cache every canvas made without one shares. It keeps the faces fontconfig picks in the
  // user's cache folder (TFontMatchFile::DefaultPath), so later processes skip fontconfig.
  static std::shared_ptr<TGlyphCache> SharedGlyphCache();
  // A cache of its own that keeps fontconfig's picks in matchFile (nowhere when empty).
  static std::shared_ptr<TGlyphCache> NewGlyphCache(std::string matchFile);

 private:
  // Text at (x, y) turned by escapement tenths of a degree, honouring TextAlign and BkMode,
  // clipped to clip.
  void DrawText(int x, int y, std::string_view text, int escapement, const TRect& clip);
  void FillPolygon(std::span<const TPoint> points, TColor color, const TRect& clip);
  void PlotPen(int x, int y);
  // Whether the rows pixels of cols columns from corner down all have corner's colour.
  bool PlainUnder(const std::uint8_t* corner, std::size_t cols, int rows);

  // Writes the fill ClearTo left pending, if any.
  void Settle();
  // Settle for a batch of fills whose first shape covers first (nullopt: not known); the fill
  // stays unwritten when that shape covers the whole bitmap.
  void SettleBeforeBatch(const std::optional<TRect>& first);
  // For a drawing that covers the whole bitmap with bounds first: the pending fill is dropped
  // unwritten; otherwise it is written now.
  void SettleUnder(const TRect& bounds);

  TBitmap& FBitmap;
  std::optional<TColor> FPendingFill;
  std::vector<std::uint8_t> FUnfilled;  // with FPendingFill: 1 for each row it has yet to fill
  std::shared_ptr<TGlyphCache> FCache;
  std::unique_ptr<TBandScratch> FBands;
};

}  // namespace brevix
