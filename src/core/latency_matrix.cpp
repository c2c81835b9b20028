#include "latency_matrix.h"

LatencyMatrix::LatencyMatrix(int n)
    : size_(n), cells_(static_cast<size_t>(n) * static_cast<size_t>(n), INF) {
  for (int i = 0; i < n; ++i) set(i, i, 0);
}

LatencyMatrix latencyMatrixOf(const Network& network) {
  LatencyMatrix matrix(network.deviceCount());
  // Newest first, so that of parallel links the first added, written
  // last, is the one that stays.
  for (auto link = network.links.rbegin(); link != network.links.rend();
       ++link) {
    matrix.set(link->from, link->to, link->latency);
    matrix.set(link->to, link->from, link->latency);
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
