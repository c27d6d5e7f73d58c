#include <cmath>

#include "imagewriters/image_writers.h"

namespace brevix {

std::uint32_t PixelsPerMetre(int dpi) {
  if (dpi <= 0) dpi = 96;
  // 96 dpi is 3779.5 per metre, which files have always recorded as 3780.
  return static_cast<std::uint32_t>(std::llround(dpi / 0.0254));
}

void SaveBmpFile(const TBitmap& bitmap, const std::string& fileName) {
  SaveImageFile(fileName, [&] { return EncodeBmp(bitmap); });
}
void SaveGifFile(const TGifImage& image, const std::string& fileName) {
  SaveImageFile(fileName, [&] { return EncodeGif(image); });
}
void SavePngFile(const TGifImage& image, const std::string& fileName) {
  SaveImageFile(fileName, [&] { return EncodePng(image); });
}
void SaveTiffFile(const TGifImage& image, const std::string& fileName) {
  SaveImageFile(fileName, [&] { return EncodeTiff(image); });
}
void SaveJpegFile(const TBitmap& bitmap, const std::string& fileName, int quality) {
  SaveImageFile(fileName, [&] { return EncodeJpeg(bitmap, quality); });
}

}  // namespace brevix
