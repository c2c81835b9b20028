// The picture of a topology: first a Drawing, the role of each device and
// link and the title and legend lines, computed by the same analyses as
// the menu (plans) and topoplan-resilience (routes, single points of
// failure, failure scenarios, and a plan or a route of the network that
// survives a failure); then the Graphviz DOT graph or the GraphML file
// written from it. The DOT graph stacks the devices in rows by layer,
// places them where their coordinates say, or leaves them to a
// force-directed layout (draw_layout.h).
#ifndef TOPOPLAN_DRAW_H_
#define TOPOPLAN_DRAW_H_

#include <ostream>
#include <string>
#include <vector>

#include "augmentation.h"
#include "draw_layout.h"
#include "network.h"
#include "resilience.h"

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
  // --suggest: the title says what is suggested, and the last links of
  // the network in the order added, one for each of `suggestion.added`
  // (added after its own), are drawn dashed in their own colour, with
  // their latencies, where no other role claims them.
  bool suggesting = false;
  Augmentation suggestion;
  // The ids a GraphML input gave its nodes, by device index (empty for a
  // topology file): the page finds devices by them too.
  std::vector<std::string> nodeIds;
  // Gives every device and link an SVG id ("device3" by device index,
  // "link5" by position in the saved file's link order) for the page.
  bool addressable = false;
};

// What a drawing came to.
enum class DrawOutcome {
  kDrawn,
  kRefused,     // a route, the single points or a scenario met a negative
                // latency, or a geographic picture has no positions
  kBadRequest,  // a route end or a failure names no device, or a failed
                // link does not exist
};

// What a device or a link is in a picture. A device cut off by a failure
// may still carry a route of the network that survives.
enum class Role : unsigned char {
  kPlain,
  kPlan,   // links a cabling plan takes
  kRoute,  // the fastest route's devices (its ends included) and links
  kRisk,   // a single point of failure
  kFailed,
  kCutOff,         // devices only
  kCutOffOnRoute,  // devices only
  kSuggested,      // links only: a link --suggest would build
};

// A picture before it is drawn.
struct Drawing {
  Highlight highlight = Highlight::kNone;
  bool failures = false;        // failed elements shown, with any highlight
  std::vector<Link> links;      // in the saved order
  std::vector<Role> devices;    // by device index
  std::vector<Role> linkRoles;  // by position in `links`
  // By position in `links`: the links --suggest adds, whatever role they
  // take; empty without --suggest.
  std::vector<bool> suggested;
  std::string title;   // lines joined by "\n"
  std::string legend;  // a note beside the picture, or ""
};

// Computes what `request` shows of `network`, which needs at least one
// device. A failure refuses as topoplan-resilience does: kBadRequest when
// a route end or a failure names no device or a failed link does not
// exist, kRefused when a route, the single points or a scenario meet a
// negative latency on any link, parallel twins included; the refusal goes
// to `errors`. A plan without failures takes negative latencies, as the
// menu's do. Routes
// and scenarios cost what topoplan-resilience's cost; the single points
// are measured alone, without the rest of the N-1 sweep.
DrawOutcome computeDrawing(const Network& network, const DrawRequest& request,
                           Drawing* drawing, std::ostream& errors);

// Writes the DOT graph of `drawing`, laid out as `request` says (layout,
// positions, addressable). In rows, they run core, security,
// distribution, access, data centre, other, leaving out empty layers;
// geographic and force-directed pictures name each device by its code
// and set the latencies beside their lines. Devices and links come in
// index order and in the order of the saved file, one edge per link, so
// parallel links and self-links show as they are. Single points of
// failure show in orange; failed devices and links dashed grey, the
// devices cut off shaded. Devices without a position in a geographic
// picture stand at the middle of their placed neighbours, else in a row
// below the map. Refuses (kRefused, the reason on `errors`, nothing on
// `dot`) a geographic picture without positions.
DrawOutcome writeDrawingDot(const Network& network, const Drawing& drawing,
                            const DrawRequest& request, std::ostream& dot,
                            std::ostream& errors);

// The topology as GraphML (formatGraphml) with the drawing's roles as
// boolean marks: a plan's links, a route's devices and links, the single
// points of failure, the failed devices and links, the suggested links.
std::string drawingGraphml(const Network& network, const Drawing& drawing);

// computeDrawing, then writeDrawingDot.
DrawOutcome writeTopologyDot(const Network& network, const DrawRequest& request,
                             std::ostream& dot, std::ostream& errors);

#endif  // TOPOPLAN_DRAW_H_
