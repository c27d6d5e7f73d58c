#include "encoders/qrcode.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "encoders/qrcode_tables.h"

namespace brevix {

namespace {

using namespace qr;

// ---- Segmentation ----------------------------------------------------------------------------

enum TMode : std::uint8_t { mNumeric, mAlphanumeric, mByte, mKanji };

constexpr std::array<unsigned, 4> kModeIndicator = {0x1, 0x2, 0x4, 0x8};
constexpr unsigned kEciIndicator = 0x7;
constexpr unsigned kFnc1FirstIndicator = 0x5;

// Character-count indicator widths by version group (1-9, 10-26, 27-40) and mode.
constexpr std::array<std::array<int, 4>, 3> kCountBits = {{
    {10, 9, 8, 8},
    {12, 11, 16, 10},
    {14, 13, 16, 12},
}};

constexpr int kMaxDigits = 7089;  // version 40-L in numeric mode: no longer data can fit
constexpr char kLevelNames[] = "LMQH";
constexpr int kAlphanumericPercent = 38;  // the value of '%'

int VersionGroup(int version) {
  return version <= 9 ? 0 : version <= 26 ? 1 : 2;
}

bool IsDigit(unsigned char c) {
  return c >= '0' && c <= '9';
}

// The alphanumeric value of a byte, -1 when the mode cannot hold it. In GS1 data the field
// separator (0x1D) is written as '%'.
int AlphanumericValue(unsigned char c, bool gs1) {
  if (gs1 && c == 0x1D) return kAlphanumericPercent;
  return c < 128 ? kAlphanumeric[c] : -1;
}

// Alphanumeric characters a byte takes: a literal '%' in GS1 data is doubled.
int AlphanumericLength(unsigned char c, bool gs1) {
  return gs1 && c == '%' ? 2 : 1;
}

bool IsShiftJisLead(unsigned char c) {
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

bool IsShiftJisTrail(unsigned char c) {
  return c >= 0x40 && c <= 0xFC && c != 0x7F;
}

// The 13-bit Kanji-mode value of a Shift JIS double-byte character, -1 outside the Kanji ranges.
int KanjiValue(unsigned char lead, unsigned char trail) {
  const int code = (lead << 8) | trail;
  int v;
  if (code >= 0x8140 && code <= 0x9FFC)
    v = code - 0x8140;
  else if (code >= 0xE040 && code <= 0xEBBF)
    v = code - 0xC140;
  else
    return -1;
  return (v >> 8) * 0xC0 + (v & 0xFF);
}

struct TInput {
  std::string_view Data;
  bool ShiftJis = false;
  bool Gs1 = false;

  unsigned char At(std::size_t i) const { return static_cast<unsigned char>(Data[i]); }
  // Bytes in the character at i: a Shift JIS double-byte character is never split between
  // segments, so that its bytes stay together whatever the modes around it.
  std::size_t UnitLength(std::size_t i) const {
    if (ShiftJis && i + 1 < Data.size() && IsShiftJisLead(At(i)) && IsShiftJisTrail(At(i + 1)))
      return 2;
    return 1;
  }
};

struct TSegment {
  TMode Mode;
  std::size_t Begin;  // byte range of the data
  std::size_t End;
  int Count;  // characters, as the count indicator gives them
};

struct TPlan {
  int Bits = INT_MAX;  // segment headers and data, without the ECI and FNC1 headers
  std::vector<TSegment> Segments;
};

// Search states: the mode of the open segment, and for numeric and alphanumeric modes how many
// characters of its last group are taken (0..2 digits of 3, 0..1 characters of 2). Tracking the
// partial group makes every step's cost exact in bits.
enum TState : std::uint8_t { sN0, sN1, sN2, sA0, sA1, sB, sK, kStateCount };
constexpr std::array<TMode, kStateCount> kStateMode = {
    mNumeric, mNumeric, mNumeric, mAlphanumeric, mAlphanumeric, mByte, mKanji};
constexpr std::uint8_t kFresh = 0xFF;  // the step opens a new segment
constexpr int kUnreached = INT_MAX / 4;

// The shortest segmentation of the data for one version group, by dynamic programming over the
// data positions and the states above.
TPlan PlanSegments(const TInput& in, int group) {
  const std::size_t n = in.Data.size();
  const auto& countBits = kCountBits[static_cast<std::size_t>(group)];
  using TCosts = std::array<int, kStateCount>;
  std::vector<TCosts> cost(n + 1);
  std::vector<std::array<std::uint8_t, kStateCount>> from(n + 1);
  std::vector<std::uint8_t> bestState(n + 1, 0);
  std::vector<int> best(n + 1, kUnreached);
  std::vector<std::size_t> previous(n + 1, 0);
  for (auto& c : cost) c.fill(kUnreached);
  best[0] = 0;

  for (std::size_t i = 0; i < n;) {
    const std::size_t len = in.UnitLength(i);
    const std::size_t j = i + len;
    previous[j] = i;
    TCosts& next = cost[j];
    auto& link = from[j];
    const TCosts& here = cost[i];
    auto relax = [&](TState to, int value, std::uint8_t via) {
      if (value < next[to]) {
        next[to] = value;
        link[to] = via;
      }
    };
    auto header = [&](TMode m) { return best[i] + 4 + countBits[m]; };
    const unsigned char c = in.At(i);
    if (len == 1) {
      if (IsDigit(c)) {
        // A digit opens a group of 4 bits, the second and third add 3 each (7 and 10 bits).
        relax(sN1, here[sN0] + 4, sN0);
        relax(sN2, here[sN1] + 3, sN1);
        relax(sN0, here[sN2] + 3, sN2);
        relax(sN1, header(mNumeric) + 4, kFresh);
      }
      if (AlphanumericValue(c, in.Gs1) >= 0) {
        // A character opens a pair of 6 bits, the second adds 5 (11 bits).
        if (AlphanumericLength(c, in.Gs1) == 1) {
          relax(sA1, here[sA0] + 6, sA0);
          relax(sA0, here[sA1] + 5, sA1);
          relax(sA1, header(mAlphanumeric) + 6, kFresh);
        } else {
          relax(sA0, here[sA0] + 11, sA0);
          relax(sA1, here[sA1] + 11, sA1);
          relax(sA0, header(mAlphanumeric) + 11, kFresh);
        }
      }
    } else {
      const int kanji = KanjiValue(c, in.At(i + 1));
      if (kanji >= 0) {
        relax(sK, here[sK] + 13, sK);
        relax(sK, header(mKanji) + 13, kFresh);
      }
    }
    const int byteBits = 8 * static_cast<int>(len);
    relax(sB, here[sB] + byteBits, sB);
    relax(sB, header(mByte) + byteBits, kFresh);

    for (std::uint8_t s = 0; s < kStateCount; ++s)
      if (next[s] < best[j]) {
        best[j] = next[s];
        bestState[j] = s;
      }
    i = j;
  }

  TPlan plan;
  plan.Bits = best[n];
  std::size_t end = n;
  std::uint8_t state = bestState[n];
  for (std::size_t j = n; j > 0;) {
    const std::size_t i = previous[j];
    const std::uint8_t via = from[j][state];
    if (via == kFresh) {
      plan.Segments.push_back({kStateMode[state], i, end, 0});
      end = i;
      state = bestState[i];
    } else {
      state = via;
    }
    j = i;
  }
  std::reverse(plan.Segments.begin(), plan.Segments.end());
  for (TSegment& s : plan.Segments) {
    const int bytes = static_cast<int>(s.End - s.Begin);
    if (s.Mode == mKanji)
      s.Count = bytes / 2;
    else if (s.Mode == mAlphanumeric && in.Gs1)
      s.Count = bytes + static_cast<int>(
                            std::count(in.Data.begin() + static_cast<std::ptrdiff_t>(s.Begin),
                                       in.Data.begin() + static_cast<std::ptrdiff_t>(s.End), '%'));
    else
      s.Count = bytes;
    // A count the indicator cannot hold only comes with data far beyond the group's capacity.
    if (s.Count >= (1 << countBits[s.Mode])) plan.Bits = INT_MAX;
  }
  return plan;
}

// ---- Bit stream ------------------------------------------------------------------------------

class TBitStream {
 public:
  explicit TBitStream(std::size_t capacityBytes) { FBytes.reserve(capacityBytes); }
  void Put(unsigned value, int count) {
    for (int i = count - 1; i >= 0; --i) {
      if (FLength % 8 == 0) FBytes.push_back(0);
      if ((value >> i) & 1U) FBytes.back() |= static_cast<std::uint8_t>(0x80U >> (FLength % 8));
      ++FLength;
    }
  }
  int Length() const { return FLength; }
  std::vector<std::uint8_t>& Bytes() { return FBytes; }

 private:
  std::vector<std::uint8_t> FBytes;
  int FLength = 0;
};

int EciHeaderBits(int eci) {
  if (eci < 0) return 0;
  return 4 + (eci < 128 ? 8 : eci < 16384 ? 16 : 24);
}

void PutSegment(TBitStream& bits, const TInput& in, const TSegment& s, int group) {
  bits.Put(kModeIndicator[s.Mode], 4);
  bits.Put(static_cast<unsigned>(s.Count),
           kCountBits[static_cast<std::size_t>(group)][static_cast<std::size_t>(s.Mode)]);
  switch (s.Mode) {
    case mNumeric:
      for (std::size_t i = s.Begin; i < s.End; i += 3) {
        const std::size_t digits = std::min<std::size_t>(3, s.End - i);
        unsigned v = 0;
        for (std::size_t k = 0; k < digits; ++k) v = v * 10 + (in.At(i + k) - '0');
        bits.Put(v, static_cast<int>(digits * 3 + 1));
      }
      break;
    case mAlphanumeric: {
      int pending = -1;
      auto put = [&](int v) {
        if (pending < 0) {
          pending = v;
        } else {
          bits.Put(static_cast<unsigned>(pending * 45 + v), 11);
          pending = -1;
        }
      };
      for (std::size_t i = s.Begin; i < s.End; ++i) {
        const unsigned char c = in.At(i);
        const int v = AlphanumericValue(c, in.Gs1);
        for (int k = AlphanumericLength(c, in.Gs1); k > 0; --k) put(v);
      }
      if (pending >= 0) bits.Put(static_cast<unsigned>(pending), 6);
      break;
    }
    case mByte:
      for (std::size_t i = s.Begin; i < s.End; ++i) bits.Put(in.At(i), 8);
      break;
    case mKanji:
      for (std::size_t i = s.Begin; i < s.End; i += 2)
        bits.Put(static_cast<unsigned>(KanjiValue(in.At(i), in.At(i + 1))), 13);
      break;
  }
}

// ---- Error correction ------------------------------------------------------------------------

std::uint8_t GfMultiply(std::uint8_t a, std::uint8_t b) {
  if (a == 0 || b == 0) return 0;
  return kGf.Exp[static_cast<std::size_t>(kGf.Log[a]) + kGf.Log[b]];
}

// The data codewords split into blocks, each followed by its Reed-Solomon codewords, then
// interleaved: the first codeword of every block, then the second, and so on, data before
// error correction. Blocks of the longer kind (one more data codeword) come last.
std::vector<std::uint8_t> AddErrorCorrection(const std::vector<std::uint8_t>& data, int version,
                                             int level) {
  const auto lv = static_cast<std::size_t>(level);
  const auto ver = static_cast<std::size_t>(version);
  const int blocks = kEcBlocks[lv][ver];
  const int ecLength = kEcCodewordsPerBlock[lv][ver];
  const int total = TotalCodewords(version);
  const int shortBlocks = blocks - total % blocks;
  const int shortData = total / blocks - ecLength;

  // Generator polynomial, product of (x - 2^i) for i < ecLength, leading coefficient dropped.
  std::array<std::uint8_t, 30> generator{};
  generator[static_cast<std::size_t>(ecLength - 1)] = 1;
  std::uint8_t root = 1;
  for (int i = 0; i < ecLength; ++i) {
    for (int k = 0; k < ecLength; ++k) {
      auto& g = generator[static_cast<std::size_t>(k)];
      g = GfMultiply(g, root);
      if (k + 1 < ecLength) g ^= generator[static_cast<std::size_t>(k + 1)];
    }
    root = GfMultiply(root, 2);
  }

  std::vector<std::uint8_t> ec(static_cast<std::size_t>(blocks * ecLength), 0);
  std::vector<std::size_t> starts(static_cast<std::size_t>(blocks) + 1, 0);
  for (int b = 0; b < blocks; ++b)
    starts[static_cast<std::size_t>(b) + 1] =
        starts[static_cast<std::size_t>(b)] +
        static_cast<std::size_t>(shortData + (b >= shortBlocks ? 1 : 0));
  for (int b = 0; b < blocks; ++b) {
    std::uint8_t* rem = ec.data() + static_cast<std::size_t>(b * ecLength);
    for (std::size_t i = starts[static_cast<std::size_t>(b)];
         i < starts[static_cast<std::size_t>(b) + 1]; ++i) {
      const std::uint8_t factor = data[i] ^ rem[0];
      std::copy(rem + 1, rem + ecLength, rem);
      rem[ecLength - 1] = 0;
      for (int k = 0; k < ecLength; ++k)
        rem[k] ^= GfMultiply(generator[static_cast<std::size_t>(k)], factor);
    }
  }

  std::vector<std::uint8_t> out;
  out.reserve(static_cast<std::size_t>(total));
  for (int i = 0; i <= shortData; ++i)
    for (int b = 0; b < blocks; ++b)
      if (i < shortData || b >= shortBlocks)
        out.push_back(data[starts[static_cast<std::size_t>(b)] + static_cast<std::size_t>(i)]);
  for (int i = 0; i < ecLength; ++i)
    for (int b = 0; b < blocks; ++b) out.push_back(ec[static_cast<std::size_t>(b * ecLength + i)]);
  return out;
}

// ---- Matrix ----------------------------------------------------------------------------------

class TMatrix {
 public:
  explicit TMatrix(int size)
      : Size(size),
        FDark(static_cast<std::size_t>(size * size), 0),
        FFunction(static_cast<std::size_t>(size * size), 0) {}

  const int Size;

  std::size_t Index(int x, int y) const { return static_cast<std::size_t>(y * Size + x); }
  void SetFunction(int x, int y, bool dark) {
    FDark[Index(x, y)] = dark ? 1 : 0;
    FFunction[Index(x, y)] = 1;
  }
  bool IsFunction(int x, int y) const { return FFunction[Index(x, y)] != 0; }
  std::vector<std::uint8_t>& Dark() { return FDark; }
  const std::vector<std::uint8_t>& Function() const { return FFunction; }

 private:
  std::vector<std::uint8_t> FDark;
  std::vector<std::uint8_t> FFunction;
};

// Format information: level and mask, a BCH(15,5) code, XORed with 101010000010010.
int FormatBits(int level, int mask) {
  constexpr std::array<int, 4> kLevelBits = {1, 0, 3, 2};  // L, M, Q, H
  const int value = (kLevelBits[static_cast<std::size_t>(level)] << 3) | mask;
  int rem = value;
  for (int i = 0; i < 10; ++i) rem = (rem << 1) ^ ((rem >> 9) * 0x537);
  return ((value << 10) | rem) ^ 0x5412;
}

// Writes the two copies of the format information (bit 0 is the least significant) into grid,
// a row-major module array of the symbol's size.
void PutFormat(std::uint8_t* grid, int size, int bits) {
  auto set = [&](int x, int y, int bit) {
    grid[y * size + x] = static_cast<std::uint8_t>((bits >> bit) & 1);
  };
  for (int i = 0; i <= 5; ++i) set(8, i, i);
  set(8, 7, 6);
  set(8, 8, 7);
  set(7, 8, 8);
  for (int i = 9; i < 15; ++i) set(14 - i, 8, i);
  for (int i = 0; i < 8; ++i) set(size - 1 - i, 8, i);
  for (int i = 8; i < 15; ++i) set(8, size - 15 + i, i);
}

void DrawFunctionPatterns(TMatrix& m, int version) {
  const int size = m.Size;
  for (int i = 0; i < size; ++i) {
    m.SetFunction(6, i, i % 2 == 0);
    m.SetFunction(i, 6, i % 2 == 0);
  }
  // Finder patterns with their separators.
  const std::array<std::pair<int, int>, 3> finders = {{{3, 3}, {size - 4, 3}, {3, size - 4}}};
  for (const auto& [cx, cy] : finders)
    for (int dy = -4; dy <= 4; ++dy)
      for (int dx = -4; dx <= 4; ++dx) {
        const int x = cx + dx;
        const int y = cy + dy;
        if (x < 0 || x >= size || y < 0 || y >= size) continue;
        const int ring = std::max(std::abs(dx), std::abs(dy));
        m.SetFunction(x, y, ring != 2 && ring != 4);
      }
  const TAlignment align = AlignmentCentres(version);
  for (int i = 0; i < align.Count; ++i)
    for (int j = 0; j < align.Count; ++j) {
      const bool last_i = i == align.Count - 1;
      const bool last_j = j == align.Count - 1;
      if ((i == 0 && j == 0) || (i == 0 && last_j) || (last_i && j == 0)) continue;
      const int cx = align.Centres[static_cast<std::size_t>(i)];
      const int cy = align.Centres[static_cast<std::size_t>(j)];
      for (int dy = -2; dy <= 2; ++dy)
        for (int dx = -2; dx <= 2; ++dx)
          m.SetFunction(cx + dx, cy + dy, std::max(std::abs(dx), std::abs(dy)) != 1);
    }
  // Format areas reserved now, written with each mask; the dark module beside them.
  for (int i = 0; i < 9; ++i) {
    if (i == 6) continue;  // the timing patterns cross there
    m.SetFunction(8, i, false);
    m.SetFunction(i, 8, false);
  }
  for (int i = 0; i < 8; ++i) {
    m.SetFunction(size - 1 - i, 8, false);
    m.SetFunction(8, size - 1 - i, false);
  }
  m.SetFunction(8, size - 8, true);
  // Version information: 6 bits and a BCH(18,6) code, in two 6 x 3 blocks.
  if (version >= 7) {
    int rem = version;
    for (int i = 0; i < 12; ++i) rem = (rem << 1) ^ ((rem >> 11) * 0x1F25);
    const int bits = (version << 12) | rem;
    for (int i = 0; i < 18; ++i) {
      const bool dark = ((bits >> i) & 1) != 0;
      const int a = size - 11 + i % 3;
      const int b = i / 3;
      m.SetFunction(a, b, dark);
      m.SetFunction(b, a, dark);
    }
  }
}

// Codeword bits, most significant first, in two-module columns zigzagging up and down from the
// right edge, skipping the vertical timing pattern and every function module. The modules left
// over (remainder bits) stay light.
void PlaceCodewords(TMatrix& m, const std::vector<std::uint8_t>& codewords) {
  const int size = m.Size;
  const std::size_t totalBits = codewords.size() * 8;
  std::size_t bit = 0;
  auto& dark = m.Dark();
  for (int right = size - 1; right >= 1; right -= 2) {
    if (right == 6) right = 5;
    const bool upward = ((right + 1) & 2) == 0;
    for (int v = 0; v < size; ++v) {
      const int y = upward ? size - 1 - v : v;
      for (int k = 0; k < 2; ++k) {
        const int x = right - k;
        if (m.IsFunction(x, y) || bit >= totalBits) continue;
        dark[m.Index(x, y)] =
            static_cast<std::uint8_t>((codewords[bit >> 3] >> (7 - (bit & 7))) & 1);
        ++bit;
      }
    }
  }
}

template <int Mask>
constexpr bool MaskBit(int x, int y) {
  if constexpr (Mask == 0)
    return (x + y) % 2 == 0;
  else if constexpr (Mask == 1)
    return y % 2 == 0;
  else if constexpr (Mask == 2)
    return x % 3 == 0;
  else if constexpr (Mask == 3)
    return (x + y) % 3 == 0;
  else if constexpr (Mask == 4)
    return (x / 3 + y / 2) % 2 == 0;
  else if constexpr (Mask == 5)
    return x * y % 2 + x * y % 3 == 0;
  else if constexpr (Mask == 6)
    return (x * y % 2 + x * y % 3) % 2 == 0;
  else
    return ((x + y) % 2 + x * y % 3) % 2 == 0;
}

// out = base with the mask applied to every module that is not a function module.
template <int Mask>
void ApplyMask(const std::uint8_t* base, const std::uint8_t* function, std::uint8_t* out,
               int size) {
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x, ++base, ++function, ++out)
      *out = static_cast<std::uint8_t>(*base ^ (MaskBit<Mask>(x, y) & (*function == 0)));
}

using TApplyMask = void (*)(const std::uint8_t*, const std::uint8_t*, std::uint8_t*, int);
constexpr std::array<TApplyMask, 8> kApplyMask = {ApplyMask<0>, ApplyMask<1>, ApplyMask<2>,
                                                  ApplyMask<3>, ApplyMask<4>, ApplyMask<5>,
                                                  ApplyMask<6>, ApplyMask<7>};

// Penalty of one row or column (modules stride apart): runs of five or more of one colour
// (3 + the excess) and finder-like patterns 1011101 with four light modules before or after
// them (40 each, counted once when both sides are light; the quiet zone around the symbol
// counts as light). The last 15 modules seen, light beyond the ends, are kept as bits.
int LinePenalty(const std::uint8_t* line, int stride, int size) {
  constexpr unsigned kLightThenFinder = 0x05D;  // 0000 1011101
  constexpr unsigned kFinderThenLight = 0x5D0;  // 1011101 0000
  int penalty = 0;
  int run = 0;
  unsigned previous = 2;
  unsigned window = 0;
  for (int i = 0; i < size + 4; ++i) {
    unsigned c = 0;
    if (i < size) {
      c = line[i * stride];
      const bool same = c == previous;
      penalty += !same && run >= 5 ? run - 2 : 0;
      run = same ? run + 1 : 1;
      previous = c;
    }
    window = ((window << 1) | c) & 0x7FFF;
    const unsigned last = window & 0x7FF;
    // A pattern with light on both sides was already counted when its end came in.
    if (last == kLightThenFinder || (last == kFinderThenLight && (window >> 11) != 0))
      penalty += 40;
  }
  return penalty + (run >= 5 ? run - 2 : 0);
}

int Penalty(const std::vector<std::uint8_t>& grid, int size) {
  int penalty = 0;
  const std::uint8_t* g = grid.data();
  for (int i = 0; i < size; ++i) {
    penalty += LinePenalty(g + i * size, 1, size);
    penalty += LinePenalty(g + i, size, size);
  }
  // 3 for each 2 x 2 block of one colour.
  int blocks = 0;
  for (int y = 0; y + 1 < size; ++y) {
    const std::uint8_t* a = g + y * size;
    const std::uint8_t* b = a + size;
    for (int x = 0; x + 1 < size; ++x)
      blocks += ((a[x] ^ a[x + 1]) | (a[x] ^ b[x]) | (a[x] ^ b[x + 1])) == 0;
  }
  penalty += 3 * blocks;
  // 10 for each full 5% the dark share is away from one half.
  int dark = 0;
  for (std::uint8_t c : grid) dark += c;
  const int total = size * size;
  penalty += std::abs(dark * 2 - total) * 10 / total * 10;
  return penalty;
}

// ---- Messages --------------------------------------------------------------------------------

TMatrixResult Failure(TLastError error, std::string message) {
  TMatrixResult r;
  r.Error = error;
  r.Message = std::move(message);
  return r;
}

TMatrixResult TooLong(std::size_t bytes, int level, int headerBits) {
  const int bits = DataCodewords(kMaxVersion, level) * 8 - headerBits;
  const int byteBits = bits - 4 - kCountBits[2][mByte];
  const int alnumBits = bits - 4 - kCountBits[2][mAlphanumeric];
  const int digitBits = bits - 4 - kCountBits[2][mNumeric];
  const int maxBytes = byteBits / 8;
  const int maxAlnum = 2 * (alnumBits / 11) + (alnumBits % 11 >= 6 ? 1 : 0);
  const int maxDigits = 3 * (digitBits / 10) + (digitBits % 10 >= 7   ? 2
                                                : digitBits % 10 >= 4 ? 1
                                                                      : 0);
  return Failure(erBarcodeLengthInvalid,
                 "Text too long for QR Code: " + std::to_string(bytes) + " bytes, at most " +
                     std::to_string(maxBytes) + " bytes (" + std::to_string(maxAlnum) +
                     " alphanumeric characters, " + std::to_string(maxDigits) +
                     " digits) at level " + kLevelNames[level]);
}

}  // namespace

TMatrixResult EncodeQrCode(std::string_view data, const TQrOptions& options) {
  const int level = static_cast<int>(options.Level);
  if (level < 0 || level > 3)
    return Failure(erErrorInBarCode, "QR Code error correction level must be L, M, Q or H");
  if (options.MinVersion != 0 &&
      (options.MinVersion < kMinVersion || options.MinVersion > kMaxVersion))
    return Failure(erErrorInBarCode, "QR Code version must be 1 to 40 or 0 (automatic), not " +
                                         std::to_string(options.MinVersion));
  if (options.Mask < -1 || options.Mask > 7)
    return Failure(erErrorInBarCode, "QR Code mask must be 0 to 7 or -1 (automatic), not " +
                                         std::to_string(options.Mask));
  if (options.Eci < -1 || options.Eci > 999999)
    return Failure(erErrorInBarCode,
                   "ECI assignment number must be 0 to 999999, not " + std::to_string(options.Eci));
  if (data.empty()) return Failure(erEmptyCode, "Empty code.");

  const int headerBits = EciHeaderBits(options.Eci) + (options.Gs1 ? 4 : 0);
  if (data.size() > static_cast<std::size_t>(kMaxDigits))
    return TooLong(data.size(), level, headerBits);

  const TInput in{data, options.ShiftJis, options.Gs1};
  std::array<TPlan, 3> plans;
  std::array<bool, 3> planned{};
  int version = 0;
  for (int v = std::max(kMinVersion, options.MinVersion); v <= kMaxVersion; ++v) {
    const int group = VersionGroup(v);
    auto& plan = plans[static_cast<std::size_t>(group)];
    if (!planned[static_cast<std::size_t>(group)]) {
      plan = PlanSegments(in, group);
      planned[static_cast<std::size_t>(group)] = true;
    }
    if (plan.Bits != INT_MAX && plan.Bits + headerBits <= DataCodewords(v, level) * 8) {
      version = v;
      break;
    }
  }
  if (version == 0) return TooLong(data.size(), level, headerBits);

  // Data codewords: headers, segments, terminator, padding.
  const int group = VersionGroup(version);
  const int capacity = DataCodewords(version, level);
  TBitStream bits(static_cast<std::size_t>(capacity));
  if (options.Eci >= 0) {
    bits.Put(kEciIndicator, 4);
    const auto eci = static_cast<unsigned>(options.Eci);
    if (eci < 128)
      bits.Put(eci, 8);
    else if (eci < 16384)
      bits.Put(0x8000U | eci, 16);
    else
      bits.Put(0xC00000U | eci, 24);
  }
  if (options.Gs1) bits.Put(kFnc1FirstIndicator, 4);
  for (const TSegment& s : plans[static_cast<std::size_t>(group)].Segments)
    PutSegment(bits, in, s, group);
  bits.Put(0, std::min(4, capacity * 8 - bits.Length()));
  bits.Put(0, (8 - bits.Length() % 8) % 8);
  for (std::uint8_t pad = 0xEC; static_cast<int>(bits.Bytes().size()) < capacity;
       pad ^= 0xEC ^ 0x11)
    bits.Put(pad, 8);

  const std::vector<std::uint8_t> codewords = AddErrorCorrection(bits.Bytes(), version, level);

  const int size = SymbolSize(version);
  TMatrix matrix(size);
  DrawFunctionPatterns(matrix, version);
  PlaceCodewords(matrix, codewords);

  // Each candidate mask applied to a copy; the lowest penalty wins (the first on a tie).
  const std::vector<std::uint8_t>& base = matrix.Dark();
  const std::vector<std::uint8_t>& function = matrix.Function();
  std::vector<std::uint8_t> work(base.size());
  std::vector<std::uint8_t> chosen(base.size());
  const int firstMask = options.Mask < 0 ? 0 : options.Mask;
  const int lastMask = options.Mask < 0 ? 7 : options.Mask;
  int bestPenalty = INT_MAX;
  for (int mask = firstMask; mask <= lastMask; ++mask) {
    kApplyMask[static_cast<std::size_t>(mask)](base.data(), function.data(), work.data(), size);
    PutFormat(work.data(), size, FormatBits(level, mask));
    const int penalty = firstMask == lastMask ? 0 : Penalty(work, size);
    if (penalty < bestPenalty) {
      bestPenalty = penalty;
      chosen.swap(work);
    }
  }

  TMatrixResult result;
  result.Rows.assign(static_cast<std::size_t>(size),
                     std::string(static_cast<std::size_t>(size), '0'));
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x)
      if (chosen[static_cast<std::size_t>(y * size + x)])
        result.Rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)] = '1';
  return result;
}

}  // namespace brevix
