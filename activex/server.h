#pragma once
// The in-process COM server: the module handle, the count of live objects and server locks that
// DllCanUnloadNow reports, and access to the type library stored in the module.

#include <oaidl.h>
#include <windows.h>

#include <string>

namespace brevix::activex {

HINSTANCE ModuleInstance();
// Full path of this module (the .ocx).
std::wstring ModulePath();

// Every live object and every LockServer(TRUE) holds the module.
void LockModule();
void UnlockModule();
bool ModuleInUse();

// The type library embedded as resource 1, and one type description from it.
HRESULT LoadModuleTypeLib(ITypeLib** lib);
HRESULT LoadTypeInfo(REFGUID guid, ITypeInfo** info);

// The ProgID under which the class is registered.
inline constexpr wchar_t kProgId[] = L"activeBrevixBarCodeX.BrevixBarCode";

}  // namespace brevix::activex
