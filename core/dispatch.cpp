// The encode dispatcher: check the text, then run the encoder of the current symbology.
#include <array>

#include "core/control.h"
#include "encoders/code128.h"
#include "encoders/code39_93.h"
#include "encoders/ean_upc.h"
#include "encoders/other_linear.h"
#include "encoders/two_of_five.h"

namespace brevix {

namespace {

using TEncoder = TEncodeResult (*)(std::string_view, const TEncodeOptions&);

// Book numbers and JAN-13 are drawn as the EAN-13 they stand for.
TEncodeResult EncodeBookland(std::string_view text, const TEncodeOptions& opts) {
  return EncodeEAN13(BooklandToEAN13(text, opts.TypeBar), opts);
}

struct TDispatchRow {
  TEncoder Encoder;  // nullptr: nothing is drawn by the linear path
  bool LeadingRoom;  // room for the leading (and trailing) digit caption
};

constexpr std::array<TDispatchRow, kTypeBarCount> kDispatch{{
    {Encode2of5Interleaved, false},  // csCode_2_5_interleaved
    {Encode2of5Industrial, false},   // csCode_2_5_industrial
    {Encode2of5Matrix, false},       // csCode_2_5_matrix
    {Encode2of5Datalogic, false},    // csCode_2_5_datalogic
    {Encode2of5IATA, false},         // csCode_2_5_IATA
    {Encode2of5Invert, false},       // csCode_2_5_invert
    {Encode2of5Coop, false},         // csCode_2_5_coop
    {EncodeCode39, false},           // csCode39
    {EncodeCode39Extended, false},   // csCode39Extended
    {EncodeCode93, false},           // csCode93
    {EncodeCode93Extended, false},   // csCode93Extended
    {EncodeCode128, false},          // csCode128
    {EncodeABCCodabar, false},       // csCodeABCCodabar
    {Encode2of5Interleaved, false},  // csCodeITF
    {EncodeBookland, true},          // csCodeISBN
    {EncodeBookland, true},          // csCodeISSN
    {EncodeBookland, true},          // csCodeISMN
    {EncodeCodabar, false},          // csCodeCodabar
    {EncodeMSI, false},              // csCodeMSI
    {EncodePostNet, false},          // csCodePostNet
    {Encode2of5Interleaved, false},  // csCodeOPC
    {EncodeEAN8, false},             // csCodeEAN8
    {EncodeEAN13, true},             // csCodeEAN13
    {EncodeCode128, false},          // csCodeEAN128 (the options carry the symbology)
    {EncodeEAN8, false},             // csCodeJAN8
    {EncodeBookland, true},          // csCodeJAN13
    {EncodeUPCA, true},              // csCodeUPC_A
    {EncodeUPCE, true},              // csCodeUPC_E0
    {EncodeUPCE, true},              // csCodeUPC_E1
    {EncodeUPCShipping, false},      // csCodeUPC_shipping
    {EncodeCode11, false},           // csCode11
    {EncodePZN, false},              // csCodePZN
    {nullptr, false},                // csCodePDF417: drawn by its own renderer
}};

}  // namespace

TEncodeResult TCustomBC::EncodeText(std::string_view text) {
  TEncodeResult result;  // empty pattern, all six anchors 0
  if (!PreEncodeCheck(text)) return result;
  if (static_cast<std::size_t>(FTypeBar) >= kDispatch.size()) return result;
  const TDispatchRow& row = kDispatch[FTypeBar];
  if (row.Encoder == nullptr) return result;
  const TEncodeOptions opts{FTypeBar, FShowCodeCaption, FCheckCharacters};
  result = row.Encoder(text, opts);
  if (row.LeadingRoom) AddLeadingRoom(result, opts);
  return result;
}

}  // namespace brevix
