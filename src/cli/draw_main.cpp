// topoplan-draw: draw a saved topology file as a Graphviz graph, or render
// it to SVG or PNG with Graphviz's dot.
#include <iostream>

#include "draw_command.h"
#include "program.h"

int main(int argc, char** argv) {
  startCommand();
  return runCommand([&] { return runDraw(argc, argv, std::cout, std::cerr); },
                    std::cerr);
}
