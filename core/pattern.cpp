#include "core/pattern.h"

#include <array>
#include <cstdint>
#include <cstring>

namespace brevix {

namespace {

std::array<int*, 6> AnchorRefs(TCaptionAnchors& a) {
  return {&a.LeftFrom, &a.LeftTo, &a.RightFrom, &a.RightTo, &a.AddOnFrom, &a.TrailFrom};
}

// Bresenham-style spread of W columns over L modules: module i gets
// ceil(i*W/L) - ceil((i-1)*W/L) columns, that is q = W div L, plus one when ceil(i*r/L) steps up
// (r = W mod L). Counted without a division per module: g is (i*r) mod L.
class TSpread {
 public:
  TSpread(int length, int width) : FLength(length), FQ(width / length), FR(width % length) {}
  // Columns of the next module.
  long long Next() {
    long long n = FQ;
    const long long before = FG;
    FG += FR;
    if (FG >= FLength) {
      FG -= FLength;
      ++n;
    }
    // ceil(i*r/L) - ceil((i-1)*r/L) = carry + [g > 0] - [before > 0]
    return n + (FG > 0 ? 1 : 0) - (before > 0 ? 1 : 0);
  }

 private:
  long long FLength, FQ, FR, FG = 0;
};

}  // namespace

TScaledPattern ScalePattern(std::string_view pattern, const TCaptionAnchors& anchors, int width,
                            bool completeDraw) {
  TScaledPattern out;
  out.Anchors = anchors;
  const int length = static_cast<int>(pattern.size());
  if (length == 0 || width <= 0) {
    out.OutOfBox = completeDraw;
    return out;
  }
  if (completeDraw) {
    const int w = width / length;
    if (w == 0) {
      out.OutOfBox = true;
      return out;
    }
    out.Pixels.reserve(static_cast<std::size_t>(length) * static_cast<std::size_t>(w));
    for (char c : pattern) out.Pixels.append(static_cast<std::size_t>(w), c);
    for (int* a : AnchorRefs(out.Anchors)) *a *= w;
    return out;
  }
  // The modules spread evenly; an anchor becomes the left edge of its module.
  const auto columnsBefore = [&](long long module) {  // ceil((module - 1) * W / L)
    return ((module - 1) * width + length - 1) / length;
  };
  TCaptionAnchors incoming = anchors;
  const auto incomingRefs = AnchorRefs(incoming);
  const auto outRefs = AnchorRefs(out.Anchors);
  for (std::size_t k = 0; k < outRefs.size(); ++k) {
    const int a = *incomingRefs[k];
    if (a >= 1 && a <= length) *outRefs[k] = static_cast<int>(columnsBefore(a));
  }
  // Each module's columns are written eight at a time, into eight bytes of slack at the end.
  out.Pixels.resize(static_cast<std::size_t>(width) + 8);
  char* p = out.Pixels.data();
  TSpread spread(length, width);
  for (char c : pattern) {
    const std::uint64_t v = 0x0101010101010101ULL * static_cast<unsigned char>(c);
    char* q = p;
    p += spread.Next();
    do {
      std::memcpy(q, &v, 8);
      q += 8;
    } while (q < p);
  }
  out.Pixels.resize(static_cast<std::size_t>(width));
  return out;
}

TColumnMap ScaleColumns(int length, int width, bool completeDraw) {
  TColumnMap map;
  if (length <= 0 || width <= 0) {
    map.OutOfBox = completeDraw;
    return map;
  }
  if (completeDraw && width / length == 0) {
    map.OutOfBox = true;
    return map;
  }
  map.Starts.resize(static_cast<std::size_t>(length) + 1);
  if (completeDraw) {
    const int w = width / length;
    for (int m = 0; m <= length; ++m) map.Starts[static_cast<std::size_t>(m)] = m * w;
    return map;
  }
  // The spread of ScalePattern, module by module.
  TSpread spread(length, width);
  long long at = 0;
  for (int m = 0; m < length; ++m) {
    map.Starts[static_cast<std::size_t>(m)] = static_cast<int>(at);
    at += spread.Next();
  }
  map.Starts[static_cast<std::size_t>(length)] = static_cast<int>(at);
  return map;
}

}  // namespace brevix
