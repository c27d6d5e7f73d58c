// Drives the registered control the way a COM host does: creation by ProgID and CLSID, every
// member through IDispatch, the type library, events through a connected sink, files, clipboard,
// persistence, the about box and the server's unload rule.
//
// Usage: host_test.exe <path of the .ocx> <directory for the written files>
// The files and a manifest (files.txt: name, width, height, expected text) are checked on Linux.

#include <ocidl.h>
#include <olectl.h>
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "activeBrevixBarCodeX.h"
#include "host_support.h"

using namespace brevix::hosttest;

namespace {

constexpr wchar_t kProgId[] = L"activeBrevixBarCodeX.BrevixBarCode";

std::wstring gOcxPath;

std::string Utf8(const std::wstring& s) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0,
                                    nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), out.data(), n, nullptr,
                      nullptr);
  return out;
}
std::wstring gOutDir;

// --- Creation helpers --------------------------------------------------------------------------

IDispatch* CreateByProgId() {
  CLSID clsid{};
  if (FAILED(CLSIDFromProgID(kProgId, &clsid))) return nullptr;
  IDispatch* d = nullptr;
  CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                   reinterpret_cast<void**>(&d));
  return d;
}

template <class I>
I* As(IUnknown* u, REFIID iid) {
  I* p = nullptr;
  if (u) u->QueryInterface(iid, reinterpret_cast<void**>(&p));
  return p;
}

// An object with a sink connected to its events.
struct TConnected {
  IDispatch* Disp = nullptr;
  TEventSink Sink{DIID_IBrevixBarCodeEvents};
  IConnectionPoint* Point = nullptr;
  DWORD Cookie = 0;

  TConnected() {
    Disp = CreateByProgId();
    IConnectionPointContainer* cpc =
        As<IConnectionPointContainer>(Disp, IID_IConnectionPointContainer);
    if (cpc) {
      cpc->FindConnectionPoint(DIID_IBrevixBarCodeEvents, &Point);
      cpc->Release();
    }
    if (Point) Point->Advise(&Sink, &Cookie);
  }
  ~TConnected() {
    if (Point) {
      if (Cookie) Point->Unadvise(Cookie);
      Point->Release();
    }
    if (Disp) Disp->Release();
  }
  void Disconnect() {
    if (Point && Cookie) Point->Unadvise(Cookie);
    Cookie = 0;
  }
  TLateBound Late() const { return TLateBound(Disp); }
};

// Sets the control's size in pixels through the container interface.
void SetSize(IUnknown* control, int width, int height) {
  IOleObject* ole = As<IOleObject>(control, IID_IOleObject);
  if (!ole) return;
  SIZEL himetric{MulDiv(width, 2540, 96), MulDiv(height, 2540, 96)};
  ole->SetExtent(DVASPECT_CONTENT, &himetric);
  ole->Release();
}

SIZE GetSize(IUnknown* control) {
  SIZE px{};
  IOleObject* ole = As<IOleObject>(control, IID_IOleObject);
  if (!ole) return px;
  SIZEL himetric{};
  ole->GetExtent(DVASPECT_CONTENT, &himetric);
  ole->Release();
  px.cx = MulDiv(himetric.cx, 96, 2540);
  px.cy = MulDiv(himetric.cy, 96, 2540);
  return px;
}

// Draws the control through IViewObject into a white bitmap of the given size.
TPixels DrawThroughView(IUnknown* control, int width, int height) {
  TPixels px;
  IViewObject* view = As<IViewObject>(control, IID_IViewObject);
  if (!view) return px;
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bmp = CreateCompatibleBitmap(screen, width, height);
  ReleaseDC(nullptr, screen);
  HGDIOBJ old = SelectObject(dc, bmp);
  RECT all{0, 0, width, height};
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  RECTL bounds{0, 0, width, height};
  const HRESULT hr =
      view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, dc, &bounds, nullptr, nullptr, 0);
  CHECK_EQ(HexHr(hr), HexHr(S_OK));
  SelectObject(dc, old);
  px = ReadBitmap(bmp);
  DeleteObject(bmp);
  DeleteDC(dc);
  view->Release();
  return px;
}

// --- Type library -------------------------------------------------------------------------------

enum TKind { kGet, kGetPut, kGetPutRef, kMethod };  // kGetPutRef: get, put and put by reference

struct TMemberRow {
  DISPID Id;
  const wchar_t* Name;
  TKind Kind;
  const char* Type;  // the property type, or the method's output ("void" for none)
  bool Hidden;
  const char* Param;  // a method's input parameter type, or nullptr
};

// The dispatch interface as hosts must see it, in vtable order.
constexpr TMemberRow kMembers[] = {
    {201, L"Angle", kGetPut, "TxAngleType", false, nullptr},
    {202, L"Transparent", kGetPut, "VARIANT_BOOL", false, nullptr},
    {203, L"TypeBar", kGetPut, "TxTypeBar", false, nullptr},
    {204, L"Color_Lines", kGetPut, "OLE_COLOR", false, nullptr},
    {205, L"Color_Back", kGetPut, "OLE_COLOR", false, nullptr},
    {206, L"Ratio", kGetPut, "long", false, nullptr},
    {207, L"Display", kGetPut, "TxDisplayType", false, nullptr},
    {-517, L"Text", kGetPut, "BSTR", false, nullptr},
    {208, L"Font_Code", kGetPutRef, "IFontDisp*", false, nullptr},
    {209, L"Font_Type", kGetPutRef, "IFontDisp*", false, nullptr},
    {210, L"PDF417_Mode", kGetPut, "TxcsPDF417UserMode", false, nullptr},
    {211, L"PDF417_SecurityLevel", kGetPut, "TxcsPDF417UserError", false, nullptr},
    {212, L"PDF417_Truncate", kGetPut, "VARIANT_BOOL", false, nullptr},
    {213, L"Version", kGet, "BSTR", false, nullptr},
    {214, L"DblClick", kMethod, "void", false, nullptr},
    {217, L"MinWidth", kMethod, "long", false, nullptr},
    {218, L"CopyToClipboard", kMethod, "void", false, nullptr},
    {226, L"CompleteDraw", kGetPut, "VARIANT_BOOL", true, nullptr},
    {227, L"ErrorMessage", kMethod, "BSTR", false, nullptr},
    {228, L"TypeBarName", kMethod, "BSTR", false, nullptr},
    {229, L"Visible", kGetPut, "VARIANT_BOOL", false, nullptr},
    {230, L"DoubleBuffered", kGetPut, "VARIANT_BOOL", true, nullptr},
    {231, L"AlignDisabled", kGet, "VARIANT_BOOL", true, nullptr},
    {232, L"VisibleDockClientCount", kGet, "long", true, nullptr},
    {233, L"DrawTextBiDiModeFlagsReadingOnly", kMethod, "long", false, nullptr},
    {-514, L"Enabled", kGetPut, "VARIANT_BOOL", true, nullptr},
    {234, L"InitiateAction", kMethod, "void", false, nullptr},
    {235, L"IsRightToLeft", kMethod, "VARIANT_BOOL", false, nullptr},
    {236, L"UseRightToLeftReading", kMethod, "VARIANT_BOOL", false, nullptr},
    {237, L"UseRightToLeftScrollBar", kMethod, "VARIANT_BOOL", false, nullptr},
    {238, L"SetSubComponent", kMethod, "void", false, "VARIANT_BOOL"},
    {-552, L"AboutBox", kMethod, "void", false, nullptr},
    {239, L"DrawToFile", kMethod, "void", false, "BSTR"},
    {215, L"Error", kGet, "long", false, nullptr},
    {240, L"Width", kGetPut, "long", false, nullptr},
    {241, L"Height", kGetPut, "long", false, nullptr},
    {242, L"QuietZone", kGetPut, "long", false, nullptr},
    {243, L"ModuleWidth", kGetPut, "long", false, nullptr},
    {244, L"Resolution", kGetPut, "long", false, nullptr},
    {245, L"QR_Level", kGetPut, "long", false, nullptr},
    {246, L"QR_MinVersion", kGetPut, "long", false, nullptr},
    {247, L"QR_Mask", kGetPut, "long", false, nullptr},
    {248, L"DM_Shape", kGetPut, "long", false, nullptr},
    {249, L"DM_Rows", kGetPut, "long", false, nullptr},
    {250, L"DM_Columns", kGetPut, "long", false, nullptr},
    {251, L"GS1", kGetPut, "VARIANT_BOOL", false, nullptr},
};

std::string TypeName(ITypeInfo* owner, const TYPEDESC& t) {
  switch (t.vt) {
    case VT_I4:
      return "long";
    case VT_BOOL:
      return "VARIANT_BOOL";
    case VT_BSTR:
      return "BSTR";
    case VT_VOID:
    case VT_HRESULT:
      return "void";
    case VT_PTR:
      return TypeName(owner, *t.lptdesc) + "*";
    case VT_USERDEFINED: {
      ITypeInfo* ref = nullptr;
      if (FAILED(owner->GetRefTypeInfo(t.hreftype, &ref))) return "?";
      BSTR name = nullptr;
      ref->GetDocumentation(MEMBERID_NIL, &name, nullptr, nullptr, nullptr);
      std::string s = Narrow(name ? name : L"?");
      SysFreeString(name);
      ref->Release();
      return s;
    }
    default:
      return "vt" + std::to_string(t.vt);
  }
}

ITypeLib* LoadRegisteredLibrary() {
  ITypeLib* lib = nullptr;
  LoadRegTypeLib(LIBID_activeBrevixBarCodeX, 4, 0, 0x0409, &lib);
  return lib;
}

void TypeLibraryChecks() {
  ITypeLib* lib = LoadRegisteredLibrary();
  CHECK(lib != nullptr);
  if (!lib) return;
  TLIBATTR* la = nullptr;
  lib->GetLibAttr(&la);
  CHECK_EQ(la->wMajorVerNum, static_cast<unsigned short>(4));
  CHECK_EQ(la->wMinorVerNum, static_cast<unsigned short>(0));
  CHECK_EQ(static_cast<unsigned long>(la->lcid), 0ul);
  lib->ReleaseTLibAttr(la);
  BSTR name = nullptr, doc = nullptr;
  lib->GetDocumentation(-1, &name, &doc, nullptr, nullptr);
  CHECK_EQ(std::wstring(name), std::wstring(L"activeBrevixBarCodeX"));
  CHECK_EQ(std::wstring(doc), std::wstring(L"activeBrevixBarCodeX Library"));
  SysFreeString(name);
  SysFreeString(doc);

  struct TTypeRow {
    const wchar_t* Name;
    TYPEKIND Kind;
    const GUID* Guid;
    const wchar_t* Help;
    int Count;  // enumeration values, or -1
  };
  const TTypeRow types[] = {
      {L"IBrevixBarCode", TKIND_DISPATCH, &IID_IBrevixBarCode,
       L"Dispatch interface for BrevixBarCode Control", -1},
      {L"IBrevixBarCodeEvents", TKIND_DISPATCH, &DIID_IBrevixBarCodeEvents,
       L"Events interface for BrevixBarCode Control", -1},
      {L"BrevixBarCode", TKIND_COCLASS, &CLSID_BrevixBarCode, L"BrevixBarCode Control", -1},
      {L"TxAngleType", TKIND_ENUM, nullptr, L"", 4},
      {L"TxTypeBar", TKIND_ENUM, nullptr, L"", 36},
      {L"TxDisplayType", TKIND_ENUM, nullptr, L"", 4},
      {L"TxcsPDF417UserMode", TKIND_ENUM, nullptr, L"", 3},
      {L"TxcsPDF417UserError", TKIND_ENUM, nullptr, L"", 9},
      {L"TxMouseButton", TKIND_ENUM, nullptr, L"", 3},
  };
  CHECK_EQ(lib->GetTypeInfoCount(), 9u);
  for (const TTypeRow& row : types) {
    ITypeInfo* info = nullptr;
    MEMBERID member = 0;
    USHORT found = 1;
    std::wstring n = row.Name;
    lib->FindName(n.data(), 0, &info, &member, &found);
    CHECK_MSG(found == 1 && info, "type " + Narrow(row.Name) + " is in the library");
    if (!info) continue;
    TYPEATTR* ta = nullptr;
    info->GetTypeAttr(&ta);
    CHECK_MSG(ta->typekind == row.Kind, "kind of " + Narrow(row.Name));
    if (row.Guid) CHECK_MSG(IsEqualGUID(ta->guid, *row.Guid), "GUID of " + Narrow(row.Name));
    if (row.Count >= 0) CHECK_EQ(static_cast<int>(ta->cVars), row.Count);
    if (row.Kind == TKIND_ENUM) {
      CHECK_EQ(static_cast<int>(ta->wMajorVerNum), 1);
      for (int i = 0; i < ta->cVars; ++i) {
        VARDESC* vd = nullptr;
        info->GetVarDesc(static_cast<UINT>(i), &vd);
        CHECK_EQ(V_I4(vd->lpvarValue), static_cast<long>(i));
        info->ReleaseVarDesc(vd);
      }
    }
    BSTR help = nullptr;
    info->GetDocumentation(MEMBERID_NIL, nullptr, &help, nullptr, nullptr);
    CHECK_EQ(std::wstring(help ? help : L""), std::wstring(row.Help));
    SysFreeString(help);
    if (row.Kind == TKIND_COCLASS) {
      CHECK((ta->wTypeFlags & TYPEFLAG_FCANCREATE) && (ta->wTypeFlags & TYPEFLAG_FCONTROL));
      CHECK_EQ(static_cast<int>(ta->cImplTypes), 2);
      INT flags0 = 0, flags1 = 0;
      info->GetImplTypeFlags(0, &flags0);
      info->GetImplTypeFlags(1, &flags1);
      CHECK_EQ(flags0, IMPLTYPEFLAG_FDEFAULT);
      CHECK_EQ(flags1, IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE);
    }
    if (row.Guid == &IID_IBrevixBarCode) {
      CHECK((ta->wTypeFlags & TYPEFLAG_FDUAL) && (ta->wTypeFlags & TYPEFLAG_FDISPATCHABLE));
      CHECK_EQ(static_cast<int>(ta->wMajorVerNum), 1);
    }
    info->ReleaseTypeAttr(ta);
    info->Release();
  }

  // The enumeration identifiers hosts write in their code.
  struct TEnumName {
    const wchar_t* Enum;
    int Index;
    const wchar_t* Name;
  };
  const TEnumName names[] = {
      {L"TxTypeBar", 0, L"csCode_2_5_interleaved"},
      {L"TxTypeBar", 22, L"csCodeEAN13"},
      {L"TxTypeBar", 29, L"csCodeUPC_shipping"},
      {L"TxTypeBar", 32, L"csCodePDF417"},
      {L"TxTypeBar", 35, L"csCodeDataMatrix"},
      {L"TxAngleType", 3, L"csVerticalMirrored"},
      {L"TxDisplayType", 3, L"csOutputBoth"},
      {L"TxcsPDF417UserMode", 2, L"csPDF417_Numeric"},
      {L"TxcsPDF417UserError", 8, L"csPDF417_Level_8"},
      {L"TxMouseButton", 2, L"mbMiddle"},
  };
  for (const TEnumName& e : names) {
    ITypeInfo* info = nullptr;
    MEMBERID member = 0;
    USHORT found = 1;
    std::wstring n = e.Enum;
    lib->FindName(n.data(), 0, &info, &member, &found);
    if (!info) continue;
    VARDESC* vd = nullptr;
    info->GetVarDesc(static_cast<UINT>(e.Index), &vd);
    BSTR vn = nullptr;
    info->GetDocumentation(vd->memid, &vn, nullptr, nullptr, nullptr);
    CHECK_EQ(std::wstring(vn), std::wstring(e.Name));
    SysFreeString(vn);
    info->ReleaseVarDesc(vd);
    info->Release();
  }

  // Members of the dispatch interface: DISPID, kind, type, hidden flag, order.
  ITypeInfo* disp = nullptr;
  lib->GetTypeInfoOfGuid(IID_IBrevixBarCode, &disp);
  TYPEATTR* ta = nullptr;
  disp->GetTypeAttr(&ta);
  struct TSeen {
    bool Get = false, Put = false, PutRef = false, Method = false;
    std::string GetType, PutType, Output, Param;
    bool Hidden = false;
    int FirstVtable = -1;
  };
  std::vector<TSeen> seen(std::size(kMembers));
  int unknown = 0;
  for (int f = 0; f < ta->cFuncs; ++f) {
    FUNCDESC* fd = nullptr;
    disp->GetFuncDesc(static_cast<UINT>(f), &fd);
    if (fd->oVft < 7 * static_cast<int>(sizeof(void*))) {  // IUnknown and IDispatch
      disp->ReleaseFuncDesc(fd);
      continue;
    }
    BSTR fn = nullptr;
    UINT count = 0;
    disp->GetNames(fd->memid, &fn, 1, &count);
    size_t row = std::size(kMembers);
    for (size_t i = 0; i < std::size(kMembers); ++i) {
      if (kMembers[i].Id == fd->memid) row = i;
    }
    if (row == std::size(kMembers) || std::wstring(fn) != kMembers[row].Name) {
      ++unknown;
      std::printf("  unexpected member %ld %ls\n", fd->memid, fn);
    } else {
      TSeen& s = seen[row];
      if (s.FirstVtable < 0) s.FirstVtable = fd->oVft;
      s.Hidden = (fd->wFuncFlags & FUNCFLAG_FHIDDEN) != 0;
      if (fd->invkind == INVOKE_PROPERTYGET) {
        s.Get = true;
        s.GetType = TypeName(disp, fd->elemdescFunc.tdesc);
      } else if (fd->invkind == INVOKE_PROPERTYPUT) {
        s.Put = true;
        s.PutType = fd->cParams == 1 ? TypeName(disp, fd->lprgelemdescParam[0].tdesc) : "?";
      } else if (fd->invkind == INVOKE_PROPERTYPUTREF) {
        s.PutRef = fd->cParams == 1 &&
                   TypeName(disp, fd->lprgelemdescParam[0].tdesc) == kMembers[row].Type;
      } else if (fd->invkind == INVOKE_FUNC) {
        s.Method = true;
        s.Output = TypeName(disp, fd->elemdescFunc.tdesc);
        s.Param = fd->cParams == 1 ? TypeName(disp, fd->lprgelemdescParam[0].tdesc) : "";
      }
    }
    SysFreeString(fn);
    disp->ReleaseFuncDesc(fd);
  }
  CHECK_EQ(unknown, 0);
  int lastVtable = -1;
  for (size_t i = 0; i < std::size(kMembers); ++i) {
    const TMemberRow& m = kMembers[i];
    const TSeen& s = seen[i];
    const std::string member = Narrow(m.Name);
    CHECK_MSG(s.FirstVtable > lastVtable, member + " follows the members before it");
    lastVtable = s.FirstVtable;
    CHECK_MSG(s.Hidden == m.Hidden, member + " hidden flag");
    switch (m.Kind) {
      case kGet:
        CHECK_MSG(s.Get && !s.Put && !s.Method, member + " is read-only");
        CHECK_MSG(s.GetType == m.Type, member + " type " + s.GetType);
        break;
      case kGetPut:
      case kGetPutRef:
        CHECK_MSG(s.Get && s.Put && !s.Method, member + " is read-write");
        CHECK_MSG(s.PutRef == (m.Kind == kGetPutRef), member + " put by reference");
        CHECK_MSG(s.GetType == m.Type && s.PutType == m.Type,
                  member + " type " + s.GetType + "/" + s.PutType);
        break;
      case kMethod:
        CHECK_MSG(s.Method && !s.Get && !s.Put, member + " is a method");
        CHECK_MSG(s.Output == m.Type, member + " output " + s.Output);
        CHECK_MSG(s.Param == (m.Param ? m.Param : ""), member + " parameter " + s.Param);
        break;
    }
  }
  disp->ReleaseTypeAttr(ta);
  disp->Release();

  // The events interface.
  ITypeInfo* events = nullptr;
  lib->GetTypeInfoOfGuid(DIID_IBrevixBarCodeEvents, &events);
  const std::pair<DISPID, const wchar_t*> eventRows[] = {{201, L"OnChangeTypeCode"},
                                                         {202, L"OnChangeTextCode"},
                                                         {203, L"OnClick"},
                                                         {204, L"OnDblClick"},
                                                         {205, L"OnResize"}};
  TYPEATTR* ea = nullptr;
  events->GetTypeAttr(&ea);
  CHECK_EQ(static_cast<int>(ea->cFuncs), 5);
  for (int f = 0; f < ea->cFuncs && f < 5; ++f) {
    FUNCDESC* fd = nullptr;
    events->GetFuncDesc(static_cast<UINT>(f), &fd);
    BSTR fn = nullptr;
    UINT count = 0;
    events->GetNames(fd->memid, &fn, 1, &count);
    CHECK_EQ(fd->memid, eventRows[f].first);
    CHECK_EQ(std::wstring(fn), std::wstring(eventRows[f].second));
    CHECK_EQ(static_cast<int>(fd->cParams), 0);
    SysFreeString(fn);
    events->ReleaseFuncDesc(fd);
  }
  events->ReleaseTypeAttr(ea);
  events->Release();
  lib->Release();
}

// --- Groups --------------------------------------------------------------------------------------

void CreationChecks() {
  IDispatch* byProgId = CreateByProgId();
  CHECK(byProgId != nullptr);
  IDispatch* byClsid = nullptr;
  CHECK_HR(CoCreateInstance(CLSID_BrevixBarCode, nullptr, CLSCTX_INPROC_SERVER, IID_IBrevixBarCode,
                            reinterpret_cast<void**>(&byClsid)));
  const IID* interfaces[] = {&IID_IDispatch,
                             &IID_IBrevixBarCode,
                             &IID_IConnectionPointContainer,
                             &IID_IProvideClassInfo,
                             &IID_IProvideClassInfo2,
                             &IID_ISupportErrorInfo,
                             &IID_IOleObject,
                             &IID_IOleWindow,
                             &IID_IOleInPlaceObject,
                             &IID_IOleInPlaceActiveObject,
                             &IID_IOleControl,
                             &IID_IViewObject,
                             &IID_IViewObject2,
                             &IID_IPersist,
                             &IID_IPersistStreamInit,
                             &IID_IPersistPropertyBag,
                             &IID_IPersistStorage};
  for (const IID* iid : interfaces) {
    IUnknown* p = As<IUnknown>(byClsid, *iid);
    wchar_t text[40];
    StringFromGUID2(*iid, text, 40);
    CHECK_MSG(p != nullptr, "interface " + Narrow(text));
    if (p) p->Release();
  }
  // No property pages.
  IUnknown* pages = As<IUnknown>(byClsid, IID_ISpecifyPropertyPages);
  CHECK(pages == nullptr);

  IProvideClassInfo2* pci = As<IProvideClassInfo2>(byClsid, IID_IProvideClassInfo2);
  GUID source{};
  CHECK_HR(pci->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &source));
  CHECK(IsEqualGUID(source, DIID_IBrevixBarCodeEvents));
  ITypeInfo* ci = nullptr;
  CHECK_HR(pci->GetClassInfo(&ci));
  TYPEATTR* ta = nullptr;
  ci->GetTypeAttr(&ta);
  CHECK(IsEqualGUID(ta->guid, CLSID_BrevixBarCode));
  ci->ReleaseTypeAttr(ta);
  ci->Release();
  pci->Release();

  IOleObject* ole = As<IOleObject>(byClsid, IID_IOleObject);
  DWORD misc = 0;
  ole->GetMiscStatus(DVASPECT_CONTENT, &misc);
  CHECK(misc & OLEMISC_SETCLIENTSITEFIRST);
  CHECK(misc & OLEMISC_ACTIVATEWHENVISIBLE);
  ole->Release();
  byProgId->Release();
  byClsid->Release();
}

void DefaultChecks() {
  TConnected c;
  const TLateBound bc = c.Late();
  CHECK_EQ(bc.GetString(L"Text"), std::wstring(L"0123"));
  CHECK_EQ(bc.GetLong(L"TypeBar"), 0L);
  CHECK_EQ(bc.GetLong(L"Display"), 1L);
  CHECK_EQ(bc.GetLong(L"Ratio"), 1L);
  CHECK_EQ(bc.GetLong(L"Angle"), 0L);
  TVar transparent;
  bc.Get(L"Transparent", transparent);
  CHECK_EQ(V_VT(&transparent.V), static_cast<VARTYPE>(VT_BOOL));
  CHECK_EQ(V_BOOL(&transparent.V), static_cast<short>(0));
  CHECK_EQ(bc.GetLong(L"Color_Back"), 16777215L);
  CHECK_EQ(bc.GetLong(L"Color_Lines"), 0L);
  CHECK_EQ(bc.GetLong(L"PDF417_Mode"), 0L);
  CHECK_EQ(bc.GetLong(L"PDF417_SecurityLevel"), 0L);
  CHECK(!bc.GetBool(L"PDF417_Truncate"));
  CHECK(!bc.GetBool(L"CompleteDraw"));
  CHECK(bc.GetBool(L"Visible"));
  CHECK(bc.GetBool(L"Enabled"));
  CHECK_EQ(bc.GetLong(L"Error"), 0L);
  for (const wchar_t* name : {L"QuietZone", L"ModuleWidth", L"Resolution", L"QR_MinVersion",
                              L"DM_Shape", L"DM_Rows", L"DM_Columns"})
    CHECK_EQ(bc.GetLong(name), 0L);
  CHECK_EQ(bc.GetLong(L"QR_Level"), 1L);
  CHECK_EQ(bc.GetLong(L"QR_Mask"), -1L);
  CHECK(!bc.GetBool(L"GS1"));
  CHECK(bc.GetString(L"Version").find(L"4.00") != std::wstring::npos);
  CHECK_EQ(bc.CallString(L"TypeBarName"), std::wstring(L"csCode_2_5_interleaved"));
  // Height 80, width from the pattern of "0123".
  const SIZE size = GetSize(c.Disp);
  CHECK_EQ(size.cy, 80L);
  CHECK(size.cx > 20);
  // A fresh object that painted reports success.
  const TPixels px = DrawThroughView(c.Disp, size.cx, size.cy);
  CHECK(px.DarkPixels() > 0);
  CHECK_EQ(bc.CallString(L"ErrorMessage"), std::wstring(L"Correct"));
  CHECK(c.Sink.Received.empty());
}

void PropertyRoundTrips() {
  struct TRow {
    const wchar_t* Name;
    long Value;
    bool Boolean;
  };
  const TRow rows[] = {
      {L"Angle", 3, false},
      {L"Angle", 1, false},
      {L"Transparent", 1, true},
      {L"Color_Lines", 0x0000FF, false},
      {L"Color_Back", 0x00FF00, false},
      {L"Display", 3, false},
      {L"Display", 0, false},
      {L"PDF417_Mode", 1, false},
      {L"PDF417_SecurityLevel", 5, false},
      {L"PDF417_Truncate", 1, true},
      {L"CompleteDraw", 1, true},
      {L"Visible", 0, true},
      {L"DoubleBuffered", 1, true},
      {L"Enabled", 0, true},
      {L"Ratio", 2, false},
      {L"Width", 250, false},
      {L"Height", 120, false},
      {L"QuietZone", 4, false},
      {L"ModuleWidth", 3, false},
      {L"Resolution", 300, false},
      {L"ModuleWidth", 0, false},
  };
  TConnected c;
  const TLateBound bc = c.Late();
  for (const TRow& row : rows) {
    const TCallResult put =
        row.Boolean ? bc.Put(row.Name, TVar(row.Value != 0)) : bc.Put(row.Name, TVar(row.Value));
    CHECK_MSG(put.Ok(), "put " + Narrow(row.Name) + " " + HexHr(put.Hr));
    TVar got;
    CHECK(bc.Get(row.Name, got).Ok());
    if (row.Boolean) {
      CHECK_EQ(V_VT(&got.V), static_cast<VARTYPE>(VT_BOOL));
      // Booleans leave as -1 or 0.
      CHECK_EQ(static_cast<long>(V_BOOL(&got.V)), row.Value ? -1L : 0L);
    } else {
      CHECK_EQ(got.Long(), row.Value);
    }
  }
  // Text: UTF-16 in, 8-bit inside, UTF-16 out.
  CHECK(bc.Put(L"TypeBar", TVar(11L)).Ok());
  CHECK(bc.Put(L"Text", TVar(std::wstring(L"Brevix 128"))).Ok());
  CHECK_EQ(bc.GetString(L"Text"), std::wstring(L"Brevix 128"));
  const std::wstring accented = Wide("caf\xE9");  // e acute in the system code page
  CHECK(bc.Put(L"Text", TVar(accented)).Ok());
  CHECK_EQ(bc.GetString(L"Text"), accented);
  // Values outside a property's range fail, name the property and its range, and change nothing.
  struct TBadValue {
    const wchar_t* Name;
    long Value;
    const wchar_t* Range;
  };
  const TBadValue bad[] = {
      {L"TypeBar", 99, L"0 to 35"},
      {L"TypeBar", -1, L"0 to 35"},
      {L"QR_Level", 4, L"0 to 3"},
      {L"QR_Mask", -2, L"-1 to 7"},
      {L"DM_Rows", 145, L"0 to 144"},
      {L"Angle", 4, L"0 to 3"},
      {L"Display", 9, L"0 to 3"},
      {L"PDF417_Mode", 3, L"0 to 2"},
      {L"PDF417_SecurityLevel", 9, L"0 to 8"},
      {L"Width", 0, L"1 to 32767"},
      {L"Height", 40000, L"1 to 32767"},
      {L"QuietZone", -1, L"0 to 1000"},
      {L"ModuleWidth", 101, L"0 to 100"},
      {L"Resolution", -96, L"0 to 100000"},
  };
  for (const TBadValue& row : bad) {
    const long before = bc.GetLong(row.Name);
    const TCallResult r = bc.Put(row.Name, TVar(row.Value));
    CHECK_EQ(HexHr(r.Hr), HexHr(E_INVALIDARG));
    CHECK_MSG(r.Description.find(row.Name) != std::wstring::npos &&
                  r.Description.find(row.Range) != std::wstring::npos,
              "description: " + Narrow(r.Description));
    CHECK_EQ(bc.GetLong(row.Name), before);
  }
  // The platform-only members answer with their fixed values.
  CHECK(!bc.GetBool(L"AlignDisabled"));
  CHECK_EQ(bc.GetLong(L"VisibleDockClientCount"), 0L);
  TVar out;
  CHECK(bc.Call(L"DrawTextBiDiModeFlagsReadingOnly", &out).Ok());
  CHECK_EQ(out.Long(), 0L);
  for (const wchar_t* m :
       {L"IsRightToLeft", L"UseRightToLeftReading", L"UseRightToLeftScrollBar"}) {
    CHECK(bc.Call(m, &out).Ok());
    CHECK_EQ(V_VT(&out.V), static_cast<VARTYPE>(VT_BOOL));
    CHECK(!out.Bool());
  }
  CHECK(bc.Call(L"InitiateAction").Ok());
  TVar yes(true);
  CHECK(bc.Call(L"SetSubComponent", nullptr, &yes).Ok());
}

void ReadOnlyChecks() {
  TConnected c;
  const TLateBound bc = c.Late();
  for (const wchar_t* name : {L"Version", L"Error", L"AlignDisabled", L"VisibleDockClientCount"}) {
    const TCallResult r = bc.Put(name, TVar(1L));
    CHECK_MSG(FAILED(r.Hr), "no put for " + Narrow(name));
  }
  // The vtable side has no put either: a dual interface put would be a compile error, so check
  // the value survives the attempts.
  CHECK(bc.GetString(L"Version").find(L"4.00") != std::wstring::npos);
}

void EventChecks() {
  TConnected c;
  const TLateBound bc = c.Late();
  CHECK(c.Cookie != 0);
  // A new symbology replaces the text, then reports the symbology.
  CHECK(bc.Put(L"TypeBar", TVar(22L)).Ok());
  CHECK_EQ(bc.GetString(L"Text"), std::wstring(L"9771210107001"));
  const std::vector<DISPID> textThenType = {202, 201};
  CHECK(c.Sink.Received == textThenType);
  c.Sink.Received.clear();
  // Equal values fire nothing.
  CHECK(bc.Put(L"TypeBar", TVar(22L)).Ok());
  CHECK(bc.Put(L"Text", TVar(std::wstring(L"9771210107001"))).Ok());
  CHECK(c.Sink.Received.empty());
  CHECK(bc.Put(L"Text", TVar(std::wstring(L"4006381333931"))).Ok());
  CHECK(c.Sink.Received == std::vector<DISPID>{202});
  c.Sink.Received.clear();
  // DblClick raises OnDblClick once.
  CHECK(bc.Call(L"DblClick").Ok());
  CHECK(c.Sink.Received == std::vector<DISPID>{204});
  c.Sink.Received.clear();
  // A change of size raises OnResize.
  CHECK(bc.Put(L"Ratio", TVar(2L)).Ok());
  CHECK(!c.Sink.Received.empty() && c.Sink.Received.back() == 205);
  c.Sink.Received.clear();
  SetSize(c.Disp, 300, 90);
  CHECK(c.Sink.Received == std::vector<DISPID>{205});
  c.Sink.Received.clear();
  // Clicks on the control's window.
  IOleWindow* window = As<IOleWindow>(c.Disp, IID_IOleWindow);
  HWND hwnd = nullptr;
  CHECK_HR(window->GetWindow(&hwnd));
  window->Release();
  CHECK(IsWindow(hwnd));
  SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  SendMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  CHECK(c.Sink.Received == std::vector<DISPID>{203});
  c.Sink.Received.clear();
  SendMessageW(hwnd, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
  SendMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  CHECK(c.Sink.Received == std::vector<DISPID>{204});
  c.Sink.Received.clear();
  // Frozen events are not delivered.
  IOleControl* control = As<IOleControl>(c.Disp, IID_IOleControl);
  control->FreezeEvents(TRUE);
  bc.Call(L"DblClick");
  control->FreezeEvents(FALSE);
  control->Release();
  CHECK(c.Sink.Received.empty());
  // After the sink disconnects, nothing arrives.
  c.Disconnect();
  CHECK(bc.Call(L"DblClick").Ok());
  CHECK(bc.Put(L"TypeBar", TVar(7L)).Ok());
  CHECK(c.Sink.Received.empty());
  // The connection point bookkeeping.
  IConnectionPointContainer* cpc =
      As<IConnectionPointContainer>(c.Disp, IID_IConnectionPointContainer);
  IConnectionPoint* other = nullptr;
  CHECK_EQ(HexHr(cpc->FindConnectionPoint(IID_IPropertyNotifySink, &other)),
           HexHr(CONNECT_E_NOCONNECTION));
  IEnumConnectionPoints* points = nullptr;
  CHECK_HR(cpc->EnumConnectionPoints(&points));
  IConnectionPoint* first = nullptr;
  ULONG fetched = 0;
  points->Next(1, &first, &fetched);
  CHECK_EQ(fetched, 1ul);
  IID iid{};
  first->GetConnectionInterface(&iid);
  CHECK(IsEqualGUID(iid, DIID_IBrevixBarCodeEvents));
  first->Release();
  points->Release();
  cpc->Release();
  CHECK_EQ(HexHr(c.Point->Unadvise(12345)), HexHr(CONNECT_E_NOCONNECTION));
  // Two sinks both hear an event.
  TEventSink second(DIID_IBrevixBarCodeEvents);
  DWORD cookie1 = 0, cookie2 = 0;
  c.Point->Advise(&c.Sink, &cookie1);
  c.Point->Advise(&second, &cookie2);
  bc.Call(L"DblClick");
  CHECK(c.Sink.Received == std::vector<DISPID>{204});
  CHECK(second.Received == std::vector<DISPID>{204});
  c.Point->Unadvise(cookie1);
  c.Point->Unadvise(cookie2);
  CHECK_EQ(second.Refs(), 1ul);
}

void Pdf417ErrorChecks() {
  TConnected c;
  const TLateBound bc = c.Late();
  CHECK(bc.Put(L"TypeBar", TVar(32L)).Ok());
  CHECK_EQ(bc.CallString(L"TypeBarName"), std::wstring(L"csCodePDF417"));
  CHECK(bc.Put(L"TypeBar", TVar(11L)).Ok());
  const std::wstring bad = std::wstring(L"A") + wchar_t(1) + L"B";
  CHECK(bc.Put(L"Text", TVar(bad)).Ok());  // invalid text is no failure
  TVar width;
  const TCallResult r = bc.Call(L"MinWidth", &width);
  CHECK(FAILED(r.Hr));
  const std::wstring expected =
      std::wstring(L"Bad char in PDF417, position 2, char : ") + wchar_t(1);
  CHECK_EQ(r.Description, expected);
  const TCallResult ratio = bc.Put(L"Ratio", TVar(3L));
  CHECK(FAILED(ratio.Hr));
  CHECK_EQ(ratio.Description, expected);
  // The early-bound call reports the same through the error object.
  IBrevixBarCode* early = As<IBrevixBarCode>(c.Disp, IID_IBrevixBarCode);
  LONG w = 0;
  CHECK(FAILED(early->MinWidth(&w)));
  IErrorInfo* info = nullptr;
  CHECK_EQ(HexHr(GetErrorInfo(0, &info)), HexHr(S_OK));
  if (info) {
    BSTR description = nullptr;
    info->GetDescription(&description);
    CHECK_EQ(std::wstring(description ? description : L""), expected);
    SysFreeString(description);
    info->Release();
  }
  ISupportErrorInfo* sei = As<ISupportErrorInfo>(c.Disp, IID_ISupportErrorInfo);
  CHECK_HR(sei->InterfaceSupportsErrorInfo(IID_IBrevixBarCode));
  sei->Release();
  early->Release();
  // The object stays usable.
  CHECK(bc.Put(L"Text", TVar(std::wstring(L"AB"))).Ok());
  CHECK(bc.Call(L"MinWidth", &width).Ok());
  CHECK(width.Long() > 0);
  CHECK_EQ(bc.GetLong(L"Ratio"), 3L);  // stored before the width failed
}

void ValidationChecks() {
  TConnected c;
  const TLateBound bc = c.Late();
  // A bad character is reported through the message and the position.
  CHECK(bc.Put(L"TypeBar", TVar(7L)).Ok());
  CHECK(bc.Put(L"Text", TVar(std::wstring(L"ABx"))).Ok());
  const SIZE size = GetSize(c.Disp);
  DrawThroughView(c.Disp, size.cx, size.cy);
  CHECK_EQ(bc.CallString(L"ErrorMessage"),
           std::wstring(L"Unvailable char for this type of barcode.(3.char - x)"));
  CHECK_EQ(bc.GetLong(L"Error"), 3L);
  CHECK(bc.Put(L"Text", TVar(std::wstring(L"ABC"))).Ok());
  DrawThroughView(c.Disp, size.cx, size.cy);
  CHECK_EQ(bc.CallString(L"ErrorMessage"), std::wstring(L"Correct"));
  CHECK_EQ(bc.GetLong(L"Error"), 3L);
  // MSI's sample is empty: nothing is drawn.
  CHECK(bc.Put(L"TypeBar", TVar(18L)).Ok());
  CHECK_EQ(bc.GetString(L"Text"), std::wstring(L""));
  const TPixels blank = DrawThroughView(c.Disp, size.cx, size.cy);
  CHECK_EQ(blank.DarkPixels(), 0);
}

// OLE_COLOR values with the high bit set name system colours: they are painted as the system's
// colour and read back as given.
void SystemColourChecks() {
  TConnected c;
  const TLateBound bc = c.Late();
  const std::pair<const wchar_t*, unsigned long> colours[] = {{L"Color_Back", 0x80000005ul},
                                                              {L"Color_Lines", 0x80000008ul}};
  for (const auto& [name, value] : colours) {
    TVar colour;
    V_VT(&colour.V) = VT_UI4;
    V_UI4(&colour.V) = value;
    CHECK(bc.Put(name, colour).Ok());
    TVar back;
    CHECK(bc.Get(name, back).Ok());
    CHECK_EQ(V_VT(&back.V) == VT_UI4 ? V_UI4(&back.V) : 0ul, value);
  }
  const SIZE size = GetSize(c.Disp);
  const TPixels px = DrawThroughView(c.Disp, size.cx, size.cy);
  const COLORREF window = GetSysColor(COLOR_WINDOW);
  const unsigned want = GetRValue(window) << 16 | GetGValue(window) << 8 | GetBValue(window);
  CHECK_EQ(px.At(0, 0), want);
  CHECK(px.Transitions(size.cy / 2) > 10);
  CHECK_EQ(bc.CallString(L"ErrorMessage"), std::wstring(L"Correct"));
}

void FontChecks() {
  TConnected c;
  const TLateBound bc = c.Late();
  for (const wchar_t* property : {L"Font_Code", L"Font_Type"}) {
    TVar got;
    CHECK(bc.Get(property, got).Ok());
    CHECK(V_VT(&got.V) == VT_DISPATCH && V_DISPATCH(&got.V));
    if (V_VT(&got.V) != VT_DISPATCH || !V_DISPATCH(&got.V)) continue;
    const TLateBound font(V_DISPATCH(&got.V));
    CHECK(!font.GetString(L"Name").empty());

    FONTDESC desc{};
    desc.cbSizeofstruct = sizeof desc;
    std::wstring face = L"Tahoma";
    desc.lpstrName = face.data();
    desc.cySize.int64 = 120000;  // 12 points = 16 pixels
    desc.sWeight = FW_BOLD;
    desc.fItalic = TRUE;
    IFontDisp* mine = nullptr;
    CHECK_HR(OleCreateFontIndirect(&desc, IID_IFontDisp, reinterpret_cast<void**>(&mine)));
    // The font object reports the face and size the system realised; those must come back.
    IFont* myFont = nullptr;
    mine->QueryInterface(IID_IFont, reinterpret_cast<void**>(&myFont));
    BSTR wantName = nullptr;
    CY wantSize{};
    myFont->get_Name(&wantName);
    myFont->get_Size(&wantSize);
    myFont->Release();
    // Font_Type as VB's Set assigns it: a put by reference.
    TVar given(static_cast<IDispatch*>(mine));
    const WORD put =
        std::wstring(property) == L"Font_Type" ? DISPATCH_PROPERTYPUTREF : DISPATCH_PROPERTYPUT;
    CHECK(bc.InvokeRaw(bc.Id(property), put, &given.V, 1, nullptr).Ok());
    mine->Release();
    TVar back;
    CHECK(bc.Get(property, back).Ok());
    IFont* f = nullptr;
    V_DISPATCH(&back.V)->QueryInterface(IID_IFont, reinterpret_cast<void**>(&f));
    CHECK(f != nullptr);
    if (f) {
      BSTR faceName = nullptr;
      CY size{};
      BOOL bold = FALSE, italic = FALSE;
      f->get_Name(&faceName);
      f->get_Size(&size);
      f->get_Bold(&bold);
      f->get_Italic(&italic);
      CHECK_EQ(std::wstring(faceName), std::wstring(wantName));
      CHECK_EQ(size.int64, wantSize.int64);
      CHECK(bold && italic);
      SysFreeString(faceName);
      f->Release();
    }
    SysFreeString(wantName);
  }
  // Changes made through the font object a host got reach the control.
  {
    TVar got;
    CHECK(bc.Get(L"Font_Code", got).Ok());
    const TLateBound font(V_DISPATCH(&got.V));
    TVar size;
    font.Get(L"Size", size);
    CY bigger{};
    bigger.int64 = 180000;  // 18 points
    TVar newSize;
    V_VT(&newSize.V) = VT_CY;
    V_CY(&newSize.V) = bigger;
    CHECK(font.Put(L"Size", newSize).Ok());
    CHECK(font.Put(L"Underline", TVar(true)).Ok());
    TVar again;
    CHECK(bc.Get(L"Font_Code", again).Ok());
    IFont* f = nullptr;
    V_DISPATCH(&again.V)->QueryInterface(IID_IFont, reinterpret_cast<void**>(&f));
    CY now{};
    BOOL underline = FALSE;
    if (f) {
      f->get_Size(&now);
      f->get_Underline(&underline);
      f->Release();
    }
    CHECK_EQ(now.int64, static_cast<LONGLONG>(180000));
    CHECK(underline);
    // A new object starts from the stored font, so the change really reached the control.
    IPersistStreamInit* persist = As<IPersistStreamInit>(c.Disp, IID_IPersistStreamInit);
    CHECK_EQ(HexHr(persist->IsDirty()), HexHr(S_OK));
    persist->Release();
  }

  // Not a font object: a failed call with a message.
  IDispatch* notAFont = CreateByProgId();
  CHECK(FAILED(bc.Put(L"Font_Code", TVar(notAFont)).Hr));
  IBrevixBarCode* early = As<IBrevixBarCode>(c.Disp, IID_IBrevixBarCode);
  CHECK(FAILED(early->put_Font_Code(reinterpret_cast<IFontDisp*>(notAFont))));
  IErrorInfo* info = nullptr;
  GetErrorInfo(0, &info);
  CHECK(info != nullptr);
  if (info) info->Release();
  CHECK(FAILED(early->put_Font_Code(nullptr)));
  early->Release();
  notAFont->Release();
}

struct TFileRow {
  const wchar_t* Name;  // file name in the output directory
  long TypeBar;
  const wchar_t* Text;
  long Angle;
  bool Transparent;
  int Width, Height;
  const char* Expect;  // text a decoder must read, or "-" for none
};

void FileChecks(std::ofstream& manifest) {
  const TFileRow rows[] = {
      {L"code128.bmp", 11, L"BREVIX-128", 0, false, 300, 100, "BREVIX-128"},
      {L"code128_lower.bmp", 11, L"lower", 0, false, 200, 80, "lower"},
      {L"code128.gif", 11, L"BREVIX-128", 0, false, 300, 100, "BREVIX-128"},
      {L"code128_transparent.gif", 11, L"BREVIX-128", 0, true, 300, 100, "BREVIX-128"},
      {L"code128.png", 11, L"BREVIX-128", 0, false, 300, 100, "BREVIX-128"},
      {L"code128.tif", 11, L"BREVIX-128", 0, false, 300, 100, "BREVIX-128"},
      {L"code128.tiff", 11, L"BREVIX-128", 0, false, 300, 100, "BREVIX-128"},
      {L"code128.jpg", 11, L"BREVIX-128", 0, false, 300, 100, "BREVIX-128"},
      {L"code128.JPEG", 11, L"BREVIX-128", 0, false, 300, 100, "BREVIX-128"},
      {L"code128.jpe", 11, L"BREVIX-128", 0, false, 300, 100, "BREVIX-128"},
      {L"code128_upper.TiFF", 11, L"BREVIX-128", 0, false, 300, 100, "BREVIX-128"},
      // Names outside the system code page.
      {L"\u0448\u0442\u0440\u0438\u0445\u043a\u043e\u0434.png", 11, L"BREVIX-128", 0, false, 300,
       100, "BREVIX-128"},
      {L"\u6761\u7801.gif", 11, L"BREVIX-128", 0, false, 300, 100, "BREVIX-128"},
      // Metafile players outline every polygon: wide modules keep the gaps open.
      {L"code128.wmf", 11, L"BREVIX-128", 0, false, 600, 120, "BREVIX-128"},
      {L"code128.emf", 11, L"BREVIX-128", 0, false, 600, 120, "-"},
      {L"code128_vertical.png", 11, L"BREVIX-128", 1, false, 120, 300, "BREVIX-128"},
      {L"code128_vertical_small.png", 11, L"BREVIX-128", 3, false, 200, 80, "-"},
      {L"code39.png", 7, L"CODE39", 0, false, 300, 100, "CODE39"},
      {L"ean13.png", 22, L"9771210107001", 0, false, 300, 120, "9771210107001"},
      {L"ean13_upside_down.png", 22, L"9771210107001", 2, false, 300, 120, "9771210107001"},
      {L"pdf417.png", 32, L"Brevix PDF417", 0, false, 400, 160, "Brevix PDF417"},
      // Large enough that the GIF code table fills and starts over.
      {L"pdf417_large.gif", 32, L"Brevix PDF417 in a large GIF, 0123456789", 0, false, 900, 500,
       "Brevix PDF417 in a large GIF, 0123456789"},
  };
  for (const TFileRow& row : rows) {
    TConnected c;
    const TLateBound bc = c.Late();
    CHECK(bc.Put(L"TypeBar", TVar(row.TypeBar)).Ok());
    CHECK(bc.Put(L"Text", TVar(std::wstring(row.Text))).Ok());
    CHECK(bc.Put(L"Angle", TVar(row.Angle)).Ok());
    CHECK(bc.Put(L"Transparent", TVar(row.Transparent)).Ok());
    if (row.Transparent) CHECK(bc.Put(L"Color_Back", TVar(0x00FFFFL)).Ok());
    SetSize(c.Disp, row.Width, row.Height);
    const std::wstring path = gOutDir + L"\\" + row.Name;
    DeleteFileW(path.c_str());
    TVar arg(path);
    const TCallResult r = bc.Call(L"DrawToFile", nullptr, &arg);
    CHECK_MSG(r.Ok(),
              "DrawToFile " + Narrow(row.Name) + " " + HexHr(r.Hr) + " " + Narrow(r.Description));
    CHECK_MSG(GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES,
              Narrow(row.Name) + " written");
    manifest << Utf8(row.Name) << ' ' << row.Width << ' ' << row.Height << ' '
             << (row.Transparent ? 1 : 0) << " 96 " << row.Expect << '\n';
  }

  // Module mode and the vector formats: the symbol's own size whatever the control's (EAN-13 at
  // 3 pixels a module with 2 more quiet modules a side), Resolution recorded in raster files.
  const struct {
    const wchar_t* Name;
    long ModuleWidth, Resolution, Angle;
    int Width, Height;  // of a raster file; 0 for a vector file
  } moduleRows[] = {
      {L"module_ean13.png", 3, 300, 0, 351, 249}, {L"module_ean13_vertical.tif", 3, 0, 1, 249, 351},
      {L"module_ean13.svg", 3, 0, 0, 0, 0},       {L"module_ean13.EPS", 3, 0, 3, 0, 0},
      {L"module_ean13_box.pdf", 0, 0, 0, 0, 0},
  };
  for (const auto& row : moduleRows) {
    TConnected c;
    const TLateBound bc = c.Late();
    CHECK(bc.Put(L"TypeBar", TVar(22L)).Ok());
    CHECK(bc.Put(L"Text", TVar(std::wstring(L"9771210107001"))).Ok());
    CHECK(bc.Put(L"Angle", TVar(row.Angle)).Ok());
    CHECK(bc.Put(L"QuietZone", TVar(2L)).Ok());
    CHECK(bc.Put(L"ModuleWidth", TVar(row.ModuleWidth)).Ok());
    CHECK(bc.Put(L"Resolution", TVar(row.Resolution)).Ok());
    SetSize(c.Disp, 90, 40);  // far too small for the symbol
    const std::wstring path = gOutDir + L"\\" + row.Name;
    DeleteFileW(path.c_str());
    TVar arg(path);
    const TCallResult r = bc.Call(L"DrawToFile", nullptr, &arg);
    CHECK_MSG(r.Ok(),
              "DrawToFile " + Narrow(row.Name) + " " + HexHr(r.Hr) + " " + Narrow(r.Description));
    manifest << Utf8(row.Name) << ' ' << row.Width << ' ' << row.Height << " 0 "
             << (row.Resolution ? row.Resolution : 96) << " 9771210107001\n";
  }

  // The enhanced metafile played back by the system, for the decoders on the other side.
  const std::wstring emfPath = gOutDir + L"\\code128.emf";
  HENHMETAFILE emf = GetEnhMetaFileW(emfPath.c_str());
  CHECK(emf != nullptr);
  if (emf) {
    ENHMETAHEADER header{};
    GetEnhMetaFileHeader(emf, sizeof header, &header);
    // The frame is the control's size in 1/100 mm.
    CHECK_EQ(header.rclFrame.right - header.rclFrame.left,
             static_cast<LONG>(MulDiv(600, 2540, 96)));
    CHECK_EQ(header.rclFrame.bottom - header.rclFrame.top,
             static_cast<LONG>(MulDiv(120, 2540, 96)));
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bmp = CreateCompatibleBitmap(screen, 600, 120);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, bmp);
    RECT all{0, 0, 600, 120};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    CHECK(PlayEnhMetaFile(dc, emf, &all));
    SelectObject(dc, old);
    const TPixels played = ReadBitmap(bmp);
    CHECK(played.Transitions(20) > 20);
    // Written as a plain 32-bit BMP.
    BITMAPFILEHEADER fh{};
    BITMAPINFOHEADER ih{};
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof fh + sizeof ih;
    fh.bfSize = fh.bfOffBits + static_cast<DWORD>(played.Bgrx.size() * 4);
    ih.biSize = sizeof ih;
    ih.biWidth = played.Width;
    ih.biHeight = -played.Height;
    ih.biPlanes = 1;
    ih.biBitCount = 32;
    std::ofstream bmpFile(Narrow(gOutDir) + "\\code128_emf_played.bmp", std::ios::binary);
    bmpFile.write(reinterpret_cast<const char*>(&fh), sizeof fh);
    bmpFile.write(reinterpret_cast<const char*>(&ih), sizeof ih);
    bmpFile.write(reinterpret_cast<const char*>(played.Bgrx.data()),
                  static_cast<std::streamsize>(played.Bgrx.size() * 4));
    manifest << "code128_emf_played.bmp 600 120 0 96 BREVIX-128\n";
    DeleteObject(bmp);
    DeleteDC(dc);
    DeleteEnhMetaFile(emf);
  }

  TConnected c;
  const TLateBound bc = c.Late();
  // An extension that names no format fails, naming the file and the extensions that work.
  for (const wchar_t* name : {L"nothing.svgz", L"nothing", L"nothing.bmp.x", L"\u0444.xyz"}) {
    const std::wstring path = gOutDir + L"\\" + name;
    TVar arg(path);
    const TCallResult r = bc.Call(L"DrawToFile", nullptr, &arg);
    CHECK_EQ(HexHr(r.Hr), HexHr(E_INVALIDARG));
    CHECK_MSG(r.Description.find(path) != std::wstring::npos &&
                  r.Description.find(L"(use .bmp, .emf, .eps, .gif, .jpe, .jpeg, .jpg, .pdf, "
                                     L".png, .svg, .tif, .tiff or .wmf)") != std::wstring::npos,
              "description: " + Utf8(r.Description));
    CHECK_MSG(GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES,
              Utf8(name) + " not written");
  }
  // A picture beyond what the writers take says so.
  CHECK(bc.Put(L"Ratio", TVar(100000L)).Ok());
  TVar huge(gOutDir + L"\\huge.bmp");
  const TCallResult tooLarge = bc.Call(L"DrawToFile", nullptr, &huge);
  CHECK_MSG(FAILED(tooLarge.Hr) && tooLarge.Description.find(L"too large") != std::wstring::npos,
            "description: " + Utf8(tooLarge.Description));
  CHECK(bc.Put(L"Ratio", TVar(1L)).Ok());
  TVar empty(std::wstring(L""));
  CHECK(bc.Call(L"DrawToFile", nullptr, &empty).Ok());
  // A file that cannot be created is a failed call with a message; the object stays usable.
  TVar badPath(gOutDir + L"\\no such dir\\x.bmp");
  const TCallResult bad = bc.Call(L"DrawToFile", nullptr, &badPath);
  CHECK(FAILED(bad.Hr));
  CHECK(bad.Description.find(L"x.bmp") != std::wstring::npos);
  TVar badPng(gOutDir + L"\\no such dir\\x.png");
  CHECK(FAILED(bc.Call(L"DrawToFile", nullptr, &badPng).Hr));
  TVar fine(gOutDir + L"\\after_failure.bmp");
  CHECK(bc.Call(L"DrawToFile", nullptr, &fine).Ok());
}

void ClipboardChecks() {
  TConnected c;
  const TLateBound bc = c.Late();
  CHECK(bc.Put(L"TypeBar", TVar(11L)).Ok());
  CHECK(bc.Put(L"Text", TVar(std::wstring(L"CLIP"))).Ok());
  SetSize(c.Disp, 220, 70);
  CHECK(bc.Call(L"CopyToClipboard").Ok());
  CHECK(IsClipboardFormatAvailable(CF_BITMAP));
  CHECK(OpenClipboard(nullptr));
  HBITMAP bitmap = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
  CHECK(bitmap != nullptr);
  if (bitmap) {
    const TPixels px = ReadBitmap(bitmap);
    CHECK_EQ(px.Width, 220);
    CHECK_EQ(px.Height, 70);
    CHECK(px.Transitions(10) > 10);
  }
  CloseClipboard();
}

// A property bag in memory, as a host's form designer keeps one.
class TMemoryBag final : public IPropertyBag {
 public:
  std::vector<std::pair<std::wstring, VARIANT>> Values;
  ~TMemoryBag() {
    for (auto& v : Values) VariantClear(&v.second);
  }
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (iid == IID_IUnknown || iid == IID_IPropertyBag) {
      *out = this;
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE Read(LPCOLESTR name, VARIANT* value, IErrorLog*) override {
    for (auto& v : Values) {
      if (v.first == name) {
        const VARTYPE wanted = V_VT(value);
        VariantInit(value);
        if (wanted == VT_EMPTY) return VariantCopy(value, &v.second);
        return VariantChangeType(value, &v.second, 0, wanted);
      }
    }
    return E_INVALIDARG;
  }
  HRESULT STDMETHODCALLTYPE Write(LPCOLESTR name, VARIANT* value) override {
    VARIANT copy;
    VariantInit(&copy);
    VariantCopy(&copy, value);
    Values.emplace_back(name, copy);
    return S_OK;
  }
};

void SetDistinctState(const TLateBound& bc, IUnknown* control) {
  bc.Put(L"TypeBar", TVar(7L));
  bc.Put(L"Text", TVar(std::wstring(L"SAVED")));
  bc.Put(L"Angle", TVar(2L));
  bc.Put(L"Display", TVar(3L));
  bc.Put(L"Color_Lines", TVar(0x123456L));
  bc.Put(L"Color_Back", TVar(0x654321L));
  bc.Put(L"Transparent", TVar(true));
  bc.Put(L"PDF417_Truncate", TVar(true));
  bc.Put(L"PDF417_SecurityLevel", TVar(4L));
  bc.Put(L"CompleteDraw", TVar(true));
  bc.Put(L"QuietZone", TVar(5L));
  bc.Put(L"ModuleWidth", TVar(2L));
  bc.Put(L"Resolution", TVar(200L));
  SetSize(control, 321, 123);
}

void CheckDistinctState(const TLateBound& bc, IUnknown* control) {
  CHECK_EQ(bc.GetLong(L"TypeBar"), 7L);
  CHECK_EQ(bc.GetString(L"Text"), std::wstring(L"SAVED"));
  CHECK_EQ(bc.GetLong(L"Angle"), 2L);
  CHECK_EQ(bc.GetLong(L"Display"), 3L);
  CHECK_EQ(bc.GetLong(L"Color_Lines"), 0x123456L);
  CHECK_EQ(bc.GetLong(L"Color_Back"), 0x654321L);
  CHECK(bc.GetBool(L"Transparent"));
  CHECK(bc.GetBool(L"PDF417_Truncate"));
  CHECK_EQ(bc.GetLong(L"PDF417_SecurityLevel"), 4L);
  CHECK(bc.GetBool(L"CompleteDraw"));
  CHECK_EQ(bc.GetLong(L"QuietZone"), 5L);
  CHECK_EQ(bc.GetLong(L"ModuleWidth"), 2L);
  CHECK_EQ(bc.GetLong(L"Resolution"), 200L);
  const SIZE size = GetSize(control);
  CHECK_EQ(size.cx, 321L);
  CHECK_EQ(size.cy, 123L);
}

void PersistenceChecks() {
  // Stream.
  IStream* stream = nullptr;
  CreateStreamOnHGlobal(nullptr, TRUE, &stream);
  {
    TConnected c;
    SetDistinctState(c.Late(), c.Disp);
    IPersistStreamInit* persist = As<IPersistStreamInit>(c.Disp, IID_IPersistStreamInit);
    CHECK_EQ(HexHr(persist->IsDirty()), HexHr(S_OK));
    ULARGE_INTEGER max{};
    CHECK_HR(persist->GetSizeMax(&max));
    CHECK_HR(persist->Save(stream, TRUE));
    CHECK_EQ(HexHr(persist->IsDirty()), HexHr(S_FALSE));
    ULARGE_INTEGER pos{};
    stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_CUR, &pos);
    CHECK_EQ(static_cast<unsigned long>(pos.QuadPart), static_cast<unsigned long>(max.QuadPart));
    persist->Release();
  }
  stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr);
  {
    TConnected c;
    IPersistStreamInit* persist = As<IPersistStreamInit>(c.Disp, IID_IPersistStreamInit);
    CHECK_HR(persist->Load(stream));
    CheckDistinctState(c.Late(), c.Disp);
    CLSID clsid{};
    persist->GetClassID(&clsid);
    CHECK(IsEqualGUID(clsid, CLSID_BrevixBarCode));
    persist->Release();
  }
  // A damaged stream is refused and leaves the defaults.
  stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr);
  const char junk[] = "definitely not a barcode control";
  stream->Write(junk, sizeof junk, nullptr);
  stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr);
  {
    TConnected c;
    IPersistStreamInit* persist = As<IPersistStreamInit>(c.Disp, IID_IPersistStreamInit);
    CHECK(FAILED(persist->Load(stream)));
    CHECK_EQ(c.Late().GetString(L"Text"), std::wstring(L"0123"));
    persist->Release();
  }
  stream->Release();

  // Storage, as compound-document containers keep their controls.
  ILockBytes* bytes = nullptr;
  CreateILockBytesOnHGlobal(nullptr, TRUE, &bytes);
  IStorage* storage = nullptr;
  CHECK_HR(StgCreateDocfileOnILockBytes(bytes, STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE,
                                        0, &storage));
  {
    TConnected c;
    SetDistinctState(c.Late(), c.Disp);
    IPersistStorage* persist = As<IPersistStorage>(c.Disp, IID_IPersistStorage);
    CHECK(persist != nullptr);
    if (persist) {
      CHECK_HR(persist->Save(storage, FALSE));
      CHECK_HR(persist->SaveCompleted(nullptr));
      persist->Release();
    }
  }
  {
    TConnected c;
    IPersistStorage* persist = As<IPersistStorage>(c.Disp, IID_IPersistStorage);
    if (persist) {
      CHECK_HR(persist->Load(storage));
      CheckDistinctState(c.Late(), c.Disp);
      persist->Release();
    }
  }
  if (storage) storage->Release();
  bytes->Release();

  // Property bag.
  TMemoryBag bag;
  {
    TConnected c;
    SetDistinctState(c.Late(), c.Disp);
    IPersistPropertyBag* persist = As<IPersistPropertyBag>(c.Disp, IID_IPersistPropertyBag);
    CHECK_HR(persist->Save(&bag, TRUE, TRUE));
    persist->Release();
  }
  CHECK(bag.Values.size() > 10);
  {
    TConnected c;
    IPersistPropertyBag* persist = As<IPersistPropertyBag>(c.Disp, IID_IPersistPropertyBag);
    CHECK_HR(persist->InitNew());
    CHECK_HR(persist->Load(&bag, nullptr));
    CheckDistinctState(c.Late(), c.Disp);
    persist->Release();
  }
  // A bag with only some values leaves the rest at their defaults.
  TMemoryBag partial;
  VARIANT v;
  VariantInit(&v);
  V_VT(&v) = VT_BSTR;
  V_BSTR(&v) = SysAllocString(L"4567");
  partial.Write(L"Text", &v);
  VariantClear(&v);
  // A page's <param name="Width"> alone: pixels, the height stays.
  V_VT(&v) = VT_I4;
  V_I4(&v) = 250;
  partial.Write(L"Width", &v);
  {
    TConnected c;
    IPersistPropertyBag* persist = As<IPersistPropertyBag>(c.Disp, IID_IPersistPropertyBag);
    CHECK_HR(persist->Load(&partial, nullptr));
    CHECK_EQ(c.Late().GetString(L"Text"), std::wstring(L"4567"));
    CHECK_EQ(c.Late().GetLong(L"TypeBar"), 0L);
    CHECK_EQ(c.Late().GetLong(L"Width"), 250L);
    CHECK_EQ(c.Late().GetLong(L"Height"), 80L);
    persist->Release();
  }
}

DWORD WINAPI CloseAboutBox(void* param) {
  auto* report = static_cast<std::vector<int>*>(param);
  for (int i = 0; i < 200; ++i) {
    HWND dialog = FindWindowW(L"#32770", L"About");
    if (dialog && IsWindowVisible(dialog)) {
      RECT client{};
      GetClientRect(dialog, &client);
      report->push_back(client.right);
      report->push_back(client.bottom);
      HWND ok = GetDlgItem(dialog, IDOK);
      RECT r{};
      GetWindowRect(ok, &r);
      MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
      report->push_back(r.left);
      report->push_back(r.top);
      report->push_back(r.right - r.left);
      report->push_back(r.bottom - r.top);
      wchar_t text[64] = {};
      GetDlgItemTextW(dialog, 1002, text, 64);
      report->push_back(std::wstring(text) == L"activeBrevixBarCode" ? 1 : 0);
      PostMessageW(dialog, WM_COMMAND, IDOK, 0);
      return 0;
    }
    Sleep(25);
  }
  return 1;
}

void AboutBoxChecks() {
  TConnected c;
  std::vector<int> seen;
  HANDLE closer = CreateThread(nullptr, 0, &CloseAboutBox, &seen, 0, nullptr);
  const TCallResult r = c.Late().Call(L"AboutBox");
  WaitForSingleObject(closer, 10000);
  DWORD code = 1;
  GetExitCodeThread(closer, &code);
  CloseHandle(closer);
  CHECK(r.Ok());
  CHECK_EQ(code, 0ul);
  const std::vector<int> expected = {267, 127, 96, 96, 75, 25, 1};
  CHECK(seen == expected);
  // It can be shown again.
  std::vector<int> again;
  closer = CreateThread(nullptr, 0, &CloseAboutBox, &again, 0, nullptr);
  CHECK(c.Late().Call(L"AboutBox").Ok());
  WaitForSingleObject(closer, 10000);
  CloseHandle(closer);
  CHECK(again == expected);
}

void UnloadChecks() {
  HMODULE module = LoadLibraryW(gOcxPath.c_str());
  CHECK(module != nullptr);
  if (!module) return;
  using TCanUnload = HRESULT(STDAPICALLTYPE*)();
  using TGetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
  auto canUnload = reinterpret_cast<TCanUnload>(
      reinterpret_cast<void*>(GetProcAddress(module, "DllCanUnloadNow")));
  auto getClassObject = reinterpret_cast<TGetClassObject>(
      reinterpret_cast<void*>(GetProcAddress(module, "DllGetClassObject")));
  CHECK(canUnload && getClassObject);
  CHECK(GetProcAddress(module, "DllRegisterServer") != nullptr);
  CHECK(GetProcAddress(module, "DllUnregisterServer") != nullptr);
  if (!canUnload || !getClassObject) return;
  CHECK_EQ(HexHr(canUnload()), HexHr(S_OK));
  IClassFactory* factory = nullptr;
  CHECK_HR(
      getClassObject(CLSID_BrevixBarCode, IID_IClassFactory, reinterpret_cast<void**>(&factory)));
  IUnknown* wrongClass = nullptr;
  CHECK_EQ(HexHr(getClassObject(IID_IBrevixBarCode, IID_IClassFactory,
                                reinterpret_cast<void**>(&wrongClass))),
           HexHr(CLASS_E_CLASSNOTAVAILABLE));
  IUnknown* object = nullptr;
  CHECK_HR(factory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(&object)));
  IUnknown* aggregated = nullptr;
  CHECK_EQ(
      HexHr(factory->CreateInstance(object, IID_IUnknown, reinterpret_cast<void**>(&aggregated))),
      HexHr(CLASS_E_NOAGGREGATION));
  CHECK_EQ(HexHr(canUnload()), HexHr(S_FALSE));
  object->Release();
  CHECK_EQ(HexHr(canUnload()), HexHr(S_OK));
  factory->LockServer(TRUE);
  CHECK_EQ(HexHr(canUnload()), HexHr(S_FALSE));
  factory->LockServer(FALSE);
  CHECK_EQ(HexHr(canUnload()), HexHr(S_OK));
  factory->Release();
  FreeLibrary(module);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    std::printf("usage: host_test <ocx path> <output directory>\n");
    return 2;
  }
  gOcxPath = argv[1];
  gOutDir = argv[2];
  // Unbuffered, so that a host that dies still shows how far it got.
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  if (const HRESULT hr = OleInitialize(nullptr); FAILED(hr)) {
    std::printf("FAIL OleInitialize: 0x%08lx\n", static_cast<unsigned long>(hr));
    return 3;
  }
  TRunner& run = Runner();
  run.Group("type library", TypeLibraryChecks);
  run.Group("creation and interfaces", CreationChecks);
  run.Group("defaults of a new object", DefaultChecks);
  run.Group("properties round trip", PropertyRoundTrips);
  run.Group("read-only members", ReadOnlyChecks);
  run.Group("events", EventChecks);
  run.Group("PDF417 error at the boundary", Pdf417ErrorChecks);
  run.Group("validation results", ValidationChecks);
  run.Group("system colours", SystemColourChecks);
  run.Group("caption fonts", FontChecks);
  {
    std::ofstream manifest(Narrow(gOutDir) + "\\files.txt");
    run.Group("files", [&] { FileChecks(manifest); });
  }
  run.Group("clipboard", ClipboardChecks);
  run.Group("persistence", PersistenceChecks);
  run.Group("about box", AboutBoxChecks);
  run.Group("server unload", UnloadChecks);
  PumpMessages();
  const int rc = run.Finish();
  OleUninitialize();
  return rc;
}
