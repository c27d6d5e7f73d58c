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

// Writes the picture in the format the upper-cased extension names: .BMP, .WMF, .EMF, .GIF, .PNG,
// .TIF/.TIFF, .JPG. An empty name or any other extension writes nothing. Raises EWinError when
// the file cannot be written.
void DrawToFile(TCustomBC& control, const std::string& fileName);

}  // namespace brevix::win
