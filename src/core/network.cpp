#include "network.h"

#include <algorithm>

void addLink(Network* network, int a, int b, int latency) {
  network->links.push_back({std::min(a, b), std::max(a, b), latency});
}

int findDevice(const Network& network, const std::string& code) {
  for (int i = 0; i < network.deviceCount(); ++i) {
    if (network.devices[static_cast<size_t>(i)].code == code) return i;
  }
  return -1;
}

CodeIndex::CodeIndex(const Network& network) {
  firstWithCode_.reserve(network.devices.size());
  for (int i = 0; i < network.deviceCount(); ++i) {
    firstWithCode_.emplace(network.devices[static_cast<size_t>(i)].code, i);
  }
}

int CodeIndex::find(const std::string& code) const {
  const auto found = firstWithCode_.find(code);
  return found == firstWithCode_.end() ? -1 : found->second;
}

std::vector<std::string> deviceCodes(const Network& network) {
  std::vector<std::string> codes;
  codes.reserve(network.devices.size());
  for (const Device& device : network.devices) codes.push_back(device.code);
  return codes;
}

std::vector<int> savedOrder(const Network& network) {
  // A counting sort by the lower end, walking the links newest first so
  // that each device's group comes out newest first.
  std::vector<size_t> groupStart(network.devices.size() + 1, 0);
  for (const Link& link : network.links) {
    ++groupStart[static_cast<size_t>(link.from) + 1];
  }
  for (size_t i = 1; i < groupStart.size(); ++i) {
    groupStart[i] += groupStart[i - 1];
  }
  std::vector<int> order(network.links.size());
  for (int added = network.linkCount(); added-- > 0;) {
    const Link& link = network.links[static_cast<size_t>(added)];
    order[groupStart[static_cast<size_t>(link.from)]++] = added;
  }
  return order;
}

std::vector<Link> savedLinks(const Network& network) {
  std::vector<Link> saved;
  saved.reserve(network.links.size());
  for (const int added : savedOrder(network)) {
    saved.push_back(network.links[static_cast<size_t>(added)]);
  }
  return saved;
}

NeighbourTable neighbourLists(const Network& network) {
  // A counting sort by device, walking the links newest first.
  NeighbourTable table;
  std::vector<size_t>& start = table.start;
  start.assign(network.devices.size() + 1, 0);
  for (const Link& link : network.links) {
    ++start[static_cast<size_t>(link.from) + 1];
    ++start[static_cast<size_t>(link.to) + 1];
  }
  for (size_t i = 1; i < start.size(); ++i) start[i] += start[i - 1];
  table.entries.resize(start.back());
  std::vector<size_t> next(start.begin(), start.end() - 1);
  for (auto link = network.links.rbegin(); link != network.links.rend();
       ++link) {
    table.entries[next[static_cast<size_t>(link->from)]++] = {link->to,
                                                              link->latency};
    table.entries[next[static_cast<size_t>(link->to)]++] = {link->from,
                                                            link->latency};
  }
  return table;
}
