#include "core/pattern.h"

#include <array>
#include <cstdint>
#include <cstring>

namespace brevix {

namespace {

std::array<int*, 6> AnchorRefs(TCaptionAnchors& a) {
  return {&a.LeftFrom, &a.LeftTo, &a.RightFrom, &a.RightTo, &a.AddOnFrom, &a.TrailFrom};
}

// The column module m starts on, for every m up to length: ceil(m * W / L), which gives each
// module W div L columns plus one where the ceiling steps up. Counted without a division per
// module: with W = qL + r, the start is m*q + floor((m*r + L - 1) / L), and g below is
// (m*r + L - 1) mod L, which each module raises by r and which carries at most once.
// completeDraw: every module gets W div L columns. fn(m, start) is called for m = 0..length.
template <class TFn>
void ForEachModuleStart(int length, int width, bool completeDraw, TFn&& fn) {
  const long long q = width / length;
  if (completeDraw || width % length == 0) {
    // Every module gets q columns: no carry, and a loop the compiler can widen.
    for (int m = 0; m <= length; ++m) fn(m, static_cast<int>(m * q));
    return;
  }
  const long long r = width % length;
  long long g = length - 1;
  long long at = 0;
  for (int m = 0; m < length; ++m) {
    fn(m, static_cast<int>(at));
    at += q;
    g += r;
    if (g >= length) {
      g -= length;
      ++at;
    }
  }
  fn(length, static_cast<int>(at));
}

// Writes each module's character over its columns from p, eight bytes at a time (p has
// kSlack bytes of slack): most modules are a few columns wide. A module of no columns writes only
// bytes the next module overwrites.
constexpr std::size_t kSlack = 16;

void WritePixels(std::string_view pattern, int width, bool completeDraw, char* p) {
  char* q = p;
  ForEachModuleStart(static_cast<int>(pattern.size()), width, completeDraw, [&](int m, int start) {
    if (m == 0) return;  // module m - 1 ends where module m starts
    const std::uint64_t v = 0x0101010101010101ULL *
                            static_cast<unsigned char>(pattern[static_cast<std::size_t>(m - 1)]);
    char* const stop = p + start;
    std::memcpy(q, &v, 8);
    std::memcpy(q + 8, &v, 8);
    for (char* t = q + 16; t < stop; t += 8) std::memcpy(t, &v, 8);
    q = stop;
  });
}

}  // namespace

TCaptionAnchors ScaleAnchors(const TCaptionAnchors& anchors, int length, int width,
                             bool completeDraw) {
  TCaptionAnchors out = anchors;
  if (length <= 0 || width <= 0) return out;
  if (completeDraw) {
    const int w = width / length;
    for (int* a : AnchorRefs(out)) *a *= w;
    return out;
  }
  // The modules spread evenly; an anchor becomes the left edge of its module.
  const auto columnsBefore = [&](long long module) {  // ceil((module - 1) * W / L)
    return ((module - 1) * width + length - 1) / length;
  };
  for (int* a : AnchorRefs(out))
    if (*a >= 1 && *a <= length) *a = static_cast<int>(columnsBefore(*a));
  return out;
}

TScaledPattern ScalePattern(std::string_view pattern, const TCaptionAnchors& anchors, int width,
                            bool completeDraw) {
  TScaledPattern out;
  out.Anchors = anchors;
  const int length = static_cast<int>(pattern.size());
  if (length == 0 || width <= 0) {
    out.OutOfBox = completeDraw;
    return out;
  }
  if (completeDraw && width / length == 0) {
    out.OutOfBox = true;
    return out;
  }
  out.Anchors = ScaleAnchors(anchors, length, width, completeDraw);
  const int total = completeDraw ? width / length * length : width;
  out.Pixels.resize(static_cast<std::size_t>(total) + kSlack);
  WritePixels(pattern, width, completeDraw, out.Pixels.data());
  out.Pixels.resize(static_cast<std::size_t>(total));
  return out;
}

TColumnMap ScaleColumns(int length, int width, bool completeDraw) {
  TColumnMap map;
  ScaleColumnsInto(length, width, completeDraw, map);
  return map;
}

void ScaleColumnsInto(int length, int width, bool completeDraw, TColumnMap& map) {
  map.Starts.clear();
  map.OutOfBox = false;
  if (length <= 0 || width <= 0) {
    map.OutOfBox = completeDraw;
    return;
  }
  if (completeDraw && width / length == 0) {
    map.OutOfBox = true;
    return;
  }
  map.Starts.resize(static_cast<std::size_t>(length) + 1);
  int* const s = map.Starts.data();
  ForEachModuleStart(length, width, completeDraw, [s](int m, int start) { s[m] = start; });
}

}  // namespace brevix
