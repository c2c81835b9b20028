// Stand-in for the analysis core's matrix and Floyd entry points while they
// are still being moved out of the store; wraps the store's own code, so no
// algorithm is copied. Goes away once the core lands.
#ifndef TOPOPLAN_CORE_PLANNED_CORE_H_
#define TOPOPLAN_CORE_PLANNED_CORE_H_

#include <vector>

#include "graph.h"
#include "travels.h"

constexpr int kLargestLatency = INF - 1;

class LatencyMatrix {
 public:
  explicit LatencyMatrix(int size)
      : size_(size), values_(static_cast<size_t>(size) * size, INF) {}
  int size() const { return size_; }
  int at(int i, int j) const { return values_[index(i, j)]; }
  int& at(int i, int j) { return values_[index(i, j)]; }

 private:
  size_t index(int i, int j) const {
    return static_cast<size_t>(i) * size_ + j;
  }
  int size_;
  std::vector<int> values_;
};

inline LatencyMatrix latencyMatrixOf(const TopologyGraph& g) {
  int** saved = parray;
  parray = nullptr;
  buildLatencyMatrix(&g);
  LatencyMatrix matrix(g.deviceCount);
  for (int i = 0; i < g.deviceCount; ++i) {
    for (int j = 0; j < g.deviceCount; ++j) matrix.at(i, j) = parray[i][j];
  }
  discardLatencyMatrix(&g);
  parray = saved;
  return matrix;
}

struct FloydRoutes {
  int size = 0;
  int distance[MAX_DEVICES][MAX_DEVICES];
  int via[MAX_DEVICES][MAX_DEVICES];
};

inline FloydRoutes computeFloydRoutes(const LatencyMatrix& matrix) {
  const int n = matrix.size();
  FloydRoutes routes;
  routes.size = n;
  int** saved = parray;
  std::vector<int*> rows(n);
  std::vector<std::vector<int>> values(n, std::vector<int>(n));
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) values[i][j] = matrix.at(i, j);
    rows[i] = values[i].data();
  }
  parray = rows.data();
  TopologyGraph sizeOnly = {};
  sizeOnly.deviceCount = n;
  shortPath(sizeOnly, routes.via, routes.distance);
  parray = saved;
  return routes;
}

inline std::vector<int> unfoldRoute(const FloydRoutes& routes, int from,
                                    int to) {
  return unfoldRoute(const_cast<int(*)[MAX_DEVICES]>(routes.via), from, to);
}

#endif  // TOPOPLAN_CORE_PLANNED_CORE_H_
