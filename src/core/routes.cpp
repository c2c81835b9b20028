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

// Appends the devices after `from` on the recorded route to `to`; false
// when a part of it has no route.
bool appendRoute(const int routeVia[][MAX_DEVICES], int from, int to,
                 std::vector<int>* hops) {
  const int via = routeVia[from][to];
  if (via == -1) return false;
  if (via == from) {
    hops->push_back(to);
    return true;
  }
  return appendRoute(routeVia, from, via, hops) &&
         appendRoute(routeVia, via, to, hops);
}

}  // namespace

FloydRoutes computeFloydRoutes(const LatencyMatrix& matrix) {
  FloydRoutes routes;
  const int n = std::min(matrix.size(), MAX_DEVICES);
  routes.deviceCount = n;
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) {
      const int latency = matrix.at(i, j);
      routes.distance[i][j] = latency;
      routes.via[i][j] = i == j || latency <= kLargestLatency ? i : -1;
    }
  }
  // With no negative latency, row k and column k cannot improve during
  // round k (that would need a negative distance from k to itself), so
  // row k is skipped and distance[i][k] is read once per row.
  for (int k = 0; k < n; ++k) {
    for (int i = 0; i < n; ++i) {
      const int toVia = routes.distance[i][k];
      if (i == k || toVia > kLargestLatency) continue;
      relaxThroughDevice(n, k, toVia, routes.distance[k], routes.distance[i],
                         routes.via[i]);
    }
  }
  return routes;
}

std::vector<int> unfoldRoute(const FloydRoutes& routes, int from, int to) {
  return unfoldRoute(routes.via, from, to);
}

std::vector<int> unfoldRoute(const int via[][MAX_DEVICES], int from, int to) {
  std::vector<int> hops{from};
  if (!appendRoute(via, from, to, &hops)) hops.clear();
  return hops;
}
