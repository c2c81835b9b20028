// topoplan-resilience: single points of failure and failure scenarios of a
// saved topology file.
#include <unistd.h>

#include <csignal>
#include <iostream>
#include <new>

#include "resilience_command.h"

int main(int argc, char** argv) {
  // A closed pipe on standard output must come back as a failed write to
  // report rather than end the process silently.
  (void)std::signal(SIGPIPE, SIG_IGN);
  try {
    return runResilience(argc, argv, std::cout, std::cerr,
                         isatty(STDERR_FILENO) == 1);
  } catch (const std::bad_alloc&) {
    std::cerr << "✘ 内存不足，程序已终止。" << std::endl;
    return kResilienceRefused;
  }
}
