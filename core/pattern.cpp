#include "core/pattern.h"

#include <array>

namespace brevix {

namespace {

std::array<int*, 6> AnchorRefs(TCaptionAnchors& a) {
  return {&a.LeftFrom, &a.LeftTo, &a.RightFrom, &a.RightTo, &a.AddOnFrom, &a.TrailFrom};
}

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
  // Bresenham-style spread: module i gets ceil(i*W/L) - ceil((i-1)*W/L) columns, that is
  // q = W div L, plus one when ceil(i*r/L) steps up (r = W mod L). Counted without a division
  // per module: g is (i*r) mod L.
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
  out.Pixels.resize(static_cast<std::size_t>(width));
  char* p = out.Pixels.data();
  const long long q = width / length, r = width % length;
  long long g = 0;
  for (char c : pattern) {
    long long n = q;
    const long long before = g;
    g += r;
    if (g >= length) {
      g -= length;
      ++n;
    }
    // ceil(i*r/L) - ceil((i-1)*r/L) = carry + [g > 0] - [before > 0]
    n += (g > 0 ? 1 : 0) - (before > 0 ? 1 : 0);
    for (; n > 0; --n) *p++ = c;
  }
  return out;
}

TColumnMap ScaleColumns(int length, int width, bool completeDraw) {
  TColumnMap map;
  if (length <= 0 || width <= 0) {
    map.OutOfBox = completeDraw;
    return map;
  }
  map.Starts.resize(static_cast<std::size_t>(length) + 1);
  if (completeDraw) {
    const int w = width / length;
    if (w == 0) {
      map.OutOfBox = true;
      map.Starts.clear();
      return map;
    }
    for (int m = 0; m <= length; ++m) map.Starts[static_cast<std::size_t>(m)] = m * w;
    return map;
  }
  // The spread of ScalePattern, module by module.
  const long long q = width / length, r = width % length;
  long long g = 0, at = 0;
  for (int m = 0; m < length; ++m) {
    map.Starts[static_cast<std::size_t>(m)] = static_cast<int>(at);
    long long n = q;
    const long long before = g;
    g += r;
    if (g >= length) {
      g -= length;
      ++n;
    }
    n += (g > 0 ? 1 : 0) - (before > 0 ? 1 : 0);
    at += n;
  }
  map.Starts[static_cast<std::size_t>(length)] = static_cast<int>(at);
  return map;
}

}  // namespace brevix
