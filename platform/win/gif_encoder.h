#pragma once
// GIF encoding of a palette picture without any platform library. The palette comes from the
// shared reduction (GifImageFromBitmap), as PNG and TIFF output does.

#include <cstdint>
#include <vector>

#include "imagewriters/gif_image.h"

namespace brevix::win {

// A complete GIF file (GIF89a, one frame). An image with a transparent index carries a graphic
// control extension that marks that palette entry as transparent.
std::vector<std::uint8_t> EncodeGif(const TGifImage& image);

}  // namespace brevix::win
