#include "encode/build_symbol.h"

#include <algorithm>
#include <cstddef>
#include <vector>

#include "core/catalogue.h"
#include "core/gs1.h"
#include "core/pattern.h"
#include "core/symbologies.h"
#include "core/validation.h"
#include "encode/matrix_text.h"
#include "encoders/dispatch.h"
#include "encoders/ean_upc.h"
#include "pdf417/pdf417.h"

namespace brevix {

namespace {

// Nominal bar heights in modules: EAN/UPC 22.85 mm and EAN-8 18.23 mm at the 0.33 mm module,
// PostNet's 0.125" tall bar at its 1/44" module pitch, PDF417's minimum row of three modules.
constexpr int kEan13Height = 69;
constexpr int kEan8Height = 55;
constexpr int kPostNetHeight = 6;
constexpr int kPDF417RowHeight = 3;
// Other linear symbols: at least 50 modules, and at least 15 % of their length.
constexpr int kLinearMinHeight = 50;
constexpr int kLinearHeightPercent = 15;

// EAN/UPC digits printed outside the bars take the room of one digit beside the guards.
constexpr int kOuterDigitRoom = 7;

int DefaultHeight(TTypeBar t, int width) {
  switch (DescriptorOf(t).Height) {
    case THeightRule::EAN8:
      return kEan8Height;
    case THeightRule::EAN13:
      return kEan13Height;
    case THeightRule::PostNet:
      return kPostNetHeight;
    case THeightRule::Matrix:
      return 1;  // per row
    case THeightRule::Linear:
      break;
  }
  return std::max(kLinearMinHeight, (width * kLinearHeightPercent + 99) / 100);
}

// Characters from..to, 1-based and inclusive, of s; whatever of them s holds.
std::string Chars(std::string_view s, std::size_t from, std::size_t to) {
  if (from < 1 || from > s.size() || to < from) return {};
  return std::string(s.substr(from - 1, std::min(to, s.size()) - from + 1));
}

std::string WithoutControlChars(std::string_view text) {
  std::string out;
  for (char c : text)
    if (static_cast<unsigned char>(c) >= 32) out += c;
  return out;
}

TSymbolError ErrorOf(TLastError code, int position, std::string message) {
  return TSymbolError{code, position, std::move(message)};
}

// The first character of typed that completion replaced, as an erMustBe error naming the
// character it must be; erOK when completion only added characters. UPC-E typed without its
// number system gets one in front, so the typed digits are compared one place on.
TSymbolError WrongCheckCharacter(TTypeBar t, std::string_view typed, std::string_view completed) {
  const TCheckRule rule = DescriptorOf(t).Check;
  const bool upce = rule == TCheckRule::UPCE0 || rule == TCheckRule::UPCE1;
  const std::size_t shift = upce && typed.size() == 6 ? std::size_t{1} : 0;
  for (std::size_t i = 0; i < typed.size() && i + shift < completed.size(); ++i) {
    const char want = completed[i + shift];
    // A blank stands where the user leaves the check character to be filled in.
    if (typed[i] == want || typed[i] == ' ') continue;
    std::string message = LastErrorText(erMustBe);
    if (const auto at = message.find("%d"); at != std::string::npos)
      message.replace(at, 2, std::string(1, want));
    return ErrorOf(erMustBe, static_cast<int>(i + 1), std::move(message));
  }
  return {};
}

// Encoders' anchors are 1-based positions in a pattern whose first Strip modules were light and
// are gone. From gives the offset of the anchor module's left edge; End the end of an interval
// whose closing anchor, as the encoders set it, names the interval's last module but one.
struct TAnchorMap {
  int Strip = 0;
  int From(int anchor) const { return anchor - 1 - Strip; }
  int End(int anchor) const { return anchor + 1 - Strip; }
};

void AddCaption(TSymbol& s, std::string_view caption, std::string_view text,
                const TCaptionAnchors& a, const TAnchorMap& m, int addOnAt) {
  auto below = [&s](std::string t, int from, int to, TTextLine line = TTextLine::Below) {
    if (!t.empty()) s.Text.push_back({std::move(t), from, to, TTextAlign::Centre, line});
  };
  const int w = s.Width;
  auto addOn = [&](std::string t) {
    if (addOnAt >= 0 && !t.empty())
      s.Text.push_back({std::move(t), addOnAt + 1, w, TTextAlign::Centre, TTextLine::Above});
  };
  // Digits outside the guards: the leading one before the symbol, the trailing one after the
  // end guard (TrailFrom).
  auto leading = [&](std::string t, TTextLine line) {
    below(std::move(t), -kOuterDigitRoom, -1, line);
  };
  auto trailing = [&](std::string t) {
    const int at = m.From(a.TrailFrom) + 1;
    below(std::move(t), at, at + kOuterDigitRoom - 1, TTextLine::BelowSmall);
  };
  auto left = [&](std::string t) { below(std::move(t), m.From(a.LeftFrom), m.End(a.LeftTo)); };
  auto right = [&](std::string t) { below(std::move(t), m.From(a.RightFrom), m.End(a.RightTo)); };
  const std::string_view c = caption;
  switch (DescriptorOf(s.TypeBar).Caption) {
    case TCaptionLayout::EAN8:
      left(Chars(c, 1, 4));
      right(Chars(c, 5, 8));
      addOn(Chars(c, 10, 14));
      break;
    case TCaptionLayout::EAN13:
      leading(Chars(c, 1, 1), TTextLine::Below);
      left(Chars(c, 2, 7));
      right(Chars(c, 8, 13));
      addOn(Chars(c, 15, 19));
      break;
    case TCaptionLayout::UPCA:
      leading(Chars(c, 1, 1), TTextLine::BelowSmall);
      left(Chars(c, 2, 6));
      right(Chars(c, 7, 11));
      trailing(Chars(c, 12, 12));
      addOn(Chars(c, 14, 18));
      break;
    case TCaptionLayout::UPCE:
      leading(Chars(c, 1, 1), TTextLine::BelowSmall);
      left(Chars(c, 2, 7));
      trailing(Chars(c, 8, 8));
      addOn(Chars(c, 10, 14));
      break;
    case TCaptionLayout::UPCShipping:
      below(Chars(text, 1, 1) + "  " + Chars(text, 2, 3) + "  " + Chars(text, 4, 8) + "  " +
                Chars(text, 9, 13) + "  " + Chars(text, 14, 14),
            m.From(a.LeftFrom), m.End(a.LeftTo));
      addOn(Chars(text, 16, 21));
      break;
    case TCaptionLayout::OPC:
      below(Chars(c, 1, 5) + "-" + Chars(c, 6, 9) + "-" + Chars(c, 10, 10), 0, w);
      break;
    case TCaptionLayout::None:
      break;
    case TCaptionLayout::Centred:
      below(std::string(c), 0, w);
      break;
  }
}

// The pattern's bars as one row, without the light modules the encoders put around them.
TSymbol LinearSymbol(TTypeBar t, const TEncodeResult& r, std::string_view caption,
                     std::string_view text) {
  const std::string& p = r.Pattern;
  TSymbol s;
  s.TypeBar = t;
  const std::size_t first =
      static_cast<std::size_t>(std::find_if(p.begin(), p.end(), IsDarkModule) - p.begin());
  if (first == p.size()) return s;
  const std::size_t last =
      p.size() - 1 -
      static_cast<std::size_t>(std::find_if(p.rbegin(), p.rend(), IsDarkModule) - p.rbegin());
  std::string row;
  row.reserve(last - first + 1);
  for (std::size_t i = first; i <= last; ++i)
    row += IsDarkModule(p[i]) ? kDarkModule : kLightModule;
  s.Width = static_cast<int>(row.size());
  const std::size_t mark = p.find(kAddOnMark, first);
  const int addOnAt =
      mark == std::string::npos || mark > last ? -1 : static_cast<int>(mark - first);
  s.HasAddOn = addOnAt >= 0;
  const bool guards = DescriptorOf(t).EanUpc;
  ForEachBar(row, [&](std::size_t from, std::size_t to) {
    const char kind = p[first + to - 1];  // a bar's last module decides its kind
    if (addOnAt >= 0 && static_cast<int>(from) > addOnAt)
      s.Bars.push_back(TBarKind::AddOn);
    else if (kind == kHalfBar)
      s.Bars.push_back(TBarKind::Short);
    else if (kind == kGuardBar && guards)
      s.Bars.push_back(TBarKind::Guard);
    else
      s.Bars.push_back(TBarKind::Full);
  });
  s.Rows.push_back(std::move(row));
  s.RowHeights.push_back(DefaultHeight(t, s.Width));
  AddCaption(s, caption, text, r.Anchors, TAnchorMap{static_cast<int>(first)}, addOnAt);
  return s;
}

TBuiltSymbol BuildLinear(TTypeBar t, std::string_view typed, const TSymbolOptions& options) {
  TBuiltSymbol out;
  out.Text = CompleteCheckDigits(t, std::string(typed));
  if (DescriptorOf(t).Check == TCheckRule::GS1) {
    // Completion rewrites GS1 texts as a whole (brackets to parentheses): the strict check
    // parses the typed text instead of comparing characters.
    const TGs1Parse strict = ParseGs1(typed, options.CheckDigits == TCheckDigits::Complete);
    if (!strict.Ok()) {
      out.Error = ErrorOf(strict.Code, strict.Position, strict.Message);
      return out;
    }
  } else if (options.CheckDigits == TCheckDigits::Strict) {
    out.Error = WrongCheckCharacter(t, typed, out.Text);
    if (!out.Ok()) return out;
  }
  // No room for captions in the pattern: the symbol carries its text apart.
  TTextCheck check;
  const TEncodeResult r = EncodeCheckedText(out.Text, TEncodeOptions{t, false, true}, check);
  if (r.Pattern.empty()) {
    if (check.Code == erOK) check.Code = erErrorInBarCode;
    const bool positioned =
        check.Code == erCharOutOfSet || check.Code == erCharMustBeSpace || !check.Detail.empty();
    out.Error = ErrorOf(check.Code, positioned ? check.Position : 0, CheckErrorText(check));
    return out;
  }
  std::string caption = out.Text;
  if (IsBookNumber(t)) caption = BooklandToEAN13(caption, t);
  caption.insert(0, DescriptorOf(t).CaptionPrefix);
  out.Symbol = LinearSymbol(t, r, WithoutControlChars(caption), out.Text);
  return out;
}

// The 1-based position of the first character the mode refuses: the longest prefix that passes
// the character check, plus one.
int FirstRefused(std::string_view text, csPDF417Mode mode) {
  std::size_t good = 0, bad = text.size();  // prefix of length good passes, of length bad fails
  while (bad - good > 1) {
    const std::size_t mid = good + (bad - good) / 2;
    try {
      PDF417CheckText(text.substr(0, mid), mode);
      good = mid;
    } catch (const EPDF417Error&) {
      bad = mid;
    }
  }
  return static_cast<int>(bad);
}

TBuiltSymbol BuildPDF417(std::string_view text, const TSymbolOptions& o) {
  TBuiltSymbol out;
  out.Text = std::string(text);
  std::vector<std::string> rows;
  try {
    PDF417CheckText(text, o.PDF417Mode);
  } catch (const EPDF417Error& e) {
    out.Error = ErrorOf(erCharOutOfSet, FirstRefused(text, o.PDF417Mode), e.what());
    return out;
  }
  try {
    int cols = o.PDF417Cols, rowCount = o.PDF417Rows;
    rows = PDF417BuildRows(text, cols, rowCount, o.PDF417Truncated, o.PDF417Mode, o.PDF417Level);
  } catch (const EPDF417Error& e) {
    out.Error = ErrorOf(erBarcodeLengthInvalid, 0, e.what());
    return out;
  }
  if (rows.empty()) {
    out.Error = ErrorOf(erErrorInBarCode, 0, LastErrorText(erErrorInBarCode));
    return out;
  }
  TSymbol& s = out.Symbol;
  s.TypeBar = csCodePDF417;
  s.Width = static_cast<int>(rows.front().size());
  s.RowHeights.assign(rows.size(), kPDF417RowHeight);
  s.Rows = std::move(rows);
  return out;
}

TBuiltSymbol BuildMatrix(TTypeBar t, std::string_view text, const TSymbolOptions& o) {
  TBuiltSymbol out;
  out.Text = std::string(text);
  const bool qr = t == csCodeQRCode;
  TMatrixText data;
  bool positionsInText = false;  // the encoder's positions are positions in the text
  if (o.Gs1) {
    const TGs1Parse parsed = ParseGs1(text, o.CheckDigits == TCheckDigits::Complete);
    if (!parsed.Ok()) {
      out.Error = ErrorOf(parsed.Code, parsed.Position, parsed.Message);
      return out;
    }
    data.Bytes = parsed.ElementString;
    out.Text = parsed.Caption;
  } else if (o.CodePage > 0) {
    data = MatrixTextOfCodePage(text, o.CodePage, qr);
    positionsInText = data.Bytes == text;
  } else {
    data = MatrixTextOfUtf8(text, qr);
    if (!data.Ok) {
      out.Error = ErrorOf(erCharOutOfSet, data.BadPosition,
                          "Invalid UTF-8 at byte " + std::to_string(data.BadPosition));
      return out;
    }
    positionsInText = data.Bytes == text;
  }
  TMatrixResult r;
  if (qr) {
    TQrOptions q;
    q.Level = o.QrLevel;
    q.MinVersion = o.QrMinVersion;
    q.Mask = o.QrMask;
    q.Eci = data.Eci;
    q.ShiftJis = data.ShiftJis;
    q.Gs1 = o.Gs1;
    r = EncodeQrCode(data.Bytes, q);
  } else {
    TDmOptions d;
    d.Shape = o.DmShape;
    d.Rows = o.DmRows;
    d.Columns = o.DmColumns;
    d.Eci = data.Eci;
    d.Gs1 = o.Gs1;
    r = EncodeDataMatrix(data.Bytes, d);
  }
  const bool wellFormed = !r.Rows.empty() && !r.Rows.front().empty() &&
                          std::all_of(r.Rows.begin(), r.Rows.end(), [&r](const std::string& row) {
                            return row.size() == r.Rows.front().size() &&
                                   row.find_first_not_of("01") == std::string::npos;
                          });
  if (!r.Ok() || !wellFormed) {
    const TLastError code = r.Ok() ? erErrorInBarCode : r.Error;
    std::string message = r.Message.empty() ? LastErrorText(code) : r.Message;
    out.Error = ErrorOf(code, positionsInText ? r.Position : 0, std::move(message));
    return out;
  }
  TSymbol& s = out.Symbol;
  s.TypeBar = t;
  s.Width = static_cast<int>(r.Rows.front().size());
  s.RowHeights.assign(r.Rows.size(), 1);
  s.Rows = std::move(r.Rows);
  return out;
}

}  // namespace

TBuiltSymbol BuildSymbol(TTypeBar typeBar, std::string_view text, const TSymbolOptions& options) {
  if (static_cast<int>(typeBar) >= kTypeBarCount) {
    TBuiltSymbol out;
    out.Error = ErrorOf(erErrorInBarCode, 0, LastErrorText(erErrorInBarCode));
    return out;
  }
  if (text.empty()) {
    TBuiltSymbol out;
    out.Error = ErrorOf(erEmptyCode, 0, LastErrorText(erEmptyCode));
    return out;
  }
  if (typeBar == csCodePDF417) return BuildPDF417(text, options);
  if (IsMatrixSymbology(typeBar)) return BuildMatrix(typeBar, text, options);
  return BuildLinear(typeBar, text, options);
}

}  // namespace brevix
