#include "latency_matrix.h"

LatencyMatrix::LatencyMatrix(int n)
    : size_(n), cells_(static_cast<size_t>(n) * static_cast<size_t>(n), INF) {
  for (int i = 0; i < n; ++i) set(i, i, 0);
}

LatencyMatrix latencyMatrixOf(const TopologyGraph& g) {
  LatencyMatrix matrix(g.deviceCount);
  // A list runs newest-first, so for parallel links the oldest, written
  // last, is the one that stays.
  for (int i = 0; i < g.deviceCount; ++i) {
    for (const LinkArc* arc = g.devices[i].firstArc; arc != nullptr;
         arc = arc->next) {
      matrix.set(i, arc->target, arc->latency);
    }
  }
  return matrix;
}

bool hasNegativeLatency(const LatencyMatrix& matrix) {
  for (int i = 0; i < matrix.size(); ++i) {
    const int* row = matrix.row(i);
    for (int j = 0; j < matrix.size(); ++j) {
      if (row[j] < 0) return true;
    }
  }
  return false;
}
