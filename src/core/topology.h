// The topology record every part of the system shares: devices in a fixed
// table, links as arcs in per-device lists, and the limits of both.
//
// Nothing here reads a global, prints or reads input; the functions work
// on the record they are given.
#ifndef TOPOPLAN_CORE_TOPOLOGY_H_
#define TOPOPLAN_CORE_TOPOLOGY_H_

#include <string>
#include <vector>

constexpr int MAX_DEVICES = 40;

// Latency-matrix value for "no direct link", and Floyd's value for "no
// route". Readers of a matrix treat anything above kLargestLatency as no
// link; arcs keep whatever latency they were built with, even one of
// 32767 or more.
constexpr int INF = 32767;
constexpr int kLargestLatency = INF - 1;

// Field sizes in bytes, the terminating zero included.
constexpr int CODE_SIZE = 20;
constexpr int DESCRIPTION_SIZE = 100;
constexpr int UPTIME_SIZE = 50;

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

// One undirected link, from the end with the lower index.
struct TopologyLink {
  int from;
  int to;
  int latency;  // milliseconds
};

// Index of the first device in use whose code equals `code` byte for byte,
// or -1. O(deviceCount). Duplicate codes therefore always name the
// lowest-index device.
int locateIn(const TopologyGraph& g, const char* code);

// The same lookup for a typed word. A word that cannot be a device code
// (19 bytes or more, or holding a NUL byte) names no device: -1.
int findDevice(const TopologyGraph& g, const std::string& word);

// Every link of `g` once: device by device in index order, each device's
// list in list order (newest first), skipping arcs that lead back to a
// lower index. A self-link is listed once, parallel links one by one. This
// is the order of a saved file's link lines. O(devices + arcs).
std::vector<TopologyLink> listLinks(const TopologyGraph& g);

// Pushes the link a-b as two arcs: first at the head of a's list, then at
// the head of b's list. Lists therefore hold links newest-first; the
// inspection route and the saved link order depend on it. Does not touch
// linkCount. Throws std::bad_alloc with nothing added when memory runs out.
void addLink(TopologyGraph* g, int a, int b, int latency);

// Releases every arc of the devices in use and empties their lists; the
// counts are left alone.
void releaseArcs(TopologyGraph* g);

#endif  // TOPOPLAN_CORE_TOPOLOGY_H_
