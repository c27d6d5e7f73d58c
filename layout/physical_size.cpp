#include "layout/physical_size.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <limits>

namespace brevix {

std::optional<double> ParseLengthMm(std::string_view text) {
  struct TUnit {
    std::string_view Name;
    double Mm;
  };
  static constexpr std::array<TUnit, 3> kUnits{
      {{"mm", 1.0}, {"mil", kMmPerInch / 1000}, {"in", kMmPerInch}}};
  for (const TUnit& unit : kUnits) {
    if (text.size() <= unit.Name.size() || !text.ends_with(unit.Name)) continue;
    const std::string_view number = text.substr(0, text.size() - unit.Name.size());
    double value = 0;
    const auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (ec != std::errc() || end != number.data() + number.size()) return std::nullopt;
    if (!std::isfinite(value) || value <= 0) return std::nullopt;
    return value * unit.Mm;
  }
  return std::nullopt;
}

TDotsPerModule DotsPerModule(double xMm, int dpi) {
  TDotsPerModule r;
  if (dpi <= 0 || !std::isfinite(xMm) || xMm <= 0) return r;
  const double dots = std::round(xMm / kMmPerInch * dpi);
  // Beyond any picture the writers accept; kept within int all the same.
  constexpr double kMaxDots = std::numeric_limits<int>::max() / 2;
  r.Dots = dots < 1 ? 1 : static_cast<int>(std::min(dots, kMaxDots));
  r.AchievedMm = r.Dots * kMmPerInch / dpi;
  return r;
}

}  // namespace brevix
