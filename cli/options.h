#pragma once
// The command-line tool's options: every published property of the control, parsed from text
// (command line or batch record) into settings, and applied to a control in a fixed order.

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>

#include "core/control.h"

namespace brevix::cli {

struct TFontSpec {
  std::string Name;
  std::optional<int> Size;  // points
  TFontStyles Style = 0;
  std::optional<TColor> Color;
};

struct TSettings {
  std::optional<TAngleType> Angle;
  std::optional<TDisplayType> Display;
  std::optional<TColor> Lines;
  std::optional<TColor> Back;
  std::optional<bool> Transparent;
  std::optional<TFontSpec> CodeFont;
  std::optional<TFontSpec> TypeFont;
  std::optional<int> Ratio;
  std::optional<int> Width;
  std::optional<int> Height;
  std::optional<bool> CompleteDraw;
  std::optional<csPDF417UserMode> PDF417Mode;
  std::optional<csPDF417UserError> PDF417Level;
  std::optional<bool> PDF417Truncate;
  int CodePage = 1252;
  std::optional<bool> Strict;  // refuse a text whose typed check digit is wrong
  // Module mode: whole pixels per module, quiet zones, physical sizes.
  std::optional<int> Module;         // pixels per module
  std::optional<double> XDimension;  // millimetres
  std::optional<int> Dpi;
  std::optional<double> HeightMm;
  std::optional<int> Margin;  // modules beyond the quiet zones
  std::optional<bool> QuietZone;
  // QR Code, Data Matrix and GS1.
  std::optional<TQrLevel> QrLevel;
  std::optional<int> QrVersion;  // the smallest version
  std::optional<int> QrMask;
  std::optional<std::pair<int, int>> DmSize;  // rows x columns; 0 x 0: automatic
  std::optional<TDmShape> DmShape;
  std::optional<bool> Gs1;
};

// Defaults of module mode, as --help states them.
inline constexpr int kDefaultModulePixels = 2;
inline constexpr int kDefaultDpi = 96;

// Whether the settings ask for the control's box: a width, a height, a ratio or whole-pixel
// drawing of the control.
bool BoxMode(const TSettings& settings);
// What in the settings cannot be drawn in box mode (boxMode) or in module mode; empty when
// nothing.
std::string ModeConflict(const TSettings& settings, bool boxMode);

struct TOptionInfo {
  std::string_view Name;   // long name, without dashes
  char Short;              // 0 when none
  std::string_view Value;  // placeholder; empty for a switch
  std::string_view Help;
};
// Every option SetOption knows, in the order --help lists them.
std::span<const TOptionInfo> ControlOptions();
const TOptionInfo* FindOption(std::string_view name);
const TOptionInfo* FindShortOption(char c);

// Sets one option by its long name; a switch takes "" (yes), "yes"/"no", "true"/"false", "1"/"0".
// Returns what is wrong with the value, empty when it was taken.
std::string SetOption(TSettings& settings, std::string_view name, std::string_view value);

// A symbology by identifier (csCodeEAN13, any case), catalogue name ("EAN 13") or number 0..35.
std::optional<TTypeBar> ParseSymbology(std::string_view text);

// Gives the control the symbology, the text (UTF-8, converted to the settings' code page) and
// every setting. Returns what went wrong (a text the code page cannot hold, a PDF417 text its
// mode refuses), empty on success. keepUtf8: the text goes to the control as UTF-8, unconverted
// (QR Code and Data Matrix in module mode, which encode it as UTF-8).
std::string Configure(TCustomBC& control, TTypeBar typeBar, std::string_view utf8Text,
                      const TSettings& settings, bool keepUtf8 = false);

}  // namespace brevix::cli
