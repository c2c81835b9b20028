// Networks shaped like an operator's PoP-level map, of any size: rings of
// 3 to 30 devices joined by spurs, long chains of devices with two links
// between two places already built, spurs ending in a device with one
// link, a few chords, some parallel links and a few self-links. The
// average degree comes out near 2.4. The same devices and seed give the
// same network, for the benchmarks and the tests alike.
#ifndef TOPOPLAN_TESTS_SUPPORT_OPERATOR_NETWORK_H_
#define TOPOPLAN_TESTS_SUPPORT_OPERATOR_NETWORK_H_

#include <cstdio>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "network.h"

namespace networks {

// Where the latencies come from: plain operator figures (1 to 20 ms), or
// a mix that also holds 0 ms links, links of 32767 ms or more that carry
// nothing, and a few long ones, for tests of the unusual cases.
enum class Latencies { kPlain, kUnusual };

inline Network operatorNetwork(int devices, unsigned seed,
                               Latencies latencies = Latencies::kPlain) {
  std::mt19937 random(seed);
  auto below = [&random](int bound) {
    return static_cast<int>(random() % static_cast<unsigned>(bound));
  };
  auto latency = [&]() {
    if (latencies == Latencies::kUnusual) {
      const int kind = below(40);
      if (kind == 0) return 0;
      if (kind == 1) return 32767 + below(3);
      if (kind == 2) return 9000 + below(5000);
    }
    return 1 + below(20);
  };
  Network network;
  auto addDevice = [&network]() {
    char code[16];
    std::snprintf(code, sizeof code, "P%04zu", network.devices.size() + 1);
    network.devices.push_back({code, "节点", 8, "24h运行"});
    return network.deviceCount() - 1;
  };
  auto link = [&](int a, int b) { addLink(&network, a, b, latency()); };
  // A run of `length` new devices hanging from `start`; returns its end.
  auto chain = [&](int start, int length) {
    int last = start;
    for (int i = 0; i < length && network.deviceCount() < devices; ++i) {
      const int next = addDevice();
      link(last, next);
      last = next;
    }
    return last;
  };

  const int first = addDevice();
  const int ringEnd = chain(first, 2 + below(12));
  if (ringEnd != first) link(ringEnd, first);
  while (network.deviceCount() < devices) {
    const int at = below(network.deviceCount());
    const int kind = below(10);
    if (kind < 4) {  // a ring, on a spur of 0 to 2 devices
      const int base = chain(at, below(3));
      const int end = chain(base, 2 + below(28));
      if (end != base) link(end, base);
    } else if (kind < 7) {  // a long chain between two places
      const int end = chain(at, 2 + below(14));
      const int other = below(network.deviceCount());
      if (other != end) link(end, other);
    } else {  // a spur
      chain(at, 1 + below(6));
    }
  }
  const int n = network.deviceCount();
  // Chords up to about 1.14 links a device, then the twins and self-links.
  while (network.linkCount() * 1000 < n * 1137) {
    const int a = below(n);
    const int b = below(n);
    if (a != b) link(a, b);
  }
  const int twins = n / 25 + 1;
  for (int i = 0; i < twins; ++i) {
    const Link twin =
        network.links[static_cast<size_t>(below(network.linkCount()))];
    addLink(&network, twin.to, twin.from, latency());
  }
  for (int i = 0; i < n / 150 + 1; ++i) {
    const int a = below(n);
    link(a, a);
  }
  return network;
}

// `count` operator networks of about devices / count devices each (seeds
// seed, seed + 1, ...), joined as peering joins them: each one after the
// first by one link to the network before it, every second one by a
// second link to the first network. Codes stay unique (P0001, ...).
inline Network peeredNetworks(int devices, unsigned seed, int count,
                              Latencies latencies = Latencies::kPlain) {
  Network joined;
  std::vector<int> firstOf;
  for (int k = 0; k < count; ++k) {
    const int size = devices / count + (k < devices % count ? 1 : 0);
    const Network part =
        operatorNetwork(size, seed + static_cast<unsigned>(k), latencies);
    const int offset = joined.deviceCount();
    firstOf.push_back(offset);
    for (const Device& device : part.devices) {
      char code[16];
      std::snprintf(code, sizeof code, "P%04d", joined.deviceCount() + 1);
      joined.devices.push_back(
          {code, device.description, device.ports, device.uptime});
    }
    for (const Link& link : part.links) {
      addLink(&joined, offset + link.from, offset + link.to, link.latency);
    }
    if (k > 0) {
      addLink(&joined, offset + size / 2, firstOf[k - 1] + 7 % size,
              5 + k % 20);
    }
    if (k > 0 && k % 2 == 0) addLink(&joined, offset + size - 1, 3, 9 + k);
  }
  return joined;
}

// The network as a topology file holds it, links in the order added.
inline void writeTopologyFile(std::ostream& out, const Network& network) {
  out << network.deviceCount() << ' ' << network.linkCount() << '\n';
  for (const Device& device : network.devices) {
    out << device.code << ' ' << device.description << ' ' << device.ports
        << ' ' << device.uptime << '\n';
  }
  for (const Link& link : network.links) {
    out << network.devices[static_cast<size_t>(link.from)].code << ' '
        << network.devices[static_cast<size_t>(link.to)].code << ' '
        << link.latency << '\n';
  }
}

}  // namespace networks

#endif  // TOPOPLAN_TESTS_SUPPORT_OPERATOR_NETWORK_H_
