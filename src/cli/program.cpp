#include "program.h"

#include <csignal>
#include <new>

#include "command_text.h"
#include "fd_stream.h"

void ignoreWriteSignals() {
  (void)std::signal(SIGPIPE, SIG_IGN);
  (void)std::signal(SIGXFSZ, SIG_IGN);
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
