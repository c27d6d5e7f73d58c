#include "platform/graphics.h"

#include <cstdlib>

namespace brevix {

int TFont::Size() const {
  // Height = -round(Size * 96 / 72); invert with the same rounding.
  const int h = std::abs(FHeight);
  return (h * 72 + kPixelsPerInch / 2) / kPixelsPerInch;
}

void TFont::SetSize(int points) {
  const int h = -((points * kPixelsPerInch + 36) / 72);
  SetHeight(h);
}

void TFont::Assign(const TFont& other) {
  if (SameAs(other)) return;
  FName = other.FName;
  FHeight = other.FHeight;
  FColor = other.FColor;
  FStyle = other.FStyle;
  FCharset = other.FCharset;
  FEscapement = other.FEscapement;
  Changed();
}

bool TFont::SameAs(const TFont& other) const {
  return FName == other.FName && FHeight == other.FHeight && FColor == other.FColor &&
         FStyle == other.FStyle && FCharset == other.FCharset && FEscapement == other.FEscapement;
}

}  // namespace brevix
