#include "visit_order.h"

#include <unordered_map>
#include <unordered_set>
#include <utility>

void inspectFrom(const NeighbourTable& neighbours, int start,
                 std::vector<bool>* reached, std::vector<int>* order) {
  // The devices being visited, each with the next neighbour it tries.
  std::vector<std::pair<int, size_t>> visiting;
  (*reached)[start] = true;
  order->push_back(start);
  visiting.emplace_back(start, 0);
  while (!visiting.empty()) {
    std::pair<int, size_t>& top = visiting.back();
    const NeighbourTable::Range list = neighbours.of(top.first);
    size_t next = top.second;
    while (next < list.size() && (*reached)[list[next].device]) ++next;
    if (next == list.size()) {
      visiting.pop_back();
      continue;
    }
    top.second = next + 1;
    const int target = list[next].device;
    (*reached)[target] = true;
    order->push_back(target);
    visiting.emplace_back(target, 0);
  }
}

std::vector<int> inspectionOrder(const Network& network) {
  const NeighbourTable neighbours = neighbourLists(network);
  std::vector<bool> reached(network.devices.size(), false);
  std::vector<int> order;
  order.reserve(network.devices.size());
  for (int i = 0; i < network.deviceCount(); ++i) {
    if (!reached[i]) inspectFrom(neighbours, i, &reached, &order);
  }
  return order;
}

std::vector<RouteArc> routeArcs(const std::vector<std::string>& codes,
                                const std::vector<int>& order,
                                const LatencyMatrix& matrix) {
  // Each code's first device, as findDevice would name it.
  std::unordered_map<std::string, int> firstWithCode;
  firstWithCode.reserve(codes.size());
  for (size_t i = 0; i < codes.size(); ++i) {
    firstWithCode.emplace(codes[i], static_cast<int>(i));
  }
  std::vector<int> resolved;
  resolved.reserve(order.size());
  for (const int entry : order) {
    resolved.push_back(firstWithCode.at(codes[entry]));
  }
  std::vector<RouteArc> arcs;
  for (size_t j = 0; j + 1 < resolved.size(); ++j) {
    const int from = resolved[j];
    const int to = resolved[j + 1];
    const int latency =
        matrix.at(from, to) > kLargestLatency ? 1 : matrix.at(from, to);
    arcs.push_back({from, to, latency});
  }
  return arcs;
}

LoopCheck checkForLoops(const std::vector<std::string>& codes,
                        const std::vector<std::vector<int>>& arcs) {
  const size_t n = codes.size();
  LoopCheck result;
  std::vector<int> inDegree(n, 0);
  for (const std::vector<int>& targets : arcs) {
    for (const int target : targets) ++inDegree[target];
  }
  // The sorted sequence doubles as the queue: devices are appended as
  // their in-degree drops to 0 and taken from the front.
  std::vector<int>& queue = result.sequence;
  queue.reserve(n);
  for (size_t i = 0; i < n; ++i) {
    if (inDegree[i] == 0) queue.push_back(static_cast<int>(i));
  }
  for (size_t front = 0; front < queue.size(); ++front) {
    for (const int target : arcs[queue[front]]) {
      if (--inDegree[target] == 0) queue.push_back(target);
    }
  }
  result.hasLoop = result.sequence.size() < n;
  if (!result.hasLoop) return result;
  std::unordered_set<std::string> sortedCodes;
  for (const int device : result.sequence) sortedCodes.insert(codes[device]);
  for (size_t l = 0; l < n; ++l) {
    if (sortedCodes.count(codes[l]) == 0) {
      result.leftOver.push_back(static_cast<int>(l));
    }
  }
  return result;
}
