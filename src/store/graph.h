// The topology store: the working latency matrix, the built-in campus
// network, the route table, and the menu's save and load operations.
#ifndef TOPOPLAN_STORE_GRAPH_H_
#define TOPOPLAN_STORE_GRAPH_H_

#include <ostream>

#include "latency_matrix.h"
#include "routes.h"
#include "topology.h"

// The latency matrix of the working topology, row by row, or null while
// there is none. Owned by this module: only buildLatencyMatrix sets it and
// only discardLatencyMatrix clears it. Invariant: when not null it holds
// exactly workingLatencyMatrix().size() rows, and that size was the
// device count of the record it was built from.
extern int** parray;

// The matrix parray shows, as a value. Needs parray.
const LatencyMatrix& workingLatencyMatrix();

// The Floyd routes of that matrix (see computeFloydRoutes), computed on
// first use and released with the matrix, so that the route query and the
// route table of one matrix share one pass. Needs parray.
const FloydRoutes& workingRoutes();

// Index of the first device in use whose code equals `code` byte for byte,
// or -1. Takes its own copy of the record, as every lookup of the menu
// does; loops use locateIn.
int locate(TopologyGraph g, const char* code);

// Builds the latency matrix afresh from g's adjacency lists, replacing
// any previous one, without printing. Needs at least one device.
void buildLatencyMatrix(const TopologyGraph* g);

// Releases the latency matrix, whatever its size, if one exists.
void discardLatencyMatrix();

// Replaces whatever `g` holds with the built-in eight-device campus network
// and prints the creation report.
void createGraph(TopologyGraph* g, std::ostream& out);

// Builds the latency matrix and prints it as the route table; refuses
// while the topology is empty.
void printGraph(TopologyGraph* g, std::ostream& out);

// Writes the topology file and prints the outcome. A failed save leaves
// any existing file of that name untouched and prints no success line.
void saveGraphToFile(const TopologyGraph* g, const char* fileName,
                     std::ostream& out);

// Replaces `g` with the topology a file holds, and prints the outcome.
// Refusals at opening or in the header leave `g` and the latency matrix as
// they were; once the header is accepted the previous topology and the
// matrix are given up, and a bad record leaves `g` empty.
void loadGraphFromFile(TopologyGraph* g, const char* fileName,
                       std::ostream& out);

#endif  // TOPOPLAN_STORE_GRAPH_H_
