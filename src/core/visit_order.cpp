#include "visit_order.h"

#include <cstring>

void inspectFrom(const TopologyGraph& g, int start, std::vector<bool>* reached,
                 std::vector<int>* order) {
  (*reached)[start] = true;
  order->push_back(start);
  for (const LinkArc* arc = g.devices[start].firstArc; arc != nullptr;
       arc = arc->next) {
    if (!(*reached)[arc->target]) inspectFrom(g, arc->target, reached, order);
  }
}

std::vector<int> inspectionOrder(const TopologyGraph& g) {
  std::vector<bool> reached(g.deviceCount, false);
  std::vector<int> order;
  order.reserve(g.deviceCount);
  for (int i = 0; i < g.deviceCount; ++i) {
    if (!reached[i]) inspectFrom(g, i, &reached, &order);
  }
  return order;
}

void makeRouteGraph(const TopologyGraph& g, const std::vector<int>& order,
                    const LatencyMatrix& matrix, TopologyGraph* route) {
  const int n = g.deviceCount;
  route->deviceCount = n;
  route->linkCount = 0;
  for (int j = 0; j < n; ++j) {
    DeviceEntry& entry = route->devices[j];
    std::memcpy(&entry, &g.devices[j], sizeof entry);
    entry.firstArc = nullptr;
  }
  // Each entry is resolved once; its arc runs to the next entry.
  std::vector<int> resolved(order.size());
  for (size_t j = 0; j < order.size(); ++j) {
    resolved[j] = locateIn(*route, g.devices[order[j]].code);
  }
  for (size_t j = 0; j + 1 < order.size(); ++j) {
    const int from = resolved[j];
    const int to = resolved[j + 1];
    const int latency =
        matrix.at(from, to) > kLargestLatency ? 1 : matrix.at(from, to);
    route->devices[from].firstArc =
        new LinkArc{to, route->devices[from].firstArc, latency};
    ++route->linkCount;
  }
}

LoopCheck checkForLoops(const TopologyGraph& g) {
  const int n = g.deviceCount;
  LoopCheck result;
  std::vector<int> inDegree(n, 0);
  for (int i = 0; i < n; ++i) {
    for (const LinkArc* arc = g.devices[i].firstArc; arc != nullptr;
         arc = arc->next) {
      ++inDegree[arc->target];
    }
  }
  // The sorted sequence doubles as the queue: devices are appended as
  // their in-degree drops to 0 and taken from the front.
  std::vector<int>& queue = result.sequence;
  queue.reserve(n);
  for (int i = 0; i < n; ++i) {
    if (inDegree[i] == 0) queue.push_back(i);
  }
  for (size_t front = 0; front < queue.size(); ++front) {
    for (const LinkArc* arc = g.devices[queue[front]].firstArc; arc != nullptr;
         arc = arc->next) {
      if (--inDegree[arc->target] == 0) queue.push_back(arc->target);
    }
  }
  result.hasLoop = static_cast<int>(result.sequence.size()) < n;
  if (!result.hasLoop) return result;
  for (int l = 0; l < n; ++l) {
    bool inSequence = false;
    for (size_t s = 0; s < result.sequence.size() && !inSequence; ++s) {
      inSequence = std::strcmp(g.devices[result.sequence[s]].code,
                               g.devices[l].code) == 0;
    }
    if (!inSequence) result.leftOver.push_back(l);
  }
  return result;
}
