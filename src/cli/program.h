// What every program does on starting and when memory runs out.
#ifndef TOPOPLAN_CLI_PROGRAM_H_
#define TOPOPLAN_CLI_PROGRAM_H_

#include <functional>
#include <ostream>

// The exit status of a non-menu command that ran out of memory: the one
// of any other failure that is not a usage error.
constexpr int kOutOfMemoryStatus = 1;

// Makes a failed write come back as an error to report rather than end
// the process silently: a closed pipe (SIGPIPE) and a file-size limit
// (SIGXFSZ, `ulimit -f`: the write fails with EFBIG) are ignored.
void ignoreWriteSignals();

// What a command does when writing its standard output failed: when the
// output is a pipe or socket whose reader went away (`| head`), it ends
// quietly as an unignored SIGPIPE would end it (status 141 in the shell):
// SIGPIPE's default is restored and the signal raised. Otherwise it
// writes kStdoutFailed on `errors` and returns, for the caller's status 1.
void stdoutFailed(std::ostream& errors);

// Puts /dev/null on closed standard streams and ignores the write
// signals, as a non-menu command starts.
void startCommand();

// Runs `command` and returns its exit status; an allocation that fails
// anywhere in it ends it with kOutOfMemory on `errors` and
// kOutOfMemoryStatus.
int runCommand(const std::function<int()>& command, std::ostream& errors);

#endif  // TOPOPLAN_CLI_PROGRAM_H_
