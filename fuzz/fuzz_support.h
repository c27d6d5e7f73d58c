#pragma once
// Helpers shared by the fuzz targets: invariant checks that abort loudly, so that libFuzzer
// records the input that broke them.

#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "core/pattern.h"

namespace brevix::fuzz {

[[noreturn]] inline void Fail(const char* what) {
  std::fprintf(stderr, "invariant broken: %s\n", what);
  std::abort();
}

inline void Require(bool ok, const char* what) {
  if (!ok) Fail(what);
}

inline bool IsPatternModule(char c) {
  return IsDarkModule(c) || IsLightModule(c);
}

inline void RequirePatternAlphabet(std::string_view pattern, const char* what) {
  for (char c : pattern) Require(IsPatternModule(c), what);
}

// Scales pattern over width columns in both modes and checks the column counts and anchors.
inline void CheckScaling(std::string_view pattern, const TCaptionAnchors& anchors, int width) {
  const long long length = static_cast<long long>(pattern.size());
  for (bool completeDraw : {false, true}) {
    const TScaledPattern s = ScalePattern(pattern, anchors, width, completeDraw);
    RequirePatternAlphabet(s.Pixels, "scaled pixels outside the pattern alphabet");
    const long long columns = static_cast<long long>(s.Pixels.size());
    if (length == 0 || width <= 0) {
      Require(columns == 0, "pixels from an empty pattern or box");
      continue;
    }
    if (completeDraw) {
      const long long w = width / length;
      Require(columns == w * length, "integer mode: every module gets width div length columns");
      Require(s.OutOfBox == (w == 0), "integer mode: out of box exactly when w = 0");
    } else {
      Require(columns == width, "fill mode: exactly the box width");
      Require(!s.OutOfBox, "fill mode never runs out of the box");
    }
  }
}

}  // namespace brevix::fuzz
