// The picture of a topology: a Graphviz DOT graph that stacks the devices
// in rows by layer and can highlight a cabling plan or a fastest route,
// computed by the same analyses as the menu, the single points of failure,
// or a failure scenario, computed by the same analysis as
// topoplan-resilience.
#ifndef TOPOPLAN_DRAW_H_
#define TOPOPLAN_DRAW_H_

#include <ostream>
#include <string>

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
  FailureRequest failures;  // device codes, for Highlight::kScenario
  // Gives every device and link an SVG id ("device3" by device index,
  // "link5" by position in the saved file's link order) for the page.
  bool addressable = false;
};

enum class DrawOutcome {
  kDrawn,
  kRefused,     // the file was refused, or a route or a scenario met a
                // negative latency
  kBadRequest,  // a route end or a failure names no device, or a failed
                // link does not exist
};

// Writes the DOT graph of `network`, which needs at least one device. Rows run
// core, security, distribution, access, data centre, other, leaving out
// empty layers; devices and links
// come in index order and in the order of the saved file, one edge per
// link, so parallel links and self-links show as they are. Single points
// of failure show in orange with a legend naming whom each cuts off; a
// scenario shows its failed devices and links dashed grey, the devices it
// cuts off shaded, and its figures in the title. Otherwise it writes the
// refusal on `errors` and nothing on `dot`, and says why.
DrawOutcome writeTopologyDot(const Network& network, const DrawRequest& request,
                             std::ostream& dot, std::ostream& errors);

// Loads `fileName` with the topology loader and writes its DOT graph to
// `dot`. When either refuses, its refusal goes to `errors`, naming the
// system's reason for a file that could not be read.
DrawOutcome drawTopologyFile(const char* fileName, const DrawRequest& request,
                             std::ostream& dot, std::ostream& errors);

#endif  // TOPOPLAN_DRAW_H_
