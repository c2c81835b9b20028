// The network as failure work sees it: the device pairs that links join,
// a monotone heap and Dijkstra's search over them. Shared by the N-1
// sweep, the single scenario and the fastest route with its backup.
//
// Latencies sit beside the graph, one per pair, so that one graph serves
// the intact network and every scenario: pairLatencies gives them as the
// matrix would hold them. Memory: O(devices + links) for the graph, the
// same for a search.
#ifndef TOPOPLAN_CORE_PAIR_GRAPH_H_
#define TOPOPLAN_CORE_PAIR_GRAPH_H_

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

#include "latency_matrix.h"
#include "network.h"
#include "pair_tally.h"

// The device pairs that some link joins (self-links aside), each with its
// links in the saved order, and adjacency lists over them. An arc names
// its pair; each search reads a pair's latency from a table of its own,
// so that one set of lists serves the intact network and any scenario.
class PairGraph {
 public:
  PairGraph(int deviceCount, const std::vector<Link>& links) {
    for (size_t i = 0; i < links.size(); ++i) {
      if (links[i].from != links[i].to) {
        byPair_.push_back(static_cast<int>(i));
      }
    }
    std::stable_sort(byPair_.begin(), byPair_.end(), [&links](int x, int y) {
      return std::make_pair(links[x].from, links[x].to) <
             std::make_pair(links[y].from, links[y].to);
    });
    std::vector<int> degree(static_cast<size_t>(deviceCount) + 1, 0);
    for (size_t i = 0; i < byPair_.size(); ++i) {
      const Link& link = links[byPair_[i]];
      if (i > 0 && links[byPair_[i - 1]].from == link.from &&
          links[byPair_[i - 1]].to == link.to) {
        continue;
      }
      pairStart_.push_back(static_cast<int>(i));
      ends_.emplace_back(link.from, link.to);
      ++degree[link.from];
      ++degree[link.to];
    }
    pairStart_.push_back(static_cast<int>(byPair_.size()));
    first_.assign(static_cast<size_t>(deviceCount) + 1, 0);
    for (int v = 0; v < deviceCount; ++v) first_[v + 1] = first_[v] + degree[v];
    arcs_.resize(static_cast<size_t>(first_[deviceCount]));
    std::vector<int> next(first_.begin(), first_.end() - 1);
    for (int pair = 0; pair < pairCount(); ++pair) {
      const auto [a, b] = ends_[pair];
      arcs_[next[a]++] = {b, pair};
      arcs_[next[b]++] = {a, pair};
    }
  }

  struct Arc {
    int to;
    int pair;
  };

  int deviceCount() const { return static_cast<int>(first_.size()) - 1; }
  int pairCount() const { return static_cast<int>(ends_.size()); }
  std::pair<int, int> ends(int pair) const { return ends_[pair]; }
  const Arc* arcsBegin(int v) const { return arcs_.data() + first_[v]; }
  const Arc* arcsEnd(int v) const { return arcs_.data() + first_[v + 1]; }

  // The position of the pair's carrier among the links `usable` accepts:
  // the last listed. -1 when none is.
  template <typename Usable>
  int carrier(int pair, Usable usable) const {
    for (int i = pairStart_[pair + 1]; i-- > pairStart_[pair];) {
      if (usable(byPair_[i])) return byPair_[i];
    }
    return -1;
  }

 private:
  std::vector<int> byPair_;     // link positions, grouped by pair
  std::vector<int> pairStart_;  // each pair's first place in byPair_
  std::vector<std::pair<int, int>> ends_;
  std::vector<int> first_;  // each device's first arc
  std::vector<Arc> arcs_;
};

// The pair latencies the matrix would hold with the links `usable`
// accepts: the carrier's, INF for none or one above kLargestLatency.
template <typename Usable>
std::vector<int> pairLatencies(const PairGraph& graph,
                               const std::vector<Link>& links, Usable usable) {
  std::vector<int> latency(static_cast<size_t>(graph.pairCount()), INF);
  for (int pair = 0; pair < graph.pairCount(); ++pair) {
    const int carrier = graph.carrier(pair, usable);
    if (carrier != -1)
      latency[pair] = normalisedLatency(links[carrier].latency);
  }
  return latency;
}

// A monotone priority queue of (total, device): every total pushed is at
// least the last one popped, as in Dijkstra's search. Entries sit in
// buckets by the highest bit in which they differ from the last total
// popped, so that a pop moves an entry at most 64 times in all instead
// of sifting it through a binary heap: the seeded searches below a
// failure spend most of their time here. Equal totals come out in no
// set order (last in, first out), so a tree may take any of a device's
// fastest routes: the figures read totals only.
class RadixHeap {
 public:
  bool empty() const { return size_ == 0; }

  void clear() {
    for (auto& bucket : buckets_) bucket.clear();
    last_ = 0;
    size_ = 0;
  }

  void push(int64_t total, int device) {
    buckets_[bucketOf(total)].emplace_back(total, device);
    ++size_;
  }

  std::pair<int64_t, int> pop() {
    if (buckets_[0].empty()) {
      size_t i = 1;
      while (buckets_[i].empty()) ++i;
      std::vector<std::pair<int64_t, int>>& from = buckets_[i];
      last_ = std::min_element(from.begin(), from.end())->first;
      for (const auto& entry : from) {
        buckets_[bucketOf(entry.first)].push_back(entry);
      }
      from.clear();
    }
    const std::pair<int64_t, int> top = buckets_[0].back();
    buckets_[0].pop_back();
    --size_;
    return top;
  }

 private:
  size_t bucketOf(int64_t total) const {
    const auto differ = static_cast<uint64_t>(total ^ last_);
    return differ == 0 ? 0 : static_cast<size_t>(64 - __builtin_clzll(differ));
  }

  std::vector<std::pair<int64_t, int>> buckets_[65];
  int64_t last_ = 0;
  size_t size_ = 0;
};

// True for a pair that some link carries routes over.
inline bool carried(int latency) { return latency <= kLargestLatency; }

// A shortest-path tree from one source: totals (kNoRoute out of
// reach), the pair each device was reached over (-1 for the
// source and for devices out of reach) and the devices in the order they
// were settled.
struct Tree {
  std::vector<int64_t> total;
  std::vector<int> viaPair;
  std::vector<int> settled;
};

// Dijkstra's search from whatever `heap` holds, each entry a device at
// the total `total` keeps for it (stale entries are passed over): each
// device popped is settled, settle(u), and each arc from it to a device
// admits(x) lets in (asked first: it is the cheaper test below a failure),
// over a pair that `latency` carries, is relaxed. A
// shorter total for x over `pair` goes to reach(x, pair, through), which
// records it in `total` and pushes it (or first carries it on). The seeded
// searches below a failure and the full one share it.
// O((reached devices + their arcs) * the heap's cost).
template <typename Settle, typename Admits, typename Reach>
void spreadFromHeap(const PairGraph& graph, const std::vector<int>& latency,
                    const std::vector<int64_t>& total, RadixHeap* heap,
                    const Settle& settle, const Admits& admits,
                    const Reach& reach) {
  while (!heap->empty()) {
    const auto [reached, u] = heap->pop();
    if (reached != total[u]) continue;
    settle(u);
    for (const PairGraph::Arc* arc = graph.arcsBegin(u);
         arc != graph.arcsEnd(u); ++arc) {
      if (!admits(arc->to) || !carried(latency[arc->pair])) continue;
      const int64_t through = reached + latency[arc->pair];
      if (through < total[arc->to]) reach(arc->to, arc->pair, through);
    }
  }
}

// The shortest-path tree from `source` over the pairs `latency` carries.
inline void searchFrom(const PairGraph& graph, const std::vector<int>& latency,
                       int source, Tree* tree, RadixHeap* heap) {
  const size_t n = tree->total.size();
  tree->total.assign(n, kNoRoute);
  tree->viaPair.assign(n, -1);
  tree->settled.clear();
  heap->clear();
  tree->total[source] = 0;
  heap->push(0, source);
  spreadFromHeap(
      graph, latency, tree->total, heap,
      [tree](int u) { tree->settled.push_back(u); }, [](int) { return true; },
      [tree, heap](int x, int pair, int64_t through) {
        tree->total[x] = through;
        tree->viaPair[x] = pair;
        heap->push(through, x);
      });
}

#endif  // TOPOPLAN_CORE_PAIR_GRAPH_H_
