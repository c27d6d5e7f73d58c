// Hosts the control in a real ActiveX container (the system's ATL host window, created with the
// ProgID as its text): the container creates and activates the control in place, and painting
// the container window draws the barcode into the control's window.

#include <ocidl.h>
#include <windows.h>

#include <cstdio>
#include <string>

#include "activeBrevixBarCodeX.h"
#include "host_support.h"

using namespace brevix::hosttest;

namespace {

constexpr wchar_t kProgId[] = L"activeBrevixBarCodeX.BrevixBarCode";
constexpr wchar_t kFrameClass[] = L"BrevixContainerFrame";

using TAtlAxWinInit = BOOL(WINAPI*)();
using TAtlAxGetControl = HRESULT(WINAPI*)(HWND, IUnknown**);

// What the window shows right now, read back from its device context.
TPixels Snapshot(HWND window) {
  RECT client{};
  GetClientRect(window, &client);
  HDC dc = GetDC(window);
  HDC memory = CreateCompatibleDC(dc);
  HBITMAP bitmap = CreateCompatibleBitmap(dc, client.right, client.bottom);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, client.right, client.bottom, dc, 0, 0, SRCCOPY);
  SelectObject(memory, old);
  TPixels px = ReadBitmap(bitmap);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(window, dc);
  return px;
}

// What the window paints when asked to paint into a memory DC.
TPixels Printed(HWND window) {
  RECT client{};
  GetClientRect(window, &client);
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, client.right, client.bottom);
  ReleaseDC(nullptr, screen);
  HGDIOBJ old = SelectObject(memory, bitmap);
  FillRect(memory, &client, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
  SendMessageW(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory), PRF_CLIENT);
  SelectObject(memory, old);
  TPixels px = ReadBitmap(bitmap);
  DeleteObject(bitmap);
  DeleteDC(memory);
  return px;
}

void HostIn(const wchar_t* atlDll, const wchar_t* hostClass) {
  HMODULE atl = LoadLibraryW(atlDll);
  CHECK_MSG(atl != nullptr, "load " + Narrow(atlDll));
  if (!atl) return;
  auto init =
      reinterpret_cast<TAtlAxWinInit>(reinterpret_cast<void*>(GetProcAddress(atl, "AtlAxWinInit")));
  auto getControl = reinterpret_cast<TAtlAxGetControl>(
      reinterpret_cast<void*>(GetProcAddress(atl, "AtlAxGetControl")));
  CHECK(init && getControl);
  if (!init || !getControl) return;
  CHECK(init());

  HWND frame =
      CreateWindowExW(0, kFrameClass, L"container", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0,
                      500, 300, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  CHECK(frame != nullptr);
  ShowWindow(frame, SW_SHOW);
  HWND host = CreateWindowExW(0, hostClass, kProgId, WS_CHILD | WS_VISIBLE, 10, 10, 320, 110, frame,
                              nullptr, GetModuleHandleW(nullptr), nullptr);
  CHECK_MSG(host != nullptr, "host window of class " + Narrow(hostClass));
  if (!host) {
    DestroyWindow(frame);
    return;
  }
  PumpMessages();

  IUnknown* unknown = nullptr;
  CHECK_HR(getControl(host, &unknown));
  CHECK(unknown != nullptr);
  if (!unknown) {
    DestroyWindow(frame);
    return;
  }
  IBrevixBarCode* bc = nullptr;
  CHECK_HR(unknown->QueryInterface(IID_IBrevixBarCode, reinterpret_cast<void**>(&bc)));
  IOleWindow* window = nullptr;
  unknown->QueryInterface(IID_IOleWindow, reinterpret_cast<void**>(&window));
  HWND control = nullptr;
  if (window) window->GetWindow(&control);
  CHECK(IsWindow(control));
  // Activated in place: a visible child of the host window, covering it.
  CHECK(GetParent(control) == host);
  CHECK(IsChild(frame, control));
  CHECK(IsWindowVisible(control));
  RECT r{};
  GetClientRect(control, &r);
  CHECK_EQ(r.right, 320L);
  CHECK_EQ(r.bottom, 110L);

  if (bc) {
    BSTR text = SysAllocString(L"ATL HOST");
    CHECK_HR(bc->put_TypeBar(csCode128));
    CHECK_HR(bc->put_Text(text));
    SysFreeString(text);
  }
  RedrawWindow(frame, nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  PumpMessages();
  const TPixels shown = Snapshot(control);
  const TPixels printed = Printed(control);
  // The window's own surface holds the bars when the display keeps pixels; the paint code is
  // checked through WM_PRINTCLIENT either way.
  CHECK_EQ(printed.Width, 320);
  CHECK(printed.Transitions(20) > 15);
  std::printf("  %ls: window shows %d bar edges on row 20, paints %d\n", hostClass,
              shown.Width ? shown.Transitions(20) : -1, printed.Transitions(20));
  if (bc) {
    BSTR message = nullptr;
    CHECK_HR(bc->ErrorMessage(&message));
    CHECK_EQ(std::wstring(message ? message : L""), std::wstring(L"Correct"));
    SysFreeString(message);
  }

  // Double-buffered painting shows the same picture.
  if (bc) {
    CHECK_HR(bc->put_DoubleBuffered(VARIANT_TRUE));
    RedrawWindow(control, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    PumpMessages();
    const TPixels buffered = Snapshot(control);
    if (shown.Width) CHECK_EQ(buffered.Transitions(20), shown.Transitions(20));
    // Hidden and shown again through the property.
    CHECK_HR(bc->put_Visible(VARIANT_FALSE));
    CHECK(!IsWindowVisible(control));
    CHECK_HR(bc->put_Visible(VARIANT_TRUE));
    CHECK(IsWindowVisible(control));
    CHECK_HR(bc->put_Enabled(VARIANT_FALSE));
    CHECK(!IsWindowEnabled(control));
    CHECK_HR(bc->put_Enabled(VARIANT_TRUE));
    // A PDF417 text its mode refuses raises while painting: the window survives it.
    CHECK_HR(bc->put_TypeBar(csCodePDF417));
    BSTR refused = SysAllocString(L"A\x01B");
    CHECK_HR(bc->put_Text(refused));
    SysFreeString(refused);
    RedrawWindow(control, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    Printed(control);
    PumpMessages();
    CHECK(IsWindow(control));
    BSTR fine = SysAllocString(L"ATL HOST");
    CHECK_HR(bc->put_TypeBar(csCode128));
    CHECK_HR(bc->put_Text(fine));
    SysFreeString(fine);
    // The control resizes itself (ratio times the minimum width): its window follows.
    LONG minWidth = 0;
    CHECK_HR(bc->MinWidth(&minWidth));
    CHECK_HR(bc->put_Ratio(2));
    PumpMessages();
    GetClientRect(control, &r);
    CHECK_EQ(r.right, 2 * minWidth + 2);
  }

  // The container resizes the host: the control follows.
  SetWindowPos(host, nullptr, 0, 0, 260, 90, SWP_NOMOVE | SWP_NOZORDER);
  PumpMessages();
  GetClientRect(control, &r);
  CHECK_EQ(r.right, 260L);
  CHECK_EQ(r.bottom, 90L);

  if (window) window->Release();
  if (bc) bc->Release();
  unknown->Release();
  DestroyWindow(frame);
  PumpMessages();
  CHECK(!IsWindow(control));
}

}  // namespace

int wmain() {
  // Unbuffered, so that a host that dies still shows how far it got.
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  if (const HRESULT hr = OleInitialize(nullptr); FAILED(hr)) {
    std::printf("FAIL OleInitialize: 0x%08lx\n", static_cast<unsigned long>(hr));
    return 3;
  }
  WNDCLASSW wc{};
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH));
  wc.lpszClassName = kFrameClass;
  RegisterClassW(&wc);
  TRunner& run = Runner();
  run.Group("hosted by atl.dll (AtlAxWin)", [] { HostIn(L"atl.dll", L"AtlAxWin"); });
  run.Group("hosted by atl100.dll (AtlAxWin100)", [] { HostIn(L"atl100.dll", L"AtlAxWin100"); });
  const int rc = run.Finish();
  OleUninitialize();
  return rc;
}
