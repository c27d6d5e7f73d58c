// The arena behind the PNG encoder hands out memory that libpng fills: pieces must never
// overlap, whatever the mix of sizes, and the blocks must come back for the next picture.

#include "imagewriters/png_arena.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace brevix {
namespace {

constexpr std::size_t kBlock = TPngArena::kBlockBytes;
constexpr std::size_t kLargest = TPngArena::kLargest;

TEST(PngArena, PiecesAreAlignedAndApart) {
  const struct {
    const char* Name;
    std::vector<std::size_t> Sizes;
  } rows[] = {
      {"small and odd", {0, 1, 15, 16, 17, 5000, 3}},
      {"compressor-like", {5952, 32768, 32768, 16384, 16384, 8192, 1200, 300}},
      {"at and past the largest block piece", {kLargest, kLargest + 1, 1, kLargest, 7}},
      {"beyond the blocks kept", {kLargest, kLargest, kLargest, kLargest, kLargest, 64, 1}},
      {"larger than a block", {kBlock * 3, 10, kBlock + 1}},
      {"filling a block to its last byte", {kBlock / 2, kBlock / 2 - 16, 16, 16, 1}},
  };
  TPngArena arena;
  for (int round = 0; round < 2; ++round) {
    for (const auto& row : rows) {
      SCOPED_TRACE(row.Name);
      std::vector<std::uint8_t*> pieces;
      for (std::size_t i = 0; i < row.Sizes.size(); ++i) {
        auto* p = static_cast<std::uint8_t*>(arena.Allocate(row.Sizes[i]));
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(p) % TPngArena::kAlign, 0u);
        std::memset(p, static_cast<int>(i + 1), row.Sizes[i]);
        pieces.push_back(p);
      }
      // Every piece still holds its own bytes: none was handed out twice or overlaps another.
      for (std::size_t i = 0; i < pieces.size(); ++i) {
        for (std::size_t k = 0; k < row.Sizes[i]; ++k)
          ASSERT_EQ(pieces[i][k], static_cast<std::uint8_t>(i + 1)) << "piece " << i;
      }
      // libpng frees what it took; the malloc'd pieces go now, the rest with Reset.
      for (std::uint8_t* p : pieces) arena.Free(p);
      arena.Reset();
    }
  }
}

TEST(PngArena, ResetHandsOutTheSameMemoryAgain) {
  TPngArena arena;
  void* first = arena.Allocate(4000);
  void* second = arena.Allocate(100);
  arena.Reset();
  EXPECT_EQ(arena.Allocate(4000), first);
  EXPECT_EQ(arena.Allocate(100), second);
  arena.Free(nullptr);  // libpng may free nothing
  arena.Reset();
}

}  // namespace
}  // namespace brevix
