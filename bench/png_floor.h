#pragma once
// Floors for PNG output: libpng alone, with nothing around it, writing the bitmap as RGB with its
// default settings, or writing the palette picture our writer stores (same bit depth, no filter,
// zlib level 3) straight into a new file.

#include <string>

#include "imagewriters/gif_image.h"
#include "platform/bitmap.h"

namespace brevix::bench {

void WritePngWithLibpng(const TBitmap& bitmap, const std::string& fileName);
void WritePalettePngWithLibpng(const TGifImage& image, const std::string& fileName);

}  // namespace brevix::bench
