// The latency matrix of a network as a value: n x n direct latencies in
// milliseconds, INF where two devices have no direct link.
#ifndef TOPOPLAN_CORE_LATENCY_MATRIX_H_
#define TOPOPLAN_CORE_LATENCY_MATRIX_H_

#include <cstddef>
#include <vector>

#include "network.h"

// Latency-matrix value for "no direct link", and Floyd's value for "no
// route". Readers of a matrix treat anything above kLargestLatency as no
// link; links keep whatever latency they were built with, even one of
// 32767 or more.
constexpr int INF = 32767;
constexpr int kLargestLatency = INF - 1;

class LatencyMatrix {
 public:
  // An n x n matrix with 0 on the diagonal and INF everywhere else.
  explicit LatencyMatrix(int n);

  int size() const { return size_; }
  int at(int i, int j) const { return cells_[index(i, j)]; }
  void set(int i, int j, int latency) { cells_[index(i, j)] = latency; }
  // Row i as n consecutive values, for loops that sweep a whole row.
  const int* row(int i) const { return &cells_[index(i, 0)]; }
  int* row(int i) { return &cells_[index(i, 0)]; }

 private:
  size_t index(int i, int j) const {
    return static_cast<size_t>(i) * static_cast<size_t>(size_) +
           static_cast<size_t>(j);
  }

  int size_;
  std::vector<int> cells_;
};

// The matrix of the network's direct links, by the rules of the route
// table: 0 on the diagonal, INF without a link, a link's latency in both
// directions. Of parallel links the carrier (the first added) wins; a
// self-link replaces the 0 on its diagonal cell. Latencies are copied as
// they are: 0, negative and values of 32767 or more included (the last
// then read as no link). O(n^2 + links).
LatencyMatrix latencyMatrixOf(const Network& network);

// The same matrix from `deviceCount` devices and their links in the saved
// order (savedLinks), for a caller that holds them so: of parallel links
// the last listed is the carrier. O(n^2 + links).
LatencyMatrix latencyMatrixOfSaved(int deviceCount,
                                   const std::vector<Link>& saved);

// True when some entry is negative: the Floyd pass and the unfolding of
// its routes assume there is none. O(n^2).
bool hasNegativeLatency(const LatencyMatrix& matrix);

#endif  // TOPOPLAN_CORE_LATENCY_MATRIX_H_
