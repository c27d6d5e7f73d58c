#include "render/export.h"

#include <cctype>

#include "core/control.h"
#include "imagewriters/image_writers.h"
#include "platform/metafile_canvas.h"
#include "platform/raster_canvas.h"
#include "render/draw.h"

namespace brevix {

namespace {

constexpr int kJpegQuality = 100;

constexpr struct {
  std::string_view Extension;
  TExportFormat Format;
} kExtensions[] = {
    {".BMP", TExportFormat::Bmp},   {".WMF", TExportFormat::Wmf},  {".EMF", TExportFormat::Emf},
    {".GIF", TExportFormat::Gif},   {".PNG", TExportFormat::Png},  {".TIF", TExportFormat::Tiff},
    {".TIFF", TExportFormat::Tiff}, {".JPG", TExportFormat::Jpeg},
};

TGifImage GifImageOf(TCustomBC& control, bool transparency) {
  const TBitmap bitmap = RenderToBitmap(control);
  TGifImage image = GifImageFromBitmap(bitmap);
  if (transparency && !AddTransparency(image, control.Color_Back())) {
    // A full palette without the background colour: reduce one colour further to make room.
    image = GifImageFromBitmap(bitmap, kMaxGifColors - 1);
    AddTransparency(image, control.Color_Back());
  }
  return image;
}

TBytes RecordMetafile(TCustomBC& control, TMetafileKind kind) {
  const int width = control.Width(), height = control.Height();
  CheckImageSize(width, height);
  // The screen is the reference device: text is measured as the raster canvas draws it.
  TBitmap screen(1, 1);
  TRasterCanvas reference(screen);
  TMetafileCanvas canvas(width, height, kind, reference);
  DrawBarCode(canvas, TRect{0, 0, width, height}, control);
  return canvas.Finish();
}

}  // namespace

std::string_view ExtensionOf(std::string_view fileName) {
  const std::size_t slash = fileName.find_last_of("/\\");
  const std::size_t dot = fileName.find_last_of('.');
  if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) return {};
  return fileName.substr(dot);
}

TExportFormat ExportFormatOf(std::string_view fileName) {
  std::string upper(ExtensionOf(fileName));
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  for (const auto& row : kExtensions) {
    if (row.Extension == upper) return row.Format;
  }
  return TExportFormat::None;
}

TBitmap RenderToBitmap(TCustomBC& control) {
  const int width = control.Width(), height = control.Height();
  CheckImageSize(width, height);
  TBitmap bitmap(width, height, control.Color_Back());
  TRasterCanvas canvas(bitmap);
  DrawBarCode(canvas, TRect{0, 0, width, height}, control);
  return bitmap;
}

void DrawToFile(TCustomBC& control, const std::string& fileName) {
  if (fileName.empty()) return;
  const TExportFormat format = ExportFormatOf(fileName);
  // Rendering and encoding run inside SaveImageFile, so that their failures name the file and
  // nothing reaches the disk before the file is complete.
  switch (format) {
    case TExportFormat::None:
      return;
    case TExportFormat::Bmp:
      SaveImageFile(fileName, [&] { return EncodeBmp(RenderToBitmap(control)); });
      return;
    case TExportFormat::Jpeg:
      SaveImageFile(fileName, [&] { return EncodeJpeg(RenderToBitmap(control), kJpegQuality); });
      return;
    case TExportFormat::Gif:
      SaveImageFile(fileName,
                    [&] { return EncodeGif(GifImageOf(control, control.Transparent())); });
      return;
    case TExportFormat::Png:
      SaveImageFile(fileName, [&] { return EncodePng(GifImageOf(control, false)); });
      return;
    case TExportFormat::Tiff:
      SaveImageFile(fileName, [&] { return EncodeTiff(GifImageOf(control, false)); });
      return;
    case TExportFormat::Wmf:
    case TExportFormat::Emf:
      SaveImageFile(fileName, [&] {
        return RecordMetafile(
            control, format == TExportFormat::Emf ? TMetafileKind::Emf : TMetafileKind::Wmf);
      });
      return;
  }
}

void CopyToClipboard(TCustomBC& control, TClipboard& clipboard) {
  clipboard.SetBitmap(RenderToBitmap(control));
}

}  // namespace brevix
