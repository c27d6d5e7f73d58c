#pragma once
// Working memory for libpng that a PNG encoder keeps from one picture to the next.

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <memory>
#include <new>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#define BREVIX_ARENA_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define BREVIX_ARENA_ASAN 1
#endif
#endif
#ifdef BREVIX_ARENA_ASAN
#include <sanitizer/asan_interface.h>
#endif

namespace brevix {

// Blocks handed out front to back and taken back all at once after each picture. libpng asks for
// its structures anew for every picture, though it only writes the chunks around image data
// compressed beforehand: its write and info structures and two copies of the palette, about 3 KB.
// Handing out the same memory again spares a small barcode's picture the allocator's work.
// Requests too large for a block, or past the blocks kept, come from malloc and go back to free.
// Nothing here throws: libpng calls it from C.
class TPngArena {
 public:
  static constexpr std::size_t kAlign = alignof(std::max_align_t);
  // A few times what libpng takes for a picture of any size; more comes from malloc rather than
  // stay in the encoder.
  static constexpr std::size_t kBlockBytes = std::size_t{16} << 10;
  static constexpr std::size_t kLargest = kBlockBytes / 2;
  static constexpr std::size_t kMaxBlocks = 1;

  TPngArena() {
    FBlocks.reserve(kMaxBlocks);
    FLarge.reserve(8);
  }
  TPngArena(const TPngArena&) = delete;
  TPngArena& operator=(const TPngArena&) = delete;
  ~TPngArena() {
    Reset();
#ifdef BREVIX_ARENA_ASAN
    for (const auto& block : FBlocks) ASAN_UNPOISON_MEMORY_REGION(block.get(), kBlockBytes);
#endif
  }

  // At least size bytes aligned for any type, or null when memory ran out.
  void* Allocate(std::size_t size) noexcept {
    if (size <= kLargest) {
      const std::size_t rounded = (size + kAlign - 1) & ~(kAlign - 1);
      for (; FBlock < FBlocks.size(); ++FBlock, FUsed = 0) {
        if (rounded <= kBlockBytes - FUsed) return Take(size, rounded);
      }
      if (FBlocks.size() < kMaxBlocks) {
        std::byte* block = new (std::nothrow) std::byte[kBlockBytes];
        if (!block) return nullptr;
        FBlocks.emplace_back(block);  // within the capacity reserved
#ifdef BREVIX_ARENA_ASAN
        ASAN_POISON_MEMORY_REGION(block, kBlockBytes);
#endif
        FUsed = 0;
        return Take(size, rounded);
      }
    }
    void* p = std::malloc(size);
    if (!p) return nullptr;
    try {
      FLarge.push_back(p);
    } catch (...) {
      std::free(p);
      return nullptr;
    }
    return p;
  }

  // Memory from the blocks waits for Reset; only malloc'd pieces go back now.
  void Free(void* p) noexcept {
    const auto it = std::find(FLarge.begin(), FLarge.end(), p);
    if (it == FLarge.end()) return;
    std::free(p);
    *it = FLarge.back();
    FLarge.pop_back();
  }

  // Takes everything back; nothing handed out before may be used after.
  void Reset() noexcept {
    for (void* p : FLarge) std::free(p);
    FLarge.clear();
#ifdef BREVIX_ARENA_ASAN
    for (const auto& block : FBlocks) ASAN_POISON_MEMORY_REGION(block.get(), kBlockBytes);
#endif
    FBlock = 0;
    FUsed = 0;
  }

 private:
  void* Take(std::size_t size, std::size_t rounded) noexcept {
    std::byte* p = FBlocks[FBlock].get() + FUsed;
    FUsed += rounded;
#ifdef BREVIX_ARENA_ASAN
    ASAN_UNPOISON_MEMORY_REGION(p, size);
#else
    (void)size;
#endif
    return p;
  }

  std::vector<std::unique_ptr<std::byte[]>> FBlocks;
  std::size_t FBlock = 0;  // the block handing out memory now
  std::size_t FUsed = 0;   // bytes of it handed out
  std::vector<void*> FLarge;
};

}  // namespace brevix
