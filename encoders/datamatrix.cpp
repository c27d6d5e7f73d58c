// Data Matrix ECC 200. The data goes to codewords by the cheapest sequence of encodations (a
// shortest path over positions and modes, the stream's ending weighed for each symbol size),
// then padding, Reed-Solomon blocks, and the placement of the codewords in the data regions.

#include "datamatrix.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "datamatrix_tables.h"

namespace brevix {

namespace {

using dm::kSymbolSizes;
using dm::TSymbolSize;

// The data as symbols to encode: byte values 0..255, and FNC1 (a GS1 field separator).
constexpr int kFnc1 = 256;
// More characters than the largest symbol can hold in any encodation (1558 codewords of two
// digits each): longer data is refused before any work.
constexpr std::size_t kMaxCharacters = 3116;
constexpr int kInf = 1 << 29;

// Codewords.
constexpr int kPad = 129;
constexpr int kLatchC40 = 230;
constexpr int kLatchBase256 = 231;
constexpr int kFnc1Codeword = 232;
constexpr int kUpperShift = 235;
constexpr int kMacro05 = 236;
constexpr int kMacro06 = 237;
constexpr int kLatchX12 = 238;
constexpr int kLatchText = 239;
constexpr int kLatchEdifact = 240;
constexpr int kEciCodeword = 241;
constexpr int kUnlatch = 254;  // from C40, Text and X12
constexpr int kEdifactUnlatch = 31;
// The envelope macro 05 stands for ("06" likewise for macro 06).
constexpr std::string_view kMacroHeader =
    "[)>\x1E"
    "05\x1D";
constexpr std::string_view kMacroTrailer = "\x1E\x04";

// Encodation modes the planner moves between. Base 256 is no state of its own: a segment is one
// step from ASCII to ASCII, its length written in front.
enum TMode : std::uint8_t { mAscii, mC40, mText, mX12, mEdifact, kModeCount };

bool IsDigit(int c) {
  return c >= '0' && c <= '9';
}

// ---- character values of each encodation --------------------------------------------------

// C40 (text = false) or Text values of one character: 1 to 4 values, the shifts included.
int CtValues(int c, bool text, std::array<std::uint8_t, 4>& out) {
  int n = 0;
  if (c == kFnc1) {
    out[0] = 1;
    out[1] = 27;
    return 2;
  }
  if (c >= 128) {  // upper shift, then the character 128 below
    out[n++] = 1;
    out[n++] = 30;
    c -= 128;
  }
  if (c == ' ') {
    out[n++] = 3;
  } else if (IsDigit(c)) {
    out[n++] = static_cast<std::uint8_t>(c - '0' + 4);
  } else if (!text && c >= 'A' && c <= 'Z') {
    out[n++] = static_cast<std::uint8_t>(c - 'A' + 14);
  } else if (text && c >= 'a' && c <= 'z') {
    out[n++] = static_cast<std::uint8_t>(c - 'a' + 14);
  } else if (c < 32) {
    out[n++] = 0;
    out[n++] = static_cast<std::uint8_t>(c);
  } else if (c <= 47) {
    out[n++] = 1;
    out[n++] = static_cast<std::uint8_t>(c - 33);
  } else if (c <= 64) {
    out[n++] = 1;
    out[n++] = static_cast<std::uint8_t>(c - 58 + 15);
  } else if (c <= 95 && (c >= 91 || text)) {
    // [\]^_ in either set; in Text the capitals are in the third set
    out[n++] = c >= 91 ? 1 : 2;
    out[n++] = static_cast<std::uint8_t>(c >= 91 ? c - 91 + 22 : c - 64);
  } else {
    // ` a-z { | } ~ DEL in C40; ` { | } ~ DEL in Text
    out[n++] = 2;
    out[n++] = static_cast<std::uint8_t>(!text || c == '`' ? c - 96 : c - 123 + 27);
  }
  return n;
}

int CtCount(int c, bool text) {
  std::array<std::uint8_t, 4> v{};
  return CtValues(c, text, v);
}

int X12Value(int c) {
  if (c == '\r') return 0;
  if (c == '*') return 1;
  if (c == '>') return 2;
  if (c == ' ') return 3;
  if (IsDigit(c)) return c - '0' + 4;
  if (c >= 'A' && c <= 'Z') return c - 'A' + 14;
  return -1;
}

bool IsEdifact(int c) {
  return c >= 32 && c <= 94;
}

int AsciiCost(int c) {
  return c >= 128 && c != kFnc1 ? 2 : 1;
}

// ---- the planner ----------------------------------------------------------------------------

enum TStep : std::uint8_t {
  sStart,
  sLatch,        // ASCII -> mode, same position
  sUnlatch,      // mode -> ASCII, same position
  sAsciiOne,     // one character in ASCII
  sAsciiPair,    // two digits in one codeword
  sBase256,      // ASCII -> ASCII through a Base 256 segment of the characters From..position
  sCtSpan,       // C40 or Text values filling whole triplets
  sX12Triplet,   // three X12 characters
  sEdifactFour,  // four EDIFACT characters in three codewords
  sEdifactLast,  // one to three EDIFACT characters and the unlatch, then ASCII
};

struct TBack {
  int From = -1;  // position the step starts at
  TMode FromMode = mAscii;
  TStep Step = sStart;
};

// How the stream ends, chosen once the symbol is known.
enum TEnding : std::uint8_t {
  eAscii,         // in ASCII after the last character
  eClean,         // in C40/Text/X12/EDIFACT on a boundary after the last character
  eCtShiftPad,    // C40/Text tail ending with one Shift 1 value in its last triplet
  eImplicitOne,   // C40/Text/X12 on a boundary, the rest in one ASCII codeword filling the symbol
  eImplicitTwo,   // EDIFACT on a boundary, the rest in ASCII in the last one or two codewords
  eBase256ToEnd,  // a long Base 256 segment filling the symbol, length field 0
};

struct TPlan {
  int Length = kInf;  // codewords
  TEnding Ending = eAscii;
  TMode Mode = mAscii;
  int Position = 0;  // state the ending starts from
};

class TPlanner {
 public:
  TPlanner(const std::vector<int>& data, int prefixCost) : FData(data), FN(data.size()) {
    for (auto& c : FCost) c.assign(FN + 1, kInf);
    for (auto& b : FBack) b.assign(FN + 1, TBack{});
    Prepare();
    Run(prefixCost);
  }

  // The shortest stream for a symbol of `capacity` data codewords; Length kInf when none fits.
  TPlan Fit(int capacity) const {
    const int n = static_cast<int>(FN);
    TPlan best;
    auto consider = [&](int length, TEnding ending, TMode mode, int position) {
      if (length < best.Length) best = {length, ending, mode, position};
    };
    if (FCost[mAscii][FN] <= capacity) consider(FCost[mAscii][FN], eAscii, mAscii, n);
    for (TMode m : {mC40, mText, mX12, mEdifact})
      if (FCost[m][FN] <= capacity) consider(FCost[m][FN], eClean, m, n);
    if (FShiftPadLength <= capacity)
      consider(FShiftPadLength, eCtShiftPad, FShiftPadMode, FShiftPadFrom);
    // One ASCII codeword after C40/Text/X12 needs no unlatch when it is the symbol's last.
    for (TMode m : {mC40, mText, mX12})
      for (int j = std::max(0, n - 2); j < n; ++j)
        if (FCost[m][static_cast<std::size_t>(j)] + 1 == capacity && AsciiTail(j) == 1)
          consider(capacity, eImplicitOne, m, j);
    // EDIFACT with one or two codewords left in the symbol goes on in ASCII unannounced.
    for (int j = std::max(0, n - 4); j < n; ++j) {
      const int cost = FCost[mEdifact][static_cast<std::size_t>(j)];
      const int tail = AsciiTail(j);
      if (cost < kInf && tail <= 2 && cost + tail <= capacity && capacity - cost <= 2)
        consider(cost + tail, eImplicitTwo, mEdifact, j);
    }
    if (FBase256ToEnd == capacity) consider(capacity, eBase256ToEnd, mAscii, FBase256ToEndFrom);
    return best;
  }

  // The shortest stream whatever the symbol (for the message when nothing holds it).
  int ShortestLength() const {
    int best = std::min(FShiftPadLength, FBase256ToEnd);
    for (const auto& c : FCost) best = std::min(best, c[FN]);
    return best;
  }

  const TBack& Back(TMode m, int i) const { return FBack[m][static_cast<std::size_t>(i)]; }

  // ASCII codewords for the characters from `from` to the end, when there are at most four,
  // else kInf.
  int AsciiTail(int from) const {
    const int n = static_cast<int>(FN);
    if (n - from > 4) return kInf;
    int cost = 0;
    for (int i = from; i < n;) {
      if (i + 1 < n && IsDigit(FData[static_cast<std::size_t>(i)]) &&
          IsDigit(FData[static_cast<std::size_t>(i) + 1])) {
        i += 2;
      } else {
        cost += AsciiCost(FData[static_cast<std::size_t>(i)]) - 1;
        ++i;
      }
      ++cost;
    }
    return cost;
  }

 private:
  void Prepare() {
    // Prefix counts of C40 and Text values, and for each position the nearest later one at
    // which the values since then fill whole triplets.
    FValC40.assign(FN + 1, 0);
    FValText.assign(FN + 1, 0);
    for (std::size_t i = 0; i < FN; ++i) {
      FValC40[i + 1] = FValC40[i] + CtCount(FData[i], false);
      FValText[i + 1] = FValText[i] + CtCount(FData[i], true);
    }
    FNextC40.assign(FN + 1, -1);
    FNextText.assign(FN + 1, -1);
    std::array<int, 3> lastC40{-1, -1, -1};
    std::array<int, 3> lastText{-1, -1, -1};
    for (std::size_t k = FN + 1; k-- > 0;) {
      const auto rc = static_cast<std::size_t>(FValC40[k] % 3);
      const auto rt = static_cast<std::size_t>(FValText[k] % 3);
      FNextC40[k] = lastC40[rc];
      FNextText[k] = lastText[rt];
      lastC40[rc] = static_cast<int>(k);
      lastText[rt] = static_cast<int>(k);
    }
  }

  void Relax(TMode m, std::size_t to, int cost, int from, TMode fromMode, TStep step) {
    if (cost < FCost[m][to]) {
      FCost[m][to] = cost;
      FBack[m][to] = {from, fromMode, step};
    }
  }

  void Run(int prefixCost) {
    FCost[mAscii][0] = prefixCost;
    // Base 256 segments ending here start at s with cost ASCII(s) - s + here + 2 (latch and one
    // length byte), one more when longer than 249 bytes. The window holds the starts of short
    // segments by increasing key, `longKey` the best start of a long one.
    std::deque<int> window;
    int longKey = kInf;
    int longFrom = -1;
    auto key = [&](int s) { return FCost[mAscii][static_cast<std::size_t>(s)] - s; };
    for (std::size_t i = 0; i <= FN; ++i) {
      const int pos = static_cast<int>(i);
      if (i > 0) {
        if (FData[i - 1] == kFnc1) {  // no segment holds FNC1
          window.clear();
          longKey = kInf;
          longFrom = -1;
        } else {
          const int s = pos - 1;
          if (key(s) < kInf / 2) {
            while (!window.empty() && key(window.back()) >= key(s)) window.pop_back();
            window.push_back(s);
          }
          while (!window.empty() && window.front() < pos - 249) {
            if (key(window.front()) < longKey) {
              longKey = key(window.front());
              longFrom = window.front();
            }
            window.pop_front();
          }
          if (!window.empty())
            Relax(mAscii, i, key(window.front()) + pos + 2, window.front(), mAscii, sBase256);
          if (longFrom >= 0) Relax(mAscii, i, longKey + pos + 3, longFrom, mAscii, sBase256);
        }
      }
      if (i == FN) {
        // A long final segment may say "to the end of the symbol" in one length byte.
        if (longFrom >= 0) {
          FBase256ToEnd = longKey + pos + 2;
          FBase256ToEndFrom = longFrom;
        }
      }

      for (TMode m : {mC40, mText, mX12, mEdifact})
        Relax(mAscii, i, FCost[m][i] + 1, pos, m, sUnlatch);
      for (TMode m : {mC40, mText, mX12, mEdifact})
        Relax(m, i, FCost[mAscii][i] + 1, pos, mAscii, sLatch);
      if (i == FN) break;

      const int c = FData[i];
      // ASCII
      if (i + 1 < FN && IsDigit(c) && IsDigit(FData[i + 1]))
        Relax(mAscii, i + 2, FCost[mAscii][i] + 1, pos, mAscii, sAsciiPair);
      Relax(mAscii, i + 1, FCost[mAscii][i] + AsciiCost(c), pos, mAscii, sAsciiOne);
      // C40 and Text
      for (const bool text : {false, true}) {
        const TMode m = text ? mText : mC40;
        const int j = (text ? FNextText : FNextC40)[i];
        if (j < 0) continue;
        const auto& val = text ? FValText : FValC40;
        const int values = val[static_cast<std::size_t>(j)] - val[i];
        Relax(m, static_cast<std::size_t>(j), FCost[m][i] + values / 3 * 2, pos, m, sCtSpan);
      }
      // X12
      if (i + 3 <= FN && X12Value(c) >= 0 && X12Value(FData[i + 1]) >= 0 &&
          X12Value(FData[i + 2]) >= 0)
        Relax(mX12, i + 3, FCost[mX12][i] + 2, pos, mX12, sX12Triplet);
      // EDIFACT: four characters in three codewords, or the last one to three with the unlatch
      // (6 bits each, rounded up to whole codewords).
      for (std::size_t k = 1; k <= 4 && i + k <= FN && IsEdifact(FData[i + k - 1]); ++k) {
        if (k == 4)
          Relax(mEdifact, i + 4, FCost[mEdifact][i] + 3, pos, mEdifact, sEdifactFour);
        else
          Relax(mAscii, i + k, FCost[mEdifact][i] + static_cast<int>((6 * (k + 1) + 7) / 8), pos,
                mEdifact, sEdifactLast);
      }
    }

    // C40/Text tails whose values leave two in the last triplet: a Shift 1 fills it.
    for (std::size_t i = 0; i < FN; ++i)
      for (const bool text : {false, true}) {
        const TMode m = text ? mText : mC40;
        const auto& val = text ? FValText : FValC40;
        const int values = val[FN] - val[i];
        if (FCost[m][i] >= kInf || values % 3 != 2) continue;
        const int length = FCost[m][i] + (values + 1) / 3 * 2;
        if (length < FShiftPadLength) {
          FShiftPadLength = length;
          FShiftPadMode = m;
          FShiftPadFrom = static_cast<int>(i);
        }
      }
  }

  const std::vector<int>& FData;
  std::size_t FN;
  std::array<std::vector<int>, kModeCount> FCost;
  std::array<std::vector<TBack>, kModeCount> FBack;
  std::vector<int> FValC40, FValText, FNextC40, FNextText;
  int FShiftPadLength = kInf;
  TMode FShiftPadMode = mC40;
  int FShiftPadFrom = 0;
  int FBase256ToEnd = kInf;
  int FBase256ToEndFrom = -1;
};

// ---- codeword stream ------------------------------------------------------------------------

class TStreamWriter {
 public:
  TStreamWriter(const std::vector<int>& data, int capacity, std::vector<std::uint8_t>& out)
      : FData(data), FCapacity(capacity), FOut(out) {}

  void Put(int cw) { FOut.push_back(static_cast<std::uint8_t>(cw)); }
  int Left() const { return FCapacity - static_cast<int>(FOut.size()); }
  int At(int i) const { return FData[static_cast<std::size_t>(i)]; }

  void Ascii(int from, int to) {
    for (int i = from; i < to; ++i) {
      const int c = At(i);
      if (i + 1 < to && IsDigit(c) && IsDigit(At(i + 1))) {
        Put(130 + (c - '0') * 10 + (At(i + 1) - '0'));
        ++i;
      } else if (c == kFnc1) {
        Put(kFnc1Codeword);
      } else if (c >= 128) {
        Put(kUpperShift);
        Put(c - 128 + 1);
      } else {
        Put(c + 1);
      }
    }
  }

  // Values packed three to two codewords; a short last triplet is filled with Shift 1.
  void Triplets(const std::vector<std::uint8_t>& values) {
    for (std::size_t k = 0; k < values.size(); k += 3) {
      const int a = values[k];
      const int b = k + 1 < values.size() ? values[k + 1] : 0;
      const int c = k + 2 < values.size() ? values[k + 2] : 0;
      const int v = 1600 * a + 40 * b + c + 1;
      Put(v >> 8);
      Put(v & 0xFF);
    }
  }

  void CtSpan(bool text, int from, int to) {
    std::vector<std::uint8_t> values;
    std::array<std::uint8_t, 4> v{};
    for (int i = from; i < to; ++i) {
      const int n = CtValues(At(i), text, v);
      values.insert(values.end(), v.begin(), v.begin() + n);
    }
    Triplets(values);
  }

  void X12(int from) {
    Triplets({static_cast<std::uint8_t>(X12Value(At(from))),
              static_cast<std::uint8_t>(X12Value(At(from + 1))),
              static_cast<std::uint8_t>(X12Value(At(from + 2)))});
  }

  // EDIFACT characters (and the unlatch when `unlatch`), six bits each, in whole codewords.
  void Edifact(int from, int to, bool unlatch) {
    std::uint32_t bits = 0;
    int count = 0;
    auto push = [&](int v) {
      bits = (bits << 6) | static_cast<std::uint32_t>(v & 0x3F);
      count += 6;
      while (count >= 8) {
        Put(static_cast<int>((bits >> (count - 8)) & 0xFF));
        count -= 8;
      }
    };
    for (int i = from; i < to; ++i) push(At(i));
    if (unlatch) push(kEdifactUnlatch);
    if (count > 0) Put(static_cast<int>((bits << (8 - count)) & 0xFF));
  }

  void Base256(int from, int to, bool toEnd) {
    const int n = to - from;
    std::vector<int> field;
    if (toEnd)
      field.push_back(0);
    else if (n <= 249)
      field.push_back(n);
    else {
      field.push_back(n / 250 + 249);
      field.push_back(n % 250);
    }
    Put(kLatchBase256);
    for (int f : field) Randomised255(f);
    for (int i = from; i < to; ++i) Randomised255(At(i));
  }

  void Pad() {
    if (Left() > 0) Put(kPad);
    while (Left() > 0) {
      const int position = static_cast<int>(FOut.size()) + 1;
      const int v = kPad + (149 * position) % 253 + 1;
      Put(v <= 254 ? v : v - 254);
    }
  }

 private:
  void Randomised255(int v) {
    const int position = static_cast<int>(FOut.size()) + 1;
    Put((v + (149 * position) % 255 + 1) & 0xFF);
  }

  const std::vector<int>& FData;
  int FCapacity;
  std::vector<std::uint8_t>& FOut;
};

constexpr int LatchCodeword(TMode m) {
  return m == mC40 ? kLatchC40 : m == mText ? kLatchText : m == mX12 ? kLatchX12 : kLatchEdifact;
}

void WriteEci(int eci, std::vector<std::uint8_t>& out) {
  out.push_back(kEciCodeword);
  if (eci <= 126) {
    out.push_back(static_cast<std::uint8_t>(eci + 1));
  } else if (eci <= 16382) {
    out.push_back(static_cast<std::uint8_t>((eci - 127) / 254 + 128));
    out.push_back(static_cast<std::uint8_t>((eci - 127) % 254 + 1));
  } else {
    out.push_back(static_cast<std::uint8_t>((eci - 16383) / 64516 + 192));
    out.push_back(static_cast<std::uint8_t>((eci - 16383) / 254 % 254 + 1));
    out.push_back(static_cast<std::uint8_t>((eci - 16383) % 254 + 1));
  }
}

int EciCost(int eci) {
  return eci < 0 ? 0 : eci <= 126 ? 2 : eci <= 16382 ? 3 : 4;
}

struct TStepAt {
  TBack Back;
  TMode Mode;  // state the step arrives in
  int To;
};

// The data codewords of `plan` after the `header` codeword (a macro, or 0 for none), padded to
// `capacity`.
std::vector<std::uint8_t> WriteStream(const TPlanner& planner, const TPlan& plan,
                                      const std::vector<int>& data, const TDmOptions& options,
                                      int header, int capacity) {
  // The steps from the start to the state the ending begins at, in order.
  std::vector<TStepAt> steps;
  TMode mode = plan.Mode;
  int pos = plan.Position;
  while (true) {
    const TBack& b = planner.Back(mode, pos);
    if (b.Step == sStart) break;
    steps.push_back({b, mode, pos});
    mode = b.FromMode;
    pos = b.From;
  }
  std::reverse(steps.begin(), steps.end());

  std::vector<std::uint8_t> out;
  out.reserve(static_cast<std::size_t>(capacity));
  if (header != 0) out.push_back(static_cast<std::uint8_t>(header));
  if (options.Gs1) out.push_back(kFnc1Codeword);
  if (options.Eci >= 0) WriteEci(options.Eci, out);
  TStreamWriter w(data, capacity, out);
  const int n = static_cast<int>(data.size());
  for (const TStepAt& s : steps) {
    const int from = s.Back.From;
    switch (s.Back.Step) {
      case sStart:
        break;
      case sLatch:
        w.Put(LatchCodeword(s.Mode));
        break;
      case sUnlatch:
        // A reader returns to ASCII by itself with fewer codewords left than a triplet (C40,
        // Text, X12) or an EDIFACT group needs, and would read an unlatch there as data.
        if (s.Back.FromMode == mEdifact) {
          if (w.Left() >= 3) w.Edifact(from, from, true);
        } else if (w.Left() >= 2) {
          w.Put(kUnlatch);
        }
        break;
      case sAsciiOne:
      case sAsciiPair:
        w.Ascii(from, s.To);
        break;
      case sBase256:
        w.Base256(from, s.To, false);
        break;
      case sCtSpan:
        w.CtSpan(s.Mode == mText, from, s.To);
        break;
      case sX12Triplet:
        w.X12(from);
        break;
      case sEdifactFour:
        w.Edifact(from, s.To, false);
        break;
      case sEdifactLast:
        if (w.Left() >= 3)
          w.Edifact(from, s.To, true);
        else
          w.Ascii(from, s.To);  // the reader is back in ASCII by itself
        break;
    }
  }
  switch (plan.Ending) {
    case eAscii:
      break;
    case eClean:
      if (plan.Mode == mEdifact ? w.Left() >= 3 : w.Left() >= 2) {
        if (plan.Mode == mEdifact)
          w.Edifact(n, n, true);
        else
          w.Put(kUnlatch);
      }
      break;
    case eCtShiftPad:
      w.CtSpan(plan.Mode == mText, plan.Position, n);
      if (w.Left() >= 2) w.Put(kUnlatch);
      break;
    case eImplicitOne:
    case eImplicitTwo:
      w.Ascii(plan.Position, n);
      break;
    case eBase256ToEnd:
      w.Base256(plan.Position, n, true);
      break;
  }
  w.Pad();
  return out;
}

// ---- error correction and placement ---------------------------------------------------------

std::uint8_t Multiply(std::uint8_t a, std::uint8_t b) {
  if (a == 0 || b == 0) return 0;
  return dm::kField.Exp[static_cast<std::size_t>(dm::kField.Log[a]) + dm::kField.Log[b]];
}

// Appends the error-correction codewords: codeword k of the whole stream, data and check
// codewords alike, belongs to block k mod Blocks.
void AddErrorCorrection(const TSymbolSize& size, std::vector<std::uint8_t>& codewords) {
  const int blocks = size.Blocks;
  const int ecPerBlock = size.EcCodewords / blocks;
  // Generator polynomial (x - 2^1)(x - 2^2)...(x - 2^k), coefficients from x^0 up.
  std::array<std::uint8_t, 69> gen{};
  gen[0] = 1;
  for (int i = 1; i <= ecPerBlock; ++i) {
    const std::uint8_t root = dm::kField.Exp[static_cast<std::size_t>(i)];
    for (int j = i; j > 0; --j)
      gen[static_cast<std::size_t>(j)] =
          gen[static_cast<std::size_t>(j - 1)] ^ Multiply(gen[static_cast<std::size_t>(j)], root);
    gen[0] = Multiply(gen[0], root);
  }
  // Logarithms of the coefficients below the leading one, highest power first.
  std::array<std::uint8_t, 68> logGen{};
  for (int j = 0; j < ecPerBlock; ++j)
    logGen[static_cast<std::size_t>(j)] =
        dm::kField.Log[gen[static_cast<std::size_t>(ecPerBlock - 1 - j)]];
  const std::size_t dataCount = size.DataCodewords;
  const auto k = static_cast<std::size_t>(ecPerBlock);
  codewords.resize(dataCount + size.EcCodewords, 0);
  std::array<std::uint8_t, 69> ec{};
  for (int b = 0; b < blocks; ++b) {
    std::fill(ec.begin(), ec.end(), std::uint8_t{0});
    // Division by the generator: the remainder shifts up one place per data codeword.
    for (std::size_t i = static_cast<std::size_t>(b); i < dataCount;
         i += static_cast<std::size_t>(blocks)) {
      const std::uint8_t m = codewords[i] ^ ec[0];
      std::copy(ec.begin() + 1, ec.begin() + static_cast<std::ptrdiff_t>(k) + 1, ec.begin());
      if (m == 0) continue;
      const std::size_t logM = dm::kField.Log[m];
      for (std::size_t j = 0; j < k; ++j) ec[j] ^= dm::kField.Exp[logM + logGen[j]];
    }
    // The round robin goes on through the check codewords: in 144 x 144, whose data ends after
    // block 8 of 10, the check codewords begin with block 8's.
    const std::size_t first =
        dataCount +
        static_cast<std::size_t>(((b - static_cast<int>(dataCount)) % blocks + blocks) % blocks);
    for (int j = 0; j < ecPerBlock; ++j)
      codewords[first + static_cast<std::size_t>(j * blocks)] = ec[static_cast<std::size_t>(j)];
  }
}

// Places the codewords in the mapping matrix (the data regions side by side, without their
// finder and clock patterns): each codeword an L-shaped group of eight modules along diagonals,
// with four special groups at the corners. Cells: 0 unset, 1 light, 2 dark.
class TPlacement {
 public:
  TPlacement(int rows, int columns, const std::vector<std::uint8_t>& codewords)
      : FRows(rows),
        FCols(columns),
        FCodewords(codewords),
        FCells(static_cast<std::size_t>(rows * columns), 0) {
    Place();
  }
  bool Dark(int r, int c) const { return Cell(r, c) == 2; }

 private:
  std::uint8_t& Cell(int r, int c) { return FCells[static_cast<std::size_t>(r * FCols + c)]; }
  std::uint8_t Cell(int r, int c) const { return FCells[static_cast<std::size_t>(r * FCols + c)]; }

  void Module(int r, int c, int cw, int bit) {
    if (r < 0) {
      r += FRows;
      c += 4 - (FRows + 4) % 8;
    }
    if (c < 0) {
      c += FCols;
      r += 4 - (FCols + 4) % 8;
    }
    const bool dark = (FCodewords[static_cast<std::size_t>(cw)] >> (8 - bit)) & 1;
    Cell(r, c) = dark ? 2 : 1;
  }

  void Utah(int r, int c, int cw) {
    Module(r - 2, c - 2, cw, 1);
    Module(r - 2, c - 1, cw, 2);
    Module(r - 1, c - 2, cw, 3);
    Module(r - 1, c - 1, cw, 4);
    Module(r - 1, c, cw, 5);
    Module(r, c - 2, cw, 6);
    Module(r, c - 1, cw, 7);
    Module(r, c, cw, 8);
  }

  using TCorner = std::array<std::array<int, 2>, 8>;
  void Corner(const TCorner& cells, int cw) {
    for (int k = 0; k < 8; ++k) {
      const auto& rc = cells[static_cast<std::size_t>(k)];
      Module(rc[0] < 0 ? FRows + rc[0] : rc[0], rc[1] < 0 ? FCols + rc[1] : rc[1], cw, k + 1);
    }
  }

  void Place() {
    // Corner groups as (row, column), negative counting from the bottom or right edge.
    static constexpr TCorner kCorner1 = {
        {{-1, 0}, {-1, 1}, {-1, 2}, {0, -2}, {0, -1}, {1, -1}, {2, -1}, {3, -1}}};
    static constexpr TCorner kCorner2 = {
        {{-3, 0}, {-2, 0}, {-1, 0}, {0, -4}, {0, -3}, {0, -2}, {0, -1}, {1, -1}}};
    static constexpr TCorner kCorner3 = {
        {{-3, 0}, {-2, 0}, {-1, 0}, {0, -2}, {0, -1}, {1, -1}, {2, -1}, {3, -1}}};
    static constexpr TCorner kCorner4 = {
        {{-1, 0}, {-1, -1}, {0, -3}, {0, -2}, {0, -1}, {1, -3}, {1, -2}, {1, -1}}};
    int cw = 0;
    int r = 4;
    int c = 0;
    do {
      if (r == FRows && c == 0) Corner(kCorner1, cw++);
      if (r == FRows - 2 && c == 0 && FCols % 4 != 0) Corner(kCorner2, cw++);
      if (r == FRows - 2 && c == 0 && FCols % 8 == 4) Corner(kCorner3, cw++);
      if (r == FRows + 4 && c == 2 && FCols % 8 == 0) Corner(kCorner4, cw++);
      do {  // up and to the right
        if (r < FRows && c >= 0 && Cell(r, c) == 0) Utah(r, c, cw++);
        r -= 2;
        c += 2;
      } while (r >= 0 && c < FCols);
      r += 1;
      c += 3;
      do {  // down and to the left
        if (r >= 0 && c < FCols && Cell(r, c) == 0) Utah(r, c, cw++);
        r += 2;
        c -= 2;
      } while (r < FRows && c >= 0);
      r += 3;
      c += 1;
    } while (r < FRows || c < FCols);
    // The bottom-right 2 x 2 modules no codeword reached: a fixed pattern.
    if (Cell(FRows - 1, FCols - 1) == 0) {
      Cell(FRows - 1, FCols - 1) = 2;
      Cell(FRows - 2, FCols - 2) = 2;
    }
  }

  int FRows, FCols;
  const std::vector<std::uint8_t>& FCodewords;
  std::vector<std::uint8_t> FCells;
};

// What each row or column of the symbol is: a finder line (the left column and bottom row of a
// region), a clock track (its top row and right column), or line k of the mapping matrix.
constexpr int kFinderLine = -1;
constexpr int kClockLine = -2;

std::vector<int> Lines(int regions, int regionSize, bool finderFirst) {
  std::vector<int> lines;
  lines.reserve(static_cast<std::size_t>(regions * (regionSize + 2)));
  for (int g = 0; g < regions; ++g) {
    lines.push_back(finderFirst ? kFinderLine : kClockLine);
    for (int k = 0; k < regionSize; ++k) lines.push_back(g * regionSize + k);
    lines.push_back(finderFirst ? kClockLine : kFinderLine);
  }
  return lines;
}

std::vector<std::string> BuildRows(const TSymbolSize& size,
                                   const std::vector<std::uint8_t>& codewords) {
  const TPlacement placement(size.MappingRows(), size.MappingColumns(), codewords);
  const std::vector<int> columns = Lines(size.RegionsAcross, size.RegionColumns(), true);
  const std::vector<int> rows = Lines(size.RegionsDown, size.RegionRows(), false);
  std::vector<std::string> out(size.Rows, std::string(size.Columns, '0'));
  for (std::size_t y = 0; y < rows.size(); ++y) {
    std::string& line = out[y];
    const int r = rows[y];
    for (std::size_t x = 0; x < columns.size(); ++x) {
      const int c = columns[x];
      bool dark;
      if (c == kFinderLine || r == kFinderLine)
        dark = true;
      else if (r == kClockLine)
        dark = x % 2 == 0;  // clock track along the top, dark first
      else if (c == kClockLine)
        dark = y % 2 == 1;  // clock track down the right, light first
      else
        dark = placement.Dark(r, c);
      if (dark) line[x] = '1';
    }
  }
  return out;
}

std::string SizeName(const TSymbolSize& s) {
  return std::to_string(s.Rows) + " x " + std::to_string(s.Columns);
}

TMatrixResult Failure(TLastError error, std::string message) {
  TMatrixResult r;
  r.Error = error;
  r.Message = std::move(message);
  return r;
}

}  // namespace

TMatrixResult EncodeDataMatrix(std::string_view data, const TDmOptions& options) {
  if (data.empty()) return Failure(erEmptyCode, "Empty code.");
  if (options.Eci < -1 || options.Eci > 999999)
    return Failure(erErrorInBarCode, "Data Matrix ECI " + std::to_string(options.Eci) +
                                         " is out of range (0 to 999999, or -1 for none)");

  // The sizes to try, smallest first: one fixed size, or all of the shape asked for.
  std::vector<const TSymbolSize*> candidates;
  if (options.Rows != 0 || options.Columns != 0) {
    for (const TSymbolSize& s : kSymbolSizes)
      if (s.Rows == options.Rows && s.Columns == options.Columns) candidates.push_back(&s);
    if (candidates.empty())
      return Failure(erErrorInBarCode,
                     "No Data Matrix size " + std::to_string(options.Rows) + " x " +
                         std::to_string(options.Columns) +
                         ": squares 10 to 26 by 2, 32 to 52 by 4, 64 to 104 by 8, 120, 132, "
                         "144; rectangles 8 x 18, 8 x 32, 12 x 26, 12 x 36, 16 x 36, 16 x 48");
  } else {
    for (std::uint8_t k : dm::kBySize) {
      const TSymbolSize& s = kSymbolSizes[k];
      if (options.Shape == TDmShape::Auto || s.Square() == (options.Shape != TDmShape::Rectangle))
        candidates.push_back(&s);
    }
  }
  const TSymbolSize& largest = *candidates.back();
  auto tooLong = [&](const std::string& what) {
    std::string which = "the largest symbol (" + SizeName(largest) + ")";
    if (candidates.size() == 1)
      which = "the " + SizeName(largest) + " symbol";
    else if (options.Shape == TDmShape::Rectangle)
      which = "the largest rectangular symbol (" + SizeName(largest) + ")";
    return Failure(erBarcodeLengthInvalid, "Too long for Data Matrix: " + what + "; " + which +
                                               " holds " + std::to_string(largest.DataCodewords) +
                                               " codewords");
  };
  if (data.size() > kMaxCharacters + kMacroHeader.size() + kMacroTrailer.size())
    return tooLong(std::to_string(data.size()) + " characters");

  // A message in the "[)>" RS "05" GS ... RS EOT envelope (or "06") takes one codeword for the
  // envelope; readers restore it.
  std::string_view body = data;
  int header = 0;
  if (!options.Gs1 && options.Eci < 0 &&
      data.size() >= kMacroHeader.size() + kMacroTrailer.size() &&
      data.substr(0, 4) == kMacroHeader.substr(0, 4) && data[4] == '0' &&
      (data[5] == '5' || data[5] == '6') && data[6] == kMacroHeader[6] &&
      data.substr(data.size() - kMacroTrailer.size()) == kMacroTrailer) {
    header = data[5] == '5' ? kMacro05 : kMacro06;
    body =
        data.substr(kMacroHeader.size(), data.size() - kMacroHeader.size() - kMacroTrailer.size());
  }
  if (body.size() > kMaxCharacters) return tooLong(std::to_string(data.size()) + " characters");

  std::vector<int> chars;
  chars.reserve(body.size());
  for (const char ch : body) {
    const int c = static_cast<unsigned char>(ch);
    chars.push_back(options.Gs1 && c == 0x1D ? kFnc1 : c);
  }
  const TPlanner planner(chars,
                         (header != 0 ? 1 : 0) + (options.Gs1 ? 1 : 0) + EciCost(options.Eci));
  for (const TSymbolSize* size : candidates) {
    const TPlan plan = planner.Fit(size->DataCodewords);
    if (plan.Length >= kInf) continue;
    std::vector<std::uint8_t> codewords =
        WriteStream(planner, plan, chars, options, header, size->DataCodewords);
    AddErrorCorrection(*size, codewords);
    TMatrixResult r;
    r.Rows = BuildRows(*size, codewords);
    return r;
  }
  return tooLong(std::to_string(planner.ShortestLength()) + " codewords");
}

}  // namespace brevix
