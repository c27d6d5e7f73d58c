// The control driven by arbitrary bytes: a little program of property writes (symbology values
// outside the enumeration included), encodes, checks and paints. A PDF417 error is an accepted
// outcome of the operations that may raise it; anything else that escapes, crashes or breaks an
// invariant is a finding.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "core/control.h"
#include "fuzz/fuzz_canvases.h"
#include "fuzz/fuzz_support.h"
#include "pdf417/pdf417.h"

namespace {

using namespace brevix;

enum TOp : std::uint8_t {
  kTypeBar,
  kText,
  kAngle,
  kDisplay,
  kRatio,
  kCompleteDraw,
  kTransparent,
  kPDF417Mode,
  kPDF417Level,
  kPDF417Truncate,
  kBounds,
  kPaint,
  kEncode,
  kMinWidth,
  kAssign,
  kOpCount
};

// Sizes: mostly what a form holds, sometimes anything a host could ask for.
int ConsumeSize(FuzzedDataProvider& in) {
  if (in.ConsumeIntegralInRange<int>(0, 15) == 0) return in.ConsumeIntegral<int>();
  return in.ConsumeIntegralInRange<int>(-4, 700);
}

void CheckEncode(TCustomBC& bc) {
  const TEncodeResult r = bc.EncodeText(bc.Text());
  fuzz::RequirePatternAlphabet(r.Pattern, "dispatcher output outside the pattern alphabet");
  if (!r.Pattern.empty())
    fuzz::Require(bc.ErrorMessage() == erOK, "a pattern although the check failed");
  // A text that passed the check must give something to draw: an empty pattern with erOK would
  // paint nothing and report success. Symbologies drawn by renderers of their own (PDF417, QR
  // Code, Data Matrix) report why they give no pattern.
  if (bc.ErrorMessage() == erOK)
    fuzz::Require(!r.Pattern.empty(), "checked text encoded to nothing without an error");
  fuzz::Require(!bc.ErrorText().empty(), "no message for the error state");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  TBrevixBC bc;
  TBrevixBC other;
  int steps = 0;
  while (in.remaining_bytes() > 0 && ++steps <= 24) {
    const auto op = static_cast<TOp>(in.ConsumeIntegralInRange<int>(0, kOpCount - 1));
    try {
      switch (op) {
        case kTypeBar:
          bc.SetTypeBar(static_cast<TTypeBar>(in.ConsumeIntegral<std::uint8_t>()));
          break;
        case kText:
          bc.SetText(in.ConsumeRandomLengthString(4096));
          break;
        case kAngle:
          bc.SetAngle(static_cast<TAngleType>(in.ConsumeIntegral<std::uint8_t>()));
          break;
        case kDisplay:
          bc.SetDisplay(static_cast<TDisplayType>(in.ConsumeIntegral<std::uint8_t>()));
          break;
        case kRatio:
          bc.SetRatio(in.ConsumeBool() ? in.ConsumeIntegralInRange<int>(-3, 4)
                                       : in.ConsumeIntegral<int>());
          break;
        case kCompleteDraw:
          bc.SetCompleteDraw(in.ConsumeBool());
          break;
        case kTransparent:
          bc.SetTransparent(in.ConsumeBool());
          break;
        case kPDF417Mode:
          bc.SetPDF417_Mode(static_cast<csPDF417UserMode>(in.ConsumeIntegral<std::uint8_t>()));
          break;
        case kPDF417Level:
          bc.SetPDF417_SecurityLevel(
              static_cast<csPDF417UserError>(in.ConsumeIntegral<std::uint8_t>()));
          break;
        case kPDF417Truncate:
          bc.SetPDF417_Truncate(in.ConsumeBool());
          break;
        case kBounds: {
          const int width = ConsumeSize(in);
          bc.SetBounds(0, 0, width, ConsumeSize(in));
          break;
        }
        case kPaint:
          fuzz::PaintOnEveryCanvas(bc, in.ConsumeIntegralInRange<int>(0, 7) == 0);
          break;
        case kEncode:
          CheckEncode(bc);
          break;
        case kMinWidth:
          (void)bc.MinWidth();
          break;
        case kAssign:
          other.Assign(bc);
          CheckEncode(other);
          break;
        case kOpCount:
          break;
      }
    } catch (const EPDF417Error&) {
      // The PDF417 character check and the capacity limit raise; the control stays usable.
    }
  }
  try {
    CheckEncode(bc);
    fuzz::PaintOnEveryCanvas(bc);
  } catch (const EPDF417Error&) {
  }
  return 0;
}
