#include "core/captions.h"

#include "core/control.h"

namespace brevix {

namespace {
// Captions repaint only a barcode control; any other creator gets no notifications.
TCustomControl* BarCodeOwner(TCustomControl* owner) {
  return dynamic_cast<TCustomBC*>(owner) != nullptr ? owner : nullptr;
}
}  // namespace

// --- TTypeCaption -------------------------------------------------------------------------------

TTypeCaption::TTypeCaption(TCustomControl* owner) : FOwner(BarCodeOwner(owner)) {
  FFont.SetName("Arial");
  FFont.SetSize(10);
  FFont.OnChange = [this] { Changed(); };
}

void TTypeCaption::SetCaption(const std::string& v) {
  if (v == FCaption) return;
  FCaption = v;
  Changed();
}

void TTypeCaption::SetFont(const TFont& f) {
  FFont.Assign(f);
  Changed();
}

void TTypeCaption::SetAutoSize(bool v) {
  if (v == FAutoSize) return;
  FAutoSize = v;
  Changed();
}

void TTypeCaption::Assign(const TTypeCaption& source) {
  if (&source == this) return;
  FCaption = source.FCaption;
  FAutoSize = source.FAutoSize;
  FFont.Assign(source.FFont);
}

void TTypeCaption::Changed() {
  if (FOwner) FOwner->Invalidate();
}

// --- TCodeCaption -------------------------------------------------------------------------------

TCodeCaption::TCodeCaption(TCustomControl* owner) : FOwner(BarCodeOwner(owner)) {
  FFont.SetName("Arial");
  FFont.SetSize(8);
  FFont.SetColor(clBlack);
  FFont.OnChange = [this] { Changed(); };
}

void TCodeCaption::SetFont(const TFont& f) {
  FFont.Assign(f);
  Changed();
}

void TCodeCaption::SetAutoSize(bool v) {
  if (v == FAutoSize) return;
  FAutoSize = v;
  Changed();
}

void TCodeCaption::Assign(const TCodeCaption& source) {
  if (&source == this) return;
  FAutoSize = source.FAutoSize;
  FFont.Assign(source.FFont);
}

void TCodeCaption::Changed() {
  if (FOwner) FOwner->Invalidate();
}

// --- TBarCodeHorzLines --------------------------------------------------------------------------

void TBarCodeHorzLines::SetColor(TColor v) {
  if (v == FPen.Color) return;
  FPen.Color = v;
  Changed();
}

void TBarCodeHorzLines::SetStyle(TPenStyle v) {
  if (v == FPen.Style) return;
  FPen.Style = v;
  Changed();
}

void TBarCodeHorzLines::SetMode(TPenMode v) {
  if (v == FPen.Mode) return;
  FPen.Mode = v;
  Changed();
}

void TBarCodeHorzLines::SetWidth(int v) {
  if (v == FPen.Width) return;
  FPen.Width = v;
  Changed();
}

void TBarCodeHorzLines::SetLinesCount(int n) {
  if (n == FLinesCount) return;
  FLinesCount = n;
  Changed();
}

void TBarCodeHorzLines::Assign(const TBarCodeHorzLines& source) {
  if (&source == this) return;
  FPen = source.FPen;
  FLinesCount = source.FLinesCount;
  Changed();
}

}  // namespace brevix
