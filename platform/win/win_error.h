#pragma once
// A failure of the Windows platform (a file that cannot be created, a codec that refuses an
// image), raised as an exception with the HRESULT that the COM boundary passes on.

#include <windows.h>

#include <stdexcept>
#include <string>

namespace brevix::win {

class EWinError : public std::runtime_error {
 public:
  EWinError(const std::string& message, HRESULT code) : std::runtime_error(message), FCode(code) {}
  HRESULT Code() const { return FCode; }

 private:
  HRESULT FCode;
};

// The system's text for code, without the trailing line break.
std::string SystemMessage(HRESULT code);

// Raises EWinError with "<what>: <system message>" when hr failed.
void Check(HRESULT hr, const char* what);
// Raises EWinError for the calling thread's last Win32 error.
[[noreturn]] void RaiseLastError(const char* what);

}  // namespace brevix::win
