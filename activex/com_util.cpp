#include "com_util.h"

#include <new>
#include <stdexcept>
#include <string>

#include "activeBrevixBarCodeX.h"
#include "platform/win/win_error.h"

namespace brevix::activex {

std::string Narrow(const wchar_t* text, int length) {
  if (!text) return {};
  if (length < 0) length = lstrlenW(text);
  return win::ToSystemCodePage(std::wstring_view(text, static_cast<std::size_t>(length)));
}

std::wstring Widen(const std::string& text) {
  return win::FromSystemCodePage(text);
}

BSTR AllocBString(const std::wstring& s) {
  BSTR b = SysAllocStringLen(s.data(), static_cast<UINT>(s.size()));
  if (!b) throw std::bad_alloc();
  return b;
}

BSTR AllocBString(const std::string& s) {
  return AllocBString(Widen(s));
}

HRESULT ReportError(const std::string& message, HRESULT hr) {
  return ReportError(Widen(message), hr);
}

HRESULT ReportError(const std::wstring& text, HRESULT hr) {
  TComPtr<ICreateErrorInfo> create;
  if (SUCCEEDED(CreateErrorInfo(create.Put()))) {
    create->SetGUID(IID_IBrevixBarCode);
    create->SetSource(const_cast<LPOLESTR>(L"activeBrevixBarCodeX.BrevixBarCode"));
    create->SetDescription(const_cast<LPOLESTR>(text.c_str()));
    TComPtr<IErrorInfo> info = create.As<IErrorInfo>(IID_IErrorInfo);
    SetErrorInfo(0, info.Get());
  }
  return hr;
}

void CheckRange(const char* property, long value, long first, long last) {
  if (value >= first && value <= last) return;
  throw win::EWinError(std::string(property) + " must be " + std::to_string(first) + " to " +
                           std::to_string(last) + ", not " + std::to_string(value),
                       E_INVALIDARG);
}

HRESULT CurrentExceptionToHResult() noexcept {
  try {
    throw;
  } catch (const win::EWinError& e) {
    return ReportError(e.WideMessage(), e.Code());
  } catch (const std::bad_alloc&) {
    return ReportError("Out of memory", E_OUTOFMEMORY);
  } catch (const std::exception& e) {
    return ReportError(e.what(), E_FAIL);
  } catch (...) {
    return ReportError("Unexpected error", E_UNEXPECTED);
  }
}

}  // namespace brevix::activex
