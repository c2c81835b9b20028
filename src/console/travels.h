// The menu's analyses of the working topology: options 3 to 8. Each feeds
// the pure analyses of the core from the working record and the latency
// matrix, and prints the result in the menu's words. The designed
// operations keep their by-value record parameters (a copy shares the
// arcs); the helpers beside them take the record by reference.
#ifndef TOPOPLAN_CONSOLE_TRAVELS_H_
#define TOPOPLAN_CONSOLE_TRAVELS_H_

#include <ostream>

#include "device.h"
#include "graph.h"
#include "plans.h"
#include "reader.h"
#include "refusals.h"
#include "routes.h"

// The state of the last inspection route, written by DFSTraverse and DFS
// and read by option 3's printout and option 4's route graph.
//   visited[i]: 1 once device i was reached by the last traversal.
//   path[0..pathIdx): the codes of the reached devices in visit order;
//     after DFSTraverse pathIdx equals the device count.
//   p: the arc cursor the designed traversal shares between its levels;
//     null whenever no traversal is running.
extern int visited[MAX_DEVICES];
extern char path[MAX_DEVICES][CODE_SIZE];
extern int pathIdx;
extern LinkArc* p;

// Fills visited, path and pathIdx with the inspection route of g (see
// inspectionOrder). Prints nothing.
void DFSTraverse(TopologyGraph g);

// Visits v and everything reachable from it not yet marked in `visited`,
// appending their codes to path.
void DFS(TopologyGraph g, int v);

// Prints the route left by DFSTraverse, for g's device count.
void printInspectionRoute(const TopologyGraph& g, std::ostream& out);

// Option 3: the title, then the inspection route; refuses without the
// latency matrix.
void showInspectionRoute(const TopologyGraph& g, std::ostream& out);

// Fills `route`, which must hold no arcs, with the route graph of the last
// inspection route (see routeArcs): each arc at the head of its start's
// list. Throws std::bad_alloc with the arcs added so far still in
// `route`. Needs parray.
void buildRouteGraph(TopologyGraph* route, const TopologyGraph& g);

// Sorts g topologically (Kahn) and prints the sequence, or the devices
// left over in a loop. Returns 1 without a loop, 0 with one.
int loopTest(TopologyGraph g, std::ostream& out);

// Option 4: the title, then a fresh inspection route checked for loops in
// `routeGraph`, which holds no arcs before and after. Refuses without the
// latency matrix.
void checkInspectionRoute(const TopologyGraph& g, TopologyGraph* routeGraph,
                          std::ostream& out);

// The Floyd pass over parray into the lent matrices (see
// computeFloydRoutes). Needs parray without negative latencies.
void shortPath(TopologyGraph g, int pathMatrix[][MAX_DEVICES],
               int distMatrix[][MAX_DEVICES]);

// Prints the route from `from` to `to` that shortPath recorded, one
// direct link per line in travel order, or "(不可达)" without a route.
void printShortPath(TopologyGraph g, int pathMatrix[][MAX_DEVICES], int from,
                    int to, std::ostream& out);

// Option 5: asks for two device codes and prints the fastest route
// between them. Refuses without a matrix, and while the matrix holds a
// negative latency.
void minDistance(TopologyGraph g, int pathMatrix[][MAX_DEVICES],
                 int distMatrix[][MAX_DEVICES], TokenReader& in,
                 std::ostream& out);

// Option 6: prints the all-pairs route table, INF where there is no
// route. Refuses as minDistance does.
void floydAllDistance(TopologyGraph g, int pathMatrix[][MAX_DEVICES],
                      int distMatrix[][MAX_DEVICES], std::ostream& out);

// Print the plans; each refuses while the latency matrix is missing.
void primMST(TopologyGraph g, std::ostream& out);
void kruskalMST(TopologyGraph g, std::ostream& out);

// Option 7: the title, then both plans.
void showCablingPlans(const TopologyGraph& g, std::ostream& out);

// Option 8: asks for a device code and prints the device with its layer
// and its neighbours in list order. Needs no matrix.
void showDeviceInfo(TopologyGraph g, TokenReader& in, std::ostream& out);

#endif  // TOPOPLAN_CONSOLE_TRAVELS_H_
