#include "platform/clipboard.h"

namespace brevix {

void TMemoryClipboard::SetBitmap(const TBitmap& bitmap) {
  FBitmap = bitmap;
  ++FSetCount;
}

std::optional<TBitmap> TMemoryClipboard::GetBitmap() const {
  return FBitmap;
}

void TMemoryClipboard::Clear() {
  FBitmap.reset();
}

}  // namespace brevix
