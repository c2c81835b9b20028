// topoplan-resilience: single points of failure and failure scenarios of a
// saved topology file.
#include <unistd.h>

#include <iostream>

#include "program.h"
#include "resilience_command.h"

int main(int argc, char** argv) {
  startCommand();
  return runCommand(
      [&] {
        return runResilience(argc, argv, std::cout, std::cerr,
                             isatty(STDERR_FILENO) == 1);
      },
      std::cerr);
}
