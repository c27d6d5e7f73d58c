#include "platform/win/win_error.h"

namespace brevix::win {

std::string ToSystemCodePage(std::wstring_view text) {
  if (text.empty()) return {};
  const int length = static_cast<int>(text.size());
  const int n = WideCharToMultiByte(CP_ACP, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
  std::string result(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, 0, text.data(), length, result.data(), n, nullptr, nullptr);
  return result;
}

std::wstring FromSystemCodePage(std::string_view text) {
  if (text.empty()) return {};
  const int length = static_cast<int>(text.size());
  const int n = MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
  std::wstring result(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), length, result.data(), n);
  return result;
}

EWinError::EWinError(const std::string& message, HRESULT code)
    : std::runtime_error(message), FWideMessage(FromSystemCodePage(message)), FCode(code) {}

EWinError::EWinError(const std::wstring& message, HRESULT code)
    : std::runtime_error(ToSystemCodePage(message)), FWideMessage(message), FCode(code) {}

std::wstring SystemMessage(HRESULT code) {
  wchar_t* buffer = nullptr;
  const DWORD n = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text = n && buffer ? std::wstring(buffer, n) : std::wstring();
  if (buffer) LocalFree(buffer);
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ' ||
                           text.back() == L'.')) {
    text.pop_back();
  }
  if (text.empty()) {
    wchar_t hex[16];
    wsprintfW(hex, L"0x%08lX", static_cast<unsigned long>(code));
    text = std::wstring(L"error ") + hex;
  }
  return text;
}

void Check(HRESULT hr, const std::wstring& what) {
  if (FAILED(hr)) throw EWinError(what + L": " + SystemMessage(hr), hr);
}

void Check(HRESULT hr, const char* what) {
  if (FAILED(hr)) Check(hr, FromSystemCodePage(what));
}

void RaiseLastError(const std::wstring& what) {
  const DWORD error = GetLastError();
  const HRESULT hr = error ? HRESULT_FROM_WIN32(error) : E_FAIL;
  throw EWinError(what + L": " + SystemMessage(hr), hr);
}

void RaiseLastError(const char* what) {
  RaiseLastError(FromSystemCodePage(what));
}

}  // namespace brevix::win
