#include "core/catalogue.h"

#include <array>
#include <string_view>
#include <utility>

#include "core/symbologies.h"

namespace brevix {

namespace {

// Code page 1250: s caron, c caron, t caron, z caron, y acute, a acute, i acute, e acute.
constexpr std::string_view kUccEanExtra = "\x9A\xE8\x9D\x9E\xFD\xE1\xED\xE9";

std::string ByteRange(int from, int to) {
  std::string s;
  for (int c = from; c <= to; ++c) s += static_cast<char>(c);
  return s;
}

std::string BuildCharSet(const TSymbologyDescriptor& row) {
  switch (row.CharSetKind) {
    case TCharSetKind::Literal:
      return std::string(row.CharSet);
    case TCharSetKind::Code93:
      return std::string(symbology_detail::kCode39Set) + "&\"()";
    case TCharSetKind::FullAscii:
      return ByteRange(0x20, 0x7E);
    case TCharSetKind::Code128:
      return ByteRange(0x01, 0x7E);
    case TCharSetKind::UccEan128:
      return ByteRange(0x20, 0x7E) + std::string(kUccEanExtra);
    case TCharSetKind::AnyByte:
      return ByteRange(0x01, 0xFF);
  }
  return {};
}

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
  const TSymbologyDescriptor& r = kSymbologies[static_cast<std::size_t>(row)];
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

namespace {

using TCharTable = std::array<bool, 256>;

// Each symbology's table is built when first asked for, by a static of its own: a call of the
// tool asks for one.
template <std::size_t V>
const TCharTable& CharTableOf() {
  static const TCharTable table = [] {
    TCharTable t{};
    for (const char c : BuildCharSet(kSymbologies[V])) t[static_cast<unsigned char>(c)] = true;
    return t;
  }();
  return table;
}

template <std::size_t... V>
constexpr std::array<const TCharTable& (*)(), sizeof...(V)> CharTableGetters(
    std::index_sequence<V...>) {
  return {&CharTableOf<V>...};
}

}  // namespace

const std::array<bool, 256>& CharSetTable(int value) {
  static constexpr auto kGetters = CharTableGetters(std::make_index_sequence<kTypeBarCount>{});
  static const TCharTable none{};
  if (value < 0 || value >= kTypeBarCount) return none;
  return kGetters[static_cast<std::size_t>(value)]();
}

const char* TypeBarIdentifier(int value) {
  const TSymbologyDescriptor* row = SymbologyOf(value);
  return row != nullptr ? row->Identifier : "";
}

const char* LastErrorText(int value) {
  if (value < 0 || value >= kLastErrorCount) return "";
  return kMessages[static_cast<std::size_t>(value)];
}

}  // namespace brevix
