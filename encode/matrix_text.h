#pragma once
// The bytes a text becomes in a QR Code or Data Matrix symbol, and the ECI that tells a reader
// how to read them back.

#include <string>
#include <string_view>

namespace brevix {

struct TMatrixText {
  std::string Bytes;
  int Eci = -1;           // -1: none, the reader's default (ISO 8859-1)
  bool ShiftJis = false;  // Bytes are Shift JIS with double-byte characters (QR Kanji mode)
  bool Ok = true;         // false: the text is not valid UTF-8
  int BadPosition = 0;    // 1-based byte of the first invalid sequence
};

// A UTF-8 text: ISO 8859-1 bytes without ECI when every character has one; else, when kanji is
// asked for and the text is ASCII and Shift JIS double-byte characters only, Shift JIS for
// Kanji mode; else UTF-8 with ECI 26.
TMatrixText MatrixTextOfUtf8(std::string_view utf8, bool kanji);
// An 8-bit text in a Windows code page: ASCII as it is; otherwise the code page's bytes with its
// ECI (Windows-1252 without ECI when it has no byte ISO 8859-1 reads differently), or, for a
// code page without an ECI, the same as its UTF-8 form.
TMatrixText MatrixTextOfCodePage(std::string_view text, int codePage, bool kanji);

}  // namespace brevix
