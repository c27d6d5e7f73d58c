#include "output/raster_output.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <span>

#include "imagewriters/image_file.h"
#include "platform/raster_canvas.h"

namespace brevix {

namespace {

// Fills [left, right) of one pixel row with colour: a grey (black and white, most often) is one
// byte repeated.
void FillSpan(std::uint8_t* row, int left, int right, const std::uint8_t (&colour)[3]) {
  if (right <= left) return;
  if (colour[0] == colour[1] && colour[1] == colour[2]) {
    std::memset(row + static_cast<std::size_t>(left) * 3, colour[0],
                static_cast<std::size_t>(right - left) * 3);
    return;
  }
  for (std::uint8_t* p = row + static_cast<std::size_t>(left) * 3;
       p < row + static_cast<std::size_t>(right) * 3; p += 3)
    std::memcpy(p, colour, 3);
}

// The bars straight into the pixel rows, in bands between the rows where a bar starts or ends:
// each band's first row is painted, then copied down (unless copies are left to the reader). Marks
// every copied row in scratch.Repeats.
void FillBars(TBitmap& bitmap, TColor background, TColor foreground, TRasterScratch& scratch,
              bool leaveRepeats) {
  const int width = bitmap.Width, height = bitmap.Height;
  const std::size_t stride = static_cast<std::size_t>(width) * 3;
  const std::uint8_t back[3] = {static_cast<std::uint8_t>(ColorR(background)),
                                static_cast<std::uint8_t>(ColorG(background)),
                                static_cast<std::uint8_t>(ColorB(background))};
  const std::uint8_t fore[3] = {static_cast<std::uint8_t>(ColorR(foreground)),
                                static_cast<std::uint8_t>(ColorG(foreground)),
                                static_cast<std::uint8_t>(ColorB(foreground))};
  // Band edges: the layout gives bars row by row, so most repeated edges follow one another.
  std::vector<int>& edges = scratch.Edges;
  edges.assign({0, height});
  int lastTop = -1, lastBottom = -1;
  for (TRect& r : scratch.Rects) {
    r.Left = std::clamp(r.Left, 0, width);
    r.Right = std::clamp(r.Right, r.Left, width);
    r.Top = std::clamp(r.Top, 0, height);
    r.Bottom = std::clamp(r.Bottom, r.Top, height);
    if (r.Top == r.Bottom || r.Left == r.Right) continue;
    if (r.Top == lastTop && r.Bottom == lastBottom) continue;
    edges.push_back(lastTop = r.Top);
    edges.push_back(lastBottom = r.Bottom);
  }
  std::sort(edges.begin(), edges.end());
  edges.erase(std::unique(edges.begin(), edges.end()), edges.end());
  std::uint8_t* rgb = bitmap.Rgb.data();
  for (std::size_t b = 0; b + 1 < edges.size(); ++b)
    FillSpan(rgb + edges[b] * stride, 0, width, back);
  auto first = edges.begin();  // the band of the bar before, where the next one mostly starts
  for (const TRect& r : scratch.Rects) {
    if (r.Top == r.Bottom || r.Left == r.Right) continue;
    if (*first != r.Top) first = std::lower_bound(edges.begin(), edges.end(), r.Top);
    auto band = first;
    for (; band != edges.end() && *band < r.Bottom; ++band)
      FillSpan(rgb + *band * stride, r.Left, r.Right, fore);
  }
  std::vector<std::uint8_t>& repeats = scratch.Repeats;
  repeats.assign(static_cast<std::size_t>(height), 1);
  for (std::size_t b = 0; b + 1 < edges.size(); ++b) {
    repeats[edges[b]] = 0;
    if (leaveRepeats) continue;
    for (int y = edges[b] + 1; y < edges[b + 1]; ++y)
      std::memcpy(rgb + y * stride, rgb + edges[b] * stride, stride);
  }
}

// Paints rows [from, to) that were left as repeats of the row above, from the first row of their
// band, before something is drawn over them.
void PaintLeftRows(TBitmap& bitmap, const std::vector<std::uint8_t>& repeats, int from, int to) {
  const std::size_t stride = static_cast<std::size_t>(bitmap.Width) * 3;
  std::uint8_t* rgb = bitmap.Rgb.data();
  int source = from;
  while (source > 0 && repeats[static_cast<std::size_t>(source)]) --source;
  for (int y = from; y < to; ++y) {
    if (!repeats[static_cast<std::size_t>(y)])
      source = y;
    else
      std::memcpy(rgb + y * stride, rgb + source * stride, stride);
  }
}

void Draw(const TDrawing& d, TBitmap& bitmap, int width, int height, TRasterScratch& scratch,
          bool leaveRepeats) {
  const int ppm = d.PixelsPerModule;
  bitmap.Resize(width, height);
  scratch.Rects.clear();
  for (const TDrawRect& r : d.Bars) {
    // Each edge rounded on its own, so that bars that meet stay joined.
    const int left = ModulePixels(r.X, ppm), top = ModulePixels(r.Y, ppm);
    scratch.Rects.push_back(
        {left, top, ModulePixels(r.X + r.W, ppm), ModulePixels(r.Y + r.H, ppm)});
  }
  FillBars(bitmap, d.Background, d.Foreground, scratch, leaveRepeats);
  if (d.Texts.empty()) return;
  TRasterCanvas canvas(bitmap);
  canvas.BkMode = bkTransparent;
  canvas.Font.SetName(kCaptionFont);
  canvas.Font.SetColor(d.Foreground);
  for (const TTextRun& t : d.Texts) {
    const int size = std::max(1, ModulePixels(t.Size, ppm));
    canvas.Font.SetHeight(-size);
    canvas.TextAlign = kTaBaseline | (t.Anchor == TTextAnchor::Middle ? kTaCenter : kTaLeft);
    const int baseline = ModulePixels(t.Baseline, ppm);
    // Rows the text may touch (ascenders to descenders, with room to spare) and the row below
    // them no longer repeat the row above.
    const int from = std::clamp(baseline - 2 * size, 0, height);
    const int to = std::clamp(baseline + size + 2, 0, height);
    if (leaveRepeats) PaintLeftRows(bitmap, scratch.Repeats, from, to);
    canvas.TextOut(ModulePixels(t.X, ppm), baseline, t.Text);
    std::fill(scratch.Repeats.begin() + from, scratch.Repeats.begin() + to, 0);
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

void RenderDrawing(const TDrawing& d, TBitmap& picture, TRasterScratch& scratch,
                   bool leaveRepeats) {
  scratch.RepeatsLeft = false;
  const int ppm = d.PixelsPerModule;
  const double w = std::round(d.Width * ppm), h = std::round(d.Height * ppm);
  if (!(w >= 1 && h >= 1 && w <= kMaxImageSide && h <= kMaxImageSide))
    throw EImageEncodeError("picture size out of bounds");
  const int width = static_cast<int>(w), height = static_cast<int>(h);
  CheckImageSize(width, height);
  scratch.RepeatsLeft = leaveRepeats && d.Angle == 0;
  if (d.Angle == 0) {
    Draw(d, picture, width, height, scratch, scratch.RepeatsLeft);
    return;
  }
  Draw(d, scratch.Upright, width, height, scratch, false);
  Turn(scratch.Upright, d.Angle, picture);
  std::vector<std::uint8_t>& repeats = scratch.Repeats;
  if (d.Angle != 180 || repeats.size() != static_cast<std::size_t>(height)) {
    repeats.clear();  // rows of a quarter turn are the upright columns: nothing known of them
    return;
  }
  // Half a turn: row y below row y - 1 is the upright row above the one it repeats.
  std::reverse(repeats.begin(), repeats.end());
  repeats.pop_back();
  repeats.insert(repeats.begin(), 0);
}

}  // namespace brevix
