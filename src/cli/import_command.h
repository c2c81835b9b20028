// topoplan-import as a function of its command line: GraphML in, the
// topology file out. What main() runs, and what the tests drive in-process.
#ifndef TOPOPLAN_CLI_IMPORT_COMMAND_H_
#define TOPOPLAN_CLI_IMPORT_COMMAND_H_

#include <ostream>
#include <string>

#include "exit_status.h"
#include "graphml.h"

// Exit statuses, the same for every non-menu command.
constexpr int kImportDone = kExitDone;
constexpr int kImportRefused = kExitRefused;
constexpr int kImportBadArguments = kExitBadArguments;

struct ImportArguments {
  std::string graphmlFile;
  bool hasGraphmlFile = false;
  std::string outputFile;  // empty: standard output
  bool help = false;
  bool version = false;
  GraphmlOptions options;
};

// Fills `arguments` from the words after the program's name. Returns ""
// or what is wrong with them, as a message without the "✘ ".
std::string parseImportArguments(int argc, const char* const* argv,
                                 ImportArguments* arguments);

// Runs the command: the topology file goes to `out` (without -o), the
// summary and refusals to `errors`. Returns the exit status.
int runImport(int argc, const char* const* argv, std::ostream& out,
              std::ostream& errors);

#endif  // TOPOPLAN_CLI_IMPORT_COMMAND_H_
