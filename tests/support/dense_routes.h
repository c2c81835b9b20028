// The fastest route with a backup as the dense Floyd pass gives it: the
// oracle that routeWithBackup's searches are held to. O(n^3), O(n^2).
#ifndef TOPOPLAN_TESTS_SUPPORT_DENSE_ROUTES_H_
#define TOPOPLAN_TESTS_SUPPORT_DENSE_ROUTES_H_

#include <algorithm>
#include <cstdint>
#include <vector>

#include "latency_matrix.h"
#include "pair_tally.h"
#include "resilience.h"
#include "routes.h"

namespace dense {

// Fastest routes by a Floyd pass in 64 bits with no cap on a total; the
// menu's tie rules (intermediates in index order, an equally fast route
// never displaces the one found first), so that routes within
// kLargestLatency are the menu's. O(n^3) time, O(n^2) memory.
class LongRoutes {
 public:
  explicit LongRoutes(const LatencyMatrix& matrix)
      : n_(matrix.size()),
        distance_(static_cast<size_t>(n_) * static_cast<size_t>(n_)),
        via_(distance_.size()) {
    for (int i = 0; i < n_; ++i) {
      for (int j = 0; j < n_; ++j) {
        const int latency = matrix.at(i, j);
        distance_[at(i, j)] = latency <= kLargestLatency ? latency : kNoRoute;
        via_[at(i, j)] = latency <= kLargestLatency || i == j ? i : -1;
      }
    }
    for (int k = 0; k < n_; ++k) {
      for (int i = 0; i < n_; ++i) {
        const int64_t toVia = distance_[at(i, k)];
        if (i == k || toVia == kNoRoute) continue;
        for (int j = 0; j < n_; ++j) {
          const int64_t fromVia = distance_[at(k, j)];
          if (fromVia != kNoRoute && toVia + fromVia < distance_[at(i, j)]) {
            distance_[at(i, j)] = toVia + fromVia;
            via_[at(i, j)] = k;
          }
        }
      }
    }
  }

  int64_t distance(int i, int j) const { return distance_[at(i, j)]; }
  std::vector<int> unfold(int from, int to) const {
    return unfoldRouteBy([this](int i, int j) { return via_[at(i, j)]; }, from,
                         to);
  }

 private:
  size_t at(int i, int j) const {
    return static_cast<size_t>(i) * static_cast<size_t>(n_) +
           static_cast<size_t>(j);
  }

  int n_;
  std::vector<int64_t> distance_;
  std::vector<int> via_;
};

// The route from `from` to `to` once `failed` is down, and the route once
// its hops' carriers fail too: {} for none.
inline std::vector<Route> routeWithBackup(int deviceCount,
                                          const std::vector<Link>& links,
                                          FailureSet failed, int from, int to) {
  std::vector<Route> found;
  for (int round = 0; round < 2; ++round) {
    std::vector<Link> survivors;
    for (size_t i = 0; i < links.size(); ++i) {
      if (linkSurvives(links, static_cast<int>(i), failed)) {
        survivors.push_back(links[i]);
      }
    }
    const LongRoutes routes(latencyMatrixOfSaved(deviceCount, survivors));
    if (routes.distance(from, to) == kNoRoute) break;
    Route route;
    route.latency = routes.distance(from, to);
    route.devices = routes.unfold(from, to);
    route.links = hopCarriers(links, failed, route.devices);
    for (const int carrier : route.links) failed.links.push_back(carrier);
    std::sort(failed.links.begin(), failed.links.end());
    found.push_back(route);
  }
  return found;
}

}  // namespace dense

#endif  // TOPOPLAN_TESTS_SUPPORT_DENSE_ROUTES_H_
