// The biconnected blocks of a network and its cut devices, from one
// depth-first search. The N-1 sweep asks it over the device pairs that
// carry routes (a pair's carrier too slow for a route carries none, even
// where a twin could); the single points and the suggestions over the
// links that carry routes, each link an edge of its own, so that twins
// make a cycle and a block of one edge is a bridge.
#ifndef TOPOPLAN_CORE_BLOCKS_H_
#define TOPOPLAN_CORE_BLOCKS_H_

#include <vector>

#include "network.h"
#include "pair_graph.h"

// The biconnected blocks: each a set of devices that no single device
// failure splits, ascending within a block; blocks in the order the search
// closes them (from device 0 upwards, depth first, each device's pairs in
// the graph's order). A device with no usable pair is a block of its own.
struct Blocks {
  std::vector<std::vector<int>> devices;
  // The devices in more than one block: the cut devices.
  std::vector<bool> cut;
  // Each edge's block, an index into `devices`; -1 for an edge not used.
  // An edge is a pair of the graph or a link's position, as asked.
  std::vector<int> blockOf;
};

// The blocks over the pairs of `graph` that `usable` marks. One iterative
// pass: O(devices + pairs) time and memory.
Blocks findBlocks(const PairGraph& graph, const std::vector<char>& usable);

// The blocks over the links that carry routes (carriesRoutes), each
// device's links taken in list order. O(devices + links).
Blocks findBlocks(int deviceCount, const std::vector<Link>& links);

#endif  // TOPOPLAN_CORE_BLOCKS_H_
