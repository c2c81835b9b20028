// topoplan-import: a GraphML file as a topology file.
#include <iostream>

#include "import_command.h"
#include "program.h"

int main(int argc, char** argv) {
  startCommand();
  return runCommand([&] { return runImport(argc, argv, std::cout, std::cerr); },
                    std::cerr);
}
