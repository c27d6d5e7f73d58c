#pragma once
// A real window behind a TCustomControl: WM_PAINT draws the control through the GDI canvas, mouse
// input becomes its click events, and the window follows the control's bounds. Until a host
// gives it a parent, the window lives hidden inside a parking window of its own.

#include <windows.h>

#include "platform/control.h"

namespace brevix::win {

class TControlWindow {
 public:
  TControlWindow(HINSTANCE instance, TCustomControl& control);
  ~TControlWindow();
  TControlWindow(const TControlWindow&) = delete;
  TControlWindow& operator=(const TControlWindow&) = delete;

  HWND Handle() const { return FWindow; }
  // Moves the window under parent (its parking window for nullptr), keeping it hidden.
  void SetParentWindow(HWND parent);
  HWND ParentWindow() const;
  bool Parked() const { return ParentWindow() == FParking; }
  // Shows the window when the control is visible, hides it otherwise.
  void SyncVisibility(bool allowShow);
  // Places the window; no notification goes back to the control.
  void Place(int left, int top, int width, int height);
  void Invalidate();

  // Paints through an off-screen bitmap first, so the window never shows a half-drawn barcode.
  bool DoubleBuffered = false;

  // Draws the control into any device context at its own size.
  void PaintTo(HDC dc);

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  LRESULT Dispatch(UINT msg, WPARAM wp, LPARAM lp);
  void OnPaint();

  TCustomControl& FControl;
  HWND FParking = nullptr;
  HWND FWindow = nullptr;
  bool FLeftDown = false;
};

}  // namespace brevix::win
