// Feeds arbitrary bytes to the topology-file loader, first on its own and
// then through the menu's load into an empty record (inputs of even length)
// or into a record that holds the built-in network and its latency matrix
// (odd length), and checks the menu's record and message against the
// loader's outcome: a complete load, the record untouched, or the record
// emptied. Every successful load is saved and loaded again, and must come
// back the same. The commands' stricter reading refuses only text that is
// not UTF-8.
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "graph.h"
#include "topology_file.h"

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

// A successful load: the header's counts, two arcs per link, every target
// in range, and a save that loads back to the same devices and links.
void checkLoaded(const TopologyGraph& g, const LoadOutcome& outcome,
                 const fuzzsupport::ScratchFolder& scratch) {
  const int n = outcome.deviceCount;
  const int m = outcome.linkCount;
  require(n >= 1 && n <= MAX_DEVICES && m >= 0 && m <= n * (n - 1) / 2,
          "a header outside the limits was accepted");
  require(g.deviceCount == n && g.linkCount == m,
          "the record does not hold the header's counts");
  require(fuzzsupport::checkRecord(g) == 2 * m, "not two arcs per link");

  // The record read back as a network fills an identical record.
  const Network network = networkOf(g);
  TopologyGraph refilled = {};
  fillRecord(network, &refilled);
  require(fuzzsupport::sameDevices(g, refilled) &&
              fuzzsupport::arcsInListOrder(g) ==
                  fuzzsupport::arcsInListOrder(refilled),
          "the record and its network disagree");
  fuzzsupport::release(&refilled);

  const std::string copy = scratch.file("saved.txt");
  const SaveOutcome saved = writeTopologyFile(network, copy.c_str());
  require(saved.status == SaveStatus::kSaved,
          "saving a loaded topology failed: " +
              describeSaveOutcome(saved, copy.c_str()));

  Network reread;
  const LoadOutcome reloaded = readTopologyFile(copy.c_str(), &reread);
  require(reloaded.loaded(), "a saved topology did not load: " +
                                 describeLoadRefusal(reloaded, copy.c_str()));
  TopologyGraph again = {};
  fillRecord(reread, &again);
  require(fuzzsupport::sameDevices(g, again), "the devices changed on saving");
  require(g.linkCount == again.linkCount &&
              fuzzsupport::arcsByCode(g) == fuzzsupport::arcsByCode(again),
          "the links changed on saving");
  fuzzsupport::release(&again);
}

void loadInto(bool holdsTopology, const std::string& fileName,
              const fuzzsupport::ScratchFolder& scratch) {
  require(parray == nullptr, "a latency matrix outlived its input");
  // What the file holds, as the loader sees it on its own.
  Network parsed;
  const LoadOutcome outcome =
      readTopologyFile(fileName.c_str(), &parsed, CountLimits::kRecord);
  require(outcome.loaded() || (parsed.devices.empty() && parsed.links.empty()),
          "a refused parse left something behind");
  // Without the record's limits only the device count's bound differs.
  Network unbounded;
  const LoadOutcome anySize = readTopologyFile(fileName.c_str(), &unbounded);
  require(anySize.status == outcome.status ||
              (outcome.status == LoadStatus::kBadCounts &&
               outcome.deviceCount > MAX_DEVICES),
          "the two limits disagree beyond the device count");
  // The commands' checks refuse only fields that are not UTF-8, and read
  // the same network where they accept.
  Network checked;
  std::istringstream text(fuzzsupport::readFile(fileName));
  const LoadOutcome strict = parseTopology(
      text, &checked, CountLimits::kAnySize, {}, TextChecks::kUtf8);
  if (strict.loaded()) {
    require(anySize.loaded() &&
                formatTopology(checked) == formatTopology(unbounded),
            "the UTF-8 checks read another network");
  } else if (strict.status != anySize.status) {
    require(strict.problem == FieldProblem::kNotUtf8,
            "the UTF-8 checks refused what the menu's reading accepts");
  }

  TopologyGraph g = {};
  if (holdsTopology) {
    std::ostringstream ignored;
    createGraph(&g, ignored);
    buildLatencyMatrix(&g);
  }
  const Snapshot before(g);
  std::ostringstream out;
  loadGraphFromFile(&g, fileName.c_str(), out);
  const std::string message = out.str();

  if (outcome.loaded()) {
    require(startsWith(message, "✔ 从文件 "), "a load without its report");
    require(!holdsTopology || parray == nullptr, "the old matrix survived");
    checkLoaded(g, outcome, scratch);
  } else {
    require(message == describeLoadRefusal(outcome, fileName.c_str()),
            "the menu's refusal differs from the outcome: " + message);
    // A refusal is one line.
    require(message.find('\n') == message.size() - 1,
            "a refusal that is not one line: " + message);
    if (outcome.failedInRecords()) {
      require(g.deviceCount == 0 && g.linkCount == 0 && parray == nullptr,
              "a refused record did not leave the record empty");
    } else {
      require(outcome.status != LoadStatus::kCannotOpen,
              "the scratch input could not be opened");
      require(before.matches(g), "a refused header changed the record");
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
