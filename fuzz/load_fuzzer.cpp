// Feeds arbitrary bytes to the topology-file loader, into an empty record
// (inputs of even length) or into a record that holds the built-in network
// and its latency matrix (odd length), and checks the outcome against the
// message it printed: a complete load, the record untouched, or the record
// emptied. Every successful load is saved and loaded again, and must come back
// the same.
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "graph.h"

namespace {

using fuzzsupport::require;
using fuzzsupport::startsWith;

// What a refused load must leave alone, taken before the load.
struct Snapshot {
  explicit Snapshot(const TopologyGraph& g)
      : deviceCount(g.deviceCount), linkCount(g.linkCount), matrix(parray) {
    for (int i = 0; i < g.deviceCount; ++i) {
      for (const LinkArc* arc = g.devices[i].firstArc; arc != nullptr;
           arc = arc->next) {
        arcs.push_back(arc);
      }
    }
  }
  bool matches(const TopologyGraph& g) const {
    return Snapshot(g).arcs == arcs && g.deviceCount == deviceCount &&
           g.linkCount == linkCount && parray == matrix;
  }

  int deviceCount;
  int linkCount;
  int** matrix;
  std::vector<const LinkArc*> arcs;
};

// The number printed right after `label` in `message`.
int numberAfter(const std::string& message, const std::string& label) {
  const size_t at = message.find(label);
  require(at != std::string::npos, "success message without " + label);
  return static_cast<int>(
      std::strtol(message.c_str() + at + label.size(), nullptr, 10));
}

// A successful load: the header's counts, two arcs per link, every target
// in range, and a save that loads back to the same devices and links.
void checkLoaded(const TopologyGraph& g, const std::string& message,
                 const fuzzsupport::ScratchFolder& scratch) {
  const int n = numberAfter(message, "加载成功！共");
  const int m = numberAfter(message, "台设备，");
  require(n >= 1 && n <= MAX_DEVICES && m >= 0 && m <= n * (n - 1) / 2,
          "a header outside the limits was accepted");
  require(g.deviceCount == n && g.linkCount == m,
          "the record does not hold the header's counts");
  require(fuzzsupport::checkRecord(g) == 2 * m, "not two arcs per link");

  const std::string copy = scratch.file("saved.txt");
  std::ostringstream saveOut;
  saveGraphToFile(&g, copy.c_str(), saveOut);
  require(startsWith(saveOut.str(), "✔ 拓扑已成功保存到文件："),
          "saving a loaded topology failed: " + saveOut.str());

  TopologyGraph again = {};
  std::ostringstream loadOut;
  loadGraphFromFile(&again, copy.c_str(), loadOut);
  require(startsWith(loadOut.str(), "✔ 从文件 "),
          "a saved topology did not load: " + loadOut.str());
  require(fuzzsupport::sameDevices(g, again), "the devices changed on saving");
  require(g.linkCount == again.linkCount &&
              fuzzsupport::arcsByCode(g) == fuzzsupport::arcsByCode(again),
          "the links changed on saving");
  fuzzsupport::release(&again);
}

void loadInto(bool holdsTopology, const std::string& fileName,
              const fuzzsupport::ScratchFolder& scratch) {
  TopologyGraph g = {};
  parray = nullptr;
  if (holdsTopology) {
    std::ostringstream ignored;
    createGraph(&g, ignored);
    buildLatencyMatrix(&g);
  }
  const Snapshot before(g);
  std::ostringstream out;
  loadGraphFromFile(&g, fileName.c_str(), out);
  const std::string message = out.str();

  if (startsWith(message, "✔ 从文件 ")) {
    require(!holdsTopology || parray == nullptr, "the old matrix survived");
    checkLoaded(g, message, scratch);
  } else {
    // A refusal is one line.
    require(message.find('\n') == message.size() - 1,
            "a refusal that is not one line: " + message);
    if (startsWith(message, "✘ 文件格式错误：无法读取设备数和链路数！") ||
        startsWith(message, "✘ 文件数据不合法：")) {
      require(before.matches(g), "a refused header changed the record");
    } else if (startsWith(message, "✘ 文件格式错误：第") ||
               startsWith(message, "✘ 文件数据错误：链路 ")) {
      require(g.deviceCount == 0 && g.linkCount == 0 && parray == nullptr,
              "a refused record did not leave the record empty");
    } else {
      fuzzsupport::fail("unexpected loader message: " + message);
    }
  }
  fuzzsupport::release(&g);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const fuzzsupport::ScratchFolder scratch;
  const std::string fileName = scratch.file("input.txt");
  fuzzsupport::writeFile(
      fileName, std::string(reinterpret_cast<const char*>(data), size));
  loadInto(size % 2 == 1, fileName, scratch);
  return 0;
}
