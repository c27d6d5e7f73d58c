#include "about.h"

#include "platform/win/win_error.h"
#include "resource.h"

namespace brevix::activex {
namespace {

// Client-area layout in pixels.
constexpr int kClientWidth = 267, kClientHeight = 127;
struct TPlacement {
  int Id;
  int Left, Top, Width, Height;
};
constexpr TPlacement kLayout[] = {
    {IDOK, 96, 96, 75, 25},        {IDC_CTLIMAGE, 8, 8, 23, 22},
    {IDC_NAMELBL, 40, 8, 139, 16}, {IDC_DESCLBL, 40, 26, 176, 13},
    {IDC_LABEL1, 90, 47, 84, 13},  {IDC_COPYRIGHTLBL, 56, 72, 167, 13},
};
constexpr COLORREF kNavy = RGB(0, 0, 128);

// The about form while it is shown: what it owns, freed when it closes.
struct TBrevixBarCodeAbout {
  HFONT NameFont = nullptr;
  HFONT LinkFont = nullptr;
  HBITMAP Picture = nullptr;
};

void LayOut(HWND dialog) {
  // Client 267 x 127, centred on the screen.
  RECT frame{0, 0, kClientWidth, kClientHeight};
  AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongW(dialog, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongW(dialog, GWL_EXSTYLE)));
  const int w = frame.right - frame.left, h = frame.bottom - frame.top;
  const int x = (GetSystemMetrics(SM_CXSCREEN) - w) / 2;
  const int y = (GetSystemMetrics(SM_CYSCREEN) - h) / 2;
  SetWindowPos(dialog, nullptr, x, y, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
  for (const TPlacement& p : kLayout) {
    SetWindowPos(GetDlgItem(dialog, p.Id), nullptr, p.Left, p.Top, p.Width, p.Height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void SetUp(HWND dialog, TBrevixBarCodeAbout& state) {
  HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(dialog, GWLP_HINSTANCE));
  LayOut(dialog);
  state.NameFont =
      CreateFontW(-13, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                  CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, L"MS Shell Dlg");
  state.LinkFont =
      CreateFontW(-11, 0, 0, 0, FW_NORMAL, FALSE, TRUE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                  CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, L"MS Sans Serif");
  SendDlgItemMessageW(dialog, IDC_NAMELBL, WM_SETFONT, reinterpret_cast<WPARAM>(state.NameFont),
                      FALSE);
  SendDlgItemMessageW(dialog, IDC_LABEL1, WM_SETFONT, reinterpret_cast<WPARAM>(state.LinkFont),
                      FALSE);
  state.Picture = static_cast<HBITMAP>(
      LoadImageW(instance, MAKEINTRESOURCEW(IDB_TOOLBOX), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR));
  SendDlgItemMessageW(dialog, IDC_CTLIMAGE, BM_SETIMAGE, IMAGE_BITMAP,
                      reinterpret_cast<LPARAM>(state.Picture));
  SetFocus(GetDlgItem(dialog, IDOK));
}

void TearDown(TBrevixBarCodeAbout& state) {
  if (state.NameFont) DeleteObject(state.NameFont);
  if (state.LinkFont) DeleteObject(state.LinkFont);
  if (state.Picture) DeleteObject(state.Picture);
  state = TBrevixBarCodeAbout{};
}

INT_PTR CALLBACK AboutProc(HWND dialog, UINT msg, WPARAM wp, LPARAM lp) {
  auto* state = reinterpret_cast<TBrevixBarCodeAbout*>(GetWindowLongPtrW(dialog, DWLP_USER));
  switch (msg) {
    case WM_INITDIALOG:
      SetWindowLongPtrW(dialog, DWLP_USER, lp);
      SetUp(dialog, *reinterpret_cast<TBrevixBarCodeAbout*>(lp));
      return FALSE;  // focus is set
    case WM_CTLCOLORSTATIC: {
      HDC dc = reinterpret_cast<HDC>(wp);
      const int id = GetDlgCtrlID(reinterpret_cast<HWND>(lp));
      SetTextColor(dc, id == IDC_LABEL1 ? kNavy : GetSysColor(COLOR_BTNTEXT));
      SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
      return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
    }
    case WM_COMMAND:
      switch (LOWORD(wp)) {
        case IDOK:
        case IDCANCEL:
          // OK is both the default and the cancel button: every way out ends with OK.
          EndDialog(dialog, IDOK);
          return TRUE;
        default:
          // The picture button does nothing when pressed.
          return TRUE;
      }
    case WM_CLOSE:
      EndDialog(dialog, IDOK);
      return TRUE;
    case WM_DESTROY:
      if (state) TearDown(*state);
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

void ShowAboutBox(HINSTANCE instance) {
  TBrevixBarCodeAbout state;
  const INT_PTR result = DialogBoxParamW(instance, L"TBREVIXBARCODEABOUT", nullptr, &AboutProc,
                                         reinterpret_cast<LPARAM>(&state));
  // The dialog frees what it made when it closes; this covers a dialog that failed half-way.
  TearDown(state);
  if (result == -1) win::RaiseLastError("Showing the about box");
}

}  // namespace brevix::activex
