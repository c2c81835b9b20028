#include "draw.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "device.h"
#include "failure_sweep.h"
#include "failure_text.h"
#include "graphml_format.h"
#include "latency_matrix.h"
#include "network_input.h"
#include "page_text.h"
#include "plans.h"
#include "refusals.h"
#include "resilience_json.h"
#include "resilience_text.h"
#include "routes.h"
#include "text.h"

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
// Devices named by their codes alone, in pictures that place them freely:
// large enough to stay readable when a drawing of some 60 devices is
// shown whole on a laptop's screen.
constexpr int kPlacedFontSize = 14;
// Past this many links per device, latencies would pile up beside the
// lines; the picture leaves them out.
constexpr size_t kLabelledLinksPerDevice = 3;
// How far below a map the devices without a place stand, and how far
// apart, in points.
constexpr double kRowBelow = 80;
constexpr double kRowStep = 100;
constexpr char kFailureLegend[] =
    "图例：灰色虚线为故障的设备和链路，\n深色底为被切断的设备";

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
DrawOutcome markRoute(const Network& network, const LatencyMatrix& matrix,
                      const DrawRequest& request, Highlights* highlights,
                      std::ostream& errors) {
  const int from = findDevice(network, request.routeFrom);
  const int to = findDevice(network, request.routeTo);
  if (from == -1 || to == -1) {
    errors << kDeviceNotFound
           << escapeControls(from == -1 ? request.routeFrom : request.routeTo)
           << '\n';
    return DrawOutcome::kBadRequest;
  }
  if (hasNegativeLatency(matrix)) {
    errors << kNegativeLatency << '\n';
    return DrawOutcome::kRefused;
  }
  const FloydRoutes routes = computeFloydRoutes(matrix);
  highlights->deviceMarked[from] = true;
  highlights->deviceMarked[to] = true;
  const int latency = from == to ? 0 : routes.distance(from, to);
  if (latency > kLargestLatency) {
    highlights->title = unreachableLine(request.routeFrom, request.routeTo);
    return DrawOutcome::kDrawn;
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
  return DrawOutcome::kDrawn;
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

// Looks up the request's failures and shades them: the failed devices and
// links dashed grey, the devices they cut off dark. Refuses as
// topoplan-resilience does.
DrawOutcome shadeFailures(const Network& network, const DrawRequest& request,
                          Highlights* highlights, FailureSet* failed,
                          std::ostream& errors) {
  const std::vector<Link>& links = highlights->links;
  if (hasNegativeLink(links)) {
    errors << kNegativeLatency << '\n';
    return DrawOutcome::kRefused;
  }
  const FailureLookup lookup = lookUpFailures(network, links, request.failures);
  if (lookup.outcome != FailureLookup::Outcome::kFound) {
    errors << escapeControls(failureLookupProblem(lookup), LineBreaks::kKept);
    return DrawOutcome::kBadRequest;
  }
  *failed = lookup.failed;
  for (const int device : failed->devices) {
    highlights->deviceStyle[device] = kFailedDevice;
  }
  for (size_t i = 0; i < links.size(); ++i) {
    if (!linkSurvives(links, static_cast<int>(i), *failed)) {
      highlights->linkStyle[i] = kFailedLink;
    }
  }
  for (const int device :
       cutOffDevices(network.deviceCount(), links, *failed)) {
    highlights->deviceStyle[device] = kCutOffDevice;
  }
  return DrawOutcome::kDrawn;
}

// Marks a failure scenario, or refuses as topoplan-resilience does.
DrawOutcome markScenario(const Network& network, const DrawRequest& request,
                         Highlights* highlights, std::ostream& errors) {
  FailureSet failed;
  if (const DrawOutcome shaded =
          shadeFailures(network, request, highlights, &failed, errors);
      shaded != DrawOutcome::kDrawn) {
    return shaded;
  }
  const std::vector<Link>& links = highlights->links;
  const ScenarioFigures figures =
      sparseScenarioFigures(network.deviceCount(), links, failed);
  const std::vector<std::string> codes = deviceCodes(network);
  highlights->title = "故障场景：" + failureLabel(codes, links, failed) +
                      "\n故障后连通分区" + std::to_string(figures.parts) +
                      "个，断开" + std::to_string(figures.lostPairs) +
                      "对，变慢" + std::to_string(figures.slowerPairs) + "对";
  if (figures.hasWorst) {
    highlights->title += "\n" + worstSentence(codes, figures);
  }
  highlights->legend = kFailureLegend;
  return DrawOutcome::kDrawn;
}

// Marks the route or the plan the request asks for in the network that
// survives its failures, as topoplan-resilience computes the route, with
// the failures shaded as a scenario shades them.
DrawOutcome markSurvivors(const Network& network, const DrawRequest& request,
                          Highlights* highlights, std::ostream& errors) {
  const std::vector<Link>& links = highlights->links;
  const int from = findDevice(network, request.routeFrom);
  const int to = findDevice(network, request.routeTo);
  const bool route = request.highlight == Highlight::kRoute;
  if (route && (from == -1 || to == -1)) {
    errors << kDeviceNotFound
           << escapeControls(from == -1 ? request.routeFrom : request.routeTo)
           << '\n';
    return DrawOutcome::kBadRequest;
  }
  FailureSet failed;
  if (const DrawOutcome shaded =
          shadeFailures(network, request, highlights, &failed, errors);
      shaded != DrawOutcome::kDrawn) {
    return shaded;
  }
  const std::vector<std::string> codes = deviceCodes(network);
  std::vector<std::string> lines = {
      survivorTitleLine(failureLabel(codes, links, failed))};
  if (route) {
    const RouteReport report =
        routeWithBackup(network.deviceCount(), links, failed, from, to);
    for (const int device : report.primary.devices) {
      highlights->deviceMarked[device] = true;
    }
    for (const int link : report.primary.links) {
      if (link != -1) highlights->linkMarked[link] = true;
    }
    const std::vector<std::string> routeText = routeLines(codes, report);
    lines.insert(lines.end(), routeText.begin(), routeText.end());
  } else {
    const bool prim = request.highlight == Highlight::kPrimPlan;
    const SurvivorPlan plan = planSurvivors(network, links, failed, prim);
    for (const int link : plan.accepted) highlights->linkMarked[link] = true;
    lines.push_back(planTitleLine(prim ? "Prim" : "Kruskal"));
    lines.push_back(planTotalLine(plan.plan.totalLatency));
    if (!plan.plan.connected) lines.emplace_back(kPlanSplitLine);
  }
  for (const std::string& line : lines) {
    highlights->title += (highlights->title.empty() ? "" : "\n") + line;
  }
  highlights->legend = kFailureLegend;
  return DrawOutcome::kDrawn;
}

// The attributes that set a device or a link apart, or "". A device cut
// off by a failure may still carry a route of the network that survives.
std::string deviceLook(const Highlights& highlights, int device) {
  const char* style = highlights.deviceStyle[device];
  const char* marked = highlights.deviceMarked[device] ? kMarkedDevice : "";
  if (style == nullptr) return marked;
  return style == kCutOffDevice ? std::string(style) + marked : style;
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

// Whether the links' latencies are drawn: not on a dense network, where
// they would pile up beside the lines and make dot's routing fail.
bool latenciesShown(const Network& network, const Highlights& highlights) {
  return highlights.links.size() <=
         kLabelledLinksPerDevice * network.devices.size();
}

// An edge's attributes, each starting with ", ", as a list and the end of
// its line.
void writeAttributes(const std::string& attributes, std::ostream& dot) {
  if (!attributes.empty()) dot << " [" << attributes.substr(2) << ']';
  dot << ";\n";
}

// The first lines of every picture: the title and the defaults.
void writeHeading(const Highlights& highlights, bool highlighting,
                  const char* graphAttributes, int deviceFontSize,
                  std::ostream& dot) {
  dot << "graph topology {\n";
  dot << "  graph [label=" << quoted(highlights.title)
      << ", labelloc=t, fontname=\"" << kFont << "\", fontsize=16"
      << graphAttributes << "];\n";
  dot << "  node [fontname=\"" << kFont << "\", fontsize=" << deviceFontSize
      << ", shape=plaintext];\n";
  dot << "  edge [fontname=\"" << kFont << "\", fontsize=10, color=gray50"
      << (highlighting ? ", style=dashed" : "") << "];\n";
}

void writeLegend(const Highlights& highlights, const std::string& position,
                 std::ostream& dot) {
  if (!highlights.legend.empty()) {
    dot << "  legend [shape=note, style=filled, fillcolor=white, label="
        << quoted(highlights.legend) << position << "];\n";
  }
}

void writeRows(const Network& network, const Highlights& highlights,
               bool highlighting, bool addressable, std::ostream& dot) {
  writeHeading(highlights, highlighting, "", 10, dot);

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
  const bool labelled = latenciesShown(network, highlights);
  for (size_t i = 0; i < highlights.links.size(); ++i) {
    const Link& link = highlights.links[i];
    const bool upward = layers[link.to] < layers[link.from];
    const std::string attributes =
        (labelled ? ", label=" + linkLabel(highlights, i) : "") +
        linkLook(highlights, i) + svgId(addressable, "link", i);
    dot << "  d" << (upward ? link.to : link.from) << " -- d"
        << (upward ? link.from : link.to);
    writeAttributes(attributes, dot);
  }
  writeLegend(highlights, "", dot);
  dot << "}\n";
}

// A coordinate for Graphviz, in points with two decimals.
std::string coordinate(double value) {
  char text[32];
  (void)std::snprintf(text, sizeof text, "%.2f", value);
  return text;
}

// The left edge and the bottom of the devices in `points` that `placed`
// marks (all of them when it is empty), as a point; {0, 0} for none.
Point lowerLeft(const std::vector<Point>& points,
                const std::vector<bool>& placed) {
  Point corner;
  bool first = true;
  for (size_t i = 0; i < points.size(); ++i) {
    if (!placed.empty() && !placed[i]) continue;
    corner.x = first ? points[i].x : std::min(corner.x, points[i].x);
    corner.y = first ? points[i].y : std::max(corner.y, points[i].y);
    first = false;
  }
  return corner;
}

// Places each device that is not yet placed but has placed neighbours at
// their middle. Returns whether it placed any.
bool placeBesideNeighbours(const Network& network, std::vector<Point>* points,
                           std::vector<bool>* placed) {
  const size_t n = points->size();
  std::vector<Point> sums(n);
  std::vector<int> counts(n, 0);
  for (const Link& link : network.links) {
    const auto a = static_cast<size_t>(link.from);
    const auto b = static_cast<size_t>(link.to);
    if ((*placed)[a] == (*placed)[b]) continue;
    const size_t lone = (*placed)[a] ? b : a;
    const Point& known = (*points)[(*placed)[a] ? a : b];
    sums[lone].x += known.x;
    sums[lone].y += known.y;
    ++counts[lone];
  }
  bool progress = false;
  for (size_t i = 0; i < n; ++i) {
    if (counts[i] == 0) continue;
    (*points)[i] = {sums[i].x / counts[i], sums[i].y / counts[i]};
    (*placed)[i] = true;
    progress = true;
  }
  return progress;
}

// The devices that have no place of their own stand at the middle of
// their placed neighbours, found outwards from the placed ones, and the
// rest in a row below everything else. Needs at least one placed device.
std::vector<Point> completedPoints(const Network& network,
                                   const DevicePoints& positions) {
  const size_t n = network.devices.size();
  std::vector<Point> points(n);
  std::vector<bool> placed(n, false);
  for (size_t i = 0; i < n && i < positions.size(); ++i) {
    if (!positions[i]) continue;
    points[i] = *positions[i];
    placed[i] = true;
  }
  const Point corner = lowerLeft(points, placed);
  while (placeBesideNeighbours(network, &points, &placed)) {
  }
  double x = corner.x;
  for (size_t i = 0; i < n; ++i) {
    if (placed[i]) continue;
    points[i] = {x, corner.y + kRowBelow};
    x += kRowStep;
  }
  return points;
}

// Devices named by their codes, either where `points` says or wherever a
// force-directed layout puts them, and latencies beside their lines. On
// a dense network the latencies stay out (latenciesShown).
void writePlaced(const Network& network, const Highlights& highlights,
                 bool highlighting, bool addressable,
                 const std::vector<Point>& points, std::ostream& dot) {
  const bool geographic = !points.empty();
  writeHeading(highlights, highlighting,
               geographic ? ", layout=nop, forcelabels=true"
                          : ", layout=sfdp, overlap=false, forcelabels=true",
               kPlacedFontSize, dot);
  dot << "  node [shape=box, style=\"rounded,filled\", margin=\"0.08,0.03\","
         " width=0, height=0];\n";
  const int n = network.deviceCount();
  for (int i = 0; i < n; ++i) {
    const Device& device = network.devices[i];
    dot << "  d" << i << " [label=" << quoted(device.code) << ", fillcolor=\""
        << kLayerFill[static_cast<int>(layerOf(device.code))] << '"'
        << deviceLook(highlights, i) << svgId(addressable, "device", i);
    if (geographic) {
      // Graphviz's y axis points up.
      dot << ", pos=\"" << coordinate(points[i].x) << ','
          << coordinate(-points[i].y) << '"';
    }
    dot << "];\n";
  }
  const bool labelled = latenciesShown(network, highlights);
  for (size_t i = 0; i < highlights.links.size(); ++i) {
    const Link& link = highlights.links[i];
    const std::string attributes =
        (labelled ? ", xlabel=" + linkLabel(highlights, i) : "") +
        linkLook(highlights, i) + svgId(addressable, "link", i);
    dot << "  d" << link.from << " -- d" << link.to;
    writeAttributes(attributes, dot);
  }
  // On a map the legend stands below every device.
  const Point corner = lowerLeft(points, {});
  writeLegend(highlights,
              geographic ? ", pos=\"" + coordinate(corner.x) + ',' +
                               coordinate(-corner.y - kRowBelow) + '"'
                         : std::string(),
              dot);
  dot << "}\n";
}

// What the request highlights, in `highlights`; when the request cannot be
// drawn, why, with the refusal on `errors`.
DrawOutcome markHighlights(const Network& network, const DrawRequest& request,
                           Highlights* highlights, std::ostream& errors) {
  highlights->links = savedLinks(network);
  highlights->linkMarked.assign(highlights->links.size(), false);
  highlights->deviceMarked.assign(network.devices.size(), false);
  highlights->linkStyle.assign(highlights->links.size(), nullptr);
  highlights->deviceStyle.assign(network.devices.size(), nullptr);
  const bool failing =
      !request.failures.devices.empty() || !request.failures.links.empty();
  switch (request.highlight) {
    case Highlight::kNone:
      highlights->title = "网络拓扑（共" +
                          std::to_string(network.deviceCount()) + "台设备，" +
                          std::to_string(highlights->links.size()) + "条链路）";
      return DrawOutcome::kDrawn;
    case Highlight::kPrimPlan:
    case Highlight::kKruskalPlan:
    case Highlight::kRoute:
      break;
    case Highlight::kRisks:
      markRisks(network, highlights);
      return DrawOutcome::kDrawn;
    case Highlight::kScenario:
      return markScenario(network, request, highlights, errors);
  }
  if (failing) return markSurvivors(network, request, highlights, errors);
  if (request.highlight == Highlight::kRoute) {
    return markRoute(network, latencyMatrixOf(network), request, highlights,
                     errors);
  }
  if (request.highlight == Highlight::kPrimPlan) {
    markPlan(computePrimPlan(latencyMatrixOf(network)), "Prim", highlights);
  } else {
    markPlan(computeKruskalPlan(network), "Kruskal", highlights);
  }
  return DrawOutcome::kDrawn;
}

}  // namespace

Layout chooseLayout(const Network& network, const DevicePoints& positions) {
  const auto campusStyle = [](const Device& device) {
    return layerOf(device.code) != Layer::kOther;
  };
  const size_t devices = network.devices.size();
  const auto layered = static_cast<size_t>(std::count_if(
      network.devices.begin(), network.devices.end(), campusStyle));
  if (2 * layered > devices) return Layout::kLayers;
  const auto placed = static_cast<size_t>(std::count_if(
      positions.begin(), positions.end(),
      [](const std::optional<Point>& point) { return point.has_value(); }));
  if (devices > 0 && 2 * placed >= devices) return Layout::kGeographic;
  return Layout::kForce;
}

double drawingWidth(int devices) {
  return std::clamp(130 * std::sqrt(static_cast<double>(devices)), 400.0,
                    1000.0);
}

// NOLINTNEXTLINE(readability-function-cognitive-complexity)
DevicePoints drawingPoints(PositionKind kind,
                           const std::vector<DevicePosition>& positions,
                           double width) {
  DevicePoints points(positions.size());
  if (kind == PositionKind::kNone) return {};
  double latitudes = 0;
  int known = 0;
  for (const DevicePosition& position : positions) {
    if (!position.known) continue;
    latitudes += position.y;
    ++known;
  }
  if (known == 0) return {};
  constexpr double kScreenProportion = 0.75;  // height to width
  constexpr double kRadiansPerDegree = 3.14159265358979323846 / 180;
  const double xScale = kind == PositionKind::kGeographic
                            ? std::cos(latitudes / known * kRadiansPerDegree)
                            : 1.0;
  const double ySign = kind == PositionKind::kGeographic ? -1.0 : 1.0;
  double minX = 0;
  double maxX = 0;
  double minY = 0;
  double maxY = 0;
  bool first = true;
  for (size_t i = 0; i < positions.size(); ++i) {
    if (!positions[i].known) continue;
    const Point point{positions[i].x * xScale, positions[i].y * ySign};
    points[i] = point;
    minX = first ? point.x : std::min(minX, point.x);
    maxX = first ? point.x : std::max(maxX, point.x);
    minY = first ? point.y : std::min(minY, point.y);
    maxY = first ? point.y : std::max(maxY, point.y);
    first = false;
  }
  // One scale for both axes keeps the proportions, fitting the drawing
  // into a landscape screen's proportions. Spans in halves where a whole
  // one overflows (1e308 and -1e308), and each point as its share of the
  // span, so that no tiny span (4.9e-324) scales to infinity: every
  // position written is finite.
  const double part =
      std::isfinite(maxX - minX) && std::isfinite(maxY - minY) ? 1 : 0.5;
  const double spanX = maxX * part - minX * part;
  const double spanY = maxY * part - minY * part;
  const double height = width * kScreenProportion;
  const double extentX =
      spanY > 0 ? std::min(width, height * (spanX / spanY)) : width;
  const double extentY =
      spanX > 0 ? std::min(height, width * (spanY / spanX)) : height;
  const auto share = [part](double value, double low, double span) {
    return span > 0 ? (value * part - low * part) / span : 0.0;
  };
  for (std::optional<Point>& point : points) {
    if (!point) continue;
    point = Point{share(point->x, minX, spanX) * extentX,
                  share(point->y, minY, spanY) * extentY};
  }
  return points;
}

DrawOutcome writeTopologyDot(const Network& network, const DrawRequest& request,
                             std::ostream& dot, std::ostream& errors) {
  Highlights highlights;
  if (const DrawOutcome marked =
          markHighlights(network, request, &highlights, errors);
      marked != DrawOutcome::kDrawn) {
    return marked;
  }
  // Plans and routes dash what they leave out; the failure pictures keep
  // every working link solid.
  const bool dashRest = request.highlight != Highlight::kNone &&
                        request.highlight != Highlight::kRisks &&
                        request.highlight != Highlight::kScenario;
  const Layout layout = request.layout == Layout::kAutomatic
                            ? chooseLayout(network, request.positions)
                            : request.layout;
  switch (layout) {
    case Layout::kAutomatic:
    case Layout::kLayers:
      writeRows(network, highlights, dashRest, request.addressable, dot);
      break;
    case Layout::kGeographic: {
      const bool placed = std::any_of(
          request.positions.begin(), request.positions.end(),
          [](const std::optional<Point>& point) { return point.has_value(); });
      if (!placed) {
        errors << kNoPositionsLine << '\n';
        return DrawOutcome::kRefused;
      }
      writePlaced(network, highlights, dashRest, request.addressable,
                  completedPoints(network, request.positions), dot);
      break;
    }
    case Layout::kForce:
      writePlaced(network, highlights, dashRest, request.addressable, {}, dot);
      break;
  }
  return DrawOutcome::kDrawn;
}

DrawOutcome writeTopologyGraphml(const Network& network,
                                 const DrawRequest& request,
                                 std::ostream& graphml, std::ostream& errors) {
  Highlights highlights;
  if (const DrawOutcome marked =
          markHighlights(network, request, &highlights, errors);
      marked != DrawOutcome::kDrawn) {
    return marked;
  }
  // The marks follow the saved order; GraphML lists the links in the
  // order they were added, so that reading it back adds them so again.
  const std::vector<int> order = savedOrder(network);
  const size_t devices = network.devices.size();
  const size_t links = highlights.links.size();
  GraphmlOverlay overlay;
  const auto marksOf = [&](GraphmlMarks* marks, auto deviceTest,
                           auto linkTest) {
    marks->devices.assign(devices, false);
    marks->links.assign(links, false);
    for (size_t i = 0; i < devices; ++i) marks->devices[i] = deviceTest(i);
    for (size_t p = 0; p < links; ++p) {
      marks->links[static_cast<size_t>(order[p])] = linkTest(p);
    }
  };
  const bool failing =
      !request.failures.devices.empty() || !request.failures.links.empty();
  switch (request.highlight) {
    case Highlight::kNone:
      break;
    case Highlight::kPrimPlan:
    case Highlight::kKruskalPlan:
      marksOf(
          &overlay.plan, [](size_t) { return false; },
          [&](size_t p) {
            return static_cast<bool>(highlights.linkMarked[p]);
          });
      overlay.plan.devices.clear();  // a plan takes links, never devices
      break;
    case Highlight::kRoute:
      marksOf(
          &overlay.route,
          [&](size_t i) {
            return static_cast<bool>(highlights.deviceMarked[i]);
          },
          [&](size_t p) {
            return static_cast<bool>(highlights.linkMarked[p]);
          });
      break;
    case Highlight::kRisks:
      marksOf(
          &overlay.risk,
          [&](size_t i) { return highlights.deviceStyle[i] == kRiskDevice; },
          [&](size_t p) { return highlights.linkStyle[p] == kRiskLink; });
      break;
    case Highlight::kScenario:
      break;
  }
  if (failing) {
    marksOf(
        &overlay.failed,
        [&](size_t i) { return highlights.deviceStyle[i] == kFailedDevice; },
        [&](size_t p) { return highlights.linkStyle[p] == kFailedLink; });
  }
  graphml << formatGraphml(network, overlay);
  return DrawOutcome::kDrawn;
}

DevicePoints pointsOf(const NetworkInput& input) {
  return drawingPoints(input.positionKind, input.positions,
                       drawingWidth(input.network.deviceCount()));
}

DrawOutcome drawTopologyFile(const char* fileName, const DrawRequest& request,
                             std::ostream& dot, std::ostream& errors,
                             bool graphml) {
  const NetworkInput input = loadNetworkForCommand(fileName);
  errors << escapeControls(input.messages, LineBreaks::kKept);
  if (!input.loaded) return DrawOutcome::kRefused;
  if (graphml) return writeTopologyGraphml(input.network, request, dot, errors);
  DrawRequest placed = request;
  placed.positions = pointsOf(input);
  return writeTopologyDot(input.network, placed, dot, errors);
}
