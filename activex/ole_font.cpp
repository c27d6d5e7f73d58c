#include "ole_font.h"

#include <cstdlib>
#include <string>

#include "com_util.h"
#include "platform/win/win_error.h"

namespace brevix::activex {
namespace {

// Font sizes travel as points in units of 1/10000; heights are pixels at 96 per inch, so one
// pixel is 0.75 point.
constexpr LONGLONG kSizeUnitsPerPixel = 7500;

}  // namespace

HRESULT CreateFontDisp(const TFont& font, IFontDisp** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  std::wstring name = Widen(font.Name());
  FONTDESC desc{};
  desc.cbSizeofstruct = sizeof desc;
  desc.lpstrName = name.data();
  desc.cySize.int64 = std::abs(font.Height()) * kSizeUnitsPerPixel;
  desc.sWeight = (font.Style() & fsBold) ? FW_BOLD : FW_NORMAL;
  desc.sCharset = font.Charset();
  desc.fItalic = (font.Style() & fsItalic) ? TRUE : FALSE;
  desc.fUnderline = (font.Style() & fsUnderline) ? TRUE : FALSE;
  desc.fStrikethrough = (font.Style() & fsStrikeOut) ? TRUE : FALSE;
  return OleCreateFontIndirect(&desc, IID_IFontDisp, reinterpret_cast<void**>(out));
}

TFont FontFromDisp(IFontDisp* disp, const TFont& base) {
  if (!disp) throw win::EWinError("No font given", E_POINTER);
  TComPtr<IFont> font;
  win::Check(disp->QueryInterface(IID_IFont, reinterpret_cast<void**>(font.Put())),
             "The object is not a font");
  BSTR name = nullptr;
  CY size{};
  BOOL bold = FALSE, italic = FALSE, underline = FALSE, strike = FALSE;
  SHORT charset = DEFAULT_CHARSET;
  win::Check(font->get_Name(&name), "Reading the font name");
  const std::string face = Narrow(name);
  SysFreeString(name);
  win::Check(font->get_Size(&size), "Reading the font size");
  font->get_Bold(&bold);
  font->get_Italic(&italic);
  font->get_Underline(&underline);
  font->get_Strikethrough(&strike);
  font->get_Charset(&charset);

  TFont result;
  result.Assign(base);
  result.SetName(face);
  const LONGLONG pixels = (size.int64 + kSizeUnitsPerPixel / 2) / kSizeUnitsPerPixel;
  result.SetHeight(-static_cast<int>(pixels));
  TFontStyles style = 0;
  if (bold) style |= fsBold;
  if (italic) style |= fsItalic;
  if (underline) style |= fsUnderline;
  if (strike) style |= fsStrikeOut;
  result.SetStyle(style);
  result.SetCharset(static_cast<std::uint8_t>(charset));
  return result;
}

HRESULT TConnectedFont::Get(const TFont& font, IFontDisp** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (!FFont) {
    HRESULT hr = CreateFontDisp(font, FFont.Put());
    if (FAILED(hr)) return hr;
    // Without notifications the object still describes the font; it just does not write back.
    TComPtr<IConnectionPointContainer> container =
        FFont.As<IConnectionPointContainer>(IID_IConnectionPointContainer);
    if (container &&
        SUCCEEDED(container->FindConnectionPoint(IID_IPropertyNotifySink, FPoint.Put())) &&
        FAILED(FPoint->Advise(static_cast<IPropertyNotifySink*>(this), &FCookie))) {
      FPoint.Reset();
      FCookie = 0;
    }
  }
  *out = FFont.Get();
  (*out)->AddRef();
  return S_OK;
}

void TConnectedFont::Reset() {
  if (FPoint && FCookie) FPoint->Unadvise(FCookie);
  FPoint.Reset();
  FCookie = 0;
  FFont.Reset();
}

HRESULT TConnectedFont::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IPropertyNotifySink) {
    *out = static_cast<IPropertyNotifySink*>(this);
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

HRESULT TConnectedFont::OnChanged(DISPID) {
  if (FFont && FChanged) FChanged(FFont.Get());
  return S_OK;
}

HRESULT TConnectedFont::OnRequestEdit(DISPID) {
  return S_OK;
}

}  // namespace brevix::activex
