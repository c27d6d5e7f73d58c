#pragma once
// Speed-ups measured in pairs: short batches of our work and the peer's alternate, so that both
// sides of every ratio ran under the same load. On a shared machine whose speed drifts by 2x
// within a minute, the median of many such ratios is steadier than a ratio of two medians taken
// seconds apart.

#include <functional>

namespace brevix::bench {

struct TPairedSpeedUp {
  double Median = 0;  // the peer's time per call over ours
  double Low = 0;     // first quartile of the ratios
  double High = 0;    // third quartile
};

// Times ours and theirs in rounds of two batches (the order alternating between rounds), each
// batch about batchSeconds of thread CPU time; between batches, idle runs untimed (clean-up).
TPairedSpeedUp PairedSpeedUp(const std::function<void()>& ours, const std::function<void()>& theirs,
                             int rounds, double batchSeconds,
                             const std::function<void()>& idle = {});

}  // namespace brevix::bench
