#include "platform/control.h"

namespace brevix {

void TCustomControl::SetBounds(int left, int top, int width, int height) {
  if (left == FLeft && top == FTop && width == FWidth && height == FHeight) return;
  FLeft = left;
  FTop = top;
  FWidth = width;
  FHeight = height;
  Invalidate();
}

void TCustomControl::SetVisible(bool v) {
  if (v == FVisible) return;
  FVisible = v;
  Invalidate();
}

void TCustomControl::Invalidate() {
  ++FInvalidateCount;
  if (OnInvalidate) OnInvalidate();
}

}  // namespace brevix
