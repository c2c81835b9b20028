// Running another program as a child: its standard input fed from a
// string, its standard output gathered up to a cap, all within a deadline.
// The child runs in a process group of its own, so that whatever it
// starts in turn ends with it.
#ifndef TOPOPLAN_CLI_CHILD_PROCESS_H_
#define TOPOPLAN_CLI_CHILD_PROCESS_H_

#include <cstddef>
#include <string>
#include <vector>

struct ChildRequest {
  // The program, found along PATH, and its arguments.
  std::vector<std::string> command;
  std::string input;  // written to its standard input, which then closes
  // Its standard error goes to /dev/null; otherwise it shares ours.
  bool quiet = false;
  int timeoutSeconds = 0;  // 0: no limit
  // Standard output beyond this many bytes ends the child.
  size_t outputLimit = size_t{256} << 20;
};

enum class ChildEnd {
  kExited,          // it exited; `status` says how
  kNotStarted,      // it could not be started; `error` says why
  kTimedOut,        // the deadline passed; its group was killed
  kOutputTooLarge,  // it wrote more than the limit; its group was killed
  kKilled,          // a signal ended it
  kBrokenPipe,      // reading its output failed; its group was killed
};

struct ChildOutcome {
  ChildEnd end = ChildEnd::kNotStarted;
  int status = 0;      // the exit status, for kExited
  int error = 0;       // the errno value, for kNotStarted and kBrokenPipe
  std::string output;  // its standard output (cut short unless kExited)

  bool succeeded() const { return end == ChildEnd::kExited && status == 0; }
};

// Runs `request` to its end, feeding the input and reading the output
// by turns, so that a child that stops reading cannot block us. Once the
// child has ended, by itself or killed at the deadline or past the cap,
// what is left of its process group is killed too and the child reaped,
// so nothing it started holds our standard error open afterwards.
ChildOutcome runChild(const ChildRequest& request);

#endif  // TOPOPLAN_CLI_CHILD_PROCESS_H_
