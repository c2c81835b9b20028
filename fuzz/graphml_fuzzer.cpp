// Feeds arbitrary bytes to the GraphML reader; the first byte picks the
// latency options. A read network must be one the topology file holds
// (at least one device, unique codes of 1 to 19 bytes, fields without
// white space or control bytes, ends in range and ordered, each negative
// latency counted for its warning, no more links than n(n-1)/2); up to 40
// devices its text must load; and written as GraphML it must read back to the
// same text. A refusal must have a message.
#include <algorithm>
#include <cstdint>
#include <sstream>
#include <string>
#include <unordered_set>

#include "fuzz_support.h"
#include "graph.h"
#include "graphml.h"
#include "graphml_format.h"
#include "topology_file.h"

namespace {

using fuzzsupport::require;

bool isWord(const std::string& text, size_t limit) {
  return !text.empty() && text.size() <= limit &&
         std::none_of(text.begin(), text.end(), [](char c) {
           const auto byte = static_cast<unsigned char>(c);
           return byte <= 0x20 || byte == 0x7F;
         });
}

void checkNetwork(const GraphmlOutcome& outcome) {
  const Network& network = outcome.network;
  const long long n = network.deviceCount();
  require(n >= 1, "a network without devices");
  require(static_cast<long long>(network.links.size()) <= n * (n - 1) / 2,
          "more links than the file allows");
  require(outcome.positions.size() == network.devices.size(),
          "positions not one per device");
  std::unordered_set<std::string> codes;
  for (const Device& device : network.devices) {
    require(isWord(device.code, CODE_SIZE - 1), "a bad code: " + device.code);
    require(codes.insert(device.code).second,
            "a repeated code: " + device.code);
    require(isWord(device.description, DESCRIPTION_SIZE - 1),
            "a bad description: " + device.description);
    require(isWord(device.uptime, UPTIME_SIZE - 1), "a bad running time");
  }
  const GraphmlStatistics& statistics = outcome.statistics;
  require(statistics.latenciesFromKey + statistics.latenciesFromCoordinates +
                  statistics.latenciesFromDefault ==
              network.linkCount(),
          "latencies not counted once each");
  int negatives = 0;
  for (const Link& link : network.links) {
    require(link.from >= 0 && link.from <= link.to && link.to < n,
            "link ends out of order or range");
    if (link.latency < 0) ++negatives;
  }
  require(negatives == statistics.negativeLatencies,
          "a negative latency without its warning");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  static const char* const kKeys[] = {"", "weight", "latency", "d0"};
  GraphmlOptions options;
  options.latencyKey = kKeys[data[0] & 3U];
  options.defaultLatency = data[0] >> 2;
  const char* text = reinterpret_cast<const char*>(data + 1);
  const GraphmlOutcome outcome = parseGraphml(text, size - 1, options);
  if (!outcome.read()) {
    require(fuzzsupport::startsWith(describeGraphmlRefusal(outcome, "f"), "✘ "),
            "a refusal without its message");
    return 0;
  }
  checkNetwork(outcome);
  const std::string topology =
      formatTopology(outcome.network, LinkOrder::kAdded);
  {
    Network loaded;
    std::istringstream in(topology);
    const LoadOutcome load = parseTopology(in, &loaded);
    require(
        load.loaded() && loaded.deviceCount() == outcome.network.deviceCount(),
        "the imported text does not load:\n" + topology);
  }
  const std::string xml = formatGraphml(outcome.network, {});
  // Bytes that are not UTF-8 are written as U+FFFD and cannot come back.
  if (xml.find("\xef\xbf\xbd") == std::string::npos) {
    const GraphmlOutcome back = parseGraphml(xml.data(), xml.size(), {});
    require(back.read() &&
                formatTopology(back.network, LinkOrder::kAdded) == topology,
            "the GraphML written does not read back the same:\n" + topology);
  }
  return 0;
}
