#include "render/export.h"

#include <cassert>
#include <optional>

#include "core/control.h"
#include "imagewriters/image_writers.h"
#include "output/vector_writers.h"
#include "platform/metafile_canvas.h"
#include "platform/raster_canvas.h"
#include "render/draw.h"
#include "render/module_paint.h"

namespace brevix {

namespace {

constexpr int kJpegQuality = 100;

// Beyond this many bytes of bitmap the buffers are let go after the export: a rare giant picture
// should not keep its memory in the control.
constexpr std::size_t kKeepBytes = std::size_t{16} << 20;

}  // namespace

// What one control's exports reuse: touching freshly allocated memory and setting up a
// compressor cost more than drawing and encoding a small barcode.
class TExportScratch {
 public:
  TBitmap Bitmap;
  // Rows of Bitmap its drawing made equal to the row above (see TRasterCanvas::RowRepeats).
  std::vector<std::uint8_t> Repeats;
  TGifImage Image;
  TBytes Bytes;          // the file of the writers that return theirs
  std::string Document;  // a vector file
  std::optional<TPngEncoder> Png;
};

namespace {

void DeleteScratch(TExportScratch* scratch) {
  delete scratch;
}

TExportScratch& ScratchOf(TCustomBC& control) {
  TCustomBC::TExportScratchPtr& scratch = control.ExportScratch();
  if (!scratch) scratch = TCustomBC::TExportScratchPtr(new TExportScratch, DeleteScratch);
  return *scratch;
}

// Drops the scratch of a control at the end of an export when a giant picture filled it.
class TTrimScratch {
 public:
  explicit TTrimScratch(TCustomBC& control) : FControl(control) {}
  ~TTrimScratch() {
    auto& scratch = FControl.ExportScratch();
    if (scratch && scratch->Bitmap.Rgb.capacity() > kKeepBytes) scratch.reset();
  }
  TTrimScratch(const TTrimScratch&) = delete;
  TTrimScratch& operator=(const TTrimScratch&) = delete;

 private:
  TCustomBC& FControl;
};

// Draws the control into bitmap; repeats, when given, receives the rows the drawing made equal
// to the row above.
void RenderInto(TCustomBC& control, TBitmap& bitmap, std::vector<std::uint8_t>* repeats = nullptr) {
  if (repeats) repeats->clear();  // nothing is known of a drawing that fails half-way
  const auto [width, height] = PictureSize(control);
  CheckImageSize(width, height);
  // The picture starts as the background, written only where the drawing does not cover it.
  bitmap.Resize(width, height);
  TRasterCanvas canvas(bitmap);
  canvas.ClearTo(control.Color_Back());
  DrawBarCode(canvas, TRect{0, 0, width, height}, control);
  if (repeats) {
    const std::span<const std::uint8_t> flags = canvas.RowRepeats();
    repeats->assign(flags.begin(), flags.end());
  }
}

const TGifImage& GifImageOf(TExportScratch& scratch, const TBitmap& bitmap, TColor back,
                            bool transparency) {
  TGifImage& image = scratch.Image;
  // What the drawing knows of the rows holds for the bitmap the scratch keeps, drawn last.
  const std::span<const std::uint8_t> repeats = &bitmap == &scratch.Bitmap
                                                    ? std::span<const std::uint8_t>(scratch.Repeats)
                                                    : std::span<const std::uint8_t>();
  if (transparency)
    TransparentGifImageFromBitmap(bitmap, image, back, repeats);
  else
    GifImageFromBitmap(bitmap, image, kMaxGifColors, repeats);
  return image;
}

// The file of a raster format, in the scratch.
std::span<const std::uint8_t> EncodeRaster(TCustomBC& control, TExportScratch& scratch,
                                           const TBitmap& bitmap, TExportFormat format) {
  const TColor back = control.Color_Back();
  const int dpi = control.Resolution();
  switch (format) {
    case TExportFormat::Bmp:
      scratch.Bytes = EncodeBmp(bitmap, dpi);
      return scratch.Bytes;
    case TExportFormat::Jpeg:
      scratch.Bytes = EncodeJpeg(bitmap, kJpegQuality, dpi);
      return scratch.Bytes;
    case TExportFormat::Gif:
      scratch.Bytes = EncodeGif(GifImageOf(scratch, bitmap, back, control.Transparent()));
      return scratch.Bytes;
    case TExportFormat::Png:
      if (!scratch.Png) scratch.Png.emplace();
      return scratch.Png->Encode(GifImageOf(scratch, bitmap, back, false), dpi);
    case TExportFormat::Tiff:
      scratch.Bytes = EncodeTiff(GifImageOf(scratch, bitmap, back, false), dpi);
      return scratch.Bytes;
    default:
      break;
  }
  assert(false && "not a raster format");
  return {};
}

// Writes a raster format: picture when the caller has drawn it already, else a drawing made
// inside the save, so that its failures name the file too.
void WriteRaster(TCustomBC& control, const std::string& fileName, TExportFormat format,
                 const TBitmap* picture) {
  TExportScratch& scratch = ScratchOf(control);
  const TTrimScratch trim(control);
  SaveImageFile(fileName, [&] {
    if (!picture) {
      RenderInto(control, scratch.Bitmap, &scratch.Repeats);
      picture = &scratch.Bitmap;
    }
    return EncodeRaster(control, scratch, *picture, format);
  });
}

bool IsMetafile(TExportFormat format) {
  return WriterKindOf(format) == TWriterKind::Metafile;
}

// SVG, EPS or PDF of the control's module-mode drawing, in the scratch.
std::span<const std::uint8_t> EncodeVector(TCustomBC& control, TExportScratch& scratch,
                                           TExportFormat format) {
  const int ppm = control.ModuleWidth() > 0 ? control.ModuleWidth() : kVectorModulePixels;
  TLastError error = erOK;
  const TDrawing drawing = LayoutControl(control, ppm, &error);
  control.SetErrorMessage(error);
  if (error != erOK) throw EImageEncodeError(control.ErrorText());
  std::string& doc = scratch.Document;
  doc.clear();
  WriteVectorFile(format, drawing, doc);
  return std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(doc.data()),
                                       doc.size());
}

// Writes SVG, EPS or PDF of the control's module-mode drawing.
void WriteVector(TCustomBC& control, const std::string& fileName, TExportFormat format) {
  TExportScratch& scratch = ScratchOf(control);
  SaveImageFile(fileName, [&] { return EncodeVector(control, scratch, format); });
}

TBytes RecordMetafile(TCustomBC& control, TMetafileKind kind) {
  const auto [width, height] = PictureSize(control);
  CheckImageSize(width, height);
  // The screen is the reference device: text is measured as the raster canvas draws it.
  TBitmap screen(1, 1);
  TRasterCanvas reference(screen);
  TMetafileCanvas canvas(width, height, kind, reference);
  DrawBarCode(canvas, TRect{0, 0, width, height}, control);
  return canvas.Finish();
}

}  // namespace

std::span<const TExportExtension> ExportExtensions() {
  return FileFormats();
}

std::string ExportExtensionList() {
  return FileFormatList();
}

TExportFormat ExportFormatOf(std::string_view fileName) {
  return FileFormatOf(fileName);
}

TExportFormat RequireExportFormat(const std::string& fileName) {
  const TExportFormat format = FileFormatOf(fileName);
  if (format == TExportFormat::None) throw EImageWriteError(fileName, UnknownFormatCause(fileName));
  return format;
}

TBitmap RenderToBitmap(TCustomBC& control) {
  TBitmap bitmap;
  RenderInto(control, bitmap);
  return bitmap;
}

const TBitmap& RenderForExport(TCustomBC& control) {
  TExportScratch& scratch = ScratchOf(control);
  RenderInto(control, scratch.Bitmap, &scratch.Repeats);
  return scratch.Bitmap;
}

void DrawToFile(TCustomBC& control, const std::string& fileName) {
  if (fileName.empty()) return;
  const TExportFormat format = RequireExportFormat(fileName);
  // Drawing and encoding run inside SaveImageFile, so that their failures name the file and
  // nothing reaches the disk before the file is complete.
  if (WriterKindOf(format) == TWriterKind::Vector) {
    WriteVector(control, fileName, format);
    return;
  }
  if (IsMetafile(format)) {
    SaveImageFile(fileName, [&] {
      return RecordMetafile(control,
                            format == TExportFormat::Emf ? TMetafileKind::Emf : TMetafileKind::Wmf);
    });
    return;
  }
  WriteRaster(control, fileName, format, nullptr);
}

void WriteRenderedFile(TCustomBC& control, const TBitmap& picture, const std::string& fileName) {
  if (fileName.empty()) return;
  const TExportFormat format = RequireExportFormat(fileName);
  if (WriterKindOf(format) != TWriterKind::Raster) {
    DrawToFile(control, fileName);
    return;
  }
  WriteRaster(control, fileName, format, &picture);
}

std::span<const std::uint8_t> EncodeRenderedFile(TCustomBC& control, const TBitmap& picture,
                                                 TExportFormat format) {
  TExportScratch& scratch = ScratchOf(control);
  switch (WriterKindOf(format)) {
    case TWriterKind::Vector:
      return EncodeVector(control, scratch, format);
    case TWriterKind::Metafile:
      scratch.Bytes = RecordMetafile(
          control, format == TExportFormat::Emf ? TMetafileKind::Emf : TMetafileKind::Wmf);
      return scratch.Bytes;
    case TWriterKind::Raster:
      break;
  }
  return EncodeRaster(control, scratch, picture, format);
}

void CopyToClipboard(TCustomBC& control, TClipboard& clipboard) {
  clipboard.SetBitmap(RenderToBitmap(control));
}

}  // namespace brevix
