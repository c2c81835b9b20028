// What the fuzz targets share: the scratch files of the tests, and the
// invariants every topology must keep.
#ifndef TOPOPLAN_FUZZ_FUZZ_SUPPORT_H_
#define TOPOPLAN_FUZZ_FUZZ_SUPPORT_H_

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "graph.h"
#include "support/scratch.h"

namespace fuzzsupport {

// A broken invariant is a finding: stop right here, so that the fuzzer
// keeps the input.
[[noreturn]] inline void fail(const std::string& what) {
  (void)std::fprintf(stderr, "broken invariant: %s\n", what.c_str());
  (void)std::fflush(stderr);
  std::abort();
}

inline void require(bool holds, const std::string& what) {
  if (!holds) fail(what);
}

inline bool startsWith(const std::string& text, const std::string& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

using scratch::listFolder;
using scratch::readFile;
using scratch::removeTree;
using scratch::ScratchFolder;

inline void writeFile(const std::string& name, const std::string& content) {
  require(scratch::writeFile(name, content),
          "could not write the scratch file " + name);
}

template <size_t N>
bool terminated(const char (&field)[N]) {
  return std::memchr(field, '\0', N) != nullptr;
}

// Checks what every record in use must satisfy and returns its arc count:
// a count within the table, terminated texts, and arcs that lead to
// devices in use.
inline int checkRecord(const TopologyGraph& g) {
  require(g.deviceCount >= 0 && g.deviceCount <= MAX_DEVICES,
          "device count outside the table");
  int arcs = 0;
  for (int i = 0; i < g.deviceCount; ++i) {
    const DeviceEntry& device = g.devices[i];
    require(terminated(device.code) && terminated(device.description) &&
                terminated(device.uptime),
            "a text field without its terminator");
    for (const LinkArc* arc = device.firstArc; arc != nullptr;
         arc = arc->next) {
      require(arc->target >= 0 && arc->target < g.deviceCount,
              "an arc leads outside the devices in use");
      require(++arcs <= 2 * MAX_DEVICES * MAX_DEVICES, "an endless list");
    }
  }
  return arcs;
}

// Devices compared field by field, in table order.
inline bool sameDevices(const TopologyGraph& a, const TopologyGraph& b) {
  if (a.deviceCount != b.deviceCount) return false;
  for (int i = 0; i < a.deviceCount; ++i) {
    const DeviceEntry& x = a.devices[i];
    const DeviceEntry& y = b.devices[i];
    if (std::strcmp(x.code, y.code) != 0 ||
        std::strcmp(x.description, y.description) != 0 || x.ports != y.ports ||
        std::strcmp(x.uptime, y.uptime) != 0) {
      return false;
    }
  }
  return true;
}

// Every arc as (code of its device, code of its target, latency), sorted.
// A file names link ends by code, so this is what a save and a load must
// carry over, whatever the list order and whichever of several devices of
// one code the arcs hang on.
using ArcByCode = std::tuple<std::string, std::string, int>;

inline std::vector<ArcByCode> arcsByCode(const TopologyGraph& g) {
  std::vector<ArcByCode> arcs;
  for (int i = 0; i < g.deviceCount; ++i) {
    for (const LinkArc* arc = g.devices[i].firstArc; arc != nullptr;
         arc = arc->next) {
      arcs.emplace_back(g.devices[i].code, g.devices[arc->target].code,
                        arc->latency);
    }
  }
  std::sort(arcs.begin(), arcs.end());
  return arcs;
}

// Every device's arcs as (target, latency), in list order.
inline std::vector<std::vector<std::pair<int, int>>> arcsInListOrder(
    const TopologyGraph& g) {
  std::vector<std::vector<std::pair<int, int>>> lists(
      static_cast<size_t>(g.deviceCount));
  for (int i = 0; i < g.deviceCount; ++i) {
    for (const LinkArc* arc = g.devices[i].firstArc; arc != nullptr;
         arc = arc->next) {
      lists[i].emplace_back(arc->target, arc->latency);
    }
  }
  return lists;
}

// Empties a record the way the menu loop does when it ends.
inline void release(TopologyGraph* g) {
  discardLatencyMatrix();
  releaseArcs(g);
  g->deviceCount = 0;
  g->linkCount = 0;
}

}  // namespace fuzzsupport

#endif  // TOPOPLAN_FUZZ_FUZZ_SUPPORT_H_
