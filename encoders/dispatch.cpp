#include "encoders/dispatch.h"

#include <array>

#include "core/symbologies.h"
#include "encoders/code128.h"
#include "encoders/code39_93.h"
#include "encoders/ean_upc.h"
#include "encoders/gs1_128.h"
#include "encoders/other_linear.h"
#include "encoders/two_of_five.h"

namespace brevix {

namespace {

using TEncoder = TEncodeResult (*)(std::string_view, const TEncodeOptions&);

// Book numbers and JAN-13 are drawn as the EAN-13 they stand for.
TEncodeResult EncodeBookland(std::string_view text, const TEncodeOptions& opts) {
  return EncodeEAN13(BooklandToEAN13(text, opts.TypeBar), opts);
}

// The encoder of each id the descriptor rows name, in TEncoderId order.
constexpr std::array<TEncoder, kEncoderIdCount> kEncoders{
    nullptr,  // None: nothing is drawn by the linear path
    Encode2of5Interleaved,
    Encode2of5Industrial,
    Encode2of5Matrix,
    Encode2of5Datalogic,
    Encode2of5IATA,
    Encode2of5Invert,
    Encode2of5Coop,
    EncodeCode39,
    EncodeCode39Extended,
    EncodeCode93,
    EncodeCode93Extended,
    EncodeCode128,
    EncodeABCCodabar,
    EncodeBookland,
    EncodeCodabar,
    EncodeMSI,
    EncodePostNet,
    EncodeEAN8,
    EncodeEAN13,
    EncodeUPCA,
    EncodeUPCE,
    EncodeUPCShipping,
    EncodeCode11,
    EncodePZN,
    EncodeGS1_128,
};
static_assert(static_cast<int>(TEncoderId::GS1_128) + 1 == kEncoderIdCount, "one encoder per id");
static_assert(kEncoders.back() == EncodeGS1_128, "encoders in TEncoderId order");

}  // namespace

TEncodeResult EncodeCheckedText(std::string_view text, const TEncodeOptions& opts,
                                TTextCheck& check) {
  TEncodeResult result;  // empty pattern, all six anchors 0
  if (!PreEncodeCheck(opts.TypeBar, text, check)) return result;
  const TSymbologyDescriptor* row = SymbologyOf(opts.TypeBar);
  if (row == nullptr) return result;
  const TEncoder encoder = kEncoders[static_cast<std::size_t>(row->Encoder)];
  if (encoder == nullptr) {
    // Drawn by a renderer of its own: no pattern, and the reason says so.
    check.Code = erErrorInBarCode;
    check.Detail = std::string(row->Name) + " has no linear pattern";
    return result;
  }
  result = encoder(text, opts);
  if (row->LeadingRoom) AddLeadingRoom(result, opts);
  return result;
}

}  // namespace brevix
