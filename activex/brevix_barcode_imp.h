#pragma once
// The COM class BrevixBarCode: an ActiveX control that owns one barcode control in a real window
// and forwards every property and method of IBrevixBarCode to it. It adds the OLE control
// plumbing a container needs: in-place activation, drawing into the container's DC, property
// persistence, events through a connection point, and error information for failed calls.

#include <ocidl.h>
#include <olectl.h>
#include <windows.h>

#include <memory>

#include "activeBrevixBarCodeX.h"
#include "com_util.h"
#include "connection_point.h"
#include "core/control.h"
#include "ole_font.h"
#include "platform/win/control_window.h"

namespace brevix::activex {

// The barcode control as a windowed control: every change of its bounds moves its window too.
class TWindowedBrevixBC final : public TBrevixBC {
 public:
  using TBrevixBC::TBrevixBC;
  void SetBounds(int left, int top, int width, int height) override;
  win::TControlWindow* Window = nullptr;
};

class TBrevixBarCode final : public IBrevixBarCode,
                             public ISupportErrorInfo,
                             public IProvideClassInfo2,
                             public IConnectionPointContainer,
                             public IOleObject,
                             public IOleInPlaceObject,
                             public IOleInPlaceActiveObject,
                             public IOleControl,
                             public IViewObject2,
                             public IPersistStreamInit,
                             public IPersistPropertyBag,
                             public IPersistStorage {
 public:
  static HRESULT Create(REFIID iid, void** out);

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  // IDispatch
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid,
                                          DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* excep, UINT* argErr) override;

  // IBrevixBarCode
  HRESULT STDMETHODCALLTYPE get_Angle(TxAngleType* Value) override;
  HRESULT STDMETHODCALLTYPE put_Angle(TxAngleType Value) override;
  HRESULT STDMETHODCALLTYPE get_Transparent(VARIANT_BOOL* Value) override;
  HRESULT STDMETHODCALLTYPE put_Transparent(VARIANT_BOOL Value) override;
  HRESULT STDMETHODCALLTYPE get_TypeBar(TxTypeBar* Value) override;
  HRESULT STDMETHODCALLTYPE put_TypeBar(TxTypeBar Value) override;
  HRESULT STDMETHODCALLTYPE get_Color_Lines(OLE_COLOR* Value) override;
  HRESULT STDMETHODCALLTYPE put_Color_Lines(OLE_COLOR Value) override;
  HRESULT STDMETHODCALLTYPE get_Color_Back(OLE_COLOR* Value) override;
  HRESULT STDMETHODCALLTYPE put_Color_Back(OLE_COLOR Value) override;
  HRESULT STDMETHODCALLTYPE get_Ratio(LONG* Value) override;
  HRESULT STDMETHODCALLTYPE put_Ratio(LONG Value) override;
  HRESULT STDMETHODCALLTYPE get_Display(TxDisplayType* Value) override;
  HRESULT STDMETHODCALLTYPE put_Display(TxDisplayType Value) override;
  HRESULT STDMETHODCALLTYPE get_Text(BSTR* Value) override;
  HRESULT STDMETHODCALLTYPE put_Text(BSTR Value) override;
  HRESULT STDMETHODCALLTYPE get_Font_Code(IFontDisp** Value) override;
  HRESULT STDMETHODCALLTYPE put_Font_Code(IFontDisp* Value) override;
  HRESULT STDMETHODCALLTYPE get_Font_Type(IFontDisp** Value) override;
  HRESULT STDMETHODCALLTYPE put_Font_Type(IFontDisp* Value) override;
  HRESULT STDMETHODCALLTYPE get_PDF417_Mode(TxcsPDF417UserMode* Value) override;
  HRESULT STDMETHODCALLTYPE put_PDF417_Mode(TxcsPDF417UserMode Value) override;
  HRESULT STDMETHODCALLTYPE get_PDF417_SecurityLevel(TxcsPDF417UserError* Value) override;
  HRESULT STDMETHODCALLTYPE put_PDF417_SecurityLevel(TxcsPDF417UserError Value) override;
  HRESULT STDMETHODCALLTYPE get_PDF417_Truncate(VARIANT_BOOL* Value) override;
  HRESULT STDMETHODCALLTYPE put_PDF417_Truncate(VARIANT_BOOL Value) override;
  HRESULT STDMETHODCALLTYPE get_Version(BSTR* Value) override;
  HRESULT STDMETHODCALLTYPE DblClick() override;
  HRESULT STDMETHODCALLTYPE MinWidth(LONG* Value) override;
  HRESULT STDMETHODCALLTYPE CopyToClipboard() override;
  HRESULT STDMETHODCALLTYPE get_CompleteDraw(VARIANT_BOOL* Value) override;
  HRESULT STDMETHODCALLTYPE put_CompleteDraw(VARIANT_BOOL Value) override;
  HRESULT STDMETHODCALLTYPE ErrorMessage(BSTR* Value) override;
  HRESULT STDMETHODCALLTYPE TypeBarName(BSTR* Value) override;
  HRESULT STDMETHODCALLTYPE get_Visible(VARIANT_BOOL* Value) override;
  HRESULT STDMETHODCALLTYPE put_Visible(VARIANT_BOOL Value) override;
  HRESULT STDMETHODCALLTYPE get_DoubleBuffered(VARIANT_BOOL* Value) override;
  HRESULT STDMETHODCALLTYPE put_DoubleBuffered(VARIANT_BOOL Value) override;
  HRESULT STDMETHODCALLTYPE get_AlignDisabled(VARIANT_BOOL* Value) override;
  HRESULT STDMETHODCALLTYPE get_VisibleDockClientCount(LONG* Value) override;
  HRESULT STDMETHODCALLTYPE DrawTextBiDiModeFlagsReadingOnly(LONG* Value) override;
  HRESULT STDMETHODCALLTYPE get_Enabled(VARIANT_BOOL* Value) override;
  HRESULT STDMETHODCALLTYPE put_Enabled(VARIANT_BOOL Value) override;
  HRESULT STDMETHODCALLTYPE InitiateAction() override;
  HRESULT STDMETHODCALLTYPE IsRightToLeft(VARIANT_BOOL* Value) override;
  HRESULT STDMETHODCALLTYPE UseRightToLeftReading(VARIANT_BOOL* Value) override;
  HRESULT STDMETHODCALLTYPE UseRightToLeftScrollBar(VARIANT_BOOL* Value) override;
  HRESULT STDMETHODCALLTYPE SetSubComponent(VARIANT_BOOL IsSubComponent) override;
  HRESULT STDMETHODCALLTYPE AboutBox() override;
  HRESULT STDMETHODCALLTYPE DrawToFile(BSTR M) override;
  HRESULT STDMETHODCALLTYPE get_Error(LONG* Value) override;
  HRESULT STDMETHODCALLTYPE putref_Font_Code(IFontDisp* Value) override;
  HRESULT STDMETHODCALLTYPE putref_Font_Type(IFontDisp* Value) override;
  HRESULT STDMETHODCALLTYPE get_Width(LONG* Value) override;
  HRESULT STDMETHODCALLTYPE put_Width(LONG Value) override;
  HRESULT STDMETHODCALLTYPE get_Height(LONG* Value) override;
  HRESULT STDMETHODCALLTYPE put_Height(LONG Value) override;
  HRESULT STDMETHODCALLTYPE get_QuietZone(LONG* Value) override;
  HRESULT STDMETHODCALLTYPE put_QuietZone(LONG Value) override;
  HRESULT STDMETHODCALLTYPE get_ModuleWidth(LONG* Value) override;
  HRESULT STDMETHODCALLTYPE put_ModuleWidth(LONG Value) override;
  HRESULT STDMETHODCALLTYPE get_Resolution(LONG* Value) override;
  HRESULT STDMETHODCALLTYPE put_Resolution(LONG Value) override;
  HRESULT STDMETHODCALLTYPE get_QR_Level(LONG* Value) override;
  HRESULT STDMETHODCALLTYPE put_QR_Level(LONG Value) override;
  HRESULT STDMETHODCALLTYPE get_QR_MinVersion(LONG* Value) override;
  HRESULT STDMETHODCALLTYPE put_QR_MinVersion(LONG Value) override;
  HRESULT STDMETHODCALLTYPE get_QR_Mask(LONG* Value) override;
  HRESULT STDMETHODCALLTYPE put_QR_Mask(LONG Value) override;
  HRESULT STDMETHODCALLTYPE get_DM_Shape(LONG* Value) override;
  HRESULT STDMETHODCALLTYPE put_DM_Shape(LONG Value) override;
  HRESULT STDMETHODCALLTYPE get_DM_Rows(LONG* Value) override;
  HRESULT STDMETHODCALLTYPE put_DM_Rows(LONG Value) override;
  HRESULT STDMETHODCALLTYPE get_DM_Columns(LONG* Value) override;
  HRESULT STDMETHODCALLTYPE put_DM_Columns(LONG Value) override;
  HRESULT STDMETHODCALLTYPE get_GS1(VARIANT_BOOL* Value) override;
  HRESULT STDMETHODCALLTYPE put_GS1(VARIANT_BOOL Value) override;

  // ISupportErrorInfo
  HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID iid) override;

  // IProvideClassInfo2
  HRESULT STDMETHODCALLTYPE GetClassInfo(ITypeInfo** info) override;
  HRESULT STDMETHODCALLTYPE GetGUID(DWORD kind, GUID* guid) override;

  // IConnectionPointContainer
  HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** out) override;
  HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID iid, IConnectionPoint** out) override;

  // IOleObject
  HRESULT STDMETHODCALLTYPE SetClientSite(IOleClientSite* site) override;
  HRESULT STDMETHODCALLTYPE GetClientSite(IOleClientSite** site) override;
  HRESULT STDMETHODCALLTYPE SetHostNames(LPCOLESTR app, LPCOLESTR obj) override;
  HRESULT STDMETHODCALLTYPE Close(DWORD saveOption) override;
  HRESULT STDMETHODCALLTYPE SetMoniker(DWORD which, IMoniker* moniker) override;
  HRESULT STDMETHODCALLTYPE GetMoniker(DWORD assign, DWORD which, IMoniker** moniker) override;
  HRESULT STDMETHODCALLTYPE InitFromData(IDataObject* data, BOOL creation, DWORD reserved) override;
  HRESULT STDMETHODCALLTYPE GetClipboardData(DWORD reserved, IDataObject** data) override;
  HRESULT STDMETHODCALLTYPE DoVerb(LONG verb, LPMSG msg, IOleClientSite* site, LONG index,
                                   HWND parent, LPCRECT pos) override;
  HRESULT STDMETHODCALLTYPE EnumVerbs(IEnumOLEVERB** verbs) override;
  HRESULT STDMETHODCALLTYPE Update() override;
  HRESULT STDMETHODCALLTYPE IsUpToDate() override;
  HRESULT STDMETHODCALLTYPE GetUserClassID(CLSID* clsid) override;
  HRESULT STDMETHODCALLTYPE GetUserType(DWORD form, LPOLESTR* type) override;
  HRESULT STDMETHODCALLTYPE SetExtent(DWORD aspect, SIZEL* size) override;
  HRESULT STDMETHODCALLTYPE GetExtent(DWORD aspect, SIZEL* size) override;
  HRESULT STDMETHODCALLTYPE Advise(IAdviseSink* sink, DWORD* connection) override;
  HRESULT STDMETHODCALLTYPE Unadvise(DWORD connection) override;
  HRESULT STDMETHODCALLTYPE EnumAdvise(IEnumSTATDATA** advise) override;
  HRESULT STDMETHODCALLTYPE GetMiscStatus(DWORD aspect, DWORD* status) override;
  HRESULT STDMETHODCALLTYPE SetColorScheme(LOGPALETTE* palette) override;

  // IOleWindow, IOleInPlaceObject, IOleInPlaceActiveObject
  HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override;
  HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL enter) override;
  HRESULT STDMETHODCALLTYPE InPlaceDeactivate() override;
  HRESULT STDMETHODCALLTYPE UIDeactivate() override;
  HRESULT STDMETHODCALLTYPE SetObjectRects(LPCRECT pos, LPCRECT clip) override;
  HRESULT STDMETHODCALLTYPE ReactivateAndUndo() override;
  HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG msg) override;
  HRESULT STDMETHODCALLTYPE OnFrameWindowActivate(BOOL activate) override;
  HRESULT STDMETHODCALLTYPE OnDocWindowActivate(BOOL activate) override;
  HRESULT STDMETHODCALLTYPE ResizeBorder(LPCRECT border, IOleInPlaceUIWindow* window,
                                         BOOL frame) override;
  HRESULT STDMETHODCALLTYPE EnableModeless(BOOL enable) override;

  // IOleControl
  HRESULT STDMETHODCALLTYPE GetControlInfo(CONTROLINFO* info) override;
  HRESULT STDMETHODCALLTYPE OnMnemonic(MSG* msg) override;
  HRESULT STDMETHODCALLTYPE OnAmbientPropertyChange(DISPID id) override;
  HRESULT STDMETHODCALLTYPE FreezeEvents(BOOL freeze) override;

  // IViewObject2
  HRESULT STDMETHODCALLTYPE Draw(DWORD aspect, LONG index, void* aspectInfo, DVTARGETDEVICE* target,
                                 HDC targetDC, HDC drawDC, LPCRECTL bounds, LPCRECTL wbounds,
                                 BOOL(STDMETHODCALLTYPE* cont)(ULONG_PTR),
                                 ULONG_PTR contArg) override;
  HRESULT STDMETHODCALLTYPE GetColorSet(DWORD aspect, LONG index, void* aspectInfo,
                                        DVTARGETDEVICE* target, HDC targetDC,
                                        LOGPALETTE** colors) override;
  HRESULT STDMETHODCALLTYPE Freeze(DWORD aspect, LONG index, void* aspectInfo,
                                   DWORD* freeze) override;
  HRESULT STDMETHODCALLTYPE Unfreeze(DWORD freeze) override;
  HRESULT STDMETHODCALLTYPE SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) override;
  HRESULT STDMETHODCALLTYPE GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) override;
  HRESULT STDMETHODCALLTYPE GetExtent(DWORD aspect, LONG index, DVTARGETDEVICE* target,
                                      LPSIZEL size) override;

  // IPersist, IPersistStreamInit, IPersistPropertyBag
  HRESULT STDMETHODCALLTYPE GetClassID(CLSID* clsid) override;
  HRESULT STDMETHODCALLTYPE IsDirty() override;
  HRESULT STDMETHODCALLTYPE Load(IStream* stream) override;
  HRESULT STDMETHODCALLTYPE Save(IStream* stream, BOOL clearDirty) override;
  HRESULT STDMETHODCALLTYPE GetSizeMax(ULARGE_INTEGER* size) override;
  HRESULT STDMETHODCALLTYPE InitNew() override;
  HRESULT STDMETHODCALLTYPE Load(IPropertyBag* bag, IErrorLog* log) override;
  HRESULT STDMETHODCALLTYPE Save(IPropertyBag* bag, BOOL clearDirty, BOOL saveAll) override;
  // IPersistStorage: the same state in a stream "Contents" of the host's storage.
  HRESULT STDMETHODCALLTYPE InitNew(IStorage* storage) override;
  HRESULT STDMETHODCALLTYPE Load(IStorage* storage) override;
  HRESULT STDMETHODCALLTYPE Save(IStorage* storage, BOOL sameAsLoad) override;
  HRESULT STDMETHODCALLTYPE SaveCompleted(IStorage* storage) override;
  HRESULT STDMETHODCALLTYPE HandsOffStorage() override;

 private:
  TBrevixBarCode();
  ~TBrevixBarCode();
  TBrevixBarCode(const TBrevixBarCode&) = delete;
  TBrevixBarCode& operator=(const TBrevixBarCode&) = delete;

  HRESULT Initialize();
  // Hooks the control's notifications to the events of the COM class.
  void InitializeControl();
  void RaiseEvent(DISPID id);
  // After every change of state that hosts may want to save or see.
  void Changed();
  void ViewChanged();
  void ControlResized();
  // Width or Height from a host (property names it, value is what the host gave): the same resize
  // a container's SetExtent makes, once value is in range.
  HRESULT Resize(const char* property, LONG value, int width, int height);
  HRESULT ActivateInPlace(LONG verb);

  // A property put: the change runs inside the error boundary and marks the object dirty.
  template <class Body>
  HRESULT Put(Body&& body);

  LONG FRefs = 1;
  TComPtr<ITypeInfo> FDispatchInfo;  // the vtable interface, for ITypeInfo::Invoke
  TComPtr<ITypeInfo> FClassInfo;
  std::unique_ptr<TWindowedBrevixBC> FControl;
  std::unique_ptr<win::TControlWindow> FWindow;
  TEventConnectionPoint FEvents;
  TConnectedFont FFontCode;
  TConnectedFont FFontType;

  TComPtr<IOleClientSite> FClientSite;
  TComPtr<IOleInPlaceSite> FInPlaceSite;
  TComPtr<IOleInPlaceFrame> FFrame;
  TComPtr<IOleInPlaceUIWindow> FUIWindow;
  TComPtr<IOleAdviseHolder> FAdviseHolder;
  TComPtr<IAdviseSink> FViewSink;
  DWORD FViewAspects = 0;
  DWORD FViewFlags = 0;
  bool FInPlaceActive = false;
  bool FUIActive = false;
  bool FHostSizing = false;  // the container is setting the bounds: do not tell it back
  bool FDirty = false;
  bool FSubComponent = false;
  LONG FFreezeCount = 0;
};

}  // namespace brevix::activex
