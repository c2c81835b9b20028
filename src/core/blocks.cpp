#include "blocks.h"

#include <algorithm>

#include "resilience.h"

namespace {

// The links that carry routes as adjacency lists in list order, each link
// an edge of its own (Arc::pair holds its position), so that twins close
// a cycle: the order the suggestions have always been worked out in.
class LinkArcs {
 public:
  LinkArcs(int deviceCount, const std::vector<Link>& links)
      : first_(static_cast<size_t>(deviceCount) + 1, 0) {
    for (const Link& link : links) {
      if (!carriesRoutes(link)) continue;
      ++first_[link.from + 1];
      ++first_[link.to + 1];
    }
    for (int v = 0; v < deviceCount; ++v) first_[v + 1] += first_[v];
    arcs_.resize(static_cast<size_t>(first_[deviceCount]));
    std::vector<int> next(first_.begin(), first_.end() - 1);
    for (size_t i = 0; i < links.size(); ++i) {
      const Link& link = links[i];
      if (!carriesRoutes(link)) continue;
      arcs_[next[link.from]++] = {link.to, static_cast<int>(i)};
      arcs_[next[link.to]++] = {link.from, static_cast<int>(i)};
    }
  }

  int deviceCount() const { return static_cast<int>(first_.size()) - 1; }
  const PairGraph::Arc* arcsBegin(int v) const {
    return arcs_.data() + first_[v];
  }
  const PairGraph::Arc* arcsEnd(int v) const {
    return arcs_.data() + first_[v + 1];
  }

 private:
  std::vector<int> first_;  // each device's first arc
  std::vector<PairGraph::Arc> arcs_;
};

// One depth-first search with its own stack of frames, closing a block
// whenever a device's subtree cannot climb above its parent (Tarjan).
// Graph is a PairGraph or LinkArcs; an edge is what Arc::pair names.
template <typename Graph>
class BlockSearch {
 public:
  BlockSearch(const Graph& graph, size_t edgeCount,
              const std::vector<char>* usable)
      : graph_(graph),
        usable_(usable),
        order_(static_cast<size_t>(graph.deviceCount()), -1),
        low_(static_cast<size_t>(graph.deviceCount()), 0) {
    blocks_.cut.assign(static_cast<size_t>(graph.deviceCount()), false);
    blocks_.blockOf.assign(edgeCount, -1);
  }

  Blocks run() && {
    for (int root = 0; root < graph_.deviceCount(); ++root) {
      if (order_[root] == -1) searchFrom(root);
    }
    return std::move(blocks_);
  }

 private:
  struct Frame {
    int device;
    int viaEdge;
    const PairGraph::Arc* next;
  };

  void searchFrom(int root) {
    order_[root] = low_[root] = clock_++;
    devices_.push_back(root);
    frames_.push_back({root, -1, graph_.arcsBegin(root)});
    int rootChildren = 0;
    while (!frames_.empty()) {
      Frame& frame = frames_.back();
      const int v = frame.device;
      if (frame.next != graph_.arcsEnd(v)) {
        const PairGraph::Arc arc = *frame.next++;
        if (arc.pair == frame.viaEdge ||
            (usable_ != nullptr && (*usable_)[arc.pair] == 0)) {
          continue;
        }
        if (order_[arc.to] == -1) {
          edges_.push_back(arc.pair);
          devices_.push_back(arc.to);
          order_[arc.to] = low_[arc.to] = clock_++;
          frames_.push_back({arc.to, arc.pair, graph_.arcsBegin(arc.to)});
        } else if (order_[arc.to] < order_[v]) {
          edges_.push_back(arc.pair);
          low_[v] = std::min(low_[v], order_[arc.to]);
        }
        continue;
      }
      const int via = frame.viaEdge;
      frames_.pop_back();
      if (frames_.empty()) break;
      const int parent = frames_.back().device;
      low_[parent] = std::min(low_[parent], low_[v]);
      if (low_[v] < order_[parent]) continue;
      closeBlock(v, parent, via);
      if (parent == root) {
        ++rootChildren;
      } else {
        blocks_.cut[parent] = true;
      }
    }
    if (rootChildren == 0) blocks_.devices.push_back({root});
    devices_.clear();
    if (rootChildren > 1) blocks_.cut[root] = true;
  }

  // The block of `parent` with the subtree of `child`, entered over `via`:
  // the devices and edges stacked since.
  void closeBlock(int child, int parent, int via) {
    const int id = static_cast<int>(blocks_.devices.size());
    std::vector<int> block;
    for (int device = -1; device != child;) {
      device = devices_.back();
      devices_.pop_back();
      block.push_back(device);
    }
    block.push_back(parent);
    std::sort(block.begin(), block.end());
    blocks_.devices.push_back(std::move(block));
    for (int edge = -1; edge != via;) {
      edge = edges_.back();
      edges_.pop_back();
      blocks_.blockOf[edge] = id;
    }
  }

  const Graph& graph_;
  const std::vector<char>* usable_;  // null: every edge
  std::vector<int> order_;  // when the search reached each device, -1 not yet
  std::vector<int> low_;    // the earliest order its subtree climbs to
  std::vector<Frame> frames_;
  std::vector<int> devices_;  // devices reached, not yet in a closed block
  std::vector<int> edges_;    // edges crossed, not yet in a closed block
  int clock_ = 0;
  Blocks blocks_;
};

}  // namespace

Blocks findBlocks(const PairGraph& graph, const std::vector<char>& usable) {
  return BlockSearch<PairGraph>(graph, usable.size(), &usable).run();
}

Blocks findBlocks(int deviceCount, const std::vector<Link>& links) {
  const LinkArcs arcs(deviceCount, links);
  return BlockSearch<LinkArcs>(arcs, links.size(), nullptr).run();
}
