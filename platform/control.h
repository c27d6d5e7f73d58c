#pragma once
// Stand-ins for the platform's component and custom-control classes: just what the barcode
// control needs of them (bounds, invalidation, visibility, font, notify events). On Windows the
// ActiveX layer puts a real child window behind the same operations.

#include <functional>

#include "canvas.h"
#include "graphics.h"

namespace brevix {

class TObject {
 public:
  virtual ~TObject() = default;
};

using TNotifyEvent = std::function<void(TObject* sender)>;

enum TAlign : std::uint8_t { alNone, alTop, alBottom, alLeft, alRight, alClient };

class TCustomControl : public TObject {
 public:
  explicit TCustomControl(TObject* owner = nullptr) : FOwner(owner) {}

  TObject* Owner() const { return FOwner; }

  int Left() const { return FLeft; }
  int Top() const { return FTop; }
  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  void SetLeft(int v) { SetBounds(v, FTop, FWidth, FHeight); }
  void SetTop(int v) { SetBounds(FLeft, v, FWidth, FHeight); }
  void SetWidth(int v) { SetBounds(FLeft, FTop, v, FHeight); }
  void SetHeight(int v) { SetBounds(FLeft, FTop, FWidth, v); }
  // Every move or resize goes through here.
  virtual void SetBounds(int left, int top, int width, int height);
  TRect ClientRect() const { return TRect{0, 0, FWidth, FHeight}; }

  bool Visible() const { return FVisible; }
  void SetVisible(bool v);
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool v) { FEnabled = v; }
  TAlign Align() const { return FAlign; }
  void SetAlign(TAlign v) { FAlign = v; }

  // The control's own font.
  TFont& Font() { return FFont; }
  const TFont& Font() const { return FFont; }

  // Marks the control for repainting. Observable: a counter, and a hook the window layer uses.
  void Invalidate();
  int InvalidateCount() const { return FInvalidateCount; }
  std::function<void()> OnInvalidate;

  // The canvas Paint draws on; the host (window layer, test, exporter) attaches it.
  TCanvas* Canvas() const { return FCanvas; }
  void SetCanvas(TCanvas* canvas) { FCanvas = canvas; }
  // Paints onto the attached canvas, if any.
  void Repaint() {
    if (FCanvas) Paint();
  }

  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  std::function<void(TObject* sender, int button, int x, int y)> OnMouseDown;
  std::function<void(TObject* sender, int x, int y)> OnMouseMove;
  std::function<void(TObject* sender, int button, int x, int y)> OnMouseUp;

  virtual void Click() {
    if (OnClick) OnClick(this);
  }
  virtual void DblClick() {
    if (OnDblClick) OnDblClick(this);
  }
  virtual void MouseDown(int button, int x, int y) {
    if (OnMouseDown) OnMouseDown(this, button, x, y);
  }

 protected:
  virtual void Paint() {}

 private:
  TObject* FOwner;
  int FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0;
  bool FVisible = true;
  bool FEnabled = true;
  TAlign FAlign = alNone;
  TFont FFont;
  int FInvalidateCount = 0;
  TCanvas* FCanvas = nullptr;
};

}  // namespace brevix
