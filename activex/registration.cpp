// Self-registration: the control class with its ProgID, threading model, control marker and
// toolbox picture, and the type library with its interfaces.

#include <olectl.h>
#include <shlwapi.h>
#include <windows.h>

#include <string>
#include <vector>

#include "activeBrevixBarCodeX.h"
#include "com_util.h"
#include "resource.h"
#include "server.h"

namespace brevix::activex {
namespace {

constexpr wchar_t kClassName[] = L"BrevixBarCode Control";
// Controls category: hosts that list insertable controls look for it.
constexpr wchar_t kCatidControl[] = L"{40FC6ED4-2438-11CF-A3DB-080036F12502}";
// What every object reports from IOleObject::GetMiscStatus.
constexpr DWORD kMiscStatus = OLEMISC_RECOMPOSEONRESIZE | OLEMISC_CANTLINKINSIDE |
                              OLEMISC_INSIDEOUT | OLEMISC_ACTIVATEWHENVISIBLE |
                              OLEMISC_SETCLIENTSITEFIRST;

std::wstring GuidText(REFGUID guid) {
  wchar_t text[40];
  StringFromGUID2(guid, text, 40);
  return text;
}

struct TKey {
  std::wstring Path;   // below HKEY_CLASSES_ROOT
  std::wstring Name;   // empty: the default value
  std::wstring Value;  // written as REG_SZ
};

std::vector<TKey> ClassKeys() {
  const std::wstring clsid = L"CLSID\\" + GuidText(CLSID_BrevixBarCode);
  const std::wstring module = ModulePath();
  return {
      {clsid, L"", kClassName},
      {clsid + L"\\InprocServer32", L"", module},
      {clsid + L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
      {clsid + L"\\ProgID", L"", kProgId},
      {clsid + L"\\Control", L"", L""},
      {clsid + L"\\ToolboxBitmap32", L"", module + L"," + std::to_wstring(IDB_TOOLBOX)},
      {clsid + L"\\TypeLib", L"", GuidText(LIBID_activeBrevixBarCodeX)},
      {clsid + L"\\Version", L"", L"4.0"},
      {clsid + L"\\MiscStatus", L"", L"0"},
      {clsid + L"\\MiscStatus\\1", L"", std::to_wstring(kMiscStatus)},
      {clsid + L"\\Implemented Categories\\" + kCatidControl, L"", L""},
      {kProgId, L"", kClassName},
      {std::wstring(kProgId) + L"\\CLSID", L"", GuidText(CLSID_BrevixBarCode)},
  };
}

HRESULT WriteKey(const TKey& key) {
  HKEY handle = nullptr;
  LONG rc = RegCreateKeyExW(HKEY_CLASSES_ROOT, key.Path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                            &handle, nullptr);
  if (rc != ERROR_SUCCESS) return HRESULT_FROM_WIN32(rc);
  const auto bytes = static_cast<DWORD>((key.Value.size() + 1) * sizeof(wchar_t));
  rc = RegSetValueExW(handle, key.Name.empty() ? nullptr : key.Name.c_str(), 0, REG_SZ,
                      reinterpret_cast<const BYTE*>(key.Value.c_str()), bytes);
  RegCloseKey(handle);
  return rc == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(rc);
}

HRESULT DeleteTree(const std::wstring& path) {
  const LONG rc = SHDeleteKeyW(HKEY_CLASSES_ROOT, path.c_str());
  return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND ? S_OK : HRESULT_FROM_WIN32(rc);
}

HRESULT UnregisterClass() {
  HRESULT hr = DeleteTree(L"CLSID\\" + GuidText(CLSID_BrevixBarCode));
  const HRESULT hr2 = DeleteTree(kProgId);
  return FAILED(hr) ? hr : hr2;
}

// Earlier builds registered the library under US English only; that entry goes too.
constexpr LCID kFormerLocale = 0x0409;

HRESULT UnregisterTypeLibrary(LCID lcid) {
  TComPtr<ITypeLib> lib;
  HRESULT hr = LoadModuleTypeLib(lib.Put());
  if (FAILED(hr)) return hr;
  TLIBATTR* attr = nullptr;
  hr = lib->GetLibAttr(&attr);
  if (FAILED(hr)) return hr;
  hr = UnRegisterTypeLib(attr->guid, attr->wMajorVerNum, attr->wMinorVerNum, lcid, attr->syskind);
  lib->ReleaseTLibAttr(attr);
  // Nothing registered is no failure.
  return hr == TYPE_E_REGISTRYACCESS || hr == TYPE_E_LIBNOTREGISTERED ? S_OK : hr;
}

}  // namespace
}  // namespace brevix::activex

using namespace brevix::activex;

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() {
  TComPtr<ITypeLib> lib;
  HRESULT hr = LoadModuleTypeLib(lib.Put());
  if (FAILED(hr)) return SELFREG_E_TYPELIB;
  // The library is language-neutral (locale 0), where marshalling looks for it. The former
  // entry goes first: removing it afterwards would take the interfaces' keys with it.
  UnregisterTypeLibrary(kFormerLocale);
  std::wstring path = ModulePath();
  hr = RegisterTypeLib(lib.Get(), path.data(), nullptr);
  if (FAILED(hr)) return SELFREG_E_TYPELIB;
  for (const TKey& key : ClassKeys()) {
    if (FAILED(WriteKey(key))) {
      UnregisterClass();
      return SELFREG_E_CLASS;
    }
  }
  return S_OK;
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() {
  const HRESULT classResult = UnregisterClass();
  UnregisterTypeLibrary(kFormerLocale);
  const HRESULT libResult = UnregisterTypeLibrary(LOCALE_NEUTRAL);
  if (FAILED(classResult)) return SELFREG_E_CLASS;
  if (FAILED(libResult)) return SELFREG_E_TYPELIB;
  return S_OK;
}
