// How a scenario's figures count a pair of devices: its fastest totals
// before and after the failure, in ms, kNoRoute for no route. Totals are
// 64-bit sums of link latencies with no cap: a pair is reachable when a
// path exists, however long (a link still carries routes only up to
// kLargestLatency).
#ifndef TOPOPLAN_CORE_PAIR_TALLY_H_
#define TOPOPLAN_CORE_PAIR_TALLY_H_

#include <algorithm>
#include <cstdint>
#include <limits>
#include <utility>

#include "latency_matrix.h"
#include "resilience.h"

// The total of a pair with no route.
constexpr int64_t kNoRoute = std::numeric_limits<int64_t>::max();

// A link latency above kLargestLatency reads as no link.
inline int normalisedLatency(int latency) {
  return latency > kLargestLatency ? INF : latency;
}

// Lost pairs (reachable before, not after), slower pairs (reachable in
// both, slower after) and the worst of them: the largest increase, of
// equal ones the lowest (from, to), in whatever order pairs come.
struct PairTally {
  int lostPairs = 0;
  int slowerPairs = 0;
  bool hasWorst = false;
  Slowdown worst;

  void count(int s, int t, int64_t before, int64_t after) {
    if (before == kNoRoute) return;
    if (after == kNoRoute) {
      ++lostPairs;
      return;
    }
    if (after <= before) return;
    ++slowerPairs;
    consider({std::min(s, t), std::max(s, t), before, after});
  }

  void consider(const Slowdown& pair) {
    const int64_t increase = pair.after - pair.before;
    const int64_t worstIncrease = worst.after - worst.before;
    if (!hasWorst || increase > worstIncrease ||
        (increase == worstIncrease &&
         std::make_pair(pair.from, pair.to) <
             std::make_pair(worst.from, worst.to))) {
      hasWorst = true;
      worst = pair;
    }
  }

  // Another tally of the same scenario, over other pairs.
  void add(const PairTally& other) {
    lostPairs += other.lostPairs;
    slowerPairs += other.slowerPairs;
    if (other.hasWorst) consider(other.worst);
  }

  void copyTo(ScenarioFigures* figures) const {
    figures->lostPairs = lostPairs;
    figures->slowerPairs = slowerPairs;
    figures->hasWorst = hasWorst;
    figures->worst = worst;
  }
};

#endif  // TOPOPLAN_CORE_PAIR_TALLY_H_
