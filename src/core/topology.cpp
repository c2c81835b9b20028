#include "topology.h"

#include <cstring>
#include <memory>

int locateIn(const TopologyGraph& g, const char* code) {
  for (int i = 0; i < g.deviceCount; ++i) {
    if (std::strcmp(g.devices[i].code, code) == 0) return i;
  }
  return -1;
}

int findDevice(const TopologyGraph& g, const std::string& word) {
  if (word.size() >= CODE_SIZE || word.find('\0') != std::string::npos) {
    return -1;
  }
  return locateIn(g, word.c_str());
}

std::vector<TopologyLink> listLinks(const TopologyGraph& g) {
  std::vector<TopologyLink> links;
  for (int i = 0; i < g.deviceCount; ++i) {
    int selfArcs = 0;
    for (const LinkArc* arc = g.devices[i].firstArc; arc != nullptr;
         arc = arc->next) {
      const bool selfLink = arc->target == i;
      if (selfLink && selfArcs++ % 2 != 0) continue;
      if (arc->target < i) continue;
      links.push_back({i, arc->target, arc->latency});
    }
  }
  return links;
}

void addLink(TopologyGraph* g, int a, int b, int latency) {
  // Both arcs exist before either is hung in, so a refused allocation
  // leaves no half link behind.
  auto atA = std::make_unique<LinkArc>(LinkArc{b, nullptr, latency});
  auto atB = std::make_unique<LinkArc>(LinkArc{a, nullptr, latency});
  atA->next = g->devices[a].firstArc;
  g->devices[a].firstArc = atA.release();
  atB->next = g->devices[b].firstArc;
  g->devices[b].firstArc = atB.release();
}

void releaseArcs(TopologyGraph* g) {
  for (int i = 0; i < g->deviceCount; ++i) {
    LinkArc* arc = g->devices[i].firstArc;
    while (arc != nullptr) {
      LinkArc* next = arc->next;
      delete arc;
      arc = next;
    }
    g->devices[i].firstArc = nullptr;
  }
}
