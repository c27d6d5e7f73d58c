#include "output/module_mode.h"

#include <array>
#include <cctype>
#include <span>

#include "imagewriters/image_writers.h"
#include "output/vector_writers.h"

namespace brevix {

namespace {

struct TFormatRow {
  std::string_view Extension;
  TModuleFormat Format;
};

constexpr std::array<TFormatRow, 11> kFormats{{
    {".bmp", TModuleFormat::Bmp},
    {".gif", TModuleFormat::Gif},
    {".png", TModuleFormat::Png},
    {".tif", TModuleFormat::Tiff},
    {".tiff", TModuleFormat::Tiff},
    {".jpg", TModuleFormat::Jpeg},
    {".jpeg", TModuleFormat::Jpeg},
    {".jpe", TModuleFormat::Jpeg},
    {".svg", TModuleFormat::Svg},
    {".eps", TModuleFormat::Eps},
    {".pdf", TModuleFormat::Pdf},
}};

constexpr int kJpegQuality = 100;

bool SameLetters(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != b[i]) return false;
  return true;
}

// The picture as a palette image, its background marked transparent when the drawing asks.
const TGifImage& PaletteImage(TModuleModeContext& c) {
  const TDrawing& d = c.Drawing;
  GifImageFromBitmap(c.Picture, c.Gif);
  if (d.Transparent && !AddTransparency(c.Gif, d.Background)) {
    // A full palette without the background colour: one colour fewer makes room for it.
    GifImageFromBitmap(c.Picture, c.Gif, kMaxGifColors - 1);
    AddTransparency(c.Gif, d.Background);
  }
  return c.Gif;
}

TBytes EncodeRaster(TModuleFormat format, TModuleModeContext& c) {
  const int dpi = c.Drawing.Dpi;
  switch (format) {
    case TModuleFormat::Bmp:
      return EncodeBmp(c.Picture, dpi);
    case TModuleFormat::Jpeg:
      return EncodeJpeg(c.Picture, kJpegQuality, dpi);
    case TModuleFormat::Gif:
      return EncodeGif(PaletteImage(c));
    case TModuleFormat::Png:
      return EncodePng(PaletteImage(c), dpi);
    case TModuleFormat::Tiff: {
      // TIFF readers disagree on transparency in palette files: the background stays opaque.
      GifImageFromBitmap(c.Picture, c.Gif);
      return EncodeTiff(c.Gif, dpi);
    }
    default:
      return {};
  }
}

}  // namespace

std::optional<TModuleFormat> ModuleFormatOf(std::string_view fileName) {
  const std::size_t slash = fileName.find_last_of("/\\");
  const std::size_t dot = fileName.rfind('.');
  if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash))
    return std::nullopt;
  const std::string_view extension = fileName.substr(dot);
  for (const TFormatRow& row : kFormats)
    if (SameLetters(extension, row.Extension)) return row.Format;
  return std::nullopt;
}

const TBitmap& RenderModuleMode(const TSymbol& symbol, const TModuleOptions& options,
                                TModuleModeContext& context) {
  context.Drawing = LayoutModuleMode(symbol, options);
  RenderDrawing(context.Drawing, context.Picture, context.Raster);
  return context.Picture;
}

void WriteModuleModeFile(const std::string& fileName, const TSymbol& symbol,
                         const TModuleOptions& options, TModuleModeContext& context) {
  const std::optional<TModuleFormat> format = ModuleFormatOf(fileName);
  if (!format) throw EImageWriteError(fileName, "no picture format has this extension");
  SaveImageFile(fileName, [&]() -> std::span<const std::uint8_t> {
    context.Drawing = LayoutModuleMode(symbol, options);
    if (context.Drawing.Width <= 0) throw EImageEncodeError("nothing to draw");
    std::string& doc = context.Document;
    doc.clear();
    switch (*format) {
      case TModuleFormat::Svg:
        WriteSvg(context.Drawing, doc);
        break;
      case TModuleFormat::Eps:
        WriteEps(context.Drawing, doc);
        break;
      case TModuleFormat::Pdf:
        WritePdf(context.Drawing, doc);
        break;
      default: {
        RenderDrawing(context.Drawing, context.Picture, context.Raster);
        const TBytes bytes = EncodeRaster(*format, context);
        doc.assign(bytes.begin(), bytes.end());
        break;
      }
    }
    return std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(doc.data()),
                                         doc.size());
  });
}

void WriteModuleModeFile(const std::string& fileName, const TSymbol& symbol,
                         const TModuleOptions& options) {
  TModuleModeContext context;
  WriteModuleModeFile(fileName, symbol, options, context);
}

}  // namespace brevix
