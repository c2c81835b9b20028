#include "draw.h"

#include <vector>

#include "device.h"
#include "failure_text.h"
#include "latency_matrix.h"
#include "page_text.h"
#include "plans.h"
#include "refusals.h"
#include "resilience_json.h"
#include "resilience_text.h"
#include "routes.h"
#include "topology_file.h"

namespace {

constexpr char kFont[] = "WenQuanYi Micro Hei,sans-serif";
constexpr const char* kLayerFill[kLayerCount] = {
    "#f4cccc", "#fce5cd", "#fff2cc", "#d9ead3", "#cfe2f3", "#eeeeee"};
constexpr char kMarkedDevice[] = R"(, color="#cc0000", penwidth=3)";
// Links drawn thick in colour; their figures stand on a white ground in
// the same colour (see linkLabel).
constexpr char kMarkedColour[] = "#cc0000";
constexpr char kMarkedLink[] = R"(, style=solid, color="#cc0000", penwidth=3)";
constexpr char kRiskDevice[] = R"(, color="#e69138", penwidth=4)";
constexpr char kRiskColour[] = "#e69138";
constexpr char kRiskLink[] = R"(, color="#e69138", penwidth=4)";
constexpr char kFailedDevice[] =
    R"(, style="rounded,filled,dashed", color=gray60, fontcolor=gray50, fillcolor=white)";
constexpr char kFailedLink[] =
    R"(, style=dashed, color=gray70, fontcolor=gray60)";
constexpr char kCutOffDevice[] = R"(, fillcolor="#999999")";

// What the picture shows besides the topology itself.
struct Highlights {
  std::string title;
  std::vector<Link> links;         // in the saved order, the drawing's
  std::vector<bool> linkMarked;    // by position in `links`
  std::vector<bool> deviceMarked;  // by device index
  // Attributes that replace the marked or plain look, or null: a single
  // point of failure, a failed element, a device cut off.
  std::vector<const char*> linkStyle;    // by position in `links`
  std::vector<const char*> deviceStyle;  // by device index
  std::string legend;                    // a note beside the picture, or ""
};

// A DOT string. Graphviz reads backslash escapes and character entities
// in labels, so a code or a description shows as typed only with its
// backslashes, quotes and ampersands escaped.
std::string quoted(const std::string& text) {
  std::string result = "\"";
  for (const char c : text) {
    if (c == '\n') {
      result += "\\n";
    } else if (c == '&') {
      result += "&amp;";
    } else {
      if (c == '"' || c == '\\') result += '\\';
      result += c;
    }
  }
  return result + '"';
}

void markPlan(const CablingPlan& plan, const char* algorithm,
              Highlights* highlights) {
  for (const int position : acceptedLinks(plan, highlights->links)) {
    highlights->linkMarked[position] = true;
  }
  highlights->title =
      planTitleLine(algorithm) + "\n" + planTotalLine(plan.totalLatency);
  if (!plan.connected) {
    highlights->title += std::string("\n") + kPlanSplitLine;
  }
}

// Marks the fastest route as option 5 finds it, or refuses as it does.
bool markRoute(const Network& network, const LatencyMatrix& matrix,
               const DrawRequest& request, Highlights* highlights,
               std::ostream& errors) {
  const int from = findDevice(network, request.routeFrom);
  const int to = findDevice(network, request.routeTo);
  if (from == -1 || to == -1) {
    errors << kDeviceNotFound
           << (from == -1 ? request.routeFrom : request.routeTo) << '\n';
    return false;
  }
  if (hasNegativeLatency(matrix)) {
    errors << kNegativeLatency << '\n';
    return false;
  }
  const FloydRoutes routes = computeFloydRoutes(matrix);
  highlights->deviceMarked[from] = true;
  highlights->deviceMarked[to] = true;
  const int latency = from == to ? 0 : routes.distance(from, to);
  if (latency > kLargestLatency) {
    highlights->title = unreachableLine(request.routeFrom, request.routeTo);
    return true;
  }
  const std::vector<int> hops =
      from == to ? std::vector<int>{from} : unfoldRoute(routes, from, to);
  const std::vector<int> carriers = hopCarriers(highlights->links, {}, hops);
  for (size_t i = 1; i < hops.size(); ++i) {
    if (carriers[i - 1] != -1) highlights->linkMarked[carriers[i - 1]] = true;
    highlights->deviceMarked[hops[i]] = true;
  }
  highlights->title = fastestRouteLine(deviceCodes(network), hops) + "\n" +
                      fastestLatencyLine(latency);
  return true;
}

// The id attribute of a device or link for an addressable drawing, or "".
std::string svgId(bool addressable, const char* kind, size_t index) {
  if (!addressable) return "";
  return std::string(", id=\"") + kind + std::to_string(index) + '"';
}

// Marks the single points of failure, with a legend of whom each cuts off.
void markRisks(const Network& network, Highlights* highlights) {
  const ResilienceReport report = analyseResilience(
      network.deviceCount(), highlights->links, ResilienceQuery{});
  const SinglePoints& points = report.singlePoints;
  const std::vector<std::string> codes = deviceCodes(network);
  for (const int device : points.devices) {
    highlights->deviceStyle[device] = kRiskDevice;
  }
  for (const int link : points.links) highlights->linkStyle[link] = kRiskLink;
  for (const size_t point : singlePointsByImpact(report.pointScenarios)) {
    highlights->legend += singlePointSentence(codes, highlights->links,
                                              report.pointScenarios[point]) +
                          "\n";
  }
  if (points.devices.empty() && points.links.empty()) {
    highlights->title =
        "没有单点故障：任何一台设备或一条链路单独故障都不会使网络分裂";
    return;
  }
  highlights->title = "单点故障（橙色）：" +
                      std::to_string(points.devices.size()) + "台设备，" +
                      std::to_string(points.links.size()) + "条链路";
  highlights->legend.pop_back();  // the last line break
  highlights->legend = "图例：橙色为单点故障\n" + highlights->legend;
}

// Marks a failure scenario, or refuses as topoplan-resilience does.
bool markScenario(const Network& network, const DrawRequest& request,
                  Highlights* highlights, std::ostream& errors) {
  const std::vector<Link>& links = highlights->links;
  if (hasNegativeLink(links)) {
    errors << kNegativeLatency << '\n';
    return false;
  }
  const FailureLookup lookup = lookUpFailures(network, links, request.failures);
  if (lookup.outcome != FailureLookup::Outcome::kFound) {
    errors << failureLookupProblem(lookup);
    return false;
  }
  const ScenarioFigures figures = scenarioFigures(
      analyseIntact(network.deviceCount(), links), lookup.failed);
  for (const int device : lookup.failed.devices) {
    highlights->deviceStyle[device] = kFailedDevice;
    for (size_t i = 0; i < links.size(); ++i) {
      if (links[i].from == device || links[i].to == device) {
        highlights->linkStyle[i] = kFailedLink;
      }
    }
  }
  for (const int link : lookup.failed.links) {
    highlights->linkStyle[link] = kFailedLink;
  }
  for (const int device : figures.cutOff) {
    highlights->deviceStyle[device] = kCutOffDevice;
  }
  const std::vector<std::string> codes = deviceCodes(network);
  highlights->title = "故障场景：" + failureLabel(codes, links, lookup.failed) +
                      "\n故障后连通分区" + std::to_string(figures.parts) +
                      "个，断开" + std::to_string(figures.lostPairs) +
                      "对，变慢" + std::to_string(figures.slowerPairs) + "对";
  if (figures.hasWorst) {
    highlights->title += "\n" + worstSentence(codes, figures);
  }
  highlights->legend =
      "图例：灰色虚线为故障的设备和链路，\n深色底为被切断的设备";
  return true;
}

// The attributes that set a device or a link apart, or "".
const char* deviceLook(const Highlights& highlights, int device) {
  if (highlights.deviceStyle[device] != nullptr) {
    return highlights.deviceStyle[device];
  }
  return highlights.deviceMarked[device] ? kMarkedDevice : "";
}

const char* linkLook(const Highlights& highlights, size_t link) {
  if (highlights.linkStyle[link] != nullptr) return highlights.linkStyle[link];
  return highlights.linkMarked[link] ? kMarkedLink : "";
}

// A link's latency figure. Graphviz may set an edge's label on the edge
// itself, so on a link drawn thick in colour the figure, in that colour,
// stands on a white ground to stay readable over the line.
std::string linkLabel(const Highlights& highlights, size_t link) {
  const std::string figure =
      std::to_string(highlights.links[link].latency) + "ms";
  const char* style = linkLook(highlights, link);
  const char* colour = style == kMarkedLink ? kMarkedColour
                       : style == kRiskLink ? kRiskColour
                                            : nullptr;
  if (colour == nullptr) return '"' + figure + '"';
  return std::string(R"(<<table border="0" cellpadding="1" bgcolor="white">)") +
         R"(<tr><td><font color=")" + colour + "\">" + figure +
         "</font></td></tr></table>>";
}

void writeDot(const Network& network, const Highlights& highlights,
              bool highlighting, bool addressable, std::ostream& dot) {
  dot << "graph topology {\n";
  dot << "  graph [label=" << quoted(highlights.title)
      << ", labelloc=t, fontname=\"" << kFont << "\", fontsize=16];\n";
  dot << "  node [fontname=\"" << kFont
      << "\", fontsize=10, shape=plaintext];\n";
  dot << "  edge [fontname=\"" << kFont << "\", fontsize=10, color=gray50"
      << (highlighting ? ", style=dashed" : "") << "];\n";

  // One row per layer in use, headed by its name; an invisible chain of
  // the heads keeps the rows in layer order whatever the links say.
  const int n = network.deviceCount();
  std::vector<Layer> layers(network.devices.size());
  bool used[kLayerCount] = {};
  for (int i = 0; i < n; ++i) {
    layers[i] = layerOf(network.devices[i].code);
    used[static_cast<int>(layers[i])] = true;
  }
  std::vector<int> rows;
  for (int row = 0; row < kLayerCount; ++row) {
    if (!used[row]) continue;
    rows.push_back(row);
    dot << "  layer" << row << " [label=\""
        << layerName(static_cast<Layer>(row)) << "\"];\n";
  }
  if (rows.size() > 1) {
    dot << "  layer" << rows[0];
    for (size_t i = 1; i < rows.size(); ++i) dot << " -- layer" << rows[i];
    dot << " [style=invis];\n";
  }

  dot << "  node [shape=box, style=\"rounded,filled\"];\n";
  for (const int row : rows) {
    dot << "  {rank=same; layer" << row << ';';
    for (int i = 0; i < n; ++i) {
      if (static_cast<int>(layers[i]) != row) continue;
      const Device& device = network.devices[i];
      dot << " d" << i
          << " [label=" << quoted(device.code + '\n' + device.description)
          << ", fillcolor=\"" << kLayerFill[row] << '"'
          << deviceLook(highlights, i) << svgId(addressable, "device", i)
          << "];";
    }
    dot << "}\n";
  }

  // Each link runs from its upper row down, so that no edge pulls
  // against the order of the rows.
  for (size_t i = 0; i < highlights.links.size(); ++i) {
    const Link& link = highlights.links[i];
    const bool upward = layers[link.to] < layers[link.from];
    dot << "  d" << (upward ? link.to : link.from) << " -- d"
        << (upward ? link.from : link.to)
        << " [label=" << linkLabel(highlights, i) << linkLook(highlights, i)
        << svgId(addressable, "link", i) << "];\n";
  }
  if (!highlights.legend.empty()) {
    dot << "  legend [shape=note, style=filled, fillcolor=white, label="
        << quoted(highlights.legend) << "];\n";
  }
  dot << "}\n";
}

}  // namespace

bool writeTopologyDot(const Network& network, const DrawRequest& request,
                      std::ostream& dot, std::ostream& errors) {
  const LatencyMatrix matrix = latencyMatrixOf(network);
  Highlights highlights;
  highlights.links = savedLinks(network);
  highlights.linkMarked.assign(highlights.links.size(), false);
  highlights.deviceMarked.assign(network.devices.size(), false);
  highlights.linkStyle.assign(highlights.links.size(), nullptr);
  highlights.deviceStyle.assign(network.devices.size(), nullptr);
  switch (request.highlight) {
    case Highlight::kNone:
      highlights.title = "网络拓扑（共" +
                         std::to_string(network.deviceCount()) + "台设备，" +
                         std::to_string(highlights.links.size()) + "条链路）";
      break;
    case Highlight::kPrimPlan:
      markPlan(computePrimPlan(matrix), "Prim", &highlights);
      break;
    case Highlight::kKruskalPlan:
      markPlan(computeKruskalPlan(network), "Kruskal", &highlights);
      break;
    case Highlight::kRoute:
      if (!markRoute(network, matrix, request, &highlights, errors))
        return false;
      break;
    case Highlight::kRisks:
      markRisks(network, &highlights);
      break;
    case Highlight::kScenario:
      if (!markScenario(network, request, &highlights, errors)) return false;
      break;
  }
  // Plans and routes dash what they leave out; the failure pictures keep
  // every working link solid.
  const bool dashRest = request.highlight != Highlight::kNone &&
                        request.highlight != Highlight::kRisks &&
                        request.highlight != Highlight::kScenario;
  writeDot(network, highlights, dashRest, request.addressable, dot);
  return true;
}

bool drawTopologyFile(const char* fileName, const DrawRequest& request,
                      std::ostream& dot, std::ostream& errors) {
  Network network;
  const LoadOutcome outcome = readTopologyFile(fileName, &network);
  if (!outcome.loaded()) {
    errors << describeLoadRefusal(outcome, fileName);
    return false;
  }
  return writeTopologyDot(network, request, dot, errors);
}
