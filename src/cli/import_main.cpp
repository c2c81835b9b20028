// topoplan-import: a GraphML file as a topology file.
#include <csignal>
#include <iostream>
#include <new>

#include "fd_stream.h"
#include "import_command.h"

int main(int argc, char** argv) {
  occupyClosedStandardStreams();
  // A closed pipe on standard output must come back as a failed write to
  // report rather than end the process silently.
  (void)std::signal(SIGPIPE, SIG_IGN);
  try {
    return runImport(argc, argv, std::cout, std::cerr);
  } catch (const std::bad_alloc&) {
    std::cerr << "✘ 内存不足，程序已终止。" << std::endl;
    return kImportRefused;
  }
}
