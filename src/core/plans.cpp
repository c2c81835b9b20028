#include "plans.h"

#include <algorithm>

namespace {

int kruskalFind(int parent[], int x) {
  while (parent[x] != x) {
    parent[x] = parent[parent[x]];  // path halving
    x = parent[x];
  }
  return x;
}

}  // namespace

CablingPlan computePrimPlan(const LatencyMatrix& matrix) {
  const int n = std::min(matrix.size(), MAX_DEVICES);
  CablingPlan plan;
  int nearestLatency[MAX_DEVICES];
  int nearestTreeDevice[MAX_DEVICES];
  // Membership is kept apart from the latency, so that a 0 ms link still
  // brings its device into the tree like any other link.
  bool inTree[MAX_DEVICES];
  for (int i = 0; i < n; ++i) {
    nearestLatency[i] = matrix.at(0, i);
    nearestTreeDevice[i] = 0;
    inTree[i] = false;
  }
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

CablingPlan computeKruskalPlan(const TopologyGraph& g) {
  const int n = g.deviceCount;
  CablingPlan plan;
  std::vector<PlanLink> edges;
  edges.reserve(MAX_DEVICES * (MAX_DEVICES - 1) / 2);
  for (int i = 0; i < n; ++i) {
    for (const LinkArc* arc = g.devices[i].firstArc; arc != nullptr;
         arc = arc->next) {
      if (i < arc->target)
        edges.push_back({i, arc->target, arc->latency, false});
    }
  }
  // Equal latencies keep list order: the sort must be stable.
  std::stable_sort(edges.begin(), edges.end(),
                   [](const PlanLink& a, const PlanLink& b) {
                     return a.latency < b.latency;
                   });
  int parent[MAX_DEVICES];
  for (int i = 0; i < n; ++i) parent[i] = i;
  for (PlanLink edge : edges) {
    if (plan.acceptedCount >= n - 1) break;
    const int rootFrom = kruskalFind(parent, edge.from);
    const int rootTo = kruskalFind(parent, edge.to);
    edge.accepted = rootFrom != rootTo;
    if (edge.accepted) {
      parent[rootFrom] = rootTo;
      plan.totalLatency += edge.latency;
      ++plan.acceptedCount;
    }
    plan.links.push_back(edge);
  }
  plan.connected = plan.acceptedCount >= n - 1;
  return plan;
}
