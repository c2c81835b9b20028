// The one loader of topoplan-draw and topoplan-resilience: a topology file
// or a GraphML file, told apart by what it holds, from a path or from
// standard input ("-"), with the checks the menu's loader leaves out.
#ifndef TOPOPLAN_CLI_NETWORK_INPUT_H_
#define TOPOPLAN_CLI_NETWORK_INPUT_H_

#include <string>
#include <vector>

#include "graphml.h"
#include "network.h"

// Why an input was not loaded.
enum class InputProblem {
  kNone,         // loaded
  kUnreadable,   // not opened, not a regular file, or reading failed:
                 // `error` holds the system's reason where it gave one
  kBadTopology,  // a topology file, refused by its checks
  kBadGraphml,   // a GraphML file the reader refused, or whose network
                 // the topology file's checks refuse
};

struct NetworkInput {
  bool loaded = false;  // problem == InputProblem::kNone
  InputProblem problem = InputProblem::kNone;
  int error = 0;    // under kUnreadable: the errno of the call that failed
  Network network;  // when loaded: devices and links in the input's order
  bool fromGraphml = false;
  // Where the GraphML placed each device, one per device; none for a
  // topology file, which holds no positions.
  PositionKind positionKind = PositionKind::kNone;
  std::vector<DevicePosition> positions;
  // For standard error, each line with its line break: the warnings, then
  // the refusal when not loaded.
  std::string messages;
};

// Loads what `path` names ("-": standard input, read to its end or to the
// first text after the last record). A topology file is read as option 10
// reads one, with any number of devices, and also refused when a field is
// not UTF-8; a refusal names the line. A UTF-8 byte order mark is skipped
// with a warning, and text after the last record gets a warning naming the
// line it follows. A GraphML file (its first byte after white space is
// "<") is read with topoplan-import's defaults and gives the very network
// that loading the imported file gives. Memory stays within what the same
// file read from a path costs.
NetworkInput loadNetworkForCommand(const char* path);

// How messages name an input: its path, or 标准输入 for "-".
std::string inputDisplayName(const char* path);

#endif  // TOPOPLAN_CLI_NETWORK_INPUT_H_
