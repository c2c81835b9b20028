// The inspection route (a depth-first visit of every device) and the loop
// check that sorts it topologically (Kahn).
#ifndef TOPOPLAN_CORE_VISIT_ORDER_H_
#define TOPOPLAN_CORE_VISIT_ORDER_H_

#include <vector>

#include "latency_matrix.h"
#include "topology.h"

// Visits `start` and, depth first, every device reachable from it whose
// `reached` mark is still false, appending each to `order` as it is
// reached and setting its mark. A device tries its arcs in list order
// (newest link first); self-links and arcs to reached devices are passed
// over; latencies play no part. `reached` holds g.deviceCount marks.
// O(devices + arcs) over a whole traversal; recursion depth at most
// MAX_DEVICES.
void inspectFrom(const TopologyGraph& g, int start, std::vector<bool>* reached,
                 std::vector<int>* order);

// The whole inspection route: inspectFrom every device not yet reached,
// in index order, so unconnected parts follow one another. Holds every
// device exactly once.
std::vector<int> inspectionOrder(const TopologyGraph& g);

// Fills `route`, which must hold no arcs, with the route graph of an
// inspection `order`: g's devices, and one directed arc from each entry of
// `order` to the next, weighted by `matrix` (1 where two entries are not
// directly linked, as an entry above kLargestLatency says). Entries are
// resolved by code, so a repeated code folds onto its first device and
// the route graph can then hold a loop. route->linkCount counts the arcs.
// Throws std::bad_alloc with the arcs added so far still in `route`.
// O(devices * order length).
void makeRouteGraph(const TopologyGraph& g, const std::vector<int>& order,
                    const LatencyMatrix& matrix, TopologyGraph* route);

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

// Sorts the directed arcs of `g` topologically. Every arc counts, so an
// undirected link (two arcs) or a self-link is a loop. O(devices + arcs)
// plus O(devices^2) string comparisons when there is a loop.
LoopCheck checkForLoops(const TopologyGraph& g);

#endif  // TOPOPLAN_CORE_VISIT_ORDER_H_
