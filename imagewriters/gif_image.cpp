#include "imagewriters/gif_image.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cstddef>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "imagewriters/image_file.h"

namespace brevix {

int TGifImage::BitsPerPixel() const {
  const std::size_t n = Palette.size();
  if (n <= 2) return 1;
  if (n <= 4) return 2;
  if (n <= 16) return 4;
  return 8;
}

namespace {

inline TColor ColorAt(const std::uint8_t* p) {
  return static_cast<TColor>(p[0] | (p[1] << 8) | (p[2] << 16));
}

// Maps a row of width pixels holding only colours a (index 0) and b (index 1) without a branch
// per pixel, where bars a few pixels wide would make every colour change a mispredicted jump.
// False when the row holds another colour; out is then to be mapped again.
bool MapTwoColours(const std::uint8_t* p, std::size_t width, TColor a, TColor b,
                   std::uint8_t* out) {
  TColor other = 0;
  std::size_t x = 0;
#if defined(__SSE2__)
  // Sixteen pixels a step: their 48 bytes compared at once with each colour repeated, and a
  // pixel taken as a colour when all three of its bytes match it.
  const auto repeated = [](TColor c, int k) {
    alignas(16) std::uint8_t bytes[16];
    for (int i = 0; i < 16; ++i)
      bytes[i] = static_cast<std::uint8_t>(c >> (8 * ((16 * k + i) % 3)));
    return _mm_load_si128(reinterpret_cast<const __m128i*>(bytes));
  };
  const __m128i pa[3] = {repeated(a, 0), repeated(a, 1), repeated(a, 2)};
  const __m128i pb[3] = {repeated(b, 0), repeated(b, 1), repeated(b, 2)};
  constexpr std::uint64_t kFirstBytes = [] {  // bit 3i for each pixel i of sixteen
    std::uint64_t m = 0;
    for (int i = 0; i < 16; ++i) m |= std::uint64_t{1} << (3 * i);
    return m;
  }();
  for (; x + 16 <= width; x += 16, p += 48) {
    std::uint64_t ma = 0, mb = 0;
    for (int k = 0; k < 3; ++k) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * k));
      ma |= std::uint64_t{static_cast<std::uint16_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, pa[k])))}
            << (16 * k);
      mb |= std::uint64_t{static_cast<std::uint16_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, pb[k])))}
            << (16 * k);
    }
    const std::uint64_t isA = ma & ma >> 1 & ma >> 2, isB = mb & mb >> 1 & mb >> 2;
    if (((isA | isB) & kFirstBytes) != kFirstBytes) return false;
    for (int i = 0; i < 16; ++i) out[x + static_cast<std::size_t>(i)] = isB >> (3 * i) & 1;
  }
  if (x == width) return true;
#endif
  // Four bytes read for three; the last pixel alone, as it may end the bitmap's memory.
  for (; x + 1 < width; ++x, p += 3) {
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    const TColor c = v & 0xFFFFFFu;
    const bool isB = c == b;
    other |= c ^ (isB ? b : a);
    out[x] = static_cast<std::uint8_t>(isB);
  }
  const TColor c = ColorAt(p);
  const bool isB = c == b;
  other |= c ^ (isB ? b : a);
  out[x] = static_cast<std::uint8_t>(isB);
  return other == 0;
}

// Exact palette: succeeds when the bitmap has at most maxColors colours.
bool TryExactPalette(const TBitmap& bitmap, int maxColors, std::span<const std::uint8_t> repeats,
                     TGifImage& image) {
  constexpr std::size_t kSlots = 1024;   // a power of two, four times the largest palette
  constexpr TColor kEmpty = 0xFFFFFFFF;  // never a 24-bit colour
  std::array<TColor, kSlots> keys;
  std::array<std::uint8_t, kSlots> values{};
  keys.fill(kEmpty);

  const std::size_t width = static_cast<std::size_t>(bitmap.Width);
  const std::size_t height = static_cast<std::size_t>(bitmap.Height);
  const std::size_t stride = width * 3;
  // Bars and background alternate: the two latest colours are kept before the table is asked.
  TColor last = kEmpty, previous = kEmpty;
  std::uint8_t lastIndex = 0, previousIndex = 0;
  // Whether the last row mapped held only the first two colours: rows like it are tried with
  // the two-colour mapping first.
  bool twoColours = true;
  // The last row read: the row above, or the row a run of reported repeats copies, which holds
  // its bytes when they were left unpainted.
  const std::uint8_t* above = nullptr;
  for (std::size_t y = 0; y < height; ++y) {
    const std::uint8_t* p = bitmap.Rgb.data() + y * stride;
    std::uint8_t* out = image.Indices.data() + y * width;
    // Most rows of a barcode repeat the row above: they take its indices whole. Rows the
    // drawing reported as repeats are not read.
    const bool known = y > 0 && !repeats.empty() && repeats[y] != 0;
    if (known || (above && std::memcmp(p, above, stride) == 0)) {
      std::memcpy(out, out - width, width);
      image.RepeatsAbove[y] = 1;
      continue;
    }
    above = p;
    if (twoColours && image.Palette.size() >= 2 &&
        MapTwoColours(p, width, image.Palette[0], image.Palette[1], out))
      continue;
    twoColours = true;
    for (std::size_t x = 0; x < width; ++x, p += 3) {
      const TColor c = ColorAt(p);
      if (c != last) {
        std::uint8_t index;
        if (c == previous) {
          index = previousIndex;
        } else {
          std::size_t slot = (c * 2654435761u) >> 22 & (kSlots - 1);
          while (keys[slot] != c && keys[slot] != kEmpty) slot = (slot + 1) & (kSlots - 1);
          if (keys[slot] == kEmpty) {
            if (image.Palette.size() == static_cast<std::size_t>(maxColors)) return false;
            keys[slot] = c;
            values[slot] = static_cast<std::uint8_t>(image.Palette.size());
            image.Palette.push_back(c);
          }
          index = values[slot];
        }
        previous = last;
        previousIndex = lastIndex;
        last = c;
        lastIndex = index;
        twoColours &= index < 2;
      }
      out[x] = lastIndex;
    }
  }
  return true;
}

// Median cut over a histogram of 5-bit-per-channel cells: each cell keeps its pixel count and
// colour sums, so a palette entry is the exact mean of the pixels it stands for.
struct TCell {
  std::uint32_t Key = 0;
  std::uint64_t Count = 0;
  std::array<std::uint64_t, 3> Sum{};
  std::array<int, 3> Mean{};
};

struct TBox {
  std::size_t Begin = 0, End = 0;
  std::uint64_t Count = 0;
  int Channel = 0;  // longest side
  int Range = 0;
};

constexpr int kCellBits = 5;
constexpr std::uint32_t CellKey(const std::uint8_t* p) {
  constexpr int s = 8 - kCellBits;
  return static_cast<std::uint32_t>((p[0] >> s) << (2 * kCellBits) | (p[1] >> s) << kCellBits |
                                    (p[2] >> s));
}

TBox MakeBox(const std::vector<TCell>& cells, std::size_t begin, std::size_t end) {
  TBox box{begin, end, 0, 0, 0};
  std::array<int, 3> lo{255, 255, 255}, hi{0, 0, 0};
  for (std::size_t i = begin; i < end; ++i) {
    box.Count += cells[i].Count;
    for (int ch = 0; ch < 3; ++ch) {
      lo[ch] = std::min(lo[ch], cells[i].Mean[ch]);
      hi[ch] = std::max(hi[ch], cells[i].Mean[ch]);
    }
  }
  for (int ch = 0; ch < 3; ++ch) {
    if (hi[ch] - lo[ch] > box.Range) {
      box.Range = hi[ch] - lo[ch];
      box.Channel = ch;
    }
  }
  return box;
}

void MedianCutPalette(const TBitmap& bitmap, int maxColors, TGifImage& image) {
  std::vector<std::int32_t> cellOf(std::size_t{1} << (3 * kCellBits), -1);
  std::vector<TCell> cells;
  const std::uint8_t* p = bitmap.Rgb.data();
  const std::size_t n = image.Indices.size();
  for (std::size_t i = 0; i < n; ++i, p += 3) {
    const std::uint32_t key = CellKey(p);
    if (cellOf[key] < 0) {
      cellOf[key] = static_cast<std::int32_t>(cells.size());
      cells.push_back(TCell{key, 0, {}, {}});
    }
    TCell& cell = cells[static_cast<std::size_t>(cellOf[key])];
    ++cell.Count;
    for (int ch = 0; ch < 3; ++ch) cell.Sum[ch] += p[ch];
  }
  for (TCell& cell : cells) {
    for (int ch = 0; ch < 3; ++ch) {
      cell.Mean[ch] = static_cast<int>((cell.Sum[ch] + cell.Count / 2) / cell.Count);
    }
  }

  // Split the box with the most pixels times extent until the palette is full.
  std::vector<TBox> boxes{MakeBox(cells, 0, cells.size())};
  while (boxes.size() < static_cast<std::size_t>(maxColors)) {
    auto best = boxes.end();
    std::uint64_t bestScore = 0;
    for (auto it = boxes.begin(); it != boxes.end(); ++it) {
      const std::uint64_t score = it->Count * static_cast<std::uint64_t>(it->Range);
      if (it->End - it->Begin > 1 && score > bestScore) {
        bestScore = score;
        best = it;
      }
    }
    if (best == boxes.end()) break;
    const TBox box = *best;
    const int ch = box.Channel;
    std::sort(cells.begin() + static_cast<std::ptrdiff_t>(box.Begin),
              cells.begin() + static_cast<std::ptrdiff_t>(box.End),
              [ch](const TCell& a, const TCell& b) { return a.Mean[ch] < b.Mean[ch]; });
    // Weighted median, keeping at least one cell on each side.
    std::uint64_t acc = 0;
    std::size_t split = box.Begin + 1;
    for (std::size_t i = box.Begin; i + 1 < box.End; ++i) {
      acc += cells[i].Count;
      split = i + 1;
      if (acc * 2 >= box.Count) break;
    }
    *best = MakeBox(cells, box.Begin, split);
    boxes.push_back(MakeBox(cells, split, box.End));
  }

  for (const TBox& box : boxes) {
    std::array<std::uint64_t, 3> sum{};
    for (std::size_t i = box.Begin; i < box.End; ++i) {
      for (int ch = 0; ch < 3; ++ch) sum[ch] += cells[i].Sum[ch];
    }
    std::array<int, 3> mean{};
    for (int ch = 0; ch < 3; ++ch) {
      mean[ch] = static_cast<int>((sum[ch] + box.Count / 2) / box.Count);
    }
    image.Palette.push_back(RGBColor(mean[0], mean[1], mean[2]));
  }

  // Each cell maps to the palette entry nearest its mean colour.
  std::vector<std::uint8_t> indexOf(cellOf.size(), 0);
  for (const TCell& cell : cells) {
    int best = 0;
    long bestDistance = -1;
    for (std::size_t k = 0; k < image.Palette.size(); ++k) {
      const TColor c = image.Palette[k];
      const long dr = cell.Mean[0] - ColorR(c), dg = cell.Mean[1] - ColorG(c),
                 db = cell.Mean[2] - ColorB(c);
      const long distance = dr * dr + dg * dg + db * db;
      if (bestDistance < 0 || distance < bestDistance) {
        bestDistance = distance;
        best = static_cast<int>(k);
      }
    }
    indexOf[cell.Key] = static_cast<std::uint8_t>(best);
  }
  p = bitmap.Rgb.data();
  for (std::size_t i = 0; i < n; ++i, p += 3) image.Indices[i] = indexOf[CellKey(p)];
}

}  // namespace

TGifImage GifImageFromBitmap(const TBitmap& bitmap, int maxColors) {
  TGifImage image;
  GifImageFromBitmap(bitmap, image, maxColors);
  return image;
}

void GifImageFromBitmap(const TBitmap& bitmap, TGifImage& image, int maxColors,
                        std::span<const std::uint8_t> repeats) {
  CheckImageSize(bitmap.Width, bitmap.Height);
  assert(maxColors >= 1 && maxColors <= kMaxGifColors);
  assert(bitmap.Rgb.size() ==
         static_cast<std::size_t>(bitmap.Width) * static_cast<std::size_t>(bitmap.Height) * 3);
  image.Width = bitmap.Width;
  image.Height = bitmap.Height;
  image.Palette.clear();
  image.TransparentIndex = -1;
  // Both conversions write every index, so stale ones from an earlier picture never show.
  image.Indices.resize(static_cast<std::size_t>(bitmap.Width) *
                       static_cast<std::size_t>(bitmap.Height));
  image.RepeatsAbove.assign(static_cast<std::size_t>(bitmap.Height), 0);
  if (repeats.size() != static_cast<std::size_t>(bitmap.Height)) repeats = {};
  if (!TryExactPalette(bitmap, maxColors, repeats, image)) {
    image.Palette.clear();
    image.RepeatsAbove.clear();
    MedianCutPalette(bitmap, maxColors, image);
  }
}

bool AddTransparency(TGifImage& image, TColor color) {
  color &= 0xFFFFFF;
  const auto it = std::find(image.Palette.begin(), image.Palette.end(), color);
  if (it != image.Palette.end()) {
    image.TransparentIndex = static_cast<int>(it - image.Palette.begin());
    return true;
  }
  if (image.Palette.size() >= static_cast<std::size_t>(kMaxGifColors)) return false;
  image.TransparentIndex = static_cast<int>(image.Palette.size());
  image.Palette.push_back(color);
  return true;
}

void TransparentGifImageFromBitmap(const TBitmap& bitmap, TGifImage& image, TColor transparent,
                                   std::span<const std::uint8_t> repeats) {
  GifImageFromBitmap(bitmap, image, kMaxGifColors, repeats);
  if (!AddTransparency(image, transparent)) {
    GifImageFromBitmap(bitmap, image, kMaxGifColors - 1, repeats);
    AddTransparency(image, transparent);
  }
}

}  // namespace brevix
