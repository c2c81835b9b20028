// The analysis engine of the interactive page: the topology file's parser,
// the core's analyses and the resilience report's JSON shapes, compiled to
// WebAssembly. The page's script only draws and wires clicks to these
// entry points. Every answer is JSON text: the value in the shape
// `topoplan-resilience --json` gives it, or {"error": MESSAGE} with the
// programs' own refusal line.
#include <emscripten/emscripten.h>

#include <algorithm>
#include <limits>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "device.h"
#include "failure_sweep.h"
#include "failure_text.h"
#include "latency_matrix.h"
#include "page_text.h"
#include "plans.h"
#include "refusals.h"
#include "resilience.h"
#include "resilience_json.h"
#include "resilience_text.h"
#include "topology_file.h"

namespace {

// The page's one topology, loaded once from the bytes the page embeds,
// with the links the page tries before they are built after the file's,
// and what every question about it starts from. Written by topoplan_load
// and topoplan_try_links only.
struct LoadedTopology {
  int fileLinks = 0;  // network.links[0, fileLinks) are the file's
  Network network;
  std::vector<Link> links;         // in the saved order (savedLinks)
  std::vector<std::string> codes;  // by device index
  bool negative = false;           // a negative link: no routes, no scenarios
  // Every source's intact tree, kept for the scenarios the page asks about
  // one after another; built by the first scenario (see meter()), so that
  // a link tried or taken away costs nothing until one is asked about.
  std::unique_ptr<ScenarioMeter> meter;
};
LoadedTopology loaded;

// The text of the last answer; the page copies it out before calling again.
std::string answer;

constexpr char kEmbeddedFile[] = "（页面内嵌的拓扑文件）";
constexpr char kNotLoaded[] = "✘ 拓扑尚未加载！";
constexpr char kBadTrial[] =
    "✘ 试加链路参数格式错误：应为 [[设备序号, 设备序号, 延迟]...]，延迟不小于 "
    "0";
constexpr char kBadFailure[] =
    "✘ 故障参数格式错误：应为 {\"devices\": [代号...], \"links\": [[代号, "
    "代号]...]}";

const char* reply(const ResilienceJson& value) {
  // Codes and descriptions are bytes from a file; anything that is not
  // UTF-8 shows as U+FFFD rather than stopping the answer.
  answer = value.dump(-1, ' ', false, ResilienceJson::error_handler_t::replace);
  return answer.c_str();
}

const char* refuse(std::string message) {
  while (!message.empty() && message.back() == '\n') message.pop_back();
  return reply({{"error", message}});
}

bool isCodeList(const ResilienceJson& value, size_t size = 0) {
  if (!value.is_array() || (size != 0 && value.size() != size)) return false;
  for (const ResilienceJson& item : value) {
    if (!item.is_string()) return false;
  }
  return true;
}

// Reads {"devices": [CODE...], "links": [[CODE, CODE]...]} (either key may
// be missing; empty text or null fails nothing) into `request`. False when
// the text has another shape.
bool readFailureRequest(const char* text, FailureRequest* request) {
  const ResilienceJson failed = ResilienceJson::parse(text, nullptr, false);
  if (failed.is_null() || (failed.is_discarded() && text[0] == '\0')) {
    return true;
  }
  if (!failed.is_object()) return false;
  const auto devices = failed.find("devices");
  if (devices != failed.end()) {
    if (!isCodeList(*devices)) return false;
    for (const ResilienceJson& code : *devices) {
      request->devices.push_back(code.get<std::string>());
    }
  }
  const auto links = failed.find("links");
  if (links != failed.end()) {
    if (!links->is_array()) return false;
    for (const ResilienceJson& ends : *links) {
      if (!isCodeList(ends, 2)) return false;
      request->links.emplace_back(ends[0].get<std::string>(),
                                  ends[1].get<std::string>());
    }
  }
  return true;
}

// Resolves the page's failure argument to a failure set; the refusal line
// otherwise.
std::string lookUp(const char* text, FailureSet* failed) {
  FailureRequest request;
  if (!readFailureRequest(text, &request)) return kBadFailure;
  const FailureLookup lookup =
      lookUpFailures(loaded.network, loaded.links, request);
  if (lookup.outcome != FailureLookup::Outcome::kFound) {
    return failureLookupProblem(lookup);
  }
  *failed = lookup.failed;
  return "";
}

// The refusal of a question about routes or failures, or "".
std::string routeRefusal() {
  if (loaded.network.devices.empty()) return kNotLoaded;
  if (loaded.negative) return kNegativeLatency;
  return "";
}

// The scenario meter of the network as it now is; only for a network
// without a negative link (scenarioRefusal checks).
ScenarioMeter& meter() {
  if (loaded.meter == nullptr) {
    loaded.meter = std::make_unique<ScenarioMeter>(loaded.network.deviceCount(),
                                                   loaded.links);
  }
  return *loaded.meter;
}

// The refusal of a question about the scenario `failedText` names, or ""
// with its failures in `failed`: the prologue of every scenario entry.
std::string scenarioRefusal(const char* failedText, FailureSet* failed) {
  const std::string refusal = routeRefusal();
  return refusal.empty() ? lookUp(failedText, failed) : refusal;
}

ResilienceJson planJson(const Network& network, const CablingPlan& plan) {
  ResilienceJson links = ResilienceJson::array();
  for (const PlanLink& link : plan.links) {
    links.push_back({network.devices[link.from].code,
                     network.devices[link.to].code, link.latency,
                     link.accepted});
  }
  return {{"total", plan.totalLatency},
          {"connected", plan.connected},
          {"links", std::move(links)}};
}

// The fastest route and its backup between the devices named `from` and
// `to` with `failedText`'s failures down; the refusal line otherwise.
std::string findRoute(const char* from, const char* to, const char* failedText,
                      RouteReport* report) {
  const std::string refusal = routeRefusal();
  if (!refusal.empty()) return refusal;
  const int start = findDevice(loaded.network, from);
  const int end = findDevice(loaded.network, to);
  if (start == -1 || end == -1) {
    return std::string(kDeviceNotFound) + (start == -1 ? from : to);
  }
  FailureSet failed;
  const std::string problem = lookUp(failedText, &failed);
  if (!problem.empty()) return problem;
  *report = routeWithBackup(loaded.network.deviceCount(), loaded.links, failed,
                            start, end);
  return "";
}

// The plan by `algorithm` ("prim" or "kruskal") with `failedText`'s
// failures down, as planSurvivors gives it; the refusal line otherwise.
std::string findPlan(const char* algorithm, const char* failedText,
                     CablingPlan* plan, std::vector<int>* accepted,
                     Network* planned) {
  if (loaded.network.devices.empty()) return kNotLoaded;
  const std::string name = algorithm;
  if (name != "prim" && name != "kruskal") {
    return "✘ 未知的布线算法：" + name + "（应为 prim 或 kruskal）";
  }
  FailureSet failed;
  const std::string problem = lookUp(failedText, &failed);
  if (!problem.empty()) return problem;
  SurvivorPlan survivor =
      planSurvivors(loaded.network, loaded.links, failed, name == "prim");
  *plan = std::move(survivor.plan);
  *accepted = std::move(survivor.accepted);
  *planned = std::move(survivor.survivors);
  return "";
}

ResilienceJson positionsJson(const std::vector<int>& positions) {
  ResilienceJson list = ResilienceJson::array();
  for (const int position : positions) list.push_back(position);
  return list;
}

// Everything that follows from the network's links, computed again when
// the page adds or takes away a link; then the answer topoplan_load gives.
const char* topologyAnswer() {
  loaded.links = savedLinks(loaded.network);
  loaded.codes = deviceCodes(loaded.network);
  loaded.negative = hasNegativeLink(loaded.links);
  loaded.meter.reset();
  ResilienceJson links = ResilienceJson::array();
  ResilienceJson deviceNames = ResilienceJson::array();
  ResilienceJson linkNames = ResilienceJson::array();
  ResilienceJson labels = ResilienceJson::array();
  ResilienceJson ends = ResilienceJson::array();
  for (const std::string& code : loaded.codes) {
    deviceNames.push_back(deviceName(code));
  }
  for (const Device& device : loaded.network.devices) {
    labels.push_back(device.description);
  }
  for (const Link& link : loaded.links) {
    links.push_back(linkJson(loaded.codes, link));
    linkNames.push_back(linkName(loaded.codes, link));
    ends.push_back({link.from, link.to});
  }
  // Where each link of the saved order comes from: its position in the
  // file's own saved order, or the file's count plus its place among the
  // tried links. The saved order interleaves them, so the page cannot
  // tell this itself.
  const std::vector<int> order = savedOrder(loaded.network);
  std::vector<int> filePosition(static_cast<size_t>(loaded.fileLinks));
  int position = 0;
  for (const int index : order) {
    if (index < loaded.fileLinks) filePosition[index] = position++;
  }
  ResilienceJson sources = ResilienceJson::array();
  for (const int index : order) {
    sources.push_back(index < loaded.fileLinks ? filePosition[index] : index);
  }
  return reply({{"devices", loaded.codes},
                {"links", std::move(links)},
                {"device_names", std::move(deviceNames)},
                {"labels", std::move(labels)},
                {"link_names", std::move(linkNames)},
                {"sources", std::move(sources)},
                {"ends", std::move(ends)},
                {"status", readyLine(loaded.network.deviceCount(),
                                     static_cast<int>(loaded.links.size()))}});
}

// Reads [[FROM, TO, MS]...] (device indexes, a latency of 0 or more) into
// `links`. False when the text has another shape or names no device.
bool readTrial(const char* text, int devices, std::vector<Link>* links) {
  const ResilienceJson trial = ResilienceJson::parse(text, nullptr, false);
  if (!trial.is_array()) return false;
  for (const ResilienceJson& link : trial) {
    if (!link.is_array() || link.size() != 3) return false;
    for (const ResilienceJson& number : link) {
      if (!number.is_number_integer()) return false;
    }
    const long long from = link[0].get<long long>();
    const long long to = link[1].get<long long>();
    const long long latency = link[2].get<long long>();
    if (from < 0 || from >= devices || to < 0 || to >= devices || latency < 0 ||
        latency > std::numeric_limits<int>::max()) {
      return false;
    }
    links->push_back({static_cast<int>(from), static_cast<int>(to),
                      static_cast<int>(latency)});
  }
  return true;
}

}  // namespace

extern "C" {

// Loads the topology file held in `bytes` with the parser of option 10.
// Answers {"devices": [CODE...], "links": [[CODE, CODE, LATENCY]...]} in
// device index order and in the saved file's link order, the order the
// drawing numbers its devices and links in, with the names the page's
// controls bear for each ("device_names", "link_names"), each device's
// description ("labels"), each link's ends by device index ("ends"), where
// each link stands in the file ("sources", see topologyAnswer) and the line
// that says the engine is ready
// ("status").
EMSCRIPTEN_KEEPALIVE const char* topoplan_load(const char* bytes, int size) {
  loaded = LoadedTopology();
  std::istringstream file(std::string(bytes, static_cast<size_t>(size)));
  const LoadOutcome outcome = parseTopology(file, &loaded.network);
  if (!outcome.loaded()) {
    return refuse(describeLoadRefusal(outcome, kEmbeddedFile));
  }
  loaded.fileLinks = loaded.network.linkCount();
  return topologyAnswer();
}

// Tries `linksText`'s links, [[FROM, TO, MS]...] by device index, as if
// the file listed them after its own, in place of those tried before: an
// empty list takes every one away. Answers as topoplan_load does, with
// "sources" (see topologyAnswer); every later answer is about the network
// with them. A refusal leaves the network as it was.
EMSCRIPTEN_KEEPALIVE const char* topoplan_try_links(const char* linksText) {
  if (loaded.network.devices.empty()) return refuse(kNotLoaded);
  std::vector<Link> tried;
  if (!readTrial(linksText, loaded.network.deviceCount(), &tried)) {
    return refuse(kBadTrial);
  }
  loaded.network.links.resize(static_cast<size_t>(loaded.fileLinks));
  for (const Link& link : tried) {
    addLink(&loaded.network, link.from, link.to, link.latency);
  }
  return topologyAnswer();
}

// The device detail of option 8 for the lowest-index device named `code`:
// {"code", "description", "layer", "ports", "uptime", "neighbours":
// [[CODE, LATENCY]...]}, neighbours in list order.
EMSCRIPTEN_KEEPALIVE const char* topoplan_device(const char* code) {
  if (loaded.network.devices.empty()) return refuse(kNotLoaded);
  const int index = findDevice(loaded.network, code);
  if (index == -1) return refuse(std::string(kDeviceNotFound) + code);
  const Device& device = loaded.network.devices[index];
  ResilienceJson neighbours = ResilienceJson::array();
  for (const Neighbour& neighbour : neighboursOf(loaded.network, index)) {
    neighbours.push_back({loaded.codes[neighbour.device], neighbour.latency});
  }
  return reply({{"code", device.code},
                {"description", device.description},
                {"layer", layerName(layerOf(device.code))},
                {"ports", device.ports},
                {"uptime", device.uptime},
                {"neighbours", std::move(neighbours)}});
}

// The fastest route and its backup, with `failed` down.
EMSCRIPTEN_KEEPALIVE const char* topoplan_route(const char* from,
                                                const char* to,
                                                const char* failedText) {
  RouteReport report;
  const std::string refusal = findRoute(from, to, failedText, &report);
  if (!refusal.empty()) return refuse(refusal);
  return reply(routeJson(loaded.codes, report));
}

// For the page: the route's lines, and the links the route and its backup
// run over as positions in the saved order, {"lines": [...], "primary":
// [...], "backup": [...]}.
EMSCRIPTEN_KEEPALIVE const char* topoplan_page_route(const char* from,
                                                     const char* to,
                                                     const char* failedText) {
  RouteReport report;
  const std::string refusal = findRoute(from, to, failedText, &report);
  if (!refusal.empty()) return refuse(refusal);
  return reply({{"lines", routeLines(loaded.codes, report)},
                {"primary", positionsJson(report.primary.links)},
                {"backup", positionsJson(report.backup.links)}});
}

// One scenario's figures against the intact network, searched again only
// below the failures in the trees kept at load: no all-pairs table.
EMSCRIPTEN_KEEPALIVE const char* topoplan_scenario(const char* failedText) {
  FailureSet failed;
  const std::string refusal = scenarioRefusal(failedText, &failed);
  if (!refusal.empty()) return refuse(refusal);
  return reply(
      scenarioJson(loaded.codes, loaded.links, meter().measure(failed)));
}

// The devices a scenario cuts off from the largest piece of their part,
// as [CODE...] in index order.
EMSCRIPTEN_KEEPALIVE const char* topoplan_cut_off(const char* failedText) {
  FailureSet failed;
  const std::string refusal = scenarioRefusal(failedText, &failed);
  if (!refusal.empty()) return refuse(refusal);
  ResilienceJson codes = ResilienceJson::array();
  for (const int device :
       cutOffDevices(loaded.network.deviceCount(), loaded.links, failed)) {
    codes.push_back(loaded.codes[device]);
  }
  return reply(codes);
}

// The failures `failed` names as a scenario's "failed" shows them:
// {"devices": [CODE...], "links": [[CODE, CODE, LATENCY]...]}, devices in
// index order and links in the saved order, each link that a pair of codes
// takes down listed.
EMSCRIPTEN_KEEPALIVE const char* topoplan_failed(const char* failedText) {
  if (loaded.network.devices.empty()) return refuse(kNotLoaded);
  FailureSet failed;
  const std::string problem = lookUp(failedText, &failed);
  if (!problem.empty()) return refuse(problem);
  return reply(failureJson(loaded.codes, loaded.links, failed));
}

// The single points of failure of the intact network: {"cut_devices",
// "cut_links"} as the report gives them.
EMSCRIPTEN_KEEPALIVE const char* topoplan_risks() {
  const std::string refusal = routeRefusal();
  if (!refusal.empty()) return refuse(refusal);
  ResilienceReport report;
  report.deviceCount = loaded.network.deviceCount();
  report.linkCount = static_cast<int>(loaded.links.size());
  report.singlePoints =
      findSinglePoints(loaded.network.deviceCount(), loaded.links);
  const ResilienceJson risks = risksJson(loaded.codes, loaded.links, report);
  return reply({{"cut_devices", risks["cut_devices"]},
                {"cut_links", risks["cut_links"]}});
}

// For the page: the single points of failure's lines, and the devices and
// links (positions in the saved order) they are, {"lines", "devices",
// "links"}.
EMSCRIPTEN_KEEPALIVE const char* topoplan_page_risks() {
  const std::string refusal = routeRefusal();
  if (!refusal.empty()) return refuse(refusal);
  const SinglePoints points =
      findSinglePoints(loaded.network.deviceCount(), loaded.links);
  return reply({{"lines", singlePointLines(
                              loaded.codes, loaded.links,
                              singlePointScenarios(loaded.network.deviceCount(),
                                                   loaded.links, points, {}))},
                {"devices", positionsJson(points.devices)},
                {"links", positionsJson(points.links)}});
}

// For the page: a scenario's lines, and the devices it cuts off by index,
// {"lines", "cut"}.
EMSCRIPTEN_KEEPALIVE const char* topoplan_page_scenario(
    const char* failedText) {
  FailureSet failed;
  const std::string refusal = scenarioRefusal(failedText, &failed);
  if (!refusal.empty()) return refuse(refusal);
  const ScenarioFigures scenario = meter().measure(failed);
  return reply({{"lines", scenarioLines(loaded.codes, loaded.links, scenario)},
                {"cut", positionsJson(scenario.cutOff)}});
}

// For the page: the device detail of option 8 as [[LABEL, VALUE]...].
EMSCRIPTEN_KEEPALIVE const char* topoplan_page_device(const char* code) {
  if (loaded.network.devices.empty()) return refuse(kNotLoaded);
  const int index = findDevice(loaded.network, code);
  if (index == -1) return refuse(std::string(kDeviceNotFound) + code);
  return reply(deviceDetail(loaded.network, index));
}

// The cabling plan of option 7 by "prim" or "kruskal", over the network
// that survives `failed`: {"total", "connected", "links": [[CODE, CODE,
// LATENCY, ACCEPTED]...]} in the order the plan considered them.
EMSCRIPTEN_KEEPALIVE const char* topoplan_plan(const char* algorithm,
                                               const char* failedText) {
  CablingPlan plan;
  std::vector<int> accepted;
  Network planned;
  const std::string refusal =
      findPlan(algorithm, failedText, &plan, &accepted, &planned);
  if (!refusal.empty()) return refuse(refusal);
  return reply(planJson(planned, plan));
}

// For the page: the plan's lines, and the links it accepts as positions
// in the saved order, {"lines", "links"}.
EMSCRIPTEN_KEEPALIVE const char* topoplan_page_plan(const char* algorithm,
                                                    const char* failedText) {
  CablingPlan plan;
  std::vector<int> accepted;
  Network planned;
  const std::string refusal =
      findPlan(algorithm, failedText, &plan, &accepted, &planned);
  if (!refusal.empty()) return refuse(refusal);
  const std::string name = algorithm;
  return reply({{"lines", planLines(deviceCodes(planned), plan,
                                    name == "prim" ? "Prim" : "Kruskal")},
                {"links", positionsJson(accepted)}});
}

}  // extern "C"
