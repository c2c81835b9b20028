// The N-1 report's scenario figures for networks of any size, and one
// scenario's figures without a matrix, both over adjacency lists.
//
// The network is the one resilience.h speaks of (device count, links in
// the saved order) and the figures are exactly those of a full Floyd pass:
// the same matrix rules (of parallel links the carrier, carrierOf, holds
// the pair's latency; self-links and links of 32767 ms or more carry
// nothing; a pair is reachable when its total is at most kLargestLatency),
// the same counts and the same worst pair. Memory stays linear in devices
// plus links plus scenarios: no n x n table anywhere.
#ifndef TOPOPLAN_CORE_FAILURE_SWEEP_H_
#define TOPOPLAN_CORE_FAILURE_SWEEP_H_

#include <functional>
#include <memory>
#include <vector>

#include "network.h"
#include "resilience.h"

// How the sweep runs. Only singlePointsOnly changes a figure.
struct SweepOptions {
  // Threads searching at once; 0 takes one per core, and more than 64
  // count as 64.
  int workers = 0;
  // Called now and then on the calling thread, and once at the end, with
  // the work done and the whole counted in scenarios; may be empty.
  std::function<void(int done, int total)> progress;
  // Measures only the scenarios of single points of failure; the others
  // keep their failure set and parts, with no pair counted.
  bool singlePointsOnly = false;
};

// The figures of every scenario of singleFailures(deviceCount, links), in
// that order, each with its parts and the devices it cuts off.
//
// How: from each source, one Dijkstra search (radix heap) gives its
// shortest-path tree. A failure changes the totals from that source only
// below the failed device or link in the tree, so only that subtree is
// searched again, seeded from its edge; a subtree with no way in is lost
// whole. What hangs below a cut device of that subtree (a tree child in
// another block than its parent's own link) is not searched at all: its
// totals move as the cut device's do, and it is counted from sums kept
// per subtree. Failing a link that is not its pair's carrier,
// or whose younger twin is at least as fast, changes no total. Parts and
// cut-off devices change only at single points of failure, which are
// worked out from the network once.
//
// Cost: O(sources * (links * log devices + sum over tree elements of
// their subtree's links * log devices)); for the sparse networks of
// operators far below one search per source and scenario. Needs no
// negative link; at least one device.
std::vector<ScenarioFigures> sweepSingleFailures(int deviceCount,
                                                 const std::vector<Link>& links,
                                                 const SweepOptions& options);

// One scenario with everything in `failed` down at once, measured by two
// searches from each source (the second only when the first's tree meets
// the failure, or some pair got faster): O(devices * links * log
// devices), linear memory. Needs no negative link; failures within range.
ScenarioFigures sparseScenarioFigures(int deviceCount,
                                      const std::vector<Link>& links,
                                      const FailureSet& failed);

// Many scenarios of one network, asked one after another (as the page
// asks them): every source's intact shortest-path tree is searched once
// and kept, and each scenario searches again only the devices whose tree
// route it breaks, from the devices around them that keep theirs. The
// figures are those of sparseScenarioFigures.
//
// Cost: building, one search per source, O(devices * links * log
// devices), and two ints per device pair kept; a scenario, O(devices^2)
// to walk the trees plus the searches below the failures. A scenario
// that makes some pair faster (a failed carrier whose younger twin is
// faster), and every scenario of a network of more than kMostKeptDevices
// devices, for which no trees are kept, is measured by
// sparseScenarioFigures instead. Needs no negative link.
class ScenarioMeter {
 public:
  // Past this many devices the trees would take more than 32 MB.
  static constexpr int kMostKeptDevices = 2000;

  ScenarioMeter(int deviceCount, std::vector<Link> links);
  ~ScenarioMeter();
  ScenarioMeter(const ScenarioMeter&) = delete;
  ScenarioMeter& operator=(const ScenarioMeter&) = delete;

  // The figures of the scenario with everything in `failed` down at once;
  // failures within range.
  ScenarioFigures measure(const FailureSet& failed) const;

 private:
  struct Trees;
  int deviceCount_;
  std::vector<Link> links_;
  std::unique_ptr<const Trees> trees_;  // null past kMostKeptDevices
};

#endif  // TOPOPLAN_CORE_FAILURE_SWEEP_H_
