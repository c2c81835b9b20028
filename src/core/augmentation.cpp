#include "augmentation.h"

#include <algorithm>
#include <cstdint>
#include <queue>
#include <tuple>
#include <unordered_map>
#include <utility>

#include "disjoint_sets.h"

namespace {

using PairKey = std::uint64_t;

PairKey pairKey(int a, int b) {
  const auto low = static_cast<PairKey>(std::min(a, b));
  const auto high = static_cast<PairKey>(std::max(a, b));
  return low << 32U | high;
}

// The candidates worth considering, each pair once at its cheapest.
std::vector<Link> usableCandidates(const std::vector<Link>& links,
                                   const std::vector<Link>& candidates) {
  std::unordered_map<PairKey, size_t> seen;
  for (const Link& link : links) seen.emplace(pairKey(link.from, link.to), 0);
  std::vector<Link> usable;
  std::unordered_map<PairKey, size_t> chosen;
  for (const Link& candidate : candidates) {
    if (candidate.from == candidate.to || !carriesRoutes(candidate)) continue;
    const PairKey key = pairKey(candidate.from, candidate.to);
    if (seen.count(key) != 0) continue;
    const auto found = chosen.find(key);
    Link ordered{std::min(candidate.from, candidate.to),
                 std::max(candidate.from, candidate.to), candidate.latency};
    if (found == chosen.end()) {
      chosen.emplace(key, usable.size());
      usable.push_back(ordered);
    } else if (usable[found->second].latency > ordered.latency) {
      usable[found->second] = ordered;
    }
  }
  return usable;
}

std::vector<Link> joined(const std::vector<Link>& links,
                         const std::vector<Link>& added) {
  std::vector<Link> all = links;
  all.insert(all.end(), added.begin(), added.end());
  return all;
}

bool meetsGoal(int deviceCount, const std::vector<Link>& links,
               SurvivalGoal goal) {
  const SinglePoints points = findSinglePoints(deviceCount, links);
  return countParts(deviceCount, links, FailureSet{}) == 1 &&
         points.links.empty() &&
         (goal == SurvivalGoal::kLinks || points.devices.empty());
}

long long totalLatency(const std::vector<Link>& links) {
  long long total = 0;
  for (const Link& link : links) total += link.latency;
  return total;
}

// The positions of `links`, the dearest first (the list's order breaks
// ties): the order redundant links are dropped in.
std::vector<size_t> dearestFirst(const std::vector<Link>& links) {
  std::vector<size_t> order(links.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
    return links[a].latency > links[b].latency;
  });
  return order;
}

std::vector<Link> keptOnly(const std::vector<Link>& links,
                           const std::vector<bool>& kept) {
  std::vector<Link> result;
  for (size_t i = 0; i < links.size(); ++i) {
    if (kept[i]) result.push_back(links[i]);
  }
  return result;
}

// Each device's group (a bridge-block or a biconnected block), numbered
// from 0, and the groups' tree edges, for the leaf pairing.
struct GroupForest {
  int groups = 0;
  std::vector<int> groupOf;                  // per device
  std::vector<std::vector<int>> members;     // per group, devices usable
  std::vector<std::vector<int>> neighbours;  // per group, in the forest
  std::vector<int> partOf;                   // per group
};

// The order of the pairing: per part, its leaves in depth-first order from
// its lowest group; a part of one group counts twice.
std::vector<int> leafSlots(const GroupForest& forest) {
  std::vector<int> slots;
  std::vector<bool> visited(static_cast<size_t>(forest.groups), false);
  for (int root = 0; root < forest.groups; ++root) {
    if (visited[static_cast<size_t>(root)]) continue;
    if (forest.neighbours[static_cast<size_t>(root)].empty()) {
      visited[static_cast<size_t>(root)] = true;
      slots.push_back(root);
      slots.push_back(root);
      continue;
    }
    std::vector<int> stack{root};
    while (!stack.empty()) {
      const int group = stack.back();
      stack.pop_back();
      if (visited[static_cast<size_t>(group)]) continue;
      visited[static_cast<size_t>(group)] = true;
      const auto& next = forest.neighbours[static_cast<size_t>(group)];
      if (next.size() == 1) slots.push_back(group);
      for (auto it = next.rbegin(); it != next.rend(); ++it) {
        if (!visited[static_cast<size_t>(*it)]) stack.push_back(*it);
      }
    }
  }
  return slots;
}

// The cheapest candidate not yet taken between a member of group `first`
// and one of group `second` (of equal latency, the first met), or -1.
int cheapestBetween(const GroupForest& forest, int first, int second,
                    const std::vector<std::vector<int>>& candidatesOf,
                    const std::vector<Link>& candidates,
                    const std::unordered_map<PairKey, bool>& taken) {
  int best = -1;
  for (int device : forest.members[static_cast<size_t>(first)]) {
    for (int index : candidatesOf[static_cast<size_t>(device)]) {
      const Link& link = candidates[static_cast<size_t>(index)];
      const int other = link.from == device ? link.to : link.from;
      if (forest.groupOf[static_cast<size_t>(other)] != second ||
          taken.count(pairKey(link.from, link.to)) != 0) {
        continue;
      }
      if (best == -1 ||
          link.latency < candidates[static_cast<size_t>(best)].latency) {
        best = index;
      }
    }
  }
  return best;
}

// Pairs slot i with slot i + floor(len/2) (and an odd last with the
// first) in a forest of one part, or chains the parts of a forest of
// several; each pair by the cheapest candidate between the two groups'
// members not yet taken. False when some pair has no such candidate.
bool pairLeaves(const GroupForest& forest,
                const std::vector<std::vector<int>>& candidatesOf,
                const std::vector<Link>& candidates,
                std::unordered_map<PairKey, bool>* taken,
                std::vector<Link>* added) {
  const std::vector<int> slots = leafSlots(forest);
  if (slots.size() <= 2 && forest.groups <= 1) return true;
  std::vector<std::pair<int, int>> pairs;
  for (size_t i = 0; i + 1 < slots.size(); ++i) {
    const int part = forest.partOf[static_cast<size_t>(slots[i])];
    if (part != forest.partOf[static_cast<size_t>(slots[i + 1])]) {
      pairs.emplace_back(slots[i], slots[i + 1]);
    }
  }
  // Pairing leaves of different parts at once can leave them apart (two
  // isolated blocks paired with each other twice): the parts are chained
  // first, last leaf to the next part's first, and the caller pairs the
  // leaves of the tree that makes.
  const size_t half = slots.size() / 2;
  if (pairs.empty()) {
    for (size_t i = 0; i < half; ++i) {
      pairs.emplace_back(slots[i], slots[i + half]);
    }
    if (slots.size() % 2 == 1) pairs.emplace_back(slots.back(), slots.front());
  }
  bool all = true;
  for (const auto& [first, second] : pairs) {
    const int best = cheapestBetween(forest, first, second, candidatesOf,
                                     candidates, *taken);
    if (best == -1) {
      all = false;
      continue;
    }
    const Link& link = candidates[static_cast<size_t>(best)];
    (*taken)[pairKey(link.from, link.to)] = true;
    added->push_back(link);
  }
  return all;
}

std::vector<std::vector<int>> candidateLists(
    int deviceCount, const std::vector<Link>& candidates) {
  std::vector<std::vector<int>> lists(static_cast<size_t>(deviceCount));
  for (size_t i = 0; i < candidates.size(); ++i) {
    lists[static_cast<size_t>(candidates[i].from)].push_back(
        static_cast<int>(i));
    lists[static_cast<size_t>(candidates[i].to)].push_back(static_cast<int>(i));
  }
  return lists;
}

// The bridge-block forest of the network.
GroupForest bridgeBlocks(int deviceCount, const std::vector<Link>& links) {
  const SinglePoints points = findSinglePoints(deviceCount, links);
  std::vector<bool> bridge(links.size(), false);
  for (int position : points.links)
    bridge[static_cast<size_t>(position)] = true;
  DisjointSets blocks(deviceCount);
  DisjointSets parts(deviceCount);
  for (size_t i = 0; i < links.size(); ++i) {
    if (!carriesRoutes(links[i])) continue;
    parts.join(links[i].from, links[i].to);
    if (!bridge[i]) blocks.join(links[i].from, links[i].to);
  }
  GroupForest forest;
  forest.groupOf.assign(static_cast<size_t>(deviceCount), -1);
  std::vector<int> numberOf(static_cast<size_t>(deviceCount), -1);
  std::vector<int> partNumber(static_cast<size_t>(deviceCount), -1);
  int partCount = 0;
  for (int device = 0; device < deviceCount; ++device) {
    const int root = blocks.find(device);
    if (numberOf[static_cast<size_t>(root)] == -1) {
      numberOf[static_cast<size_t>(root)] = forest.groups++;
      forest.members.emplace_back();
      forest.neighbours.emplace_back();
      const int part = parts.find(device);
      if (partNumber[static_cast<size_t>(part)] == -1) {
        partNumber[static_cast<size_t>(part)] = partCount++;
      }
      forest.partOf.push_back(partNumber[static_cast<size_t>(part)]);
    }
    const int group = numberOf[static_cast<size_t>(root)];
    forest.groupOf[static_cast<size_t>(device)] = group;
    forest.members[static_cast<size_t>(group)].push_back(device);
  }
  for (int position : points.links) {
    const Link& link = links[static_cast<size_t>(position)];
    const int a = forest.groupOf[static_cast<size_t>(link.from)];
    const int b = forest.groupOf[static_cast<size_t>(link.to)];
    forest.neighbours[static_cast<size_t>(a)].push_back(b);
    forest.neighbours[static_cast<size_t>(b)].push_back(a);
  }
  return forest;
}

int pairingBound(const GroupForest& forest) {
  if (forest.groups <= 1) return 0;
  const size_t slots = leafSlots(forest).size();
  return static_cast<int>((slots + 1) / 2);
}

// Joins the parts by the cheapest candidates that join two of them.
std::vector<Link> joinParts(int deviceCount, const std::vector<Link>& links,
                            const std::vector<Link>& candidates,
                            std::unordered_map<PairKey, bool>* taken) {
  if (countParts(deviceCount, links, FailureSet{}) <= 1) return {};
  DisjointSets parts(deviceCount);
  for (const Link& link : links) {
    if (carriesRoutes(link)) parts.join(link.from, link.to);
  }
  std::vector<size_t> order(candidates.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
    return candidates[a].latency < candidates[b].latency;
  });
  std::vector<Link> added;
  for (size_t index : order) {
    const Link& link = candidates[index];
    if (taken->count(pairKey(link.from, link.to)) != 0) continue;
    if (parts.join(link.from, link.to)) {
      (*taken)[pairKey(link.from, link.to)] = true;
      added.push_back(link);
    }
  }
  return added;
}

// The forest rooted at each part's lowest group: each group's parent (-1
// for a root) and depth.
struct RootedForest {
  std::vector<int> parent;
  std::vector<int> depth;
};

RootedForest rooted(const GroupForest& forest) {
  const auto groups = static_cast<size_t>(forest.groups);
  RootedForest tree{std::vector<int>(groups, -1), std::vector<int>(groups, 0)};
  std::vector<bool> visited(groups, false);
  for (size_t root = 0; root < groups; ++root) {
    if (visited[root]) continue;
    visited[root] = true;
    std::vector<int> stack{static_cast<int>(root)};
    while (!stack.empty()) {
      const int group = stack.back();
      stack.pop_back();
      for (int next : forest.neighbours[static_cast<size_t>(group)]) {
        if (visited[static_cast<size_t>(next)]) continue;
        visited[static_cast<size_t>(next)] = true;
        tree.parent[static_cast<size_t>(next)] = group;
        tree.depth[static_cast<size_t>(next)] =
            tree.depth[static_cast<size_t>(group)] + 1;
        stack.push_back(next);
      }
    }
  }
  return tree;
}

// The bridges of a forest still uncovered: up[g] is the nearest of g and
// its ancestors whose edge to its parent is not covered yet (or a root),
// so that a walk skips what is covered.
class UncoveredBridges {
 public:
  UncoveredBridges(const GroupForest& forest, const RootedForest& tree)
      : forest_(forest), tree_(tree), up_(static_cast<size_t>(forest.groups)) {
    for (size_t g = 0; g < up_.size(); ++g) up_[g] = static_cast<int>(g);
  }

  // The uncovered bridges on the path of `link` (0 for a link between
  // parts); with `cover`, marks them covered.
  int walk(const Link& link, bool cover) {
    int a = find(forest_.groupOf[static_cast<size_t>(link.from)]);
    int b = find(forest_.groupOf[static_cast<size_t>(link.to)]);
    int count = 0;
    while (a != b) {
      if (tree_.depth[static_cast<size_t>(a)] <
          tree_.depth[static_cast<size_t>(b)])
        std::swap(a, b);
      const int above = tree_.parent[static_cast<size_t>(a)];
      if (above == -1) return 0;
      if (cover) up_[static_cast<size_t>(a)] = above;
      ++count;
      a = find(above);
    }
    return count;
  }

 private:
  int find(int g) {
    while (up_[static_cast<size_t>(g)] != g) {
      up_[static_cast<size_t>(g)] =
          up_[static_cast<size_t>(up_[static_cast<size_t>(g)])];
      g = up_[static_cast<size_t>(g)];
    }
    return g;
  }

  const GroupForest& forest_;
  const RootedForest& tree_;
  std::vector<int> up_;
};

// The candidates not yet taken that cover bridges, chosen greedily by
// latency per bridge newly covered (compared exactly, then the cheaper,
// then the first listed).
std::vector<Link> greedyCover(const GroupForest& forest,
                              const RootedForest& tree,
                              const std::vector<Link>& candidates,
                              const std::unordered_map<PairKey, bool>& taken) {
  UncoveredBridges bridges(forest, tree);
  // Latency per bridge as a fraction; the heap's top is the least.
  using Entry = std::tuple<long long, int, int>;  // latency, count, index
  auto worse = [](const Entry& x, const Entry& y) {
    const long long left = std::get<0>(x) * std::get<1>(y);
    const long long right = std::get<0>(y) * std::get<1>(x);
    if (left != right) return left > right;
    if (std::get<0>(x) != std::get<0>(y))
      return std::get<0>(x) > std::get<0>(y);
    return std::get<2>(x) > std::get<2>(y);
  };
  std::priority_queue<Entry, std::vector<Entry>, decltype(worse)> heap(worse);
  for (size_t i = 0; i < candidates.size(); ++i) {
    const Link& link = candidates[i];
    if (taken.count(pairKey(link.from, link.to)) != 0) continue;
    const int count = bridges.walk(link, false);
    if (count > 0) heap.emplace(link.latency, count, static_cast<int>(i));
  }
  std::vector<Link> chosen;
  while (!heap.empty()) {
    const Entry top = heap.top();
    heap.pop();
    const Link& link = candidates[static_cast<size_t>(std::get<2>(top))];
    const int count = bridges.walk(link, false);
    if (count == 0) continue;
    if (count != std::get<1>(top)) {
      heap.emplace(link.latency, count, std::get<2>(top));
      continue;
    }
    bridges.walk(link, true);
    chosen.push_back(link);
  }
  return chosen;
}

// `chosen` without the links the others make redundant, dropped the
// dearest first while every bridge stays covered.
std::vector<Link> withoutSpareCovers(const GroupForest& forest,
                                     const RootedForest& tree,
                                     const std::vector<Link>& chosen) {
  std::vector<int> covers(static_cast<size_t>(forest.groups), 0);
  // Adds `change` to the cover count of every bridge on the link's path;
  // true when each stays covered.
  auto pathEach = [&](const Link& link, int change) {
    int a = forest.groupOf[static_cast<size_t>(link.from)];
    int b = forest.groupOf[static_cast<size_t>(link.to)];
    bool spare = true;
    while (a != b) {
      if (tree.depth[static_cast<size_t>(a)] <
          tree.depth[static_cast<size_t>(b)])
        std::swap(a, b);
      covers[static_cast<size_t>(a)] += change;
      if (covers[static_cast<size_t>(a)] < 1) spare = false;
      a = tree.parent[static_cast<size_t>(a)];
    }
    return spare;
  };
  for (const Link& link : chosen) pathEach(link, 1);
  std::vector<bool> kept(chosen.size(), true);
  for (size_t index : dearestFirst(chosen)) {
    if (!pathEach(chosen[index], -1)) {
      pathEach(chosen[index], 1);
    } else {
      kept[index] = false;
    }
  }
  return keptOnly(chosen, kept);
}

// Covers the bridges of the bridge-block forest of `links` greedily, then
// drops links others make redundant.
std::vector<Link> coverBridges(int deviceCount, const std::vector<Link>& links,
                               const std::vector<Link>& candidates,
                               const std::unordered_map<PairKey, bool>& taken) {
  const GroupForest forest = bridgeBlocks(deviceCount, links);
  const RootedForest tree = rooted(forest);
  return withoutSpareCovers(forest, tree,
                            greedyCover(forest, tree, candidates, taken));
}

// The block-cut forest as groups: each block with its devices that are not
// cut devices, then each cut device as a group with no member, joined to
// the blocks it lies in; so the leaves are the blocks with one cut device.
GroupForest blockCutForest(int deviceCount, const std::vector<Link>& links) {
  const Blocks blocks = findBlocks(deviceCount, links);
  GroupForest forest;
  forest.groups = static_cast<int>(blocks.devices.size());
  forest.groupOf.assign(static_cast<size_t>(deviceCount), -1);
  forest.members.resize(blocks.devices.size());
  forest.neighbours.resize(blocks.devices.size());
  std::vector<int> cutGroup(static_cast<size_t>(deviceCount), -1);
  DisjointSets parts(deviceCount);
  for (const Link& link : links) {
    if (carriesRoutes(link)) parts.join(link.from, link.to);
  }
  for (const std::vector<int>& block : blocks.devices) {
    forest.partOf.push_back(parts.find(block.front()));
  }
  for (size_t b = 0; b < blocks.devices.size(); ++b) {
    for (int device : blocks.devices[b]) {
      if (!blocks.cut[static_cast<size_t>(device)]) {
        forest.members[b].push_back(device);
        forest.groupOf[static_cast<size_t>(device)] = static_cast<int>(b);
        continue;
      }
      int& group = cutGroup[static_cast<size_t>(device)];
      if (group == -1) {
        group = forest.groups++;
        forest.members.emplace_back();
        forest.neighbours.emplace_back();
        forest.partOf.push_back(parts.find(device));
      }
      forest.neighbours[b].push_back(group);
      forest.neighbours[static_cast<size_t>(group)].push_back(
          static_cast<int>(b));
    }
  }
  return forest;
}

std::vector<Link> sortedLinks(std::vector<Link> links) {
  std::sort(links.begin(), links.end(), [](const Link& a, const Link& b) {
    return std::tie(a.from, a.to) < std::tie(b.from, b.to);
  });
  return links;
}

Augmentation augmentLinks(int deviceCount, const std::vector<Link>& links,
                          const std::vector<Link>& candidates) {
  Augmentation result;
  const GroupForest forest = bridgeBlocks(deviceCount, links);
  result.lowerBound = pairingBound(forest);
  if (result.lowerBound == 0) {
    result.complete = meetsGoal(deviceCount, links, SurvivalGoal::kLinks);
    return result;
  }
  const auto lists = candidateLists(deviceCount, candidates);
  std::unordered_map<PairKey, bool> taken;
  std::vector<Link> paired;
  bool pairedAll = pairLeaves(forest, lists, candidates, &taken, &paired);
  if (pairedAll && !paired.empty() &&
      countParts(deviceCount, links, FailureSet{}) > 1) {
    pairedAll = pairLeaves(bridgeBlocks(deviceCount, joined(links, paired)),
                           lists, candidates, &taken, &paired);
  }
  const bool pairedWorks =
      pairedAll &&
      meetsGoal(deviceCount, joined(links, paired), SurvivalGoal::kLinks);

  taken.clear();
  std::vector<Link> greedy = joinParts(deviceCount, links, candidates, &taken);
  const std::vector<Link> cover =
      coverBridges(deviceCount, joined(links, greedy), candidates, taken);
  greedy.insert(greedy.end(), cover.begin(), cover.end());
  const bool greedyWorks =
      meetsGoal(deviceCount, joined(links, greedy), SurvivalGoal::kLinks);
  const bool takePaired =
      pairedWorks &&
      (!greedyWorks || totalLatency(paired) < totalLatency(greedy) ||
       (totalLatency(paired) == totalLatency(greedy) &&
        paired.size() <= greedy.size()));
  result.added = sortedLinks(takePaired ? paired : greedy);
  result.complete = takePaired || greedyWorks;
  return result;
}

int deviceBound(int deviceCount, const std::vector<Link>& links) {
  const GroupForest forest = blockCutForest(deviceCount, links);
  int bound = pairingBound(forest);
  const int parts = countParts(deviceCount, links, FailureSet{});
  const Blocks blocks = findBlocks(deviceCount, links);
  std::vector<int> blocksOf(static_cast<size_t>(deviceCount), 0);
  for (const auto& block : blocks.devices) {
    for (int device : block) ++blocksOf[static_cast<size_t>(device)];
  }
  for (int device = 0; device < deviceCount; ++device) {
    if (blocks.cut[static_cast<size_t>(device)]) {
      bound =
          std::max(bound, blocksOf[static_cast<size_t>(device)] + parts - 2);
    }
  }
  return bound;
}

// The cheapest candidate joining two of the branches `cut` leaves, or -1.
int joinBranches(int deviceCount, const std::vector<Link>& links, int cut,
                 const std::vector<Link>& candidates,
                 const std::unordered_map<PairKey, bool>& taken) {
  DisjointSets branches(deviceCount);
  for (const Link& link : links) {
    if (carriesRoutes(link) && link.from != cut && link.to != cut) {
      branches.join(link.from, link.to);
    }
  }
  int best = -1;
  for (size_t i = 0; i < candidates.size(); ++i) {
    const Link& link = candidates[i];
    if (link.from == cut || link.to == cut ||
        taken.count(pairKey(link.from, link.to)) != 0 ||
        branches.find(link.from) == branches.find(link.to)) {
      continue;
    }
    if (best == -1 ||
        link.latency < candidates[static_cast<size_t>(best)].latency) {
      best = static_cast<int>(i);
    }
  }
  return best;
}

// Completes `added` (links already chosen, `taken` their pairs) until no
// cut device is left, then drops what the rest makes redundant.
Augmentation repairDevices(int deviceCount, const std::vector<Link>& links,
                           const std::vector<Link>& candidates,
                           std::vector<Link> added,
                           std::unordered_map<PairKey, bool> taken) {
  Augmentation result;
  const auto lists = candidateLists(deviceCount, candidates);
  std::vector<bool> hopeless(static_cast<size_t>(deviceCount), false);
  while (
      !meetsGoal(deviceCount, joined(links, added), SurvivalGoal::kDevices)) {
    const std::vector<Link> now = joined(links, added);
    const size_t before = added.size();
    pairLeaves(blockCutForest(deviceCount, now), lists, candidates, &taken,
               &added);
    if (added.size() != before) continue;
    const SinglePoints points = findSinglePoints(deviceCount, now);
    bool progress = false;
    for (int cut : points.devices) {
      if (hopeless[static_cast<size_t>(cut)]) continue;
      const int best = joinBranches(deviceCount, now, cut, candidates, taken);
      if (best == -1) {
        hopeless[static_cast<size_t>(cut)] = true;
        continue;
      }
      const Link& link = candidates[static_cast<size_t>(best)];
      taken[pairKey(link.from, link.to)] = true;
      added.push_back(link);
      progress = true;
      break;
    }
    if (!progress) break;
  }
  result.complete =
      meetsGoal(deviceCount, joined(links, added), SurvivalGoal::kDevices);
  if (result.complete) {
    std::vector<bool> kept(added.size(), true);
    for (size_t index : dearestFirst(added)) {
      kept[index] = false;
      if (!meetsGoal(deviceCount, joined(links, keptOnly(added, kept)),
                     SurvivalGoal::kDevices)) {
        kept[index] = true;
      }
    }
    added = keptOnly(added, kept);
  }
  result.added = sortedLinks(added);
  return result;
}

// Two starts, the cheaper result kept (ties: fewer links, then the first):
// the parts joined by the cheapest links, and the answer for kLinks.
Augmentation augmentDevices(int deviceCount, const std::vector<Link>& links,
                            const std::vector<Link>& candidates) {
  if (deviceCount <= 2) {
    Augmentation impossible;
    impossible.possible = false;
    return impossible;
  }
  std::unordered_map<PairKey, bool> taken;
  std::vector<Link> joinedParts =
      joinParts(deviceCount, links, candidates, &taken);
  Augmentation best = repairDevices(deviceCount, links, candidates,
                                    std::move(joinedParts), taken);
  const std::vector<Link> bridgeless =
      augmentLinks(deviceCount, links, candidates).added;
  taken.clear();
  for (const Link& link : bridgeless) taken[pairKey(link.from, link.to)] = true;
  const Augmentation other =
      repairDevices(deviceCount, links, candidates, bridgeless, taken);
  const auto cost = [](const Augmentation& a) {
    return std::make_pair(totalLatency(a.added), a.added.size());
  };
  if (other.complete && (!best.complete || cost(other) < cost(best))) {
    best = other;
  }
  best.lowerBound = deviceBound(deviceCount, links);
  return best;
}

}  // namespace

std::vector<Link> unlinkedPairs(int deviceCount, const std::vector<Link>& links,
                                const std::function<int(int, int)>& latency) {
  std::vector<std::vector<int>> linked(static_cast<size_t>(deviceCount));
  for (const Link& link : links) {
    if (link.from != link.to)
      linked[static_cast<size_t>(link.from)].push_back(link.to);
  }
  std::vector<Link> pairs;
  std::vector<bool> mark(static_cast<size_t>(deviceCount), false);
  for (int from = 0; from < deviceCount; ++from) {
    for (int to : linked[static_cast<size_t>(from)])
      mark[static_cast<size_t>(to)] = true;
    for (int to = from + 1; to < deviceCount; ++to) {
      if (!mark[static_cast<size_t>(to)])
        pairs.push_back({from, to, latency(from, to)});
    }
    for (int to : linked[static_cast<size_t>(from)])
      mark[static_cast<size_t>(to)] = false;
  }
  return pairs;
}

Augmentation augmentNetwork(int deviceCount, const std::vector<Link>& links,
                            const std::vector<Link>& candidates,
                            SurvivalGoal goal) {
  const std::vector<Link> usable = usableCandidates(links, candidates);
  return goal == SurvivalGoal::kLinks
             ? augmentLinks(deviceCount, links, usable)
             : augmentDevices(deviceCount, links, usable);
}

AugmentationFigures augmentationFigures(int deviceCount,
                                        const std::vector<Link>& links,
                                        const std::vector<Link>& added) {
  AugmentationFigures figures;
  figures.before = findSinglePoints(deviceCount, links);
  // Only single points disconnect pairs; their routes are not needed.
  auto worstLost = [deviceCount](const std::vector<Link>& all,
                                 const SinglePoints& points) {
    int worst = 0;
    FailureSet failed;
    for (const int device : points.devices) {
      failed.devices = {device};
      worst = std::max(worst, disconnectedPairs(deviceCount, all, failed));
    }
    failed.devices.clear();
    for (const int position : points.links) {
      failed.links = {position};
      worst = std::max(worst, disconnectedPairs(deviceCount, all, failed));
    }
    return worst;
  };
  figures.worstLostBefore = worstLost(links, figures.before);
  std::vector<Link> all = links;
  SinglePoints previous = figures.before;
  for (const Link& link : added) {
    all.push_back(link);
    const SinglePoints now = findSinglePoints(deviceCount, all);
    SinglePoints ended;
    // Only the network's own single points: joining parts makes passing
    // ones that later suggestions end.
    for (int device : previous.devices) {
      if (std::binary_search(figures.before.devices.begin(),
                             figures.before.devices.end(), device) &&
          !std::binary_search(now.devices.begin(), now.devices.end(), device)) {
        ended.devices.push_back(device);
      }
    }
    for (int position : previous.links) {
      if (position < static_cast<int>(links.size()) &&
          !std::binary_search(now.links.begin(), now.links.end(), position)) {
        ended.links.push_back(position);
      }
    }
    figures.ended.push_back(ended);
    previous = now;
  }
  figures.after = previous;
  figures.worstLostAfter = worstLost(all, figures.after);
  return figures;
}
