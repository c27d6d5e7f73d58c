#include "encoders/code128.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cstddef>
#include <vector>

namespace brevix {

namespace {

constexpr int kShift = 98;
constexpr int kCodeC = 99;
constexpr int kCodeB = 100;
constexpr int kCodeA = 101;
constexpr int kFnc1 = 102;
constexpr int kStartA = 103;
constexpr int kStartB = 104;
constexpr int kStartC = 105;
constexpr int kSymbolCount = 106;
constexpr int kCheckModulo = 103;
constexpr int kSymbolModules = 11;
constexpr int kMinDigitRun = 4;

// ---- Planner -------------------------------------------------------------------------------

enum class TCodeSet { A, B, C };

bool IsDigit(unsigned char c) {
  return c >= '0' && c <= '9';
}
bool IsControl(unsigned char c) {
  return c < 32;
}
bool IsLowercase(unsigned char c) {
  return c >= 'a' && c <= 'z';
}

// The symbol value of a seven-bit character: its set-A value below 32, otherwise the value it has
// in set A (32..95) or set B (96..127).
int CharValue(unsigned char c) {
  return c < 32 ? c + 64 : c - 32;
}

// Chooses the start symbol and every set change by fixed local rules. Characters above 127 have
// no symbol; a text holding one is not planned at all.
class TCode128Planner {
 public:
  explicit TCode128Planner(std::string_view text) : FText(text) {}

  std::string Plan() {
    if (FText.empty()) return {};
    for (char c : FText)
      if (static_cast<unsigned char>(c) > 127) return {};
    FValues.reserve(2 * FText.size() + 2);
    Start();
    while (FPos < FText.size()) Step();
    return FValues;
  }

 private:
  unsigned char At(std::size_t i) const { return static_cast<unsigned char>(FText[i]); }
  bool Has(std::size_t i) const { return i < FText.size(); }

  // Digits from i on, reported only when there are enough of them to be worth set C.
  std::size_t DigitRun(std::size_t i) const {
    std::size_t n = 0;
    while (Has(i + n) && IsDigit(At(i + n))) ++n;
    return n >= kMinDigitRun ? n : 0;
  }
  bool ControlThenLowercase(std::size_t i) const {
    return Has(i + 1) && IsControl(At(i)) && IsLowercase(At(i + 1));
  }
  bool ControlLowercaseControl(std::size_t i) const {
    return Has(i + 2) && IsControl(At(i)) && IsLowercase(At(i + 1)) && IsControl(At(i + 2));
  }

  void Emit(int value) { FValues += static_cast<char>(value); }
  void EmitChar(std::size_t i) { Emit(CharValue(At(i))); }
  void EmitDigitPairs(std::size_t count) {
    for (; count >= 2; count -= 2, FPos += 2) Emit(10 * (At(FPos) - '0') + (At(FPos + 1) - '0'));
  }

  // Makes the current set (or a SHIFT) read character c correctly.
  void Prepare(unsigned char c) {
    if (c < 32) {
      if (FSet == TCodeSet::B) {
        Emit(kShift);
      } else if (FSet == TCodeSet::C) {
        Emit(kCodeB);
        Emit(kShift);
        FSet = TCodeSet::B;
      }
    } else if (c < 96) {
      if (FSet == TCodeSet::C) SwitchTo(TCodeSet::B);
    } else if (FSet != TCodeSet::B) {
      // 96..127: lowercase letters, punctuation and DEL exist in set B only.
      SwitchTo(TCodeSet::B);
    }
  }

  void SwitchTo(TCodeSet set) {
    Emit(set == TCodeSet::A ? kCodeA : set == TCodeSet::B ? kCodeB : kCodeC);
    FSet = set;
  }

  void Start() {
    if (const std::size_t run = DigitRun(0)) {
      Emit(kStartC);
      FSet = TCodeSet::C;
      EmitDigitPairs(run);
      if (run % 2 == 1) {
        Prepare(At(FPos));
        EmitChar(FPos++);
      }
    } else if (ControlThenLowercase(0)) {
      Emit(kStartA);
      EmitChar(0);
      Emit(kCodeB);
      EmitChar(1);
      FSet = TCodeSet::B;
      FPos = 2;
    } else {
      Emit(kStartB);
      FSet = TCodeSet::B;
    }
  }

  // A SHIFT before each of the outer characters and the middle one read in the current set.
  void EmitShiftedTriple() {
    Emit(kShift);
    EmitChar(FPos);
    EmitChar(FPos + 1);
    Emit(kShift);
    EmitChar(FPos + 2);
    FPos += 3;
  }

  void Step() {
    const unsigned char c = At(FPos);
    if (std::size_t run = DigitRun(FPos)) {
      if (FSet != TCodeSet::C) {
        if (run % 2 == 1) {
          // The first digit of an odd run stays in the current set.
          Prepare(c);
          EmitChar(FPos++);
          --run;
        }
        SwitchTo(TCodeSet::C);
      }
      EmitDigitPairs(run);
    } else if (FSet == TCodeSet::B && IsControl(c)) {
      if (ControlLowercaseControl(FPos)) {
        EmitShiftedTriple();
      } else {
        SwitchTo(TCodeSet::A);
        EmitChar(FPos++);
      }
    } else if (FSet == TCodeSet::A && IsLowercase(c)) {
      if (Has(FPos + 2) && IsControl(At(FPos + 1)) && IsLowercase(At(FPos + 2))) {
        EmitShiftedTriple();
      } else {
        Emit(kShift);
        EmitChar(FPos++);
      }
    } else if (FSet == TCodeSet::C && !IsDigit(c)) {
      if (ControlThenLowercase(FPos)) {
        SwitchTo(TCodeSet::A);
        EmitChar(FPos);
        Emit(kShift);
        EmitChar(FPos + 1);
        FPos += 2;
      } else {
        SwitchTo(TCodeSet::B);  // the character is taken again under set B
      }
    } else {
      Prepare(c);
      EmitChar(FPos++);
    }
  }

  std::string_view FText;
  std::string FValues;
  std::size_t FPos = 0;
  TCodeSet FSet = TCodeSet::B;
};

// ---- Symbol assembly -----------------------------------------------------------------------

// Bar and space widths of symbols 0..105, bar first; each adds up to eleven modules.
constexpr std::array<std::string_view, kSymbolCount> kCode128Widths = {
    "212222", "222122", "222221", "121223", "121322",  // 0
    "131222", "122213", "122312", "132212", "221213",  // 5
    "221312", "231212", "112232", "122132", "122231",  // 10
    "113222", "123122", "123221", "223211", "221132",  // 15
    "221231", "213212", "223112", "312131", "311222",  // 20
    "321122", "321221", "312212", "322112", "322211",  // 25
    "212123", "212321", "232121", "111323", "131123",  // 30
    "131321", "112313", "132113", "132311", "211313",  // 35
    "231113", "231311", "112133", "112331", "132131",  // 40
    "113123", "113321", "133121", "313121", "211331",  // 45
    "231131", "213113", "213311", "213131", "311123",  // 50
    "311321", "331121", "312113", "312311", "332111",  // 55
    "314111", "221411", "431111", "111224", "111422",  // 60
    "121124", "121421", "141122", "141221", "112214",  // 65
    "112412", "122114", "122411", "142112", "142211",  // 70
    "241211", "221114", "413111", "241112", "134111",  // 75
    "111242", "121142", "121241", "114212", "124112",  // 80
    "124211", "411212", "421112", "421211", "212141",  // 85
    "214121", "412121", "111143", "111341", "131141",  // 90
    "114113", "114311", "411113", "411311", "113141",  // 95
    "114131", "311141", "411131", "211412", "211214",  // 100
    "211232",                                          // 105
};

using TSymbolModules = std::array<char, kSymbolModules>;

// The module rows of all symbols; the start symbols' bars are guard bars, drawn down through the
// caption band.
constexpr std::array<TSymbolModules, kSymbolCount> BuildCode128Patterns() {
  std::array<TSymbolModules, kSymbolCount> table{};
  for (int v = 0; v < kSymbolCount; ++v) {
    const char bar = v >= kStartA ? kGuardBar : kBar;
    std::size_t m = 0;
    for (std::size_t e = 0; e < 6; ++e) {
      const int width = kCode128Widths[static_cast<std::size_t>(v)][e] - '0';
      for (int k = 0; k < width; ++k)
        table[static_cast<std::size_t>(v)][m++] = e % 2 == 0 ? bar : kSpace;
    }
  }
  return table;
}

constexpr bool EverySymbolIsElevenModules() {
  for (std::string_view w : kCode128Widths) {
    int sum = 0;
    for (char c : w) sum += c - '0';
    if (w.size() != 6 || sum != kSymbolModules) return false;
  }
  return true;
}
static_assert(EverySymbolIsElevenModules());

constexpr auto kCode128Patterns = BuildCode128Patterns();

// The stop symbol with its terminating bar, in guard bars.
constexpr std::string_view kCode128Stop = "2200022202022";

// ---- Shortest plan -------------------------------------------------------------------------

// What the shortest planner reads: a seven-bit character, or FNC1.
constexpr int kFnc1Input = -1;

// The values one input takes in a set at position i: how many input characters they consume
// (0 when the set cannot take it there) and how many symbol values they cost.
struct TTake {
  int Consumed = 0;
  int Cost = 0;
};

TTake TakeIn(TCodeSet set, const std::vector<int>& in, std::size_t i) {
  const int c = in[i];
  if (c == kFnc1Input) return {1, 1};
  switch (set) {
    case TCodeSet::A:
      return {1, c < 96 ? 1 : 2};  // lowercase and DEL through SHIFT
    case TCodeSet::B:
      return {1, c >= 32 ? 1 : 2};  // control characters through SHIFT
    case TCodeSet::C:
      if (i + 1 < in.size() && IsDigit(static_cast<unsigned char>(c)) && in[i + 1] >= 0 &&
          IsDigit(static_cast<unsigned char>(in[i + 1])))
        return {2, 1};
      return {};
  }
  return {};
}

}  // namespace

std::string PlanCode128Shortest(std::string_view text, bool gs1) {
  std::vector<int> in;
  in.reserve(text.size() + 1);
  if (gs1) in.push_back(kFnc1Input);
  for (const char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    if (c > 127) return {};
    in.push_back(gs1 && c == 0x1D ? kFnc1Input : c);
  }
  if (in.empty() || text.empty()) return {};

  // best[i][s]: the fewest values that encode in[i..] with set s in force, a set change
  // included; 0 at the end.
  constexpr int kNone = 1 << 29;
  const std::size_t n = in.size();
  std::vector<std::array<int, 3>> best(n + 1, {0, 0, 0});
  std::vector<std::array<int, 3>> stay(n + 1, {kNone, kNone, kNone});
  for (std::size_t i = n; i-- > 0;) {
    for (int s = 0; s < 3; ++s) {
      const TTake t = TakeIn(static_cast<TCodeSet>(s), in, i);
      stay[i][s] = t.Consumed == 0 ? kNone : t.Cost + best[i + t.Consumed][s];
    }
    for (int s = 0; s < 3; ++s) {
      int b = stay[i][s];
      for (int other = 0; other < 3; ++other)
        if (other != s) b = std::min(b, 1 + stay[i][other]);
      best[i][s] = b;
    }
  }

  std::string values;
  values.reserve(2 * n + 2);
  int set = 0;
  for (int s = 1; s < 3; ++s)
    if (stay[0][s] < stay[0][set]) set = s;
  constexpr int kStart[3] = {kStartA, kStartB, kStartC};
  constexpr int kSwitch[3] = {kCodeA, kCodeB, kCodeC};
  values += static_cast<char>(kStart[set]);
  for (std::size_t i = 0; i < n;) {
    if (stay[i][set] > best[i][set]) {
      int to = set;
      for (int s = 0; s < 3; ++s)
        if (s != set && 1 + stay[i][s] == best[i][set]) to = s;
      values += static_cast<char>(kSwitch[to]);
      set = to;
    }
    const int c = in[i];
    if (c == kFnc1Input) {
      values += static_cast<char>(kFnc1);
      ++i;
    } else if (set == 2) {
      values += static_cast<char>(10 * (c - '0') + (in[i + 1] - '0'));
      i += 2;
    } else {
      const bool shifted = set == 0 ? c >= 96 : c < 32;
      if (shifted) values += static_cast<char>(kShift);
      values += static_cast<char>(CharValue(static_cast<unsigned char>(c)));
      ++i;
    }
  }
  return values;
}

std::string PlanCode128Sets(std::string_view text) {
  return TCode128Planner(text).Plan();
}

TEncodeResult EncodeCode128(std::string_view text, const TEncodeOptions& opts) {
  std::string values = PlanCode128Sets(text);
  if (values.empty()) return {};
  if (opts.TypeBar == csCodeEAN128) values.insert(values.begin() + 1, static_cast<char>(kFnc1));
  return Code128Symbol(std::move(values));
}

TEncodeResult Code128Symbol(std::string values) {
  // Weighted sum, reduced as it goes so that no text length can overflow it.
  int sum = static_cast<unsigned char>(values[0]);
  for (std::size_t k = 1; k < values.size(); ++k)
    sum = (sum + static_cast<int>(k % kCheckModulo) * static_cast<unsigned char>(values[k])) %
          kCheckModulo;
  values += static_cast<char>(sum % kCheckModulo);

  TEncodeResult r;
  r.Pattern.reserve(kSymbolModules * values.size() + kCode128Stop.size());
  for (char v : values) {
    assert(static_cast<unsigned char>(v) < kSymbolCount);
    const auto& row = kCode128Patterns[static_cast<unsigned char>(v)];
    r.Pattern.append(row.data(), row.size());
  }
  r.Anchors.LeftFrom = kSymbolModules + 1;
  r.Anchors.LeftTo = static_cast<int>(r.Pattern.size()) - 1;
  r.Pattern += kCode128Stop;
  return r;
}

}  // namespace brevix
