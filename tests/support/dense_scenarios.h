// The figures of a scenario as the dense matrix gives them: Floyd's routes
// of the intact network name what a failure can touch, and every source
// they meet is searched again over the scenario's n x n matrix. O(n^3) to
// build, O(n^2) memory: the oracle the failure engine is held to.
#ifndef TOPOPLAN_TESTS_SUPPORT_DENSE_SCENARIOS_H_
#define TOPOPLAN_TESTS_SUPPORT_DENSE_SCENARIOS_H_

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "latency_matrix.h"
#include "network.h"
#include "pair_tally.h"
#include "resilience.h"
#include "routes.h"

namespace dense {

// Entry {a, b} of an n x n matrix, the same for {b, a}.
inline size_t entryIndex(int n, int a, int b) {
  return static_cast<size_t>(std::min(a, b)) * static_cast<size_t>(n) +
         static_cast<size_t>(std::max(a, b));
}

// The scenario's latency matrix by the matrix's rules: the links that
// survive, in the saved order, so that of parallel ones the last listed
// (the carrier) is written last and stays.
inline LatencyMatrix scenarioLatencyMatrix(int deviceCount,
                                           const std::vector<Link>& links,
                                           const FailureSet& failed) {
  LatencyMatrix matrix(deviceCount);
  for (size_t i = 0; i < links.size(); ++i) {
    if (!linkSurvives(links, static_cast<int>(i), failed)) continue;
    matrix.set(links[i].from, links[i].to, links[i].latency);
    matrix.set(links[i].to, links[i].from, links[i].latency);
  }
  return matrix;
}

// Fastest totals from `source` over a dense matrix (Dijkstra, O(n^2)),
// 64-bit and without a cap; kNoRoute out of reach. Entries above
// kLargestLatency are no link.
inline void fastestTotals(const LatencyMatrix& matrix, int source,
                          std::vector<int64_t>* totals) {
  const int n = matrix.size();
  std::vector<int64_t>& total = *totals;
  std::vector<bool> settled(static_cast<size_t>(n), false);
  total.assign(static_cast<size_t>(n), kNoRoute);
  total[source] = 0;
  for (;;) {
    int u = -1;
    for (int v = 0; v < n; ++v) {
      if (!settled[v] && total[v] != kNoRoute &&
          (u == -1 || total[v] < total[u])) {
        u = v;
      }
    }
    if (u == -1) return;
    settled[u] = true;
    const int* row = matrix.row(u);
    for (int v = 0; v < n; ++v) {
      const int latency = row[v];
      if (settled[v] || latency > kLargestLatency) continue;
      total[v] = std::min(total[v], total[u] + latency);
    }
  }
}

// The intact network, analysed once; every scenario is measured against
// it. routeEntries[s] holds, ascending, the matrix entries (entry {a, b}
// as min * deviceCount + max) that the fastest routes from s to every
// higher index run over, routeDevices[s] a mark for each device those
// routes pass through between their ends. A pair whose route avoids every
// entry a failure raises keeps its total, so only sources whose routes
// meet the failure are searched again.
struct IntactNetwork {
  int deviceCount = 0;
  std::vector<Link> links;
  LatencyMatrix latency{0};
  FloydRoutes routes;
  std::vector<std::vector<size_t>> routeEntries;
  std::vector<std::vector<bool>> routeDevices;
};

// A scenario's matrix, with what the failure did to the intact one.
struct ScenarioMatrix {
  LatencyMatrix latency{0};
  std::vector<bool> failedDevices;  // a mark per index
  std::vector<size_t> raised;       // entries that went up
  bool lowered = false;             // some entry went down
};

inline ScenarioMatrix scenarioMatrixOf(const IntactNetwork& intact,
                                       const FailureSet& failed) {
  const int n = intact.deviceCount;
  ScenarioMatrix scenario;
  scenario.latency = intact.latency;
  LatencyMatrix& matrix = scenario.latency;
  scenario.failedDevices.assign(static_cast<size_t>(n), false);
  for (const int d : failed.devices) {
    scenario.failedDevices[d] = true;
    for (int j = 0; j < n; ++j) {
      matrix.set(d, j, INF);
      matrix.set(j, d, INF);
    }
  }
  for (const int position : failed.links) {
    const Link& link = intact.links[position];
    const int a = link.from;
    const int b = link.to;
    if (a == b || scenario.failedDevices[a] || scenario.failedDevices[b]) {
      continue;
    }
    const int carrier = carrierOf(intact.links, a, b, [&](int i) {
      return linkSurvives(intact.links, i, failed);
    });
    const int before = normalisedLatency(matrix.at(a, b));
    const int after =
        carrier == -1 ? INF : normalisedLatency(intact.links[carrier].latency);
    matrix.set(a, b, after);
    matrix.set(b, a, after);
    if (after > before) scenario.raised.push_back(entryIndex(n, a, b));
    if (after < before) scenario.lowered = true;
  }
  return scenario;
}

// True when a device of `failed` (ascending) is marked in `marks`, or an
// entry of `raised` is in `entries` (ascending).
inline bool meetsFailure(const std::vector<bool>& marks,
                         const std::vector<int>& failedDevices,
                         const std::vector<size_t>& entries,
                         const std::vector<size_t>& raised) {
  return std::any_of(failedDevices.begin(), failedDevices.end(),
                     [&marks](int device) { return marks[device]; }) ||
         std::any_of(raised.begin(), raised.end(), [&entries](size_t entry) {
           return std::binary_search(entries.begin(), entries.end(), entry);
         });
}

inline IntactNetwork analyseIntact(int deviceCount,
                                   const std::vector<Link>& links) {
  const auto count = static_cast<size_t>(deviceCount);
  IntactNetwork intact;
  intact.deviceCount = deviceCount;
  intact.links = links;
  intact.latency = scenarioLatencyMatrix(deviceCount, links, FailureSet{});
  intact.routes = computeFloydRoutes(intact.latency);
  intact.routeEntries.assign(count, {});
  intact.routeDevices.assign(count, std::vector<bool>(count, false));
  for (int s = 0; s < deviceCount; ++s) {
    std::vector<size_t>& entries = intact.routeEntries[s];
    for (int t = s + 1; t < deviceCount; ++t) {
      if (intact.routes.distance(s, t) > kLargestLatency) continue;
      const std::vector<int> hops = unfoldRoute(intact.routes, s, t);
      for (size_t h = 1; h < hops.size(); ++h) {
        entries.push_back(entryIndex(deviceCount, hops[h - 1], hops[h]));
        if (h + 1 < hops.size()) intact.routeDevices[s][hops[h]] = true;
      }
    }
    std::sort(entries.begin(), entries.end());
    entries.erase(std::unique(entries.begin(), entries.end()), entries.end());
  }
  return intact;
}

inline ScenarioFigures scenarioFigures(const IntactNetwork& intact,
                                       const FailureSet& failed) {
  const int n = intact.deviceCount;
  ScenarioFigures figures;
  figures.failed = failed;
  figures.parts = countParts(n, intact.links, failed);
  figures.cutOff = cutOffDevices(n, intact.links, failed);
  const ScenarioMatrix scenario = scenarioMatrixOf(intact, failed);

  // The Floyd routes name what a failure can touch only among totals
  // within kLargestLatency: a longer one is searched again always.
  std::vector<int64_t> before;
  std::vector<int64_t> total;
  PairTally tally;
  for (int s = 0; s < n; ++s) {
    if (scenario.failedDevices[s]) continue;
    fastestTotals(intact.latency, s, &before);
    const auto isLong = [](int64_t t) {
      return t != kNoRoute && t > kLargestLatency;
    };
    // fastestTotals fills `before`, which cppcheck does not follow.
    // cppcheck-suppress knownEmptyContainer
    const bool longTotal = std::any_of(before.begin(), before.end(), isLong);
    const bool searchAgain =
        scenario.lowered || longTotal ||
        meetsFailure(intact.routeDevices[s], failed.devices,
                     intact.routeEntries[s], scenario.raised);
    if (!searchAgain) continue;  // every route from s is as it was
    fastestTotals(scenario.latency, s, &total);
    for (int t = s + 1; t < n; ++t) {
      if (scenario.failedDevices[t]) continue;
      tally.count(s, t, before[t], total[t]);
    }
  }
  tally.copyTo(&figures);
  return figures;
}

}  // namespace dense

#endif  // TOPOPLAN_TESTS_SUPPORT_DENSE_SCENARIOS_H_
