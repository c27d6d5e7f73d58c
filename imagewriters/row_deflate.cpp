#include "imagewriters/row_deflate.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cstring>

namespace brevix {

namespace {

constexpr std::size_t kMinMatch = 3;
constexpr std::size_t kMaxMatch = 258;
// The most bits one symbol with its extra bits takes: a length (8 + 5) or a distance (5 + 13).
constexpr std::size_t kMaxCodeBits = 18;

constexpr std::uint32_t Reversed(std::uint32_t code, int bits) {
  std::uint32_t out = 0;
  for (int i = 0; i < bits; ++i) out |= ((code >> i) & 1u) << (bits - 1 - i);
  return out;
}

// A symbol's code with its extra bits after it, as they go into the stream (first bit lowest).
struct TCode {
  std::uint32_t Bits = 0;
  std::uint8_t Count = 0;
};

// The fixed literal/length codes: 0-143 eight bits from 0x30, 144-255 nine from 0x190, 256-279
// seven from 0, 280-287 eight from 0xC0; Huffman codes go into the stream first bit highest.
constexpr TCode FixedCode(unsigned symbol) {
  if (symbol < 144) return {Reversed(0x30 + symbol, 8), 8};
  if (symbol < 256) return {Reversed(0x190 + symbol - 144, 9), 9};
  if (symbol < 280) return {Reversed(symbol - 256, 7), 7};
  return {Reversed(0xC0 + symbol - 280, 8), 8};
}

constexpr std::array<TCode, 256> kLiterals = [] {
  std::array<TCode, 256> t{};
  for (unsigned s = 0; s < 256; ++s) t[s] = FixedCode(s);
  return t;
}();

constexpr std::uint16_t kLengthBase[29] = {3,  4,  5,  6,   7,   8,   9,   10,  11, 13,
                                           15, 17, 19, 23,  27,  31,  35,  43,  51, 59,
                                           67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::uint8_t kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                           2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::uint16_t kDistanceBase[30] = {
    1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
    193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};

// Each match length's symbol and extra bits, indexed by the length.
constexpr std::array<TCode, kMaxMatch + 1> kLengths = [] {
  std::array<TCode, kMaxMatch + 1> t{};
  for (unsigned code = 0; code < 29; ++code) {
    const unsigned last = code == 28 ? 258 : kLengthBase[code + 1] - 1u;
    for (unsigned length = kLengthBase[code]; length <= last; ++length) {
      const TCode c = FixedCode(257 + code);
      t[length] = {c.Bits | (length - kLengthBase[code]) << c.Count,
                   static_cast<std::uint8_t>(c.Count + kLengthExtra[code])};
    }
  }
  return t;
}();

// A distance's five-bit code and extra bits.
TCode DistanceCode(std::size_t distance) {
  unsigned code = 0;
  while (code + 1 < 30 && kDistanceBase[code + 1] <= distance) ++code;
  const unsigned extra = code < 4 ? 0 : code / 2 - 1;
  return {Reversed(code, 5) | static_cast<std::uint32_t>(distance - kDistanceBase[code]) << 5,
          static_cast<std::uint8_t>(5 + extra)};
}

class TBitWriter {
 public:
  explicit TBitWriter(std::uint8_t* out) : FOut(out) {}
  void Put(TCode c) {
    FBits |= static_cast<std::uint64_t>(c.Bits) << FCount;
    FCount += c.Count;
    if (FCount >= 32) {
      for (int k = 0; k < 4; ++k) *FOut++ = static_cast<std::uint8_t>(FBits >> (8 * k));
      FBits >>= 32;
      FCount -= 32;
    }
  }
  // The last partial byte, padded with zeros.
  std::uint8_t* Finish() {
    for (; FCount > 0; FCount = FCount > 8 ? FCount - 8 : 0) {
      *FOut++ = static_cast<std::uint8_t>(FBits);
      FBits >>= 8;
    }
    return FOut;
  }

 private:
  std::uint8_t* FOut;
  std::uint64_t FBits = 0;
  unsigned FCount = 0;
};

// Copies of the total bytes before them at distance, as matches of at most 258 bytes, none
// shorter than 3.
void PutCopy(TBitWriter& w, std::size_t total, std::size_t distance) {
  const TCode d = DistanceCode(distance);
  while (total > 0) {
    std::size_t n = total;
    if (n > kMaxMatch) n = n - kMaxMatch >= kMinMatch ? kMaxMatch : n - kMinMatch;
    w.Put(kLengths[n]);
    w.Put(d);
    total -= n;
  }
}

// How many bytes from at (to end, at most a match) equal those distance before them.
std::size_t MatchLength(const std::uint8_t* data, std::size_t at, std::size_t end,
                        std::size_t distance) {
  const std::size_t last = std::min(end, at + kMaxMatch);
  std::size_t i = at;
  while (i < last && data[i] == data[i - distance]) ++i;
  return i - at;
}

}  // namespace

std::size_t RowDeflateBound(std::size_t line, std::span<const std::uint8_t> sameAsAbove) {
  const std::size_t rows = sameAsAbove.size();
  // The first line is distinct whatever its entry says.
  const std::size_t distinctLines =
      rows == 0
          ? 0
          : 1 + static_cast<std::size_t>(std::count(sameAsAbove.begin() + 1, sameAsAbove.end(), 0));
  const std::size_t distinctBytes = line * distinctLines;
  // A distinct byte costs at most a nine-bit literal (a match of n bytes costs less than n of
  // them); a run of copies at most a match per 258 bytes and two more.
  const std::size_t bits =
      3 + 9 * distinctBytes + 2 * kMaxCodeBits * ((line * rows) / kMaxMatch + 2 * rows) + 7;
  return bits / 8 + 16;
}

std::size_t DeflateRows(std::span<const std::uint8_t> lines, std::size_t line,
                        std::span<const std::uint8_t> sameAsAbove, std::uint8_t* out) {
  assert(line > 0 && line <= kRowDeflateMaxLine && lines.size() == line * sameAsAbove.size());
  const std::uint8_t* data = lines.data();
  const std::size_t rows = sameAsAbove.size();
  TBitWriter w(out);
  w.Put({0b011, 3});  // the final block, with fixed codes
  for (std::size_t y = 0; y < rows;) {
    const std::size_t start = y * line;
    if (y > 0 && sameAsAbove[y]) {
      std::size_t copies = 1;
      while (y + copies < rows && sameAsAbove[y + copies]) ++copies;
      const std::size_t total = copies * line;
      if (total >= kMinMatch) {
        PutCopy(w, total, line);
      } else {
        for (std::size_t i = start; i < start + total; ++i) w.Put(kLiterals[data[i]]);
      }
      y += copies;
      continue;
    }
    // A distinct line: runs of one byte, or stretches like the line above.
    const std::size_t end = start + line;
    for (std::size_t i = start; i < end;) {
      const std::size_t run = i >= 1 ? MatchLength(data, i, end, 1) : 0;
      const std::size_t above = i >= line ? MatchLength(data, i, end, line) : 0;
      const std::size_t best = std::max(run, above);
      if (best < kMinMatch) {
        w.Put(kLiterals[data[i++]]);
        continue;
      }
      w.Put(kLengths[best]);
      w.Put(DistanceCode(run >= above ? 1 : line));
      i += best;
    }
    ++y;
  }
  w.Put(FixedCode(256));
  return static_cast<std::size_t>(w.Finish() - out);
}

}  // namespace brevix
