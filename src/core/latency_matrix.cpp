#include "latency_matrix.h"

LatencyMatrix::LatencyMatrix(int n)
    : size_(n), cells_(static_cast<size_t>(n) * static_cast<size_t>(n), INF) {
  for (int i = 0; i < n; ++i) set(i, i, 0);
}

LatencyMatrix latencyMatrixOf(const Network& network) {
  return latencyMatrixOfSaved(network.deviceCount(), savedLinks(network));
}

LatencyMatrix latencyMatrixOfSaved(int deviceCount,
                                   const std::vector<Link>& saved) {
  LatencyMatrix matrix(deviceCount);
  // In the saved order the carrier of parallel links comes last, so it is
  // the one that stays.
  for (const Link& link : saved) {
    matrix.set(link.from, link.to, link.latency);
    matrix.set(link.to, link.from, link.latency);
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
