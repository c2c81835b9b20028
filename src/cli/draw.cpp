#include "draw.h"

#include <vector>

#include "device.h"
#include "latency_matrix.h"
#include "plans.h"
#include "routes.h"
#include "topology_file.h"
#include "travels.h"

namespace {

constexpr char kFont[] = "WenQuanYi Micro Hei,sans-serif";
constexpr const char* kLayerFill[kLayerCount] = {
    "#f4cccc", "#fce5cd", "#fff2cc", "#d9ead3", "#cfe2f3", "#eeeeee"};
constexpr char kMarkedDevice[] = R"(, color="#cc0000", penwidth=3)";
constexpr char kMarkedLink[] = R"(, style=solid, color="#cc0000", penwidth=3)";

// What the picture shows besides the topology itself.
struct Highlights {
  std::string title;
  std::vector<TopologyLink> links;  // in drawing order
  std::vector<bool> linkMarked;     // by position in `links`
  std::vector<bool> deviceMarked;   // by device index
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

// Marks the first link not yet marked that joins a and b with this
// latency. Of parallel links the matrix keeps the oldest one's latency, so
// a plan or a route that went through the matrix finds a link that has it.
void markLink(Highlights* highlights, int a, int b, int latency) {
  for (size_t i = 0; i < highlights->links.size(); ++i) {
    const TopologyLink& link = highlights->links[i];
    const bool joins =
        (link.from == a && link.to == b) || (link.from == b && link.to == a);
    if (joins && link.latency == latency && !highlights->linkMarked[i]) {
      highlights->linkMarked[i] = true;
      return;
    }
  }
}

void markPlan(const CablingPlan& plan, const char* algorithm,
              Highlights* highlights) {
  for (const PlanLink& link : plan.links) {
    if (link.accepted) markLink(highlights, link.from, link.to, link.latency);
  }
  highlights->title = std::string("光纤骨干网布线方案（") + algorithm +
                      "算法）\nMST总延迟：" +
                      std::to_string(plan.totalLatency) + "ms";
  if (!plan.connected) {
    highlights->title += "\n(图不连通，布线无法覆盖所有设备)";
  }
}

// Marks the fastest route as option 5 finds it, or refuses as it does.
bool markRoute(const TopologyGraph& g, const LatencyMatrix& matrix,
               const DrawRequest& request, Highlights* highlights,
               std::ostream& errors) {
  const int from = findDevice(g, request.routeFrom);
  const int to = findDevice(g, request.routeTo);
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
  const int latency = from == to ? 0 : routes.distance[from][to];
  if (latency > kLargestLatency) {
    highlights->title = "从 " + request.routeFrom + " 到 " + request.routeTo +
                        " 不可达（无连通路径）！";
    return true;
  }
  const std::vector<int> hops =
      from == to ? std::vector<int>{from} : unfoldRoute(routes, from, to);
  std::string route = g.devices[from].code;
  for (size_t i = 1; i < hops.size(); ++i) {
    markLink(highlights, hops[i - 1], hops[i], matrix.at(hops[i - 1], hops[i]));
    highlights->deviceMarked[hops[i]] = true;
    route.append(" → ").append(g.devices[hops[i]].code);
  }
  highlights->title =
      "最优路径：" + route + "\n最短延迟：" + std::to_string(latency) + "ms";
  return true;
}

void writeDot(const TopologyGraph& g, const Highlights& highlights,
              bool highlighting, std::ostream& dot) {
  dot << "graph topology {\n";
  dot << "  graph [label=" << quoted(highlights.title)
      << ", labelloc=t, fontname=\"" << kFont << "\", fontsize=16];\n";
  dot << "  node [fontname=\"" << kFont
      << "\", fontsize=10, shape=plaintext];\n";
  dot << "  edge [fontname=\"" << kFont << "\", fontsize=10, color=gray50"
      << (highlighting ? ", style=dashed" : "") << "];\n";

  // One row per layer in use, headed by its name; an invisible chain of
  // the heads keeps the rows in layer order whatever the links say.
  std::vector<Layer> layers(g.deviceCount);
  bool used[kLayerCount] = {};
  for (int i = 0; i < g.deviceCount; ++i) {
    layers[i] = layerOf(g.devices[i].code);
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
    for (int i = 0; i < g.deviceCount; ++i) {
      if (static_cast<int>(layers[i]) != row) continue;
      const DeviceEntry& device = g.devices[i];
      dot << " d" << i << " [label="
          << quoted(std::string(device.code) + '\n' + device.description)
          << ", fillcolor=\"" << kLayerFill[row] << '"'
          << (highlights.deviceMarked[i] ? kMarkedDevice : "") << "];";
    }
    dot << "}\n";
  }

  // Each link runs from its upper row down, so that no edge pulls
  // against the order of the rows.
  for (size_t i = 0; i < highlights.links.size(); ++i) {
    const TopologyLink& link = highlights.links[i];
    const bool upward = layers[link.to] < layers[link.from];
    dot << "  d" << (upward ? link.to : link.from) << " -- d"
        << (upward ? link.from : link.to) << " [label=";
    if (highlights.linkMarked[i]) {
      // Graphviz may set an edge's label on the edge itself: on a white
      // ground the red figure stays readable over the thick red line.
      dot << R"(<<table border="0" cellpadding="1" bgcolor="white"><tr><td>)"
          << R"(<font color="#cc0000">)" << link.latency
          << "ms</font></td></tr></table>>" << kMarkedLink;
    } else {
      dot << '"' << link.latency << "ms\"";
    }
    dot << "];\n";
  }
  dot << "}\n";
}

}  // namespace

bool writeTopologyDot(const TopologyGraph& g, const DrawRequest& request,
                      std::ostream& dot, std::ostream& errors) {
  const LatencyMatrix matrix = latencyMatrixOf(g);
  Highlights highlights;
  highlights.links = listLinks(g);
  highlights.linkMarked.assign(highlights.links.size(), false);
  highlights.deviceMarked.assign(g.deviceCount, false);
  switch (request.highlight) {
    case Highlight::kNone:
      highlights.title = "网络拓扑（共" + std::to_string(g.deviceCount) +
                         "台设备，" + std::to_string(highlights.links.size()) +
                         "条链路）";
      break;
    case Highlight::kPrimPlan:
      markPlan(computePrimPlan(matrix), "Prim", &highlights);
      break;
    case Highlight::kKruskalPlan:
      markPlan(computeKruskalPlan(g), "Kruskal", &highlights);
      break;
    case Highlight::kRoute:
      if (!markRoute(g, matrix, request, &highlights, errors)) return false;
      break;
  }
  writeDot(g, highlights, request.highlight != Highlight::kNone, dot);
  return true;
}

bool drawTopologyFile(const char* fileName, const DrawRequest& request,
                      std::ostream& dot, std::ostream& errors) {
  TopologyGraph graph;
  graph.deviceCount = 0;
  graph.linkCount = 0;
  const LoadOutcome outcome = readTopologyFile(fileName, &graph);
  if (!outcome.loaded()) {
    errors << describeLoadRefusal(outcome, fileName);
    return false;
  }
  const bool drawn = writeTopologyDot(graph, request, dot, errors);
  releaseArcs(&graph);
  return drawn;
}
