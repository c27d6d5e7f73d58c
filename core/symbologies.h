#pragma once
// One descriptor row per symbology: everything the control, the module-mode path and the tool
// know about a symbology as plain data, in enumeration order.
//
// Layering: this header is vocabulary, like types.h beside it. It is header-only and holds plain
// constants (texts, numbers and selectors), so every layer may read it, the bottom symbol/ layer
// included, without linking anything above it. What is code rather than data stays in its layer
// and is reached through a selector of the row: the encoder through TEncoderId (the dispatcher
// maps each id to its function), the check-character completion and the text check through
// TCheckRule, the caption painting through TCaptionLayout, the default bar height through
// THeightRule.
//
// Adding a symbology: its TTypeBar value, one row here and its encoder (a TEncoderId with its
// function in the dispatcher). A missing or misplaced row fails the static_asserts below.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "types.h"

namespace brevix {

// Character sets that are not spelled out literally in a row: they are built on demand.
enum class TCharSetKind : std::uint8_t {
  Literal,    // the row's CharSet text as written
  Code93,     // the Code 39 set plus & " ( )
  FullAscii,  // 0x20..0x7E: the full-ASCII forms of Code 39 and Code 93
  Code128,    // 0x01..0x7E
  UccEan128,  // 0x20..0x7E plus eight accented letters of code page 1250
  AnyByte,    // 0x01..0xFF: the 2D symbologies take any byte
};

// The encoders; none draws nothing on the linear path (PDF417 has its own renderer).
enum class TEncoderId : std::uint8_t {
  None,
  TwoOfFiveInterleaved,
  TwoOfFiveIndustrial,
  TwoOfFiveMatrix,
  TwoOfFiveDatalogic,
  TwoOfFiveIATA,
  TwoOfFiveInvert,
  TwoOfFiveCoop,
  Code39,
  Code39Extended,
  Code93,
  Code93Extended,
  Code128,  // also UCC/EAN-128: the options carry the symbology
  ABCCodabar,
  Bookland,  // drawn as the EAN-13 the number stands for
  Codabar,
  MSI,
  PostNet,
  EAN8,
  EAN13,
  UPCA,
  UPCE,
  UPCShipping,
  Code11,
  PZN,
  GS1_128,  // AI syntax to Code 128 with FNC1
};
inline constexpr int kEncoderIdCount = 26;

// The text rules: which check characters completion fills in and how a text is checked before
// it is encoded.
enum class TCheckRule : std::uint8_t {
  CharSet,      // the catalogue character set only
  Interleaved,  // character set, an even count
  ABCCodabar,   // character set, start/stop characters at both ends
  Codabar,      // character set, start/stop characters only as a framing pair
  ITF,          // 6, 14 or 16 digits; mod-10 check digit
  BookNumber,   // ISBN/ISSN/ISMN: mod-11 check character, then an EAN-13
  MSI,          // up to 13 digits
  PostNet,      // 5, 9 or 11 digits
  OPC,          // 10 digits, check digit at 10
  EAN8,         // 8 digits with a mod-10 check digit, optional add-on
  JAN8,         // EAN-8 with the 49 prefix
  EAN13,        // 13 digits with a mod-10 check digit, optional add-on
  JAN13,        // EAN-13 with the 49 prefix
  UPCA,         // 12 digits with a mod-10 check digit, optional add-on
  UPCE0,        // number system 0, six digits, check digit over the expanded form
  UPCE1,        // the same with number system 1
  UPCShipping,  // 14 digits with a mod-10 check digit, optional second part
  PZN,          // 6 or 7 characters, mod-11 check digit at 7
  EAN128,       // character set without its accented letters
  GS1,          // application identifiers and their data, check digits of GTIN, SSCC, GLN
};

// How the human-readable text is laid out under the bars.
enum class TCaptionLayout : std::uint8_t {
  Centred,      // the whole caption centred under the bars
  None,         // no text (PostNet)
  EAN8,         // two groups of four, add-on above
  EAN13,        // leading digit, two groups of six, add-on above
  UPCA,         // leading and trailing digits beside two groups of five
  UPCE,         // one group of six, the outer digits smaller
  UPCShipping,  // spaced groups, second part above
  OPC,          // 5-4-1 with hyphens
};

// The bar height a symbol gets when none is asked for.
enum class THeightRule : std::uint8_t {
  Linear,  // a share of the width, with a minimum
  EAN8,    // EAN-8's nominal height
  EAN13,   // EAN-13/UPC's nominal height
  PostNet,
  Matrix,  // a 2D symbol: one module per row, square modules
};

// Minimum light margins, in modules; AddOnRight replaces Right when an add-on follows.
struct TQuietFigures {
  int Left = 0;
  int Right = 0;
  int Top = 0;
  int Bottom = 0;
  int AddOnRight = 0;
};

struct TSymbologyDescriptor {
  TTypeBar TypeBar;
  const char* Identifier;  // the enumeration name, "csCode39"
  std::string_view Name;
  std::string_view Description;
  std::string_view Sample;
  TCharSetKind CharSetKind;
  std::string_view CharSet;  // Literal sets only
  std::uint16_t Year;
  std::string_view Region;
  TEncoderId Encoder;
  bool LeadingRoom;  // room for the leading (and trailing) digit caption
  TCheckRule Check;
  TCaptionLayout Caption;
  std::string_view CaptionPrefix;  // shown before the text ("PZN - ")
  THeightRule Height;
  TQuietFigures QuietZone;
  // Families the drawing treats alike.
  bool EanUpc;    // guard bars reaching into the caption
  bool ShortUpc;  // guards shortened when the control asks for short UPC guards
  bool Bearers;   // bearer bars along the top and bottom of the bars (box mode)
};

namespace symbology_detail {
inline constexpr std::string_view kDigits = "0123456789";
inline constexpr std::string_view kCode39Set = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. $/+%";
inline constexpr std::string_view kCodabarSet = "0123456789-$:/.+ABCD";
inline constexpr std::string_view kHexSet = "0123456789ABCDEF";
// The 82 characters GS1 data may hold, plus the brackets of the bracketed AI syntax.
inline constexpr std::string_view kGs1Set =
    "!\"%&'()*+,-./0123456789:;<=>?ABCDEFGHIJKLMNOPQRSTUVWXYZ_abcdefghijklmnopqrstuvwxyz[]";

using enum TCharSetKind;
using E = TEncoderId;
using C = TCheckRule;
using P = TCaptionLayout;
using H = THeightRule;

// Quiet zones, with the document each figure comes from. The 2-of-5 variants other than
// interleaved have no standard of their own; they take the interleaved figure, as readers expect
// it for the whole family.
inline constexpr TQuietFigures kQ10{10, 10, 0, 0, 10};   // ISO/IEC 16390, 16388, 15417; BS EN 798
inline constexpr TQuietFigures kQEan13{11, 7, 0, 0, 5};  // GS1 rules for EAN/UPC symbols
inline constexpr TQuietFigures kQEan8{7, 7, 0, 0, 5};    // GS1 rules for EAN/UPC symbols
inline constexpr TQuietFigures kQUpcA{9, 9, 0, 0, 5};    // GS1 rules for EAN/UPC symbols
inline constexpr TQuietFigures kQUpcE{9, 7, 0, 0, 5};    // GS1 rules for EAN/UPC symbols

// clang-format off
inline constexpr std::array<TSymbologyDescriptor, kTypeBarCount> kSymbologies{{
    {csCode_2_5_interleaved, "csCode_2_5_interleaved", "2/5 Interleaved (ITF)", "Code25, 2 of 5, ITF", "123456", Literal, kDigits, 1972, "",
     E::TwoOfFiveInterleaved, false, C::Interleaved, P::Centred, "", H::Linear, kQ10, false, false, false},  // ISO/IEC 16390:2007 4.4
    {csCode_2_5_industrial, "csCode_2_5_industrial", "2/5 Industrial", "Code25, 2/5 Industrial", "123456", Literal, kDigits, 1972, "",
     E::TwoOfFiveIndustrial, false, C::CharSet, P::Centred, "", H::Linear, kQ10, false, false, false},  // as interleaved
    {csCode_2_5_matrix, "csCode_2_5_matrix", "2/5 Matrix ", "Code25, 2/5 Matrix", "123456", Literal, kDigits, 1968, "",
     E::TwoOfFiveMatrix, false, C::CharSet, P::Centred, "", H::Linear, kQ10, false, false, false},  // as interleaved
    {csCode_2_5_datalogic, "csCode_2_5_datalogic", "2/5 Datalogic", "2/5 Datalogic, Code25, 2 of 5", "123456", Literal, kDigits, 1968, "",
     E::TwoOfFiveDatalogic, false, C::CharSet, P::Centred, "", H::Linear, kQ10, false, false, false},  // as interleaved
    {csCode_2_5_IATA, "csCode_2_5_IATA", "2/5 IATA", "Code25, 2/5 IATA", "123456", Literal, kDigits, 0, "",
     E::TwoOfFiveIATA, false, C::CharSet, P::Centred, "", H::Linear, kQ10, false, false, false},  // as interleaved
    {csCode_2_5_invert, "csCode_2_5_invert", "2/5 INVERT", "Code25, 2/5 INVERT", "123456", Literal, kDigits, 0, "",
     E::TwoOfFiveInvert, false, C::CharSet, P::Centred, "", H::Linear, kQ10, false, false, false},  // as interleaved
    {csCode_2_5_coop, "csCode_2_5_coop", "2/5 Coop", "Code25, 2/5 Matrix", "123456", Literal, kDigits, 0, "",
     E::TwoOfFiveCoop, false, C::CharSet, P::Centred, "", H::Linear, kQ10, false, false, false},  // as interleaved
    {csCode39, "csCode39", "Code 39", "Code 39", "BC", Literal, kCode39Set, 1972, "",
     E::Code39, false, C::CharSet, P::Centred, "", H::Linear, kQ10, false, false, false},  // ISO/IEC 16388:2007 4.4 (d)
    {csCode39Extended, "csCode39Extended", "Code 39 Extended", "Code 39 Extended", "BC", FullAscii, "", 1974, "",
     E::Code39Extended, false, C::CharSet, P::Centred, "", H::Linear, kQ10, false, false, false},  // ISO/IEC 16388:2007 4.4 (d)
    {csCode93, "csCode93", "Code 93", "Code 93", "BC", Code93, "", 1982, "",
     E::Code93, false, C::CharSet, P::Centred, "", H::Linear, kQ10, false, false, false},  // ANSI/AIM BC5-1995 (USS-93)
    {csCode93Extended, "csCode93Extended", "Code 93 Extended", "Code 93 Extended", "BC", FullAscii, "", 1974, "",
     E::Code93Extended, false, C::CharSet, P::Centred, "", H::Linear, kQ10, false, false, false},  // ANSI/AIM BC5-1995 (USS-93)
    {csCode128, "csCode128", "Code 128", "Code 128 ( includes A, B, C )", "BC", Code128, "", 1981, "",
     E::Code128, false, C::CharSet, P::Centred, "", H::Linear, kQ10, false, false, false},  // ISO/IEC 15417:2007 4.4.2
    {csCodeABCCodabar, "csCodeABCCodabar", "AbcCodabar", "AbcCodabar", "ABCCBA", Literal, "0123456789-$:/.+ABCD ", 1977, "",
     E::ABCCodabar, false, C::ABCCodabar, P::Centred, "", H::Linear, kQ10, false, false, false},  // BS EN 798:1995 4.4.1 (d)
    {csCodeITF, "csCodeITF", "ITF", "ITF6, ITF14 (SSC14), ITF16", "0977121010700", Literal, kDigits, 0, "",
     E::TwoOfFiveInterleaved, false, C::ITF, P::Centred, "", H::Linear, kQ10, false, false, true},  // GS1 rules for ITF-14
    {csCodeISBN, "csCodeISBN", "ISBN (Bookland)", "ISBN (International Standard Book Number)", "80-7226-102", Literal, kDigits, 0, "",
     E::Bookland, true, C::BookNumber, P::EAN13, "", H::EAN13, kQEan13, true, false, false},
    {csCodeISSN, "csCodeISSN", "ISSN", "ISSN (International Standard Serial Number)", "80-7226-102", Literal, kDigits, 0, "",
     E::Bookland, true, C::BookNumber, P::EAN13, "", H::EAN13, kQEan13, true, false, false},
    {csCodeISMN, "csCodeISMN", "ISMN", "ISMN (International Standard Music Number)", "80-7226-102", Literal, kDigits, 0, "",
     E::Bookland, true, C::BookNumber, P::EAN13, "", H::EAN13, kQEan13, true, false, false},
    {csCodeCodabar, "csCodeCodabar", "Codabar", "Codabar (Monarch, NW-7, USD-4, 2 of 7 code)", "A0123+-$/:68A", Literal, kCodabarSet, 1972, "",
     E::Codabar, false, C::Codabar, P::Centred, "", H::Linear, kQ10, false, false, false},  // BS EN 798:1995 4.4.1 (d)
    {csCodeMSI, "csCodeMSI", "MSI/Plessey", "MSI/Plessey (Modified)", "", Literal, kHexSet, 0, "USA",
     E::MSI, false, C::MSI, P::Centred, "", H::Linear, {12, 12, 0, 0, 12}, false, false, false},  // MSI Data Corporation's symbology description
    {csCodePostNet, "csCodePostNet", "PostNet", "PostNet (ZIP, ZIP+4, DPBC)", "123456789", Literal, kHexSet, 0, "USA",
     E::PostNet, false, C::PostNet, P::None, "", H::PostNet, {6, 6, 2, 2, 6}, false, false, false},  // USPS DMM C840: 0.125" sides, 0.04" above/below
    {csCodeOPC, "csCodeOPC", "OPC", "OPC (Optical Industry Association)", "1234567897", Literal, kHexSet, 0, "USA",
     E::TwoOfFiveInterleaved, false, C::OPC, P::OPC, "", H::Linear, kQ10, false, false, false},  // interleaved 2-of-5, ISO/IEC 16390:2007 4.4
    {csCodeEAN8, "csCodeEAN8", "EAN 8", "EAN 8 (with 2 or 5 digit supplement)", "1234567", Literal, kDigits, 1977, "EU",
     E::EAN8, false, C::EAN8, P::EAN8, "", H::EAN8, kQEan8, true, false, false},
    {csCodeEAN13, "csCodeEAN13", "EAN 13", "EAN 13 (with 2 or 5 digit supplement)", "9771210107001", Literal, kDigits, 1977, "EU",
     E::EAN13, true, C::EAN13, P::EAN13, "", H::EAN13, kQEan13, true, false, false},
    {csCodeEAN128, "csCodeEAN128", "UCC/EAN 128", "UCC/EAN 128", "EAN 128", UccEan128, "", 0, "",
     E::Code128, false, C::EAN128, P::Centred, "", H::Linear, kQ10, false, false, false},  // GS1 rules for GS1-128
    {csCodeJAN8, "csCodeJAN8", "JAN8", "Japanese version of  EAN 8", "49123456", Literal, kDigits, 0, "",
     E::EAN8, false, C::JAN8, P::EAN8, "", H::EAN8, kQEan8, true, false, false},
    {csCodeJAN13, "csCodeJAN13", "JAN13", "Japanese version of  EAN 13", "491234567890", Literal, kDigits, 0, "",
     E::Bookland, true, C::JAN13, P::EAN13, "", H::EAN13, kQEan13, true, false, false},
    {csCodeUPC_A, "csCodeUPC_A", "UPC-A", "UPC-A (with or without supplements)", "01234567890", Literal, kDigits, 0, "",
     E::UPCA, true, C::UPCA, P::UPCA, "", H::EAN13, kQUpcA, true, true, false},
    {csCodeUPC_E0, "csCodeUPC_E0", "UPC-E0", "UPC-E0 (with or without supplements)", "0123456", Literal, kDigits, 0, "",
     E::UPCE, true, C::UPCE0, P::UPCE, "", H::EAN13, kQUpcE, true, true, false},
    // UPC-E1 is UPC-E with number system 1, so its sample starts with 1.
    {csCodeUPC_E1, "csCodeUPC_E1", "UPC-E1", "UPC-E1 (with or without supplements)", "1123456", Literal, kDigits, 0, "",
     E::UPCE, true, C::UPCE1, P::UPCE, "", H::EAN13, kQUpcE, true, true, false},
    {csCodeUPC_shipping, "csCodeUPC_shipping", "UPC-Shipping", "UPC-Shipping", "1234567890123", Literal, kDigits, 0, "",
     E::UPCShipping, false, C::UPCShipping, P::UPCShipping, "", H::Linear, kQ10, false, false, false},  // GS1 rules for ITF-14
    {csCode11, "csCode11", "Code 11", "Code 11 (USD-8)", "123456", Literal, "0123456789-", 0, "",
     E::Code11, false, C::CharSet, P::Centred, "", H::Linear, kQ10, false, false, false},  // AIM USS Code 11
    {csCodePZN, "csCodePZN", "PZN", "Pharma-Zentral-Nummer", "123456", Literal, kDigits, 0, "",
     E::PZN, false, C::PZN, P::Centred, "PZN - ", H::Linear, kQ10, false, false, false},  // Code 39 underneath: ISO/IEC 16388:2007 4.4 (d)
    {csCodePDF417, "csCodePDF417", "PDF417", "", "bla,bla,bla", Literal, "", 0, "",
     E::None, false, C::CharSet, P::Centred, "", H::Linear, {2, 2, 2, 2, 2}, false, false, false},  // ISO/IEC 15438:2015 5.8.3
    {csCodeGS1_128, "csCodeGS1_128", "GS1-128", "GS1-128 (application identifiers, FNC1)", "(01)09501101530003(17)250101(10)ABC123", Literal, kGs1Set, 0, "",
     E::GS1_128, false, C::GS1, P::Centred, "", H::Linear, kQ10, false, false, false},  // Code 128 underneath: ISO/IEC 15417:2007 4.4.2
    {csCodeQRCode, "csCodeQRCode", "QR Code", "QR Code model 2", "Brevix QR Code", AnyByte, "", 0, "",
     E::None, false, C::CharSet, P::None, "", H::Matrix, {4, 4, 4, 4, 4}, false, false, false},  // ISO/IEC 18004:2015 6.3.8
    {csCodeDataMatrix, "csCodeDataMatrix", "Data Matrix", "Data Matrix ECC 200", "Brevix Data Matrix", AnyByte, "", 0, "",
     E::None, false, C::CharSet, P::None, "", H::Matrix, {1, 1, 1, 1, 1}, false, false, false},  // ISO/IEC 16022:2006 7.1
}};
// clang-format on

constexpr bool RowsInOrder() {
  for (std::size_t i = 0; i < kSymbologies.size(); ++i)
    if (kSymbologies[i].TypeBar != static_cast<TTypeBar>(i)) return false;
  return true;
}
}  // namespace symbology_detail

using symbology_detail::kSymbologies;

static_assert(kSymbologies.size() == static_cast<std::size_t>(csCodeDataMatrix) + 1,
              "one row per TTypeBar value");
static_assert(symbology_detail::RowsInOrder(), "rows in enumeration order");

// The row of a symbology; nullptr outside the enumeration.
constexpr const TSymbologyDescriptor* SymbologyOf(int value) {
  if (value < 0 || value >= kTypeBarCount) return nullptr;
  return &kSymbologies[static_cast<std::size_t>(value)];
}

// The row of a symbology; outside the enumeration, a row of defaults (centred caption, linear
// height, no family), so a value cast from an arbitrary integer draws like a plain symbology.
inline constexpr TSymbologyDescriptor kNoSymbology{};
constexpr const TSymbologyDescriptor& DescriptorOf(int value) {
  const TSymbologyDescriptor* row = SymbologyOf(value);
  return row != nullptr ? *row : kNoSymbology;
}

// ISBN, ISSN and ISMN: drawn and captioned as the EAN-13 they stand for.
constexpr bool IsBookNumber(int value) {
  return DescriptorOf(value).Check == TCheckRule::BookNumber;
}

}  // namespace brevix
