#pragma once
// The module-mode path from a symbol to a picture or a file: layout, then one backend chosen by
// the file name's extension.

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "../imagewriters/gif_image.h"
#include "../imagewriters/image_file.h"
#include "../imagewriters/image_writers.h"
#include "../layout/module_layout.h"
#include "../platform/bitmap.h"
#include "file_formats.h"
#include "raster_output.h"

namespace brevix {

enum class TModuleFormat : std::uint8_t { Bmp, Gif, Png, Tiff, Jpeg, Svg, Eps, Pdf };

// By the extension, compared without regard to case, from the table of output/file_formats.h:
// its raster and vector formats; nothing for metafiles and unknown extensions.
std::optional<TModuleFormat> ModuleFormatOf(std::string_view fileName);
std::optional<TModuleFormat> ModuleFormatOf(TFileFormat format);
// The other way: the table's format a module format writes, and whether it is SVG, EPS or PDF.
TFileFormat FileFormatOf(TModuleFormat format);
bool IsVectorFormat(TModuleFormat format);

// What one thread needs from one picture to the next; a caller that writes many keeps one and
// passes it in, threads each keep their own.
struct TModuleModeContext {
  TDrawing Drawing;
  // The picture drawn last; after a palette file (GIF, PNG, TIFF) only the rows the file read
  // are painted.
  TBitmap Picture;
  TRasterScratch Raster;
  TGifImage Gif;
  std::string Document;  // the bytes of a vector file
  TBytes Bytes;          // the bytes of a raster file but PNG
  // PNG's compressor and buffers, set up on the first PNG file.
  std::unique_ptr<TPngEncoder> Png;
};

// The symbol laid out in module mode and drawn into context.Picture, which it returns. Raises
// EImageEncodeError when there is nothing to draw or the picture is beyond the writers' bounds.
const TBitmap& RenderModuleMode(const TSymbol& symbol, const TModuleOptions& options,
                                TModuleModeContext& context);

// The file of the symbol in format, raster formats recording the options' resolution: bytes that
// live in the context until its next use. Raises EImageEncodeError when there is nothing to draw
// or the picture is beyond the writers' bounds.
std::span<const std::uint8_t> EncodeModuleModeFile(TModuleFormat format, const TSymbol& symbol,
                                                   const TModuleOptions& options,
                                                   TModuleModeContext& context);

// Writes the symbol under fileName in the format its extension names, raster formats recording
// the options' resolution. Raises EImageWriteError naming the file for an unknown extension, an
// empty symbol or a failed write; an existing file then stays as it was.
void WriteModuleModeFile(const std::string& fileName, const TSymbol& symbol,
                         const TModuleOptions& options, TModuleModeContext& context);
void WriteModuleModeFile(const std::string& fileName, const TSymbol& symbol,
                         const TModuleOptions& options);

}  // namespace brevix
