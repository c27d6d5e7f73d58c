#include <string>

#include "imagewriters/image_file.h"

namespace brevix {

void CheckImageSize(int width, int height) {
  if (width <= 0 || height <= 0) {
    throw EImageEncodeError("the picture is empty (" + std::to_string(width) + " x " +
                            std::to_string(height) + " pixels)");
  }
  if (width > kMaxImageSide || height > kMaxImageSide ||
      std::int64_t{width} * height > kMaxImagePixels) {
    throw EImageEncodeError("the picture is too large (" + std::to_string(width) + " x " +
                            std::to_string(height) + " pixels)");
  }
}

}  // namespace brevix
