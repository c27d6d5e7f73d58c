#include "platform/raster_canvas.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <numbers>
#include <optional>
#include <stdexcept>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "platform/font_match_file.h"
#include "platform/glyph_store.h"

namespace brevix {

namespace {

// Unicode of the bytes 0x80..0x9F in the Western Windows code page, the texts' encoding; the
// other bytes map to the code point of the same value. Unassigned bytes stay as they are.
constexpr char32_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char32_t CodePoint(char c) {
  const auto b = static_cast<unsigned char>(c);
  return b >= 0x80 && b < 0xA0 ? kCp1252High[b - 0x80] : static_cast<char32_t>(b);
}

// A font with no height asks for the platform's default size.
constexpr int kDefaultEmPixels = 16;
// Larger fonts are drawn at this size: a glyph of a font set to millions of pixels would need
// terabytes, and nothing that large fits a barcode anyway.
constexpr int kMaxCellPixels = 4096;

// Exact sine and cosine at multiples of 90 degrees, so turned text stays on the pixel grid.
std::pair<double, double> CosSin(int tenths) {
  int t = tenths % 3600;
  if (t < 0) t += 3600;
  switch (t) {
    case 0:
      return {1.0, 0.0};
    case 900:
      return {0.0, 1.0};
    case 1800:
      return {-1.0, 0.0};
    case 2700:
      return {0.0, -1.0};
    default: {
      const double r = t * std::numbers::pi / 1800.0;
      return {std::cos(r), std::sin(r)};
    }
  }
}

// Turns an offset (u along the text, v down the text) into device pixels: counter-clockwise on
// screen for a positive angle.
struct TTurn {
  double C = 1.0, S = 0.0;
  double X(double u, double v) const { return u * C + v * S; }
  double Y(double u, double v) const { return -u * S + v * C; }
};

TRect Intersect(const TRect& a, const TRect& b) {
  return TRect{std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
               std::min(a.Bottom, b.Bottom)};
}

int ClampToInt(double v) {
  if (v < -1e9) return -1000000000;
  if (v > 1e9) return 1000000000;
  return static_cast<int>(v);
}

// Repeats the n bytes at p over [p + n, end), which holds a whole number of copies: whole rows
// of a bitmap under their first row.
// A large stretch (a linear barcode's bars, most of its picture) doubles its copies until
// they fill a block of about 8 KB, and that block, still in the first-level cache, is copied on
// down by memcpy, which picks the fastest way to move memory on each CPU. A short stretch (a
// PDF417 row a few pixels high) is one overlapping forward string move, defined by x86 to repeat
// the bytes, which starts faster than a few calls. (How fast one string move over a large
// stretch runs is up to the CPU's string-move implementation; memcpy is tuned for each CPU.)
void RepeatForward(std::uint8_t* p, std::size_t n, const std::uint8_t* end) {
  constexpr std::size_t kBlock = 8192;
  constexpr std::size_t kStringMoveUpTo = 48 * 1024;
  const auto total = static_cast<std::size_t>(end - p);
  if (n == 0 || total <= n) return;
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
  if (n >= 256 && total < kStringMoveUpTo) {
    std::size_t count = total - n;
    const std::uint8_t* from = p;
    std::uint8_t* to = p + n;
    asm volatile("rep movsb" : "+D"(to), "+S"(from), "+c"(count) : : "memory");
    return;
  }
#endif
  std::size_t done = n;
  while (done < total && done < kBlock) {
    const std::size_t step = std::min(done, total - done);
    std::memcpy(p + done, p, step);
    done += step;
  }
  const std::size_t block = done;
  while (done < total) {
    const std::size_t step = std::min(block, total - done);
    std::memcpy(p + done, p, step);
    done += step;
  }
}

// Copies the first row of a block, n bytes wide, into the rows below it up to end. Narrow blocks
// (bars of one to ten pixels, most of what is drawn) take two fixed-size moves a row, which may
// overlap, instead of a call; the size class is chosen once for the whole block. Whole rows are
// one stretch of memory.
void CopyFirstRow(std::uint8_t* first, std::size_t n, std::size_t stride, const std::uint8_t* end) {
  struct T16 {
    std::uint8_t B[16];
  };
  std::uint8_t* row = first + stride;
  if (n == stride) {
    RepeatForward(first, n, end);
  } else if (n > 32) {
    for (; row != end; row += stride) std::memcpy(row, first, n);
  } else if (n >= 16) {
    T16 a, b;
    std::memcpy(&a, first, 16);
    std::memcpy(&b, first + n - 16, 16);
    for (; row != end; row += stride) {
      std::memcpy(row, &a, 16);
      std::memcpy(row + n - 16, &b, 16);
    }
  } else if (n >= 8) {
    std::uint64_t a, b;
    std::memcpy(&a, first, 8);
    std::memcpy(&b, first + n - 8, 8);
    for (; row != end; row += stride) {
      std::memcpy(row, &a, 8);
      std::memcpy(row + n - 8, &b, 8);
    }
  } else if (n >= 4) {
    std::uint32_t a, b;
    std::memcpy(&a, first, 4);
    std::memcpy(&b, first + n - 4, 4);
    for (; row != end; row += stride) {
      std::memcpy(row, &a, 4);
      std::memcpy(row + n - 4, &b, 4);
    }
  } else {
    for (; row != end; row += stride) std::memcpy(row, first, 3);
  }
}

}  // namespace

// Which rows of the bitmap the canvas knows to be equal to the row above, kept up to date by
// every drawing: flag y is set only while row y holds exactly the bytes of row y - 1. Unknown
// (clear) at first; rows filled whole with the same bytes become known equal, and any writing
// clears what it may have changed.
class TRowRepeats {
 public:
  explicit TRowRepeats(int height) : FFlags(static_cast<std::size_t>(std::max(height, 0)), 0) {}

  // Rows [y0, y1) were written in any way: neither they nor the row below them are known equal
  // to the row above.
  void Written(long long y0, long long y1) {
    const long long h = static_cast<long long>(FFlags.size());
    y0 = std::clamp<long long>(y0, 0, h);
    y1 = std::clamp<long long>(y1 + 1, y0, h);
    std::fill(FFlags.begin() + y0, FFlags.begin() + y1, std::uint8_t{0});
  }
  // Rows [y0, y1) got the same bytes in the same columns: between them equality stands as it
  // was, while the first and the row below the last may now differ from the rows above them.
  // Whole rows written so are equal to one another.
  void WrittenAlike(int y0, int y1, bool wholeRows) {
    const int h = static_cast<int>(FFlags.size());
    if (y0 >= y1 || y0 < 0 || y1 > h) {
      Written(y0, y1);
      return;
    }
    if (wholeRows) std::fill(FFlags.begin() + y0 + 1, FFlags.begin() + y1, std::uint8_t{1});
    FFlags[static_cast<std::size_t>(y0)] = 0;
    if (y1 < h) FFlags[static_cast<std::size_t>(y1)] = 0;
  }
  // Whether rows (y0, y1) are all known equal to row y0.
  bool Repeat(int y0, int y1) const {
    return y0 >= 0 && y1 <= static_cast<int>(FFlags.size()) && y0 < y1 &&
           std::all_of(FFlags.begin() + y0 + 1, FFlags.begin() + y1,
                       [](std::uint8_t f) { return f != 0; });
  }
  std::span<const std::uint8_t> Flags() const { return FFlags; }

 private:
  std::vector<std::uint8_t> FFlags;
};

namespace {

// Fills [x0, x1) x [y0, y1), inside the bitmap, with one colour: the first row pixel by pixel
// (or as one run of equal bytes for a grey), the others copied from it.
void FillBlock(TBitmap& bitmap, TRowRepeats& repeats, int x0, int y0, int x1, int y1,
               TColor color) {
  if (x0 >= x1 || y0 >= y1) return;
  repeats.WrittenAlike(y0, y1, x0 == 0 && x1 == bitmap.Width);
  const std::size_t stride = static_cast<std::size_t>(bitmap.Width) * 3;
  const std::size_t bytes = static_cast<std::size_t>(x1 - x0) * 3;
  std::uint8_t* const first =
      bitmap.Rgb.data() + static_cast<std::size_t>(y0) * stride + static_cast<std::size_t>(x0) * 3;
  const auto r = static_cast<std::uint8_t>(ColorR(color));
  const auto g = static_cast<std::uint8_t>(ColorG(color));
  const auto b = static_cast<std::uint8_t>(ColorB(color));
  const std::uint8_t* const end = first + static_cast<std::size_t>(y1 - y0) * stride;
  if (r == g && g == b && bytes >= 4 && bytes <= 16) {
    // A narrow grey block (a bar or a PDF417 module of a few pixels): every byte is the same,
    // so each row takes two overlapping stores of that byte repeated.
    if (bytes >= 8) {
      const std::uint64_t v = 0x0101010101010101ULL * r;
      for (std::uint8_t* row = first; row != end; row += stride) {
        std::memcpy(row, &v, 8);
        std::memcpy(row + bytes - 8, &v, 8);
      }
    } else {
      const std::uint32_t v = 0x01010101U * r;
      for (std::uint8_t* row = first; row != end; row += stride) {
        std::memcpy(row, &v, 4);
        std::memcpy(row + bytes - 4, &v, 4);
      }
    }
    return;
  }
  if (bytes == stride) {
    // Whole rows (the background) are one stretch of memory: one fill, or the first row
    // repeated.
    const std::size_t total = static_cast<std::size_t>(end - first);
    if (r == g && g == b) {
      std::memset(first, r, total);
      return;
    }
    for (std::size_t i = 0; i < bytes; i += 3) {
      first[i] = r;
      first[i + 1] = g;
      first[i + 2] = b;
    }
    RepeatForward(first, bytes, end);
    return;
  }
  if (r == g && g == b) {
    std::memset(first, r, bytes);
  } else {
    for (std::size_t i = 0; i < bytes; i += 3) {
      first[i] = r;
      first[i + 1] = g;
      first[i + 2] = b;
    }
  }
  CopyFirstRow(first, bytes, stride, end);
}

// Sets the pixels [x0, x1) of one row to a colour. Inlined: it runs once for every bar.
[[gnu::always_inline]] inline void FillRowSpan(std::uint8_t* row, int x0, int x1, TColor color) {
  std::uint8_t* const first = row + static_cast<std::size_t>(x0) * 3;
  const std::size_t bytes = static_cast<std::size_t>(x1 - x0) * 3;
  const auto r = static_cast<std::uint8_t>(ColorR(color));
  const auto g = static_cast<std::uint8_t>(ColorG(color));
  const auto b = static_cast<std::uint8_t>(ColorB(color));
  if (r == g && g == b) {
    // Bars of one to ten pixels: two overlapping stores instead of a call.
    if (bytes > 32) {
      std::memset(first, r, bytes);
    } else if (bytes >= 16) {
      struct T16 {
        std::uint64_t A, B;
      };
      const std::uint64_t v = 0x0101010101010101ULL * r;
      const T16 w{v, v};
      std::memcpy(first, &w, 16);
      std::memcpy(first + bytes - 16, &w, 16);
    } else if (bytes >= 8) {
      const std::uint64_t v = 0x0101010101010101ULL * r;
      std::memcpy(first, &v, 8);
      std::memcpy(first + bytes - 8, &v, 8);
    } else if (bytes >= 4) {
      const std::uint32_t v = 0x01010101U * r;
      std::memcpy(first, &v, 4);
      std::memcpy(first + bytes - 4, &v, 4);
    } else {
      first[0] = first[1] = first[2] = r;
    }
    return;
  }
  for (std::size_t i = 0; i < bytes; i += 3) {
    first[i] = r;
    first[i + 1] = g;
    first[i + 2] = b;
  }
}

}  // namespace

// A rectangle of the band filler: inside the bitmap, not empty.
using TBandRect = TRectFill;

// Scratch of the band filler and the text painter, kept by the canvas so that repeated paints
// do not allocate.
struct TBandScratch {
  explicit TBandScratch(int height) : Repeats(height) {}
  TRowRepeats Repeats;
  std::vector<TBandRect> Rects;
  std::vector<int> Edges;
  std::vector<std::size_t> ByTop;
  std::vector<std::size_t> Active;
  // A row of pixels of one colour, to compare the pixels under a glyph with.
  std::vector<std::uint8_t> Plain;
  TColor PlainColor = 0;
};

namespace {

// How far rows (y0, y1) hold the bytes of row y0: not at all, in columns [lo, hi), or whole.
enum class TRepeatsFirst { No, InSpan, Whole };

TRepeatsFirst RowsRepeatFirst(const TBitmap& bitmap, const TRowRepeats& repeats, int y0, int y1,
                              int lo, int hi) {
  if (repeats.Repeat(y0, y1)) return TRepeatsFirst::Whole;
  const std::size_t stride = static_cast<std::size_t>(bitmap.Width) * 3;
  const std::uint8_t* const first = bitmap.Rgb.data() + static_cast<std::size_t>(y0) * stride;
  const std::size_t from = static_cast<std::size_t>(lo) * 3;
  const std::size_t n = static_cast<std::size_t>(hi - lo) * 3;
  // Whole rows are compared as long as they match (the span is most of a row): a band drawn over
  // rows known equal leaves them equal, and the next drawing need not compare them.
  bool whole = true;
  const std::uint8_t* row = first + stride;
  for (int y = y0 + 1; y < y1; ++y, row += stride) {
    if (whole) {
      if (std::memcmp(row, first, stride) == 0) continue;
      whole = false;
    }
    if (std::memcmp(row + from, first + from, n) != 0) return TRepeatsFirst::No;
  }
  return whole ? TRepeatsFirst::Whole : TRepeatsFirst::InSpan;
}

// Shapes in a band from which comparing the rows below beats copying each shape down on its own.
constexpr int kManyShapes = 8;

// Fills rows [y0, y1) of the rectangles that cover them, in drawing order. The band's first row
// is composed shape by shape and copied into the rows below: in one piece when one shape spans
// all the others (a background), otherwise each shape's columns on their own. Copying a shape's
// columns after every shape is composed leaves each pixel with the colour of the last shape over
// it, as filling the shapes one after the other does.
template <class TCovering>
void FillBand(TBitmap& bitmap, TRowRepeats& repeats, int y0, int y1, const TCovering& covering) {
  const std::size_t stride = static_cast<std::size_t>(bitmap.Width) * 3;
  std::uint8_t* const row = bitmap.Rgb.data() + static_cast<std::size_t>(y0) * stride;
  const std::size_t down = static_cast<std::size_t>(y1 - y0) * stride;
  int lo = bitmap.Width, hi = 0;
  bool whole = false;  // one shape spans all the others
  covering([&](const TBandRect& br) {
    const TRect& r = br.R;
    if (r.Left <= lo && r.Right >= hi)
      whole = true;
    else if (r.Left < lo || r.Right > hi)
      whole = false;
    lo = std::min(lo, r.Left);
    hi = std::max(hi, r.Right);
    FillRowSpan(row, r.Left, r.Right, br.Color);
  });
  repeats.WrittenAlike(y0, y1, whole && lo == 0 && hi == bitmap.Width);
  if (y1 - y0 < 2 || lo >= hi) return;
  if (whole) {
    std::uint8_t* const first = row + static_cast<std::size_t>(lo) * 3;
    CopyFirstRow(first, static_cast<std::size_t>(hi - lo) * 3, stride, first + down);
    return;
  }
  covering([&](const TBandRect& br) {
    std::uint8_t* const first = row + static_cast<std::size_t>(br.R.Left) * 3;
    CopyFirstRow(first, static_cast<std::size_t>(br.R.Right - br.R.Left) * 3, stride, first + down);
  });
}

// Rectangles of one colour and one height inside the bitmap (a row of PDF417 modules): the rows
// they cover and the columns from the first one's left to the last one's right.
struct TOneBand {
  int Y0 = 0, Y1 = 0, Lo = 0, Hi = 0;
};
std::optional<TOneBand> OneBandOf(const TBitmap& bitmap, std::span<const TRect> rects) {
  if (rects.empty()) return std::nullopt;
  TOneBand band{rects[0].Top, rects[0].Bottom, bitmap.Width, 0};
  if (band.Y0 < 0 || band.Y1 > bitmap.Height || band.Y0 >= band.Y1) return std::nullopt;
  for (const TRect& r : rects) {
    if (r.Top != band.Y0 || r.Bottom != band.Y1 || r.Left < 0 || r.Right > bitmap.Width ||
        r.Left >= r.Right)
      return std::nullopt;
    band.Lo = std::min(band.Lo, r.Left);
    band.Hi = std::max(band.Hi, r.Right);
  }
  return band;
}

// Such a band, straight from the rectangles. With one colour the order of the rectangles does
// not matter.
void FillOneColourBand(TBitmap& bitmap, TRowRepeats& repeats, std::span<const TRect> rects,
                       const TOneBand& band, TColor color) {
  const int y0 = band.Y0, y1 = band.Y1, lo = band.Lo, hi = band.Hi;
  const std::size_t stride = static_cast<std::size_t>(bitmap.Width) * 3;
  std::uint8_t* const row = bitmap.Rgb.data() + static_cast<std::size_t>(y0) * stride;
  const std::size_t down = static_cast<std::size_t>(y1 - y0) * stride;
  const TRepeatsFirst alike = y1 - y0 >= 2 && static_cast<int>(rects.size()) >= kManyShapes
                                  ? RowsRepeatFirst(bitmap, repeats, y0, y1, lo, hi)
                                  : TRepeatsFirst::No;
  const bool repeated = alike != TRepeatsFirst::No;
  // Whole rows alike before stay alike: the same bytes go into the same columns of each.
  repeats.WrittenAlike(y0, y1, alike == TRepeatsFirst::Whole);
  for (const TRect& r : rects) FillRowSpan(row, r.Left, r.Right, color);
  if (y1 - y0 < 2) return;
  if (repeated) {
    std::uint8_t* const first = row + static_cast<std::size_t>(lo) * 3;
    CopyFirstRow(first, static_cast<std::size_t>(hi - lo) * 3, stride, first + down);
    return;
  }
  for (const TRect& r : rects) {
    std::uint8_t* const first = row + static_cast<std::size_t>(r.Left) * 3;
    CopyFirstRow(first, static_cast<std::size_t>(r.Right - r.Left) * 3, stride, first + down);
  }
}

// Such a band over rows that are still to be filled with paper: the first row is composed of the
// paper and the rectangles and repeated as whole rows, so each pixel is written once.
void FillOneColourBandOverPaper(TBitmap& bitmap, TRowRepeats& repeats, std::span<const TRect> rects,
                                const TOneBand& band, TColor color, TColor paper) {
  const std::size_t stride = static_cast<std::size_t>(bitmap.Width) * 3;
  std::uint8_t* const row = bitmap.Rgb.data() + static_cast<std::size_t>(band.Y0) * stride;
  FillRowSpan(row, 0, bitmap.Width, paper);
  for (const TRect& r : rects) FillRowSpan(row, r.Left, r.Right, color);
  if (band.Y1 - band.Y0 >= 2)
    RepeatForward(row, stride, row + static_cast<std::size_t>(band.Y1 - band.Y0) * stride);
  repeats.WrittenAlike(band.Y0, band.Y1, true);
}

// Fills the rectangles in order. Between two consecutive top or bottom edges the same
// rectangles cover every row, so that stretch of rows is one band: its first row is composed
// and copied into the rows below it. A barcode's background and bars thus cost about one pass
// over the picture instead of one per shape.
void FillBands(TBitmap& bitmap, std::span<const TBandRect> rects, TBandScratch& s) {
  if (rects.empty()) return;
  if (rects.size() == 1) {
    const TRect& r = rects[0].R;
    FillBlock(bitmap, s.Repeats, r.Left, r.Top, r.Right, r.Bottom, rects[0].Color);
    return;
  }
  // Bars of one height over their background, or a row of PDF417 modules: one band.
  const int top = rects[0].R.Top, bottom = rects[0].R.Bottom;
  if (std::all_of(rects.begin(), rects.end(),
                  [&](const TBandRect& r) { return r.R.Top == top && r.R.Bottom == bottom; })) {
    FillBand(bitmap, s.Repeats, top, bottom, [&](auto&& fill) {
      for (const TBandRect& r : rects) fill(r);
    });
    return;
  }
  // Bars mostly share a few heights: collect the distinct edges by looking them up, and only
  // sort them all when there are many (bars turned a quarter, each on its own rows).
  constexpr std::size_t kFewEdges = 12;
  std::vector<int>& edges = s.Edges;
  edges.clear();
  for (std::size_t i = 0; i < rects.size() && edges.size() <= kFewEdges; ++i) {
    for (const int y : {rects[i].R.Top, rects[i].R.Bottom})
      if (std::find(edges.begin(), edges.end(), y) == edges.end()) edges.push_back(y);
  }
  if (edges.size() <= kFewEdges) {
    std::sort(edges.begin(), edges.end());
    for (std::size_t k = 0; k + 1 < edges.size(); ++k) {
      const int y0 = edges[k], y1 = edges[k + 1];
      FillBand(bitmap, s.Repeats, y0, y1, [&](auto&& fill) {
        for (const TBandRect& r : rects)
          if (r.R.Top <= y0 && r.R.Bottom >= y1) fill(r);
      });
    }
    return;
  }
  edges.clear();
  std::vector<std::size_t>& byTop = s.ByTop;
  byTop.resize(rects.size());
  for (std::size_t i = 0; i < rects.size(); ++i) {
    edges.push_back(rects[i].R.Top);
    edges.push_back(rects[i].R.Bottom);
    byTop[i] = i;
  }
  std::sort(edges.begin(), edges.end());
  edges.erase(std::unique(edges.begin(), edges.end()), edges.end());
  std::stable_sort(byTop.begin(), byTop.end(),
                   [&](std::size_t a, std::size_t b) { return rects[a].R.Top < rects[b].R.Top; });
  std::vector<std::size_t>& active = s.Active;  // in drawing order
  active.clear();
  std::size_t next = 0;
  for (std::size_t k = 0; k + 1 < edges.size(); ++k) {
    const int y0 = edges[k], y1 = edges[k + 1];
    std::erase_if(active, [&](std::size_t i) { return rects[i].R.Bottom <= y0; });
    for (; next < byTop.size() && rects[byTop[next]].R.Top <= y0; ++next)
      active.insert(std::lower_bound(active.begin(), active.end(), byTop[next]), byTop[next]);
    FillBand(bitmap, s.Repeats, y0, y1, [&](auto&& fill) {
      for (const std::size_t i : active) fill(rects[i]);
    });
  }
}

// Four corners of a rectangle with sides along the axes, as every bar and background is at a
// quarter turn.
bool IsUprightRect(std::span<const TPoint> p) {
  if (p.size() != 4) return false;
  return (p[0].X == p[1].X && p[1].Y == p[2].Y && p[2].X == p[3].X && p[3].Y == p[0].Y) ||
         (p[0].Y == p[1].Y && p[1].X == p[2].X && p[2].Y == p[3].Y && p[3].X == p[0].X);
}

// The pixels Polygon fills for an upright rectangle: columns from the left edge to the right edge
// minus one, rows likewise, whichever corner comes first.
TRect UprightBounds(std::span<const TPoint> p) {
  return TRect{std::min(p[0].X, p[2].X), std::min(p[0].Y, p[2].Y), std::max(p[0].X, p[2].X),
               std::max(p[0].Y, p[2].Y)};
}

// Pixel counts of the dash styles, on then off alternately.
std::span<const int> DashPattern(TPenStyle style) {
  static constexpr int kDash[] = {18, 6};
  static constexpr int kDot[] = {3, 3};
  static constexpr int kDashDot[] = {9, 6, 3, 6};
  static constexpr int kDashDotDot[] = {9, 3, 3, 3, 3, 3};
  switch (style) {
    case psDash:
      return kDash;
    case psDot:
      return kDot;
    case psDashDot:
      return kDashDot;
    case psDashDotDot:
      return kDashDotDot;
    default:
      return {};
  }
}

bool DashOn(std::span<const int> pattern, long long k) {
  if (pattern.empty()) return true;
  int total = 0;
  for (int n : pattern) total += n;
  long long pos = k % total;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (pos < pattern[i]) return i % 2 == 0;
    pos -= pattern[i];
  }
  return true;
}

// Text is smoothed with 16 levels of coverage: it looks as smooth as with 256, and a caption
// adds at most 14 shades to a picture, so a barcode with its text stays a 16-colour picture,
// whose files are half the data of a 256-colour one.
std::uint8_t CoverageLevel(unsigned char coverage) {
  return static_cast<std::uint8_t>((coverage * 15 + 127) / 255 * 17);
}

}  // namespace

// --- Glyph cache --------------------------------------------------------------------------------

namespace {

// A map of at most a fixed number of entries that drops the one used longest ago. Values never
// move while they are in the map.
template <class TKey, class TValue>
class TLruMap {
 public:
  explicit TLruMap(std::size_t capacity) : FCapacity(capacity) {}

  TValue* Find(const TKey& key) {
    const auto it = FIndex.find(key);
    if (it == FIndex.end()) return nullptr;
    FOrder.splice(FOrder.begin(), FOrder, it->second);
    return &it->second->second;
  }
  // Adds a key that Find did not find; may drop the entry used longest ago.
  TValue& Insert(const TKey& key, TValue value) {
    FOrder.emplace_front(key, std::move(value));
    FIndex.emplace(key, FOrder.begin());
    if (FOrder.size() > FCapacity) {
      FIndex.erase(FOrder.back().first);
      FOrder.pop_back();
    }
    return FOrder.front().second;
  }
  void Clear() {
    FIndex.clear();
    FOrder.clear();
  }

 private:
  using TList = std::list<std::pair<TKey, TValue>>;
  std::size_t FCapacity;
  TList FOrder;  // most recently used first
  std::map<TKey, typename TList::iterator> FIndex;
};

// How many of each the cache keeps: a batch may name thousands of fonts and sizes, a picture
// uses two or three. A face holds its tables (a few hundred KB), a size its rendered glyphs.
constexpr std::size_t kCachedMatches = 256;
constexpr std::size_t kCachedFaces = 32;
constexpr std::size_t kCachedSizes = 48;
// Sizes one process adds to the glyph store: each costs every printable glyph rendered at once,
// which a batch of thousands of sizes should not pay for each, nor churn the store with.
constexpr int kKeptSizes = 8;

}  // namespace

class TGlyphCache {
 public:
  using TMetrics = TFontMetrics;
  struct TGlyph : TGlyphBitmap {
    // The glyph blended in Ink over a plain Paper, Width x Rows RGB pixels, kept for the colours
    // it was last drawn in: a caption on its background is then copied rather than blended.
    struct TBlend {
      bool Made = false;
      TColor Ink = 0;
      TColor Paper = 0;
      std::vector<std::uint8_t> Rgb;
    };
    mutable TBlend Blend;
  };
  // A face open in FreeType, closed when the last size using it and the face cache let go.
  struct TLoadedFace {
    FT_Face Face = nullptr;
    // The size last set on the face: setting one, even the same again, makes FreeType run the
    // font's size program again at the next glyph, which costs more than most glyphs.
    FT_F26Dot6 SetEmPixels64 = 0;
    explicit TLoadedFace(FT_Face face) : Face(face) {}
    ~TLoadedFace() { FT_Done_Face(Face); }
    TLoadedFace(const TLoadedFace&) = delete;
    TLoadedFace& operator=(const TLoadedFace&) = delete;
  };
  // One face at one size; glyphs are rendered on first use for each turn. A size read from the
  // glyph store has no face until it needs a glyph the store does not hold.
  struct TSized {
    std::string File;
    int Index = 0;
    std::shared_ptr<TLoadedFace> Owner;
    FT_Face Face = nullptr;
    bool Embolden = false;
    FT_F26Dot6 EmPixels64 = 0;
    TMetrics Metrics;
    std::map<std::pair<char32_t, int>, TGlyph> Glyphs;
    std::vector<TGlyph> Stored;  // the upright glyphs read from the store
    // Upright ASCII glyphs, what captions are made of, found without a map search (the map's
    // nodes and the stored glyphs never move).
    std::array<const TGlyph*, 128> Upright{};
  };

  // FreeType and fontconfig start when text is first drawn: a picture without text never needs
  // them. Matches fontconfig makes are kept in matchFile (none when empty) for later processes,
  // and the glyphs of each size first rendered in a glyph store beside it.
  explicit TGlyphCache(const std::string& matchFile)
      : FMatchFile(matchFile), FStore(TGlyphStore::BesideMatchFile(matchFile)) {}
  ~TGlyphCache() {
    // Faces close before their library.
    FSized.Clear();
    FFaces.Clear();
    if (FLibrary) FT_Done_FreeType(FLibrary);
    if (FConfig) FcConfigDestroy(FConfig);
  }
  TGlyphCache(const TGlyphCache&) = delete;
  TGlyphCache& operator=(const TGlyphCache&) = delete;

  std::mutex Mutex;

  // The face and size for font; nullptr when no face at all can be loaded.
  TSized* Sized(const TFont& font) {
    const bool bold = (font.Style() & fsBold) != 0;
    const bool italic = (font.Style() & fsItalic) != 0;
    auto key = std::make_tuple(font.Name(), bold, italic, font.Height());
    if (TSized* sized = FSized.Find(key)) return sized;
    const TMatch* match = &Match(font.Name(), bold, italic);
    if (match->File.empty()) return nullptr;
    if (FStore.Enabled()) {
      // A size some process rendered before needs neither the face nor FreeType.
      if (std::optional<TGlyphSet> set = FStore.Read(StoreKey(*match, font.Height()))) {
        TSized sized;
        sized.File = match->File;
        sized.Index = match->Index;
        sized.Embolden = match->Embolden;
        sized.EmPixels64 = static_cast<FT_F26Dot6>(set->EmPixels64);
        sized.Metrics = set->Metrics;
        sized.Stored.resize(set->Glyphs.size());
        for (char32_t ch = TGlyphSet::kFirst; ch <= TGlyphSet::kLast; ++ch) {
          TGlyph& g = sized.Stored[ch - TGlyphSet::kFirst];
          static_cast<TGlyphBitmap&>(g) = std::move(set->Glyphs[ch - TGlyphSet::kFirst]);
          sized.Upright[ch] = &g;
        }
        return &FSized.Insert(std::move(key), std::move(sized));
      }
    }
    std::shared_ptr<TLoadedFace> face = Face(*match);
    if (!face && match->Remembered) {
      // The remembered file no longer loads: fontconfig decides afresh.
      TMatch& again = *FMatches.Find(std::make_tuple(font.Name(), bold, italic));
      again = FindMatch(font.Name(), bold, italic, false);
      match = &again;
      if (!match->File.empty()) face = Face(*match);
    }
    if (!face) return nullptr;
    TSized sized;
    sized.File = match->File;
    sized.Index = match->Index;
    sized.Face = face->Face;
    sized.Owner = std::move(face);
    sized.Embolden = match->Embolden;
    SetupSize(sized, font.Height());
    TSized& s = FSized.Insert(std::move(key), std::move(sized));
    if (FStore.Enabled() && FKept < kKeptSizes) {
      ++FKept;
      Keep(s, StoreKey(*match, font.Height()));
    }
    return &s;
  }

  const TGlyph& Glyph(TSized& sized, char32_t ch, int escapement) {
    const bool ascii = escapement == 0 && ch < 128;
    if (ascii && sized.Upright[ch]) return *sized.Upright[ch];
    const TGlyph& g = FindOrMakeGlyph(sized, ch, escapement);
    if (ascii) sized.Upright[ch] = &g;
    return g;
  }

  const TGlyph& FindOrMakeGlyph(TSized& sized, char32_t ch, int escapement) {
    const auto key = std::make_pair(ch, escapement);
    if (auto it = sized.Glyphs.find(key); it != sized.Glyphs.end()) return it->second;
    int turn = escapement % 3600;
    if (turn < 0) turn += 3600;
    if (turn != 0 && turn % 900 == 0) {
      // Quarter turns reuse the upright rendering, so turned captions keep its hinting.
      TGlyph g = Turned(Glyph(sized, ch, 0), turn / 900);
      return sized.Glyphs.emplace(key, std::move(g)).first->second;
    }
    TGlyph g;
    if (!sized.Face) {
      // A size from the store opens its face for the first glyph the store lacks.
      sized.Owner = Face(TMatch{sized.File, sized.Index, sized.Embolden, false});
      if (!sized.Owner) return sized.Glyphs.emplace(key, std::move(g)).first->second;
      sized.Face = sized.Owner->Face;
    }
    FT_Face face = sized.Face;
    if (sized.Owner->SetEmPixels64 != sized.EmPixels64) {
      FT_Set_Char_Size(face, 0, sized.EmPixels64, 72, 72);
      sized.Owner->SetEmPixels64 = sized.EmPixels64;
    }
    const auto [c, s] = CosSin(escapement);
    FT_Matrix m;
    m.xx = static_cast<FT_Fixed>(std::lround(c * 65536.0));
    m.xy = static_cast<FT_Fixed>(std::lround(-s * 65536.0));
    m.yx = static_cast<FT_Fixed>(std::lround(s * 65536.0));
    m.yy = static_cast<FT_Fixed>(std::lround(c * 65536.0));
    FT_Set_Transform(face, &m, nullptr);
    const FT_UInt index = FT_Get_Char_Index(face, ch);
    if (FT_Load_Glyph(face, index, FT_LOAD_DEFAULT | FT_LOAD_NO_BITMAP) == 0) {
      FT_GlyphSlot slot = face->glyph;
      if (sized.Embolden) FT_GlyphSlot_Embolden(slot);
      g.Advance = static_cast<int>((slot->metrics.horiAdvance + 32) >> 6);
      if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) == 0) {
        const FT_Bitmap& bm = slot->bitmap;
        g.Left = slot->bitmap_left;
        g.Top = -slot->bitmap_top;
        g.Width = static_cast<int>(bm.width);
        g.Rows = static_cast<int>(bm.rows);
        g.Coverage.resize(static_cast<std::size_t>(g.Width) * static_cast<std::size_t>(g.Rows));
        for (int r = 0; r < g.Rows; ++r)
          for (int x = 0; x < g.Width; ++x)
            g.Coverage[static_cast<std::size_t>(r * g.Width + x)] =
                CoverageLevel(bm.buffer[r * bm.pitch + x]);
      }
    }
    FT_Set_Transform(face, nullptr, nullptr);
    return sized.Glyphs.emplace(key, std::move(g)).first->second;
  }

 private:
  // The glyph turned counter-clockwise on screen by quarter quarter turns: pixel squares map
  // onto pixel squares, so nothing is resampled.
  static TGlyph Turned(const TGlyph& up, int quarters) {
    TGlyph g;
    g.Advance = up.Advance;
    const bool swap = quarters % 2 == 1;
    g.Width = swap ? up.Rows : up.Width;
    g.Rows = swap ? up.Width : up.Rows;
    switch (quarters) {
      case 1:
        g.Left = up.Top;
        g.Top = -up.Left - up.Width;
        break;
      case 2:
        g.Left = -up.Left - up.Width;
        g.Top = -up.Top - up.Rows;
        break;
      default:
        g.Left = -up.Top - up.Rows;
        g.Top = up.Left;
        break;
    }
    g.Coverage.resize(up.Coverage.size());
    for (int r = 0; r < up.Rows; ++r)
      for (int c = 0; c < up.Width; ++c) {
        int c2 = 0, r2 = 0;
        switch (quarters) {
          case 1:
            c2 = r;
            r2 = up.Width - 1 - c;
            break;
          case 2:
            c2 = up.Width - 1 - c;
            r2 = up.Rows - 1 - r;
            break;
          default:
            c2 = up.Rows - 1 - r;
            r2 = c;
            break;
        }
        g.Coverage[static_cast<std::size_t>(r2 * g.Width + c2)] =
            up.Coverage[static_cast<std::size_t>(r * up.Width + c)];
      }
    return g;
  }

  // The installed face fontconfig picks for a name and style; File is empty when none.
  struct TMatch {
    std::string File;
    int Index = 0;
    bool Embolden = false;
    bool Remembered = false;  // read from the match file rather than made by fontconfig now
  };

  // The font file's stamp is the one the match file checked (or took when fontconfig made the
  // match): a font file changed since then has a key of its own.
  TGlyphKey StoreKey(const TMatch& match, int height) {
    const std::optional<TFileStamp> stamp = FMatchFile.Stamp(match.File);
    return TGlyphKey{match.File, stamp ? *stamp : StampOf(match.File), match.Index, match.Embolden,
                     height};
  }

  // Renders the upright printable ASCII of a size just made from its face, all at once, and
  // keeps them in the store for later processes.
  void Keep(TSized& sized, const TGlyphKey& key) {
    TGlyphSet set;
    set.Metrics = sized.Metrics;
    set.EmPixels64 = sized.EmPixels64;
    for (char32_t ch = TGlyphSet::kFirst; ch <= TGlyphSet::kLast; ++ch)
      set.Glyphs[ch - TGlyphSet::kFirst] = Glyph(sized, ch, 0);
    FStore.Write(key, set);
  }

  const TMatch& Match(const std::string& name, bool bold, bool italic) {
    auto key = std::make_tuple(name, bold, italic);
    if (const TMatch* match = FMatches.Find(key)) return *match;
    return FMatches.Insert(std::move(key), FindMatch(name, bold, italic, true));
  }

  FT_Library Library() {
    if (!FLibrary && FT_Init_FreeType(&FLibrary) != 0) {
      FLibrary = nullptr;
      throw std::runtime_error("FreeType did not start");
    }
    return FLibrary;
  }

  // A configuration of our own, released with the cache, rather than fontconfig's global one.
  FcConfig* Config() {
    if (!FConfig) FConfig = FcInitLoadConfigAndFonts();
    return FConfig;
  }

  // Everything whose change could change what fontconfig picks: its configuration files and
  // folders, the user's configuration whether present or not, and the font folders.
  std::vector<std::string> WatchedPaths() {
    std::vector<std::string> paths;
    auto add = [&](FcStrList* list) {
      if (!list) return;
      while (const FcChar8* s = FcStrListNext(list))
        paths.emplace_back(reinterpret_cast<const char*>(s));
      FcStrListDone(list);
    };
    add(FcConfigGetConfigFiles(FConfig));
    add(FcConfigGetConfigDirs(FConfig));
    add(FcConfigGetFontDirs(FConfig));
    std::string config;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && xdg[0] == '/')
      config = xdg;
    else if (const char* home = std::getenv("HOME"); home && home[0] == '/')
      config = std::string(home) + "/.config";
    if (!config.empty())
      for (const char* leaf : {"", "/fonts.conf", "/conf.d"})
        paths.push_back(config + "/fontconfig" + leaf);
    if (const char* home = std::getenv("HOME"); home && home[0] == '/')
      for (const char* leaf : {"/.fonts.conf", "/.fonts.conf.d"})
        paths.push_back(home + std::string(leaf));
    return paths;
  }

  // Names that stand for the same installed face share one open face.
  std::shared_ptr<TLoadedFace> Face(const TMatch& match) {
    auto key = std::make_pair(match.File, match.Index);
    if (auto* face = FFaces.Find(key)) return *face;
    FT_Face face = nullptr;
    if (FT_New_Face(Library(), match.File.c_str(), match.Index, &face) != 0) return nullptr;
    FT_Select_Charmap(face, FT_ENCODING_UNICODE);
    return FFaces.Insert(std::move(key), std::make_shared<TLoadedFace>(face));
  }

  // fontconfig picks the installed face that stands in for the name (a metric-compatible
  // substitute when the face itself is absent); the match file remembers its earlier picks.
  TMatch FindMatch(const std::string& name, bool bold, bool italic, bool remembered) {
    TMatch out;
    const TFontRequest request{name, bold, italic};
    if (remembered) {
      if (std::optional<TFontMatch> m = FMatchFile.Find(request)) {
        out.File = std::move(m->File);
        out.Index = m->Index;
        out.Embolden = m->Embolden;
        out.Remembered = true;
        return out;
      }
    }
    Config();
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(name.c_str()));
    FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(FConfig, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(FConfig, pattern, &result);
    if (match) {
      FcChar8* file = nullptr;
      FcBool embolden = FcFalse;
      if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) {
        out.File = reinterpret_cast<const char*>(file);
        FcPatternGetInteger(match, FC_INDEX, 0, &out.Index);
        FcPatternGetBool(match, FC_EMBOLDEN, 0, &embolden);
        out.Embolden = embolden == FcTrue;
      }
      FcPatternDestroy(match);
    }
    FcPatternDestroy(pattern);
    if (!out.File.empty() && FConfig)
      FMatchFile.Add(request, TFontMatch{out.File, out.Index, out.Embolden}, WatchedPaths());
    return out;
  }

  // A negative height is the em height in pixels, a positive one the cell height (ascent plus
  // descent), as the platform's logical fonts have it.
  static void SetupSize(TSized& sized, int height) {
    FT_Face face = sized.Face;
    const double upem = face->units_per_EM > 0 ? face->units_per_EM : 2048;
    double ascender = face->ascender;
    double descender = -face->descender;
    double strikePos = upem * 0.26;
    double strikeSize = upem * 0.05;
    if (const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2))) {
      if (os2->usWinAscent + os2->usWinDescent > 0) {
        ascender = os2->usWinAscent;
        descender = os2->usWinDescent;
      }
      if (os2->yStrikeoutSize > 0) {
        strikePos = os2->yStrikeoutPosition;
        strikeSize = os2->yStrikeoutSize;
      }
    }
    if (ascender + descender <= 0) {
      ascender = upem * 0.9;
      descender = upem * 0.2;
    }
    double em = kDefaultEmPixels;
    TMetrics& m = sized.Metrics;
    height = std::clamp(height, -kMaxCellPixels, kMaxCellPixels);
    if (height < 0) {
      em = -static_cast<double>(height);
      m.Ascent = static_cast<int>(std::lround(ascender * em / upem));
      m.Descent = static_cast<int>(std::lround(descender * em / upem));
    } else {
      const double cell =
          height > 0 ? height : std::round(kDefaultEmPixels * (ascender + descender) / upem);
      em = cell * upem / (ascender + descender);
      m.Ascent = static_cast<int>(std::lround(ascender * em / upem));
      m.Descent = static_cast<int>(cell) - m.Ascent;
    }
    sized.EmPixels64 = static_cast<FT_F26Dot6>(std::lround(em * 64.0));
    const double scale = em / upem;
    m.UnderlinePos = std::max(1, static_cast<int>(std::lround(-face->underline_position * scale)));
    m.UnderlineThickness =
        std::max(1, static_cast<int>(std::lround(face->underline_thickness * scale)));
    m.StrikePos = static_cast<int>(std::lround(strikePos * scale));
    m.StrikeThickness = std::max(1, static_cast<int>(std::lround(strikeSize * scale)));
  }

  FT_Library FLibrary = nullptr;
  FcConfig* FConfig = nullptr;
  TFontMatchFile FMatchFile;
  TGlyphStore FStore;
  int FKept = 0;
  TLruMap<std::tuple<std::string, bool, bool>, TMatch> FMatches{kCachedMatches};
  TLruMap<std::pair<std::string, int>, std::shared_ptr<TLoadedFace>> FFaces{kCachedFaces};
  TLruMap<std::tuple<std::string, bool, bool, int>, TSized> FSized{kCachedSizes};
};

std::shared_ptr<TGlyphCache> TRasterCanvas::SharedGlyphCache() {
  static const std::shared_ptr<TGlyphCache> cache = NewGlyphCache(TFontMatchFile::DefaultPath());
  return cache;
}

std::shared_ptr<TGlyphCache> TRasterCanvas::NewGlyphCache(std::string matchFile) {
  return std::make_shared<TGlyphCache>(std::move(matchFile));
}

// --- Canvas -----------------------------------------------------------------------------------

TRasterCanvas::TRasterCanvas(TBitmap& bitmap) : TRasterCanvas(bitmap, SharedGlyphCache()) {}

TRasterCanvas::TRasterCanvas(TBitmap& bitmap, std::shared_ptr<TGlyphCache> cache)
    : FBitmap(bitmap),
      FCache(std::move(cache)),
      FBands(std::make_unique<TBandScratch>(bitmap.Height)) {}

TRasterCanvas::~TRasterCanvas() {
  Settle();
}

void TRasterCanvas::ClearTo(TColor color) {
  FPendingFill = color;
  FUnfilled.assign(static_cast<std::size_t>(std::max(FBitmap.Height, 0)), 1);
}

void TRasterCanvas::Settle() {
  if (!FPendingFill) return;
  const TColor color = *FPendingFill;
  FPendingFill.reset();
  // The rows still to be filled, a run of them at a time.
  const int height = std::min(FBitmap.Height, static_cast<int>(FUnfilled.size()));
  for (int y = 0; y < height;) {
    if (!FUnfilled[static_cast<std::size_t>(y)]) {
      ++y;
      continue;
    }
    int end = y + 1;
    while (end < height && FUnfilled[static_cast<std::size_t>(end)]) ++end;
    FillBlock(FBitmap, FBands->Repeats, 0, y, FBitmap.Width, end, color);
    y = end;
  }
  FUnfilled.clear();
}

TBitmap& TRasterCanvas::Bitmap() {
  Settle();
  FBands->Repeats.Written(0, FBitmap.Height);
  return FBitmap;
}

std::span<const std::uint8_t> TRasterCanvas::RowRepeats() {
  Settle();
  return FBands->Repeats.Flags();
}

void TRasterCanvas::SettleUnder(const TRect& bounds) {
  if (FPendingFill && Brush.Style != bsClear && bounds.Left <= 0 && bounds.Top <= 0 &&
      bounds.Right >= FBitmap.Width && bounds.Bottom >= FBitmap.Height) {
    FPendingFill.reset();
    FUnfilled.clear();
  }
  Settle();
}

void TRasterCanvas::FillPolygon(std::span<const TPoint> points, TColor color, const TRect& clip) {
  const TRect c = Intersect(clip, TRect{0, 0, FBitmap.Width, FBitmap.Height});
  if (points.size() < 3 || c.Left >= c.Right || c.Top >= c.Bottom) return;
  if (IsUprightRect(points)) {
    // The pixels the scan below finds for such a shape, filled a block at a time.
    const TRect r = Intersect(c, UprightBounds(points));
    FillBlock(FBitmap, FBands->Repeats, r.Left, r.Top, r.Right, r.Bottom, color);
    return;
  }
  long long minY = points[0].Y, maxY = points[0].Y;
  for (const TPoint& p : points) {
    minY = std::min<long long>(minY, p.Y);
    maxY = std::max<long long>(maxY, p.Y);
  }
  const int y0 = static_cast<int>(std::max<long long>(minY, c.Top));
  const int y1 = static_cast<int>(std::min<long long>(maxY, c.Bottom));
  FBands->Repeats.Written(y0, y1);
  std::vector<double> xs;
  // A pixel belongs to the polygon when its centre lies inside (even-odd rule); this puts an
  // axis-aligned edge at x on column x when it opens the shape and on x - 1 when it closes it.
  for (int y = y0; y < y1; ++y) {
    const double yc = y + 0.5;
    xs.clear();
    for (std::size_t i = 0; i < points.size(); ++i) {
      const TPoint& a = points[i];
      const TPoint& b = points[(i + 1) % points.size()];
      if (a.Y == b.Y) continue;
      const double ya = a.Y, yb = b.Y;
      if (yc < std::min(ya, yb) || yc >= std::max(ya, yb)) continue;
      xs.push_back(a.X + (yc - ya) * (static_cast<double>(b.X) - a.X) / (yb - ya));
    }
    std::sort(xs.begin(), xs.end());
    for (std::size_t i = 0; i + 1 < xs.size(); i += 2) {
      const int from = std::max(c.Left, ClampToInt(std::ceil(xs[i] - 0.5)));
      const int to = std::min(c.Right, ClampToInt(std::ceil(xs[i + 1] - 0.5)));
      for (int x = from; x < to; ++x) FBitmap.SetPixel(x, y, color);
    }
  }
}

void TRasterCanvas::PlotPen(int x, int y) {
  if (x < 0 || y < 0 || x >= FBitmap.Width || y >= FBitmap.Height) return;
  FBands->Repeats.Written(y, y + 1);
  switch (Pen.Mode) {
    case pmNot:
      FBitmap.SetPixel(x, y, ~FBitmap.Pixel(x, y) & 0xFFFFFF);
      break;
    case pmXor:
      FBitmap.SetPixel(x, y, (FBitmap.Pixel(x, y) ^ Pen.Color) & 0xFFFFFF);
      break;
    default:
      FBitmap.SetPixel(x, y, Pen.Color);
      break;
  }
}

namespace {

// The pixels a pen of the given width and style covers along a segment, clipped to the bitmap
// grown by the pen width. includeLast: the end point too (polygon outlines).
void PenPixels(int x1, int y1, int x2, int y2, const TPen& pen, int width, int height,
               bool includeLast, std::vector<std::pair<int, int>>& out) {
  const long long dx = static_cast<long long>(x2) - x1, dy = static_cast<long long>(y2) - y1;
  const long long steps = std::max(std::llabs(dx), std::llabs(dy));
  const double stepsD = static_cast<double>(steps);
  const int w = std::max(1, pen.Width);
  const int lo = -(w / 2), hi = (w - 1) / 2;
  const double margin = w + 1;
  // Clip the parameter range to the grown bitmap so far-off coordinates cost nothing.
  double t0 = 0.0, t1 = 1.0;
  auto clip = [&](double p, double q) {
    if (p == 0) return q >= 0;
    const double r = q / p;
    if (p < 0) {
      if (r > t1) return false;
      t0 = std::max(t0, r);
    } else {
      if (r < t0) return false;
      t1 = std::min(t1, r);
    }
    return true;
  };
  if (!clip(-static_cast<double>(dx), x1 + margin) ||
      !clip(static_cast<double>(dx), width + margin - x1) ||
      !clip(-static_cast<double>(dy), y1 + margin) ||
      !clip(static_cast<double>(dy), height + margin - y1))
    return;
  long long kFrom = 0, kTo = includeLast ? steps : steps - 1;
  if (steps > 0) {
    kFrom = std::max<long long>(0, static_cast<long long>(std::floor(t0 * stepsD)) - 1);
    kTo = std::min<long long>(kTo, static_cast<long long>(std::ceil(t1 * stepsD)) + 1);
  }
  const auto dashes = DashPattern(pen.Style);
  for (long long k = kFrom; k <= kTo; ++k) {
    if (!DashOn(dashes, k)) continue;
    long long x = x1, y = y1;
    if (steps > 0) {
      x += static_cast<long long>(
          std::llround(static_cast<double>(k) * static_cast<double>(dx) / stepsD));
      y += static_cast<long long>(
          std::llround(static_cast<double>(k) * static_cast<double>(dy) / stepsD));
    }
    for (int oy = lo; oy <= hi; ++oy)
      for (int ox = lo; ox <= hi; ++ox) {
        const long long px = x + ox, py = y + oy;
        if (px >= 0 && py >= 0 && px < width && py < height)
          out.emplace_back(static_cast<int>(px), static_cast<int>(py));
      }
  }
}

}  // namespace

void TRasterCanvas::Polygon(std::span<const TPoint> points) {
  Settle();
  if (Brush.Style != bsClear)
    FillPolygon(points, Brush.Color, TRect{0, 0, FBitmap.Width, FBitmap.Height});
  if (Pen.Style == psClear || points.empty()) return;
  std::vector<std::pair<int, int>> pixels;
  for (std::size_t i = 0; i < points.size(); ++i) {
    const TPoint& a = points[i];
    const TPoint& b = points[(i + 1) % points.size()];
    PenPixels(a.X, a.Y, b.X, b.Y, Pen, FBitmap.Width, FBitmap.Height, true, pixels);
  }
  std::sort(pixels.begin(), pixels.end());
  pixels.erase(std::unique(pixels.begin(), pixels.end()), pixels.end());
  for (auto [x, y] : pixels) PlotPen(x, y);
}

void TRasterCanvas::FillRect(const TRect& r) {
  SettleUnder(r);
  if (Brush.Style == bsClear) return;
  const TRect c = Intersect(r, TRect{0, 0, FBitmap.Width, FBitmap.Height});
  FillBlock(FBitmap, FBands->Repeats, c.Left, c.Top, c.Right, c.Bottom, Brush.Color);
}

void TRasterCanvas::FillRects(std::span<const TRect> rects) {
  const std::optional<TOneBand> band =
      Brush.Style == bsClear ? std::nullopt : OneBandOf(FBitmap, rects);
  if (band && FPendingFill && static_cast<std::size_t>(band->Y1) <= FUnfilled.size() &&
      std::all_of(FUnfilled.begin() + band->Y0, FUnfilled.begin() + band->Y1,
                  [](std::uint8_t f) { return f != 0; })) {
    // A band over rows the pending fill has not reached (a PDF417 row in an export): written
    // once, the fill's colour under the rectangles, and left out of the fill that comes later.
    FillOneColourBandOverPaper(FBitmap, FBands->Repeats, rects, *band, Brush.Color, *FPendingFill);
    std::fill(FUnfilled.begin() + band->Y0, FUnfilled.begin() + band->Y1, std::uint8_t{0});
    return;
  }
  Settle();
  if (Brush.Style == bsClear) return;
  if (band) {
    FillOneColourBand(FBitmap, FBands->Repeats, rects, *band, Brush.Color);
    return;
  }
  const TRect bounds{0, 0, FBitmap.Width, FBitmap.Height};
  std::vector<TBandRect>& out = FBands->Rects;
  out.clear();
  for (const TRect& r : rects) {
    const TRect c = Intersect(bounds, r);
    if (c.Left < c.Right && c.Top < c.Bottom) out.push_back({c, Brush.Color});
  }
  FillBands(FBitmap, out, *FBands);
}

void TRasterCanvas::SettleBeforeBatch(const std::optional<TRect>& first) {
  // The first shape is filled first: when it is the whole bitmap, nothing shows the fill.
  if (first)
    SettleUnder(*first);
  else
    Settle();
}

void TRasterCanvas::FillQuads(std::span<const TQuadFill> quads) {
  SettleBeforeBatch(!quads.empty() && IsUprightRect(quads[0].Corners)
                        ? std::optional<TRect>(UprightBounds(quads[0].Corners))
                        : std::nullopt);
  if (Brush.Style == bsClear) {
    TCanvas::FillQuads(quads);
    return;
  }
  // The pixels of each quad as a rectangle clipped to the bitmap, as long as every quad is an
  // upright rectangle; otherwise each goes through the polygon fill.
  const int width = FBitmap.Width, height = FBitmap.Height;
  std::vector<TBandRect>& rects = FBands->Rects;
  rects.resize(quads.size());
  TBandRect* out = rects.data();
  for (const TQuadFill& q : quads) {
    const TPoint* p = q.Corners;
    // Corners in the order an unturned rectangle gives them, else any upright order.
    if (!(p[0].Y == p[1].Y && p[1].X == p[2].X && p[2].Y == p[3].Y && p[3].X == p[0].X) &&
        !IsUprightRect(q.Corners)) {
      TCanvas::FillQuads(quads);
      return;
    }
    const TRect r{std::max(0, std::min(p[0].X, p[2].X)), std::max(0, std::min(p[0].Y, p[2].Y)),
                  std::min(width, std::max(p[0].X, p[2].X)),
                  std::min(height, std::max(p[0].Y, p[2].Y))};
    if (r.Left < r.Right && r.Top < r.Bottom) *out++ = {r, q.Color};
  }
  rects.resize(static_cast<std::size_t>(out - rects.data()));
  FillBands(FBitmap, rects, *FBands);
  Pen.Style = psClear;
  if (!quads.empty()) Brush.Color = quads.back().Color;
}

void TRasterCanvas::FillUprightQuads(std::span<const TRectFill> fills) {
  const auto upright = [](const TRect& r) {  // the pixels Polygon fills, whichever way round
    return TRect{std::min(r.Left, r.Right), std::min(r.Top, r.Bottom), std::max(r.Left, r.Right),
                 std::max(r.Top, r.Bottom)};
  };
  SettleBeforeBatch(fills.empty() ? std::nullopt : std::optional<TRect>(upright(fills[0].R)));
  if (Brush.Style == bsClear) {
    TCanvas::FillUprightQuads(fills);
    return;
  }
  // A barcode's rectangles are already inside the bitmap and the right way round, and go to the
  // band filler as they are; otherwise each is put right and clipped.
  const int width = FBitmap.Width, height = FBitmap.Height;
  bool asGiven = true;
  for (const TRectFill& f : fills) {
    const TRect& r = f.R;
    asGiven &= (r.Left >= 0) & (r.Top >= 0) & (r.Right <= width) & (r.Bottom <= height) &
               (r.Left < r.Right) & (r.Top < r.Bottom);
  }
  std::span<const TBandRect> rects = fills;
  if (!asGiven) {
    std::vector<TBandRect>& out = FBands->Rects;
    out.clear();
    for (const TRectFill& f : fills) {
      const TRect c = Intersect(upright(f.R), TRect{0, 0, width, height});
      if (c.Left < c.Right && c.Top < c.Bottom) out.push_back({c, f.Color});
    }
    rects = out;
  }
  FillBands(FBitmap, rects, *FBands);
  Pen.Style = psClear;
  if (!fills.empty()) Brush.Color = fills.back().Color;
}

void TRasterCanvas::Line(int x1, int y1, int x2, int y2) {
  Settle();
  if (Pen.Style == psClear) return;
  std::vector<std::pair<int, int>> pixels;
  PenPixels(x1, y1, x2, y2, Pen, FBitmap.Width, FBitmap.Height, false, pixels);
  std::sort(pixels.begin(), pixels.end());
  pixels.erase(std::unique(pixels.begin(), pixels.end()), pixels.end());
  for (auto [x, y] : pixels) PlotPen(x, y);
}

TSize TRasterCanvas::TextExtent(std::string_view text) {
  std::lock_guard lock(FCache->Mutex);
  TGlyphCache::TSized* sized = FCache->Sized(Font);
  if (!sized) return {};
  int cx = 0;
  for (char c : text) cx += FCache->Glyph(*sized, CodePoint(c), 0).Advance;
  return TSize{cx, sized->Metrics.Ascent + sized->Metrics.Descent};
}

namespace {

// One channel of ink over dst at coverage a: 0 keeps dst, 255 gives the ink exactly, and every
// level between rounds to the nearest value.
std::uint8_t Blend(int dst, int ink, int a) {
  return static_cast<std::uint8_t>((dst * (255 - a) + ink * a + 127) / 255);
}

// Makes g's blend for ink over paper when it holds other colours.
void MakeBlend(const TGlyphCache::TGlyph& g, TColor ink, TColor paper) {
  TGlyphCache::TGlyph::TBlend& b = g.Blend;
  if (b.Made && b.Ink == ink && b.Paper == paper) return;
  const int src[3] = {ColorR(ink), ColorG(ink), ColorB(ink)};
  const int dst[3] = {ColorR(paper), ColorG(paper), ColorB(paper)};
  b.Rgb.resize(g.Coverage.size() * 3);
  for (std::size_t i = 0; i < g.Coverage.size(); ++i)
    for (int k = 0; k < 3; ++k) b.Rgb[i * 3 + k] = Blend(dst[k], src[k], g.Coverage[i]);
  b.Made = true;
  b.Ink = ink;
  b.Paper = paper;
}

}  // namespace

void TRasterCanvas::DrawText(int x, int y, std::string_view text, int escapement,
                             const TRect& clip) {
  std::lock_guard lock(FCache->Mutex);
  TGlyphCache::TSized* sized = FCache->Sized(Font);
  if (!sized) return;
  const TGlyphCache::TMetrics& m = sized->Metrics;
  int cx = 0;
  for (char c : text) cx += FCache->Glyph(*sized, CodePoint(c), 0).Advance;
  const int cy = m.Ascent + m.Descent;
  // Text that cannot reach the bitmap is skipped before any coordinate arithmetic could overflow.
  const long long reach = static_cast<long long>(cx) + cy + 2LL * std::abs(m.Ascent) + 16;
  if (x + reach < 0 || y + reach < 0 || x - reach > FBitmap.Width || y - reach > FBitmap.Height)
    return;

  // Offset of the text cell's top-left corner from the reference point, unturned.
  int u0 = 0, v0 = 0;
  if ((TextAlign & kTaCenter) == kTaCenter)
    u0 = -cx / 2;
  else if (TextAlign & kTaRight)
    u0 = -cx;
  if ((TextAlign & kTaBaseline) == kTaBaseline)
    v0 = -m.Ascent;
  else if (TextAlign & kTaBottom)
    v0 = -cy;

  const auto [cs, sn] = CosSin(escapement);
  const TTurn turn{cs, sn};
  auto at = [&](double u, double v) {
    return TPoint{x + static_cast<int>(std::lround(turn.X(u, v))),
                  y + static_cast<int>(std::lround(turn.Y(u, v)))};
  };
  auto fillCell = [&](double u, double v, double w, double h, TColor color) {
    const TPoint quad[4] = {at(u, v), at(u + w, v), at(u + w, v + h), at(u, v + h)};
    FillPolygon(quad, color, clip);
  };

  if (BkMode == bkOpaque) fillCell(u0, v0, cx, cy, Brush.Color);

  const TRect c = Intersect(clip, TRect{0, 0, FBitmap.Width, FBitmap.Height});
  const TColor color = Font.Color();
  int pen = 0;
  for (char ch : text) {
    const TGlyphCache::TGlyph& g = FCache->Glyph(*sized, CodePoint(ch), escapement);
    const TPoint origin = at(u0 + pen, v0 + m.Ascent);
    pen += FCache->Glyph(*sized, CodePoint(ch), 0).Advance;
    // The glyph's rows and columns that land inside the clip, found once per glyph. Widened:
    // an origin far outside the bitmap must not overflow.
    const long long gx = static_cast<long long>(origin.X) + g.Left;
    const long long gy = static_cast<long long>(origin.Y) + g.Top;
    const int r0 = static_cast<int>(std::clamp<long long>(c.Top - gy, 0, g.Rows));
    const int r1 = static_cast<int>(std::clamp<long long>(c.Bottom - gy, 0, g.Rows));
    const int c0 = static_cast<int>(std::clamp<long long>(c.Left - gx, 0, g.Width));
    const int c1 = static_cast<int>(std::clamp<long long>(c.Right - gx, 0, g.Width));
    if (r0 >= r1 || c0 >= c1) continue;
    FBands->Repeats.Written(gy + r0, gy + r1);
    const int src[3] = {static_cast<int>(ColorR(color)), static_cast<int>(ColorG(color)),
                        static_cast<int>(ColorB(color))};
    const std::size_t stride = static_cast<std::size_t>(FBitmap.Width) * 3;
    const std::size_t cols = static_cast<std::size_t>(c1 - c0);
    std::uint8_t* const corner = FBitmap.Rgb.data() + static_cast<std::size_t>(gy + r0) * stride +
                                 static_cast<std::size_t>(gx + c0) * 3;
    if (PlainUnder(corner, cols, r1 - r0)) {
      // Every pixel under the glyph has the colour of its first one: the blend over that colour,
      // made once for the glyph, is the result row by row.
      MakeBlend(g, color, RGBColor(corner[0], corner[1], corner[2]));
      const std::uint8_t* from =
          g.Blend.Rgb.data() + (static_cast<std::size_t>(r0) * static_cast<std::size_t>(g.Width) +
                                static_cast<std::size_t>(c0)) *
                                   3;
      std::uint8_t* to = corner;
      for (int r = r0; r < r1; ++r, from += static_cast<std::size_t>(g.Width) * 3, to += stride)
        std::memcpy(to, from, cols * 3);
      continue;
    }
    for (int r = r0; r < r1; ++r) {
      const std::uint8_t* const cover =
          g.Coverage.data() + static_cast<std::size_t>(r) * static_cast<std::size_t>(g.Width);
      std::uint8_t* const line = FBitmap.Rgb.data() + static_cast<std::size_t>(gy + r) * stride;
      for (int col = c0; col < c1; ++col) {
        const int a = cover[col];
        if (a == 0) continue;
        std::uint8_t* const px = line + static_cast<std::size_t>(gx + col) * 3;
        for (int k = 0; k < 3; ++k) {
          const int dst = px[k];
          px[k] = Blend(dst, src[k], a);
        }
      }
    }
  }
  if (Font.Style() & fsUnderline)
    fillCell(u0, v0 + m.Ascent + m.UnderlinePos, cx, m.UnderlineThickness, color);
  if (Font.Style() & fsStrikeOut)
    fillCell(u0, v0 + m.Ascent - m.StrikePos, cx, m.StrikeThickness, color);
}

bool TRasterCanvas::PlainUnder(const std::uint8_t* corner, std::size_t cols, int rows) {
  const std::size_t bytes = cols * 3;
  std::vector<std::uint8_t>& plain = FBands->Plain;
  const TColor color = RGBColor(corner[0], corner[1], corner[2]);
  if (plain.size() < bytes || FBands->PlainColor != color) {
    plain.resize(std::max(plain.size(), bytes));
    for (std::size_t i = 0; i < plain.size(); i += 3) {
      plain[i] = corner[0];
      plain[i + 1] = corner[1];
      plain[i + 2] = corner[2];
    }
    FBands->PlainColor = color;
  }
  const std::size_t stride = static_cast<std::size_t>(FBitmap.Width) * 3;
  for (int r = 0; r < rows; ++r, corner += stride)
    if (std::memcmp(corner, plain.data(), bytes) != 0) return false;
  return true;
}

void TRasterCanvas::TextOut(int x, int y, std::string_view text) {
  Settle();
  DrawText(x, y, text, Font.Escapement(), TRect{0, 0, FBitmap.Width, FBitmap.Height});
}

void TRasterCanvas::DrawTextCentered(const TRect& r, std::string_view text) {
  Settle();
  const unsigned align = TextAlign;
  TextAlign = kTaLeft | kTaTop;
  const int lineHeight = TextHeight("Wg");
  int y = r.Top;
  for (const std::string& line : WrapLines(r.Width(), text)) {
    const int x = r.Left + (r.Width() - TextWidth(line)) / 2;
    DrawText(x, y, line, 0, r);
    y += lineHeight;
  }
  TextAlign = align;
}

}  // namespace brevix
