#include "layout/turn.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <numbers>

namespace brevix {

int RoundHalfEven(long double v) {
  // nearbyint follows the default rounding mode, which is to nearest with ties to even. Far-off
  // values are held at the int range: the canvases clip them anyway.
  const long double r = std::nearbyint(v);
  if (!(r > -2147483648.0L)) return -2147483647 - 1;
  if (r > 2147483647.0L) return 2147483647;
  return static_cast<int>(r);
}

TPoint RotatePoint(TPoint p, TPoint centre, int angle) {
  // Quarter turns, the control's only angles, are exact in integers; the general formula below
  // gives the same points, at the price of a sine and a cosine for every corner of every bar.
  const long long dx0 = static_cast<long long>(p.X) - centre.X;
  const long long dy0 = static_cast<long long>(p.Y) - centre.Y;
  auto at = [&centre](long long x, long long y) {
    return TPoint{static_cast<int>(std::clamp<long long>(centre.X + x, INT32_MIN, INT32_MAX)),
                  static_cast<int>(std::clamp<long long>(centre.Y + y, INT32_MIN, INT32_MAX))};
  };
  switch (angle) {
    case 0:
      return at(dx0, dy0);
    case 90:
      return at(dy0, -dx0);
    case 180:
      return at(-dx0, -dy0);
    case 270:
      return at(-dy0, dx0);
    default:
      break;
  }
  const long double r = angle * 2 * std::numbers::pi_v<long double> / 360;
  const long double dx = static_cast<long double>(p.X) - centre.X;
  const long double dy = static_cast<long double>(p.Y) - centre.Y;
  const long double c = std::cos(r), s = std::sin(r);
  auto offset = [](int base, long double delta) {
    // llrint rounds like RoundHalfEven; offsets between two ints always fit a long long.
    const long long v = static_cast<long long>(base) + std::llrint(delta);
    return static_cast<int>(std::clamp<long long>(v, INT32_MIN, INT32_MAX));
  };
  return TPoint{offset(centre.X, dx * c + dy * s), offset(centre.Y, -dx * s + dy * c)};
}

TQuadFill RotatedQuad(const TRect& r, TPoint centre, int angle, TColor colour) {
  if (angle == 0)
    return TQuadFill{{{r.Left, r.Top}, {r.Right, r.Top}, {r.Right, r.Bottom}, {r.Left, r.Bottom}},
                     colour};
  return TQuadFill{
      {RotatePoint({r.Left, r.Top}, centre, angle), RotatePoint({r.Right, r.Top}, centre, angle),
       RotatePoint({r.Right, r.Bottom}, centre, angle),
       RotatePoint({r.Left, r.Bottom}, centre, angle)},
      colour};
}

std::string StripControlChars(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text)
    if (static_cast<unsigned char>(c) >= 32) out.push_back(c);
  return out;
}

TRect FitBox(const TRect& rect, int angle) {
  // Widened: a rectangle from the host may span the whole int range.
  const long long cx = (static_cast<long long>(rect.Left) + rect.Right) / 2;
  const long long cy = (static_cast<long long>(rect.Top) + rect.Bottom) / 2;
  auto at = [](long long v) {
    return static_cast<int>(std::clamp<long long>(v, INT32_MIN, INT32_MAX));
  };
  if (angle == 0) {
    // tan 0 is exactly 0: the sides are |w| and |h|, with no trigonometry.
    const long long l1 =
        std::min<long long>(std::llabs(static_cast<long long>(rect.Right) - rect.Left), INT32_MAX);
    const long long l2 =
        std::min<long long>(std::llabs(static_cast<long long>(rect.Bottom) - rect.Top), INT32_MAX);
    return TRect{at(cx - l1 / 2), at(cy - l2 / 2), at(cx + l1 / 2), at(cy + l2 / 2)};
  }
  const long double w = static_cast<long double>(rect.Right) - rect.Left;
  const long double h = static_cast<long double>(rect.Bottom) - rect.Top;
  const long double t = std::tan(angle * std::numbers::pi_v<long double> / 180);
  // The box's sides a + b and c + d project onto the rectangle's width and height.
  const long double a = (w - h * t) / (1 - t * t);
  const long double b = t * a;
  const int l1 = RoundHalfEven(std::sqrt(a * a + b * b));
  const long double cc = w - a, d = h - b;
  const int l2 = RoundHalfEven(std::sqrt(cc * cc + d * d));
  return TRect{at(cx - l1 / 2), at(cy - l2 / 2), at(cx + l1 / 2), at(cy + l2 / 2)};
}

}  // namespace brevix
