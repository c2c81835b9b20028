// topoplan-resilience as a function of its command line: what main() runs,
// and what the fuzz target drives with any arguments and any file.
#ifndef TOPOPLAN_CLI_RESILIENCE_COMMAND_H_
#define TOPOPLAN_CLI_RESILIENCE_COMMAND_H_

#include <ostream>
#include <string>
#include <vector>

#include "exit_status.h"
#include "graphml.h"
#include "network_input.h"
#include "resilience.h"

// Exit statuses, the same for every non-menu command.
constexpr int kResilienceDone = kExitDone;
constexpr int kResilienceRefused = kExitRefused;
constexpr int kResilienceBadArguments = kExitBadArguments;

struct ResilienceArguments {
  std::string topologyFile;
  bool hasTopologyFile = false;
  bool json = false;
  bool all = false;  // every scenario in the text report
  bool help = false;
  bool version = false;
  FailureRequest failures;
  bool route = false;
  std::string routeFrom;
  std::string routeTo;
  int jobs = 0;            // threads for the N-1 report; 0: one per core
  LinkTrial trial;         // --add-link, --suggest, --candidates
  std::string writeFile;   // empty: the network is not saved
  GraphmlOptions graphml;  // where a GraphML input keeps its latencies
};

// Fills `arguments` from the words after the program's name. Returns ""
// or what is wrong with them, as a message without the "✘ ".
std::string parseResilienceArguments(int argc, const char* const* argv,
                                     ResilienceArguments* arguments);

// Runs the command: the report goes to `out`, refusals to `errors`, and,
// when `errorsOnTerminal`, a line of progress that erases itself once the
// N-1 report runs past a second. Returns the exit status.
int runResilience(int argc, const char* const* argv, std::ostream& out,
                  std::ostream& errors, bool errorsOnTerminal = false);

#endif  // TOPOPLAN_CLI_RESILIENCE_COMMAND_H_
