#include "brevix_barcode_imp.h"

#include <new>

#include "about.h"
#include "ole_font.h"
#include "persistence.h"
#include "platform/win/export_win.h"
#include "platform/win/gdi_canvas.h"
#include "render/draw.h"
#include "server.h"

namespace brevix::activex {
namespace {

// Event DISPIDs of the events interface.
constexpr DISPID kOnChangeTypeCode = 201;
constexpr DISPID kOnChangeTextCode = 202;
constexpr DISPID kOnClick = 203;
constexpr DISPID kOnDblClick = 204;
constexpr DISPID kOnResize = 205;

constexpr DWORD kMiscStatus = OLEMISC_RECOMPOSEONRESIZE | OLEMISC_CANTLINKINSIDE |
                              OLEMISC_INSIDEOUT | OLEMISC_ACTIVATEWHENVISIBLE |
                              OLEMISC_SETCLIENTSITEFIRST;

template <class T>
HRESULT Out(T* target, T value) {
  if (!target) return E_POINTER;
  *target = value;
  return S_OK;
}

HRESULT OutString(BSTR* target, const std::string& value) {
  if (!target) return E_POINTER;
  *target = nullptr;
  return SafeCall([&] { *target = AllocBString(value); });
}

}  // namespace

void TWindowedBrevixBC::SetBounds(int left, int top, int width, int height) {
  // The window moves first, so handlers of the resize notification see it in place.
  if (Window) Window->Place(left, top, width, height);
  TBrevixBC::SetBounds(left, top, width, height);
}

// --- Creation ---------------------------------------------------------------------------------

TBrevixBarCode::TBrevixBarCode()
    : FEvents(*static_cast<IConnectionPointContainer*>(this), DIID_IBrevixBarCodeEvents),
      FFontCode([this](IFontDisp* f) {
        Put([&] { FControl->SetFont_Code(FontFromDisp(f, FControl->Font_Code())); });
      }),
      FFontType([this](IFontDisp* f) {
        Put([&] { FControl->SetFont_Type(FontFromDisp(f, FControl->Font_Type())); });
      }) {
  LockModule();
}

TBrevixBarCode::~TBrevixBarCode() {
  InPlaceDeactivate();
  FEvents.DisconnectAll();
  FFontCode.Reset();
  FFontType.Reset();
  if (FControl) {
    // Nothing may reach back into this object while its parts go away.
    FControl->OnClick = nullptr;
    FControl->OnDblClick = nullptr;
    FControl->OnResize = nullptr;
    FControl->OnChangeTextCode = nullptr;
    FControl->OnChangeTypeCode = nullptr;
    FControl->OnInvalidate = nullptr;
    FControl->Window = nullptr;
  }
  FWindow.reset();
  FControl.reset();
  UnlockModule();
}

HRESULT TBrevixBarCode::Create(REFIID iid, void** out) {
  auto* object = new (std::nothrow) TBrevixBarCode();
  if (!object) return E_OUTOFMEMORY;
  HRESULT hr = object->Initialize();
  if (SUCCEEDED(hr)) hr = object->QueryInterface(iid, out);
  object->Release();
  return hr;
}

HRESULT TBrevixBarCode::Initialize() {
  TComPtr<ITypeInfo> dispatchInfo;
  HRESULT hr = LoadTypeInfo(IID_IBrevixBarCode, dispatchInfo.Put());
  if (FAILED(hr)) return hr;
  // A dual interface is described twice; calls go through the vtable description.
  HREFTYPE vtable = 0;
  hr = dispatchInfo->GetRefTypeOfImplType(static_cast<UINT>(-1), &vtable);
  if (SUCCEEDED(hr)) hr = dispatchInfo->GetRefTypeInfo(vtable, FDispatchInfo.Put());
  if (FAILED(hr)) return hr;
  hr = LoadTypeInfo(CLSID_BrevixBarCode, FClassInfo.Put());
  if (FAILED(hr)) return hr;
  hr = SafeCall([&] {
    FControl = std::make_unique<TWindowedBrevixBC>();
    FWindow = std::make_unique<win::TControlWindow>(ModuleInstance(), *FControl);
    FControl->Window = FWindow.get();
  });
  if (FAILED(hr)) return hr;
  InitializeControl();
  return S_OK;
}

void TBrevixBarCode::InitializeControl() {
  TWindowedBrevixBC& c = *FControl;
  c.OnClick = [this](TObject*) { RaiseEvent(kOnClick); };
  c.OnDblClick = [this](TObject*) { RaiseEvent(kOnDblClick); };
  c.OnResize = [this](TObject*) {
    ControlResized();
    RaiseEvent(kOnResize);
  };
  c.OnChangeTextCode = [this](TObject*) { RaiseEvent(kOnChangeTextCode); };
  c.OnChangeTypeCode = [this](TObject*) { RaiseEvent(kOnChangeTypeCode); };
  c.OnInvalidate = [this] {
    FWindow->Invalidate();
    ViewChanged();
  };
}

void TBrevixBarCode::RaiseEvent(DISPID id) {
  if (FFreezeCount > 0) return;
  // A handler may release the host's last reference to this object.
  AddRef();
  FEvents.Fire(id);
  Release();
}

void TBrevixBarCode::Changed() {
  FDirty = true;
}

void TBrevixBarCode::ViewChanged() {
  if (!FViewSink) return;
  if (FViewAspects & DVASPECT_CONTENT) FViewSink->OnViewChange(DVASPECT_CONTENT, -1);
  if (FViewFlags & ADVF_ONLYONCE) FViewSink.Reset();
}

void TBrevixBarCode::ControlResized() {
  Changed();
  if (FHostSizing) return;
  // The control changed its own size (a ratio, a wider symbology): tell the container.
  const RECT r{FControl->Left(), FControl->Top(), FControl->Left() + FControl->Width(),
               FControl->Top() + FControl->Height()};
  if (FInPlaceSite) {
    FInPlaceSite->OnPosRectChange(&r);
  } else if (FClientSite) {
    FClientSite->RequestNewObjectLayout();
  }
}

template <class Body>
HRESULT TBrevixBarCode::Put(Body&& body) {
  const HRESULT hr = SafeCall(std::forward<Body>(body));
  if (SUCCEEDED(hr)) Changed();
  return hr;
}

// --- IUnknown ---------------------------------------------------------------------------------

HRESULT TBrevixBarCode::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_IBrevixBarCode) {
    *out = static_cast<IBrevixBarCode*>(this);
  } else if (iid == IID_ISupportErrorInfo) {
    *out = static_cast<ISupportErrorInfo*>(this);
  } else if (iid == IID_IProvideClassInfo || iid == IID_IProvideClassInfo2) {
    *out = static_cast<IProvideClassInfo2*>(this);
  } else if (iid == IID_IConnectionPointContainer) {
    *out = static_cast<IConnectionPointContainer*>(this);
  } else if (iid == IID_IOleObject) {
    *out = static_cast<IOleObject*>(this);
  } else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceObject) {
    *out = static_cast<IOleInPlaceObject*>(this);
  } else if (iid == IID_IOleInPlaceActiveObject) {
    *out = static_cast<IOleInPlaceActiveObject*>(this);
  } else if (iid == IID_IOleControl) {
    *out = static_cast<IOleControl*>(this);
  } else if (iid == IID_IViewObject || iid == IID_IViewObject2) {
    *out = static_cast<IViewObject2*>(this);
  } else if (iid == IID_IPersist || iid == IID_IPersistStreamInit) {
    *out = static_cast<IPersistStreamInit*>(this);
  } else if (iid == IID_IPersistPropertyBag) {
    *out = static_cast<IPersistPropertyBag*>(this);
  } else if (iid == IID_IPersistStorage) {
    *out = static_cast<IPersistStorage*>(this);
  } else {
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

ULONG TBrevixBarCode::AddRef() {
  return static_cast<ULONG>(InterlockedIncrement(&FRefs));
}

ULONG TBrevixBarCode::Release() {
  const LONG n = InterlockedDecrement(&FRefs);
  if (n == 0) delete this;
  return static_cast<ULONG>(n);
}

// --- IDispatch --------------------------------------------------------------------------------

HRESULT TBrevixBarCode::GetTypeInfoCount(UINT* count) {
  return Out(count, 1u);
}

HRESULT TBrevixBarCode::GetTypeInfo(UINT index, LCID, ITypeInfo** info) {
  if (!info) return E_POINTER;
  *info = nullptr;
  if (index != 0) return DISP_E_BADINDEX;
  return LoadTypeInfo(IID_IBrevixBarCode, info);
}

HRESULT TBrevixBarCode::GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  if (iid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
  return DispGetIDsOfNames(FDispatchInfo.Get(), names, count, ids);
}

HRESULT TBrevixBarCode::Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* params,
                               VARIANT* result, EXCEPINFO* excep, UINT* argErr) {
  if (iid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
  SetErrorInfo(0, nullptr);
  HRESULT hr = FDispatchInfo->Invoke(static_cast<IBrevixBarCode*>(this), id, flags, params, result,
                                     excep, argErr);
  // A member that failed left its message as error information: hand it to the caller.
  if (FAILED(hr) && hr != DISP_E_EXCEPTION && excep) {
    TComPtr<IErrorInfo> info;
    if (GetErrorInfo(0, info.Put()) == S_OK && info) {
      *excep = EXCEPINFO{};
      info->GetDescription(&excep->bstrDescription);
      info->GetSource(&excep->bstrSource);
      excep->scode = hr;
      hr = DISP_E_EXCEPTION;
    }
  }
  return hr;
}

// --- IBrevixBarCode ---------------------------------------------------------------------------

HRESULT TBrevixBarCode::get_Angle(TxAngleType* Value) {
  return Out(Value, static_cast<TxAngleType>(FControl->Angle()));
}

HRESULT TBrevixBarCode::put_Angle(TxAngleType Value) {
  return Put([&] {
    CheckRange("Angle", Value, csHorizontal, csVerticalMirrored);
    FControl->SetAngle(static_cast<TAngleType>(Value));
  });
}

HRESULT TBrevixBarCode::get_Transparent(VARIANT_BOOL* Value) {
  return Out(Value, ToVariantBool(FControl->Transparent()));
}

HRESULT TBrevixBarCode::put_Transparent(VARIANT_BOOL Value) {
  return Put([&] { FControl->SetTransparent(Value != 0); });
}

HRESULT TBrevixBarCode::get_TypeBar(TxTypeBar* Value) {
  return Out(Value, static_cast<TxTypeBar>(FControl->TypeBar()));
}

HRESULT TBrevixBarCode::put_TypeBar(TxTypeBar Value) {
  return Put([&] {
    CheckRange("TypeBar", Value, 0, kTypeBarCount - 1);
    FControl->SetTypeBar(static_cast<TTypeBar>(Value));
  });
}

HRESULT TBrevixBarCode::get_Color_Lines(OLE_COLOR* Value) {
  return Out(Value, static_cast<OLE_COLOR>(FControl->Color_Lines()));
}

HRESULT TBrevixBarCode::put_Color_Lines(OLE_COLOR Value) {
  return Put([&] { FControl->SetColor_Lines(static_cast<TColor>(Value)); });
}

HRESULT TBrevixBarCode::get_Color_Back(OLE_COLOR* Value) {
  return Out(Value, static_cast<OLE_COLOR>(FControl->Color_Back()));
}

HRESULT TBrevixBarCode::put_Color_Back(OLE_COLOR Value) {
  return Put([&] { FControl->SetColor_Back(static_cast<TColor>(Value)); });
}

HRESULT TBrevixBarCode::get_Ratio(LONG* Value) {
  return Out(Value, static_cast<LONG>(FControl->Ratio()));
}

HRESULT TBrevixBarCode::put_Ratio(LONG Value) {
  return Put([&] { FControl->SetRatio(static_cast<int>(Value)); });
}

HRESULT TBrevixBarCode::get_Display(TxDisplayType* Value) {
  return Out(Value, static_cast<TxDisplayType>(FControl->Display()));
}

HRESULT TBrevixBarCode::put_Display(TxDisplayType Value) {
  return Put([&] {
    CheckRange("Display", Value, csOutputNone, csOutputBoth);
    FControl->SetDisplay(static_cast<TDisplayType>(Value));
  });
}

HRESULT TBrevixBarCode::get_Text(BSTR* Value) {
  return OutString(Value, FControl->Text());
}

HRESULT TBrevixBarCode::put_Text(BSTR Value) {
  return Put([&] { FControl->SetText(Narrow(Value, static_cast<int>(SysStringLen(Value)))); });
}

HRESULT TBrevixBarCode::get_Font_Code(IFontDisp** Value) {
  return FFontCode.Get(FControl->Font_Code(), Value);
}

HRESULT TBrevixBarCode::put_Font_Code(IFontDisp* Value) {
  return Put([&] {
    FControl->SetFont_Code(FontFromDisp(Value, FControl->Font_Code()));
    FFontCode.Reset();
  });
}

HRESULT TBrevixBarCode::get_Font_Type(IFontDisp** Value) {
  return FFontType.Get(FControl->Font_Type(), Value);
}

HRESULT TBrevixBarCode::put_Font_Type(IFontDisp* Value) {
  return Put([&] {
    FControl->SetFont_Type(FontFromDisp(Value, FControl->Font_Type()));
    FFontType.Reset();
  });
}

HRESULT TBrevixBarCode::get_PDF417_Mode(TxcsPDF417UserMode* Value) {
  return Out(Value, static_cast<TxcsPDF417UserMode>(FControl->PDF417_Mode()));
}

HRESULT TBrevixBarCode::put_PDF417_Mode(TxcsPDF417UserMode Value) {
  return Put([&] {
    CheckRange("PDF417_Mode", Value, csPDF417_Alphanumeric, csPDF417_Numeric);
    FControl->SetPDF417_Mode(static_cast<csPDF417UserMode>(Value));
  });
}

HRESULT TBrevixBarCode::get_PDF417_SecurityLevel(TxcsPDF417UserError* Value) {
  return Out(Value, static_cast<TxcsPDF417UserError>(FControl->PDF417_SecurityLevel()));
}

HRESULT TBrevixBarCode::put_PDF417_SecurityLevel(TxcsPDF417UserError Value) {
  return Put([&] {
    CheckRange("PDF417_SecurityLevel", Value, csPDF417_Level_0, csPDF417_Level_8);
    FControl->SetPDF417_SecurityLevel(static_cast<csPDF417UserError>(Value));
  });
}

HRESULT TBrevixBarCode::get_PDF417_Truncate(VARIANT_BOOL* Value) {
  return Out(Value, ToVariantBool(FControl->PDF417_Truncate()));
}

HRESULT TBrevixBarCode::put_PDF417_Truncate(VARIANT_BOOL Value) {
  return Put([&] { FControl->SetPDF417_Truncate(Value != 0); });
}

HRESULT TBrevixBarCode::get_Version(BSTR* Value) {
  return OutString(Value, FControl->Version());
}

HRESULT TBrevixBarCode::DblClick() {
  return SafeCall([&] { FControl->DblClick(); });
}

HRESULT TBrevixBarCode::MinWidth(LONG* Value) {
  if (!Value) return E_POINTER;
  return SafeCall([&] { *Value = static_cast<LONG>(FControl->MinWidth()); });
}

HRESULT TBrevixBarCode::CopyToClipboard() {
  return SafeCall([&] { win::CopyToClipboard(*FControl, FWindow->Handle()); });
}

HRESULT TBrevixBarCode::get_CompleteDraw(VARIANT_BOOL* Value) {
  return Out(Value, ToVariantBool(FControl->CompleteDraw()));
}

HRESULT TBrevixBarCode::put_CompleteDraw(VARIANT_BOOL Value) {
  return Put([&] { FControl->SetCompleteDraw(Value != 0); });
}

HRESULT TBrevixBarCode::ErrorMessage(BSTR* Value) {
  return OutString(Value, FControl->ErrorText());
}

HRESULT TBrevixBarCode::TypeBarName(BSTR* Value) {
  return OutString(Value, FControl->TypeBarName());
}

HRESULT TBrevixBarCode::get_Visible(VARIANT_BOOL* Value) {
  return Out(Value, ToVariantBool(FControl->Visible()));
}

HRESULT TBrevixBarCode::put_Visible(VARIANT_BOOL Value) {
  return Put([&] {
    FControl->SetVisible(Value != 0);
    FWindow->SyncVisibility(FInPlaceActive);
  });
}

HRESULT TBrevixBarCode::get_DoubleBuffered(VARIANT_BOOL* Value) {
  return Out(Value, ToVariantBool(FWindow->DoubleBuffered));
}

HRESULT TBrevixBarCode::put_DoubleBuffered(VARIANT_BOOL Value) {
  FWindow->DoubleBuffered = Value != 0;
  return S_OK;
}

HRESULT TBrevixBarCode::get_AlignDisabled(VARIANT_BOOL* Value) {
  // The control never holds aligned children, so alignment is never suspended.
  return Out(Value, VARIANT_FALSE);
}

HRESULT TBrevixBarCode::get_VisibleDockClientCount(LONG* Value) {
  // Nothing docks into the barcode control.
  return Out(Value, 0L);
}

HRESULT TBrevixBarCode::DrawTextBiDiModeFlagsReadingOnly(LONG* Value) {
  // Left-to-right reading only: no right-to-left reading flag.
  return Out(Value, 0L);
}

HRESULT TBrevixBarCode::get_Enabled(VARIANT_BOOL* Value) {
  return Out(Value, ToVariantBool(FControl->Enabled()));
}

HRESULT TBrevixBarCode::put_Enabled(VARIANT_BOOL Value) {
  return Put([&] {
    FControl->SetEnabled(Value != 0);
    EnableWindow(FWindow->Handle(), Value != 0);
  });
}

HRESULT TBrevixBarCode::InitiateAction() {
  // The control has no action link to update.
  return S_OK;
}

HRESULT TBrevixBarCode::IsRightToLeft(VARIANT_BOOL* Value) {
  return Out(Value, VARIANT_FALSE);
}

HRESULT TBrevixBarCode::UseRightToLeftReading(VARIANT_BOOL* Value) {
  return Out(Value, VARIANT_FALSE);
}

HRESULT TBrevixBarCode::UseRightToLeftScrollBar(VARIANT_BOOL* Value) {
  return Out(Value, VARIANT_FALSE);
}

HRESULT TBrevixBarCode::SetSubComponent(VARIANT_BOOL IsSubComponent) {
  FSubComponent = IsSubComponent != 0;
  return S_OK;
}

HRESULT TBrevixBarCode::AboutBox() {
  return SafeCall([&] { ShowAboutBox(ModuleInstance()); });
}

HRESULT TBrevixBarCode::DrawToFile(BSTR M) {
  return SafeCall([&] { win::DrawToFile(*FControl, std::wstring(M ? M : L"", SysStringLen(M))); });
}

HRESULT TBrevixBarCode::get_Error(LONG* Value) {
  return Out(Value, static_cast<LONG>(FControl->Error()));
}

// Script and VBA code assigns objects with Set, which asks for the reference put.
HRESULT TBrevixBarCode::putref_Font_Code(IFontDisp* Value) {
  return put_Font_Code(Value);
}

HRESULT TBrevixBarCode::putref_Font_Type(IFontDisp* Value) {
  return put_Font_Type(Value);
}

HRESULT TBrevixBarCode::get_Width(LONG* Value) {
  return Out(Value, static_cast<LONG>(FControl->Width()));
}

HRESULT TBrevixBarCode::put_Width(LONG Value) {
  return Resize("Width", Value, static_cast<int>(Value), FControl->Height());
}

HRESULT TBrevixBarCode::get_Height(LONG* Value) {
  return Out(Value, static_cast<LONG>(FControl->Height()));
}

HRESULT TBrevixBarCode::put_Height(LONG Value) {
  return Resize("Height", Value, FControl->Width(), static_cast<int>(Value));
}

HRESULT TBrevixBarCode::get_QuietZone(LONG* Value) {
  return Out(Value, static_cast<LONG>(FControl->QuietZone()));
}

HRESULT TBrevixBarCode::put_QuietZone(LONG Value) {
  return Put([&] {
    CheckRange("QuietZone", Value, 0, kMaxQuietZone);
    FControl->SetQuietZone(static_cast<int>(Value));
  });
}

HRESULT TBrevixBarCode::get_ModuleWidth(LONG* Value) {
  return Out(Value, static_cast<LONG>(FControl->ModuleWidth()));
}

HRESULT TBrevixBarCode::put_ModuleWidth(LONG Value) {
  return Put([&] {
    CheckRange("ModuleWidth", Value, 0, kMaxModuleWidth);
    FControl->SetModuleWidth(static_cast<int>(Value));
  });
}

HRESULT TBrevixBarCode::get_Resolution(LONG* Value) {
  return Out(Value, static_cast<LONG>(FControl->Resolution()));
}

HRESULT TBrevixBarCode::put_Resolution(LONG Value) {
  return Put([&] {
    CheckRange("Resolution", Value, 0, kMaxResolution);
    FControl->SetResolution(static_cast<int>(Value));
  });
}

HRESULT TBrevixBarCode::get_QR_Level(LONG* Value) {
  return Out(Value, static_cast<LONG>(FControl->QR_Level()));
}

HRESULT TBrevixBarCode::put_QR_Level(LONG Value) {
  return Put([&] {
    CheckRange("QR_Level", Value, 0, 3);
    FControl->SetQR_Level(static_cast<TQrLevel>(Value));
  });
}

HRESULT TBrevixBarCode::get_QR_MinVersion(LONG* Value) {
  return Out(Value, static_cast<LONG>(FControl->QR_MinVersion()));
}

HRESULT TBrevixBarCode::put_QR_MinVersion(LONG Value) {
  return Put([&] {
    CheckRange("QR_MinVersion", Value, 0, kMaxQrVersion);
    FControl->SetQR_MinVersion(static_cast<int>(Value));
  });
}

HRESULT TBrevixBarCode::get_QR_Mask(LONG* Value) {
  return Out(Value, static_cast<LONG>(FControl->QR_Mask()));
}

HRESULT TBrevixBarCode::put_QR_Mask(LONG Value) {
  return Put([&] {
    CheckRange("QR_Mask", Value, -1, kMaxQrMask);
    FControl->SetQR_Mask(static_cast<int>(Value));
  });
}

HRESULT TBrevixBarCode::get_DM_Shape(LONG* Value) {
  return Out(Value, static_cast<LONG>(FControl->DM_Shape()));
}

HRESULT TBrevixBarCode::put_DM_Shape(LONG Value) {
  return Put([&] {
    CheckRange("DM_Shape", Value, 0, 2);
    FControl->SetDM_Shape(static_cast<TDmShape>(Value));
  });
}

HRESULT TBrevixBarCode::get_DM_Rows(LONG* Value) {
  return Out(Value, static_cast<LONG>(FControl->DM_Rows()));
}

HRESULT TBrevixBarCode::put_DM_Rows(LONG Value) {
  return Put([&] {
    CheckRange("DM_Rows", Value, 0, kMaxDmSide);
    FControl->SetDM_Rows(static_cast<int>(Value));
  });
}

HRESULT TBrevixBarCode::get_DM_Columns(LONG* Value) {
  return Out(Value, static_cast<LONG>(FControl->DM_Columns()));
}

HRESULT TBrevixBarCode::put_DM_Columns(LONG Value) {
  return Put([&] {
    CheckRange("DM_Columns", Value, 0, kMaxDmSide);
    FControl->SetDM_Columns(static_cast<int>(Value));
  });
}

HRESULT TBrevixBarCode::get_GS1(VARIANT_BOOL* Value) {
  return Out(Value, ToVariantBool(FControl->GS1()));
}

HRESULT TBrevixBarCode::put_GS1(VARIANT_BOOL Value) {
  return Put([&] { FControl->SetGS1(Value != 0); });
}

HRESULT TBrevixBarCode::Resize(const char* property, LONG value, int width, int height) {
  // Script hosts have no container to size the control; a container that has one hears of the
  // new size as of any size the control takes itself.
  return Put([&] {
    CheckRange(property, value, 1, kMaxControlSide);
    FControl->SetBounds(FControl->Left(), FControl->Top(), width, height);
  });
}

// --- ISupportErrorInfo, IProvideClassInfo2, IConnectionPointContainer -------------------------

HRESULT TBrevixBarCode::InterfaceSupportsErrorInfo(REFIID iid) {
  return iid == IID_IBrevixBarCode || iid == IID_IDispatch ? S_OK : S_FALSE;
}

HRESULT TBrevixBarCode::GetClassInfo(ITypeInfo** info) {
  if (!info) return E_POINTER;
  *info = FClassInfo.Get();
  (*info)->AddRef();
  return S_OK;
}

HRESULT TBrevixBarCode::GetGUID(DWORD kind, GUID* guid) {
  if (!guid) return E_POINTER;
  if (kind != GUIDKIND_DEFAULT_SOURCE_DISP_IID) {
    *guid = GUID_NULL;
    return E_INVALIDARG;
  }
  *guid = DIID_IBrevixBarCodeEvents;
  return S_OK;
}

HRESULT TBrevixBarCode::EnumConnectionPoints(IEnumConnectionPoints** out) {
  return CreateConnectionPointEnumerator({&FEvents}, out);
}

HRESULT TBrevixBarCode::FindConnectionPoint(REFIID iid, IConnectionPoint** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (iid != DIID_IBrevixBarCodeEvents) return CONNECT_E_NOCONNECTION;
  *out = &FEvents;
  FEvents.AddRef();
  return S_OK;
}

// --- IOleObject -------------------------------------------------------------------------------

HRESULT TBrevixBarCode::SetClientSite(IOleClientSite* site) {
  FClientSite = site;
  return S_OK;
}

HRESULT TBrevixBarCode::GetClientSite(IOleClientSite** site) {
  if (!site) return E_POINTER;
  *site = FClientSite.Get();
  if (*site) (*site)->AddRef();
  return S_OK;
}

HRESULT TBrevixBarCode::SetHostNames(LPCOLESTR, LPCOLESTR) {
  return S_OK;
}

HRESULT TBrevixBarCode::Close(DWORD saveOption) {
  InPlaceDeactivate();
  if (FDirty && FClientSite &&
      (saveOption == OLECLOSE_SAVEIFDIRTY || saveOption == OLECLOSE_PROMPTSAVE)) {
    FClientSite->SaveObject();
  }
  if (FAdviseHolder) FAdviseHolder->SendOnClose();
  return S_OK;
}

HRESULT TBrevixBarCode::SetMoniker(DWORD, IMoniker*) {
  return E_NOTIMPL;
}

HRESULT TBrevixBarCode::GetMoniker(DWORD, DWORD, IMoniker** moniker) {
  if (moniker) *moniker = nullptr;
  return E_NOTIMPL;
}

HRESULT TBrevixBarCode::InitFromData(IDataObject*, BOOL, DWORD) {
  return E_NOTIMPL;
}

HRESULT TBrevixBarCode::GetClipboardData(DWORD, IDataObject** data) {
  if (data) *data = nullptr;
  return E_NOTIMPL;
}

HRESULT TBrevixBarCode::DoVerb(LONG verb, LPMSG, IOleClientSite* site, LONG, HWND, LPCRECT pos) {
  if (site && !FClientSite) FClientSite = site;
  switch (verb) {
    case OLEIVERB_PRIMARY:
    case OLEIVERB_SHOW:
    case OLEIVERB_INPLACEACTIVATE:
    case OLEIVERB_UIACTIVATE: {
      const HRESULT hr = ActivateInPlace(verb);
      if (SUCCEEDED(hr) && pos) SetObjectRects(pos, pos);
      return hr;
    }
    case OLEIVERB_HIDE:
      UIDeactivate();
      FWindow->SyncVisibility(false);
      return S_OK;
    case OLEIVERB_OPEN:
    case OLEIVERB_DISCARDUNDOSTATE:
    case OLEIVERB_PROPERTIES:
      // No separate editing window and no property pages.
      return E_NOTIMPL;
    default:
      return verb > 0 ? OLEOBJ_S_INVALIDVERB : E_NOTIMPL;
  }
}

HRESULT TBrevixBarCode::ActivateInPlace(LONG verb) {
  if (!FClientSite) return E_UNEXPECTED;
  if (!FInPlaceActive) {
    TComPtr<IOleInPlaceSite> site = FClientSite.As<IOleInPlaceSite>(IID_IOleInPlaceSite);
    if (!site) return E_NOINTERFACE;
    if (site->CanInPlaceActivate() != S_OK) return E_FAIL;
    HWND parent = nullptr;
    if (FAILED(site->GetWindow(&parent)) || !parent) return E_FAIL;
    site->OnInPlaceActivate();
    FInPlaceSite = site;
    FInPlaceActive = true;
    RECT pos{}, clip{};
    OLEINPLACEFRAMEINFO frameInfo{};
    frameInfo.cb = sizeof frameInfo;
    site->GetWindowContext(FFrame.Put(), FUIWindow.Put(), &pos, &clip, &frameInfo);
    FWindow->SetParentWindow(parent);
    SetObjectRects(&pos, &clip);
    FWindow->SyncVisibility(true);
  }
  if ((verb == OLEIVERB_UIACTIVATE || verb == OLEIVERB_PRIMARY) && !FUIActive) {
    FUIActive = true;
    FInPlaceSite->OnUIActivate();
    auto* active = static_cast<IOleInPlaceActiveObject*>(this);
    if (FFrame) FFrame->SetActiveObject(active, L"BrevixBarCode");
    if (FUIWindow) FUIWindow->SetActiveObject(active, L"BrevixBarCode");
  }
  FClientSite->ShowObject();
  return S_OK;
}

HRESULT TBrevixBarCode::EnumVerbs(IEnumOLEVERB** verbs) {
  return OleRegEnumVerbs(CLSID_BrevixBarCode, verbs);
}

HRESULT TBrevixBarCode::Update() {
  return S_OK;
}

HRESULT TBrevixBarCode::IsUpToDate() {
  return S_OK;
}

HRESULT TBrevixBarCode::GetUserClassID(CLSID* clsid) {
  return Out(clsid, CLSID_BrevixBarCode);
}

HRESULT TBrevixBarCode::GetUserType(DWORD form, LPOLESTR* type) {
  return OleRegGetUserType(CLSID_BrevixBarCode, form, type);
}

HRESULT TBrevixBarCode::SetExtent(DWORD aspect, SIZEL* size) {
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  if (!size) return E_POINTER;
  const SIZE px = HimetricToPixels(*size);
  FHostSizing = true;
  const HRESULT hr = SafeCall([&] {
    FControl->SetBounds(FControl->Left(), FControl->Top(), static_cast<int>(px.cx),
                        static_cast<int>(px.cy));
  });
  FHostSizing = false;
  return hr;
}

HRESULT TBrevixBarCode::GetExtent(DWORD aspect, SIZEL* size) {
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  return Out(size, PixelsToHimetric(FControl->Width(), FControl->Height()));
}

HRESULT TBrevixBarCode::Advise(IAdviseSink* sink, DWORD* connection) {
  if (!FAdviseHolder) {
    const HRESULT hr = CreateOleAdviseHolder(FAdviseHolder.Put());
    if (FAILED(hr)) return hr;
  }
  return FAdviseHolder->Advise(sink, connection);
}

HRESULT TBrevixBarCode::Unadvise(DWORD connection) {
  if (!FAdviseHolder) return OLE_E_NOCONNECTION;
  return FAdviseHolder->Unadvise(connection);
}

HRESULT TBrevixBarCode::EnumAdvise(IEnumSTATDATA** advise) {
  if (!advise) return E_POINTER;
  *advise = nullptr;
  if (!FAdviseHolder) return S_OK;
  return FAdviseHolder->EnumAdvise(advise);
}

HRESULT TBrevixBarCode::GetMiscStatus(DWORD aspect, DWORD* status) {
  if (!status) return E_POINTER;
  *status = aspect == DVASPECT_CONTENT ? kMiscStatus : 0;
  return S_OK;
}

HRESULT TBrevixBarCode::SetColorScheme(LOGPALETTE*) {
  return E_NOTIMPL;
}

// --- IOleWindow, IOleInPlaceObject, IOleInPlaceActiveObject -----------------------------------

HRESULT TBrevixBarCode::GetWindow(HWND* window) {
  return Out(window, FWindow->Handle());
}

HRESULT TBrevixBarCode::ContextSensitiveHelp(BOOL) {
  return E_NOTIMPL;
}

HRESULT TBrevixBarCode::InPlaceDeactivate() {
  if (!FInPlaceActive) return S_OK;
  UIDeactivate();
  FInPlaceActive = false;
  if (FWindow) FWindow->SetParentWindow(nullptr);
  if (FInPlaceSite) FInPlaceSite->OnInPlaceDeactivate();
  FInPlaceSite.Reset();
  FFrame.Reset();
  FUIWindow.Reset();
  return S_OK;
}

HRESULT TBrevixBarCode::UIDeactivate() {
  if (!FUIActive) return S_OK;
  FUIActive = false;
  if (FFrame) FFrame->SetActiveObject(nullptr, nullptr);
  if (FUIWindow) FUIWindow->SetActiveObject(nullptr, nullptr);
  if (FInPlaceSite) FInPlaceSite->OnUIDeactivate(FALSE);
  return S_OK;
}

HRESULT TBrevixBarCode::SetObjectRects(LPCRECT pos, LPCRECT) {
  if (!pos) return E_POINTER;
  FHostSizing = true;
  const HRESULT hr = SafeCall([&] {
    FControl->SetBounds(pos->left, pos->top, pos->right - pos->left, pos->bottom - pos->top);
  });
  FHostSizing = false;
  return hr;
}

HRESULT TBrevixBarCode::ReactivateAndUndo() {
  return INPLACE_E_NOTUNDOABLE;
}

HRESULT TBrevixBarCode::TranslateAccelerator(LPMSG) {
  return S_FALSE;
}

HRESULT TBrevixBarCode::OnFrameWindowActivate(BOOL) {
  return S_OK;
}

HRESULT TBrevixBarCode::OnDocWindowActivate(BOOL) {
  return S_OK;
}

HRESULT TBrevixBarCode::ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) {
  return S_OK;
}

HRESULT TBrevixBarCode::EnableModeless(BOOL) {
  return S_OK;
}

// --- IOleControl ------------------------------------------------------------------------------

HRESULT TBrevixBarCode::GetControlInfo(CONTROLINFO* info) {
  if (!info) return E_POINTER;
  // No mnemonics.
  info->cb = sizeof *info;
  info->hAccel = nullptr;
  info->cAccel = 0;
  info->dwFlags = 0;
  return S_OK;
}

HRESULT TBrevixBarCode::OnMnemonic(MSG*) {
  return S_OK;
}

HRESULT TBrevixBarCode::OnAmbientPropertyChange(DISPID) {
  return S_OK;
}

HRESULT TBrevixBarCode::FreezeEvents(BOOL freeze) {
  if (freeze) {
    ++FFreezeCount;
  } else if (FFreezeCount > 0) {
    --FFreezeCount;
  }
  return S_OK;
}

// --- IViewObject2 -----------------------------------------------------------------------------

HRESULT TBrevixBarCode::Draw(DWORD aspect, LONG, void*, DVTARGETDEVICE*, HDC, HDC drawDC,
                             LPCRECTL bounds, LPCRECTL, BOOL(STDMETHODCALLTYPE*)(ULONG_PTR),
                             ULONG_PTR) {
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  if (!drawDC) return E_INVALIDARG;
  const TRect r = bounds ? TRect{static_cast<int>(bounds->left), static_cast<int>(bounds->top),
                                 static_cast<int>(bounds->right), static_cast<int>(bounds->bottom)}
                         : FControl->ClientRect();
  return SafeCall([&] {
    win::TGdiCanvas canvas(drawDC);
    canvas.Font.Assign(FControl->Font());
    DrawBarCode(canvas, r, *FControl);
  });
}

HRESULT TBrevixBarCode::GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, LOGPALETTE** colors) {
  if (colors) *colors = nullptr;
  return S_FALSE;
}

HRESULT TBrevixBarCode::Freeze(DWORD, LONG, void*, DWORD*) {
  return E_NOTIMPL;
}

HRESULT TBrevixBarCode::Unfreeze(DWORD) {
  return E_NOTIMPL;
}

HRESULT TBrevixBarCode::SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) {
  FViewSink = sink;
  FViewAspects = aspects;
  FViewFlags = flags;
  if (sink && (flags & ADVF_PRIMEFIRST)) ViewChanged();
  return S_OK;
}

HRESULT TBrevixBarCode::GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) {
  if (aspects) *aspects = FViewAspects;
  if (flags) *flags = FViewFlags;
  if (sink) {
    *sink = FViewSink.Get();
    if (*sink) (*sink)->AddRef();
  }
  return S_OK;
}

HRESULT TBrevixBarCode::GetExtent(DWORD aspect, LONG, DVTARGETDEVICE*, LPSIZEL size) {
  return GetExtent(aspect, size);
}

// --- Persistence ------------------------------------------------------------------------------

HRESULT TBrevixBarCode::GetClassID(CLSID* clsid) {
  return Out(clsid, CLSID_BrevixBarCode);
}

HRESULT TBrevixBarCode::IsDirty() {
  return FDirty ? S_OK : S_FALSE;
}

HRESULT TBrevixBarCode::InitNew() {
  return S_OK;
}

HRESULT TBrevixBarCode::Load(IStream* stream) {
  std::vector<TNamedValue> values;
  HRESULT hr = ReadStateFromStream(stream, values);
  if (FAILED(hr)) return hr;
  hr = SafeCall([&] {
    LoadState(*FControl, [&](const wchar_t* name, VARTYPE, TVariant& value) {
      for (const TNamedValue& nv : values) {
        if (nv.Name == name) {
          value = nv.Value;
          return true;
        }
      }
      return false;
    });
  });
  FFontCode.Reset();
  FFontType.Reset();
  FWindow->SyncVisibility(FInPlaceActive);
  FDirty = false;
  return hr;
}

HRESULT TBrevixBarCode::Save(IStream* stream, BOOL clearDirty) {
  HRESULT hr = E_FAIL;
  const HRESULT run = SafeCall([&] { hr = WriteStateToStream(stream, SaveState(*FControl)); });
  if (FAILED(run)) return run;
  if (SUCCEEDED(hr) && clearDirty) FDirty = false;
  return hr;
}

HRESULT TBrevixBarCode::GetSizeMax(ULARGE_INTEGER* size) {
  if (!size) return E_POINTER;
  return SafeCall([&] { size->QuadPart = StreamSize(SaveState(*FControl)); });
}

HRESULT TBrevixBarCode::Load(IPropertyBag* bag, IErrorLog* log) {
  if (!bag) return E_POINTER;
  const HRESULT hr = SafeCall([&] {
    LoadState(*FControl, [&](const wchar_t* name, VARTYPE type, TVariant& value) {
      V_VT(value.Get()) = type;
      if (FAILED(bag->Read(name, value.Get(), log))) {
        VariantClear(value.Get());
        return false;
      }
      return true;
    });
  });
  FFontCode.Reset();
  FFontType.Reset();
  FWindow->SyncVisibility(FInPlaceActive);
  FDirty = false;
  return hr;
}

HRESULT TBrevixBarCode::Save(IPropertyBag* bag, BOOL clearDirty, BOOL) {
  if (!bag) return E_POINTER;
  HRESULT hr = S_OK;
  const HRESULT run = SafeCall([&] {
    for (TNamedValue& nv : SaveState(*FControl)) {
      hr = bag->Write(nv.Name.c_str(), nv.Value.Get());
      if (FAILED(hr)) return;
    }
  });
  if (FAILED(run)) return run;
  if (SUCCEEDED(hr) && clearDirty) FDirty = false;
  return hr;
}

namespace {
constexpr wchar_t kContentsStream[] = L"Contents";
}  // namespace

HRESULT TBrevixBarCode::InitNew(IStorage*) {
  return S_OK;
}

HRESULT TBrevixBarCode::Load(IStorage* storage) {
  if (!storage) return E_POINTER;
  TComPtr<IStream> stream;
  const HRESULT hr = storage->OpenStream(kContentsStream, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE,
                                         0, stream.Put());
  if (FAILED(hr)) return hr;
  return Load(stream.Get());
}

HRESULT TBrevixBarCode::Save(IStorage* storage, BOOL) {
  if (!storage) return E_POINTER;
  TComPtr<IStream> stream;
  const HRESULT hr = storage->CreateStream(
      kContentsStream, STGM_CREATE | STGM_WRITE | STGM_SHARE_EXCLUSIVE, 0, 0, stream.Put());
  if (FAILED(hr)) return hr;
  return Save(stream.Get(), TRUE);
}

HRESULT TBrevixBarCode::SaveCompleted(IStorage*) {
  return S_OK;
}

HRESULT TBrevixBarCode::HandsOffStorage() {
  // No storage is kept open between calls.
  return S_OK;
}

}  // namespace brevix::activex
