// topoplan: plan the routing topology of a campus network from a menu.
#include <signal.h>
#include <unistd.h>

#include <iostream>
#include <new>

#include "fd_stream.h"
#include "menu.h"

int main() {
  occupyClosedStandardStreams();
  // A write that fails (a closed pipe, a full disk, a file-size limit)
  // must come back as an error to report, not end the process silently.
  (void)signal(SIGPIPE, SIG_IGN);
  (void)signal(SIGXFSZ, SIG_IGN);

  // Output is gathered in large blocks; the reader flushes it whenever it
  // is about to wait for the operator.
  FdInputBuf inputBuffer(STDIN_FILENO);
  FdOutputBuf outputBuffer(STDOUT_FILENO);
  std::istream input(&inputBuffer);
  std::ostream output(&outputBuffer);

  int status = 0;
  try {
    status = runMenu(input, output);
  } catch (const std::bad_alloc&) {
    output.flush();
    std::cerr << "✘ 内存不足，程序已终止。" << std::endl;
    return 2;
  }
  if (status != 0) {
    std::cerr << "✘ 无法写出标准输出，程序已终止。" << std::endl;
  }
  return status;
}
