// Every linear encoder fed raw bytes, as a caller that skipped validation would: the pattern must
// stay in the module alphabet, encoding must be repeatable, and scaling must give the columns
// asked for.

#include <fuzzer/FuzzedDataProvider.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/check_digits.h"
#include "encoders/code128.h"
#include "encoders/code39_93.h"
#include "encoders/ean_upc.h"
#include "encoders/other_linear.h"
#include "encoders/two_of_five.h"
#include "fuzz/fuzz_support.h"

namespace {

using namespace brevix;
using TEncoder = TEncodeResult (*)(std::string_view, const TEncodeOptions&);

struct TEncoderRow {
  TEncoder Encode;
  TTypeBar TypeBar;
};

constexpr std::array<TEncoderRow, 24> kEncoders = {{
    {Encode2of5Interleaved, csCode_2_5_interleaved},
    {Encode2of5Industrial, csCode_2_5_industrial},
    {Encode2of5Matrix, csCode_2_5_matrix},
    {Encode2of5Datalogic, csCode_2_5_datalogic},
    {Encode2of5IATA, csCode_2_5_IATA},
    {Encode2of5Invert, csCode_2_5_invert},
    {Encode2of5Coop, csCode_2_5_coop},
    {EncodeUPCShipping, csCodeUPC_shipping},
    {EncodeCode39, csCode39},
    {EncodeCode39Extended, csCode39Extended},
    {EncodePZN, csCodePZN},
    {EncodeCode93, csCode93},
    {EncodeCode93Extended, csCode93Extended},
    {EncodeCode128, csCode128},
    {EncodeCode128, csCodeEAN128},
    {EncodeCodabar, csCodeCodabar},
    {EncodeABCCodabar, csCodeABCCodabar},
    {EncodeMSI, csCodeMSI},
    {EncodePostNet, csCodePostNet},
    {EncodeCode11, csCode11},
    {EncodeEAN8, csCodeEAN8},
    {EncodeEAN13, csCodeEAN13},
    {EncodeUPCA, csCodeUPC_A},
    {EncodeUPCE, csCodeUPC_E0},
}};

// Mostly digits with the separators the numeric symbologies know, so the fuzzer reaches the
// encoders' main paths instead of their refusals.
std::string Digitise(const std::string& raw) {
  static constexpr std::string_view kAlphabet = "0123456789012345678901234567890123456789- ";
  std::string s;
  s.reserve(raw.size());
  for (unsigned char c : raw) s += kAlphabet[c % kAlphabet.size()];
  return s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const std::size_t which = in.ConsumeIntegralInRange<std::size_t>(0, kEncoders.size() + 2);
  const bool digitise = in.ConsumeBool();
  TEncodeOptions opts;
  opts.ShowCodeCaption = in.ConsumeBool();
  opts.CheckCharacters = in.ConsumeBool();
  const int width = in.ConsumeIntegralInRange<int>(-8, 1 << 14);
  std::string text = in.ConsumeRemainingBytesAsString();
  if (digitise) text = Digitise(text);

  if (which == kEncoders.size()) {
    // The Bookland conversion feeds EAN-13 with its own output.
    const TTypeBar typeBar = static_cast<TTypeBar>(csCodeISBN + text.size() % 4);
    opts.TypeBar = typeBar == csCodeISBN + 3 ? csCodeJAN13 : typeBar;
    const std::string ean = BooklandToEAN13(text, opts.TypeBar);
    TEncodeResult r = EncodeEAN13(ean, opts);
    AddLeadingRoom(r, opts);
    fuzz::RequirePatternAlphabet(r.Pattern, "EAN-13 from Bookland: alphabet");
    fuzz::CheckScaling(r.Pattern, r.Anchors, width);
    return 0;
  }
  if (which == kEncoders.size() + 1) {
    const std::string values = PlanCode128Sets(text);
    for (unsigned char v : values) fuzz::Require(v <= 106, "Code 128 symbol value above 106");
    (void)Mod10CheckDigit(text);
    (void)ExpandUPCE(text);
    return 0;
  }
  if (which == kEncoders.size() + 2) {
    TCaptionAnchors anchors;
    const std::string addOn = EncodeAddOn(text, static_cast<int>(text.size()), anchors);
    fuzz::RequirePatternAlphabet(addOn, "add-on: alphabet");
    return 0;
  }

  const TEncoderRow& row = kEncoders[which];
  opts.TypeBar = row.TypeBar;
  TEncodeResult r = row.Encode(text, opts);
  fuzz::RequirePatternAlphabet(r.Pattern, "encoder output outside the pattern alphabet");
  const TEncodeResult again = row.Encode(text, opts);
  fuzz::Require(again.Pattern == r.Pattern && again.Anchors == r.Anchors,
                "encoding the same text twice differs");
  fuzz::CheckScaling(r.Pattern, r.Anchors, width);
  return 0;
}
