// Finding a device by what a planner types: its code, else its full label
// (the description, where blanks stand as "_"), else the id the GraphML
// file gave its node.
#ifndef TOPOPLAN_CORE_DEVICE_LOOKUP_H_
#define TOPOPLAN_CORE_DEVICE_LOOKUP_H_

#include <string>
#include <vector>

#include "network.h"

struct DeviceMatch {
  int device = -1;  // the device found, or -1
  // More than one device has the name as its label: their indices in
  // increasing order, and `device` is -1.
  std::vector<int> candidates;

  bool found() const { return device != -1; }
};

// Looks `name` up, the rules in order, the first that matches wins:
// - a code: the first device with that code, as findDevice (duplicate
//   codes always name the lowest index, never an ambiguity);
// - a description equal to `name` with each run of ASCII blanks as "_"
//   and none at its ends: one such device, or all of them as candidates;
// - an entry of `nodeIds` (one per device, or empty when the network did
//   not come from GraphML), which are unique.
// O(devices × name length).
DeviceMatch lookUpDevice(const Network& network, const std::string& name,
                         const std::vector<std::string>& nodeIds = {});

#endif  // TOPOPLAN_CORE_DEVICE_LOOKUP_H_
