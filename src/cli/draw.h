// The picture of a topology: a Graphviz DOT graph that stacks the devices
// in rows by layer, places them where their coordinates say, or leaves
// them to a force-directed layout, and can highlight a cabling plan or a
// fastest route, computed by the same analyses as the menu, the single
// points of failure, or a failure scenario, computed by the same analysis
// as topoplan-resilience, and a plan or a route of the network that
// survives a failure.
#ifndef TOPOPLAN_DRAW_H_
#define TOPOPLAN_DRAW_H_

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "graphml.h"
#include "network.h"
#include "network_input.h"
#include "resilience.h"

// How the devices are placed.
enum class Layout {
  kAutomatic,   // chooseLayout decides
  kLayers,      // a row per layer (layerOf), drawn by dot
  kGeographic,  // where `positions` say, drawn with those positions fixed
  kForce,       // force-directed, drawn by sfdp
};

// A place in the drawing, in points, x to the right and y downwards.
struct Point {
  double x = 0;
  double y = 0;
};
using DevicePoints = std::vector<std::optional<Point>>;

enum class Highlight {
  kNone,
  kPrimPlan,
  kKruskalPlan,
  kRoute,
  kRisks,     // the single points of failure, in a warning colour
  kScenario,  // what `failures` names failed at once
};

struct DrawRequest {
  Highlight highlight = Highlight::kNone;
  std::string routeFrom;  // device codes, for Highlight::kRoute
  std::string routeTo;
  // Device codes, for Highlight::kScenario; with a plan or a route, the
  // failures the plan or the route is computed under.
  FailureRequest failures;
  Layout layout = Layout::kAutomatic;
  // Where each device stands, by index (empty, or holes, where unknown).
  DevicePoints positions;
  // Gives every device and link an SVG id ("device3" by device index,
  // "link5" by position in the saved file's link order) for the page.
  bool addressable = false;
};

// The layout a request for Layout::kAutomatic gets: rows by layer when
// more than half of the devices have a layer other than 其他; else the
// devices where they stand when at least half of them have a position;
// else force-directed.
Layout chooseLayout(const Network& network, const DevicePoints& positions);

// The GraphML reader's positions as points of a drawing at most `width`
// points wide and three quarters of that high, in the positions' own
// proportions: longitude and latitude projected equirectangularly,
// longitude scaled by the cosine of the mean latitude, north up; drawing
// units kept in proportion, their y already pointing down. Empty when no
// device has a position.
DevicePoints drawingPoints(PositionKind kind,
                           const std::vector<DevicePosition>& positions,
                           double width);

// The width drawingPoints is given for a network of `devices` devices:
// wide enough for their labels to stand apart, narrow enough for them to
// stay readable when the whole drawing is shown on a screen.
double drawingWidth(int devices);

// Where the loaded input places its devices, as drawingPoints gives them
// for a drawing of drawingWidth; empty for a topology file.
DevicePoints pointsOf(const NetworkInput& input);

// What a drawing came to.
enum class DrawOutcome {
  kDrawn,
  kRefused,     // the file was refused, a route or a scenario met a negative
                // latency, or a geographic picture has no positions
  kBadRequest,  // a route end or a failure names no device, or a failed
                // link does not exist
};

// Writes the DOT graph of `network`, which needs at least one device. In
// rows, they run core, security, distribution, access, data centre,
// other, leaving out empty layers; geographic and force-directed pictures
// name each device by its code (its description is the tooltip) and set
// the latencies beside their lines. Devices and links come in index
// order and in the order of the saved file, one edge per link, so
// parallel links and self-links show as they are. Single points
// of failure show in orange with a legend naming whom each cuts off; a
// scenario shows its failed devices and links dashed grey, the devices it
// cuts off shaded, and its figures in the title. Returns kBadRequest when
// a route end or a failure names no device or a failed link does not
// exist, and kRefused when a route or a scenario meets a negative latency
// or a geographic picture has no positions, with the refusal on `errors`
// and nothing on `dot`.
// Devices without a position in a geographic picture stand at the middle
// of their placed neighbours, else in a row below the map.
DrawOutcome writeTopologyDot(const Network& network, const DrawRequest& request,
                             std::ostream& dot, std::ostream& errors);

// Loads `fileName` as loadNetworkForCommand does and writes its DOT graph
// to `dot`, placing devices where the input says (drawingPoints), or,
// when `graphml` is true, the topology as GraphML with what the request
// highlights as boolean marks. The loader's warnings go to `errors`, and
// so does a refusal: kRefused for the loader's, the drawing's own else.
DrawOutcome drawTopologyFile(const char* fileName, const DrawRequest& request,
                             std::ostream& dot, std::ostream& errors,
                             bool graphml = false);

// Writes the topology as GraphML (formatGraphml) with what `request`
// highlights as marks: a plan's links, a route's devices and links, the
// single points of failure, the failed devices and links. Refuses as
// writeTopologyDot does.
DrawOutcome writeTopologyGraphml(const Network& network,
                                 const DrawRequest& request,
                                 std::ostream& graphml, std::ostream& errors);

#endif  // TOPOPLAN_DRAW_H_
