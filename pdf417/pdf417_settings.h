#pragma once
// The PDF417 options of one control. Every change repaints the owner and fires OnChange.

#include "../core/types.h"
#include "../platform/control.h"

namespace brevix {

class TPDF417 : public TObject {
 public:
  explicit TPDF417(TCustomControl* owner) : FOwner(owner) {}

  csPDF417Mode Mode() const { return FMode; }
  void SetMode(csPDF417Mode v) {
    if (v != FMode) {
      FMode = v;
      Changed();
    }
  }
  int Rows() const { return FRows; }
  void SetRows(int v) {
    if (v != FRows) {
      FRows = v;
      Changed();
    }
  }
  int Cols() const { return FCols; }
  void SetCols(int v) {
    if (v != FCols) {
      FCols = v;
      Changed();
    }
  }
  csPDF417ErrorCorrection SecurityLevel() const { return FSecurityLevel; }
  void SetSecurityLevel(csPDF417ErrorCorrection v) {
    if (v != FSecurityLevel) {
      FSecurityLevel = v;
      Changed();
    }
  }
  bool Truncated() const { return FTruncated; }
  void SetTruncated(bool v) {
    if (v != FTruncated) {
      FTruncated = v;
      Changed();
    }
  }
  bool PaintIfSmall() const { return FPaintIfSmall; }
  void SetPaintIfSmall(bool v) {
    if (v != FPaintIfSmall) {
      FPaintIfSmall = v;
      Changed();
    }
  }

  TNotifyEvent OnChange;

 private:
  void Changed() {
    if (FOwner) FOwner->Invalidate();
    if (OnChange) OnChange(this);
  }

  csPDF417Mode FMode = csPDF417Alphanumeric;
  int FRows = 0;
  int FCols = 10;
  csPDF417ErrorCorrection FSecurityLevel = csPDF417AutoEC;
  bool FTruncated = false;
  bool FPaintIfSmall = true;
  TCustomControl* FOwner;
};

}  // namespace brevix
