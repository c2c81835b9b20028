// The inspection route (a depth-first visit of every device) and the loop
// check that sorts it topologically (Kahn).
#ifndef TOPOPLAN_CORE_VISIT_ORDER_H_
#define TOPOPLAN_CORE_VISIT_ORDER_H_

#include <string>
#include <vector>

#include "latency_matrix.h"
#include "network.h"

// Visits `start` and, depth first, every device reachable from it whose
// `reached` mark is still false, appending each to `order` as it is
// reached and setting its mark. A device tries its neighbours in the
// order of `neighbours` (neighbourLists: newest link first); self-links
// and reached devices are passed over; latencies play no part. `reached`
// holds a mark for every device. O(devices + links) over a whole
// traversal, without recursion.
void inspectFrom(const NeighbourTable& neighbours, int start,
                 std::vector<bool>* reached, std::vector<int>* order);

// The whole inspection route: inspectFrom every device not yet reached,
// in index order, so unconnected parts follow one another. Holds every
// device exactly once.
std::vector<int> inspectionOrder(const Network& network);

// One directed arc of a route graph.
struct RouteArc {
  int from;
  int to;
  int latency;
};

// The arcs of the route graph of an inspection `order` over devices that
// bear `codes` (codes[i] for device i): one from each entry of `order` to
// the next, weighted by `matrix` (1 where two entries are not directly
// linked, as an entry above kLargestLatency says), in route order. Entries
// are resolved by code, so a repeated code folds onto its first device and
// the route graph can then hold a loop. O(devices + order length).
std::vector<RouteArc> routeArcs(const std::vector<std::string>& codes,
                                const std::vector<int>& order,
                                const LatencyMatrix& matrix);

struct LoopCheck {
  // The devices Kahn's algorithm sorted, in the order it sorted them: a
  // queue seeded with the devices of in-degree 0 in index order, each
  // device's arcs followed in list order.
  std::vector<int> sequence;
  // Without a loop, empty. With one: the devices, in index order, whose
  // code no sorted device bears (so a device that shares its code with a
  // sorted one is not reported).
  std::vector<int> leftOver;
  bool hasLoop = false;  // fewer devices sorted than there are
};

// Sorts a directed graph topologically: device i bears codes[i], and
// arcs[i] lists the targets of its arcs in the order they are followed.
// Every arc counts, so an arc each way or an arc to itself is a loop.
// O(devices + arcs), plus the codes' lengths when there is a loop.
LoopCheck checkForLoops(const std::vector<std::string>& codes,
                        const std::vector<std::vector<int>>& arcs);

#endif  // TOPOPLAN_CORE_VISIT_ORDER_H_
