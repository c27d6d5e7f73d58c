#include "host_support.h"

namespace brevix::hosttest {

void TRunner::Group(const char* name, const std::function<void()>& body) {
  FGroup = name;
  const int before = FFailures;
  try {
    body();
  } catch (const std::exception& e) {
    Check(false, std::string("exception: ") + e.what(), __FILE__, __LINE__);
  }
  std::printf("%s %s\n", FFailures == before ? "PASS" : "FAIL", name);
  std::fflush(stdout);
}

void TRunner::Check(bool ok, const std::string& what, const char* file, int line) {
  ++FChecks;
  if (ok) return;
  ++FFailures;
  std::printf("  check failed in %s (%s:%d): %s\n", FGroup, file, line, what.c_str());
  std::fflush(stdout);
}

int TRunner::Finish() {
  std::printf("%d checks, %d failed\n", FChecks, FFailures);
  std::fflush(stdout);
  return FFailures == 0 ? 0 : 1;
}

TRunner& Runner() {
  static TRunner runner;
  return runner;
}

std::string Show(long v) {
  return std::to_string(v);
}
std::string Show(int v) {
  return std::to_string(v);
}
std::string Show(unsigned long v) {
  return std::to_string(v);
}
std::string Show(unsigned int v) {
  return std::to_string(v);
}
std::string Show(long long v) {
  return std::to_string(v);
}
std::string Show(unsigned long long v) {
  return std::to_string(v);
}
std::string Show(short v) {
  return std::to_string(v);
}
std::string Show(unsigned short v) {
  return std::to_string(v);
}
std::string Show(bool v) {
  return v ? "true" : "false";
}
std::string Show(const std::string& v) {
  std::string out = "\"";
  for (const unsigned char c : v) {
    if (c < 32 || c >= 127) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}
std::string Show(const char* v) {
  return Show(std::string(v));
}
std::string Show(const std::wstring& v) {
  return Show(Narrow(v));
}
std::string Show(const wchar_t* v) {
  return Show(std::wstring(v));
}
std::string HexHr(HRESULT hr) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(hr));
  return text;
}

std::wstring Wide(const std::string& s) {
  if (s.empty()) return {};
  const int n = MultiByteToWideChar(CP_ACP, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  std::wstring w(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
  return w;
}

std::string Narrow(const std::wstring& s) {
  if (s.empty()) return {};
  const int n = WideCharToMultiByte(CP_ACP, 0, s.data(), static_cast<int>(s.size()), nullptr, 0,
                                    nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, 0, s.data(), static_cast<int>(s.size()), out.data(), n, nullptr,
                      nullptr);
  return out;
}

long TVar::Long() const {
  VARIANT c;
  VariantInit(&c);
  long v = -999999;
  if (SUCCEEDED(VariantChangeType(&c, const_cast<VARIANT*>(&V), 0, VT_I4))) v = V_I4(&c);
  VariantClear(&c);
  return v;
}

bool TVar::Bool() const {
  return V_VT(&V) == VT_BOOL && V_BOOL(&V) != 0;
}

std::wstring TVar::String() const {
  if (V_VT(&V) != VT_BSTR || !V_BSTR(&V)) return L"<not a string>";
  return std::wstring(V_BSTR(&V), SysStringLen(V_BSTR(&V)));
}

DISPID TLateBound::Id(const wchar_t* name) const {
  DISPID id = DISPID_UNKNOWN;
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  FDisp->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  return id;
}

TCallResult TLateBound::InvokeRaw(DISPID id, WORD flags, VARIANT* args, UINT count,
                                  TVar* result) const {
  DISPPARAMS params{args, nullptr, count, 0};
  DISPID named = DISPID_PROPERTYPUT;
  if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
    params.rgdispidNamedArgs = &named;
    params.cNamedArgs = 1;
  }
  EXCEPINFO excep{};
  UINT argErr = 0;
  TCallResult r;
  r.Hr = FDisp->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params,
                       result ? &result->V : nullptr, &excep, &argErr);
  if (r.Hr == DISP_E_EXCEPTION) {
    if (excep.pfnDeferredFillIn) excep.pfnDeferredFillIn(&excep);
    if (excep.bstrDescription) r.Description = excep.bstrDescription;
    if (excep.scode) r.Hr = excep.scode;
  }
  SysFreeString(excep.bstrDescription);
  SysFreeString(excep.bstrSource);
  SysFreeString(excep.bstrHelpFile);
  return r;
}

TCallResult TLateBound::Get(const wchar_t* name, TVar& result) const {
  VariantClear(&result.V);
  return InvokeRaw(Id(name), DISPATCH_PROPERTYGET, nullptr, 0, &result);
}

TCallResult TLateBound::Put(const wchar_t* name, const TVar& value) const {
  VARIANT arg = value.V;  // Invoke does not change its arguments
  return InvokeRaw(Id(name), DISPATCH_PROPERTYPUT, &arg, 1, nullptr);
}

TCallResult TLateBound::Call(const wchar_t* name, TVar* result, const TVar* arg) const {
  VARIANT a;
  if (arg) a = arg->V;
  if (result) VariantClear(&result->V);
  return InvokeRaw(Id(name), DISPATCH_METHOD, arg ? &a : nullptr, arg ? 1 : 0, result);
}

long TLateBound::GetLong(const wchar_t* name) const {
  TVar v;
  Get(name, v);
  return v.Long();
}

bool TLateBound::GetBool(const wchar_t* name) const {
  TVar v;
  Get(name, v);
  return v.Bool();
}

std::wstring TLateBound::GetString(const wchar_t* name) const {
  TVar v;
  Get(name, v);
  return v.String();
}

std::wstring TLateBound::CallString(const wchar_t* name) const {
  TVar v;
  Call(name, &v);
  return v.String();
}

HRESULT TEventSink::QueryInterface(REFIID iid, void** out) {
  if (iid == IID_IUnknown || iid == IID_IDispatch || iid == FEvents) {
    *out = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

void PumpMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

int TPixels::DarkPixels() const {
  int n = 0;
  for (const unsigned p : Bgrx) {
    if ((p & 0xFF) < 0x80 && ((p >> 8) & 0xFF) < 0x80 && ((p >> 16) & 0xFF) < 0x80) ++n;
  }
  return n;
}

int TPixels::Transitions(int y) const {
  int n = 0;
  bool dark = false;
  for (int x = 0; x < Width; ++x) {
    const unsigned p = At(x, y);
    const bool d = (p & 0xFF) < 0x80 && ((p >> 8) & 0xFF) < 0x80 && ((p >> 16) & 0xFF) < 0x80;
    if (d && !dark) ++n;
    dark = d;
  }
  return n;
}

TPixels ReadBitmap(HBITMAP bitmap) {
  TPixels px;
  BITMAP info{};
  if (!GetObjectW(bitmap, sizeof info, &info)) return px;
  px.Width = info.bmWidth;
  px.Height = info.bmHeight;
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = px.Width;
  bi.bmiHeader.biHeight = -px.Height;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  px.Bgrx.assign(static_cast<size_t>(px.Width) * px.Height, 0);
  HDC dc = GetDC(nullptr);
  GetDIBits(dc, bitmap, 0, static_cast<UINT>(px.Height), px.Bgrx.data(), &bi, DIB_RGB_COLORS);
  ReleaseDC(nullptr, dc);
  return px;
}

}  // namespace brevix::hosttest
