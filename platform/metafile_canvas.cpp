#include "platform/metafile_canvas.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cstring>
#include <limits>
#include <optional>
#include <string>

#include "platform/codepage.h"

namespace brevix {

namespace {

// Record functions of the Windows metafile.
enum TWmfFunction : std::uint16_t {
  kWmfEof = 0x0000,
  kWmfSetBkColor = 0x0201,
  kWmfSetBkMode = 0x0102,
  kWmfSetMapMode = 0x0103,
  kWmfSetRop2 = 0x0104,
  kWmfSetTextColor = 0x0209,
  kWmfSetWindowOrg = 0x020B,
  kWmfSetWindowExt = 0x020C,
  kWmfLineTo = 0x0213,
  kWmfMoveTo = 0x0214,
  kWmfSetTextAlign = 0x012E,
  kWmfSelectObject = 0x012D,
  kWmfDeleteObject = 0x01F0,
  kWmfPolygon = 0x0324,
  kWmfCreatePenIndirect = 0x02FA,
  kWmfCreateFontIndirect = 0x02FB,
  kWmfCreateBrushIndirect = 0x02FC,
  kWmfExtTextOut = 0x0A32,
};

// Record types of the enhanced metafile.
enum TEmfType : std::uint32_t {
  kEmrHeader = 1,
  kEmrPolygon = 3,
  kEmrEof = 14,
  kEmrSetBkMode = 18,
  kEmrSetRop2 = 20,
  kEmrSetTextAlign = 22,
  kEmrSetTextColor = 24,
  kEmrSetBkColor = 25,
  kEmrMoveToEx = 27,
  kEmrSelectObject = 37,
  kEmrCreatePen = 38,
  kEmrCreateBrushIndirect = 39,
  kEmrDeleteObject = 40,
  kEmrLineTo = 54,
  kEmrExtCreateFontIndirectW = 82,
  kEmrExtTextOutW = 84,
  kEmrPolygon16 = 86,
};

constexpr std::uint32_t kStockObject = 0x80000000;
constexpr std::uint32_t kNullBrush = 5, kNullPen = 8;
constexpr std::uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr std::uint32_t kEmfSignature = 0x464D4520;  // " EMF"
constexpr std::size_t kEmfHeaderSize = 108;
constexpr int kMmAnisotropic = 8;
constexpr std::uint32_t kEtoClipped = 4;
constexpr std::uint32_t kGmCompatible = 1;
constexpr int kFwNormal = 400, kFwBold = 700;
constexpr std::uint8_t kOutTtOnlyPrecis = 7, kProofQuality = 2, kVariablePitch = 2;
constexpr int kFaceNameChars = 32;

// The screen every metafile is recorded against: 96 pixels per inch.
constexpr int kDeviceWidth = 1920, kDeviceHeight = 1080;
constexpr int HundredthsOfMm(int pixels) {
  return pixels * 2540 / kPixelsPerInch;
}

std::uint16_t PenStyleCode(TPenStyle s) {
  return static_cast<std::uint16_t>(s);  // PS_SOLID .. PS_DASHDOTDOT, PS_NULL share the order
}
std::uint16_t Rop2Code(TPenMode m) {
  switch (m) {
    case pmNot:
      return 6;  // R2_NOT
    case pmXor:
      return 7;  // R2_XORPEN
    case pmCopy:
      break;
  }
  return 13;  // R2_COPYPEN
}

std::int16_t Clamp16(int v) {
  return static_cast<std::int16_t>(std::clamp(v, -32768, 32767));
}

// The font attributes a metafile font record carries.
struct TFontKey {
  std::string Name;
  int Height = 0;
  int Escapement = 0;
  TFontStyles Style = 0;
  std::uint8_t Charset = 0;
  friend bool operator==(const TFontKey&, const TFontKey&) = default;
};

}  // namespace

// Writes records of either kind and keeps the object table: each pen, brush and font is created
// when the drawing first needs it, selected, and the one it replaces deleted.
class TMetafileCanvas::TRecorder {
 public:
  TRecorder(TMetafileKind kind, int width, int height)
      : FKind(kind), FWidth(width), FHeight(height) {
    if (kind == TMetafileKind::Wmf) {
      WritePlaceableHeader();
      Begin(kWmfSetMapMode);
      U16(kMmAnisotropic);
      End();
      Begin(kWmfSetWindowOrg);
      I16(0);
      I16(0);
      End();
      Begin(kWmfSetWindowExt);
      I16(Clamp16(height));
      I16(Clamp16(width));
      End();
    } else {
      FOut.assign(kEmfHeaderSize, std::uint8_t{0});
      ++FRecords;
    }
  }

  bool Wmf() const { return FKind == TMetafileKind::Wmf; }

  // --- Drawing state --------------------------------------------------------------------------
  void Pen(const TPen& pen) {
    if (FPen && FPen->Style == pen.Style &&
        (pen.Style == psClear || (FPen->Color == pen.Color && FPen->Width == pen.Width))) {
      return;
    }
    if (!Wmf() && pen.Style == psClear) {
      // EMF players honour the stock null pen more reliably than a created one.
      SelectStock(kNullPen, FPenSlot);
      FPen = pen;
      return;
    }
    const int slot = Allocate();
    if (Wmf()) {
      Begin(kWmfCreatePenIndirect);
      U16(PenStyleCode(pen.Style));
      I16(Clamp16(pen.Width));
      I16(0);
      U32(pen.Color & 0xFFFFFF);
    } else {
      Begin(kEmrCreatePen);
      U32(static_cast<std::uint32_t>(slot));
      U32(PenStyleCode(pen.Style));
      I32(pen.Width);
      I32(0);
      U32(pen.Color & 0xFFFFFF);
    }
    End();
    Replace(FPenSlot, slot);
    FPen = pen;
  }

  void Rop2(TPenMode mode) {
    if (FRop2 == mode) return;
    Begin(kWmfSetRop2, kEmrSetRop2);
    Word(Rop2Code(mode));
    End();
    FRop2 = mode;
  }

  void Brush(const TBrush& brush) {
    if (FBrush && FBrush->Style == brush.Style &&
        (brush.Style == bsClear || FBrush->Color == brush.Color)) {
      return;
    }
    if (!Wmf() && brush.Style == bsClear) {
      SelectStock(kNullBrush, FBrushSlot);
      FBrush = brush;
      return;
    }
    const int slot = Allocate();
    const std::uint32_t style = brush.Style == bsClear ? 1 : 0;  // BS_NULL : BS_SOLID
    if (Wmf()) {
      Begin(kWmfCreateBrushIndirect);
      U16(static_cast<std::uint16_t>(style));
      U32(brush.Color & 0xFFFFFF);
      U16(0);
    } else {
      Begin(kEmrCreateBrushIndirect);
      U32(static_cast<std::uint32_t>(slot));
      U32(style);
      U32(brush.Color & 0xFFFFFF);
      U32(0);
    }
    End();
    Replace(FBrushSlot, slot);
    FBrush = brush;
  }

  void Font(const TFont& font) {
    TFontKey key{font.Name(), font.Height(), font.Escapement(), font.Style(), font.Charset()};
    if (FFont == key) return;
    const int slot = Allocate();
    const std::uint8_t bold = (key.Style & fsBold) != 0;
    const auto flag = [&key](TFontStyle s) -> std::uint8_t { return (key.Style & s) ? 1 : 0; };
    if (Wmf()) {
      Begin(kWmfCreateFontIndirect);
      I16(Clamp16(key.Height));
      I16(0);
      I16(Clamp16(key.Escapement));
      I16(0);
      I16(static_cast<std::int16_t>(bold ? kFwBold : kFwNormal));
    } else {
      Begin(kEmrExtCreateFontIndirectW);
      U32(static_cast<std::uint32_t>(slot));
      I32(key.Height);
      I32(0);
      I32(key.Escapement);
      I32(0);
      I32(bold ? kFwBold : kFwNormal);
    }
    U8(flag(fsItalic));
    U8(flag(fsUnderline));
    U8(flag(fsStrikeOut));
    U8(key.Charset);
    U8(kOutTtOnlyPrecis);
    U8(0);
    U8(kProofQuality);
    U8(kVariablePitch);
    // Face names are kept as 8-bit text in the font's code page; a name of 32 characters or more
    // is cut to 31 and terminated, as the platform's record holds 32.
    const std::string_view name = std::string_view(key.Name).substr(0, kFaceNameChars - 1);
    if (Wmf()) {
      for (const char c : name) U8(static_cast<std::uint8_t>(c));
      for (std::size_t i = name.size(); i < kFaceNameChars; ++i) U8(0);
    } else {
      const std::u16string wide = CodePageToUtf16(CodePageOfCharset(key.Charset), name);
      for (const char16_t c : wide) U16(c);
      for (std::size_t i = wide.size(); i < kFaceNameChars; ++i) U16(0);
    }
    End();
    Replace(FFontSlot, slot);
    FFont = key;
  }

  void TextAlign(unsigned align) {
    if (FAlign == align) return;
    Begin(kWmfSetTextAlign, kEmrSetTextAlign);
    Word(align);
    End();
    FAlign = align;
  }
  void BkMode(TBkMode mode) {
    if (FBkMode == mode) return;
    Begin(kWmfSetBkMode, kEmrSetBkMode);
    Word(mode);
    End();
    FBkMode = mode;
  }
  void TextColor(TColor c) {
    c &= 0xFFFFFF;
    if (FTextColor == c) return;
    Begin(kWmfSetTextColor, kEmrSetTextColor);
    U32(c);
    End();
    FTextColor = c;
  }
  void BkColor(TColor c) {
    c &= 0xFFFFFF;
    if (FBkColor == c) return;
    Begin(kWmfSetBkColor, kEmrSetBkColor);
    U32(c);
    End();
    FBkColor = c;
  }

  // --- Drawing --------------------------------------------------------------------------------
  void Polygon(std::span<const TPoint> points) {
    if (Wmf()) {
      // One record holds at most as many points as its 16-bit count allows.
      const std::size_t n = std::min<std::size_t>(points.size(), 32767);
      Begin(kWmfPolygon);
      I16(static_cast<std::int16_t>(n));
      for (std::size_t i = 0; i < n; ++i) {
        I16(Clamp16(points[i].X));
        I16(Clamp16(points[i].Y));
      }
      End();
      return;
    }
    const bool small = std::all_of(points.begin(), points.end(), [](const TPoint& p) {
      return p.X >= -32768 && p.X <= 32767 && p.Y >= -32768 && p.Y <= 32767;
    });
    Begin(small ? kEmrPolygon16 : kEmrPolygon);
    Bounds(points);
    U32(static_cast<std::uint32_t>(points.size()));
    for (const TPoint& p : points) {
      if (small) {
        I16(static_cast<std::int16_t>(p.X));
        I16(static_cast<std::int16_t>(p.Y));
      } else {
        I32(p.X);
        I32(p.Y);
      }
    }
    End();
  }

  void Line(int x1, int y1, int x2, int y2) {
    if (Wmf()) {
      Begin(kWmfMoveTo);
      I16(Clamp16(y1));
      I16(Clamp16(x1));
      End();
      Begin(kWmfLineTo);
      I16(Clamp16(y2));
      I16(Clamp16(x2));
      End();
    } else {
      Begin(kEmrMoveToEx);
      I32(x1);
      I32(y1);
      End();
      Begin(kEmrLineTo);
      I32(x2);
      I32(y2);
      End();
    }
  }

  // text is 8-bit in codePage; advances are the reference device's character widths.
  void Text(int x, int y, std::string_view text, int codePage, const std::vector<int>& advances,
            const TRect* clip, const TRect& bounds) {
    const std::uint32_t options = clip ? kEtoClipped : 0;
    if (Wmf()) {
      const std::size_t n = std::min<std::size_t>(text.size(), 32767);
      Begin(kWmfExtTextOut);
      I16(Clamp16(y));
      I16(Clamp16(x));
      I16(static_cast<std::int16_t>(n));
      U16(static_cast<std::uint16_t>(options));
      if (clip) {
        I16(Clamp16(clip->Left));
        I16(Clamp16(clip->Top));
        I16(Clamp16(clip->Right));
        I16(Clamp16(clip->Bottom));
      }
      for (std::size_t i = 0; i < n; ++i) U8(static_cast<std::uint8_t>(text[i]));
      if (n % 2) U8(0);
      for (std::size_t i = 0; i < n; ++i) I16(Clamp16(advances[i]));
      End();
      return;
    }
    const std::u16string wide = CodePageToUtf16(codePage, text);
    constexpr std::uint32_t kStringOffset = 76;
    const std::uint32_t stringBytes = static_cast<std::uint32_t>((wide.size() * 2 + 3) & ~3u);
    Begin(kEmrExtTextOutW);
    I32(bounds.Left);
    I32(bounds.Top);
    I32(bounds.Right - 1);
    I32(bounds.Bottom - 1);
    U32(kGmCompatible);
    F32(1.0f);
    F32(1.0f);
    I32(x);
    I32(y);
    U32(static_cast<std::uint32_t>(wide.size()));
    U32(kStringOffset);
    U32(options);
    const TRect r = clip ? *clip : TRect{};
    I32(r.Left);
    I32(r.Top);
    I32(r.Right);
    I32(r.Bottom);
    U32(kStringOffset + stringBytes);
    for (const char16_t c : wide) U16(c);
    if (wide.size() % 2) U16(0);
    for (const int a : advances) I32(a);
    End();
  }

  std::vector<std::uint8_t> Finish() {
    if (Wmf()) {
      Begin(kWmfEof);
      End();
      constexpr std::size_t kHeader = 22;  // placeable header before the standard one
      PutU32(kHeader + 6, static_cast<std::uint32_t>((FOut.size() - kHeader) / 2));
      PutU16(kHeader + 10, static_cast<std::uint16_t>(FMaxSlots));
      PutU32(kHeader + 12, FMaxRecordWords);
    } else {
      Begin(kEmrEof);
      U32(0);   // palette entries
      U32(16);  // their offset
      U32(20);  // this record's size, repeated at its end
      End();
      WriteEmfHeader();
    }
    return std::move(FOut);
  }

 private:
  // --- Object table ---------------------------------------------------------------------------
  // The lowest free index, as the platform's WMF player assigns them; EMF index 0 is the
  // metafile itself.
  int Allocate() {
    const std::size_t first = Wmf() ? 0 : 1;
    if (FUsed.size() < first) FUsed.resize(first, true);
    std::size_t i = first;
    while (i < FUsed.size() && FUsed[i]) ++i;
    if (i == FUsed.size()) FUsed.push_back(false);
    FUsed[i] = true;
    FMaxSlots = std::max(FMaxSlots, static_cast<int>(FUsed.size()));
    return static_cast<int>(i);
  }
  // Selects the new object, then deletes the one it replaces (never a selected one).
  void Replace(int& current, int slot) {
    Begin(kWmfSelectObject, kEmrSelectObject);
    Word(static_cast<unsigned>(slot));
    End();
    if (current >= 0) {
      Begin(kWmfDeleteObject, kEmrDeleteObject);
      Word(static_cast<unsigned>(current));
      End();
      FUsed[static_cast<std::size_t>(current)] = false;
    }
    current = slot;
  }

  // Selects a stock object (EMF only) and deletes the created one it replaces.
  void SelectStock(std::uint32_t stock, int& current) {
    Begin(kEmrSelectObject);
    U32(kStockObject | stock);
    End();
    if (current >= 0) {
      Begin(kEmrDeleteObject);
      U32(static_cast<std::uint32_t>(current));
      End();
      FUsed[static_cast<std::size_t>(current)] = false;
    }
    current = -1;
  }

  // --- Records --------------------------------------------------------------------------------
  void Begin(std::uint32_t function) {
    FRecordStart = FOut.size();
    ++FRecords;
    if (Wmf()) {
      U32(0);
      U16(static_cast<std::uint16_t>(function));
    } else {
      U32(function);
      U32(0);
    }
  }
  void Begin(TWmfFunction wmf, TEmfType emf) {
    Begin(Wmf() ? std::uint32_t{wmf} : std::uint32_t{emf});
  }
  void End() {
    const std::size_t align = Wmf() ? 2 : 4;
    while (FOut.size() % align) U8(0);
    const std::size_t size = FOut.size() - FRecordStart;
    if (Wmf()) {
      const auto words = static_cast<std::uint32_t>(size / 2);
      PutU32(FRecordStart, words);
      FMaxRecordWords = std::max(FMaxRecordWords, words);
    } else {
      PutU32(FRecordStart + 4, static_cast<std::uint32_t>(size));
    }
  }
  // A 16-bit parameter in a WMF record, 32-bit in an EMF one.
  void Word(unsigned v) {
    if (Wmf()) {
      U16(static_cast<std::uint16_t>(v));
    } else {
      U32(v);
    }
  }
  void Bounds(std::span<const TPoint> points) {
    int l = std::numeric_limits<int>::max(), t = l, r = std::numeric_limits<int>::min(), b = r;
    for (const TPoint& p : points) {
      l = std::min(l, p.X);
      t = std::min(t, p.Y);
      r = std::max(r, p.X);
      b = std::max(b, p.Y);
    }
    if (points.empty()) l = t = r = b = 0;
    I32(l);
    I32(t);
    I32(r);
    I32(b);
  }

  void WritePlaceableHeader() {
    U32(kPlaceableKey);
    U16(0);  // handle, always 0 on disk
    I16(0);
    I16(0);
    I16(Clamp16(FWidth));
    I16(Clamp16(FHeight));
    U16(static_cast<std::uint16_t>(kPixelsPerInch));
    U32(0);
    std::uint16_t checksum = 0;
    for (std::size_t i = 0; i < 20; i += 2) {
      checksum ^= static_cast<std::uint16_t>(FOut[i] | FOut[i + 1] << 8);
    }
    U16(checksum);
    // Standard header: in memory, 9 words, version 3.0; size, object count and largest record
    // are filled in by Finish.
    U16(1);
    U16(9);
    U16(0x0300);
    U32(0);
    U16(0);
    U32(0);
    U16(0);
  }

  void WriteEmfHeader() {
    const std::size_t end = FOut.size();  // the header's space was reserved up front
    std::size_t at = 0;
    const auto put32 = [this, &at](std::uint32_t v) {
      PutU32(at, v);
      at += 4;
    };
    const auto puti = [&put32](int v) { put32(static_cast<std::uint32_t>(v)); };
    put32(kEmrHeader);
    put32(static_cast<std::uint32_t>(kEmfHeaderSize));
    puti(0);  // bounds: the whole picture, inclusive
    puti(0);
    puti(FWidth - 1);
    puti(FHeight - 1);
    puti(0);  // frame: the picture's size in hundredths of a millimetre
    puti(0);
    puti(HundredthsOfMm(FWidth));
    puti(HundredthsOfMm(FHeight));
    put32(kEmfSignature);
    put32(0x10000);
    put32(static_cast<std::uint32_t>(end));
    put32(FRecords);
    PutU16(at, static_cast<std::uint16_t>(std::max(FMaxSlots, 1)));
    PutU16(at + 2, 0);
    at += 4;
    put32(0);  // no description
    put32(0);
    put32(0);  // no palette
    puti(kDeviceWidth);
    puti(kDeviceHeight);
    puti(HundredthsOfMm(kDeviceWidth) / 100);
    puti((HundredthsOfMm(kDeviceHeight) + 50) / 100);
    put32(0);  // no pixel format
    put32(0);
    put32(0);  // not OpenGL
    puti(HundredthsOfMm(kDeviceWidth) * 10);
    puti(HundredthsOfMm(kDeviceHeight) * 10);
    assert(at == kEmfHeaderSize);
  }

  void U8(std::uint8_t v) { FOut.push_back(v); }
  void U16(std::uint16_t v) {
    FOut.push_back(static_cast<std::uint8_t>(v));
    FOut.push_back(static_cast<std::uint8_t>(v >> 8));
  }
  void U32(std::uint32_t v) {
    U16(static_cast<std::uint16_t>(v));
    U16(static_cast<std::uint16_t>(v >> 16));
  }
  void I16(std::int16_t v) { U16(static_cast<std::uint16_t>(v)); }
  void I32(int v) { U32(static_cast<std::uint32_t>(v)); }
  void F32(float v) {
    std::uint32_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    U32(bits);
  }
  void PutU16(std::size_t at, std::uint16_t v) {
    FOut[at] = static_cast<std::uint8_t>(v);
    FOut[at + 1] = static_cast<std::uint8_t>(v >> 8);
  }
  void PutU32(std::size_t at, std::uint32_t v) {
    PutU16(at, static_cast<std::uint16_t>(v));
    PutU16(at + 2, static_cast<std::uint16_t>(v >> 16));
  }

  TMetafileKind FKind;
  int FWidth;
  int FHeight;
  std::vector<std::uint8_t> FOut;
  std::size_t FRecordStart = 0;
  std::uint32_t FRecords = 0;
  std::uint32_t FMaxRecordWords = 3;
  std::vector<bool> FUsed;
  int FMaxSlots = 0;
  int FPenSlot = -1, FBrushSlot = -1, FFontSlot = -1;
  std::optional<TPen> FPen;
  std::optional<TBrush> FBrush;
  std::optional<TFontKey> FFont;
  std::optional<TPenMode> FRop2;
  std::optional<unsigned> FAlign;
  std::optional<TBkMode> FBkMode;
  std::optional<TColor> FTextColor, FBkColor;
};

TMetafileCanvas::TMetafileCanvas(int width, int height, TMetafileKind kind, TCanvas& reference)
    : FWidth(std::max(width, 0)),
      FHeight(std::max(height, 0)),
      FKind(kind),
      FReference(reference),
      FRecorder(std::make_unique<TRecorder>(kind, FWidth, FHeight)) {}

TMetafileCanvas::~TMetafileCanvas() = default;

void TMetafileCanvas::Polygon(std::span<const TPoint> points) {
  if (!FRecorder || points.size() < 2) return;
  FRecorder->Pen(Pen);
  FRecorder->Rop2(Pen.Mode);
  FRecorder->Brush(Brush);
  FRecorder->Polygon(points);
}

void TMetafileCanvas::FillRect(const TRect& r) {
  if (!FRecorder || r.Right <= r.Left || r.Bottom <= r.Top) return;
  // A polygon without outline fills exactly [Left, Right) x [Top, Bottom).
  TPen none = Pen;
  none.Style = psClear;
  FRecorder->Pen(none);
  FRecorder->Brush(Brush);
  const TPoint corners[] = {
      {r.Left, r.Top}, {r.Right, r.Top}, {r.Right, r.Bottom}, {r.Left, r.Bottom}};
  FRecorder->Polygon(corners);
}

void TMetafileCanvas::Line(int x1, int y1, int x2, int y2) {
  if (!FRecorder) return;
  FRecorder->Pen(Pen);
  FRecorder->Rop2(Pen.Mode);
  FRecorder->Line(x1, y1, x2, y2);
}

TSize TMetafileCanvas::TextExtent(std::string_view text) {
  FReference.Font.Assign(Font);
  FReference.Font.SetEscapement(0);
  return FReference.TextExtent(text);
}

void TMetafileCanvas::Text(int x, int y, std::string_view text, unsigned align, const TRect* clip) {
  if (!FRecorder || text.empty()) return;
  FReference.Font.Assign(Font);
  FReference.Font.SetEscapement(0);
  // Advances from the reference device place every character where the screen would. The
  // screen measures a text as the sum of its characters' advances, so each byte value is
  // measured once (measuring every prefix took time quadratic in the text's length: hours for a
  // text of a megabyte).
  std::array<int, 256> width;
  width.fill(-1);
  std::vector<int> advances;
  advances.reserve(text.size());
  for (const char c : text) {
    int& w = width[static_cast<unsigned char>(c)];
    if (w < 0) w = FReference.TextWidth(std::string_view(&c, 1));
    advances.push_back(w);
  }
  const TSize extent = FReference.TextExtent(text);
  TRect bounds{x, y, x + extent.cx, y + extent.cy};
  if (clip) bounds = *clip;
  FRecorder->Font(Font);
  FRecorder->TextAlign(align);
  FRecorder->BkMode(BkMode);
  FRecorder->TextColor(Font.Color());
  FRecorder->BkColor(Brush.Color);
  FRecorder->Text(x, y, text, CodePageOfCharset(Font.Charset()), advances, clip, bounds);
}

void TMetafileCanvas::TextOut(int x, int y, std::string_view text) {
  Text(x, y, text, TextAlign, nullptr);
}

void TMetafileCanvas::DrawTextCentered(const TRect& r, std::string_view text) {
  const int lineHeight = TextHeight("Wg");
  const int centre = (r.Left + r.Right) / 2;
  int y = r.Top;
  for (const std::string& line : WrapLines(r.Width(), text)) {
    if (y >= r.Bottom) break;
    Text(centre, y, line, kTaCenter | kTaTop, &r);
    y += lineHeight;
  }
}

std::vector<std::uint8_t> TMetafileCanvas::Finish() {
  if (!FRecorder) return {};
  std::vector<std::uint8_t> bytes = FRecorder->Finish();
  FRecorder.reset();
  return bytes;
}

}  // namespace brevix
