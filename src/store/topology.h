// The menu's topology record: devices in a fixed table, links as arcs in
// per-device lists, and the limits of both; and the one place where the
// record turns into the network value the analyses take, and back.
//
// Nothing here reads a global, prints or reads input; the functions work
// on the record they are given.
#ifndef TOPOPLAN_STORE_TOPOLOGY_H_
#define TOPOPLAN_STORE_TOPOLOGY_H_

#include <string>
#include <vector>

#include "network.h"
#include "record_limits.h"

// One direct link as seen from one end. Every undirected link is two arcs,
// one in each end's list; a self-link is two neighbouring arcs in one list.
struct LinkArc {
  int target;  // index of the device at the other end
  LinkArc* next;
  int latency;  // milliseconds; any int, negative ones included
};

struct DeviceEntry {
  char code[CODE_SIZE];  // e.g. "CR", "DR-A"; not required to be unique
  char description[DESCRIPTION_SIZE];
  int ports;
  char uptime[UPTIME_SIZE];
  LinkArc* firstArc;  // newest link first; null without links
};

// A plain record. Slots at and beyond deviceCount are never read. A
// by-value copy shares the arcs of the record it was copied from and must
// never release them.
struct TopologyGraph {
  DeviceEntry devices[MAX_DEVICES];
  int deviceCount;
  int linkCount;
};

// Index of the first device in use whose code equals `code` byte for byte,
// or -1. O(deviceCount). Duplicate codes therefore always name the
// lowest-index device.
int locateIn(const TopologyGraph& g, const char* code);

// The same lookup for a typed word. A word that cannot be a device code
// (19 bytes or more, or holding a NUL byte) names no device: -1.
int findDevice(const TopologyGraph& g, const std::string& word);

// Pushes the link a-b as two arcs: first at the head of a's list, then at
// the head of b's list. Lists therefore hold links newest-first; the
// inspection route and the saved link order depend on it. Does not touch
// linkCount. Throws std::bad_alloc with nothing added when memory runs out.
void addLink(TopologyGraph* g, int a, int b, int latency);

// Releases every arc of the devices in use and empties their lists; the
// counts are left alone.
void releaseArcs(TopologyGraph* g);

// The network the record holds: its devices in index order, and its links
// in an order they could have been added in, one that gives every device
// the neighbours its list holds in the list's order (the order each link
// was added in is not kept). Every analysis of the result therefore reads
// the record as it is. O(devices + arcs).
Network networkOf(const TopologyGraph& g);

// What the analyses need of the record's links, read straight from its
// lists without building the whole network: the same values as
// savedLinks(networkOf(g)) and neighbourLists(networkOf(g)), for the menu's
// options that run again and again. O(devices + arcs).
std::vector<Link> savedLinksOf(const TopologyGraph& g);
NeighbourTable neighbourListsOf(const TopologyGraph& g);

// Replaces what `g` holds, which must be no arcs, with `network`'s first
// MAX_DEVICES devices (texts cut to their field sizes) and the links
// between them, added in the network's order. Throws std::bad_alloc with
// `g` empty when memory runs out.
void fillRecord(const Network& network, TopologyGraph* g);

#endif  // TOPOPLAN_STORE_TOPOLOGY_H_
