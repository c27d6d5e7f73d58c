#pragma once
// Encoders from a rendered bitmap (or its GIF conversion) to file bytes, and the Save functions
// that write them under a name. Encoders raise EImageEncodeError, Save functions EImageWriteError
// naming the file; a failed Save leaves an existing file of that name as it was.

#include <memory>
#include <span>
#include <string>

#include "../platform/bitmap.h"
#include "gif_image.h"
#include "image_file.h"

namespace brevix {

// 24 bits per pixel, bottom-up rows, 96 dpi.
TBytes EncodeBmp(const TBitmap& bitmap);
// GIF89a when the image has a transparent colour (graphic control extension), GIF87a otherwise.
TBytes EncodeGif(const TGifImage& image);
// Palette PNG of 1, 2, 4 or 8 bits per pixel; no transparency chunk.
TBytes EncodePng(const TGifImage& image);

// PNG encoding that keeps the working memory of libpng and of its compressor and its buffers from
// one picture to the next, for callers that write many: touching freshly allocated memory costs
// more than encoding a small barcode. One encoder serves one thread at a time.
class TPngEncoder {
 public:
  TPngEncoder();
  ~TPngEncoder();
  TPngEncoder(const TPngEncoder&) = delete;
  TPngEncoder& operator=(const TPngEncoder&) = delete;

  // The file EncodePng makes of image. The bytes live in the encoder until the next Encode.
  std::span<const std::uint8_t> Encode(const TGifImage& image);

 private:
  struct TState;
  std::unique_ptr<TState> FState;
};

// Palette TIFF, LZW-compressed, 96 dpi.
TBytes EncodeTiff(const TGifImage& image);
// Baseline JPEG with the library's defaults at the given quality (1..100).
TBytes EncodeJpeg(const TBitmap& bitmap, int quality);

void SaveBmpFile(const TBitmap& bitmap, const std::string& fileName);
void SaveGifFile(const TGifImage& image, const std::string& fileName);
void SavePngFile(const TGifImage& image, const std::string& fileName);
void SaveTiffFile(const TGifImage& image, const std::string& fileName);
void SaveJpegFile(const TBitmap& bitmap, const std::string& fileName, int quality);

}  // namespace brevix
