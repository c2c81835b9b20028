// What the device detail shows of one device beyond its record: its
// network layer and its neighbours.
#ifndef TOPOPLAN_CORE_DEVICE_H_
#define TOPOPLAN_CORE_DEVICE_H_

#include <vector>

#include "topology.h"

// A device's network layer, derived from its code; pictures stack their
// rows in this order.
enum class Layer {
  kCore,
  kSecurity,
  kDistribution,
  kAccess,
  kDataCentre,
  kOther
};
constexpr int kLayerCount = static_cast<int>(Layer::kOther) + 1;

// The first rule that matches wins: "CR" core, "FW" security, a code
// starting with "DR" distribution, with "AR" access, "SV" data centre, and
// anything else other. CR-2 or SV1 are therefore other. O(1).
Layer layerOf(const char* code);

// The layer's label, as the device detail shows it.
const char* layerName(Layer layer);

struct Neighbour {
  int device;   // index of the device at the other end
  int latency;  // of this link, as built: parallel links appear one by one
};

// The device's links in list order (newest first). A self-link appears
// twice, as its two arcs do. O(links of the device).
std::vector<Neighbour> neighboursOf(const TopologyGraph& g, int device);

#endif  // TOPOPLAN_CORE_DEVICE_H_
