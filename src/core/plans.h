// The two cabling plans: minimum spanning trees by Prim and by Kruskal.
#ifndef TOPOPLAN_CORE_PLANS_H_
#define TOPOPLAN_CORE_PLANS_H_

#include <vector>

#include "latency_matrix.h"
#include "network.h"

// One link of a cabling plan, in the order the plan considered it.
struct PlanLink {
  int from;  // for Prim: the tree device; for Kruskal: the lower index
  int to;
  int latency;
  bool accepted;  // Prim lists accepted links only
  // Kruskal: the link's position in the saved order; Prim: -1, the
  // matrix's carrier of the pair (carrierOf) is the link.
  int position = -1;
};

struct CablingPlan {
  std::vector<PlanLink> links;
  long long totalLatency = 0;  // wide enough for any sum of int latencies
  int acceptedCount = 0;
  bool connected = false;  // the plan reaches every device
};

// The Prim plan grown from device 0 over `matrix`; entries of INF (32767)
// or more are no link, so a direct latency of exactly 32767 is never
// taken. Each step takes the device outside the tree with the smallest
// latency to the tree; ties go to the lowest device index, and on an equal
// latency a device keeps its earlier tree neighbour. 0 ms and negative
// latencies are taken like any other. With unconnected parts the plan
// stops at device 0's part and is not connected. Parallel links and
// self-links count only as far as the matrix keeps them. O(n^2).
CablingPlan computePrimPlan(const LatencyMatrix& matrix);

// The Kruskal plan over the network's links: every link once, in the
// saved order (savedLinks; self-links are skipped), sorted by latency with
// equal latencies keeping that order, then taken while they join two
// parts, stopping once n-1 links are accepted. Every link counts, parallel
// ones and those of 32767 ms or more included. Lists every link
// considered, skipped ones too. O(n + m log m) for m links.
CablingPlan computeKruskalPlan(const Network& network);

// The same plan from `deviceCount` devices and their links already in the
// saved order, for a caller that holds them so.
CablingPlan computeKruskalPlan(int deviceCount, const std::vector<Link>& saved);

// The links a plan accepts, as positions in `saved` (the network's links
// in the saved order), in plan order: Kruskal's own, and for Prim the
// carrier of each pair (carrierOf). O(accepted links * links).
std::vector<int> acceptedLinks(const CablingPlan& plan,
                               const std::vector<Link>& saved);

#endif  // TOPOPLAN_CORE_PLANS_H_
