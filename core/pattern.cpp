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
  // Bresenham-style spread: module i gets ceil(i*W/L) - ceil((i-1)*W/L) columns.
  TCaptionAnchors incoming = anchors;
  const auto incomingRefs = AnchorRefs(incoming);
  const auto outRefs = AnchorRefs(out.Anchors);
  out.Pixels.reserve(static_cast<std::size_t>(width));
  long long s = 0;
  for (int i = 1; i <= length; ++i) {
    for (std::size_t k = 0; k < outRefs.size(); ++k)
      if (*incomingRefs[k] == i) *outRefs[k] = static_cast<int>(out.Pixels.size());
    s -= width;
    const char c = pattern[static_cast<std::size_t>(i - 1)];
    while (s < 0) {
      out.Pixels.push_back(c);
      s += length;
    }
  }
  return out;
}

}  // namespace brevix
