#pragma once
// Constant data of the QR Code encoder: error-correction blocks per version and level, the
// geometry that follows from the version, and the Reed-Solomon field.

#include <array>
#include <cstdint>

#include "galois256.h"

namespace brevix::qr {

constexpr int kMinVersion = 1;
constexpr int kMaxVersion = 40;

// Error-correction codewords in each block, by level (L, M, Q, H) and version (index 0 unused).
constexpr std::array<std::array<std::uint8_t, 41>, 4> kEcCodewordsPerBlock = {{
    {0,  7,  10, 15, 20, 26, 18, 20, 24, 30, 18, 20, 24, 26, 30, 22, 24, 28, 30, 28, 28,
     28, 28, 30, 30, 26, 28, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30},
    {0,  10, 16, 26, 18, 24, 16, 18, 22, 22, 26, 30, 22, 22, 24, 24, 28, 28, 26, 26, 26,
     26, 28, 28, 28, 28, 28, 28, 28, 28, 28, 28, 28, 28, 28, 28, 28, 28, 28, 28, 28},
    {0,  13, 22, 18, 26, 18, 24, 18, 22, 20, 24, 28, 26, 24, 20, 30, 24, 28, 28, 26, 30,
     28, 30, 30, 30, 30, 28, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30},
    {0,  17, 28, 22, 16, 22, 28, 26, 26, 24, 28, 24, 28, 22, 24, 24, 30, 28, 28, 26, 28,
     30, 24, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30},
}};

// Number of error-correction blocks, by level and version (index 0 unused).
constexpr std::array<std::array<std::uint8_t, 41>, 4> kEcBlocks = {{
    {0, 1, 1, 1,  1,  1,  2,  2,  2,  2,  4,  4,  4,  4,  4,  6,  6,  6,  6,  7, 8,
     8, 9, 9, 10, 12, 12, 12, 13, 14, 15, 16, 17, 18, 19, 19, 20, 21, 22, 24, 25},
    {0,  1,  1,  1,  2,  2,  4,  4,  4,  5,  5,  5,  8,  9,  9,  10, 10, 11, 13, 14, 16,
     17, 17, 18, 20, 21, 23, 25, 26, 28, 29, 31, 33, 35, 37, 38, 40, 43, 45, 47, 49},
    {0,  1,  1,  2,  2,  4,  4,  6,  6,  8,  8,  8,  10, 12, 16, 12, 17, 16, 18, 21, 20,
     23, 23, 25, 27, 29, 34, 34, 35, 38, 40, 43, 45, 48, 51, 53, 56, 59, 62, 65, 68},
    {0,  1,  1,  2,  4,  4,  4,  5,  6,  8,  8,  11, 11, 16, 16, 18, 16, 19, 21, 25, 25,
     25, 34, 30, 32, 35, 37, 40, 42, 45, 48, 51, 54, 57, 60, 63, 66, 70, 74, 77, 81},
}};

constexpr int SymbolSize(int version) {
  return 4 * version + 17;
}

// Centre coordinates of the alignment patterns along either axis: the first at 6, the last
// 7 modules from the far edge, the others evenly spaced (an even step) back from the last.
struct TAlignment {
  int Count = 0;
  std::array<int, 7> Centres{};
};

constexpr TAlignment AlignmentCentres(int version) {
  TAlignment a;
  if (version < 2) return a;
  a.Count = version / 7 + 2;
  const int step = version == 32 ? 26 : (version * 4 + a.Count * 2 + 1) / (a.Count * 2 - 2) * 2;
  a.Centres[0] = 6;
  for (int i = a.Count - 1, pos = SymbolSize(version) - 7; i >= 1; --i, pos -= step)
    a.Centres[static_cast<std::size_t>(i)] = pos;
  return a;
}

// Modules left for codewords and remainder bits once the function patterns, format and version
// information are placed.
constexpr int DataModules(int version) {
  int modules = (16 * version + 128) * version + 64;
  if (version >= 2) {
    const int align = version / 7 + 2;
    modules -= (25 * align - 10) * align - 55;
    if (version >= 7) modules -= 36;
  }
  return modules;
}

constexpr int TotalCodewords(int version) {
  return DataModules(version) / 8;
}

constexpr int DataCodewords(int version, int level) {
  return TotalCodewords(version) -
         kEcCodewordsPerBlock[static_cast<std::size_t>(level)][static_cast<std::size_t>(version)] *
             kEcBlocks[static_cast<std::size_t>(level)][static_cast<std::size_t>(version)];
}

static_assert(TotalCodewords(1) == 26 && TotalCodewords(40) == 3706);
static_assert(DataCodewords(1, 0) == 19 && DataCodewords(40, 0) == 2956);
static_assert(DataCodewords(40, 3) == 1276 && DataCodewords(21, 2) == 512);
static_assert(AlignmentCentres(32).Centres[1] == 34 && AlignmentCentres(40).Centres[6] == 170);

// GF(256) with the field polynomial x^8 + x^4 + x^3 + x^2 + 1, generator 2.
inline constexpr TGaloisField kGf = MakeGaloisField(0x11D);

// The value of each alphanumeric-mode character, -1 for the others.
constexpr std::array<std::int8_t, 128> MakeAlphanumericTable() {
  std::array<std::int8_t, 128> t{};
  for (auto& v : t) v = -1;
  constexpr char kChars[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ $%*+-./:";
  for (int i = 0; i < 45; ++i) t[static_cast<std::size_t>(kChars[i])] = static_cast<std::int8_t>(i);
  return t;
}

inline constexpr std::array<std::int8_t, 128> kAlphanumeric = MakeAlphanumericTable();

}  // namespace brevix::qr
