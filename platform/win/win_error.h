#pragma once
// A failure of the Windows platform (a file that cannot be created, a codec that refuses an
// image), raised as an exception with the HRESULT that the COM boundary passes on. The message is
// kept in UTF-16, so file names in any script reach the host as they were given.

#include <windows.h>

#include <stdexcept>
#include <string>
#include <string_view>

namespace brevix::win {

class EWinError : public std::runtime_error {
 public:
  EWinError(const std::string& message, HRESULT code);
  EWinError(const std::wstring& message, HRESULT code);
  HRESULT Code() const { return FCode; }
  const std::wstring& WideMessage() const { return FWideMessage; }

 private:
  std::wstring FWideMessage;
  HRESULT FCode;
};

// UTF-16 to the system code page, and back.
std::string ToSystemCodePage(std::wstring_view text);
std::wstring FromSystemCodePage(std::string_view text);

// The system's text for code, without the trailing line break.
std::wstring SystemMessage(HRESULT code);

// Raises EWinError with "<what>: <system message>" when hr failed.
void Check(HRESULT hr, const std::wstring& what);
void Check(HRESULT hr, const char* what);
// Raises EWinError for the calling thread's last Win32 error.
[[noreturn]] void RaiseLastError(const std::wstring& what);
[[noreturn]] void RaiseLastError(const char* what);

}  // namespace brevix::win
