// What a topology loses when devices or links fail: its single points of
// failure, the figures of a failure scenario against the intact network,
// and the fastest route with a backup that shares no link with it.
//
// Every function takes the network as its device count and its links in
// the saved order (savedLinks), and returns a value: no globals, no
// printing, no input. Devices are named by index and links by their
// position in that list. A scenario's network is the network without the
// failed devices (and every link touching them) and without the failed
// links (linkSurvives); its latency matrix follows the matrix's rules (of
// parallel links the carrier, carrierOf, holds the latency, INF for no
// link) and its fastest routes follow the menu's Floyd tie rules. Any
// number of devices.
//
// Unusual input: self-links carry no route and never join parts; links of
// 32767 ms or more are no link, so they carry nothing and join no parts
// (parts are the devices that can reach each other); totals are 64-bit
// sums with no cap, and a pair is reachable when a path joins it, unlike
// the menu, whose totals stop at kLargestLatency. None of the figures is
// defined for a link of negative latency: callers refuse such a topology first
// (hasNegativeLink).
#ifndef TOPOPLAN_CORE_RESILIENCE_H_
#define TOPOPLAN_CORE_RESILIENCE_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "latency_matrix.h"
#include "network.h"
#include "plans.h"
#include "routes.h"

// What fails together in one scenario.
struct FailureSet {
  std::vector<int> devices;  // device indexes, ascending, each once
  std::vector<int> links;    // positions in the link list, ascending, each once
};

// True when some link, self-links and parallel links included, has a
// negative latency. O(links).
bool hasNegativeLink(const std::vector<Link>& links);

// True when the link at `position` of `links` is still there in the
// scenario `failed`: neither it nor either of its ends failed.
bool linkSurvives(const std::vector<Link>& links, int position,
                  const FailureSet& failed);

// True for the links that can carry a route: not a self-link, latency 0 to
// kLargestLatency. These are the links the N-1 report lists and the links
// that join parts.
bool carriesRoutes(const Link& link);

// The number of connected parts among the devices that did not fail, over
// the links that carry routes and did not fail. O(devices + links).
int countParts(int deviceCount, const std::vector<Link>& links,
               const FailureSet& failed);

// The devices that did not fail but are cut off: within each part of the
// intact network, the devices outside the largest piece the failure leaves
// of it (ties: the piece holding the lowest index). Ascending; empty when
// no part falls apart. O(devices + links).
std::vector<int> cutOffDevices(int deviceCount, const std::vector<Link>& links,
                               const FailureSet& failed);

// The lostPairs of the scenario `failed` (below), from the parts alone:
// the pairs of devices that did not fail, joined before and not after.
// O(devices + links) time and memory, no route measured.
int disconnectedPairs(int deviceCount, const std::vector<Link>& links,
                      const FailureSet& failed);

// The single points of failure.
struct SinglePoints {
  std::vector<int> devices;  // articulation points, ascending
  std::vector<int> links;    // bridges, positions in the link list, ascending
};

// The devices whose failure alone raises the number of parts among the
// other devices, and the links carrying routes whose failure alone raises
// it. A link with a parallel twin that carries routes is never a bridge;
// self-links and links of 32767 ms or more never are either. One block
// search (findBlocks): O(devices + links).
SinglePoints findSinglePoints(int deviceCount, const std::vector<Link>& links);

// The one-element failure sets of the N-1 report: each device in index
// order, then each link that carries routes in list order, parallel links
// one by one.
std::vector<FailureSet> singleFailures(int deviceCount,
                                       const std::vector<Link>& links);

// The pair that slowed down most in a scenario.
struct Slowdown {
  int from = -1;  // the lower index
  int to = -1;
  int64_t before = 0;  // fastest totals, ms, without a cap
  int64_t after = 0;
};

// A scenario's figures against the intact network, over the unordered
// pairs of devices that did not fail.
struct ScenarioFigures {
  FailureSet failed;
  int parts = 0;
  int lostPairs = 0;    // reachable before, not after
  int slowerPairs = 0;  // reachable in both, slower after
  bool hasWorst = false;
  Slowdown worst;  // the largest increase; ties: lowest from, then lowest to
  std::vector<int> cutOff;  // the devices it cuts off, as cutOffDevices
};

// The positions of `scenarios` from the largest impact to the smallest:
// more lost pairs first, then more slower pairs, then the larger increase
// of the worst pair, then the order of the list. O(s log s).
std::vector<size_t> scenariosByImpact(
    const std::vector<ScenarioFigures>& scenarios);

// The positions of the single points' scenarios from the largest impact to
// the smallest: more lost pairs first, then more devices cut off, then the
// order of the list. O(s log s).
std::vector<size_t> singlePointsByImpact(
    const std::vector<ScenarioFigures>& scenarios);

// The network a scenario is measured against, under the name callers
// know; the figures come from the failure engine (failure_sweep.h).
struct IntactNetwork {
  int deviceCount = 0;
  std::vector<Link> links;
};

// Keeps the network: O(links).
IntactNetwork analyseIntact(int deviceCount, const std::vector<Link>& links);

// The figures of one scenario, cut-off devices included, as
// sparseScenarioFigures gives them: two searches from each source,
// O(devices * links * log devices), linear memory. Needs no negative link.
ScenarioFigures scenarioFigures(const IntactNetwork& intact,
                                const FailureSet& failed);

// The scenario of each single point of `points` failing alone, the devices
// in their order, then the links in theirs, over the network of
// `deviceCount` devices and `links` in the saved order. When every point's
// one-element failure is among `measured` (say the N-1 report's
// scenarios) the figures come from there; otherwise from one
// sweepSingleFailures pass (failure_sweep.h) that measures the points'
// scenarios only, in memory linear in the network.
std::vector<ScenarioFigures> singlePointScenarios(
    int deviceCount, const std::vector<Link>& links, const SinglePoints& points,
    const std::vector<ScenarioFigures>& measured);

// A route as devices in travel order, both ends included.
struct Route {
  int64_t latency = 0;  // ms, a total without a cap
  std::vector<int> devices;
  std::vector<int> links;  // the carriers of its hops (hopCarriers), in order
};

struct RouteReport {
  int from = -1;
  int to = -1;
  bool hasPrimary = false;
  Route primary;  // the fastest route, by the menu's Floyd tie rules
  bool hasBackup = false;
  Route backup;  // the fastest route over none of the primary's links
};

// The fastest route from `from` to `to` in the scenario's network and the
// fastest route that shares no link with it: each hop of a route runs over
// the link whose latency the matrix holds (the first added of parallel
// links), and the backup is the fastest route once those links fail too,
// so a parallel twin may carry it. No route when an end failed or no
// path joins them (totals are 64-bit, with no cap); from == to is the route of
// one device and 0 ms, with no backup. The routes are those a Floyd pass
// would unfold, found by searches over the links instead: per route,
// O(route length * links * log devices) time and O(route length *
// devices) memory, no n x n table.
RouteReport routeWithBackup(int deviceCount, const std::vector<Link>& links,
                            const FailureSet& failed, int from, int to);

// The links a route's hops run over in the scenario `failed`: for each two
// devices in a row of `devices`, the position of the link that carries
// them (carrierOf over the links that survive), -1 for a hop no surviving
// link joins. O(hops * links).
std::vector<int> hopCarriers(const std::vector<Link>& links,
                             const FailureSet& failed,
                             const std::vector<int>& devices);

// A cabling plan of the network that survives `failed`.
struct SurvivorPlan {
  // The devices that did not fail, renumbered in index order, and the
  // links that survive (linkSurvives), added so that their saved order is
  // that of `links` without the failed ones: the network as it would be
  // saved and loaded again, so that of parallel links the carrier stays
  // the carrier: with nothing failed, its plans are the network's own.
  Network survivors;
  CablingPlan plan;  // over `survivors`, its indexes
  // The positions in `links` (the intact network's saved order) of the
  // links the plan accepts, in plan order.
  std::vector<int> accepted;
};

// The Prim plan (`prim`) or the Kruskal plan of the network that survives
// `failed`, where `links` is the network's saved order. Prim grows from
// the lowest surviving device. O(n^2 + links) for Prim and
// O(n + m log m) for Kruskal, plus O(accepted * links).
SurvivorPlan planSurvivors(const Network& network,
                           const std::vector<Link>& links,
                           const FailureSet& failed, bool prim);

// What the command asks: the N-1 report, or one scenario with everything
// in `failed` down at once; and, when `route` is set, the fastest route and
// its backup between two devices in that scenario's network (in the
// intact one for the N-1 report).
struct ResilienceQuery {
  bool singleScenario = false;
  // For the N-1 report: threads searching at once (0: one per core), and
  // what to call now and then with the scenarios' worth of work done and
  // their number (may be empty). Neither changes a figure.
  int workers = 0;
  std::function<void(int done, int total)> progress;
  FailureSet failed;  // for singleScenario
  bool route = false;
  int routeFrom = -1;
  int routeTo = -1;
};

// Everything the command reports, in report order.
struct ResilienceReport {
  bool singleScenario = false;  // as asked; else the N-1 report
  int deviceCount = 0;
  int linkCount = 0;
  int parts = 0;  // of the intact network
  SinglePoints singlePoints;
  // The scenario of each single point of failure alone, the cut devices
  // in their order, then the cut links in theirs.
  std::vector<ScenarioFigures> pointScenarios;
  std::vector<ScenarioFigures> scenarios;
  bool hasRoute = false;
  RouteReport route;
};

// The whole analysis over a network: at least one device, no negative
// link, route ends and failures within range. The scenarios come from
// sweepSingleFailures or sparseScenarioFigures (failure_sweep.h), in
// memory linear in the network; a route adds routeWithBackup's cost.
ResilienceReport analyseResilience(int deviceCount,
                                   const std::vector<Link>& links,
                                   const ResilienceQuery& query);

// A failure named by device codes, as a user types it.
struct FailureRequest {
  std::vector<std::string> devices;
  std::vector<std::pair<std::string, std::string>> links;  // every link A-B
};

struct FailureLookup {
  enum class Outcome { kFound, kUnknownDevice, kNoSuchLink };
  Outcome outcome = Outcome::kFound;
  std::string device;                        // for kUnknownDevice
  std::pair<std::string, std::string> ends;  // for kNoSuchLink
  FailureSet failed;                         // for kFound
};

// Resolves a request against `network`, whose links in the saved order
// are `links`: a code names the lowest-index device with that code
// (findDevice); a link request fails every link between its two devices,
// self-links included when both codes name one device. The first problem
// met, in request order (devices, then links), is the outcome.
// O(request * (devices + links)).
FailureLookup lookUpFailures(const Network& network,
                             const std::vector<Link>& links,
                             const FailureRequest& request);

#endif  // TOPOPLAN_CORE_RESILIENCE_H_
