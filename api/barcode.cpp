#include "api/barcode.h"

#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <new>
#include <system_error>

#include "core/catalogue.h"
#include "core/symbologies.h"
#include "encode/build_symbol.h"
#include "imagewriters/image_file.h"
#include "layout/module_layout.h"
#include "output/file_formats.h"
#include "output/module_mode.h"
#include "pdf417/pdf417.h"
#include "platform/bitmap.h"
#include "platform/codepage.h"

namespace brevix::api {

namespace {

// The tool's ranges for the same options.
constexpr int kMaxModulePixels = 1000;
constexpr int kMaxDpi = 65535;
constexpr int kMaxMargin = 1000;
constexpr int kMaxHeightModules = 100000;
constexpr double kMaxLengthMm = 1000;

constexpr std::array<Format, 8> kFormats{Format::Bmp,  Format::Gif, Format::Png, Format::Tiff,
                                         Format::Jpeg, Format::Svg, Format::Eps, Format::Pdf};
constexpr std::array<std::string_view, 8> kExtensions{".bmp", ".gif", ".png", ".tif",
                                                      ".jpg", ".svg", ".eps", ".pdf"};
static_assert(static_cast<int>(Format::Pdf) == static_cast<int>(TModuleFormat::Pdf) &&
                  static_cast<int>(Format::Svg) == static_cast<int>(TModuleFormat::Svg) &&
                  static_cast<int>(Format::Bmp) == static_cast<int>(TModuleFormat::Bmp),
              "Format names the module formats in their order");

[[noreturn]] void Fail(ErrorCode code, const std::string& message) {
  throw Error(code, message);
}

// Lower-case letters and digits only: "EAN-13", "ean 13" and "Ean13" read alike.
std::string Folded(std::string_view s) {
  std::string out;
  for (const char c : s)
    if (std::isalnum(static_cast<unsigned char>(c)))
      out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

bool NameMatches(const TSymbologyDescriptor& row, const std::string& folded) {
  const std::string id = Folded(row.Identifier != nullptr ? row.Identifier : "");
  if (folded == id || folded == Folded(row.Name)) return true;
  for (const std::string_view start : {"cscode", "cs"})
    if (id.starts_with(start) && folded == id.substr(start.size())) return true;
  return false;
}

std::string ToUtf8(int codePage, std::string_view text) {
  return codePage == 0 ? std::string(text) : CodePageToUtf8(codePage, text);
}

TSymbolOptions ToSymbolOptions(const EncodeOptions& o) {
  TSymbolOptions s;
  s.CheckDigits = o.CompleteCheckDigits ? TCheckDigits::Complete : TCheckDigits::Strict;
  const Pdf417Options& p = o.Pdf417;
  static constexpr std::array<csPDF417Mode, 3> kModes{csPDF417Alphanumeric, csPDF417Binary,
                                                      csPDF417Numeric};
  const auto mode = static_cast<std::size_t>(p.Mode);
  if (mode >= kModes.size()) Fail(ErrorCode::Option, "unknown PDF417 mode");
  s.PDF417Mode = kModes[mode];
  if (p.Level < -1 || p.Level > 8)
    Fail(ErrorCode::Option, "PDF417 level " + std::to_string(p.Level) + ": use 0..8, or -1");
  s.PDF417Level = p.Level < 0 ? csPDF417AutoEC : static_cast<csPDF417ErrorCorrection>(p.Level + 1);
  if (p.Columns < 1 || p.Columns > kPDF417MaxCols)
    Fail(ErrorCode::Option, "PDF417 columns " + std::to_string(p.Columns) + ": use 1.." +
                                std::to_string(kPDF417MaxCols));
  if (p.Rows != 0 && (p.Rows < kPDF417MinRows || p.Rows > kPDF417MaxRows))
    Fail(ErrorCode::Option, "PDF417 rows " + std::to_string(p.Rows) + ": use 0, or " +
                                std::to_string(kPDF417MinRows) + ".." +
                                std::to_string(kPDF417MaxRows));
  s.PDF417Cols = p.Columns;
  s.PDF417Rows = p.Rows;
  s.PDF417Truncated = p.Truncated;
  if (static_cast<int>(o.Qr.Level) > static_cast<int>(QrLevel::H))
    Fail(ErrorCode::Option, "unknown QR Code level");
  if (o.Qr.MinVersion < 0 || o.Qr.MinVersion > 40)
    Fail(ErrorCode::Option,
         "QR Code version " + std::to_string(o.Qr.MinVersion) + ": use 1..40, or 0");
  if (o.Qr.Mask < -1 || o.Qr.Mask > 7)
    Fail(ErrorCode::Option, "QR Code mask " + std::to_string(o.Qr.Mask) + ": use 0..7, or -1");
  s.QrLevel = static_cast<TQrLevel>(o.Qr.Level);
  s.QrMinVersion = o.Qr.MinVersion;
  s.QrMask = o.Qr.Mask;
  if (static_cast<int>(o.DataMatrix.Shape) > static_cast<int>(DataMatrixShape::Auto))
    Fail(ErrorCode::Option, "unknown Data Matrix shape");
  if ((o.DataMatrix.Rows == 0) != (o.DataMatrix.Columns == 0) || o.DataMatrix.Rows < 0 ||
      o.DataMatrix.Columns < 0)
    Fail(ErrorCode::Option, "Data Matrix size " + std::to_string(o.DataMatrix.Rows) + " x " +
                                std::to_string(o.DataMatrix.Columns) +
                                ": give both, or 0 x 0 for the smallest");
  s.DmShape = static_cast<TDmShape>(o.DataMatrix.Shape);
  s.DmRows = o.DataMatrix.Rows;
  s.DmColumns = o.DataMatrix.Columns;
  s.Gs1 = o.Gs1;
  return s;
}

// The 1-based character position of a 1-based byte position in UTF-8 text.
int CharacterAt(std::string_view utf8, int bytePosition) {
  int characters = 0;
  for (int i = 0; i < bytePosition - 1 && i < static_cast<int>(utf8.size()); ++i)
    if ((static_cast<unsigned char>(utf8[i]) & 0xC0) != 0x80) ++characters;
  return characters + 1;
}

void CheckRange(bool ok, std::string_view what, double value, std::string_view range) {
  if (ok) return;
  char number[32];
  const auto [end, ec] = std::to_chars(number, number + sizeof number, value);
  Fail(ErrorCode::Option, std::string(what) + " " +
                              std::string(number, ec == std::errc() ? end : number) + ": use " +
                              std::string(range));
}

TColor ToColor(Color c) {
  return RGBColor(c.R, c.G, c.B);
}

// The module-mode options the tool gives for the same settings, for a raster picture or a
// vector document.
TModuleOptions ToModuleOptions(const RenderOptions& o, bool vector) {
  CheckRange(o.ModulePixels >= 1 && o.ModulePixels <= kMaxModulePixels, "ModulePixels",
             o.ModulePixels, "1..1000");
  CheckRange(o.Dpi >= 1 && o.Dpi <= kMaxDpi, "Dpi", o.Dpi, "1..65535");
  CheckRange(o.Margin >= 0 && o.Margin <= kMaxMargin, "Margin", o.Margin, "0..1000");
  CheckRange(o.HeightModules >= 0 && o.HeightModules <= kMaxHeightModules, "HeightModules",
             o.HeightModules, "0..100000");
  CheckRange(std::isfinite(o.XDimensionMm) && o.XDimensionMm >= 0 && o.XDimensionMm <= kMaxLengthMm,
             "XDimensionMm", o.XDimensionMm, "0 (none) or up to 1000");
  CheckRange(std::isfinite(o.HeightMm) && o.HeightMm >= 0 && o.HeightMm <= kMaxLengthMm, "HeightMm",
             o.HeightMm, "0 (none) or up to 1000");
  CheckRange(o.Angle == 0 || o.Angle == 90 || o.Angle == 180 || o.Angle == 270, "Angle", o.Angle,
             "0, 90, 180 or 270");
  TModuleOptions m;
  m.PixelsPerModule = o.ModulePixels;
  m.XDimensionMm = o.XDimensionMm;
  m.Dpi = o.Dpi;
  m.QuietZones = o.QuietZones;
  m.Margin = o.Margin;
  m.HeightModules = o.HeightModules;
  if (o.HeightModules == 0 && o.HeightMm > 0) {
    // As the tool: vector files are drawn at the physical module width; a raster picture gets
    // the whole number of pixels closest to the height at its resolution.
    if (vector)
      m.HeightMm = o.HeightMm;
    else
      m.HeightPixels = std::max(1, static_cast<int>(std::lround(o.HeightMm / 25.4 * o.Dpi)));
  }
  m.ShowText = o.ShowText;
  m.Angle = o.Angle;
  m.Foreground = ToColor(o.Foreground);
  m.Background = ToColor(o.Background);
  m.Transparent = o.Transparent;
  return m;
}

void RequireSymbol(const Symbol& symbol) {
  if (symbol.Modules.Empty() || symbol.Modules.Rows.size() != symbol.Modules.RowHeights.size())
    Fail(ErrorCode::Option, "the symbol is empty: make it with Encode");
}

// A raster picture the writers cannot take, refused before drawing with its size.
void RequireRasterSize(const Symbol& symbol, const TModuleOptions& options, TDrawing& drawing) {
  LayoutModuleMode(symbol.Modules, options, drawing);
  const double w = std::round(drawing.TurnedWidth() * drawing.PixelsPerModule);
  const double h = std::round(drawing.TurnedHeight() * drawing.PixelsPerModule);
  if (w <= kMaxImageSide && h <= kMaxImageSide && w * h <= static_cast<double>(kMaxImagePixels))
    return;
  Fail(ErrorCode::Size, "the picture would be " + std::to_string(static_cast<long long>(w)) +
                            " x " + std::to_string(static_cast<long long>(h)) +
                            " pixels, beyond what the writers take: use a smaller ModulePixels, "
                            "XDimensionMm or height");
}

// Runs a drawing step, turning the lower layers' exceptions into Error.
template <class F>
auto Guarded(F&& f) -> decltype(f()) {
  try {
    return f();
  } catch (const Error&) {
    throw;
  } catch (const EImageWriteError& e) {
    throw Error(ErrorCode::Write, e.what());
  } catch (const EImageEncodeError& e) {
    throw Error(ErrorCode::Size, e.what());
  } catch (const EPictureAllocError& e) {
    throw Error(ErrorCode::Memory, e.what());
  } catch (const std::bad_alloc&) {
    throw Error(ErrorCode::Memory, "out of memory for the picture");
  } catch (const std::system_error& e) {
    throw Error(ErrorCode::Write, e.what());
  }
}

}  // namespace

// ---- Symbology ---------------------------------------------------------------------------------

Symbology Symbology::FromValue(int value) {
  if (SymbologyOf(value) == nullptr)
    Fail(ErrorCode::Symbology, "no symbology numbered " + std::to_string(value) + " (0.." +
                                   std::to_string(kTypeBarCount - 1) + ")");
  return Symbology(static_cast<TTypeBar>(value));
}

std::optional<Symbology> Symbology::Find(std::string_view name) {
  int value = 0;
  const auto [end, ec] = std::from_chars(name.data(), name.data() + name.size(), value);
  if (!name.empty() && ec == std::errc() && end == name.data() + name.size()) {
    if (SymbologyOf(value) == nullptr) return std::nullopt;
    return Symbology(static_cast<TTypeBar>(value));
  }
  const std::string folded = Folded(name);
  if (folded.empty()) return std::nullopt;
  for (const TSymbologyDescriptor& row : kSymbologies)
    if (NameMatches(row, folded)) return Symbology(row.TypeBar);
  return std::nullopt;
}

Symbology Symbology::FromName(std::string_view name) {
  if (const auto s = Find(name)) return *s;
  Fail(ErrorCode::Symbology, "unknown symbology \"" + std::string(name) + "\"");
}

std::vector<Symbology> Symbology::All() {
  std::vector<Symbology> all;
  for (const TSymbologyDescriptor& row : kSymbologies) all.emplace_back(row.TypeBar);
  return all;
}

std::string_view Symbology::Identifier() const {
  return DescriptorOf(FType).Identifier != nullptr ? DescriptorOf(FType).Identifier : "";
}

std::string_view Symbology::Name() const {
  return DescriptorOf(FType).Name;
}

std::string Symbology::Sample() const {
  return CodePageToUtf8(kDefaultCodePage, DescriptorOf(FType).Sample);
}

bool Symbology::Stacked() const {
  return FType == csCodePDF417;
}

// ---- Encode ------------------------------------------------------------------------------------

Symbol Encode(Symbology type, std::string_view text, const EncodeOptions& options) {
  if (SymbologyOf(type.Value()) == nullptr) Symbology::FromValue(type.Value());
  // QR Code and Data Matrix take the UTF-8 text itself (see QrOptions).
  const int codePage = IsMatrixSymbology(type.Value()) ? 0 : options.CodePage;
  if (codePage != 0 && !IsSupportedCodePage(codePage))
    Fail(ErrorCode::Option, "code page " + std::to_string(codePage) + " is not supported");
  std::string converted;
  if (codePage == 0) {
    converted = std::string(text);
  } else {
    TUtf8Conversion c = Utf8ToCodePage(codePage, text);
    if (!c.Ok) {
      const int at = CharacterAt(text, c.BadPosition);
      throw Error(ErrorCode::Text,
                  "the text cannot be written in code page " + std::to_string(codePage) + ": " +
                      c.Problem + " at character " + std::to_string(at),
                  at, erCharOutOfSet);
    }
    converted = std::move(c.Text);
  }
  const TSymbolOptions symbolOptions = ToSymbolOptions(options);
  TBuiltSymbol built = Guarded([&] { return BuildSymbol(type.Type(), converted, symbolOptions); });
  if (!built.Ok()) {
    const TSymbolError& e = built.Error;
    std::string message = ToUtf8(codePage == 0 ? kDefaultCodePage : codePage, e.Message);
    if (e.Code == erMustBe)
      message = "wrong check character at position " + std::to_string(e.Position) + " " + message +
                ": correct it, or ask for completion";
    else if (e.Position > 0)
      message += " at position " + std::to_string(e.Position);
    throw Error(ErrorCode::Text, message, e.Position, e.Code);
  }
  Symbol s;
  s.Type = type;
  s.Text = ToUtf8(codePage, built.Text);
  s.Modules = std::move(built.Symbol);
  return s;
}

// ---- Formats -----------------------------------------------------------------------------------

std::span<const Format> Formats() {
  return kFormats;
}

std::optional<Format> FormatOf(std::string_view nameOrPath) {
  std::string name(nameOrPath);
  if (ExtensionOf(name).empty()) name = "." + name;
  const std::optional<TModuleFormat> f = ModuleFormatOf(name);
  if (!f) return std::nullopt;
  return static_cast<Format>(*f);
}

std::string_view Extension(Format format) {
  const auto i = static_cast<std::size_t>(format);
  return i < kExtensions.size() ? kExtensions[i] : std::string_view();
}

bool IsVector(Format format) {
  return IsVectorFormat(static_cast<TModuleFormat>(format));
}

// ---- Renderer ----------------------------------------------------------------------------------

Renderer::Renderer() : FContext(std::make_unique<TModuleModeContext>()) {}
Renderer::~Renderer() = default;
Renderer::Renderer(Renderer&&) noexcept = default;
Renderer& Renderer::operator=(Renderer&&) noexcept = default;

Image Renderer::Render(const Symbol& symbol, const RenderOptions& options) {
  RequireSymbol(symbol);
  const TModuleOptions m = ToModuleOptions(options, false);
  if (!FContext) FContext = std::make_unique<TModuleModeContext>();
  TModuleModeContext& c = *FContext;
  return Guarded([&] {
    RequireRasterSize(symbol, m, c.Drawing);
    const TBitmap& picture = RenderModuleMode(symbol.Modules, m, c);
    Image image;
    image.Width = picture.Width;
    image.Height = picture.Height;
    image.Dpi = c.Drawing.Dpi;
    image.ModulePixels = c.Drawing.PixelsPerModule;
    if (!options.Transparent) {
      image.Pixels = picture.Rgb;
      return image;
    }
    // The writers that keep transparency mark the background colour transparent: so here.
    image.Channels = 4;
    const std::size_t count = static_cast<std::size_t>(picture.Width) * picture.Height;
    image.Pixels.resize(count * 4);
    const Color back = options.Background;
    for (std::size_t i = 0; i < count; ++i) {
      const std::uint8_t* p = &picture.Rgb[i * 3];
      std::uint8_t* q = &image.Pixels[i * 4];
      q[0] = p[0];
      q[1] = p[1];
      q[2] = p[2];
      q[3] = p[0] == back.R && p[1] == back.G && p[2] == back.B ? 0 : 255;
    }
    return image;
  });
}

std::span<const std::uint8_t> Renderer::Encode(const Symbol& symbol, Format format,
                                               const RenderOptions& options) {
  RequireSymbol(symbol);
  if (Extension(format).empty()) Fail(ErrorCode::Format, "unknown format");
  const TModuleOptions m = ToModuleOptions(options, IsVector(format));
  if (!FContext) FContext = std::make_unique<TModuleModeContext>();
  TModuleModeContext& c = *FContext;
  return Guarded([&] {
    if (!IsVector(format)) RequireRasterSize(symbol, m, c.Drawing);
    return EncodeModuleModeFile(static_cast<TModuleFormat>(format), symbol.Modules, m, c);
  });
}

std::vector<std::uint8_t> Renderer::ToBytes(const Symbol& symbol, Format format,
                                            const RenderOptions& options) {
  const std::span<const std::uint8_t> bytes = Encode(symbol, format, options);
  return {bytes.begin(), bytes.end()};
}

void Renderer::Write(const Symbol& symbol, const std::string& path, const RenderOptions& options) {
  const TFileFormat file = FileFormatOf(path);
  const std::optional<TModuleFormat> format = ModuleFormatOf(path);
  if (!format) {
    Fail(ErrorCode::Format,
         file == TFileFormat::None
             ? UnknownFormatMessage(path)
             : "cannot write \"" + path + "\": WMF and EMF are drawn by the control only");
  }
  const std::span<const std::uint8_t> bytes = Encode(symbol, static_cast<Format>(*format), options);
  Guarded([&] { WriteFileAtomically(path, bytes); });
}

Image Render(const Symbol& symbol, const RenderOptions& options) {
  Renderer r;
  return r.Render(symbol, options);
}

std::vector<std::uint8_t> ToBytes(const Symbol& symbol, Format format,
                                  const RenderOptions& options) {
  Renderer r;
  return r.ToBytes(symbol, format, options);
}

void Write(const Symbol& symbol, const std::string& path, const RenderOptions& options) {
  Renderer r;
  r.Write(symbol, path, options);
}

}  // namespace brevix::api
