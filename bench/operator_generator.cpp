// Writes an operator-like network of DEVICES devices (100 to 5000, as
// tests/support/operator_network.h builds it) as a topology file on
// standard output: operator_generator DEVICES [SEED [NETWORKS]]; with
// NETWORKS, that many such networks joined by peering links.
#include <cstdlib>
#include <iostream>

#include "operator_network.h"

int main(int argc, char** argv) {
  const long devices = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 0;
  const long count = argc > 3 ? std::strtol(argv[3], nullptr, 10) : 1;
  if (argc < 2 || argc > 4 || devices < 1 || devices > 100000 || count < 1 ||
      count > devices) {
    std::cerr << "usage: operator_generator DEVICES [SEED [NETWORKS]]\n";
    return 2;
  }
  const unsigned long seed = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 1;
  networks::writeTopologyFile(
      std::cout, networks::peeredNetworks(static_cast<int>(devices),
                                          static_cast<unsigned>(seed),
                                          static_cast<int>(count)));
  return std::cout.flush() ? 0 : 1;
}
