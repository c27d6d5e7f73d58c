#include "imagewriters/image_writers.h"

namespace brevix {

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
