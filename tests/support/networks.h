// Networks built in memory for the core's tests: the built-in campus
// network, and small ones written as codes and link records.
#ifndef TOPOPLAN_TESTS_SUPPORT_NETWORKS_H_
#define TOPOPLAN_TESTS_SUPPORT_NETWORKS_H_

#include <sstream>
#include <string>

#include "network.h"

namespace networks {

// Devices named by `codes` ("A X B") and `links` written as a file's link
// records ("A X 7  X B 9"), added in that order; a code names the first
// device that bears it, as the loader reads it.
inline Network build(const std::string& codes, const std::string& links) {
  Network network;
  std::istringstream codeWords(codes);
  for (std::string code; codeWords >> code;) {
    network.devices.push_back({code, "设备", 4, "24h运行"});
  }
  std::istringstream linkWords(links);
  std::string a;
  std::string b;
  for (int latency = 0; linkWords >> a >> b >> latency;) {
    addLink(&network, findDevice(network, a), findDevice(network, b), latency);
  }
  return network;
}

// The built-in campus network, as option 1 creates it:
//
//        FW
//        |2
//        CR ----8---- DR-B
//        |5          /  |3
//       DR-A ---12--   AR-D
//      3|   \4          |25
//     AR-T  AR-L        |
//      2\    |3         |
//        ---SV ----------
inline Network campus() {
  return build("CR DR-A DR-B AR-T AR-L AR-D SV FW",
               "CR DR-A 5  CR DR-B 8  CR FW 2  DR-A AR-T 3  DR-A AR-L 4  "
               "DR-B AR-D 3  DR-A DR-B 12  AR-T SV 2  AR-L SV 3  AR-D SV 25");
}

}  // namespace networks

#endif  // TOPOPLAN_TESTS_SUPPORT_NETWORKS_H_
