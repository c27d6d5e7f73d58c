#include "output/raster_output.h"

#include <cmath>
#include <cstddef>
#include <cstring>

#include "imagewriters/image_file.h"
#include "platform/raster_canvas.h"

namespace brevix {

namespace {

int Pixels(double modules, int ppm) {
  return static_cast<int>(std::lround(modules * ppm));
}

void Draw(const TDrawing& d, TBitmap& bitmap, int width, int height, TRasterScratch& scratch) {
  const int ppm = d.PixelsPerModule;
  bitmap.Resize(width, height);
  TRasterCanvas canvas(bitmap);
  canvas.ClearTo(d.Background);
  scratch.Rects.clear();
  for (const TDrawRect& r : d.Bars) {
    // Each edge rounded on its own, so that bars that meet stay joined.
    const int left = Pixels(r.X, ppm), top = Pixels(r.Y, ppm);
    scratch.Rects.push_back({left, top, Pixels(r.X + r.W, ppm), Pixels(r.Y + r.H, ppm)});
  }
  canvas.Brush.Color = d.Foreground;
  canvas.Brush.Style = bsSolid;
  canvas.FillRects(scratch.Rects);
  canvas.BkMode = bkTransparent;
  canvas.Font.SetName(kCaptionFont);
  canvas.Font.SetColor(d.Foreground);
  for (const TTextRun& t : d.Texts) {
    canvas.Font.SetHeight(-std::max(1, Pixels(t.Size, ppm)));
    canvas.TextAlign = kTaBaseline | (t.Anchor == TTextAnchor::Middle ? kTaCenter : kTaLeft);
    canvas.TextOut(Pixels(t.X, ppm), Pixels(t.Baseline, ppm), t.Text);
  }
}

// picture := upright turned counter-clockwise by angle degrees.
void Turn(const TBitmap& upright, int angle, TBitmap& picture) {
  const int w = upright.Width, h = upright.Height;
  const bool quarter = angle == 90 || angle == 270;
  picture.Resize(quarter ? h : w, quarter ? w : h);
  const std::size_t outWidth = static_cast<std::size_t>(picture.Width);
  for (int y = 0; y < h; ++y) {
    const std::uint8_t* src = upright.Rgb.data() + static_cast<std::size_t>(y) * w * 3;
    for (int x = 0; x < w; ++x, src += 3) {
      int tx = x, ty = y;
      switch (angle) {
        case 90:
          tx = y;
          ty = w - 1 - x;
          break;
        case 180:
          tx = w - 1 - x;
          ty = h - 1 - y;
          break;
        case 270:
          tx = h - 1 - y;
          ty = x;
          break;
        default:
          break;
      }
      std::memcpy(picture.Rgb.data() + (static_cast<std::size_t>(ty) * outWidth + tx) * 3, src, 3);
    }
  }
}

}  // namespace

void RenderDrawing(const TDrawing& d, TBitmap& picture, TRasterScratch& scratch) {
  const int ppm = d.PixelsPerModule;
  const double w = std::round(d.Width * ppm), h = std::round(d.Height * ppm);
  if (!(w >= 1 && h >= 1 && w <= kMaxImageSide && h <= kMaxImageSide))
    throw EImageEncodeError("picture size out of bounds");
  const int width = static_cast<int>(w), height = static_cast<int>(h);
  CheckImageSize(width, height);
  if (d.Angle == 0) {
    Draw(d, picture, width, height, scratch);
    return;
  }
  Draw(d, scratch.Upright, width, height, scratch);
  Turn(scratch.Upright, d.Angle, picture);
}

}  // namespace brevix
