// How a scenario's figures count a pair of devices: its fastest totals
// before and after the failure, in ms, above kLargestLatency for no route.
#ifndef TOPOPLAN_CORE_PAIR_TALLY_H_
#define TOPOPLAN_CORE_PAIR_TALLY_H_

#include <algorithm>
#include <utility>

#include "latency_matrix.h"
#include "resilience.h"

// Whatever exceeds kLargestLatency reads as no link or no route.
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

  void count(int s, int t, int before, int after) {
    if (before > kLargestLatency) return;
    if (after > kLargestLatency) {
      ++lostPairs;
      return;
    }
    if (after <= before) return;
    ++slowerPairs;
    consider({std::min(s, t), std::max(s, t), before, after});
  }

  void consider(const Slowdown& pair) {
    const int increase = pair.after - pair.before;
    const int worstIncrease = worst.after - worst.before;
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
