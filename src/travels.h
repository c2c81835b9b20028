// The analyses of a topology: the inspection route, the loop check, the
// Floyd routes, the two cabling plans and the device detail. Every one
// receives the record by value, so none can change the caller's device
// table; the copies share the arcs and the globals of graph.h.
#ifndef TOPOPLAN_TRAVELS_H_
#define TOPOPLAN_TRAVELS_H_

#include <ostream>
#include <string>
#include <vector>

#include "graph.h"
#include "reader.h"

// Refusals that the menu and the drawing both print, as lines.
constexpr char kDeviceNotFound[] = "✘ 未找到设备：";  // the code follows
constexpr char kNegativeLatency[] =
    "✘ 拓扑中存在负延迟链路，无法计算最短路径！请修正拓扑文件后重新加载。";

// The lowest-index device whose code equals a typed word, or -1. A word
// that cannot be a device code (too long, or holding a NUL byte) names no
// device.
int findDevice(const TopologyGraph& g, const std::string& word);

// Fills path and pathIdx with the inspection route: a depth-first visit
// from every device not yet visited, in index order, each device trying
// its arcs in list order (newest link first). Prints nothing.
void DFSTraverse(TopologyGraph g);

// Visits v and everything reachable from it that is not yet visited, with
// the single global cursor p.
void DFS(TopologyGraph g, int v);

// Prints the route left by DFSTraverse, for g's device count.
void printInspectionRoute(const TopologyGraph& g, std::ostream& out);

// Fills `route` with the route graph of the last inspection route: the
// devices of `g` and one arc from each route entry to the next, weighted
// by the latency matrix (1 where two entries are not directly linked).
// Entries are resolved by code, so repeated codes fold onto their first
// device. Needs parray; `route` must hold no arcs.
void buildRouteGraph(TopologyGraph* route, const TopologyGraph& g);

// Sorts g topologically (Kahn) and prints the sequence, or the devices
// left over in a loop. Returns 1 without a loop, 0 with one.
int loopTest(TopologyGraph g, std::ostream& out);

// The Floyd pass over parray into the lent matrices. Sums are formed only
// from terms of at most 32766, and an equally fast route never displaces
// the one found first. Needs a matrix without negative latencies.
void shortPath(TopologyGraph g, int pathMatrix[][MAX_DEVICES],
               int distMatrix[][MAX_DEVICES]);

// True when the latency matrix, built for g, holds a negative latency:
// the Floyd pass and the unfolding of its routes assume there is none.
bool hasNegativeLatency(const TopologyGraph& g);

// The devices of the route from `from` to `to` that shortPath recorded, in
// travel order with both ends, one more than the route's direct links;
// empty when pathMatrix holds no route. A device's entry for itself reads
// as a direct link, so callers settle from == to first, as option 5 does.
std::vector<int> unfoldRoute(int pathMatrix[][MAX_DEVICES], int from, int to);

// Prints the route from `from` to `to` that shortPath recorded, one
// direct link per line in travel order, or "(不可达)" without a route.
void printShortPath(TopologyGraph g, int pathMatrix[][MAX_DEVICES], int from,
                    int to, std::ostream& out);

// The dialogue of option 5: asks for two device codes and prints the
// fastest route between them. Refuses without a matrix, and while the
// matrix holds a negative latency.
void minDistance(TopologyGraph g, int pathMatrix[][MAX_DEVICES],
                 int distMatrix[][MAX_DEVICES], TokenReader& in,
                 std::ostream& out);

// Prints the all-pairs route table, INF where there is no route. Refuses
// as minDistance does.
void floydAllDistance(TopologyGraph g, int pathMatrix[][MAX_DEVICES],
                      int distMatrix[][MAX_DEVICES], std::ostream& out);

// One link of a cabling plan, in the order the plan considered it.
struct PlanLink {
  int from;  // for Prim: the tree device; for Kruskal: the lower index
  int to;
  int latency;
  bool accepted;  // Prim lists accepted links only
};

struct CablingPlan {
  std::vector<PlanLink> links;
  long long totalLatency = 0;  // wide enough for any sum of int latencies
  int acceptedCount = 0;
  bool connected = false;  // the plan reaches every device
};

// The Prim plan grown from device 0 over the latency matrix (entries above
// 32766 are no link). Ties go to the lowest device index; on an equal
// latency a device keeps its earlier tree neighbour. Needs parray.
CablingPlan computePrimPlan(const TopologyGraph& g);

// The Kruskal plan over the adjacency lists: every link once, sorted by
// latency with equal latencies in list order, stopping once n-1 links are
// accepted. Self-links are never taken.
CablingPlan computeKruskalPlan(const TopologyGraph& g);

// Print the plans; each refuses while the latency matrix is missing.
void primMST(TopologyGraph g, std::ostream& out);
void kruskalMST(TopologyGraph g, std::ostream& out);

// A device's network layer, derived from its code; the picture stacks
// its rows in this order.
enum class Layer {
  kCore,
  kSecurity,
  kDistribution,
  kAccess,
  kDataCentre,
  kOther
};
constexpr int kLayerCount = static_cast<int>(Layer::kOther) + 1;

// The first rule that matches wins: "CR" core, "FW" security, a code
// starting with "DR" distribution, with "AR" access, "SV" data centre, and
// anything else other. CR-2 or SV1 are therefore other.
Layer layerOf(const char* code);

// The layer's label, as the device detail shows it.
const char* layerName(Layer layer);

// The dialogue of option 8: asks for a device code and prints the device
// with its layer and its neighbours in list order. Needs no matrix.
void showDeviceInfo(TopologyGraph g, TokenReader& in, std::ostream& out);

#endif  // TOPOPLAN_TRAVELS_H_
