// Writes the full-mesh benchmark topology to standard output.
//
//   mesh_generator [DEVICES] > mesh.txt     (DEVICES 1-40, default 40)
#include <cstdlib>
#include <iostream>
#include <string>

#include "mesh.h"

int main(int argc, char** argv) {
  const int devices = argc > 1 ? std::atoi(argv[1]) : 40;
  if (devices < 1 || devices > 40) {
    std::cerr << "usage: mesh_generator [1-40]\n";
    return 2;
  }
  writeMesh(std::cout, devices);
  return 0;
}
