#include "cli/options.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>

#include "core/catalogue.h"
#include "core/symbologies.h"
#include "imagewriters/image_file.h"
#include "layout/physical_size.h"
#include "platform/codepage.h"

namespace brevix::cli {

namespace {

constexpr std::array kOptions = {
    TOptionInfo{"angle", 'a', "ANGLE",
                "orientation: 0, 90, 180, 270 (degrees counter-clockwise) or horizontal,\n"
                "vertical, horizontal-mirrored, vertical-mirrored"},
    TOptionInfo{"display", 'd', "WHAT",
                "captions: none, code (the text, default); in box mode also type\n"
                "(symbology identifier) and both (catalogue name above, text below)"},
    TOptionInfo{"lines", 0, "COLOUR", "bar and text colour: #RRGGBB or a name (default black)"},
    TOptionInfo{"back", 0, "COLOUR", "background colour (default white)"},
    TOptionInfo{"transparent", 0, "",
                "leave the background unpainted (GIF: background transparent)"},
    TOptionInfo{"code-font", 0, "FONT",
                "box mode: font of the text caption: NAME[:SIZE][:bold][:italic]\n"
                "[:underline][:strikeout][:#RRGGBB], e.g. \"Liberation Sans:10:bold\""},
    TOptionInfo{"type-font", 0, "FONT", "box mode: font of the symbology caption, as --code-font"},
    TOptionInfo{"ratio", 'r', "N",
                "box mode: the width becomes N x (PDF417 width of the text) + 2"},
    TOptionInfo{"module", 0, "PX", "pixels per module (default 2)"},
    TOptionInfo{"xdim", 0, "LENGTH",
                "module width, e.g. 0.33mm, 13mil or 0.013in: the whole number of dots\n"
                "closest to it at --dpi"},
    TOptionInfo{"dpi", 0, "N", "resolution written into the file and used by --xdim (default 96)"},
    TOptionInfo{"height-mm", 0, "MM", "bar height in millimetres at --dpi"},
    TOptionInfo{"margin", 0, "N",
                "modules of margin on every side beyond the quiet zones (default 0)"},
    TOptionInfo{"quiet-zone", 0, "",
                "the symbology's standard quiet zones (default yes; =no drops them)"},
    TOptionInfo{"width", 'W', "PIXELS",
                "box mode: the control's picture this wide, the pattern stretched over it\n"
                "(with -H alone: 239)"},
    TOptionInfo{"height", 'H', "PIXELS",
                "box mode: the control's picture this tall (with -W alone: 80)"},
    TOptionInfo{"complete-draw", 0, "",
                "box mode: whole pixels per module instead of stretching over the width"},
    TOptionInfo{"pdf417-mode", 0, "MODE",
                "PDF417 compaction: alphanumeric (default), binary, numeric"},
    TOptionInfo{"pdf417-level", 0, "N",
                "PDF417 error correction level 0..8 (default: chosen from\nthe text's length)"},
    TOptionInfo{"pdf417-truncate", 0, "", "truncated PDF417 (no right row indicator)"},
    TOptionInfo{"codepage", 0, "CP",
                "8-bit code page the UTF-8 text is converted to: 1252 (Western, default),\n"
                "1250 (Central European), 1251, 1253, 1254 or 1257"},
    TOptionInfo{"strict", 0, "",
                "refuse a text whose typed check digit is wrong instead of replacing it"},
    TOptionInfo{"qr-level", 0, "L|M|Q|H", "QR Code error correction level (default M)"},
    TOptionInfo{"qr-version", 0, "N",
                "QR Code: the smallest version 1..40 (default: the smallest that holds the text)"},
    TOptionInfo{"qr-mask", 0, "N", "QR Code mask 0..7 (default: chosen by the penalty rules)"},
    TOptionInfo{"dm-size", 0, "RxC",
                "Data Matrix size in modules, e.g. 16x48 or 24x24 (default: the smallest\n"
                "that holds the text)"},
    TOptionInfo{"dm-shape", 0, "SHAPE", "Data Matrix shape: square (default), rect or auto"},
    TOptionInfo{"gs1", 0, "",
                "QR Code and Data Matrix: the text is in AI syntax, \"(01)09501101530003(10)AB\",\n"
                "and is encoded as GS1 data (GS1-128 texts always are)"},
};

// Bounds of the module-mode values: beyond them no picture fits the writers anyway (JPEG records
// the resolution in 16 bits).
constexpr int kMaxModulePixels = 1000;
constexpr int kMaxDpi = 65535;
constexpr int kMaxMargin = 1000;
constexpr double kMaxLengthMm = 1000;

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

std::string_view Trimmed(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

std::optional<int> ParseInt(std::string_view s) {
  int v = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc() || end != s.data() + s.size() || s.empty()) return std::nullopt;
  return v;
}

std::optional<bool> ParseSwitch(std::string_view s) {
  if (s.empty() || SameIgnoringCase(s, "yes") || SameIgnoringCase(s, "true") || s == "1")
    return true;
  if (SameIgnoringCase(s, "no") || SameIgnoringCase(s, "false") || s == "0") return false;
  return std::nullopt;
}

constexpr struct {
  std::string_view Name;
  TColor Color;
} kColourNames[] = {
    {"black", RGBColor(0, 0, 0)},        {"white", RGBColor(255, 255, 255)},
    {"red", RGBColor(255, 0, 0)},        {"green", RGBColor(0, 128, 0)},
    {"lime", RGBColor(0, 255, 0)},       {"blue", RGBColor(0, 0, 255)},
    {"navy", RGBColor(0, 0, 128)},       {"yellow", RGBColor(255, 255, 0)},
    {"gray", RGBColor(128, 128, 128)},   {"grey", RGBColor(128, 128, 128)},
    {"silver", RGBColor(192, 192, 192)}, {"maroon", RGBColor(128, 0, 0)},
    {"purple", RGBColor(128, 0, 128)},   {"teal", RGBColor(0, 128, 128)},
    {"olive", RGBColor(128, 128, 0)},    {"aqua", RGBColor(0, 255, 255)},
    {"fuchsia", RGBColor(255, 0, 255)},
};

std::optional<TColor> ParseColour(std::string_view s) {
  for (const auto& row : kColourNames)
    if (SameIgnoringCase(s, row.Name)) return row.Color;
  if (s.starts_with("#")) s.remove_prefix(1);
  if (s.size() != 6) return std::nullopt;
  unsigned v = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v, 16);
  if (ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
  return RGBColor(static_cast<int>(v >> 16), static_cast<int>((v >> 8) & 0xFF),
                  static_cast<int>(v & 0xFF));
}

std::optional<TFontSpec> ParseFont(std::string_view s, std::string& error) {
  TFontSpec font;
  std::size_t start = 0;
  bool first = true;
  while (start <= s.size()) {
    const std::size_t colon = std::min(s.find(':', start), s.size());
    const std::string_view part = Trimmed(s.substr(start, colon - start));
    start = colon + 1;
    if (first) {
      font.Name = std::string(part);
      first = false;
    } else if (const auto size = ParseInt(part)) {
      if (*size < 1 || *size > 500) {
        error = "font size must be 1..500 points";
        return std::nullopt;
      }
      font.Size = size;
    } else if (SameIgnoringCase(part, "bold")) {
      font.Style |= fsBold;
    } else if (SameIgnoringCase(part, "italic")) {
      font.Style |= fsItalic;
    } else if (SameIgnoringCase(part, "underline")) {
      font.Style |= fsUnderline;
    } else if (SameIgnoringCase(part, "strikeout")) {
      font.Style |= fsStrikeOut;
    } else if (const auto colour = ParseColour(part)) {
      font.Color = colour;
    } else {
      error = "\"" + std::string(part) + "\" is not a size, style or colour";
      return std::nullopt;
    }
    if (colon == s.size()) break;
  }
  if (font.Name.empty()) {
    error = "font name missing";
    return std::nullopt;
  }
  return font;
}

template <class TEnum, std::size_t N>
std::optional<TEnum> ParseWord(std::string_view s,
                               const std::array<std::pair<std::string_view, TEnum>, N>& words) {
  for (const auto& [word, value] : words)
    if (SameIgnoringCase(s, word)) return value;
  return std::nullopt;
}

constexpr std::array<std::pair<std::string_view, TQrLevel>, 4> kQrLevels{{
    {"L", TQrLevel::L},
    {"M", TQrLevel::M},
    {"Q", TQrLevel::Q},
    {"H", TQrLevel::H},
}};

constexpr std::array<std::pair<std::string_view, TDmShape>, 5> kDmShapes{{
    {"square", TDmShape::Square},
    {"rect", TDmShape::Rectangle},
    {"rectangle", TDmShape::Rectangle},
    {"rectangular", TDmShape::Rectangle},
    {"auto", TDmShape::Auto},
}};

constexpr std::array<std::pair<std::string_view, TAngleType>, 12> kAngles{{
    {"0", csHorizontal},
    {"90", csVertical},
    {"180", csHorizontalMirrored},
    {"270", csVerticalMirrored},
    {"horizontal", csHorizontal},
    {"vertical", csVertical},
    {"horizontal-mirrored", csHorizontalMirrored},
    {"vertical-mirrored", csVerticalMirrored},
    {"csHorizontal", csHorizontal},
    {"csVertical", csVertical},
    {"csHorizontalMirrored", csHorizontalMirrored},
    {"csVerticalMirrored", csVerticalMirrored},
}};

constexpr std::array<std::pair<std::string_view, TDisplayType>, 8> kDisplays{{
    {"none", csOutputNone},
    {"code", csOutputCode},
    {"type", csOutputType},
    {"both", csOutputBoth},
    {"csOutputNone", csOutputNone},
    {"csOutputCode", csOutputCode},
    {"csOutputType", csOutputType},
    {"csOutputBoth", csOutputBoth},
}};

constexpr std::array<std::pair<std::string_view, csPDF417UserMode>, 6> kModes{{
    {"alphanumeric", csPDF417_Alphanumeric},
    {"binary", csPDF417_Binary},
    {"numeric", csPDF417_Numeric},
    {"csPDF417_Alphanumeric", csPDF417_Alphanumeric},
    {"csPDF417_Binary", csPDF417_Binary},
    {"csPDF417_Numeric", csPDF417_Numeric},
}};

std::string BadValue(std::string_view name, std::string_view value, std::string_view expected) {
  return "--" + std::string(name) + ": \"" + std::string(value) + "\" is not " +
         std::string(expected);
}

void ApplyFont(TFont& target, const TFontSpec& spec, std::uint8_t charset) {
  target.SetName(spec.Name);
  if (spec.Size) target.SetSize(*spec.Size);
  target.SetStyle(spec.Style);
  if (spec.Color) target.SetColor(*spec.Color);
  target.SetCharset(charset);
}

}  // namespace

std::span<const TOptionInfo> ControlOptions() {
  return kOptions;
}

const TOptionInfo* FindOption(std::string_view name) {
  for (const TOptionInfo& o : kOptions)
    if (o.Name == name) return &o;
  return nullptr;
}

const TOptionInfo* FindShortOption(char c) {
  for (const TOptionInfo& o : kOptions)
    if (o.Short == c) return &o;
  return nullptr;
}

std::string SetOption(TSettings& s, std::string_view name, std::string_view value) {
  const auto switchValue = [&](std::optional<bool>& field) -> std::string {
    const auto v = ParseSwitch(value);
    if (!v) return BadValue(name, value, "yes or no");
    field = v;
    return {};
  };
  const auto pixels = [&](std::optional<int>& field) -> std::string {
    const auto v = ParseInt(value);
    if (!v || *v < 1 || *v > kMaxImageSide)
      return BadValue(name, value, "a size of 1.." + std::to_string(kMaxImageSide) + " pixels");
    field = v;
    return {};
  };
  if (name == "angle") {
    s.Angle = ParseWord(value, kAngles);
    return s.Angle ? "" : BadValue(name, value, "0, 90, 180, 270 or an orientation name");
  }
  if (name == "display") {
    s.Display = ParseWord(value, kDisplays);
    return s.Display ? "" : BadValue(name, value, "none, code, type or both");
  }
  if (name == "lines" || name == "back") {
    const auto c = ParseColour(value);
    if (!c) return BadValue(name, value, "a colour (#RRGGBB or a name such as navy)");
    (name == "lines" ? s.Lines : s.Back) = c;
    return {};
  }
  if (name == "transparent") return switchValue(s.Transparent);
  if (name == "complete-draw") return switchValue(s.CompleteDraw);
  if (name == "pdf417-truncate") return switchValue(s.PDF417Truncate);
  if (name == "strict") return switchValue(s.Strict);
  if (name == "code-font" || name == "type-font") {
    std::string error;
    auto font = ParseFont(value, error);
    if (!font) return "--" + std::string(name) + ": " + error;
    (name == "code-font" ? s.CodeFont : s.TypeFont) = std::move(font);
    return {};
  }
  if (name == "ratio") {
    const auto v = ParseInt(value);
    if (!v || *v < 1 || *v > 100) return BadValue(name, value, "a whole number 1..100");
    s.Ratio = v;
    return {};
  }
  const auto whole = [&](std::optional<int>& field, int low, int high, std::string_view what) {
    const auto v = ParseInt(value);
    if (!v || *v < low || *v > high)
      return BadValue(name, value,
                      std::string(what) + " " + std::to_string(low) + ".." + std::to_string(high));
    field = v;
    return std::string();
  };
  if (name == "module") return whole(s.Module, 1, kMaxModulePixels, "a whole number of pixels");
  if (name == "dpi") return whole(s.Dpi, 1, kMaxDpi, "a resolution");
  if (name == "margin") return whole(s.Margin, 0, kMaxMargin, "a whole number of modules");
  if (name == "quiet-zone") return switchValue(s.QuietZone);
  if (name == "xdim") {
    const auto mm = ParseLengthMm(value);
    if (!mm || *mm > kMaxLengthMm)
      return BadValue(name, value, "a length such as 0.33mm, 13mil or 0.013in");
    s.XDimension = mm;
    return {};
  }
  if (name == "height-mm") {
    double mm = 0;
    const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), mm);
    if (value.empty() || ec != std::errc() || end != value.data() + value.size() ||
        !std::isfinite(mm) || mm <= 0 || mm > kMaxLengthMm)
      return BadValue(name, value, "a height in millimetres such as 15 or 22.85");
    s.HeightMm = mm;
    return {};
  }
  if (name == "width") return pixels(s.Width);
  if (name == "height") return pixels(s.Height);
  if (name == "pdf417-mode") {
    s.PDF417Mode = ParseWord(value, kModes);
    return s.PDF417Mode ? "" : BadValue(name, value, "alphanumeric, binary or numeric");
  }
  if (name == "pdf417-level") {
    const auto v = ParseInt(value);
    if (!v || *v < 0 || *v > 8) return BadValue(name, value, "a level 0..8");
    s.PDF417Level = static_cast<csPDF417UserError>(*v);
    return {};
  }
  if (name == "gs1") return switchValue(s.Gs1);
  if (name == "qr-level") {
    s.QrLevel = ParseWord(value, kQrLevels);
    return s.QrLevel ? "" : BadValue(name, value, "L, M, Q or H");
  }
  if (name == "qr-version") return whole(s.QrVersion, 1, kMaxQrVersion, "a version");
  if (name == "qr-mask") return whole(s.QrMask, 0, kMaxQrMask, "a mask");
  if (name == "dm-shape") {
    s.DmShape = ParseWord(value, kDmShapes);
    return s.DmShape ? "" : BadValue(name, value, "square, rect or auto");
  }
  if (name == "dm-size") {
    const std::size_t x = value.find_first_of("xX");
    const auto rows = x == std::string_view::npos ? std::nullopt : ParseInt(value.substr(0, x));
    const auto cols = x == std::string_view::npos ? std::nullopt : ParseInt(value.substr(x + 1));
    if (!rows || !cols || *rows < 8 || *rows > kMaxDmSide || *cols < 8 || *cols > kMaxDmSide)
      return BadValue(name, value, "a size in modules such as 24x24 or 16x48");
    s.DmSize = std::pair{*rows, *cols};
    return {};
  }
  if (name == "codepage") {
    const auto v = ParseInt(value);
    if (!v || !IsSupportedCodePage(*v))
      return BadValue(name, value, "a supported code page (1250, 1251, 1252, 1253, 1254, 1257)");
    s.CodePage = *v;
    return {};
  }
  return "unknown option --" + std::string(name);
}

bool BoxMode(const TSettings& s) {
  return s.Width || s.Height || s.Ratio || s.CompleteDraw.value_or(false);
}

std::string ModeConflict(const TSettings& s, bool boxMode) {
  if (boxMode) {
    const char* moduleOnly = s.Module       ? "--module"
                             : s.XDimension ? "--xdim"
                             : s.Dpi        ? "--dpi"
                             : s.HeightMm   ? "--height-mm"
                             : s.Margin     ? "--margin"
                             : s.QuietZone  ? "--quiet-zone"
                                            : nullptr;
    if (moduleOnly)
      return std::string(moduleOnly) +
             " applies to module mode; -W, -H, --ratio, --complete-draw and .emf or .wmf files"
             " draw the control's box";
    return {};
  }
  if (s.Module && s.XDimension) return "--module and --xdim both set the module width";
  const bool typeCaption = s.Display && (*s.Display == csOutputType || *s.Display == csOutputBoth);
  const char* boxOnly = typeCaption  ? "--display type or both"
                        : s.CodeFont ? "--code-font"
                        : s.TypeFont ? "--type-font"
                                     : nullptr;
  if (boxOnly) return std::string(boxOnly) + " draws in box mode only: give -W or -H";
  return {};
}

std::optional<TTypeBar> ParseSymbology(std::string_view arg) {
  if (!arg.empty() && arg.size() <= 2 &&
      arg.find_first_not_of("0123456789") == std::string_view::npos) {
    const int v = std::stoi(std::string(arg));
    if (v < kTypeBarCount) return static_cast<TTypeBar>(v);
    return std::nullopt;
  }
  // Every record of a batch names its symbology: the names are read from the table, with no
  // catalogue row (character set included) built for each.
  for (int v = 0; v < kTypeBarCount; ++v) {
    if (SameIgnoringCase(arg, TypeBarIdentifier(v)) ||
        SameIgnoringCase(Trimmed(arg), Trimmed(DescriptorOf(v).Name)))
      return static_cast<TTypeBar>(v);
  }
  return std::nullopt;
}

std::string Configure(TCustomBC& bc, TTypeBar typeBar, std::string_view utf8Text,
                      const TSettings& s, bool keepUtf8) {
  TUtf8Conversion text;
  if (keepUtf8)
    text.Text = std::string(utf8Text);
  else
    text = Utf8ToCodePage(s.CodePage, utf8Text);
  if (!text.Ok) {
    return "the text cannot be written in code page " + std::to_string(s.CodePage) + ": " +
           text.Problem + " at byte " + std::to_string(text.BadPosition);
  }
  // Captions draw the 8-bit text in the code page their font's character set names.
  const std::uint8_t charset =
      s.CodePage == kDefaultCodePage ? kDefaultCharset : CharsetOfCodePage(s.CodePage);
  try {
    bc.Font().SetCharset(charset);
    TFont codeFont;
    codeFont.Assign(bc.Font_Code());
    codeFont.SetCharset(charset);
    if (s.CodeFont) ApplyFont(codeFont, *s.CodeFont, charset);
    bc.SetFont_Code(codeFont);
    TFont typeFont;
    typeFont.Assign(bc.Font_Type());
    typeFont.SetCharset(charset);
    if (s.TypeFont) ApplyFont(typeFont, *s.TypeFont, charset);
    bc.SetFont_Type(typeFont);

    bc.SetTypeBar(typeBar);
    bc.SetText(text.Text);
    if (s.PDF417Mode) bc.SetPDF417_Mode(*s.PDF417Mode);
    if (s.PDF417Level) {
      bc.SetPDF417_SecurityLevel(*s.PDF417Level);
      // A new control holds level 0 already, so for level 0 the setter leaves the PDF417 object
      // on its automatic level: the level asked for goes to the object itself.
      bc.PDF417().SetSecurityLevel(static_cast<csPDF417ErrorCorrection>(*s.PDF417Level + 1));
    }
    if (s.PDF417Truncate) bc.SetPDF417_Truncate(*s.PDF417Truncate);
    if (s.QrLevel) bc.SetQR_Level(*s.QrLevel);
    if (s.QrVersion) bc.SetQR_MinVersion(*s.QrVersion);
    if (s.QrMask) bc.SetQR_Mask(*s.QrMask);
    if (s.DmShape) bc.SetDM_Shape(*s.DmShape);
    if (s.DmSize) {
      bc.SetDM_Rows(s.DmSize->first);
      bc.SetDM_Columns(s.DmSize->second);
    }
    if (s.Gs1) bc.SetGS1(*s.Gs1);
    if (s.Display) bc.SetDisplay(*s.Display);
    if (s.Angle) bc.SetAngle(*s.Angle);
    if (s.Lines) bc.SetColor_Lines(*s.Lines);
    if (s.Back) bc.SetColor_Back(*s.Back);
    if (s.Transparent) bc.SetTransparent(*s.Transparent);
    if (s.CompleteDraw) bc.SetCompleteDraw(*s.CompleteDraw);
    if (s.Ratio) bc.SetRatio(*s.Ratio);
    if (s.Width) bc.SetWidth(*s.Width);
    if (s.Height) bc.SetHeight(*s.Height);
  } catch (const std::exception& e) {
    return e.what();
  }
  return {};
}

}  // namespace brevix::cli
