#include "core/catalogue.h"

#include <array>
#include <string_view>

namespace brevix {

namespace {

// Character sets that are not spelled out literally in the table: they are built on demand.
enum class TCharSetKind : std::uint8_t {
  Literal,    // the row's CharSet text as written
  Code93,     // the Code 39 set plus & " ( )
  FullAscii,  // 0x20..0x7E: the full-ASCII forms of Code 39 and Code 93
  Code128,    // 0x01..0x7E
  UccEan128,  // 0x20..0x7E plus eight accented letters of code page 1250
};

struct TCatalogueRow {
  std::string_view Name;
  std::string_view Description;
  std::string_view Sample;
  TCharSetKind Kind;
  std::string_view CharSet;
  std::uint16_t Year;
  std::string_view Region;
};

constexpr std::string_view kDigits = "0123456789";
constexpr std::string_view kCode39Set = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. $/+%";
constexpr std::string_view kCodabarSet = "0123456789-$:/.+ABCD";
constexpr std::string_view kHexSet = "0123456789ABCDEF";
// Code page 1250: s caron, c caron, t caron, z caron, y acute, a acute, i acute, e acute.
constexpr std::string_view kUccEanExtra = "\x9A\xE8\x9D\x9E\xFD\xE1\xED\xE9";

constexpr TCharSetKind L = TCharSetKind::Literal;

constexpr std::array<TCatalogueRow, kTypeBarCount> kCatalogue{{
    {"2/5 Interleaved (ITF)", "Code25, 2 of 5, ITF", "123456", L, kDigits, 1972, ""},
    {"2/5 Industrial", "Code25, 2/5 Industrial", "123456", L, kDigits, 1972, ""},
    {"2/5 Matrix ", "Code25, 2/5 Matrix", "123456", L, kDigits, 1968, ""},
    {"2/5 Datalogic", "2/5 Datalogic, Code25, 2 of 5", "123456", L, kDigits, 1968, ""},
    {"2/5 IATA", "Code25, 2/5 IATA", "123456", L, kDigits, 0, ""},
    {"2/5 INVERT", "Code25, 2/5 INVERT", "123456", L, kDigits, 0, ""},
    {"2/5 Coop", "Code25, 2/5 Matrix", "123456", L, kDigits, 0, ""},
    {"Code 39", "Code 39", "BC", L, kCode39Set, 1972, ""},
    {"Code 39 Extended", "Code 39 Extended", "BC", TCharSetKind::FullAscii, "", 1974, ""},
    {"Code 93", "Code 93", "BC", TCharSetKind::Code93, "", 1982, ""},
    {"Code 93 Extended", "Code 93 Extended", "BC", TCharSetKind::FullAscii, "", 1974, ""},
    {"Code 128", "Code 128 ( includes A, B, C )", "BC", TCharSetKind::Code128, "", 1981, ""},
    {"AbcCodabar", "AbcCodabar", "ABCCBA", L, "0123456789-$:/.+ABCD ", 1977, ""},
    {"ITF", "ITF6, ITF14 (SSC14), ITF16", "0977121010700", L, kDigits, 0, ""},
    {"ISBN (Bookland)", "ISBN (International Standard Book Number)", "80-7226-102", L, kDigits, 0,
     ""},
    {"ISSN", "ISSN (International Standard Serial Number)", "80-7226-102", L, kDigits, 0, ""},
    {"ISMN", "ISMN (International Standard Music Number)", "80-7226-102", L, kDigits, 0, ""},
    {"Codabar", "Codabar (Monarch, NW-7, USD-4, 2 of 7 code)", "A0123+-$/:68A", L, kCodabarSet,
     1972, ""},
    {"MSI/Plessey", "MSI/Plessey (Modified)", "", L, kHexSet, 0, "USA"},
    {"PostNet", "PostNet (ZIP, ZIP+4, DPBC)", "123456789", L, kHexSet, 0, "USA"},
    {"OPC", "OPC (Optical Industry Association)", "1234567897", L, kHexSet, 0, "USA"},
    {"EAN 8", "EAN 8 (with 2 or 5 digit supplement)", "1234567", L, kDigits, 1977, "EU"},
    {"EAN 13", "EAN 13 (with 2 or 5 digit supplement)", "9771210107001", L, kDigits, 1977, "EU"},
    {"UCC/EAN 128", "UCC/EAN 128", "EAN 128", TCharSetKind::UccEan128, "", 0, ""},
    {"JAN8", "Japanese version of  EAN 8", "49123456", L, kDigits, 0, ""},
    {"JAN13", "Japanese version of  EAN 13", "491234567890", L, kDigits, 0, ""},
    {"UPC-A", "UPC-A (with or without supplements)", "01234567890", L, kDigits, 0, ""},
    {"UPC-E0", "UPC-E0 (with or without supplements)", "0123456", L, kDigits, 0, ""},
    // UPC-E1 is UPC-E with number system 1, so its sample starts with 1.
    {"UPC-E1", "UPC-E1 (with or without supplements)", "1123456", L, kDigits, 0, ""},
    {"UPC-Shipping", "UPC-Shipping", "1234567890123", L, kDigits, 0, ""},
    {"Code 11", "Code 11 (USD-8)", "123456", L, "0123456789-", 0, ""},
    {"PZN", "Pharma-Zentral-Nummer", "123456", L, kDigits, 0, ""},
    {"PDF417", "", "bla,bla,bla", L, "", 0, ""},
}};

std::string ByteRange(int from, int to) {
  std::string s;
  for (int c = from; c <= to; ++c) s += static_cast<char>(c);
  return s;
}

std::string BuildCharSet(const TCatalogueRow& row) {
  switch (row.Kind) {
    case TCharSetKind::Literal:
      return std::string(row.CharSet);
    case TCharSetKind::Code93:
      return std::string(kCode39Set) + "&\"()";
    case TCharSetKind::FullAscii:
      return ByteRange(0x20, 0x7E);
    case TCharSetKind::Code128:
      return ByteRange(0x01, 0x7E);
    case TCharSetKind::UccEan128:
      return ByteRange(0x20, 0x7E) + std::string(kUccEanExtra);
  }
  return {};
}

constexpr std::array<const char*, kTypeBarCount> kIdentifiers{
    "csCode_2_5_interleaved",
    "csCode_2_5_industrial",
    "csCode_2_5_matrix",
    "csCode_2_5_datalogic",
    "csCode_2_5_IATA",
    "csCode_2_5_invert",
    "csCode_2_5_coop",
    "csCode39",
    "csCode39Extended",
    "csCode93",
    "csCode93Extended",
    "csCode128",
    "csCodeABCCodabar",
    "csCodeITF",
    "csCodeISBN",
    "csCodeISSN",
    "csCodeISMN",
    "csCodeCodabar",
    "csCodeMSI",
    "csCodePostNet",
    "csCodeOPC",
    "csCodeEAN8",
    "csCodeEAN13",
    "csCodeEAN128",
    "csCodeJAN8",
    "csCodeJAN13",
    "csCodeUPC_A",
    "csCodeUPC_E0",
    "csCodeUPC_E1",
    "csCodeUPC_shipping",
    "csCode11",
    "csCodePZN",
    "csCodePDF417",
};

constexpr std::array<const char*, kLastErrorCount> kMessages{
    "Correct",
    "(must be %d)",
    "Unspecified error.",
    "Unvailable char for this type of barcode.",
    "Tool small",
    "Does not fit",
    "Invalid length of barcode.",
    "ITF14 - first char must be 0.",
    ". char must be space.",
    "2of5 Interleaved/ITF - count of digits must be even.",
    "Empty code.",
};

}  // namespace

void GetBarCodeInfo(int value, TBarCodeInfo& info) {
  const int row = value & 0x7F;
  if (row >= kTypeBarCount) return;
  const TCatalogueRow& r = kCatalogue[static_cast<std::size_t>(row)];
  info.Name = r.Name;
  info.Description = r.Description;
  info.Sample = r.Sample;
  info.CharSet = BuildCharSet(r);
  info.Year = r.Year;
  info.Region = r.Region;
}

TBarCodeInfo CatalogueRow(int value) {
  TBarCodeInfo info;
  if (value >= 0 && value < kTypeBarCount) GetBarCodeInfo(value, info);
  return info;
}

const std::array<bool, 256>& CharSetTable(int value) {
  using TTable = std::array<bool, 256>;
  static const auto tables = [] {
    std::array<TTable, kTypeBarCount> t{};
    for (std::size_t v = 0; v < t.size(); ++v)
      for (const char c : BuildCharSet(kCatalogue[v])) t[v][static_cast<unsigned char>(c)] = true;
    return t;
  }();
  static const TTable none{};
  if (value < 0 || value >= kTypeBarCount) return none;
  return tables[static_cast<std::size_t>(value)];
}

const char* TypeBarIdentifier(int value) {
  if (value < 0 || value >= kTypeBarCount) return "";
  return kIdentifiers[static_cast<std::size_t>(value)];
}

const char* LastErrorText(int value) {
  if (value < 0 || value >= kLastErrorCount) return "";
  return kMessages[static_cast<std::size_t>(value)];
}

}  // namespace brevix
