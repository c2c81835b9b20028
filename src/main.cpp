// topoplan: plan the routing topology of a campus network from a menu.
#include <signal.h>

#include <iostream>
#include <new>

#include "menu.h"

int main() {
  // A write that fails (a closed pipe, a full disk, a file-size limit)
  // must come back as an error to report, not end the process silently.
  signal(SIGPIPE, SIG_IGN);
  signal(SIGXFSZ, SIG_IGN);
  // Output is buffered in large blocks; the reader flushes it whenever it
  // is about to wait for the operator.
  std::ios::sync_with_stdio(false);
  std::cin.tie(nullptr);

  int status = 0;
  try {
    status = runMenu(std::cin, std::cout);
  } catch (const std::bad_alloc&) {
    std::cout.flush();
    std::cerr << "✘ 内存不足，程序已终止。" << std::endl;
    return 2;
  }
  if (status != 0) {
    std::cerr << "✘ 无法写出标准输出，程序已终止。" << std::endl;
  }
  return status;
}
