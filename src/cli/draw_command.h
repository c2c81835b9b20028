// topoplan-draw as a function of its command line: what main() runs, and
// what the tests drive in-process.
#ifndef TOPOPLAN_CLI_DRAW_COMMAND_H_
#define TOPOPLAN_CLI_DRAW_COMMAND_H_

#include <ostream>

// Runs the command: the DOT or GraphML text goes to `out` (without -o),
// warnings and refusals to `errors`; an SVG, PNG, page or GraphML file
// asked for with -o is written beside its place and renamed over it only
// when complete. Returns the exit status (exit_status.h).
int runDraw(int argc, const char* const* argv, std::ostream& out,
            std::ostream& errors);

#endif  // TOPOPLAN_CLI_DRAW_COMMAND_H_
