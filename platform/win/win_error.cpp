#include "platform/win/win_error.h"

namespace brevix::win {

std::string SystemMessage(HRESULT code) {
  char* buffer = nullptr;
  const DWORD n = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
  std::string text = n && buffer ? std::string(buffer, n) : std::string();
  if (buffer) LocalFree(buffer);
  while (!text.empty() &&
         (text.back() == '\n' || text.back() == '\r' || text.back() == ' ' || text.back() == '.')) {
    text.pop_back();
  }
  if (text.empty()) {
    char hex[16];
    wsprintfA(hex, "0x%08lX", static_cast<unsigned long>(code));
    text = std::string("error ") + hex;
  }
  return text;
}

void Check(HRESULT hr, const char* what) {
  if (FAILED(hr)) throw EWinError(std::string(what) + ": " + SystemMessage(hr), hr);
}

void RaiseLastError(const char* what) {
  const DWORD error = GetLastError();
  const HRESULT hr = error ? HRESULT_FROM_WIN32(error) : E_FAIL;
  throw EWinError(std::string(what) + ": " + SystemMessage(hr), hr);
}

}  // namespace brevix::win
