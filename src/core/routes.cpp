#include "routes.h"

#include <algorithm>

namespace {

// One row of a Floyd round: the routes from some device i improved by
// going through device k, given the distance toVia from i to k (at most
// kLargestLatency). Written without branches so that the compiler
// vectorises it.
#if defined(__x86_64__) && !defined(__EMSCRIPTEN__)
__attribute__((target_clones("avx2", "default")))
#endif
void relaxThroughDevice(int n, int k, int toVia, const int* __restrict viaRow,
                        int* __restrict distRow, int* __restrict pathRow) {
  for (int j = 0; j < n; ++j) {
    const int fromVia = viaRow[j];
    const int sum = toVia + std::min(fromVia, INF);  // cannot overflow
    // A bitwise & rather than &&: a short-circuit would be a branch, and
    // the loop would no longer vectorise.
    // NOLINTNEXTLINE(readability-implicit-bool-conversion)
    const bool shorter = (fromVia <= kLargestLatency) & (sum < distRow[j]);
    distRow[j] = shorter ? sum : distRow[j];
    pathRow[j] = shorter ? k : pathRow[j];
  }
}

}  // namespace

FloydRoutes::FloydRoutes(int n)
    : size_(n),
      distances_(static_cast<size_t>(n) * static_cast<size_t>(n)),
      vias_(static_cast<size_t>(n) * static_cast<size_t>(n)) {}

FloydRoutes computeFloydRoutes(const LatencyMatrix& matrix) {
  const int n = matrix.size();
  FloydRoutes routes(n);
  for (int i = 0; i < n; ++i) {
    const int* latencies = matrix.row(i);
    int* distances = &routes.distances_[routes.index(i, 0)];
    int* vias = &routes.vias_[routes.index(i, 0)];
    for (int j = 0; j < n; ++j) {
      distances[j] = latencies[j];
      vias[j] = latencies[j] <= kLargestLatency ? i : -1;
    }
    vias[i] = i;
  }
  // With no negative latency, row k and column k cannot improve during
  // round k (that would need a negative distance from k to itself), so
  // row k is skipped and distance(i, k) is read once per row.
  for (int k = 0; k < n; ++k) {
    const int* throughRow = &routes.distances_[routes.index(k, 0)];
    for (int i = 0; i < n; ++i) {
      const int toVia = routes.distances_[routes.index(i, k)];
      if (i == k || toVia > kLargestLatency) continue;
      relaxThroughDevice(n, k, toVia, throughRow,
                         &routes.distances_[routes.index(i, 0)],
                         &routes.vias_[routes.index(i, 0)]);
    }
  }
  return routes;
}

std::vector<int> unfoldRoute(const FloydRoutes& routes, int from, int to) {
  return unfoldRouteBy([&routes](int i, int j) { return routes.via(i, j); },
                       from, to);
}
