#pragma once
// The shared vocabulary of the control: symbologies, orientations, caption modes, result codes and
// the PDF417 option enumerations. Ordinal values are part of the COM interface: never reorder.

#include <cstdint>

namespace brevix {

enum TTypeBar : std::uint8_t {
  csCode_2_5_interleaved = 0,
  csCode_2_5_industrial = 1,
  csCode_2_5_matrix = 2,
  csCode_2_5_datalogic = 3,
  csCode_2_5_IATA = 4,
  csCode_2_5_invert = 5,
  csCode_2_5_coop = 6,
  csCode39 = 7,
  csCode39Extended = 8,
  csCode93 = 9,
  csCode93Extended = 10,
  csCode128 = 11,
  csCodeABCCodabar = 12,
  csCodeITF = 13,
  csCodeISBN = 14,
  csCodeISSN = 15,
  csCodeISMN = 16,
  csCodeCodabar = 17,
  csCodeMSI = 18,
  csCodePostNet = 19,
  csCodeOPC = 20,
  csCodeEAN8 = 21,
  csCodeEAN13 = 22,
  csCodeEAN128 = 23,
  csCodeJAN8 = 24,
  csCodeJAN13 = 25,
  csCodeUPC_A = 26,
  csCodeUPC_E0 = 27,
  csCodeUPC_E1 = 28,
  csCodeUPC_shipping = 29,
  csCode11 = 30,
  csCodePZN = 31,
  csCodePDF417 = 32,
  csCodeGS1_128 = 33,
  csCodeQRCode = 34,
  csCodeDataMatrix = 35,
};
inline constexpr int kTypeBarCount = 36;

// The 2D matrix symbologies: a square grid of modules, drawn by the matrix renderer.
constexpr bool IsMatrixSymbology(int typeBar) {
  return typeBar == csCodeQRCode || typeBar == csCodeDataMatrix;
}

enum TAngleType : std::uint8_t {
  csHorizontal = 0,
  csVertical = 1,
  csHorizontalMirrored = 2,
  csVerticalMirrored = 3,
};

enum TDisplayType : std::uint8_t {
  csOutputNone = 0,
  csOutputCode = 1,
  csOutputType = 2,
  csOutputBoth = 3,
};

enum TLastError : std::uint8_t {
  erOK = 0,
  erMustBe = 1,
  erErrorInBarCode = 2,
  erCharOutOfSet = 3,
  erSmallPaintBox = 4,
  erOutOfSecurityBox = 5,
  erBarcodeLengthInvalid = 6,
  erFirstCharMustBeZero = 7,
  erCharMustBeSpace = 8,
  erCountCharMustBeEven = 9,
  erEmptyCode = 10,
};
inline constexpr int kLastErrorCount = 11;

enum csPDF417Mode : std::uint8_t {
  csPDF417Alphanumeric,
  csPDF417Binary,
  csPDF417BinaryHex,
  csPDF417Numeric,
  csPDF417AutoCode,
};

enum csPDF417ErrorCorrection : std::uint8_t {
  csPDF417AutoEC,
  csPDF417Error0,
  csPDF417Error1,
  csPDF417Error2,
  csPDF417Error3,
  csPDF417Error4,
  csPDF417Error5,
  csPDF417Error6,
  csPDF417Error7,
  csPDF417Error8,
};

enum csPDF417UserMode : std::uint8_t {
  csPDF417_Alphanumeric,
  csPDF417_Binary,
  csPDF417_Numeric,
};

enum csPDF417UserError : std::uint8_t {
  csPDF417_Level_0,
  csPDF417_Level_1,
  csPDF417_Level_2,
  csPDF417_Level_3,
  csPDF417_Level_4,
  csPDF417_Level_5,
  csPDF417_Level_6,
  csPDF417_Level_7,
  csPDF417_Level_8,
};

}  // namespace brevix
