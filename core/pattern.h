#pragma once
// The module pattern that links encoders to the renderer: one character per module, quiet zones
// included, plus six caption anchors that tell the caption painter where the digit groups go.

#include <string>
#include <string_view>
#include <vector>

#include "types.h"

namespace brevix {

// The pattern alphabet. Light: space, margin, add-on marker. Dark: bar, guard bar, PostNet half
// bar.
inline constexpr char kSpace = '0';
inline constexpr char kMargin = ' ';
inline constexpr char kAddOnMark = 'X';
inline constexpr char kBar = '1';
inline constexpr char kGuardBar = '2';
inline constexpr char kHalfBar = 'M';

constexpr bool IsDarkModule(char c) {
  return c == kBar || c == kGuardBar || c == kHalfBar;
}
constexpr bool IsLightModule(char c) {
  return c == kSpace || c == kMargin || c == kAddOnMark;
}

// 1-based module positions (pixel offsets after ScalePattern); 0 means "not set".
struct TCaptionAnchors {
  int LeftFrom = 0;
  int LeftTo = 0;
  int RightFrom = 0;
  int RightTo = 0;
  int AddOnFrom = 0;
  int TrailFrom = 0;

  friend bool operator==(const TCaptionAnchors&, const TCaptionAnchors&) = default;
};

// What an encoder returns: the pattern and the anchors it set. An empty pattern: nothing to draw.
struct TEncodeResult {
  std::string Pattern;
  TCaptionAnchors Anchors;
};

// The few control settings some encoders read.
struct TEncodeOptions {
  TTypeBar TypeBar = csCode_2_5_interleaved;
  bool ShowCodeCaption = true;  // EAN/UPC leave room for leading and trailing digits
  bool CheckCharacters = true;  // PostNet, Codabar and Code 93 append their check characters
};

// Result of scaling a pattern to pixel columns.
struct TScaledPattern {
  std::string Pixels;  // one character per pixel column; empty when not even one pixel per module
  TCaptionAnchors Anchors;
  bool OutOfBox = false;  // integer mode could not give every module a pixel
};

// Stretches pattern P over W pixel columns. completeDraw: every module gets W div L columns
// (anchors become right-edge offsets a*w); otherwise exactly W columns with the modules spread
// evenly (anchors become the left-edge offset of their module).
TScaledPattern ScalePattern(std::string_view pattern, const TCaptionAnchors& anchors, int width,
                            bool completeDraw);
// The anchors as ScalePattern turns them into pixel columns, for a pattern of length modules
// (unchanged when length or width is not positive).
TCaptionAnchors ScaleAnchors(const TCaptionAnchors& anchors, int length, int width,
                             bool completeDraw);

// Where ScalePattern puts the modules of any pattern of length modules: module m covers pixel
// columns [Starts[m], Starts[m + 1]). Painting draws from it instead of expanding the pattern;
// rows of equal length (PDF417) share one map.
struct TColumnMap {
  std::vector<int> Starts;  // length + 1 entries; empty when ScalePattern gives no pixels
  bool OutOfBox = false;
};
TColumnMap ScaleColumns(int length, int width, bool completeDraw);
// ScaleColumns into map, whose vector keeps its memory.
void ScaleColumnsInto(int length, int width, bool completeDraw, TColumnMap& map);

}  // namespace brevix
