// The GS1 AI parser and GS1-128 with any bytes: a text is accepted or refused with a message
// naming a position inside it; an accepted text's caption parses again to the same element
// string; the element string holds AI digits, GS1 characters and separators only; the shortest
// Code 128 plan is never longer than the local rules' plan; and the symbol builds exactly when
// the strict parse accepts.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "core/gs1.h"
#include "encode/build_symbol.h"
#include "encoders/code128.h"
#include "encoders/gs1_128.h"
#include "fuzz/fuzz_support.h"

namespace {

using namespace brevix;

// Mostly AI syntax, so that the fuzzer reaches the field checks instead of the first refusal.
std::string Gs1ish(const std::string& raw) {
  static constexpr std::string_view kAlphabet = "0123456789()[]0123456789AZaz-/#\x1D";
  std::string out;
  for (const char c : raw) out += kAlphabet[static_cast<unsigned char>(c) % kAlphabet.size()];
  return out;
}

void CheckText(const std::string& text) {
  const TGs1Parse strict = ParseGs1(text, false);
  const TGs1Parse complete = ParseGs1(text, true);
  for (const TGs1Parse* p : {&strict, &complete}) {
    if (p->Ok()) continue;
    fuzz::Require(!p->Message.empty(), "a refusal without a message");
    fuzz::Require(p->Position >= 0 && p->Position <= static_cast<int>(text.size()),
                  "a refusal outside the text");
  }
  fuzz::Require(!strict.Ok() || complete.Ok(), "completion refuses what the strict parse takes");
  if (complete.Ok()) {
    const TGs1Parse again = ParseGs1(complete.Caption, false);
    fuzz::Require(again.Ok(), "the caption does not parse");
    fuzz::Require(again.ElementString == complete.ElementString, "the caption parses otherwise");
    for (const char c : complete.ElementString)
      fuzz::Require(c == kGs1Separator || (c > 32 && c < 127 && c != '#' && c != '[' && c != ']'),
                    "a byte outside the GS1 set in the element string");
  }
  const TEncodeResult r = EncodeGS1_128(text, {});
  fuzz::Require(r.Pattern.empty() != strict.Ok(), "GS1-128 encodes what the parse refuses");
  fuzz::RequirePatternAlphabet(r.Pattern, "GS1-128 pattern outside the alphabet");
  const TBuiltSymbol built = BuildSymbol(csCodeGS1_128, text);
  fuzz::Require(built.Ok() == strict.Ok(), "the library disagrees with the parse");
  if (!built.Ok()) fuzz::Require(!built.Error.Message.empty(), "a refused symbol without message");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const bool raw = in.ConsumeBool();
  const std::string bytes = in.ConsumeRandomLengthString(256);
  CheckText(raw ? bytes : Gs1ish(bytes));
  // The planner on any seven-bit text, FNC1 or not.
  const std::string plain = in.ConsumeRandomLengthString(128);
  for (const bool gs1 : {false, true}) {
    const std::string values = PlanCode128Shortest(plain, gs1);
    for (const char v : values)
      fuzz::Require(static_cast<unsigned char>(v) <= 105, "a Code 128 value out of range");
    if (!gs1 && !values.empty())
      fuzz::Require(
          values.size() <= PlanCode128Sets(plain).size() || PlanCode128Sets(plain).empty(),
          "the shortest plan is longer than the local rules' plan");
  }
  return 0;
}
