#pragma once
// The Data Matrix ECC 200 symbol sizes: module grid, data regions, codeword counts and
// Reed-Solomon blocks, and the Galois field the error correction works in.

#include <array>
#include <cstdint>

#include "galois256.h"

namespace brevix::dm {

struct TSymbolSize {
  std::uint8_t Rows;  // modules, finder and clock patterns included
  std::uint8_t Columns;
  std::uint8_t RegionsDown;    // data regions in a column
  std::uint8_t RegionsAcross;  // data regions in a row
  std::uint16_t DataCodewords;
  std::uint16_t EcCodewords;  // all blocks together
  std::uint8_t Blocks;        // interleaved Reed-Solomon blocks

  bool Square() const { return Rows == Columns; }
  int RegionRows() const { return Rows / RegionsDown - 2; }
  int RegionColumns() const { return Columns / RegionsAcross - 2; }
  int MappingRows() const { return RegionRows() * RegionsDown; }
  int MappingColumns() const { return RegionColumns() * RegionsAcross; }
};

// The 24 squares, then the 6 rectangles, each kind smallest first.
inline constexpr std::array<TSymbolSize, 30> kSymbolSizes = {{
    {10, 10, 1, 1, 3, 5, 1},        {12, 12, 1, 1, 5, 7, 1},        {14, 14, 1, 1, 8, 10, 1},
    {16, 16, 1, 1, 12, 12, 1},      {18, 18, 1, 1, 18, 14, 1},      {20, 20, 1, 1, 22, 18, 1},
    {22, 22, 1, 1, 30, 20, 1},      {24, 24, 1, 1, 36, 24, 1},      {26, 26, 1, 1, 44, 28, 1},
    {32, 32, 2, 2, 62, 36, 1},      {36, 36, 2, 2, 86, 42, 1},      {40, 40, 2, 2, 114, 48, 1},
    {44, 44, 2, 2, 144, 56, 1},     {48, 48, 2, 2, 174, 68, 1},     {52, 52, 2, 2, 204, 84, 2},
    {64, 64, 4, 4, 280, 112, 2},    {72, 72, 4, 4, 368, 144, 4},    {80, 80, 4, 4, 456, 192, 4},
    {88, 88, 4, 4, 576, 224, 4},    {96, 96, 4, 4, 696, 272, 4},    {104, 104, 4, 4, 816, 336, 6},
    {120, 120, 6, 6, 1050, 408, 6}, {132, 132, 6, 6, 1304, 496, 8}, {144, 144, 6, 6, 1558, 620, 10},
    {8, 18, 1, 1, 5, 7, 1},         {8, 32, 1, 2, 10, 11, 1},       {12, 26, 1, 1, 16, 14, 1},
    {12, 36, 1, 2, 22, 18, 1},      {16, 36, 1, 2, 32, 24, 1},      {16, 48, 1, 2, 49, 28, 1},
}};
inline constexpr int kSquareCount = 24;

// Both kinds by module count, the square first at equal count (12 x 12 before 8 x 18); a symbol
// of equal count but fewer data codewords comes first (8 x 32 before 16 x 16).
inline constexpr std::array<std::uint8_t, 30> kBySize = {0,  1,  24, 2,  25, 3,  26, 4,  5,  27,
                                                         6,  28, 7,  8,  29, 9,  10, 11, 12, 13,
                                                         14, 15, 16, 17, 18, 19, 20, 21, 22, 23};

// GF(256) with the field polynomial x^8 + x^5 + x^3 + x^2 + 1 (0x12D), generator 2.
inline constexpr TGaloisField kField = MakeGaloisField(0x12D);

}  // namespace brevix::dm
