#pragma once
// Brevix for C++ programs: value types and free functions from a text to a barcode's pixels or
// file bytes, over the symbol model, the module-mode layout and the output writers.
//
//   #include <brevix/api/barcode.h>
//   namespace bx = brevix::api;
//   const bx::Symbol s = bx::Encode(bx::Symbology::FromName("EAN 13"), "977121010700");
//   bx::Write(s, "label.png");                                  // module mode, quiet zones
//   const std::vector<std::uint8_t> svg = bx::ToBytes(s, bx::Format::Svg, {.XDimensionMm = 0.33});
//
// One error channel: every function here reports a failure by throwing brevix::api::Error, with
// a code saying what kind of problem it is, the 1-based position of the offending character for
// a refused text, and a message for the user. Nothing returns an empty or half-made result.
//
// Threads: the functions keep no state between calls and may run on any number of threads at
// once. A Renderer keeps its buffers from one picture to the next; a loop that makes many keeps
// one per thread (a Renderer must not be shared between threads running at the same time).
//
// The pictures and files are those the brevix tool writes in its default module mode for the same
// options: whole pixels per module, the symbology's standard quiet zones, captions sized to the
// modules.

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "../core/types.h"
#include "../symbol/symbol.h"

namespace brevix {
struct TModuleModeContext;
}

namespace brevix::api {

// ---- Errors ------------------------------------------------------------------------------------

enum class ErrorCode : std::uint8_t {
  Text,       // the text cannot be encoded in the symbology; Result() says why
  Symbology,  // no symbology of that value or name
  Option,     // an option outside its range (code page, angle, sizes, PDF417 settings)
  Format,     // no raster or vector format of that name or extension
  Size,       // the picture would be larger than the image writers take
  Write,      // the file could not be written; an existing file stays as it was
  Memory,     // memory ran out for the picture
};

class Error : public std::runtime_error {
 public:
  Error(ErrorCode code, const std::string& message, int position = 0, TLastError result = erOK)
      : std::runtime_error(message), FCode(code), FPosition(position), FResult(result) {}
  ErrorCode Code() const { return FCode; }
  // The 1-based position of the character the text is refused for, in characters of the text as
  // given (a byte for 8-bit text); 0 when the text is refused as a whole or for another cause.
  int Position() const { return FPosition; }
  // For ErrorCode::Text, the control's result code (erCharOutOfSet, erMustBe...); erOK otherwise.
  TLastError Result() const { return FResult; }

 private:
  ErrorCode FCode;
  int FPosition;
  TLastError FResult;
};

// ---- Symbologies -------------------------------------------------------------------------------

// One symbology of the descriptor rows. Every row is a symbology here: one added to the rows is
// listed, found by name and encoded without a change to this header.
class Symbology {
 public:
  constexpr Symbology(TTypeBar type = csCode_2_5_interleaved) : FType(type) {}  // NOLINT: implicit
  // By enumeration value; ErrorCode::Symbology outside the rows.
  static Symbology FromValue(int value);
  // By identifier ("csCodeEAN13", also without its "cs" or "csCode" start: "EAN13"), catalogue
  // name ("EAN 13") or value ("22"), ignoring case, spaces and punctuation. A name of digits only
  // is a value: "39" is not Code 39 (that is "Code39").
  static Symbology FromName(std::string_view name);
  static std::optional<Symbology> Find(std::string_view name);
  // Every symbology, in enumeration order.
  static std::vector<Symbology> All();

  TTypeBar Type() const { return FType; }
  int Value() const { return static_cast<int>(FType); }
  std::string_view Identifier() const;  // "csCodeEAN13"
  std::string_view Name() const;        // "EAN 13"
  std::string Sample() const;           // a text it encodes, UTF-8 (empty for none)
  bool Stacked() const;                 // more than one row of modules (PDF417)

  friend bool operator==(Symbology a, Symbology b) { return a.FType == b.FType; }

 private:
  TTypeBar FType;
};

// ---- Encoding ----------------------------------------------------------------------------------

enum class Pdf417Mode : std::uint8_t { Alphanumeric, Binary, Numeric };

struct Pdf417Options {
  Pdf417Mode Mode = Pdf417Mode::Alphanumeric;
  int Level = -1;    // error correction 0..8; -1 chooses it from the text's length
  int Columns = 10;  // data columns 1..30
  int Rows = 0;      // 0: as many as the text needs; else 3..90
  bool Truncated = false;
};

enum class QrLevel : std::uint8_t { L, M, Q, H };

// QR Code and Data Matrix texts stay UTF-8 whatever CodePage says: texts beyond ISO 8859-1 are
// written with their ECI, as the tool writes them.
struct QrOptions {
  QrLevel Level = QrLevel::M;
  int MinVersion = 0;  // 0: the smallest version that holds the text; else 1..40
  int Mask = -1;       // -1: chosen by the penalty rules; else 0..7
};

enum class DataMatrixShape : std::uint8_t { Square, Rectangle, Auto };

struct DataMatrixOptions {
  DataMatrixShape Shape = DataMatrixShape::Square;
  int Rows = 0;  // a fixed size (e.g. 16 x 48), or 0 x 0 for the smallest that holds the text
  int Columns = 0;
};

struct EncodeOptions {
  // Strict (false): a check character the text carries must be right, else ErrorCode::Text with
  // erMustBe and its position; a missing one is added. True: a wrong one is replaced.
  bool CompleteCheckDigits = false;
  // The 8-bit code page the UTF-8 text is converted to, as the tool's --codepage (1250..1258,
  // 437, 850...); 0 takes the text's bytes as they are.
  int CodePage = 1252;
  Pdf417Options Pdf417;
  QrOptions Qr;
  DataMatrixOptions DataMatrix;
  // QR Code and Data Matrix: the text is GS1 data in AI syntax, "(01)09501101530003(10)A1", and
  // is encoded with FNC1 first. GS1-128 always reads its text so.
  bool Gs1 = false;
  // Options of further symbologies join here, one struct each, and are copied into the symbol
  // options in ToSymbolOptions (barcode.cpp).
};

struct Symbol {
  Symbology Type;
  std::string
      Text;         // the text encoded, check characters completed (UTF-8, or bytes for CodePage 0)
  TSymbol Modules;  // module rows, bar kinds and human-readable text; no quiet zone

  int Width() const { return Modules.Width; }      // modules
  int Height() const { return Modules.Height(); }  // modules
};

// The symbol the text gives in a symbology. ErrorCode::Text when the symbology refuses it,
// ErrorCode::Option for a code page or PDF417 setting out of range.
Symbol Encode(Symbology type, std::string_view text, const EncodeOptions& options = {});

// ---- Rendering ---------------------------------------------------------------------------------

struct Color {
  std::uint8_t R = 0, G = 0, B = 0;
  friend bool operator==(const Color&, const Color&) = default;
};

struct RenderOptions {
  int ModulePixels = 2;     // pixels (dots) per module, 1..1000
  double XDimensionMm = 0;  // when positive: the module width, as the whole dots closest at Dpi
  int Dpi = 96;             // written into files; 1..65535
  bool QuietZones = true;   // the symbology's standard minimum
  int Margin = 0;           // modules beyond the quiet zones, on every side; 0..1000
  // The bars' height: HeightModules when positive, else HeightMm (pixels at Dpi for raster
  // output, millimetres for vector output), else the symbology's convention.
  int HeightModules = 0;
  double HeightMm = 0;
  bool ShowText = true;
  int Angle = 0;  // counter-clockwise: 0, 90, 180 or 270
  Color Foreground{0, 0, 0};
  Color Background{255, 255, 255};
  bool Transparent = false;  // the background shows what lies beneath (GIF, PNG, SVG, EPS, PDF)
};

// A raster picture: rows top first, Channels bytes a pixel (R, G, B, and alpha when the options
// asked for transparency: 0 over the background, 255 elsewhere).
struct Image {
  int Width = 0;
  int Height = 0;
  int Channels = 3;
  int Dpi = 96;
  int ModulePixels = 1;  // the pixels per module the picture was drawn with
  std::vector<std::uint8_t> Pixels;
};

enum class Format : std::uint8_t { Bmp, Gif, Png, Tiff, Jpeg, Svg, Eps, Pdf };

// Every format, raster first.
std::span<const Format> Formats();
// By name or extension, any case: "png", ".png", "label.png", "tif", "jpeg".
std::optional<Format> FormatOf(std::string_view nameOrPath);
std::string_view Extension(Format format);  // ".png"
bool IsVector(Format format);

// Keeps the buffers, the PNG compressor and the glyph work of one thread from one picture to
// the next. Movable, not copyable; one per thread.
class Renderer {
 public:
  Renderer();
  ~Renderer();
  Renderer(Renderer&&) noexcept;
  Renderer& operator=(Renderer&&) noexcept;
  Renderer(const Renderer&) = delete;
  Renderer& operator=(const Renderer&) = delete;

  Image Render(const Symbol& symbol, const RenderOptions& options = {});
  // The file's bytes, valid until the next call on this renderer.
  std::span<const std::uint8_t> Encode(const Symbol& symbol, Format format,
                                       const RenderOptions& options = {});
  std::vector<std::uint8_t> ToBytes(const Symbol& symbol, Format format,
                                    const RenderOptions& options = {});
  // In the format the path's extension names; the file appears whole or not at all.
  void Write(const Symbol& symbol, const std::string& path, const RenderOptions& options = {});

 private:
  std::unique_ptr<TModuleModeContext> FContext;
};

// The same with a renderer of their own for the one call.
Image Render(const Symbol& symbol, const RenderOptions& options = {});
std::vector<std::uint8_t> ToBytes(const Symbol& symbol, Format format,
                                  const RenderOptions& options = {});
void Write(const Symbol& symbol, const std::string& path, const RenderOptions& options = {});

}  // namespace brevix::api
