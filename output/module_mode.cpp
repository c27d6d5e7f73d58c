#include "output/module_mode.h"

#include <span>

#include "imagewriters/image_writers.h"
#include "output/file_formats.h"
#include "output/vector_writers.h"

namespace brevix {

namespace {

constexpr int kJpegQuality = 100;

// The formats written from a palette image, which reads repeated rows through the drawing's
// flags: their pictures are drawn without copying those rows.
bool IsPaletteFormat(TModuleFormat format) {
  return format == TModuleFormat::Gif || format == TModuleFormat::Png ||
         format == TModuleFormat::Tiff;
}

// The picture as a palette image, its background marked transparent when asked.
void ConvertToPalette(TModuleModeContext& c, bool transparent) {
  const TDrawing& d = c.Drawing;
  // Rows the drawing made equal to the row above need no comparing.
  const std::span<const std::uint8_t> repeats = c.Raster.Repeats;
  if (transparent)
    TransparentGifImageFromBitmap(c.Picture, c.Gif, d.Background, repeats);
  else
    GifImageFromBitmap(c.Picture, c.Gif, kMaxGifColors, repeats);
  if (c.Raster.RepeatsLeft && c.Gif.RepeatsAbove.empty()) {
    // Too many colours for an exact palette (a drawing of two colours and text never has): the
    // reduction reads every pixel, so the picture is drawn again whole.
    RenderDrawing(d, c.Picture, c.Raster);
    ConvertToPalette(c, transparent);
  }
}

const TGifImage& PaletteImage(TModuleModeContext& c) {
  ConvertToPalette(c, c.Drawing.Transparent);
  return c.Gif;
}

// The file of a raster format, in the context.
std::span<const std::uint8_t> EncodeRaster(TModuleFormat format, TModuleModeContext& c) {
  const int dpi = c.Drawing.Dpi;
  switch (format) {
    case TModuleFormat::Bmp:
      c.Bytes = EncodeBmp(c.Picture, dpi);
      break;
    case TModuleFormat::Jpeg:
      c.Bytes = EncodeJpeg(c.Picture, kJpegQuality, dpi);
      break;
    case TModuleFormat::Gif:
      c.Bytes = EncodeGif(PaletteImage(c));
      break;
    case TModuleFormat::Png:
      if (!c.Png) c.Png = std::make_unique<TPngEncoder>();
      return c.Png->Encode(PaletteImage(c), dpi);
    case TModuleFormat::Tiff: {
      // TIFF readers disagree on transparency in palette files: the background stays opaque.
      ConvertToPalette(c, false);
      c.Bytes = EncodeTiff(c.Gif, dpi);
      break;
    }
    default:
      c.Bytes.clear();
      break;
  }
  return c.Bytes;
}

}  // namespace

std::optional<TModuleFormat> ModuleFormatOf(std::string_view fileName) {
  return ModuleFormatOf(FileFormatOf(fileName));
}

std::optional<TModuleFormat> ModuleFormatOf(TFileFormat format) {
  switch (format) {
    case TFileFormat::Bmp:
      return TModuleFormat::Bmp;
    case TFileFormat::Gif:
      return TModuleFormat::Gif;
    case TFileFormat::Png:
      return TModuleFormat::Png;
    case TFileFormat::Tiff:
      return TModuleFormat::Tiff;
    case TFileFormat::Jpeg:
      return TModuleFormat::Jpeg;
    case TFileFormat::Svg:
      return TModuleFormat::Svg;
    case TFileFormat::Eps:
      return TModuleFormat::Eps;
    case TFileFormat::Pdf:
      return TModuleFormat::Pdf;
    default:
      return std::nullopt;  // metafiles record the control's drawing calls: not in module mode
  }
}

TFileFormat FileFormatOf(TModuleFormat format) {
  switch (format) {
    case TModuleFormat::Bmp:
      return TFileFormat::Bmp;
    case TModuleFormat::Gif:
      return TFileFormat::Gif;
    case TModuleFormat::Png:
      return TFileFormat::Png;
    case TModuleFormat::Tiff:
      return TFileFormat::Tiff;
    case TModuleFormat::Jpeg:
      return TFileFormat::Jpeg;
    case TModuleFormat::Svg:
      return TFileFormat::Svg;
    case TModuleFormat::Eps:
      return TFileFormat::Eps;
    case TModuleFormat::Pdf:
      return TFileFormat::Pdf;
  }
  return TFileFormat::None;
}

bool IsVectorFormat(TModuleFormat format) {
  return WriterKindOf(FileFormatOf(format)) == TWriterKind::Vector;
}

const TBitmap& RenderModuleMode(const TSymbol& symbol, const TModuleOptions& options,
                                TModuleModeContext& context) {
  LayoutModuleMode(symbol, options, context.Drawing);
  RenderDrawing(context.Drawing, context.Picture, context.Raster);
  return context.Picture;
}

std::span<const std::uint8_t> EncodeModuleModeFile(TModuleFormat format, const TSymbol& symbol,
                                                   const TModuleOptions& options,
                                                   TModuleModeContext& context) {
  LayoutModuleMode(symbol, options, context.Drawing);
  if (context.Drawing.Width <= 0) throw EImageEncodeError("nothing to draw");
  std::string& doc = context.Document;
  doc.clear();
  if (!IsVectorFormat(format)) {
    RenderDrawing(context.Drawing, context.Picture, context.Raster, IsPaletteFormat(format));
    return EncodeRaster(format, context);
  }
  WriteVectorFile(FileFormatOf(format), context.Drawing, doc);
  return std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(doc.data()),
                                       doc.size());
}

void WriteModuleModeFile(const std::string& fileName, const TSymbol& symbol,
                         const TModuleOptions& options, TModuleModeContext& context) {
  const TFileFormat fileFormat = FileFormatOf(fileName);
  const std::optional<TModuleFormat> format = ModuleFormatOf(fileName);
  if (!format) {
    if (fileFormat == TFileFormat::None)
      throw EImageWriteError(fileName, UnknownFormatCause(fileName));
    throw EImageWriteError(fileName, "WMF and EMF are not written in module mode");
  }
  SaveImageFile(fileName, [&] { return EncodeModuleModeFile(*format, symbol, options, context); });
}

void WriteModuleModeFile(const std::string& fileName, const TSymbol& symbol,
                         const TModuleOptions& options) {
  TModuleModeContext context;
  WriteModuleModeFile(fileName, symbol, options, context);
}

}  // namespace brevix
