#include "persistence.h"

#include <cstdint>
#include <exception>

#include "com_util.h"

namespace brevix::activex {
namespace {

// Stream layout: magic, version, count, then per value its UTF-16 name, its type and the value.
constexpr std::uint32_t kStreamMagic = 0x58565242;  // "BRVX"
constexpr std::uint32_t kStreamVersion = 1;
// Guards against a damaged stream asking for absurd allocations.
constexpr std::uint32_t kMaxValues = 1024;
constexpr std::uint32_t kMaxChars = 1 << 20;

long ToLong(const TVariant& v) {
  TVariant converted;
  if (FAILED(VariantChangeType(converted.Get(), const_cast<VARIANT*>(v.Get()), 0, VT_I4))) {
    throw std::invalid_argument("not a number");
  }
  return V_I4(converted.Get());
}

bool ToBool(const TVariant& v) {
  return ToLong(v) != 0;
}

std::string ToText(const TVariant& v) {
  TVariant converted;
  if (FAILED(VariantChangeType(converted.Get(), const_cast<VARIANT*>(v.Get()), 0, VT_BSTR))) {
    throw std::invalid_argument("not a string");
  }
  BSTR b = V_BSTR(converted.Get());
  return Narrow(b, static_cast<int>(SysStringLen(b)));
}

void SaveFont(std::vector<TNamedValue>& out, const std::wstring& prefix, const TFont& f) {
  out.push_back({prefix + L".Name", TVariant::String(f.Name())});
  out.push_back({prefix + L".Height", TVariant::Int(f.Height())});
  out.push_back({prefix + L".Style", TVariant::Int(f.Style())});
  out.push_back({prefix + L".Charset", TVariant::Int(f.Charset())});
  out.push_back({prefix + L".Color", TVariant::Int(static_cast<long>(f.Color()))});
}

class TStreamIO {
 public:
  explicit TStreamIO(IStream* s) : FStream(s) {}
  HRESULT Result() const { return FResult; }
  ULONG Count() const { return FCount; }

  void Write(const void* data, ULONG n) {
    FCount += n;
    if (FStream && SUCCEEDED(FResult)) {
      ULONG written = 0;
      FResult = FStream->Write(data, n, &written);
      if (SUCCEEDED(FResult) && written != n) FResult = STG_E_MEDIUMFULL;
    }
  }
  template <class T>
  void WriteValue(T v) {
    Write(&v, sizeof v);
  }
  void WriteChars(const wchar_t* s, std::uint32_t n) {
    WriteValue(n);
    Write(s, n * static_cast<ULONG>(sizeof(wchar_t)));
  }

  bool Read(void* data, ULONG n) {
    if (FAILED(FResult)) return false;
    ULONG got = 0;
    FResult = FStream->Read(data, n, &got);
    if (SUCCEEDED(FResult) && got != n) FResult = STG_E_READFAULT;
    return SUCCEEDED(FResult);
  }
  template <class T>
  bool ReadValue(T& v) {
    return Read(&v, sizeof v);
  }
  bool ReadChars(std::wstring& s) {
    std::uint32_t n = 0;
    if (!ReadValue(n)) return false;
    if (n > kMaxChars) {
      FResult = STG_E_INVALIDHEADER;
      return false;
    }
    s.assign(n, L'\0');
    return n == 0 || Read(s.data(), n * static_cast<ULONG>(sizeof(wchar_t)));
  }

 private:
  IStream* FStream;
  HRESULT FResult = S_OK;
  ULONG FCount = 0;
};

void WriteAll(TStreamIO& io, const std::vector<TNamedValue>& values) {
  io.WriteValue(kStreamMagic);
  io.WriteValue(kStreamVersion);
  io.WriteValue(static_cast<std::uint32_t>(values.size()));
  for (const TNamedValue& nv : values) {
    io.WriteChars(nv.Name.data(), static_cast<std::uint32_t>(nv.Name.size()));
    const VARIANT& v = *nv.Value.Get();
    io.WriteValue(static_cast<std::uint16_t>(V_VT(&v)));
    switch (V_VT(&v)) {
      case VT_I4:
        io.WriteValue(static_cast<std::int32_t>(V_I4(&v)));
        break;
      case VT_BOOL:
        io.WriteValue(static_cast<std::int16_t>(V_BOOL(&v)));
        break;
      case VT_BSTR:
        io.WriteChars(V_BSTR(&v), SysStringLen(V_BSTR(&v)));
        break;
      default:
        break;
    }
  }
}

}  // namespace

TVariant TVariant::Int(long v) {
  TVariant r;
  V_VT(r.Get()) = VT_I4;
  V_I4(r.Get()) = v;
  return r;
}

TVariant TVariant::Bool(bool v) {
  TVariant r;
  V_VT(r.Get()) = VT_BOOL;
  V_BOOL(r.Get()) = ToVariantBool(v);
  return r;
}

TVariant TVariant::String(const std::string& v) {
  TVariant r;
  V_VT(r.Get()) = VT_BSTR;
  V_BSTR(r.Get()) = AllocBString(v);
  return r;
}

SIZEL PixelsToHimetric(int width, int height) {
  HDC screen = GetDC(nullptr);
  const int dpiX = GetDeviceCaps(screen, LOGPIXELSX), dpiY = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return SIZEL{MulDiv(width, 2540, dpiX), MulDiv(height, 2540, dpiY)};
}

SIZE HimetricToPixels(const SIZEL& himetric) {
  HDC screen = GetDC(nullptr);
  const int dpiX = GetDeviceCaps(screen, LOGPIXELSX), dpiY = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return SIZE{MulDiv(himetric.cx, dpiX, 2540), MulDiv(himetric.cy, dpiY, 2540)};
}

std::vector<TNamedValue> SaveState(TCustomBC& c) {
  std::vector<TNamedValue> out;
  out.push_back({L"PDF417_Mode", TVariant::Int(c.PDF417_Mode())});
  out.push_back({L"PDF417_SecurityLevel", TVariant::Int(c.PDF417_SecurityLevel())});
  out.push_back({L"PDF417_Truncate", TVariant::Bool(c.PDF417_Truncate())});
  out.push_back({L"TypeBar", TVariant::Int(c.TypeBar())});
  out.push_back({L"Text", TVariant::String(c.Text())});
  out.push_back({L"Angle", TVariant::Int(c.Angle())});
  out.push_back({L"Display", TVariant::Int(c.Display())});
  out.push_back({L"Transparent", TVariant::Bool(c.Transparent())});
  out.push_back({L"Color_Lines", TVariant::Int(static_cast<long>(c.Color_Lines()))});
  out.push_back({L"Color_Back", TVariant::Int(static_cast<long>(c.Color_Back()))});
  out.push_back({L"CompleteDraw", TVariant::Bool(c.CompleteDraw())});
  out.push_back({L"Visible", TVariant::Bool(c.Visible())});
  out.push_back({L"Enabled", TVariant::Bool(c.Enabled())});
  SaveFont(out, L"Font_Code", c.Font_Code());
  SaveFont(out, L"Font_Type", c.Font_Type());
  out.push_back({L"Ratio", TVariant::Int(c.Ratio())});
  const SIZEL extent = PixelsToHimetric(c.Width(), c.Height());
  out.push_back({L"_ExtentX", TVariant::Int(extent.cx)});
  out.push_back({L"_ExtentY", TVariant::Int(extent.cy)});
  // The size in pixels too: the extent follows the screen's resolution, a picture file does not.
  out.push_back({L"Width", TVariant::Int(c.Width())});
  out.push_back({L"Height", TVariant::Int(c.Height())});
  out.push_back({L"QuietZone", TVariant::Int(c.QuietZone())});
  out.push_back({L"ModuleWidth", TVariant::Int(c.ModuleWidth())});
  out.push_back({L"Resolution", TVariant::Int(c.Resolution())});
  out.push_back({L"QR_Level", TVariant::Int(static_cast<int>(c.QR_Level()))});
  out.push_back({L"QR_MinVersion", TVariant::Int(c.QR_MinVersion())});
  out.push_back({L"QR_Mask", TVariant::Int(c.QR_Mask())});
  out.push_back({L"DM_Shape", TVariant::Int(static_cast<int>(c.DM_Shape()))});
  out.push_back({L"DM_Rows", TVariant::Int(c.DM_Rows())});
  out.push_back({L"DM_Columns", TVariant::Int(c.DM_Columns())});
  out.push_back({L"GS1", TVariant::Bool(c.GS1())});
  return out;
}

void LoadState(TCustomBC& c,
               const std::function<bool(const wchar_t*, VARTYPE, TVariant&)>& lookup) {
  // Each property on its own: one bad value (or a PDF417 character the loaded mode refuses)
  // must not lose the others.
  auto apply = [&](const wchar_t* name, VARTYPE type, auto&& setter) {
    TVariant v;
    try {
      if (lookup(name, type, v)) setter(v);
    } catch (const std::exception&) {
    }
  };
  auto loadFont = [&](const std::wstring& prefix, const TFont& current, auto&& setFont) {
    TFont f;
    f.Assign(current);
    bool any = false;
    apply((prefix + L".Name").c_str(), VT_BSTR, [&](const TVariant& v) {
      f.SetName(ToText(v));
      any = true;
    });
    apply((prefix + L".Height").c_str(), VT_I4, [&](const TVariant& v) {
      f.SetHeight(static_cast<int>(ToLong(v)));
      any = true;
    });
    apply((prefix + L".Style").c_str(), VT_I4, [&](const TVariant& v) {
      f.SetStyle(static_cast<TFontStyles>(ToLong(v)));
      any = true;
    });
    apply((prefix + L".Charset").c_str(), VT_I4, [&](const TVariant& v) {
      f.SetCharset(static_cast<std::uint8_t>(ToLong(v)));
      any = true;
    });
    apply((prefix + L".Color").c_str(), VT_I4, [&](const TVariant& v) {
      f.SetColor(static_cast<TColor>(ToLong(v)));
      any = true;
    });
    if (any) setFont(f);
  };

  // Enumerations outside their range are skipped like any value that cannot be applied.
  auto inRange = [](const char* property, const TVariant& v, long first, long last) {
    const long n = ToLong(v);
    CheckRange(property, n, first, last);
    return n;
  };
  apply(L"PDF417_Mode", VT_I4, [&](const TVariant& v) {
    c.SetPDF417_Mode(static_cast<csPDF417UserMode>(
        inRange("PDF417_Mode", v, csPDF417_Alphanumeric, csPDF417_Numeric)));
  });
  apply(L"PDF417_SecurityLevel", VT_I4, [&](const TVariant& v) {
    c.SetPDF417_SecurityLevel(static_cast<csPDF417UserError>(
        inRange("PDF417_SecurityLevel", v, csPDF417_Level_0, csPDF417_Level_8)));
  });
  apply(L"PDF417_Truncate", VT_BOOL, [&](const TVariant& v) { c.SetPDF417_Truncate(ToBool(v)); });
  apply(L"TypeBar", VT_I4, [&](const TVariant& v) {
    c.SetTypeBar(static_cast<TTypeBar>(inRange("TypeBar", v, 0, kTypeBarCount - 1)));
  });
  apply(L"Text", VT_BSTR, [&](const TVariant& v) { c.SetText(ToText(v)); });
  apply(L"Angle", VT_I4, [&](const TVariant& v) {
    c.SetAngle(static_cast<TAngleType>(inRange("Angle", v, csHorizontal, csVerticalMirrored)));
  });
  apply(L"Display", VT_I4, [&](const TVariant& v) {
    c.SetDisplay(static_cast<TDisplayType>(inRange("Display", v, csOutputNone, csOutputBoth)));
  });
  apply(L"Transparent", VT_BOOL, [&](const TVariant& v) { c.SetTransparent(ToBool(v)); });
  apply(L"Color_Lines", VT_I4,
        [&](const TVariant& v) { c.SetColor_Lines(static_cast<TColor>(ToLong(v))); });
  apply(L"Color_Back", VT_I4,
        [&](const TVariant& v) { c.SetColor_Back(static_cast<TColor>(ToLong(v))); });
  apply(L"CompleteDraw", VT_BOOL, [&](const TVariant& v) { c.SetCompleteDraw(ToBool(v)); });
  apply(L"Visible", VT_BOOL, [&](const TVariant& v) { c.SetVisible(ToBool(v)); });
  apply(L"Enabled", VT_BOOL, [&](const TVariant& v) { c.SetEnabled(ToBool(v)); });
  loadFont(L"Font_Code", c.Font_Code(), [&](const TFont& f) { c.SetFont_Code(f); });
  loadFont(L"Font_Type", c.Font_Type(), [&](const TFont& f) { c.SetFont_Type(f); });
  apply(L"Ratio", VT_I4, [&](const TVariant& v) { c.SetRatio(static_cast<int>(ToLong(v))); });
  TVariant cx, cy;
  bool haveCx = false, haveCy = false;
  try {
    haveCx = lookup(L"_ExtentX", VT_I4, cx);
    haveCy = lookup(L"_ExtentY", VT_I4, cy);
    if (haveCx && haveCy) {
      const SIZE px = HimetricToPixels(SIZEL{ToLong(cx), ToLong(cy)});
      c.SetBounds(c.Left(), c.Top(), static_cast<int>(px.cx), static_cast<int>(px.cy));
    }
  } catch (const std::exception&) {
  }
  // Pixels, where saved, win over the extent: each on its own, as a page may give only one.
  apply(L"Width", VT_I4, [&](const TVariant& v) {
    c.SetBounds(c.Left(), c.Top(), static_cast<int>(inRange("Width", v, 1, kMaxControlSide)),
                c.Height());
  });
  apply(L"Height", VT_I4, [&](const TVariant& v) {
    c.SetBounds(c.Left(), c.Top(), c.Width(),
                static_cast<int>(inRange("Height", v, 1, kMaxControlSide)));
  });
  apply(L"QuietZone", VT_I4, [&](const TVariant& v) {
    c.SetQuietZone(static_cast<int>(inRange("QuietZone", v, 0, kMaxQuietZone)));
  });
  apply(L"ModuleWidth", VT_I4, [&](const TVariant& v) {
    c.SetModuleWidth(static_cast<int>(inRange("ModuleWidth", v, 0, kMaxModuleWidth)));
  });
  apply(L"Resolution", VT_I4, [&](const TVariant& v) {
    c.SetResolution(static_cast<int>(inRange("Resolution", v, 0, kMaxResolution)));
  });
  apply(L"QR_Level", VT_I4, [&](const TVariant& v) {
    c.SetQR_Level(static_cast<TQrLevel>(inRange("QR_Level", v, 0, 3)));
  });
  apply(L"QR_MinVersion", VT_I4, [&](const TVariant& v) {
    c.SetQR_MinVersion(static_cast<int>(inRange("QR_MinVersion", v, 0, kMaxQrVersion)));
  });
  apply(L"QR_Mask", VT_I4, [&](const TVariant& v) {
    c.SetQR_Mask(static_cast<int>(inRange("QR_Mask", v, -1, kMaxQrMask)));
  });
  apply(L"DM_Shape", VT_I4, [&](const TVariant& v) {
    c.SetDM_Shape(static_cast<TDmShape>(inRange("DM_Shape", v, 0, 2)));
  });
  apply(L"DM_Rows", VT_I4, [&](const TVariant& v) {
    c.SetDM_Rows(static_cast<int>(inRange("DM_Rows", v, 0, kMaxDmSide)));
  });
  apply(L"DM_Columns", VT_I4, [&](const TVariant& v) {
    c.SetDM_Columns(static_cast<int>(inRange("DM_Columns", v, 0, kMaxDmSide)));
  });
  apply(L"GS1", VT_BOOL, [&](const TVariant& v) { c.SetGS1(ToBool(v)); });
}

HRESULT WriteStateToStream(IStream* stream, const std::vector<TNamedValue>& values) {
  if (!stream) return E_POINTER;
  TStreamIO io(stream);
  WriteAll(io, values);
  return io.Result();
}

ULONG StreamSize(const std::vector<TNamedValue>& values) {
  TStreamIO io(nullptr);
  WriteAll(io, values);
  return io.Count();
}

HRESULT ReadStateFromStream(IStream* stream, std::vector<TNamedValue>& values) {
  if (!stream) return E_POINTER;
  TStreamIO io(stream);
  std::uint32_t magic = 0, version = 0, count = 0;
  if (!io.ReadValue(magic) || !io.ReadValue(version) || !io.ReadValue(count)) return io.Result();
  if (magic != kStreamMagic || version != kStreamVersion || count > kMaxValues) {
    return STG_E_INVALIDHEADER;
  }
  values.clear();
  for (std::uint32_t i = 0; i < count; ++i) {
    TNamedValue nv;
    std::uint16_t vt = 0;
    if (!io.ReadChars(nv.Name) || !io.ReadValue(vt)) return io.Result();
    VARIANT& v = *nv.Value.Get();
    switch (vt) {
      case VT_I4: {
        std::int32_t n = 0;
        if (!io.ReadValue(n)) return io.Result();
        V_VT(&v) = VT_I4;
        V_I4(&v) = n;
        break;
      }
      case VT_BOOL: {
        std::int16_t b = 0;
        if (!io.ReadValue(b)) return io.Result();
        V_VT(&v) = VT_BOOL;
        V_BOOL(&v) = b ? VARIANT_TRUE : VARIANT_FALSE;
        break;
      }
      case VT_BSTR: {
        std::wstring s;
        if (!io.ReadChars(s)) return io.Result();
        V_VT(&v) = VT_BSTR;
        V_BSTR(&v) = SysAllocStringLen(s.data(), static_cast<UINT>(s.size()));
        break;
      }
      case VT_EMPTY:
        break;
      default:
        return STG_E_INVALIDHEADER;
    }
    values.push_back(std::move(nv));
  }
  return S_OK;
}

}  // namespace brevix::activex
