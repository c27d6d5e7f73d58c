#pragma once
// Caption fonts across the COM boundary: the control's fonts become standard font objects for
// hosts, and a host's font object becomes a control font.

#include <olectl.h>
#include <windows.h>

#include "platform/graphics.h"

namespace brevix::activex {

// A new standard font object with the attributes of font.
HRESULT CreateFontDisp(const TFont& font, IFontDisp** out);
// base with the face, size, style and character set of the host's font object (colour is not
// part of a font object and stays base's). Raises EWinError when the object cannot be read.
TFont FontFromDisp(IFontDisp* disp, const TFont& base);

}  // namespace brevix::activex
