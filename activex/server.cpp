#include "server.h"

#include <new>

#include "activeBrevixBarCodeX.h"
#include "brevix_barcode_imp.h"

namespace brevix::activex {
namespace {

// The module's whole mutable state: set once at load, counted by objects and locks after.
struct TServerState {
  HINSTANCE Instance = nullptr;
  LONG Locks = 0;
};
TServerState gServer;

// Creates BrevixBarCode objects. One static instance serves every request; references to it do
// not hold the module (LockServer does).
class TClassFactory final : public IClassFactory {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IClassFactory) {
      *out = static_cast<IClassFactory*>(this);
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }

  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    return TBrevixBarCode::Create(iid, out);
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    if (lock) {
      LockModule();
    } else {
      UnlockModule();
    }
    return S_OK;
  }
};
TClassFactory gFactory;

}  // namespace

HINSTANCE ModuleInstance() {
  return gServer.Instance;
}

std::wstring ModulePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n =
        GetModuleFileNameW(gServer.Instance, path.data(), static_cast<DWORD>(path.size()));
    if (n < path.size()) {
      path.resize(n);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

void LockModule() {
  InterlockedIncrement(&gServer.Locks);
}

void UnlockModule() {
  InterlockedDecrement(&gServer.Locks);
}

bool ModuleInUse() {
  return InterlockedCompareExchange(&gServer.Locks, 0, 0) != 0;
}

HRESULT LoadModuleTypeLib(ITypeLib** lib) {
  return LoadTypeLibEx(ModulePath().c_str(), REGKIND_NONE, lib);
}

HRESULT LoadTypeInfo(REFGUID guid, ITypeInfo** info) {
  ITypeLib* lib = nullptr;
  HRESULT hr = LoadModuleTypeLib(&lib);
  if (FAILED(hr)) return hr;
  hr = lib->GetTypeInfoOfGuid(guid, info);
  lib->Release();
  return hr;
}

}  // namespace brevix::activex

using namespace brevix::activex;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    gServer.Instance = instance;
    DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (clsid != CLSID_BrevixBarCode) return CLASS_E_CLASSNOTAVAILABLE;
  return gFactory.QueryInterface(iid, out);
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() {
  return ModuleInUse() ? S_FALSE : S_OK;
}
