#include "topology.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace {

// Copies as much of `text` as the field holds, and a terminating zero.
template <size_t N>
void copyText(char (&field)[N], const std::string& text) {
  const size_t length = std::min(text.size(), N - 1);
  std::memcpy(field, text.data(), length);
  field[length] = '\0';
}

}  // namespace

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

Network networkOf(const TopologyGraph& g) {
  const auto n = static_cast<size_t>(g.deviceCount);
  Network network;
  network.devices.reserve(n);
  // Each device's newest arc not yet taken.
  std::vector<const LinkArc*> head(n);
  for (size_t i = 0; i < n; ++i) {
    const DeviceEntry& entry = g.devices[i];
    network.devices.push_back(
        {entry.code, entry.description, entry.ports, entry.uptime});
    head[i] = entry.firstArc;
  }
  // Takes the additions back, newest first: the newest link left is the
  // one at the head of both of its ends' lists. A device whose head waits
  // for the other end is looked at again when that end moves on.
  std::vector<Link>& links = network.links;
  links.reserve(static_cast<size_t>(std::max(g.linkCount, 0)));
  std::vector<size_t> pending;
  pending.reserve(n + 2 * links.capacity());
  for (size_t i = n; i-- > 0;) pending.push_back(i);
  while (!pending.empty()) {
    const size_t i = pending.back();
    pending.pop_back();
    const LinkArc* arc = head[i];
    if (arc == nullptr) continue;
    const auto j = static_cast<size_t>(arc->target);
    if (j == i) {
      // A self-link is two arcs in a row.
      head[i] = arc->next == nullptr ? nullptr : arc->next->next;
    } else if (head[j] != nullptr && head[j]->target == static_cast<int>(i)) {
      head[i] = arc->next;
      head[j] = head[j]->next;
      pending.push_back(j);
    } else {
      continue;
    }
    links.push_back({static_cast<int>(std::min(i, j)),
                     static_cast<int>(std::max(i, j)), arc->latency});
    pending.push_back(i);
  }
  // Arcs no sequence of additions could leave, if any, count from their
  // lower end, as the newest.
  for (size_t i = n; i-- > 0;) {
    for (const LinkArc* arc = head[i]; arc != nullptr; arc = arc->next) {
      if (arc->target >= static_cast<int>(i)) {
        links.push_back({static_cast<int>(i), arc->target, arc->latency});
      }
    }
  }
  std::reverse(links.begin(), links.end());
  return network;
}

std::vector<Link> savedLinksOf(const TopologyGraph& g) {
  // Each link once, from its lower end, in that end's list order; a
  // self-link's two arcs stand next to each other and count once.
  std::vector<Link> saved;
  saved.reserve(static_cast<size_t>(std::max(g.linkCount, 0)));
  for (int i = 0; i < g.deviceCount; ++i) {
    for (const LinkArc* arc = g.devices[i].firstArc; arc != nullptr;
         arc = arc->next) {
      if (arc->target > i) saved.push_back({i, arc->target, arc->latency});
      if (arc->target == i) {
        saved.push_back({i, i, arc->latency});
        if (arc->next == nullptr) break;
        arc = arc->next;
      }
    }
  }
  return saved;
}

NeighbourTable neighbourListsOf(const TopologyGraph& g) {
  // The lists already hold each device's neighbours newest link first.
  NeighbourTable table;
  table.start.reserve(static_cast<size_t>(std::max(g.deviceCount, 0)) + 1);
  table.entries.reserve(2 * static_cast<size_t>(std::max(g.linkCount, 0)));
  table.start.push_back(0);
  for (int i = 0; i < g.deviceCount; ++i) {
    for (const LinkArc* arc = g.devices[i].firstArc; arc != nullptr;
         arc = arc->next) {
      table.entries.push_back({arc->target, arc->latency});
    }
    table.start.push_back(table.entries.size());
  }
  return table;
}

void fillRecord(const Network& network, TopologyGraph* g) {
  const int n = std::min(network.deviceCount(), MAX_DEVICES);
  g->deviceCount = n;
  g->linkCount = 0;
  for (int i = 0; i < n; ++i) {
    const Device& device = network.devices[static_cast<size_t>(i)];
    DeviceEntry& entry = g->devices[i];
    copyText(entry.code, device.code);
    copyText(entry.description, device.description);
    entry.ports = device.ports;
    copyText(entry.uptime, device.uptime);
    entry.firstArc = nullptr;
  }
  try {
    for (const Link& link : network.links) {
      if (link.to >= n) continue;
      addLink(g, link.from, link.to, link.latency);
      ++g->linkCount;
    }
  } catch (...) {
    releaseArcs(g);
    g->deviceCount = 0;
    g->linkCount = 0;
    throw;
  }
}
