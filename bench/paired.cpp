#include "bench/paired.h"

#include <time.h>

#include <algorithm>
#include <vector>

namespace brevix::bench {

namespace {

double ThreadSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// Seconds per call of work over n calls.
double PerCall(const std::function<void()>& work, long n) {
  const double start = ThreadSeconds();
  for (long i = 0; i < n; ++i) work();
  return (ThreadSeconds() - start) / static_cast<double>(n);
}

// Calls that fill about seconds, from a first estimate.
// The first call is left out: it may load fonts or make buffers, and timed alone it would make a
// batch of a handful of calls, whose time is mostly the caches refilling after the other side.
// The estimate is taken from at least kMinCalls calls.
long BatchSize(const std::function<void()>& work, double seconds) {
  constexpr long kMinCalls = 16;
  work();
  long n = 1;
  double per = PerCall(work, n);
  while ((per * static_cast<double>(n) < seconds / 8 || n < kMinCalls) && n < (1L << 24)) {
    n *= 4;
    per = PerCall(work, n);
  }
  return std::max(1L, static_cast<long>(seconds / std::max(per, 1e-9)));
}

}  // namespace

TPairedSpeedUp PairedSpeedUp(const std::function<void()>& ours, const std::function<void()>& theirs,
                             int rounds, double batchSeconds, const std::function<void()>& idle) {
  const auto rest = [&] {
    if (idle) idle();
  };
  const long nOurs = BatchSize(ours, batchSeconds);
  rest();
  const long nTheirs = BatchSize(theirs, batchSeconds);
  rest();
  std::vector<double> ratios;
  ratios.reserve(static_cast<std::size_t>(rounds));
  // The first rounds only warm caches and clocks up.
  constexpr int kWarmUp = 4;
  for (int r = -kWarmUp; r < rounds; ++r) {
    double a = 0, b = 0;
    if ((r + kWarmUp) % 2 == 0) {
      a = PerCall(ours, nOurs);
      rest();
      b = PerCall(theirs, nTheirs);
    } else {
      b = PerCall(theirs, nTheirs);
      rest();
      a = PerCall(ours, nOurs);
    }
    rest();
    if (r >= 0 && a > 0) ratios.push_back(b / a);
  }
  if (ratios.empty()) return {};
  std::sort(ratios.begin(), ratios.end());
  const auto at = [&](double q) {
    return ratios[static_cast<std::size_t>(q * static_cast<double>(ratios.size() - 1) + 0.5)];
  };
  return {at(0.5), at(0.25), at(0.75)};
}

}  // namespace brevix::bench
