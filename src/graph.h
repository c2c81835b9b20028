// The topology store: the record every module shares, the built-in campus
// network, the latency matrix and the topology text file.
#ifndef TOPOPLAN_GRAPH_H_
#define TOPOPLAN_GRAPH_H_

#include <ostream>
#include <vector>

constexpr int MAX_DEVICES = 40;

// Latency-matrix value for "no direct link". Readers of the matrix treat
// anything above 32766 as no link; arcs keep whatever latency they were
// built with.
constexpr int INF = 32767;

// Field sizes in bytes, the terminating zero included.
constexpr int CODE_SIZE = 20;
constexpr int DESCRIPTION_SIZE = 100;
constexpr int UPTIME_SIZE = 50;

// One direct link as seen from one end. Every undirected link is two arcs,
// one in each end's list.
struct LinkArc {
  int target;  // index of the device at the other end
  LinkArc* next;
  int latency;  // milliseconds
};

struct DeviceEntry {
  char code[CODE_SIZE];  // e.g. "CR", "DR-A"; not required to be unique
  char description[DESCRIPTION_SIZE];
  int ports;
  char uptime[UPTIME_SIZE];
  LinkArc* firstArc;  // newest link first; null without links
};

// A plain record, never allocated on the heap. Slots at and beyond
// deviceCount are never read. A by-value copy shares the arcs of the
// record it was copied from and must never release them.
struct TopologyGraph {
  DeviceEntry devices[MAX_DEVICES];
  int deviceCount;
  int linkCount;
};

// The latency matrix, deviceCount x deviceCount, or null while there is
// none. Built by printGraph, released by a new build, by freeGraph and by
// the menu loop whenever a new topology arrives; read by the analyses.
extern int** parray;

// Visit marks of the inspection route; written by DFSTraverse and DFS.
extern int visited[MAX_DEVICES];

// The codes of the last inspection route in visit order and their number;
// written by DFSTraverse, read by option 3 and the loop check.
extern char path[MAX_DEVICES][CODE_SIZE];
extern int pathIdx;

// The one arc cursor shared by every level of the depth-first visit.
extern LinkArc* p;

// Index of the first device in use whose code equals `code` byte for byte,
// or -1.
int locate(TopologyGraph g, const char* code);

// The same lookup without the copy of the record, for the loops that
// resolve every link or every route entry.
int locateIn(const TopologyGraph& g, const char* code);

// One undirected link, from the end with the lower index.
struct TopologyLink {
  int from;
  int to;
  int latency;  // milliseconds
};

// Every link of `g` once: device by device in index order, each device's
// list in list order (newest first), skipping arcs that lead back to a
// lower index. A self-link is held as two neighbouring arcs in one list
// and is listed once. This is the order of the saved file's link lines.
std::vector<TopologyLink> listLinks(const TopologyGraph& g);

// Pushes the link a-b as two arcs: first at the head of a's list, then at
// the head of b's list. Lists therefore hold links newest-first; the
// inspection route and the saved link order depend on it.
void addLink(TopologyGraph* g, int a, int b, int latency);

// Releases every arc of the devices in use and empties their lists; the
// counts and the latency matrix are left alone.
void releaseArcs(TopologyGraph* g);

// Releases the latency matrix, built for `g`'s device count, if one exists.
void discardLatencyMatrix(const TopologyGraph* g);

// Replaces whatever `g` holds with the built-in eight-device campus network
// and prints the creation report.
void createGraph(TopologyGraph* g, std::ostream& out);

// Builds the latency matrix afresh from the adjacency lists, without
// printing. Needs at least one device. Of parallel links the first added
// wins; a self-link replaces the 0 on the diagonal.
void buildLatencyMatrix(const TopologyGraph* g);

// Builds the latency matrix and prints it as the route table; refuses
// while the topology is empty.
void printGraph(TopologyGraph* g, std::ostream& out);

// Writes the topology file. A failed save leaves any existing file of that
// name untouched and prints no success line.
void saveGraphToFile(const TopologyGraph* g, const char* fileName,
                     std::ostream& out);

// Replaces `g` with the topology a file holds. Refusals at opening or in
// the header leave `g` as it was; once the header is accepted the load is
// all or nothing, and a failure leaves `g` empty.
void loadGraphFromFile(TopologyGraph* g, const char* fileName,
                       std::ostream& out);

#endif  // TOPOPLAN_GRAPH_H_
