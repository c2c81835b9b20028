// The analysis engine of the interactive page: the topology loader and the
// analyses of the console programs, compiled to WebAssembly. The page's
// script only draws and wires clicks to these entry points; every answer
// is JSON text in the shapes of `topoplan-resilience --json`, or
// {"error": MESSAGE} with the programs' own refusal text.
#include <emscripten/emscripten.h>

#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "device.h"
#include "latency_matrix.h"
#include "plans.h"
#include "routes.h"
#include "topology.h"
#include "topology_file.h"
#include "travels.h"  // the refusal texts the menu prints

namespace {

using nlohmann::json;

// The page's one topology, loaded once from the bytes the page embeds,
// and its latency matrix.
TopologyGraph topology = {};
LatencyMatrix latency(0);

// The text of the last answer; the page copies it out before calling again.
std::string answer;

constexpr char kEmbeddedFile[] = "（页面内嵌的拓扑文件）";
constexpr char kNotLoaded[] = "✘ 拓扑尚未加载！";
constexpr char kNoFailureAnalysis[] =
    "✘ 本引擎未带故障分析，无法模拟故障！";

const char* reply(const json& value) {
  // Descriptions are bytes from a file; anything that is not UTF-8 shows
  // as U+FFFD rather than stopping the answer.
  answer = value.dump(-1, ' ', false, json::error_handler_t::replace);
  return answer.c_str();
}

const char* refuse(const std::string& message) {
  return reply(json{{"error", message}});
}

std::string codeOf(int index) { return topology.devices[index].code; }

// True when `failedText` names no failure at all. The failure analysis is
// what applies failures; until then only the intact network is answered.
bool failsNothing(const char* failedText) {
  const json failed = json::parse(failedText, nullptr, false);
  if (failed.is_discarded() || failed.is_null()) return true;
  for (const char* key : {"devices", "links"}) {
    if (failed.contains(key) && !failed[key].empty()) return false;
  }
  return true;
}

json deviceRoute(const std::vector<int>& hops, int latency) {
  json devices = json::array();
  for (const int hop : hops) devices.push_back(codeOf(hop));
  return json{{"latency", latency}, {"devices", devices}};
}

}  // namespace

extern "C" {

// Loads the topology file held in `bytes` with the loader of option 10 and
// builds its latency matrix. Answers {"devices": [CODE...], "links":
// [[CODE, CODE, LATENCY]...]} in device index order and in the order of
// the saved file's link lines, which is the order the drawing numbers
// them in.
EMSCRIPTEN_KEEPALIVE const char* topoplan_load(const char* bytes, int size) {
  releaseArcs(&topology);
  topology = {};
  std::istringstream file(std::string(bytes, static_cast<size_t>(size)));
  const LoadOutcome outcome = parseTopology(file, &topology);
  if (!outcome.loaded()) {
    return refuse(describeLoadRefusal(outcome, kEmbeddedFile));
  }
  latency = latencyMatrixOf(topology);
  json devices = json::array();
  for (int i = 0; i < topology.deviceCount; ++i) devices.push_back(codeOf(i));
  json links = json::array();
  for (const TopologyLink& link : listLinks(topology)) {
    links.push_back({codeOf(link.from), codeOf(link.to), link.latency});
  }
  return reply(json{{"devices", devices}, {"links", links}});
}

// The device detail of option 8 for the lowest-index device named `code`.
EMSCRIPTEN_KEEPALIVE const char* topoplan_device(const char* code) {
  if (topology.deviceCount < 1) return refuse(kNotLoaded);
  const int index = findDevice(topology, code);
  if (index == -1) return refuse(std::string(kDeviceNotFound) + code);
  const DeviceEntry& device = topology.devices[index];
  json neighbours = json::array();
  for (const Neighbour& neighbour : neighboursOf(topology, index)) {
    neighbours.push_back({codeOf(neighbour.device), neighbour.latency});
  }
  return reply(json{{"code", device.code},
                    {"description", device.description},
                    {"layer", layerName(layerOf(device.code))},
                    {"ports", device.ports},
                    {"uptime", device.uptime},
                    {"neighbours", neighbours}});
}

// The fastest route as option 5 finds it.
EMSCRIPTEN_KEEPALIVE const char* topoplan_route(const char* from,
                                                const char* to,
                                                const char* failed) {
  if (topology.deviceCount < 1) return refuse(kNotLoaded);
  if (!failsNothing(failed)) return refuse(kNoFailureAnalysis);
  const int start = findDevice(topology, from);
  const int end = findDevice(topology, to);
  if (start == -1 || end == -1) {
    return refuse(std::string(kDeviceNotFound) + (start == -1 ? from : to));
  }
  if (hasNegativeLatency(latency)) return refuse(kNegativeLatency);
  static FloydRoutes routes;  // too large for the stack
  routes = computeFloydRoutes(latency);
  json primary = nullptr;
  if (start == end) {
    primary = deviceRoute({start}, 0);
  } else if (routes.distance[start][end] <= kLargestLatency) {
    primary = deviceRoute(unfoldRoute(routes, start, end),
                          routes.distance[start][end]);
  }
  return reply(json{{"from", codeOf(start)},
                    {"to", codeOf(end)},
                    {"primary", primary},
                    {"backup", nullptr}});
}

// The cabling plan of option 7 by "prim" or "kruskal".
EMSCRIPTEN_KEEPALIVE const char* topoplan_plan(const char* algorithm,
                                               const char* failed) {
  if (topology.deviceCount < 1) return refuse(kNotLoaded);
  if (!failsNothing(failed)) return refuse(kNoFailureAnalysis);
  const std::string name = algorithm;
  if (name != "prim" && name != "kruskal") {
    return refuse("✘ 未知的布线算法：" + name);
  }
  const CablingPlan plan = name == "prim" ? computePrimPlan(latency)
                                          : computeKruskalPlan(topology);
  json links = json::array();
  for (const PlanLink& link : plan.links) {
    links.push_back(
        {codeOf(link.from), codeOf(link.to), link.latency, link.accepted});
  }
  return reply(json{{"total", plan.totalLatency},
                    {"connected", plan.connected},
                    {"links", links}});
}

EMSCRIPTEN_KEEPALIVE const char* topoplan_scenario(const char* /*failed*/) {
  return refuse(kNoFailureAnalysis);
}

EMSCRIPTEN_KEEPALIVE const char* topoplan_cut_off(const char* /*failed*/) {
  return refuse(kNoFailureAnalysis);
}

EMSCRIPTEN_KEEPALIVE const char* topoplan_risks() {
  return refuse(kNoFailureAnalysis);
}

}  // extern "C"
