#pragma once
// The 8-bit Windows code pages the control's texts are kept in, and conversions to and from
// Unicode. A font's character set names its code page, as on the platform: the canvases use it
// to turn the 8-bit text into glyphs, and the command-line tool to turn UTF-8 arguments into
// the control's text.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace brevix {

inline constexpr int kDefaultCodePage = 1252;
inline constexpr std::uint8_t kDefaultCharset = 1;  // DEFAULT_CHARSET: the system code page

bool IsSupportedCodePage(int codePage);
std::vector<int> SupportedCodePages();
// "Western", "Central European", ...; empty for an unsupported code page.
const char* CodePageName(int codePage);
// The code page of a font character set (ANSI 0 and DEFAULT 1 are Western); unknown sets give
// the default.
int CodePageOfCharset(std::uint8_t charset);
// The font character set for a code page (EASTEUROPE_CHARSET 238 for 1250).
std::uint8_t CharsetOfCodePage(int codePage);

// Decoding never fails: every byte has a code point (an unsupported code page reads as 1252).
char16_t CodePageToUnicode(int codePage, char c);
std::u16string CodePageToUtf16(int codePage, std::string_view text);
std::string CodePageToUtf8(int codePage, std::string_view text);

struct TUtf8Conversion {
  std::string Text;     // the converted text, '?' for what could not be converted
  bool Ok = true;       // every character converted
  int BadPosition = 0;  // 1-based byte position in the UTF-8 input of the first problem
  std::string Problem;  // what was wrong there, in UTF-8
};
TUtf8Conversion Utf8ToCodePage(int codePage, std::string_view text);

}  // namespace brevix
