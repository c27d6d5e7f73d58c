#pragma once
// Physical sizes: an X-dimension asked for in millimetres, mils or inches, and the whole number
// of printer dots per module that comes closest to it at a resolution.

#include <optional>
#include <string_view>

namespace brevix {

inline constexpr double kMmPerInch = 25.4;

// A length such as "0.33mm", "13mil" or "0.013in" in millimetres; nothing for a length that is
// not a positive finite number followed by one of those units.
std::optional<double> ParseLengthMm(std::string_view text);

struct TDotsPerModule {
  int Dots = 1;           // at least one dot
  double AchievedMm = 0;  // the module width those dots make
};

// The whole number of dots closest to xMm at dpi dots per inch (at least one).
TDotsPerModule DotsPerModule(double xMm, int dpi);

}  // namespace brevix
