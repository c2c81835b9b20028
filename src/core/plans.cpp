#include "plans.h"

#include <algorithm>

#include "disjoint_sets.h"

CablingPlan computePrimPlan(const LatencyMatrix& matrix) {
  const int n = matrix.size();
  const auto count = static_cast<size_t>(n);
  CablingPlan plan;
  std::vector<int> nearestLatency(count);
  std::vector<int> nearestTreeDevice(count, 0);
  // Membership is kept apart from the latency, so that a 0 ms link still
  // brings its device into the tree like any other link.
  std::vector<bool> inTree(count, false);
  for (int i = 0; i < n; ++i) nearestLatency[i] = matrix.at(0, i);
  if (n > 0) {
    nearestLatency[0] = 0;
    inTree[0] = true;
  }
  for (int step = 1; step < n; ++step) {
    int best = INF;
    int chosen = -1;
    for (int i = 0; i < n; ++i) {
      if (!inTree[i] && nearestLatency[i] < best) {
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
    inTree[chosen] = true;
    const int* chosenRow = matrix.row(chosen);
    for (int j = 0; j < n; ++j) {
      if (!inTree[j] && chosenRow[j] < nearestLatency[j]) {
        nearestLatency[j] = chosenRow[j];
        nearestTreeDevice[j] = chosen;
      }
    }
  }
  plan.connected = plan.acceptedCount >= n - 1;
  return plan;
}

CablingPlan computeKruskalPlan(const Network& network) {
  const int n = network.deviceCount();
  CablingPlan plan;
  std::vector<PlanLink> edges;
  edges.reserve(network.links.size());
  const std::vector<Link> saved = savedLinks(network);
  for (size_t i = 0; i < saved.size(); ++i) {
    const Link& link = saved[i];
    if (link.from != link.to) {
      edges.push_back(
          {link.from, link.to, link.latency, false, static_cast<int>(i)});
    }
  }
  // Equal latencies keep the saved order: the sort must be stable.
  std::stable_sort(edges.begin(), edges.end(),
                   [](const PlanLink& a, const PlanLink& b) {
                     return a.latency < b.latency;
                   });
  DisjointSets parts(n);
  for (PlanLink edge : edges) {
    if (plan.acceptedCount >= n - 1) break;
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
