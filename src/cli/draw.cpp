#include "draw.h"

#include <algorithm>
#include <vector>

#include "device.h"
#include "drawing_text.h"
#include "failure_sweep.h"
#include "failure_text.h"
#include "graphml_format.h"
#include "latency_matrix.h"
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
// Suggested links: dashed, in a colour no other role takes.
constexpr char kSuggestedColour[] = "#38761d";
constexpr char kSuggestedLink[] =
    R"(, style=dashed, color="#38761d", penwidth=2)";
// Past this many links per device, latencies would pile up beside the
// lines; the picture leaves them out.
constexpr size_t kLabelledLinksPerDevice = 3;
// The layered picture names its devices by code and description in this
// size, to fit a row of several layers on a screen.
constexpr int kRowsFontSize = 10;

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

// Refuses what the failure analyses do not define: any negative link,
// a parallel twin the matrix never holds included, so that a route and
// a failure of the same network are refused alike.
DrawOutcome refuseNegative(const Drawing& drawing, std::ostream& errors) {
  if (!hasNegativeLink(drawing.links)) return DrawOutcome::kDrawn;
  errors << kNegativeLatency << '\n';
  return DrawOutcome::kRefused;
}

// Puts a device or a link on the route or the plan: what a failure made
// of it stays, a device cut off keeps its shade.
void markOnPath(Role path, Role* role) {
  if (*role == Role::kPlain) *role = path;
  if (*role == Role::kCutOff && path == Role::kRoute) {
    *role = Role::kCutOffOnRoute;
  }
}

void markRoute(const Route& route, Drawing* drawing) {
  for (const int device : route.devices) {
    markOnPath(Role::kRoute, &drawing->devices[device]);
  }
  for (const int link : route.links) {
    if (link != -1) markOnPath(Role::kRoute, &drawing->linkRoles[link]);
  }
}

std::string planTitle(const CablingPlan& plan, const char* algorithm) {
  std::string title =
      planTitleLine(algorithm) + "\n" + planTotalLine(plan.totalLatency);
  if (!plan.connected) title += std::string("\n") + kPlanSplitLine;
  return title;
}

void markPlan(const CablingPlan& plan, const char* algorithm,
              Drawing* drawing) {
  for (const int position : acceptedLinks(plan, drawing->links)) {
    markOnPath(Role::kPlan, &drawing->linkRoles[position]);
  }
  drawing->title = planTitle(plan, algorithm);
}

// The fastest route as topoplan-resilience finds it, its ends marked even
// when no route joins them.
DrawOutcome markFastest(const Network& network, const DrawRequest& request,
                        Drawing* drawing, std::ostream& errors) {
  const int from = findDevice(network, request.routeFrom);
  const int to = findDevice(network, request.routeTo);
  if (from == -1 || to == -1) {
    errors << kDeviceNotFound
           << escapeControls(from == -1 ? request.routeFrom : request.routeTo)
           << '\n';
    return DrawOutcome::kBadRequest;
  }
  if (const DrawOutcome refused = refuseNegative(*drawing, errors);
      refused != DrawOutcome::kDrawn) {
    return refused;
  }
  drawing->devices[from] = Role::kRoute;
  drawing->devices[to] = Role::kRoute;
  const RouteReport report = routeWithBackup(
      network.deviceCount(), drawing->links, FailureSet{}, from, to);
  if (!report.hasPrimary) {
    drawing->title = unreachableLine(request.routeFrom, request.routeTo);
    return DrawOutcome::kDrawn;
  }
  markRoute(report.primary, drawing);
  drawing->title =
      fastestRouteLine(deviceCodes(network), report.primary.devices) + "\n" +
      fastestLatencyLine(report.primary.latency);
  return DrawOutcome::kDrawn;
}

// The single points of failure, measured alone, with a legend of whom
// each cuts off.
DrawOutcome markRisks(const Network& network, Drawing* drawing,
                      std::ostream& errors) {
  if (const DrawOutcome refused = refuseNegative(*drawing, errors);
      refused != DrawOutcome::kDrawn) {
    return refused;
  }
  const SinglePoints points =
      findSinglePoints(network.deviceCount(), drawing->links);
  for (const int device : points.devices) {
    drawing->devices[device] = Role::kRisk;
  }
  for (const int link : points.links) drawing->linkRoles[link] = Role::kRisk;
  drawing->title = singlePointsTitle(points);
  drawing->legend = singlePointsLegend(
      deviceCodes(network), drawing->links,
      singlePointScenarios(network.deviceCount(), drawing->links, points, {}));
  return DrawOutcome::kDrawn;
}

// Looks up the request's failures and shades them: the failed devices and
// links dashed grey, the devices they cut off dark. Refuses as
// topoplan-resilience does.
DrawOutcome shadeFailures(const Network& network, const DrawRequest& request,
                          Drawing* drawing, FailureSet* failed,
                          std::ostream& errors) {
  const std::vector<Link>& links = drawing->links;
  if (const DrawOutcome refused = refuseNegative(*drawing, errors);
      refused != DrawOutcome::kDrawn) {
    return refused;
  }
  const FailureLookup lookup = lookUpFailures(network, links, request.failures);
  if (lookup.outcome != FailureLookup::Outcome::kFound) {
    errors << escapeControls(failureLookupProblem(lookup), LineBreaks::kKept);
    return DrawOutcome::kBadRequest;
  }
  *failed = lookup.failed;
  drawing->failures = true;
  for (const int device : failed->devices) {
    drawing->devices[device] = Role::kFailed;
  }
  for (size_t i = 0; i < links.size(); ++i) {
    if (!linkSurvives(links, static_cast<int>(i), *failed)) {
      drawing->linkRoles[i] = Role::kFailed;
    }
  }
  for (const int device :
       cutOffDevices(network.deviceCount(), links, *failed)) {
    drawing->devices[device] = Role::kCutOff;
  }
  drawing->legend = kFailureLegend;
  return DrawOutcome::kDrawn;
}

// A failure scenario with its figures, from the engine topoplan-resilience
// asks for one scenario.
DrawOutcome markScenario(const Network& network, const DrawRequest& request,
                         Drawing* drawing, std::ostream& errors) {
  FailureSet failed;
  if (const DrawOutcome shaded =
          shadeFailures(network, request, drawing, &failed, errors);
      shaded != DrawOutcome::kDrawn) {
    return shaded;
  }
  drawing->title = scenarioTitle(
      deviceCodes(network), drawing->links,
      sparseScenarioFigures(network.deviceCount(), drawing->links, failed));
  return DrawOutcome::kDrawn;
}

// The route or the plan the request asks for in the network that survives
// its failures, as topoplan-resilience computes the route, with the
// failures shaded as a scenario shades them.
DrawOutcome markSurvivors(const Network& network, const DrawRequest& request,
                          Drawing* drawing, std::ostream& errors) {
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
          shadeFailures(network, request, drawing, &failed, errors);
      shaded != DrawOutcome::kDrawn) {
    return shaded;
  }
  const std::vector<Link>& links = drawing->links;
  const std::vector<std::string> codes = deviceCodes(network);
  drawing->title = survivorTitleLine(failureLabel(codes, links, failed));
  if (route) {
    const RouteReport report =
        routeWithBackup(network.deviceCount(), links, failed, from, to);
    markRoute(report.primary, drawing);
    for (const std::string& line : routeLines(codes, report)) {
      drawing->title += "\n" + line;
    }
  } else {
    const bool prim = request.highlight == Highlight::kPrimPlan;
    const SurvivorPlan plan = planSurvivors(network, links, failed, prim);
    for (const int link : plan.accepted) {
      markOnPath(Role::kPlan, &drawing->linkRoles[link]);
    }
    drawing->title += "\n" + planTitle(plan.plan, prim ? "Prim" : "Kruskal");
  }
  return DrawOutcome::kDrawn;
}

// The id attribute of a device or link for an addressable drawing, or "".
std::string svgId(bool addressable, const char* kind, size_t index) {
  if (!addressable) return "";
  return std::string(", id=\"") + kind + std::to_string(index) + '"';
}

// The attributes that set a device or a link apart, or "".
std::string deviceLook(Role role) {
  switch (role) {
    case Role::kRoute:
      return kMarkedDevice;
    case Role::kRisk:
      return kRiskDevice;
    case Role::kFailed:
      return kFailedDevice;
    case Role::kSuggested:
      break;
    case Role::kCutOff:
      return kCutOffDevice;
    case Role::kCutOffOnRoute:
      return std::string(kCutOffDevice) + kMarkedDevice;
    case Role::kPlain:
    case Role::kPlan:
      break;
  }
  return "";
}

const char* linkLook(Role role) {
  switch (role) {
    case Role::kPlan:
    case Role::kRoute:
      return kMarkedLink;
    case Role::kRisk:
      return kRiskLink;
    case Role::kFailed:
      return kFailedLink;
    case Role::kSuggested:
      return kSuggestedLink;
    case Role::kPlain:
    case Role::kCutOff:
    case Role::kCutOffOnRoute:
      break;
  }
  return "";
}

// A link's latency figure. Graphviz may set an edge's label on the edge
// itself, so on a link drawn thick in colour the figure, in that colour,
// stands on a white ground to stay readable over the line.
std::string linkLabel(const Drawing& drawing, size_t link) {
  const std::string figure = std::to_string(drawing.links[link].latency) + "ms";
  const Role role = drawing.linkRoles[link];
  const char* colour = role == Role::kPlan || role == Role::kRoute
                           ? kMarkedColour
                       : role == Role::kRisk      ? kRiskColour
                       : role == Role::kSuggested ? kSuggestedColour
                                                  : nullptr;
  if (colour == nullptr) return '"' + figure + '"';
  return std::string(R"(<<table border="0" cellpadding="1" bgcolor="white">)") +
         R"(<tr><td><font color=")" + colour + "\">" + figure +
         "</font></td></tr></table>>";
}

// Whether the links' latencies are drawn: not on a dense network, where
// they would pile up beside the lines and make dot's routing fail.
bool latenciesShown(const Network& network, const Drawing& drawing) {
  return drawing.links.size() <=
         kLabelledLinksPerDevice * network.devices.size();
}

// An edge's attributes, each starting with ", ", as a list and the end of
// its line.
void writeAttributes(const std::string& attributes, std::ostream& dot) {
  if (!attributes.empty()) dot << " [" << attributes.substr(2) << ']';
  dot << ";\n";
}

// The first lines of every picture: the title and the defaults.
void writeHeading(const Drawing& drawing, bool highlighting,
                  const char* graphAttributes, int deviceFontSize,
                  std::ostream& dot) {
  dot << "graph topology {\n";
  dot << "  graph [label=" << quoted(drawing.title)
      << ", labelloc=t, fontname=\"" << kFont << "\", fontsize=16"
      << graphAttributes << "];\n";
  dot << "  node [fontname=\"" << kFont << "\", fontsize=" << deviceFontSize
      << ", shape=plaintext];\n";
  dot << "  edge [fontname=\"" << kFont << "\", fontsize=10, color=gray50"
      << (highlighting ? ", style=dashed" : "") << "];\n";
}

void writeLegend(const Drawing& drawing, const std::string& position,
                 std::ostream& dot) {
  if (!drawing.legend.empty()) {
    dot << "  legend [shape=note, style=filled, fillcolor=white, label="
        << quoted(drawing.legend) << position << "];\n";
  }
}

// The heads of the rows, in order: each layer's own, named, then one
// invisible point for each row its devices wrap into beyond the first.
std::vector<std::string> writeRowHeads(const LayeredRows& rows,
                                       std::ostream& dot) {
  std::vector<std::string> heads;
  for (size_t i = 0; i < rows.layers.size(); ++i) {
    const std::string name =
        "layer" + std::to_string(static_cast<int>(rows.layers[i]));
    heads.push_back(name);
    dot << "  " << name << " [label=\"" << layerName(rows.layers[i])
        << "\"];\n";
    for (int wrap = 1; wrap < rows.rowsOfLayer[i]; ++wrap) {
      heads.push_back(name + "_" + std::to_string(wrap));
      dot << "  " << heads.back() << " [label=\"\", style=invis];\n";
    }
  }
  return heads;
}

// Each link runs from its upper row down, so that no edge pulls against
// the order of the rows; `rank` is each device's row from the top. A
// link between two rows one layer wraps into pulls at nothing: were it
// kept straight, each row would start where the one above ends. Where
// a layer wraps, a link within a row carries its latency as an external
// label: dot's ranking fails on some such pictures when the links in
// their rows carry labels of their own.
void writeRowLinks(const Network& network, const Drawing& drawing,
                   const LayeredRows& rows, bool addressable,
                   std::ostream& dot) {
  const bool labelled = latenciesShown(network, drawing);
  const std::vector<int>& rank = rows.rowOf;
  const bool wrapped =
      std::any_of(rows.rowsOfLayer.begin(), rows.rowsOfLayer.end(),
                  [](int count) { return count > 1; });
  for (size_t i = 0; i < drawing.links.size(); ++i) {
    const Link& link = drawing.links[i];
    const bool upward = rank[link.to] < rank[link.from];
    const bool acrossAWrap = rank[link.from] != rank[link.to] &&
                             layerOf(network.devices[link.from].code) ==
                                 layerOf(network.devices[link.to].code);
    const bool inARow =
        wrapped && link.from != link.to && rank[link.from] == rank[link.to];
    const std::string attributes =
        (labelled || drawing.linkRoles[i] == Role::kSuggested
             ? (inARow ? ", xlabel=" : ", label=") + linkLabel(drawing, i)
             : "") +
        linkLook(drawing.linkRoles[i]) + (acrossAWrap ? ", weight=0" : "") +
        svgId(addressable, "link", i);
    dot << "  d" << (upward ? link.to : link.from) << " -- d"
        << (upward ? link.from : link.to);
    writeAttributes(attributes, dot);
  }
}

void writeRows(const Network& network, const Drawing& drawing,
               bool highlighting, bool addressable, std::ostream& dot) {
  writeHeading(drawing, highlighting, "", kRowsFontSize, dot);

  // One row per layer in use, headed by its name, wrapped as
  // layeredRows says; an invisible chain of the heads keeps the rows in
  // layer order whatever the links say.
  const int n = network.deviceCount();
  const LayeredRows rows = layeredRows(network, kRowsFontSize);
  const std::vector<int>& rank = rows.rowOf;
  const std::vector<std::string> heads = writeRowHeads(rows, dot);
  if (heads.size() > 1) {
    dot << "  " << heads[0];
    for (size_t i = 1; i < heads.size(); ++i) dot << " -- " << heads[i];
    dot << " [style=invis];\n";
  }

  dot << "  node [shape=box, style=\"rounded,filled\"];\n";
  for (size_t head = 0; head < heads.size(); ++head) {
    dot << "  {rank=same; " << heads[head] << ';';
    for (int i = 0; i < n; ++i) {
      if (rank[i] != static_cast<int>(head)) continue;
      const Device& device = network.devices[i];
      const int row = static_cast<int>(layerOf(device.code));
      dot << " d" << i
          << " [label=" << quoted(device.code + '\n' + device.description)
          << ", fillcolor=\"" << kLayerFill[row] << '"'
          << deviceLook(drawing.devices[i]) << svgId(addressable, "device", i)
          << "];";
    }
    dot << "}\n";
  }

  writeRowLinks(network, drawing, rows, addressable, dot);
  writeLegend(drawing, "", dot);
  dot << "}\n";
}

// Devices named by their codes, either where `points` says or wherever a
// force-directed layout puts them, and latencies beside their lines. On
// a dense network the latencies stay out (latenciesShown).
void writePlaced(const Network& network, const Drawing& drawing,
                 bool highlighting, bool addressable,
                 const std::vector<Point>& points, std::ostream& dot) {
  const bool geographic = !points.empty();
  // Lines go under the devices, so that none runs over a label.
  writeHeading(drawing, highlighting,
               geographic ? ", layout=nop, outputorder=edgesfirst, "
                            "forcelabels=false"
                          : ", layout=sfdp, overlap=false, "
                            "outputorder=edgesfirst, forcelabels=false",
               kPlacedFontSize, dot);
  dot << "  node [shape=box, style=\"rounded,filled\", margin=\"0.08,0.03\","
         " width=0, height=0];\n";
  const int n = network.deviceCount();
  for (int i = 0; i < n; ++i) {
    const Device& device = network.devices[i];
    dot << "  d" << i << " [label=" << quoted(device.code) << ", fillcolor=\""
        << kLayerFill[static_cast<int>(layerOf(device.code))] << '"'
        << deviceLook(drawing.devices[i]) << svgId(addressable, "device", i);
    if (geographic) {
      // Graphviz's y axis points up.
      dot << ", pos=\"" << coordinate(points[i].x) << ','
          << coordinate(-points[i].y) << '"';
    }
    dot << "];\n";
  }
  const bool labelled = latenciesShown(network, drawing);
  for (size_t i = 0; i < drawing.links.size(); ++i) {
    const Link& link = drawing.links[i];
    const std::string attributes =
        (labelled || drawing.linkRoles[i] == Role::kSuggested
             ? ", xlabel=" + linkLabel(drawing, i)
             : "") +
        linkLook(drawing.linkRoles[i]) + svgId(addressable, "link", i);
    dot << "  d" << link.from << " -- d" << link.to;
    writeAttributes(attributes, dot);
  }
  // On a map the legend stands below every device.
  const Point corner = lowerLeft(points, {});
  writeLegend(drawing,
              geographic ? ", pos=\"" + coordinate(corner.x) + ',' +
                               coordinate(-corner.y - kRowBelow) + '"'
                         : std::string(),
              dot);
  dot << "}\n";
}

// Marks the suggested links that no other role claims, and says what was
// suggested in the title and the legend.
void markSuggestions(const Network& network, const DrawRequest& request,
                     Drawing* drawing) {
  const std::vector<int> order = savedOrder(network);
  const size_t suggested =
      std::min(request.suggestion.added.size(), network.links.size());
  const size_t first = network.links.size() - suggested;
  drawing->suggested.assign(order.size(), false);
  for (size_t p = 0; p < order.size(); ++p) {
    if (static_cast<size_t>(order[p]) < first) continue;
    drawing->suggested[p] = true;
    if (drawing->linkRoles[p] == Role::kPlain) {
      drawing->linkRoles[p] = Role::kSuggested;
    }
  }
  drawing->title += "\n" + suggestionTitle(request.suggestion);
  if (suggested == 0) return;
  drawing->legend += drawing->legend.empty() ? "图例：" : "\n";
  drawing->legend += kSuggestionLegend;
}

// The roles and words of the highlight alone.
DrawOutcome computeHighlight(const Network& network, const DrawRequest& request,
                             Drawing* drawing, std::ostream& errors) {
  *drawing = Drawing{};
  drawing->highlight = request.highlight;
  drawing->links = savedLinks(network);
  drawing->devices.assign(network.devices.size(), Role::kPlain);
  drawing->linkRoles.assign(drawing->links.size(), Role::kPlain);
  const bool failing =
      !request.failures.devices.empty() || !request.failures.links.empty();
  switch (request.highlight) {
    case Highlight::kNone:
      drawing->title = topologyTitle(network.deviceCount(),
                                     static_cast<int>(drawing->links.size()));
      return DrawOutcome::kDrawn;
    case Highlight::kPrimPlan:
    case Highlight::kKruskalPlan:
    case Highlight::kRoute:
      break;
    case Highlight::kRisks:
      return markRisks(network, drawing, errors);
    case Highlight::kScenario:
      return markScenario(network, request, drawing, errors);
  }
  if (failing) return markSurvivors(network, request, drawing, errors);
  if (request.highlight == Highlight::kRoute) {
    return markFastest(network, request, drawing, errors);
  }
  if (request.highlight == Highlight::kPrimPlan) {
    markPlan(computePrimPlan(latencyMatrixOf(network)), "Prim", drawing);
  } else {
    markPlan(computeKruskalPlan(network), "Kruskal", drawing);
  }
  return DrawOutcome::kDrawn;
}

}  // namespace

DrawOutcome computeDrawing(const Network& network, const DrawRequest& request,
                           Drawing* drawing, std::ostream& errors) {
  const DrawOutcome computed =
      computeHighlight(network, request, drawing, errors);
  if (computed == DrawOutcome::kDrawn && request.suggesting) {
    markSuggestions(network, request, drawing);
  }
  return computed;
}

DrawOutcome writeDrawingDot(const Network& network, const Drawing& drawing,
                            const DrawRequest& request, std::ostream& dot,
                            std::ostream& errors) {
  // Plans and routes dash what they leave out; the failure pictures keep
  // every working link solid.
  const bool dashRest = drawing.highlight != Highlight::kNone &&
                        drawing.highlight != Highlight::kRisks &&
                        drawing.highlight != Highlight::kScenario;
  const Layout layout = request.layout == Layout::kAutomatic
                            ? chooseLayout(network, request.positions)
                            : request.layout;
  switch (layout) {
    case Layout::kAutomatic:
    case Layout::kLayers:
      writeRows(network, drawing, dashRest, request.addressable, dot);
      break;
    case Layout::kGeographic: {
      const bool placed = std::any_of(
          request.positions.begin(), request.positions.end(),
          [](const std::optional<Point>& point) { return point.has_value(); });
      if (!placed) {
        errors << kNoPositionsLine << '\n';
        return DrawOutcome::kRefused;
      }
      writePlaced(network, drawing, dashRest, request.addressable,
                  readablePoints(network, request.positions), dot);
      break;
    }
    case Layout::kForce:
      writePlaced(network, drawing, dashRest, request.addressable, {}, dot);
      break;
  }
  return DrawOutcome::kDrawn;
}

std::string drawingGraphml(const Network& network, const Drawing& drawing) {
  // The roles follow the saved order; GraphML lists the links in the
  // order they were added, so that reading it back adds them so again.
  const std::vector<int> order = savedOrder(network);
  const auto marksOf = [&](GraphmlMarks* marks, auto deviceTest,
                           auto linkTest) {
    marks->devices.assign(drawing.devices.size(), false);
    marks->links.assign(drawing.links.size(), false);
    for (size_t i = 0; i < drawing.devices.size(); ++i) {
      marks->devices[i] = deviceTest(drawing.devices[i]);
    }
    for (size_t p = 0; p < drawing.links.size(); ++p) {
      marks->links[static_cast<size_t>(order[p])] =
          linkTest(drawing.linkRoles[p]);
    }
  };
  const auto is = [](Role wanted) {
    return [wanted](Role role) { return role == wanted; };
  };
  GraphmlOverlay overlay;
  switch (drawing.highlight) {
    case Highlight::kNone:
    case Highlight::kScenario:
      break;
    case Highlight::kPrimPlan:
    case Highlight::kKruskalPlan:
      marksOf(&overlay.plan, is(Role::kPlan), is(Role::kPlan));
      overlay.plan.devices.clear();  // a plan takes links, never devices
      break;
    case Highlight::kRoute:
      marksOf(
          &overlay.route,
          [](Role role) {
            return role == Role::kRoute || role == Role::kCutOffOnRoute;
          },
          is(Role::kRoute));
      break;
    case Highlight::kRisks:
      marksOf(&overlay.risk, is(Role::kRisk), is(Role::kRisk));
      break;
  }
  if (drawing.failures) {
    marksOf(&overlay.failed, is(Role::kFailed), is(Role::kFailed));
  }
  if (!drawing.suggested.empty()) {
    overlay.suggested.links.assign(drawing.links.size(), false);
    for (size_t p = 0; p < drawing.links.size(); ++p) {
      overlay.suggested.links[static_cast<size_t>(order[p])] =
          drawing.suggested[p];
    }
  }
  return formatGraphml(network, overlay);
}

DrawOutcome writeTopologyDot(const Network& network, const DrawRequest& request,
                             std::ostream& dot, std::ostream& errors) {
  Drawing drawing;
  const DrawOutcome computed =
      computeDrawing(network, request, &drawing, errors);
  if (computed != DrawOutcome::kDrawn) return computed;
  return writeDrawingDot(network, drawing, request, dot, errors);
}
