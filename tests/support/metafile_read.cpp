#include "tests/support/metafile_read.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <variant>

#include "platform/codepage.h"

namespace brevix::test {

namespace {

class TReader {
 public:
  TReader(const std::uint8_t* data, std::size_t size) : FData(data), FSize(size) {}
  bool Has(std::size_t n) const { return FPos + n <= FSize; }
  std::uint8_t U8() { return Has(1) ? FData[FPos++] : Fail(); }
  std::uint16_t U16() {
    const std::uint16_t lo = U8();
    return static_cast<std::uint16_t>(lo | U8() << 8);
  }
  std::uint32_t U32() {
    const std::uint32_t lo = U16();
    return lo | std::uint32_t{U16()} << 16;
  }
  std::int16_t I16() { return static_cast<std::int16_t>(U16()); }
  std::int32_t I32() { return static_cast<std::int32_t>(U32()); }
  void Skip(std::size_t n) { FPos = std::min(FSize, FPos + n); }
  std::size_t Pos() const { return FPos; }
  bool Failed() const { return FFailed; }

 private:
  std::uint8_t Fail() {
    FFailed = true;
    return 0;
  }
  const std::uint8_t* FData;
  std::size_t FSize;
  std::size_t FPos = 0;
  bool FFailed = false;
};

void ParseWmf(const std::vector<std::uint8_t>& bytes, TParsedMetafile& out) {
  TReader r(bytes.data(), bytes.size());
  if (r.U32() != 0x9AC6CDD7) {
    out.Error = "no placeable header";
    return;
  }
  r.U16();
  const int left = r.I16(), top = r.I16(), right = r.I16(), bottom = r.I16();
  const int inch = r.U16();
  r.U32();
  std::uint16_t checksum = 0;
  for (std::size_t i = 0; i < 20; i += 2)
    checksum ^= static_cast<std::uint16_t>(bytes[i] | bytes[i + 1] << 8);
  if (r.U16() != checksum) out.Error = "placeable header checksum";
  if (inch <= 0) {
    out.Error = "zero units per inch";
    return;
  }
  out.Width = (right - left) * 96 / inch;
  out.Height = (bottom - top) * 96 / inch;
  const std::size_t start = r.Pos();
  const int type = r.U16(), headerWords = r.U16(), version = r.U16();
  const std::uint32_t sizeWords = r.U32();
  out.ObjectSlots = r.U16();
  const std::uint32_t maxRecord = r.U32();
  r.U16();
  if (type != 1 || headerWords != 9 || (version != 0x0300 && version != 0x0100)) {
    out.Error = "bad standard header";
  }
  if (start + std::size_t{sizeWords} * 2 != bytes.size() && out.Error.empty()) {
    out.Error = "size in header differs from the file's";
  }
  std::uint32_t largest = 0;
  bool sawEof = false;
  while (r.Has(6) && !sawEof) {
    const std::size_t at = r.Pos();
    const std::uint32_t words = r.U32();
    const std::uint16_t function = r.U16();
    if (words < 3 || at + std::size_t{words} * 2 > bytes.size()) {
      out.Error = "record size out of range";
      return;
    }
    largest = std::max(largest, words);
    TMetafileRecord rec;
    rec.Type = function;
    rec.Params.assign(bytes.begin() + static_cast<std::ptrdiff_t>(at + 6),
                      bytes.begin() + static_cast<std::ptrdiff_t>(at + std::size_t{words} * 2));
    r.Skip(std::size_t{words} * 2 - 6);
    sawEof = function == 0;
    out.Records.push_back(std::move(rec));
  }
  if (!sawEof && out.Error.empty()) out.Error = "no end-of-file record";
  if (r.Pos() != bytes.size() && out.Error.empty()) out.Error = "data after the end-of-file record";
  if (largest != maxRecord && out.Error.empty())
    out.Error = "largest record size in header is wrong";
}

void ParseEmf(const std::vector<std::uint8_t>& bytes, TParsedMetafile& out) {
  TReader r(bytes.data(), bytes.size());
  r.U32();
  const std::uint32_t headerSize = r.U32();
  r.Skip(16);  // bounds
  const int fl = r.I32(), ft = r.I32(), fr = r.I32(), fb = r.I32();
  if (r.U32() != 0x464D4520) out.Error = "no EMF signature";
  r.U32();
  const std::uint32_t totalBytes = r.U32();
  const std::uint32_t records = r.U32();
  out.ObjectSlots = r.U16();
  out.Width = ((fr - fl) * 96 + 1270) / 2540;
  out.Height = ((fb - ft) * 96 + 1270) / 2540;
  if (totalBytes != bytes.size() && out.Error.empty())
    out.Error = "size in header differs from the file's";
  std::size_t at = 0;
  bool sawEof = false;
  while (at + 8 <= bytes.size() && !sawEof) {
    TReader rec(bytes.data() + at, bytes.size() - at);
    const std::uint32_t type = rec.U32(), size = rec.U32();
    if (size < 8 || size % 4 || at + size > bytes.size()) {
      out.Error = "record size out of range";
      return;
    }
    if (at == 0 && (type != 1 || size != headerSize)) out.Error = "first record is not the header";
    TMetafileRecord m;
    m.Type = type;
    m.Params.assign(bytes.begin() + static_cast<std::ptrdiff_t>(at + 8),
                    bytes.begin() + static_cast<std::ptrdiff_t>(at + size));
    sawEof = type == 14;
    out.Records.push_back(std::move(m));
    at += size;
  }
  if (!sawEof && out.Error.empty()) out.Error = "no end-of-file record";
  if (at != bytes.size() && out.Error.empty()) out.Error = "data after the end-of-file record";
  if (out.Records.size() != records && out.Error.empty())
    out.Error = "record count in header is wrong";
}

// Objects of the replay's table.
struct TPenObj {
  TPen Pen;
};
struct TBrushObj {
  TBrush Brush;
};
struct TFontObj {
  std::string Name;
  int Height = 0, Escapement = 0;
  TFontStyles Style = 0;
  std::uint8_t Charset = 0;
};
using TObject = std::variant<TPenObj, TBrushObj, TFontObj>;

TPenStyle PenStyleOf(std::uint32_t code) {
  return code <= 5 ? static_cast<TPenStyle>(code) : psSolid;
}

TFontObj ReadFont(TReader& r, bool wide) {
  TFontObj f;
  f.Height = wide ? r.I32() : r.I16();
  wide ? r.I32() : r.I16();  // width
  f.Escapement = wide ? r.I32() : r.I16();
  wide ? r.I32() : r.I16();  // orientation
  const int weight = wide ? r.I32() : r.I16();
  if (weight >= 600) f.Style |= fsBold;
  if (r.U8()) f.Style |= fsItalic;
  if (r.U8()) f.Style |= fsUnderline;
  if (r.U8()) f.Style |= fsStrikeOut;
  f.Charset = r.U8();
  r.Skip(4);
  for (int i = 0; i < 32; ++i) {
    const unsigned c = wide ? r.U16() : r.U8();
    if (c == 0 || r.Failed()) break;
    // Face names here are ASCII.
    f.Name += static_cast<char>(c);
  }
  return f;
}

}  // namespace

TParsedMetafile ParseMetafile(const std::vector<std::uint8_t>& bytes) {
  TParsedMetafile out;
  if (bytes.size() < 4) {
    out.Error = "too short";
    return out;
  }
  const std::uint32_t first =
      bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
  out.Enhanced = first == 1;
  if (out.Enhanced) {
    ParseEmf(bytes, out);
  } else {
    ParseWmf(bytes, out);
  }
  return out;
}

TParsedMetafile ParseMetafile(const std::string& bytes) {
  return ParseMetafile(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
}

std::string ReplayMetafile(const TParsedMetafile& file, TCanvas& canvas) {
  const bool emf = file.Enhanced;
  std::map<std::uint32_t, TObject> objects;
  std::vector<bool> wmfUsed;
  TPen pen;
  TBrush brush;
  TFontObj font;
  TColor textColor = clBlack, backColor = clWhite;
  TBkMode bkMode = bkOpaque;
  unsigned align = 0;
  TPoint current;
  const auto create = [&](std::uint32_t slot, TObject obj) { objects[slot] = std::move(obj); };
  const auto wmfSlot = [&]() {
    std::size_t i = 0;
    while (i < wmfUsed.size() && wmfUsed[i]) ++i;
    if (i == wmfUsed.size()) wmfUsed.push_back(false);
    wmfUsed[i] = true;
    return static_cast<std::uint32_t>(i);
  };
  const auto applyState = [&]() {
    canvas.Pen = pen;
    canvas.Brush = brush;
  };

  for (const TMetafileRecord& rec : file.Records) {
    TReader r(rec.Params.data(), rec.Params.size());
    const std::uint32_t t = rec.Type;
    if (emf ? t == 38 : t == 0x02FA) {  // create pen
      const std::uint32_t slot = emf ? r.U32() : wmfSlot();
      TPen p;
      p.Style = PenStyleOf(emf ? r.U32() : r.U16());
      p.Width = emf ? r.I32() : r.I16();
      emf ? r.I32() : r.I16();
      p.Color = r.U32();
      create(slot, TPenObj{p});
    } else if (emf ? t == 39 : t == 0x02FC) {  // create brush
      const std::uint32_t slot = emf ? r.U32() : wmfSlot();
      TBrush b;
      b.Style = (emf ? r.U32() : r.U16()) == 1 ? bsClear : bsSolid;
      b.Color = r.U32();
      create(slot, TBrushObj{b});
    } else if (emf ? t == 82 : t == 0x02FB) {  // create font
      const std::uint32_t slot = emf ? r.U32() : wmfSlot();
      create(slot, ReadFont(r, emf));
    } else if (emf ? t == 37 : t == 0x012D) {  // select
      const std::uint32_t slot = emf ? r.U32() : r.U16();
      if (emf && slot == 0x80000008) {  // stock null pen
        pen.Style = psClear;
        continue;
      }
      if (emf && slot == 0x80000005) {  // stock null brush
        brush.Style = bsClear;
        continue;
      }
      const auto it = objects.find(slot);
      if (it == objects.end()) return "select of an unknown object " + std::to_string(slot);
      if (auto* p = std::get_if<TPenObj>(&it->second)) pen = p->Pen;
      if (auto* b = std::get_if<TBrushObj>(&it->second)) brush = b->Brush;
      if (auto* f = std::get_if<TFontObj>(&it->second)) font = *f;
    } else if (emf ? t == 40 : t == 0x01F0) {  // delete
      const std::uint32_t slot = emf ? r.U32() : r.U16();
      if (!objects.erase(slot)) return "delete of an unknown object " + std::to_string(slot);
      if (!emf) wmfUsed[slot] = false;
    } else if (emf ? t == 22 : t == 0x012E) {
      align = emf ? r.U32() : r.U16();
    } else if (emf ? t == 18 : t == 0x0102) {
      bkMode = static_cast<TBkMode>(emf ? r.U32() : r.U16());
    } else if (emf ? t == 24 : t == 0x0209) {
      textColor = r.U32();
    } else if (emf ? t == 25 : t == 0x0201) {
      backColor = r.U32();
    } else if (emf ? (t == 86 || t == 3) : t == 0x0324) {  // polygon
      std::vector<TPoint> points;
      if (emf) {
        r.Skip(16);
        const std::uint32_t n = r.U32();
        for (std::uint32_t i = 0; i < n && !r.Failed(); ++i) {
          const int x = t == 86 ? r.I16() : r.I32();
          const int y = t == 86 ? r.I16() : r.I32();
          points.push_back({x, y});
        }
      } else {
        const int n = r.I16();
        for (int i = 0; i < n && !r.Failed(); ++i) {
          const int x = r.I16();
          points.push_back({x, r.I16()});
        }
      }
      applyState();
      canvas.Polygon(points);
    } else if (emf ? t == 27 : t == 0x0214) {  // move to
      if (emf) {
        current.X = r.I32();
        current.Y = r.I32();
      } else {
        current.Y = r.I16();
        current.X = r.I16();
      }
    } else if (emf ? t == 54 : t == 0x0213) {  // line to
      TPoint to;
      if (emf) {
        to.X = r.I32();
        to.Y = r.I32();
      } else {
        to.Y = r.I16();
        to.X = r.I16();
      }
      applyState();
      canvas.Line(current.X, current.Y, to.X, to.Y);
      current = to;
    } else if (emf ? t == 84 : t == 0x0A32) {  // text
      int x = 0, y = 0;
      std::string text;
      const int codePage = CodePageOfCharset(font.Charset);
      if (emf) {
        r.Skip(16 + 12);
        x = r.I32();
        y = r.I32();
        const std::uint32_t n = r.U32(), offString = r.U32();
        TReader s(rec.Params.data(), rec.Params.size());
        s.Skip(offString - 8);
        for (std::uint32_t i = 0; i < n && !s.Failed(); ++i) {
          const char16_t c = s.U16();
          char byte = '?';
          for (int b = 0; b < 256; ++b) {
            if (CodePageToUnicode(codePage, static_cast<char>(b)) == c) {
              byte = static_cast<char>(b);
              break;
            }
          }
          text += byte;
        }
      } else {
        y = r.I16();
        x = r.I16();
        const int n = r.I16();
        const unsigned options = r.U16();
        if (options & 6) r.Skip(8);
        for (int i = 0; i < n && !r.Failed(); ++i) text += static_cast<char>(r.U8());
      }
      applyState();
      canvas.Brush.Color = backColor;
      canvas.Font.SetName(font.Name);
      canvas.Font.SetHeight(font.Height);
      canvas.Font.SetEscapement(font.Escapement);
      canvas.Font.SetStyle(font.Style);
      canvas.Font.SetCharset(font.Charset);
      canvas.Font.SetColor(textColor);
      canvas.TextAlign = align;
      canvas.BkMode = bkMode;
      canvas.TextOut(x, y, text);
    }
    if (r.Failed()) return "record " + std::to_string(t) + " is too short";
  }
  return {};
}

}  // namespace brevix::test
