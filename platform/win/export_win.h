#pragma once
// Output of the control's picture on Windows: the clipboard and image files. Every output draws
// the barcode afresh into an off-screen surface of the picture's size.

#include <windows.h>

#include <string>

namespace brevix {
class TCustomBC;
}

namespace brevix::win {

// Puts a bitmap of the control's size on the clipboard (CF_BITMAP).
void CopyToClipboard(TCustomBC& control, HWND owner);

// Writes the picture in the format the extension names, in any case, from the table of
// output/file_formats.h: bitmaps and metafiles at PictureSize (render/module_paint.h), SVG, EPS and
// PDF from the module-mode layout as on Linux. An empty name writes nothing. Raises EWinError
// (E_INVALIDARG) for any other extension, with the message the Linux export gives, and when the
// file cannot be written or a vector file's text gives no symbol.
void DrawToFile(TCustomBC& control, const std::wstring& fileName);

}  // namespace brevix::win
