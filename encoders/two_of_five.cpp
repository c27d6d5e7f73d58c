#include "encoders/two_of_five.h"

#include <array>
#include <cstddef>

namespace brevix {

namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

std::size_t DigitValue(char c) {
  return static_cast<std::size_t>(c - '0');
}

bool AllDigits(std::string_view s) {
  for (char c : s)
    if (!IsDigit(c)) return false;
  return true;
}

// ---- Interleaved: bars carry the first digit of a pair, spaces the second.

// The five element widths of each digit, '1' = wide.
constexpr std::array<std::string_view, 10> kInterleavedWeights = {
    "00110", "10001", "01001", "11000", "00101", "10100", "01100", "00011", "10010", "01010"};
constexpr std::string_view kInterleavedQuietZone = "          ";
constexpr std::string_view kInterleavedStart = "1010";
constexpr std::string_view kInterleavedStop = "1101";

// Every digit has two wide elements of five, so a pair of digits (bars, then spaces) is always
// 14 modules: the hundred pairs, spelled out once.
constexpr std::size_t kPairModules = 14;
constexpr auto kInterleavedPairs = [] {
  std::array<std::array<char, kPairModules>, 100> pairs{};
  for (std::size_t pair = 0; pair < 100; ++pair) {
    const std::string_view bars = kInterleavedWeights[pair / 10];
    const std::string_view spaces = kInterleavedWeights[pair % 10];
    std::size_t at = 0;
    const auto element = [&](char module, char weight) {
      pairs[pair][at++] = module;
      if (weight == '1') pairs[pair][at++] = module;
    };
    for (std::size_t k = 0; k < 5; ++k) {
      element(kBar, bars[k]);
      element(kSpace, spaces[k]);
    }
    if (at != kPairModules) throw "a digit must have exactly two wide elements";
  }
  return pairs;
}();

// ---- The six encoders that map each digit to a fixed module string between start and stop.

struct TTwoOfFiveVariant {
  std::string_view Start;
  std::string_view Stop;
  const std::array<std::string_view, 10>& Digits;
};

// Bars carry the weights, wide = 2 modules, one space module after each bar.
constexpr std::array<std::string_view, 10> kIndustrialDigits = {
    "101011011010", "110101010110", "101101010110", "110110101010", "101011010110",
    "110101101010", "101101101010", "101010110110", "110101011010", "101101011010"};
// As industrial with wide bars of 3 modules.
constexpr std::array<std::string_view, 10> kIATADigits = {
    "10101110111010", "11101010101110", "10111010101110", "11101110101010", "10101110101110",
    "11101011101010", "10111011101010", "10101011101110", "11101010111010", "10111010111010"};
// Bar, space, bar, space, bar (wide = 2), then one space module.
constexpr std::array<std::string_view, 10> kMatrixDigits = {
    "10110010", "11010110", "10010110", "11001010", "10110110",
    "11011010", "10011010", "10100110", "11010010", "10010010"};
constexpr std::array<std::string_view, 10> kCoopDigits = {
    "11001010", "10100110", "10110110", "10110010", "10010110",
    "10010010", "10011010", "11010110", "11010010", "11011010"};
// Spaces carry the weights, wide = 3 modules, one bar module after each space.
constexpr std::array<std::string_view, 10> kInvertDigits = {
    "01010001000101", "00010101010001", "01000101010001", "00010001010101", "01010001010001",
    "00010100010101", "01000100010101", "01010100010001", "00010101000101", "01000101000101"};

constexpr TTwoOfFiveVariant kIndustrial{"22022020", "2202022", kIndustrialDigits};
constexpr TTwoOfFiveVariant kIATA{"2020", "22202", kIATADigits};
constexpr TTwoOfFiveVariant kMatrix{"22202020", "2220202", kMatrixDigits};
constexpr TTwoOfFiveVariant kDatalogic{"2020", "2202", kMatrixDigits};
constexpr TTwoOfFiveVariant kCoop{"220220", "20022", kCoopDigits};
constexpr TTwoOfFiveVariant kInvert{"20002000202", "0002020002", kInvertDigits};

// Texts that validation would refuse (empty, or holding anything but digits) give an empty
// pattern: there is nothing the tables could draw for them.
TEncodeResult EncodeTableDriven(std::string_view text, const TTwoOfFiveVariant& v) {
  TEncodeResult r;
  if (text.empty() || !AllDigits(text)) return r;
  std::string& p = r.Pattern;
  p = v.Start;
  r.Anchors.LeftFrom = static_cast<int>(p.size()) + 1;
  for (char c : text) p += v.Digits[DigitValue(c)];
  r.Anchors.LeftTo = static_cast<int>(p.size()) - 1;
  p += v.Stop;
  return r;
}

// The main number of a UPC shipping text and where its add-on begins.
constexpr std::size_t kShippingMainLength = 14;
constexpr std::size_t kShippingAddOnAt = 15;
constexpr std::size_t kShippingAddOnMaxLength = 6;
// Light modules between the main symbol's quiet zone and the add-on's.
constexpr std::string_view kShippingAddOnGap = "         ";
// Offset of the add-on caption from the add-on's left end.
constexpr int kShippingAddOnCaptionShift = 20;

}  // namespace

TEncodeResult Encode2of5Interleaved(std::string_view text, const TEncodeOptions&) {
  TEncodeResult r;
  // An odd digit would have no partner; dropping it would draw a different number, so such a
  // text (which validation refuses) draws nothing rather than a wrong symbol.
  if (text.empty() || text.size() % 2 != 0 || !AllDigits(text)) return r;
  std::string& p = r.Pattern;
  p.reserve(kInterleavedQuietZone.size() * 2 + 8 + text.size() / 2 * kPairModules);
  p = kInterleavedQuietZone;
  p += kInterleavedStart;
  r.Anchors.LeftFrom = static_cast<int>(p.size()) + 1;
  for (std::size_t i = 0; i + 1 < text.size(); i += 2)
    p.append(kInterleavedPairs[DigitValue(text[i]) * 10 + DigitValue(text[i + 1])].data(),
             kPairModules);
  r.Anchors.LeftTo = static_cast<int>(p.size()) - 1;
  p += kInterleavedStop;
  p += kInterleavedQuietZone;
  return r;
}

TEncodeResult Encode2of5Industrial(std::string_view text, const TEncodeOptions&) {
  return EncodeTableDriven(text, kIndustrial);
}

TEncodeResult Encode2of5Matrix(std::string_view text, const TEncodeOptions&) {
  return EncodeTableDriven(text, kMatrix);
}

TEncodeResult Encode2of5Datalogic(std::string_view text, const TEncodeOptions&) {
  return EncodeTableDriven(text, kDatalogic);
}

TEncodeResult Encode2of5IATA(std::string_view text, const TEncodeOptions&) {
  return EncodeTableDriven(text, kIATA);
}

TEncodeResult Encode2of5Invert(std::string_view text, const TEncodeOptions&) {
  return EncodeTableDriven(text, kInvert);
}

TEncodeResult Encode2of5Coop(std::string_view text, const TEncodeOptions&) {
  return EncodeTableDriven(text, kCoop);
}

TEncodeResult EncodeUPCShipping(std::string_view text, const TEncodeOptions& opts) {
  TEncodeResult r;
  if (text.size() < kShippingMainLength) return r;
  r = Encode2of5Interleaved(text.substr(0, kShippingMainLength), opts);
  if (r.Pattern.empty()) return r;
  std::string addOn;
  if (text.size() > kShippingAddOnAt) {
    addOn =
        Encode2of5Interleaved(text.substr(kShippingAddOnAt, kShippingAddOnMaxLength), opts).Pattern;
    // An add-on that cannot be encoded must not vanish silently from the symbol.
    if (addOn.empty()) return {};
    // The add-on's first quiet-zone module marks where the lowered add-on bars begin.
    addOn[0] = kAddOnMark;
    for (char& c : addOn)
      if (c == kGuardBar) c = kBar;
    r.Pattern += kShippingAddOnGap;
    r.Pattern += addOn;
  }
  r.Anchors.AddOnFrom = static_cast<int>(r.Pattern.size()) - static_cast<int>(addOn.size()) +
                        kShippingAddOnCaptionShift;
  return r;
}

}  // namespace brevix
