#pragma once
// The floor for PNG output: libpng alone writing an RGB bitmap, with its default settings and
// nothing else around it.

#include <string>

#include "platform/bitmap.h"

namespace brevix::bench {

void WritePngWithLibpng(const TBitmap& bitmap, const std::string& fileName);

}  // namespace brevix::bench
