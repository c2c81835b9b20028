#include "plans.h"

#include <algorithm>
#include <cstdint>

#include "disjoint_sets.h"

CablingPlan computePrimPlan(const LatencyMatrix& matrix) {
  const int n = matrix.size();
  const auto count = static_cast<size_t>(n);
  CablingPlan plan;
  std::vector<int> nearestLatency(count);
  std::vector<int> nearestTreeDevice(count, 0);
  // Membership is kept apart from the latency, so that a 0 ms link still
  // brings its device into the tree like any other link.
  std::vector<unsigned char> inTree(count, 0);  // bytes: cheaper than bits
  for (int i = 0; i < n; ++i) nearestLatency[i] = matrix.at(0, i);
  if (n > 0) {
    nearestLatency[0] = 0;
    inTree[0] = 1;
  }
  for (int step = 1; step < n; ++step) {
    int best = INF;
    int chosen = -1;
    for (int i = 0; i < n; ++i) {
      if (inTree[i] == 0 && nearestLatency[i] < best) {
        best = nearestLatency[i];
        chosen = i;
      }
    }
    if (chosen == -1) break;
    plan.links.push_back(
        {nearestTreeDevice[chosen], chosen, nearestLatency[chosen], true});
    plan.totalLatency += nearestLatency[chosen];
    ++plan.acceptedCount;
    nearestLatency[chosen] = 0;
    inTree[chosen] = 1;
    const int* chosenRow = matrix.row(chosen);
    for (int j = 0; j < n; ++j) {
      if (inTree[j] == 0 && chosenRow[j] < nearestLatency[j]) {
        nearestLatency[j] = chosenRow[j];
        nearestTreeDevice[j] = chosen;
      }
    }
  }
  plan.connected = plan.acceptedCount >= n - 1;
  return plan;
}

CablingPlan computeKruskalPlan(const Network& network) {
  return computeKruskalPlan(network.deviceCount(), savedLinks(network));
}

CablingPlan computeKruskalPlan(int deviceCount,
                               const std::vector<Link>& saved) {
  const int n = deviceCount;
  CablingPlan plan;
  // Equal latencies keep the saved order: each link is sorted by one key,
  // its latency (sign bit flipped, so that the order of ints holds)
  // above its position in the saved order (an int, as PlanLink keeps it).
  std::vector<uint64_t> keys;
  keys.reserve(saved.size());
  for (size_t i = 0; i < saved.size(); ++i) {
    const Link& link = saved[i];
    if (link.from == link.to) continue;
    const uint32_t latencyOrder =
        static_cast<uint32_t>(link.latency) ^ 0x80000000U;
    keys.push_back(static_cast<uint64_t>(latencyOrder) << 32 | i);
  }
  std::sort(keys.begin(), keys.end());
  DisjointSets parts(n);
  for (const uint64_t key : keys) {
    if (plan.acceptedCount >= n - 1) break;
    const auto position = static_cast<int>(key & 0xffffffffU);
    const Link& link = saved[static_cast<size_t>(position)];
    PlanLink edge{link.from, link.to, link.latency, false, position};
    edge.accepted = parts.join(edge.from, edge.to);
    if (edge.accepted) {
      plan.totalLatency += edge.latency;
      ++plan.acceptedCount;
    }
    plan.links.push_back(edge);
  }
  plan.connected = plan.acceptedCount >= n - 1;
  return plan;
}

std::vector<int> acceptedLinks(const CablingPlan& plan,
                               const std::vector<Link>& saved) {
  std::vector<int> positions;
  for (const PlanLink& link : plan.links) {
    if (!link.accepted) continue;
    const int position =
        link.position != -1
            ? link.position
            : carrierOf(saved, link.from, link.to, [](int) { return true; });
    if (position != -1) positions.push_back(position);
  }
  return positions;
}
