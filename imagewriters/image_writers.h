#pragma once
// Encoders from a rendered bitmap (or its GIF conversion) to file bytes, and the Save functions
// that write them under a name. Encoders raise EImageEncodeError, Save functions EImageWriteError
// naming the file; a failed Save leaves an existing file of that name as it was.
//
// dpi is the resolution the file records (PNG pHYs, TIFF X/YResolution, BMP pixels per metre,
// JPEG JFIF density). 0 keeps each format's usual figure: 96 dpi, and no density for JPEG.

#include <memory>
#include <span>
#include <string>

#include "../platform/bitmap.h"
#include "gif_image.h"
#include "image_file.h"

namespace brevix {

// 24 bits per pixel, bottom-up rows.
TBytes EncodeBmp(const TBitmap& bitmap, int dpi = 0);
// GIF89a when the image has a transparent colour (graphic control extension), GIF87a otherwise.
TBytes EncodeGif(const TGifImage& image);
// Palette PNG of 1, 2, 4 or 8 bits per pixel; a transparency chunk only for an image with a
// transparent colour.
TBytes EncodePng(const TGifImage& image, int dpi = 0);

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
  std::span<const std::uint8_t> Encode(const TGifImage& image, int dpi = 0);

 private:
  struct TState;
  std::unique_ptr<TState> FState;
};

// Palette TIFF, LZW-compressed.
TBytes EncodeTiff(const TGifImage& image, int dpi = 0);
// Baseline JPEG with the library's defaults at the given quality (1..100).
TBytes EncodeJpeg(const TBitmap& bitmap, int quality, int dpi = 0);

// Pixels per metre for dpi (0: 96 dpi), as BMP and PNG record it.
std::uint32_t PixelsPerMetre(int dpi);

void SaveBmpFile(const TBitmap& bitmap, const std::string& fileName);
void SaveGifFile(const TGifImage& image, const std::string& fileName);
void SavePngFile(const TGifImage& image, const std::string& fileName);
void SaveTiffFile(const TGifImage& image, const std::string& fileName);
void SaveJpegFile(const TBitmap& bitmap, const std::string& fileName, int quality);

}  // namespace brevix
