// The network value every analysis works on: devices and links of any
// number, held in standard containers. It owns everything it holds, so a
// copy is a full, independent copy and nothing is released by hand.
//
// Link order. `links` holds the links in the order they were added: a
// topology file's link lines in file order, the built-in network's links
// in its own order. Every order the analyses speak of follows from it:
//   - a device's neighbours, newest link first (neighbourLists): the order
//     the device detail lists and the inspection route follows;
//   - the saved order (savedLinks): by the lower end's index, and of one
//     device's links the newest first; a saved file lists its link lines
//     so, Kruskal's ties keep it, and the failure report, the pictures and
//     the page name links by their position in it;
//   - of parallel links the first added carries the pair (carrierOf): the
//     latency matrix holds its latency and routes run over it. In the
//     saved order that is the last of them.
// A saved file read back therefore adds its links in the saved order,
// which reverses each device's newest-first order: reading a file and
// saving it again is not always the identity, and the analyses follow
// the links as the file read last lists them.
#ifndef TOPOPLAN_CORE_NETWORK_H_
#define TOPOPLAN_CORE_NETWORK_H_

#include <cstddef>
#include <string>
#include <unordered_map>
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

// Adds the link a-b (in either order) after the others. O(1) amortised.
void addLink(Network* network, int a, int b, int latency);

// Index of the first device whose code equals `code`, or -1. Duplicate
// codes therefore always name the lowest-index device. O(devices).
int findDevice(const Network& network, const std::string& code);

// Each code's first device, for looking up many codes in a large
// network: find answers exactly as findDevice does, in expected
// O(code length). Building it is O(devices) time and memory; it holds
// copies of the codes, so it stays valid after the network changes, but
// knows only the devices the network had.
class CodeIndex {
 public:
  explicit CodeIndex(const Network& network);
  int find(const std::string& code) const;  // or -1

 private:
  std::unordered_map<std::string, int> firstWithCode_;
};

// The device codes by index, as the reports and drawings take them.
// O(devices).
std::vector<std::string> deviceCodes(const Network& network);

// The links in the saved order (see above). O(devices + links).
std::vector<Link> savedLinks(const Network& network);

// The saved order as positions in `links`: entry p is the index in
// `network.links` of the link savedLinks lists at position p.
// O(devices + links).
std::vector<int> savedOrder(const Network& network);

// One end of a link as seen from the other.
struct Neighbour {
  int device;   // index of the device at the other end
  int latency;  // of this link: parallel links appear one by one
};

// Every device's neighbours in one table: device i's are entries
// start[i] up to start[i + 1], newest link first; a self-link appears
// twice in a row, once for each of its ends.
struct NeighbourTable {
  std::vector<size_t> start;  // one more than there are devices
  std::vector<Neighbour> entries;

  // One device's neighbours, as a range for loops and indexing.
  struct Range {
    const Neighbour* first;
    const Neighbour* last;
    const Neighbour* begin() const { return first; }
    const Neighbour* end() const { return last; }
    size_t size() const { return static_cast<size_t>(last - first); }
    const Neighbour& operator[](size_t k) const { return first[k]; }
  };
  Range of(int device) const {
    const Neighbour* base = entries.data();
    return {base + start[static_cast<size_t>(device)],
            base + start[static_cast<size_t>(device) + 1]};
  }
};

// The network's neighbour table. O(devices + links).
NeighbourTable neighbourLists(const Network& network);

// The position, in `saved` (links in the saved order), of the link that
// carries the pair a-b (either way round, a == b for a self-link): of the
// links joining them for which `usable(position)` holds, the last listed,
// which is the first added. -1 when none is usable. O(links).
template <typename Usable>
int carrierOf(const std::vector<Link>& saved, int a, int b, Usable usable) {
  const int from = a < b ? a : b;
  const int to = a < b ? b : a;
  for (int position = static_cast<int>(saved.size()); position-- > 0;) {
    const Link& link = saved[static_cast<size_t>(position)];
    if (link.from == from && link.to == to && usable(position)) {
      return position;
    }
  }
  return -1;
}

#endif  // TOPOPLAN_CORE_NETWORK_H_
