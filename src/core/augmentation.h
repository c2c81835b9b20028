// What to build: the new links that leave a network one part surviving any
// single link failure (no bridge left), or also any single device failure
// (no cut device left), chosen among candidate links at the least total
// latency the search finds.
//
// The network is the one resilience.h speaks of: a device count and its
// links (any order; positions below are into that list). Only links that
// carry routes (carriesRoutes) join devices. Candidates are links too, their
// latency the cost of building them. A candidate is never taken when it is
// a self-link, carries no route, or joins two devices some link already
// joins (it would share that link's duct); of equal pairs the cheaper, then
// the first listed, counts. No globals, no printing; any number of devices.
#ifndef TOPOPLAN_CORE_AUGMENTATION_H_
#define TOPOPLAN_CORE_AUGMENTATION_H_

#include <functional>
#include <vector>

#include "blocks.h"
#include "network.h"
#include "resilience.h"

enum class SurvivalGoal {
  kLinks,    // no bridge: any single link may fail
  kDevices,  // no cut device either: any single device may fail
};

// Every pair of distinct devices that no link joins yet, lower index first,
// in order of the lower index and then the higher, each at
// latency(from, to). O(devices^2) time and memory: for networks whose
// candidates fit in memory.
std::vector<Link> unlinkedPairs(int deviceCount, const std::vector<Link>& links,
                                const std::function<int(int, int)>& latency);

struct Augmentation {
  // False only for kDevices on a network of two devices or fewer, where no
  // link can remove a single point; nothing is suggested then.
  bool possible = true;
  // The suggested links, lower index first, by `from` then `to`.
  std::vector<Link> added;
  // The fewest new links any choice of pairs needs, whatever their cost:
  // for kLinks ceil(p/2) + q over the bridge-block forest (p its leaves, q
  // its isolated blocks), for kDevices the larger of that bound over the
  // block-cut forest and, for the cut device in most blocks, its blocks
  // plus the network's parts minus 2. 0 when nothing is needed.
  int lowerBound = 0;
  // Whether the network with `added` meets the goal (checked with
  // findSinglePoints and countParts). When the candidates cannot, `added`
  // is what they can do.
  bool complete = false;
};

// The suggestions for `goal` among `candidates`.
//
// kLinks: two constructions, the cheaper kept (ties: fewer links, then the
// first). One pairs the leaves of the bridge-block forest in depth-first
// order, leaf i with leaf i + ceil(p/2), an isolated block counting as two
// leaves, each pair by the cheapest candidate between the two blocks: when
// the candidates hold every needed pair at one cost, it gives exactly the
// least number of links. The other joins the parts by the cheapest
// candidates (Kruskal), then covers the bridges of the tree so made
// greedily, by latency per bridge not yet covered (ties: lower latency,
// then candidate order), and drops links whose bridges others cover, the
// dearest first. O((devices + links + candidates) log candidates) plus
// the tree paths walked.
//
// kDevices: joins the parts as above, then repeatedly pairs the leaf blocks
// of the block-cut forest the same way, by the cheapest candidate between
// their devices that are not cut devices, until findSinglePoints finds
// none; a round that adds nothing joins the branches of the lowest cut
// device left by the cheapest candidate between two of them. Finally drops
// each link, the dearest first, the rest still meeting the goal.
// O(rounds * (devices + links + candidates)) plus O(added * (devices +
// links)) for the dropping. Memory linear in devices, links and candidates.
Augmentation augmentNetwork(int deviceCount, const std::vector<Link>& links,
                            const std::vector<Link>& candidates,
                            SurvivalGoal goal);

// What a set of suggestions changes, for the report.
struct AugmentationFigures {
  // The single points of the network before, over `links`.
  SinglePoints before;
  // Those of `before` each suggestion ends when they are added one by one
  // in the order given: ended[k] lists what is a single point with the
  // first k suggestions and no longer with k + 1 (devices ascending, links
  // as positions in `links`, ascending).
  std::vector<SinglePoints> ended;
  // The single points left with every suggestion, over `links` followed by
  // the suggestions (positions past links.size() are suggestions).
  SinglePoints after;
  // The largest number of pairs a single failure disconnects, before and
  // after (the lost pairs of singlePointScenarios).
  int worstLostBefore = 0;
  int worstLostAfter = 0;
};

// O((suggestions + single points) * (devices + links)): the worst lost
// pairs come from the parts each single point's failure leaves, no route
// measured.
AugmentationFigures augmentationFigures(int deviceCount,
                                        const std::vector<Link>& links,
                                        const std::vector<Link>& added);

#endif  // TOPOPLAN_CORE_AUGMENTATION_H_
