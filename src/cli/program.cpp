#include "program.h"

#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <new>

#include "command_text.h"
#include "fd_stream.h"

void ignoreWriteSignals() {
  (void)std::signal(SIGPIPE, SIG_IGN);
  (void)std::signal(SIGXFSZ, SIG_IGN);
}

namespace {

// Whether standard output is a pipe or socket with nobody left to read:
// the kernel then reports an error condition on its writing end.
bool stdoutReaderGone() {
  struct stat status {};
  if (fstat(STDOUT_FILENO, &status) != 0 ||
      (!S_ISFIFO(status.st_mode) && !S_ISSOCK(status.st_mode))) {
    return false;
  }
  pollfd output{STDOUT_FILENO, POLLOUT, 0};
  return poll(&output, 1, 0) == 1 &&
         (output.revents & (POLLERR | POLLHUP)) != 0;
}

}  // namespace

void stdoutFailed(std::ostream& errors) {
  if (stdoutReaderGone()) {
    (void)std::signal(SIGPIPE, SIG_DFL);
    (void)std::raise(SIGPIPE);
  }
  errors << kStdoutFailed;
}

void startCommand() {
  occupyClosedStandardStreams();
  ignoreWriteSignals();
}

int runCommand(const std::function<int()>& command, std::ostream& errors) {
  try {
    return command();
  } catch (const std::bad_alloc&) {
    errors << kOutOfMemory << std::endl;
    return kOutOfMemoryStatus;
  }
}
