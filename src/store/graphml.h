// Reading a network from GraphML, the graph format that yEd, Gephi,
// NetworkX and igraph write. The reader turns the first graph of a file
// into a Network whose every field the topology file can hold, and
// reports what it had to decide (latencies by rule, codes changed) as a
// value; the programs decide what to print.
#ifndef TOPOPLAN_STORE_GRAPHML_H_
#define TOPOPLAN_STORE_GRAPHML_H_

#include <cstddef>
#include <string>
#include <vector>

#include "network.h"

struct GraphmlOptions {
  // The edge data (by attr.name, else by key id) that holds latencies in
  // ms. Empty: a key named "latency", when the file has one.
  std::string latencyKey;
  int defaultLatency = 1;  // for links no other rule gives a latency
};

// Where a device stands, for pictures.
struct DevicePosition {
  bool known = false;
  double x = 0;  // drawing units to the right, or degrees of longitude
  double y = 0;  // drawing units downwards, or degrees of latitude
};

enum class PositionKind {
  kNone,        // no device has a position
  kDrawing,     // yEd's y:Geometry, else Gephi's x and y data (its y axis
                // turned to point down): drawing units, not distances
  kGeographic,  // Latitude and Longitude data, in degrees
};

// How many changed codes the statistics keep, beside their labels.
constexpr size_t kListedCodeChanges = 20;

struct CodeChange {
  std::string label;  // the text the code came from
  std::string code;
};

struct GraphmlStatistics {
  int latenciesFromKey = 0;          // the latency key's data
  int latenciesFromCoordinates = 0;  // great-circle distance of the ends
  int latenciesFromDefault = 0;      // GraphmlOptions::defaultLatency
  int negativeLatencies = 0;         // of those from the key
  int codesChanged = 0;  // codes that differ from the text they came from
  std::vector<CodeChange> codeChanges;  // the first kListedCodeChanges
  bool directed = false;                // the file said its edges were directed
  // The edge data other than the latency key's whose every value is a
  // number, by name, in the order of their keys' ids: what a file may hold
  // its latencies in under another name.
  std::vector<std::string> unusedEdgeNumbers;
};

enum class GraphmlProblem {
  kNone,
  kCannotOpen,         // missing, unreadable or a directory
  kSpecialFile,        // a FIFO, socket or the like, refused without opening
  kNotXml,             // `line`, `detail`: where and why the XML parser stopped
  kDtd,                // a DOCTYPE with declarations of its own (entities)
  kEncoding,           // `name`: a declared encoding not read (not UTF-8,
                       // UTF-16, ISO-8859-1 or US-ASCII)
  kNotGraphml,         // `name`: the root element
  kNoGraph,            // no <graph> in <graphml>
  kNoNodes,            // the graph has no <node>
  kNodeWithoutId,      // node `position`
  kDuplicateNodeId,    // `name`: the id
  kEdgeWithoutEnds,    // edge `position` lacks source or target
  kUnknownNode,        // edge `position` (`from`, `to`) names `name`
  kUnknownLatencyKey,  // `name`: the --latency-key that no edge key has
  kBadLatency,         // edge `position`: `detail` is not a number
  kHugeLatency,        // edge `position`: `detail` does not fit a latency
  kTooManyLinks,       // `edgeCount` edges, more than n(n-1)/2 for n nodes
};

struct GraphmlOutcome {
  GraphmlProblem problem = GraphmlProblem::kNone;
  // The network, when there is no problem: the devices in the document
  // order of their <node> elements (those of nested graphs included),
  // the links in that of their <edge> elements, parallel links and
  // self-links kept, each link's `from` the lower index.
  Network network;
  PositionKind positionKind = PositionKind::kNone;
  std::vector<DevicePosition> positions;  // one per device
  std::vector<std::string> nodeIds;       // one per device, unique
  GraphmlStatistics statistics;

  // What a refusal names.
  int position = 0;  // the node or edge, counted from 1
  long long line = 0;
  long long nodeCount = 0;
  long long edgeCount = 0;
  std::string name;
  std::string from;
  std::string to;
  std::string detail;
  int error = 0;  // the errno value of kCannotOpen, if known

  bool read() const { return problem == GraphmlProblem::kNone; }
};

// Reads GraphML text. The rules, in order:
// - Devices: code from the node's `label` data, else the text of its
//   first yEd y:NodeLabel, else its id; white space and control characters
//   at either end are dropped and each run of them inside becomes "-";
//   a longer code keeps its start and, when it ends in digits, the last
//   ones (up to 10) after a "~", within 19 bytes cut at a UTF-8
//   character boundary ("Townsville,+Au~4282"); a code
//   already taken gets "-2", "-3"... (cut to fit) and the first device
//   keeps the plain one. Description, ports and running time come from
//   `description`, `ports` and `running_time` data when there (as
//   formatGraphml writes them; blank ones do not count), else the
//   description is that same text with white space as "_" ("-" when
//   empty), the ports are the device's links (a self-link twice, at least
//   1) and the running time is 未知.
// - Latencies in whole ms: the latency key's data as a number, rounded up
//   (one too small for a double is a tiny one: 1 ms; negative ones are
//   kept, as the topology file holds them); else, when both ends have
//   Latitude and Longitude data in degrees, the great-circle distance on
//   a sphere of 6371 km at 200 km per ms, rounded up, at least 1; else
//   options.defaultLatency.
// Never expands entities nor reads a DTD: a DOCTYPE with an internal
// subset is refused before anything else, and so is a declared encoding
// other than UTF-8, UTF-16, ISO-8859-1 (latin1) and US-ASCII, whose bytes
// would be read as something else. Costs O(size of the text).
// Throws std::bad_alloc when memory runs out.
GraphmlOutcome parseGraphml(const char* data, size_t size,
                            const GraphmlOptions& options);

// Opens `fileName` as openInput does (`-` is standard input) and parses
// what it holds.
GraphmlOutcome readGraphmlFile(const char* fileName,
                               const GraphmlOptions& options);

// The message line of a refusal, "✘ " first, a line break last; empty
// when the file was read.
std::string describeGraphmlRefusal(const GraphmlOutcome& outcome,
                                   const char* fileName);

// The latency of a link between two places given in degrees: their
// great-circle distance on a sphere of 6371 km at 200 km per ms, rounded
// up, at least 1 ms. The importer's rule, shared with the suggestions.
int greatCircleLatency(double latitudeA, double longitudeA, double latitudeB,
                       double longitudeB);

#endif  // TOPOPLAN_STORE_GRAPHML_H_
