#pragma once
// Output of the control's picture to image files and the clipboard. Every output draws the
// barcode afresh with DrawBarCode onto a surface of the picture's size (PictureSize: the
// control's in box mode, the symbol's own in module mode): a bitmap for BMP, GIF, PNG, TIFF,
// JPEG and the clipboard, a metafile for WMF and EMF. SVG, EPS and PDF are written from the
// module-mode layout in every mode (render/module_paint.h), at ModuleWidth pixels per module
// (kVectorModulePixels in box mode) and Resolution dots per inch, which give their physical size.
// Raster files record Resolution (96 dots per inch when it is 0).

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "../output/file_formats.h"
#include "../platform/bitmap.h"
#include "../platform/clipboard.h"

namespace brevix {

class TCustomBC;

// The formats are the rows of the one table in output/file_formats.h.
using TExportFormat = TFileFormat;
using TExportExtension = TFileFormatRow;

// Every extension DrawToFile knows, in alphabetical order.
std::span<const TExportExtension> ExportExtensions();

// The extensions above for messages: ".bmp, .emf, ... or .wmf".
std::string ExportExtensionList();

// The format DrawToFile writes for a name: chosen by the extension (from the last dot after the
// last slash, compared without regard to case). None for an extension not in the list.
TExportFormat ExportFormatOf(std::string_view fileName);

// The format of fileName; raises EImageWriteError naming the file and the extensions that work
// when its extension is not one of them.
TExportFormat RequireExportFormat(const std::string& fileName);

// A bitmap of the picture's size with the barcode drawn over all of it.
// Pixels the drawing leaves alone (all but bars and text when Transparent) hold Color_Back, so a
// transparent GIF is clear exactly there. Raises EImageEncodeError for a size out of bounds.
TBitmap RenderToBitmap(TCustomBC& control);

// RenderToBitmap into a bitmap the control keeps for its exports, valid until its next export;
// drawing into memory touched before is much cheaper than into a fresh bitmap.
const TBitmap& RenderForExport(TCustomBC& control);

// Writes the picture under fileName in the format of its extension. An empty name writes nothing.
// An unknown extension or a failure raises EImageWriteError naming the file (an existing file
// stays as it was); a PDF417 text its mode refuses raises EPDF417Error.
// Barcode errors do not stop the export of a bitmap or metafile: the file shows what DrawBarCode
// drew, the error display included. A vector file has no error display: a text that gives no
// symbol raises EImageWriteError naming the file and the control's error.
void DrawToFile(TCustomBC& control, const std::string& fileName);

// DrawToFile for a picture drawn already, by RenderForExport or RenderToBitmap of this control
// as it is now: callers that look at the drawing's outcome before writing draw only once. WMF
// and EMF record the drawing afresh, as vectors.
void WriteRenderedFile(TCustomBC& control, const TBitmap& picture, const std::string& fileName);

// The file WriteRenderedFile would write, as bytes for a stream: picture (drawn by
// RenderForExport of this control as it is now) encoded in a raster format, or the drawing
// recorded afresh for a metafile or a vector file. The bytes live in the control until its next
// export. Raises EImageEncodeError when the picture cannot be encoded, EImageWriteError when a
// vector file gets no symbol.
std::span<const std::uint8_t> EncodeRenderedFile(TCustomBC& control, const TBitmap& picture,
                                                 TExportFormat format);

// Puts the picture on the clipboard as a bitmap.
void CopyToClipboard(TCustomBC& control, TClipboard& clipboard);

}  // namespace brevix
