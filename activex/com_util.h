#pragma once
// Small COM helpers of the control library: an owning interface pointer, string conversion between
// UTF-16 and the system code page, and the boundary that turns exceptions into error information.

#include <ole2.h>
#include <windows.h>

#include <string>
#include <utility>

namespace brevix::activex {

template <class T>
class TComPtr {
 public:
  TComPtr() = default;
  TComPtr(T* p) : FPtr(p) {  // NOLINT: adopting a raw pointer adds a reference
    if (FPtr) FPtr->AddRef();
  }
  TComPtr(const TComPtr& other) : TComPtr(other.FPtr) {}
  TComPtr(TComPtr&& other) noexcept : FPtr(std::exchange(other.FPtr, nullptr)) {}
  TComPtr& operator=(TComPtr other) noexcept {
    std::swap(FPtr, other.FPtr);
    return *this;
  }
  ~TComPtr() { Reset(); }

  void Reset() {
    if (FPtr) std::exchange(FPtr, nullptr)->Release();
  }
  T* Get() const { return FPtr; }
  T* operator->() const { return FPtr; }
  explicit operator bool() const { return FPtr != nullptr; }
  // For out parameters: releases what is held and hands out the slot.
  T** Put() {
    Reset();
    return &FPtr;
  }
  // Gives the reference to the caller.
  T* Detach() { return std::exchange(FPtr, nullptr); }

  template <class U>
  TComPtr<U> As(REFIID iid) const {
    TComPtr<U> result;
    if (FPtr) FPtr->QueryInterface(iid, reinterpret_cast<void**>(result.Put()));
    return result;
  }

 private:
  T* FPtr = nullptr;
};

// UTF-16 to the system code page, and back.
std::string Narrow(const wchar_t* text, int length = -1);
std::wstring Widen(const std::string& text);
// A new BSTR with the text of s (system code page).
BSTR AllocBString(const std::string& s);
BSTR AllocBString(const std::wstring& s);

// Records message as the thread's error information and returns hr.
HRESULT ReportError(const std::string& message, HRESULT hr);
HRESULT ReportError(const std::wstring& message, HRESULT hr);

// A host's value for an enumeration or a size must lie in [first, last]: anything else raises
// EWinError with E_INVALIDARG naming the property and the range, before anything is stored.
void CheckRange(const char* property, long value, long first, long last);
// The largest Width or Height a host may give: the largest picture side the file writers take.
inline constexpr long kMaxControlSide = 32767;

// Runs body and returns S_OK; an exception becomes a failed HRESULT with its message as error
// information, and the object stays usable.
template <class Body>
HRESULT SafeCall(Body&& body) noexcept;

HRESULT CurrentExceptionToHResult() noexcept;

template <class Body>
HRESULT SafeCall(Body&& body) noexcept {
  try {
    body();
    return S_OK;
  } catch (...) {
    return CurrentExceptionToHResult();
  }
}

inline VARIANT_BOOL ToVariantBool(bool v) {
  return v ? VARIANT_TRUE : VARIANT_FALSE;
}

}  // namespace brevix::activex
