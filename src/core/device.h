// What the device detail shows of one device beyond its own fields: its
// network layer and its neighbours.
#ifndef TOPOPLAN_CORE_DEVICE_H_
#define TOPOPLAN_CORE_DEVICE_H_

#include <string>
#include <vector>

#include "network.h"

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
Layer layerOf(const std::string& code);

// The layer's label, as the device detail shows it.
const char* layerName(Layer layer);

// The device's neighbours, newest link first, as neighbourLists lists
// them. O(links).
std::vector<Neighbour> neighboursOf(const Network& network, int device);

#endif  // TOPOPLAN_CORE_DEVICE_H_
