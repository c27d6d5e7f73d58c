#pragma once
// A canvas that records what is drawn as a Windows metafile: a placeable WMF or an EMF, framed by
// the picture's size at screen resolution (96 pixels per inch, one logical unit per pixel).
// Pens, brushes and fonts are created and selected as the drawing state changes, so the file
// replays the same picture in any reader; text is measured by a reference canvas (the screen's),
// as the platform measures metafile text on its reference device.

#include <cstdint>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "canvas.h"

namespace brevix {

enum class TMetafileKind : std::uint8_t { Wmf, Emf };

class TMetafileCanvas : public TCanvas {
 public:
  // reference measures text in the canvas's font; it must outlive this canvas.
  TMetafileCanvas(int width, int height, TMetafileKind kind, TCanvas& reference);
  ~TMetafileCanvas() override;
  TMetafileCanvas(const TMetafileCanvas&) = delete;
  TMetafileCanvas& operator=(const TMetafileCanvas&) = delete;

  void Polygon(std::span<const TPoint> points) override;
  void FillRect(const TRect& r) override;
  void Line(int x1, int y1, int x2, int y2) override;
  void TextOut(int x, int y, std::string_view text) override;
  TSize TextExtent(std::string_view text) override;
  void DrawTextCentered(const TRect& r, std::string_view text) override;

  // Ends the recording and returns the whole file. Drawing after it is ignored.
  std::vector<std::uint8_t> Finish();

  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  TMetafileKind Kind() const { return FKind; }

 private:
  class TRecorder;
  void Text(int x, int y, std::string_view text, unsigned align, const TRect* clip);

  int FWidth;
  int FHeight;
  TMetafileKind FKind;
  TCanvas& FReference;
  std::unique_ptr<TRecorder> FRecorder;
};

}  // namespace brevix
