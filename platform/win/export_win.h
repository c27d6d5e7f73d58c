#pragma once
// Output of the control's picture on Windows: the clipboard and image files. Every output draws
// the barcode afresh into an off-screen surface of the control's size.

#include <windows.h>

#include <string>

namespace brevix {
class TCustomBC;
}

namespace brevix::win {

// Puts a bitmap of the control's size on the clipboard (CF_BITMAP).
void CopyToClipboard(TCustomBC& control, HWND owner);

// Writes the picture in the format the extension names, in any case: .bmp, .wmf, .emf, .gif, .png,
// .tif/.tiff, .jpg/.jpeg/.jpe. An empty name writes nothing. Raises EWinError (E_INVALIDARG) for
// any other extension, naming the file and the extensions that work, and when the file cannot be
// written.
void DrawToFile(TCustomBC& control, const std::wstring& fileName);

}  // namespace brevix::win
