// Fastest routes between every two devices (Floyd-Warshall) and the
// unfolding of one route into the devices it passes.
#ifndef TOPOPLAN_CORE_ROUTES_H_
#define TOPOPLAN_CORE_ROUTES_H_

#include <vector>

#include "latency_matrix.h"
#include "topology.h"

// The result of one Floyd pass over an n x n latency matrix. Cells at and
// beyond deviceCount are unused.
struct FloydRoutes {
  int deviceCount = 0;
  // distance[i][j]: the fastest total from i to j in ms; above
  // kLargestLatency (INF, or a direct latency of 32767 or more) when
  // there is no route. distance[i][i] is the matrix's diagonal: 0, or a
  // self-link's latency.
  int distance[MAX_DEVICES][MAX_DEVICES];
  // via[i][j]: i when the route is the direct link (and for i == j), the
  // last device the route was improved through otherwise, -1 without a
  // route.
  int via[MAX_DEVICES][MAX_DEVICES];
};

// The Floyd pass over `matrix` (at most MAX_DEVICES devices). Entries
// above kLargestLatency are no link. Sums are formed only from terms of
// at most kLargestLatency, so nothing overflows; a sum above
// kLargestLatency is still stored when it beats the entry, and then reads
// as no route. Ties: devices are tried as intermediates in index order and
// an equally fast route never displaces the one found first, so of equal
// routes the one through lower-index devices wins. Needs a matrix without
// negative latencies (see hasNegativeLatency); 0 ms links are fine.
// Unconnected parts stay at INF. O(n^3) time, no allocation.
FloydRoutes computeFloydRoutes(const LatencyMatrix& matrix);

// The devices of the recorded route from `from` to `to`, in travel order
// with both ends: one more than the route's direct links. Empty when there
// is no route. A device's route to itself reads as a direct link, so
// callers settle from == to first. O(length of the route).
std::vector<int> unfoldRoute(const FloydRoutes& routes, int from, int to);

// The same over a bare `via` table, as the menu's lent path matrix holds.
std::vector<int> unfoldRoute(const int via[][MAX_DEVICES], int from, int to);

#endif  // TOPOPLAN_CORE_ROUTES_H_
