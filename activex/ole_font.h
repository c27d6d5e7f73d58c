#pragma once
// Caption fonts across the COM boundary: the control's fonts become standard font objects for
// hosts, and a host's font object becomes a control font.

#include <olectl.h>
#include <windows.h>

#include <functional>

#include "com_util.h"
#include "platform/graphics.h"

namespace brevix::activex {

// A new standard font object with the attributes of font.
HRESULT CreateFontDisp(const TFont& font, IFontDisp** out);
// base with the face, size, style and character set of the host's font object (colour is not
// part of a font object and stays base's). Raises EWinError when the object cannot be read.
TFont FontFromDisp(IFontDisp* disp, const TFont& base);

// The font object handed out for one caption font. It stays connected, so what a host changes
// through it (Font_Code.Size = 12) reaches the control. Owned by the COM object: its reference
// count is the owner's business.
class TConnectedFont final : public IPropertyNotifySink {
 public:
  explicit TConnectedFont(std::function<void(IFontDisp*)> changed) : FChanged(std::move(changed)) {}
  ~TConnectedFont() { Reset(); }
  TConnectedFont(const TConnectedFont&) = delete;
  TConnectedFont& operator=(const TConnectedFont&) = delete;

  // The object handed out before, or a new one describing font.
  HRESULT Get(const TFont& font, IFontDisp** out);
  // Lets go of the object: the next Get describes the control's font afresh.
  void Reset();

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE OnChanged(DISPID id) override;
  HRESULT STDMETHODCALLTYPE OnRequestEdit(DISPID id) override;

 private:
  std::function<void(IFontDisp*)> FChanged;
  TComPtr<IFontDisp> FFont;
  TComPtr<IConnectionPoint> FPoint;
  DWORD FCookie = 0;
};

}  // namespace brevix::activex
