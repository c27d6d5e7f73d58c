#include "platform/win/control_window.h"

#include <windowsx.h>

#include "platform/win/gdi_canvas.h"

namespace brevix::win {
namespace {

constexpr wchar_t kControlClass[] = L"TBrevixBC";
constexpr wchar_t kParkingClass[] = L"TBrevixBCParking";

void RegisterClasses(HINSTANCE instance) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  if (!GetClassInfoExW(instance, kControlClass, &wc)) {
    wc = WNDCLASSEXW{};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = kControlClass;
    RegisterClassExW(&wc);
  }
  wc = WNDCLASSEXW{};
  wc.cbSize = sizeof wc;
  if (!GetClassInfoExW(instance, kParkingClass, &wc)) {
    wc = WNDCLASSEXW{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = instance;
    wc.lpszClassName = kParkingClass;
    RegisterClassExW(&wc);
  }
}

}  // namespace

TControlWindow::TControlWindow(HINSTANCE instance, TCustomControl& control) : FControl(control) {
  RegisterClasses(instance);
  FParking = CreateWindowExW(WS_EX_TOOLWINDOW, kParkingClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr,
                             nullptr, instance, nullptr);
  FWindow = CreateWindowExW(0, kControlClass, L"", WS_CHILD | WS_CLIPSIBLINGS, control.Left(),
                            control.Top(), control.Width(), control.Height(), FParking, nullptr,
                            instance, nullptr);
  SetWindowLongPtrW(FWindow, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  SetWindowLongPtrW(FWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WindowProc));
}

TControlWindow::~TControlWindow() {
  if (FWindow) {
    SetWindowLongPtrW(FWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&DefWindowProcW));
    DestroyWindow(FWindow);
  }
  if (FParking) DestroyWindow(FParking);
}

void TControlWindow::SetParentWindow(HWND parent) {
  ShowWindow(FWindow, SW_HIDE);
  SetParent(FWindow, parent ? parent : FParking);
}

HWND TControlWindow::ParentWindow() const {
  return GetParent(FWindow);
}

void TControlWindow::SyncVisibility(bool allowShow) {
  ShowWindow(FWindow, allowShow && FControl.Visible() ? SW_SHOWNA : SW_HIDE);
}

void TControlWindow::Place(int left, int top, int width, int height) {
  SetWindowPos(FWindow, nullptr, left, top, width, height,
               SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
}

void TControlWindow::Invalidate() {
  if (FWindow) InvalidateRect(FWindow, nullptr, FALSE);
}

void TControlWindow::PaintTo(HDC dc) {
  TGdiCanvas canvas(dc);
  canvas.Font.Assign(FControl.Font());
  TCanvas* previous = FControl.Canvas();
  FControl.SetCanvas(&canvas);
  try {
    FControl.Repaint();
  } catch (...) {
    // A text the PDF417 encoder refuses raises while painting; the window stays as far as it
    // got, and the calls that report errors (MinWidth, DrawToFile) say why.
  }
  FControl.SetCanvas(previous);
}

void TControlWindow::OnPaint() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(FWindow, &ps);
  RECT client;
  GetClientRect(FWindow, &client);
  if (DoubleBuffered && client.right > 0 && client.bottom > 0) {
    HDC memory = CreateCompatibleDC(dc);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, client.right, client.bottom);
    HGDIOBJ old = SelectObject(memory, bitmap);
    // What the control leaves untouched (transparent parts) shows the window background.
    FillRect(memory, &client, GetSysColorBrush(COLOR_WINDOW));
    PaintTo(memory);
    BitBlt(dc, 0, 0, client.right, client.bottom, memory, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
  } else {
    PaintTo(dc);
  }
  EndPaint(FWindow, &ps);
}

LRESULT CALLBACK TControlWindow::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* self = reinterpret_cast<TControlWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!self) return DefWindowProcW(hwnd, msg, wp, lp);
  // No exception may cross into the system's message dispatch.
  try {
    return self->Dispatch(msg, wp, lp);
  } catch (...) {
    return 0;
  }
}

LRESULT TControlWindow::Dispatch(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_PAINT:
      OnPaint();
      return 0;
    case WM_PRINTCLIENT:
      PaintTo(reinterpret_cast<HDC>(wp));
      return 0;
    case WM_LBUTTONDOWN:
      FLeftDown = true;
      SetCapture(FWindow);
      FControl.MouseDown(0, GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
      return 0;
    case WM_RBUTTONDOWN:
      FControl.MouseDown(1, GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
      return 0;
    case WM_MBUTTONDOWN:
      FControl.MouseDown(2, GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
      return 0;
    case WM_LBUTTONUP: {
      const bool wasDown = FLeftDown;
      FLeftDown = false;
      if (GetCapture() == FWindow) ReleaseCapture();
      RECT client;
      GetClientRect(FWindow, &client);
      const POINT at{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
      if (wasDown && PtInRect(&client, at)) FControl.Click();
      return 0;
    }
    case WM_LBUTTONDBLCLK:
      // The button-up that ends a double click is not a click of its own.
      FLeftDown = false;
      FControl.DblClick();
      return 0;
    case WM_CAPTURECHANGED:
      FLeftDown = false;
      return 0;
    default:
      return DefWindowProcW(FWindow, msg, wp, lp);
  }
}

}  // namespace brevix::win
