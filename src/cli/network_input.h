// The one loader of topoplan-draw and topoplan-resilience: a topology file
// or a GraphML file, told apart by what it holds, from a path or from
// standard input ("-"), with the checks the menu's loader leaves out.
#ifndef TOPOPLAN_CLI_NETWORK_INPUT_H_
#define TOPOPLAN_CLI_NETWORK_INPUT_H_

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "augmentation.h"
#include "command_line.h"
#include "graphml.h"
#include "network.h"
#include "resilience.h"

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
  // The GraphML node id of each device; none for a topology file.
  std::vector<std::string> nodeIds;
  // For standard error, each line with its line break: the warnings, then
  // the refusal when not loaded.
  std::string messages;
};

// The option rows that tell the GraphML reader where latencies are
// (--latency-key, --default-latency), shared by every command that reads
// GraphML; their actions fill `options` (null when only the help is
// wanted).
std::vector<Option> latencyOptions(GraphmlOptions* options);

// The lines a GraphML read prints on standard error, each with its line
// break: the counts, the latencies by rule, the codes changed and whether
// directed edges were read as undirected; then the numeric edge data left
// unused, with the option that would use it.
std::string importSummary(const GraphmlOutcome& outcome,
                          const GraphmlOptions& options);

// Loads what `path` names ("-": standard input, read to its end or to the
// first text after the last record). A topology file is read as option 10
// reads one, with any number of devices, and also refused when a field is
// not UTF-8; a refusal names the line. A UTF-8 byte order mark is skipped
// with a warning, and text after the last record gets a warning naming the
// line it follows. A GraphML file (its first byte after white space is
// "<") is read with `graphml` as topoplan-import reads it, gives the very
// network that loading the imported file gives and adds the importer's
// summary to the messages. Memory stays within what the same
// file read from a path costs.
NetworkInput loadNetworkForCommand(const char* path,
                                   const GraphmlOptions& graphml = {});

// Rewrites each of `names` that names a device by its label or GraphML
// node id (lookUpDevice) as that device's code, when the code names it;
// others stay as they are, for the caller's own refusal. Returns "" or
// the refusal of the first name several devices carry, with a line break.
std::string resolveDeviceNames(const NetworkInput& input,
                               const std::vector<std::string*>& names);

// The names a command takes devices by: the route's ends, then each failed
// device, then each failed link's ends, for resolveDeviceNames.
std::vector<std::string*> routeAndFailureNames(std::string* routeFrom,
                                               std::string* routeTo,
                                               FailureRequest* failures);

// Gives `loaded` the network that the topology file of `network` (read
// from the GraphML input `name`) loads as, through that file's text and
// the checks these commands make: "", or the refusal they would give, as
// "✘ …（GraphML 文件 NAME）" and a line break. Holds the text and both
// networks at once.
std::string reloadAsTopology(Network network, const std::string& name,
                             Network* loaded);

// A link of --add-link, its ends named as a device is anywhere (a code,
// a label or a GraphML node id).
struct AddedLink {
  std::string from;
  std::string to;
  int latency = 0;
};

// Links tried before they are built, as the commands that draw or report
// a network take them: --add-link, --suggest and --candidates.
struct LinkTrial {
  std::vector<AddedLink> added;  // after the file's links, in this order
  bool suggest = false;          // --suggest: the links to build
  SurvivalGoal goal = SurvivalGoal::kLinks;
  std::string candidatesFile;  // empty: every pair not linked
};

// The option rows --add-link, --suggest and --candidates; their actions
// fill `trial` (null when only the help is wanted).
std::vector<Option> linkTrialOptions(LinkTrial* trial);

// What is wrong with the options as given together, or "": --candidates
// without --suggest would be ignored, so it is refused.
std::string linkTrialProblem(const LinkTrial& trial);

// Adds `trial.added` to `network` (the input's network, or one with the
// same devices) after its links, as if the file listed them last; each end
// is looked up as resolveDeviceNames looks names up. Returns "" or the
// refusal of the first end that names no device or several, with a line
// break, not yet escaped; `network` is then unchanged.
std::string addTrialLinks(const NetworkInput& input, const LinkTrial& trial,
                          Network* network);

// The network a command works on: `path` loaded (loadNetworkForCommand;
// its messages on `errors`, control characters escaped), then the links
// of `trial` added (addTrialLinks). Nothing when the command goes on;
// otherwise the exit status it ends with: refused for a file it cannot
// use, bad arguments for a tried link's end.
std::optional<int> loadTriedNetwork(const std::string& path,
                                    const GraphmlOptions& graphml,
                                    const LinkTrial& trial, NetworkInput* input,
                                    Network* network, std::ostream& errors);

// What --suggest suggests for `network` (the input's devices, with any
// added links): the links of augmentNetwork among the candidates of
// --candidates (a line "A B MS" each, blank lines skipped, ends named as
// anywhere), or else every pair not linked, at the great-circle latency
// when GraphML placed every device by latitude and longitude, else 1.
// A network with a negative link is refused first (exit 1), as every
// failure analysis refuses it; then an unreadable file or a bad line
// (exit 2). Returns the exit status of a refusal, written to `errors`, or
// nothing once suggested. O(devices^2) memory without a file.
std::optional<int> suggestLinks(const NetworkInput& input,
                                const Network& network, const LinkTrial& trial,
                                Augmentation* augmentation,
                                std::ostream& errors);

// `network` with the suggested links after its own, in the order
// augmentNetwork lists them.
Network withSuggestions(Network network, const Augmentation& augmentation);

// How messages name an input: its path, or 标准输入 for "-".
std::string inputDisplayName(const char* path);

#endif  // TOPOPLAN_CLI_NETWORK_INPUT_H_
