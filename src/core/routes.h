// Fastest routes between every two devices (Floyd-Warshall) and the
// unfolding of one route into the devices it passes.
#ifndef TOPOPLAN_CORE_ROUTES_H_
#define TOPOPLAN_CORE_ROUTES_H_

#include <utility>
#include <vector>

#include "latency_matrix.h"

// The result of one Floyd pass over an n x n latency matrix.
class FloydRoutes {
 public:
  explicit FloydRoutes(int n = 0);

  int deviceCount() const { return size_; }
  // The fastest total from i to j in ms; above kLargestLatency (INF, or a
  // direct latency of 32767 or more) when there is no route. The distance
  // from i to i is the matrix's diagonal: 0, or a self-link's latency.
  int distance(int i, int j) const { return distances_[index(i, j)]; }
  // i when the route is the direct link (and for i == j), the last device
  // the route was improved through otherwise, -1 without a route.
  int via(int i, int j) const { return vias_[index(i, j)]; }
  // Row i of each, as n consecutive values.
  const int* distanceRow(int i) const { return &distances_[index(i, 0)]; }
  const int* viaRow(int i) const { return &vias_[index(i, 0)]; }

 private:
  friend FloydRoutes computeFloydRoutes(const LatencyMatrix& matrix);

  size_t index(int i, int j) const {
    return static_cast<size_t>(i) * static_cast<size_t>(size_) +
           static_cast<size_t>(j);
  }

  int size_;
  std::vector<int> distances_;
  std::vector<int> vias_;
};

// The Floyd pass over `matrix`. Entries above kLargestLatency are no link.
// Sums are formed only from terms of at most kLargestLatency, so nothing
// overflows; a sum above kLargestLatency is still stored when it beats
// the entry, and then reads as no route. Ties: devices are tried as
// intermediates in index order and an equally fast route never displaces
// the one found first, so of equal routes the one through lower-index
// devices wins. Needs a matrix without negative latencies (see
// hasNegativeLatency); 0 ms links are fine. Unconnected parts stay at
// INF. O(n^3) time, O(n^2) memory.
FloydRoutes computeFloydRoutes(const LatencyMatrix& matrix);

// The devices of the route from `from` to `to` that `via(i, j)` records
// (as FloydRoutes::via does), in travel order with both ends: one more
// than the route's direct links. Empty when there is no route. A device's
// route to itself reads as a direct link, so callers settle from == to
// first. O(length of the route); needs no recursion.
template <typename Via>
std::vector<int> unfoldRouteBy(const Via& via, int from, int to) {
  std::vector<int> hops{from};
  // The parts still to unfold, the next one on top.
  std::vector<std::pair<int, int>> pending{{from, to}};
  while (!pending.empty()) {
    const auto [start, end] = pending.back();
    pending.pop_back();
    const int middle = via(start, end);
    if (middle == -1) return {};
    if (middle == start) {
      hops.push_back(end);
    } else {
      pending.emplace_back(middle, end);
      pending.emplace_back(start, middle);
    }
  }
  return hops;
}

// The same over a Floyd pass's routes.
std::vector<int> unfoldRoute(const FloydRoutes& routes, int from, int to);

#endif  // TOPOPLAN_CORE_ROUTES_H_
