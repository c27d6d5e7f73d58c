#pragma once
// The clipboard as the control uses it: a bitmap goes on in the standard bitmap format and can be
// read back. On Windows the ActiveX layer puts the system clipboard behind this interface; on
// Linux the bitmap stays in the process.

#include <optional>

#include "bitmap.h"

namespace brevix {

class TClipboard {
 public:
  virtual ~TClipboard() = default;
  // Opens the clipboard, replaces its content with a copy of bitmap and closes it again.
  virtual void SetBitmap(const TBitmap& bitmap) = 0;
  // The bitmap on the clipboard; nothing when it holds none.
  virtual std::optional<TBitmap> GetBitmap() const = 0;
  virtual void Clear() = 0;
  bool HasBitmap() const { return GetBitmap().has_value(); }
};

// A clipboard private to the process: what the Linux library and the tests use.
class TMemoryClipboard : public TClipboard {
 public:
  void SetBitmap(const TBitmap& bitmap) override;
  std::optional<TBitmap> GetBitmap() const override;
  void Clear() override;
  // How many times a bitmap was put on (each copy replaces the last).
  int SetCount() const { return FSetCount; }

 private:
  std::optional<TBitmap> FBitmap;
  int FSetCount = 0;
};

}  // namespace brevix
