#include "encode/matrix_text.h"

#include <algorithm>
#include <cstdint>

#include "platform/codepage.h"

#if defined(__has_include) && !defined(_WIN32)
#if __has_include(<iconv.h>)
#include <iconv.h>
#define BREVIX_HAVE_ICONV 1
#endif
#endif

namespace brevix {

namespace {

constexpr int kEciUtf8 = 26;

// Decodes UTF-8; false at the first invalid sequence, with its 1-based position.
bool DecodeUtf8(std::string_view s, std::u32string& out, int& bad) {
  for (std::size_t i = 0; i < s.size();) {
    const auto lead = static_cast<unsigned char>(s[i]);
    std::size_t length = 0;
    char32_t cp = 0;
    if (lead < 0x80) {
      length = 1;
      cp = lead;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
      cp = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3;
      cp = lead & 0x0Fu;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
      cp = lead & 0x07u;
    } else {
      bad = static_cast<int>(i + 1);
      return false;
    }
    if (i + length > s.size()) {
      bad = static_cast<int>(i + 1);
      return false;
    }
    for (std::size_t k = 1; k < length; ++k) {
      const auto b = static_cast<unsigned char>(s[i + k]);
      if ((b & 0xC0) != 0x80) {
        bad = static_cast<int>(i + 1);
        return false;
      }
      cp = (cp << 6) | (b & 0x3Fu);
    }
    // Overlong forms, surrogates and code points beyond Unicode.
    const char32_t least = length == 2 ? 0x80 : length == 3 ? 0x800 : length == 4 ? 0x10000 : 0;
    if (cp < least || (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) {
      bad = static_cast<int>(i + 1);
      return false;
    }
    out += cp;
    i += length;
  }
  return true;
}

// The text in Shift JIS when it converts entirely and holds a double-byte character, every other
// character being ASCII; empty otherwise.
std::string ShiftJisOf([[maybe_unused]] std::string_view utf8) {
#ifdef BREVIX_HAVE_ICONV
  iconv_t cd = iconv_open("SHIFT_JIS", "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) return {};
  std::string in(utf8), out(utf8.size() * 2 + 4, '\0');
  char* src = in.data();
  char* dst = out.data();
  std::size_t srcLeft = in.size(), dstLeft = out.size();
  const std::size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
  iconv_close(cd);
  if (r == static_cast<std::size_t>(-1) || srcLeft != 0) return {};
  out.resize(out.size() - dstLeft);
  bool doubleByte = false;
  for (std::size_t i = 0; i < out.size(); ++i) {
    const auto b = static_cast<unsigned char>(out[i]);
    if (b < 0x80) continue;
    if ((b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xEB)) {
      doubleByte = true;
      ++i;
      continue;
    }
    return {};  // half-width katakana or a code Kanji mode cannot take
  }
  if (!doubleByte) return {};
  // ASCII 0x5C and 0x7E read as yen and overline in Shift JIS: such texts keep UTF-8.
  if (out.find_first_of("\\~") != std::string::npos) return {};
  return out;
#else
  return {};
#endif
}

}  // namespace

TMatrixText MatrixTextOfUtf8(std::string_view utf8, bool kanji) {
  TMatrixText r;
  std::u32string cps;
  if (!DecodeUtf8(utf8, cps, r.BadPosition)) {
    r.Ok = false;
    return r;
  }
  if (std::all_of(cps.begin(), cps.end(), [](char32_t c) { return c <= 0xFF; })) {
    for (const char32_t c : cps) r.Bytes += static_cast<char>(static_cast<unsigned char>(c));
    return r;
  }
  if (kanji) {
    std::string sjis = ShiftJisOf(utf8);
    if (!sjis.empty()) {
      r.Bytes = std::move(sjis);
      r.ShiftJis = true;
      return r;
    }
  }
  r.Bytes = std::string(utf8);
  r.Eci = kEciUtf8;
  return r;
}

TMatrixText MatrixTextOfCodePage(std::string_view text, int codePage, bool kanji) {
  const bool ascii = std::all_of(text.begin(), text.end(),
                                 [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  TMatrixText r;
  if (ascii) {
    r.Bytes = std::string(text);
    return r;
  }
  int eci = -1;
  switch (codePage) {
    case 1250:
      eci = 21;
      break;
    case 1251:
      eci = 22;
      break;
    case 1252:
      // ISO 8859-1 reads Windows-1252 alike but for 0x80..0x9F.
      if (std::none_of(text.begin(), text.end(), [](char c) {
            const auto b = static_cast<unsigned char>(c);
            return b >= 0x80 && b <= 0x9F;
          })) {
        r.Bytes = std::string(text);
        return r;
      }
      eci = 23;
      break;
    default:
      break;
  }
  if (eci > 0) {
    r.Bytes = std::string(text);
    r.Eci = eci;
    return r;
  }
  return MatrixTextOfUtf8(CodePageToUtf8(codePage, text), kanji);
}

}  // namespace brevix
