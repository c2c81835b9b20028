// The exit statuses of the non-menu commands.
#ifndef TOPOPLAN_CLI_EXIT_STATUS_H_
#define TOPOPLAN_CLI_EXIT_STATUS_H_

constexpr int kExitDone = 0;
// A refused file, a refused computation, a failed render or write, or
// running out of memory.
constexpr int kExitRefused = 1;
// A wrong command line, a device or a link that does not exist.
constexpr int kExitBadArguments = 2;

#endif  // TOPOPLAN_CLI_EXIT_STATUS_H_
