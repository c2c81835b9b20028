// A network as GraphML, the graph format that yEd, Gephi, NetworkX and
// igraph open. No I/O: the caller writes the text where it wants it.
#ifndef TOPOPLAN_REPORT_GRAPHML_FORMAT_H_
#define TOPOPLAN_REPORT_GRAPHML_FORMAT_H_

#include <string>
#include <vector>

#include "network.h"

// Which devices and which links one kind of mark applies to: each vector
// empty (the kind is not written for that element) or indexed like the
// network's devices and links (a missing entry is false).
struct GraphmlMarks {
  std::vector<bool> devices;
  std::vector<bool> links;
};

// What a picture shows beside the topology, written as boolean data named
// "plan", "route", "risk", "failed" and "suggested".
struct GraphmlOverlay {
  GraphmlMarks plan;       // the links a cabling plan accepts
  GraphmlMarks route;      // the devices and links of a route
  GraphmlMarks risk;       // single points of failure
  GraphmlMarks failed;     // the failed devices and links of a scenario
  GraphmlMarks suggested;  // the links --suggest would build
};

// The network as one undirected GraphML graph: node "nI" for device I with
// its code as `label` (what the programs above show as the name), its
// `description`, `layer` (layerName of its code's layer), `ports` and
// `running_time`; edge "eJ" for link J, in network order, with its
// `latency` in ms; then the overlay's marks. Text that XML cannot hold
// (control characters, bytes that are not UTF-8) is written as U+FFFD.
// Reading it back with parseGraphml gives the same network, unless a code
// repeats or holds such text or Unicode white space.
std::string formatGraphml(const Network& network,
                          const GraphmlOverlay& overlay);

#endif  // TOPOPLAN_REPORT_GRAPHML_FORMAT_H_
