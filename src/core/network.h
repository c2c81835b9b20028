// The network value every analysis works on: devices and links of any
// number, held in standard containers. It owns everything it holds, so a
// copy is a full, independent copy and nothing is released by hand.
//
// Links are kept in the order a saved topology file lists them, which is
// the order every tie rule of the analyses refers to.
#ifndef TOPOPLAN_CORE_NETWORK_H_
#define TOPOPLAN_CORE_NETWORK_H_

#include <string>
#include <vector>

struct Device {
  std::string code;  // e.g. "CR", "DR-A"; not required to be unique
  std::string description;
  int ports = 0;
  std::string uptime;
};

// One undirected link, named by its ends' device indexes; `from` is the
// lower index (equal for a self-link).
struct Link {
  int from = 0;
  int to = 0;
  int latency = 0;  // milliseconds; any int, negative ones included
};

struct Network {
  std::vector<Device> devices;
  std::vector<Link> links;

  int deviceCount() const { return static_cast<int>(devices.size()); }
  int linkCount() const { return static_cast<int>(links.size()); }
};

#endif  // TOPOPLAN_CORE_NETWORK_H_
