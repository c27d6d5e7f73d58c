#pragma once
// Runs of dark modules along a module pattern or a PDF417 row, found 64 modules at a time: the
// scan runs over every module of every paint.

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "../core/pattern.h"

namespace brevix {

// The dark modules' characters, for searches along a pattern.
inline constexpr char kDarkModuleChars[] = {kBar, kGuardBar, kHalfBar};
inline constexpr std::string_view kDarkModules{kDarkModuleChars, sizeof kDarkModuleChars};

// Bit k set where module k of the count (at most 64) at p is dark, the bits above count clear.
// Sixteen modules a step where the processor compares sixteen bytes at once.
inline std::uint64_t DarkMask(const char* p, std::size_t count) {
#if defined(__SSE2__)
  char tail[64];
  if (count < 64) {
    std::memset(tail, kSpace, sizeof tail);
    std::memcpy(tail, p, count);
    p = tail;
  }
  std::uint64_t mask = 0;
  for (int i = 0; i < 4; ++i) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * i));
    const __m128i dark = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8(kBar)),
                                                   _mm_cmpeq_epi8(v, _mm_set1_epi8(kGuardBar))),
                                      _mm_cmpeq_epi8(v, _mm_set1_epi8(kHalfBar)));
    mask |= std::uint64_t{static_cast<std::uint16_t>(_mm_movemask_epi8(dark))} << (16 * i);
  }
  return mask;
#else
  std::uint64_t mask = 0;
  for (std::size_t k = 0; k < count; ++k) mask |= std::uint64_t{IsDarkModule(p[k])} << k;
  return mask;
#endif
}

// Calls run(start, end) for each run of dark modules [start, end), left to right. The modules
// are read 64 at a time into a bit mask whose changes are the runs' edges, so the work is per
// run rather than a branch per module.
template <class TRun>
void ForEachDarkRun(std::string_view pattern, TRun&& run) {
  const std::size_t n = pattern.size();
  const char* const p = pattern.data();
  std::size_t start = 0;
  bool inRun = false;
  for (std::size_t base = 0; base < n; base += 64) {
    const std::size_t count = std::min<std::size_t>(64, n - base);
    const std::uint64_t dark = DarkMask(p + base, count);
    // A set bit where a module differs from the one before it (before the first: the run state).
    std::uint64_t edges = dark ^ (dark << 1 | (inRun ? 1u : 0u));
    if (count < 64) edges &= (std::uint64_t{1} << count) - 1;
    for (; edges != 0; edges &= edges - 1) {
      const std::size_t at = base + static_cast<std::size_t>(std::countr_zero(edges));
      if (!inRun)
        start = at;
      else
        run(start, at);
      inRun = !inRun;
    }
  }
  if (inRun) run(start, n);
}

}  // namespace brevix
