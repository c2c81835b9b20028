#include "resilience.h"

#include <algorithm>
#include <climits>
#include <functional>
#include <map>
#include <queue>

#include "blocks.h"
#include "device_lookup.h"
#include "disjoint_sets.h"
#include "failure_sweep.h"
#include "pair_graph.h"
#include "pair_tally.h"

namespace {

bool inList(const std::vector<int>& sorted, int value) {
  return std::binary_search(sorted.begin(), sorted.end(), value);
}

// The parts of the scenario's network; failed devices stay alone.
DisjointSets scenarioParts(int deviceCount, const std::vector<Link>& links,
                           const FailureSet& failed) {
  DisjointSets parts(deviceCount);
  for (size_t i = 0; i < links.size(); ++i) {
    if (carriesRoutes(links[i]) &&
        linkSurvives(links, static_cast<int>(i), failed)) {
      parts.join(links[i].from, links[i].to);
    }
  }
  return parts;
}

// The fastest route from `from` to `to` over the pairs' `latency`, as a
// Floyd pass with the menu's tie rules (intermediates in index order, an
// equally fast route never displaces the one found first) unfolds it,
// without its n x n tables. That pass keeps for a pair the route through
// the lowest k such that some fastest route has no intermediate above k;
// its two halves are unfolded the same way. So each split is one search
// over the links on fastest routes between its ends, keyed by the highest
// intermediate so far (a minimax Dijkstra), after one fastest-total search
// from each end. Cost: O(route length * links * log devices); memory
// linear in the network per device on the route.
class FloydRoute {
 public:
  FloydRoute(const PairGraph& graph, const std::vector<int>& latency,
             int deviceCount)
      : graph_(graph), latency_(latency), deviceCount_(deviceCount) {}

  int64_t total(int from, int to) { return totalsFrom(from)[to]; }

  // The route's devices, both ends included; `to` reachable from `from`.
  std::vector<int> devices(int from, int to) {
    return unfoldRouteBy([this](int a, int b) { return via(a, b); }, from, to);
  }

 private:
  const std::vector<int64_t>& totalsFrom(int source) {
    auto found = totals_.find(source);
    if (found != totals_.end()) return found->second;
    Tree tree;
    tree.total.resize(static_cast<size_t>(deviceCount_));
    searchFrom(graph_, latency_, source, &tree, &heap_);
    return totals_.emplace(source, std::move(tree.total)).first->second;
  }

  // The device the pass splits the route from a to b at; a for a link.
  int via(int a, int b) {
    const std::vector<int64_t>& fromA = totalsFrom(a);
    const std::vector<int64_t>& fromB = totalsFrom(b);
    const int64_t whole = fromA[b];
    // highest[v]: the least highest intermediate on a fastest route from a
    // to v that goes on fastest to b; a itself counts as none.
    std::vector<int> highest(static_cast<size_t>(deviceCount_), INT_MAX);
    std::priority_queue<std::pair<int, int>, std::vector<std::pair<int, int>>,
                        std::greater<>>
        queue;
    highest[a] = -1;
    queue.emplace(-1, a);
    while (!queue.empty()) {
      const auto [key, u] = queue.top();
      queue.pop();
      if (key != highest[u]) continue;
      if (u == b) return key == -1 ? a : key;
      const int through = std::max(key, u == a ? -1 : u);
      for (const PairGraph::Arc* arc = graph_.arcsBegin(u);
           arc != graph_.arcsEnd(u); ++arc) {
        const int v = arc->to;
        if (!carried(latency_[arc->pair]) || fromB[v] == kNoRoute ||
            fromA[u] + latency_[arc->pair] != fromA[v] ||
            fromA[v] + fromB[v] != whole || through >= highest[v]) {
          continue;
        }
        highest[v] = through;
        queue.emplace(through, v);
      }
    }
    return -1;
  }

  const PairGraph& graph_;
  const std::vector<int>& latency_;
  int deviceCount_;
  std::map<int, std::vector<int64_t>> totals_;
  RadixHeap heap_;
};

// The positions of `scenarios`, more lost pairs first and then as
// `before` ranks two of equal lost pairs; the list's order breaks ties.
template <typename Before>
std::vector<size_t> byImpact(const std::vector<ScenarioFigures>& scenarios,
                             Before before) {
  std::vector<size_t> order(scenarios.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
    const ScenarioFigures& x = scenarios[a];
    const ScenarioFigures& y = scenarios[b];
    if (x.lostPairs != y.lostPairs) return x.lostPairs > y.lostPairs;
    return before(x, y);
  });
  return order;
}

}  // namespace

bool hasNegativeLink(const std::vector<Link>& links) {
  return std::any_of(links.begin(), links.end(),
                     [](const Link& link) { return link.latency < 0; });
}

bool linkSurvives(const std::vector<Link>& links, int position,
                  const FailureSet& failed) {
  const Link& link = links[position];
  return !inList(failed.links, position) &&
         !inList(failed.devices, link.from) && !inList(failed.devices, link.to);
}

bool carriesRoutes(const Link& link) {
  return link.from != link.to && link.latency >= 0 &&
         link.latency <= kLargestLatency;
}

int countParts(int deviceCount, const std::vector<Link>& links,
               const FailureSet& failed) {
  DisjointSets parts = scenarioParts(deviceCount, links, failed);
  int count = 0;
  for (int v = 0; v < deviceCount; ++v) {
    if (!inList(failed.devices, v) && parts.find(v) == v) ++count;
  }
  return count;
}

std::vector<int> cutOffDevices(int deviceCount, const std::vector<Link>& links,
                               const FailureSet& failed) {
  DisjointSets before = scenarioParts(deviceCount, links, FailureSet{});
  DisjointSets after = scenarioParts(deviceCount, links, failed);
  // The size of every piece, then the piece that stays of each part: the
  // largest, and of equal ones the first met in index order.
  std::vector<int> pieceSize(static_cast<size_t>(deviceCount), 0);
  for (int v = 0; v < deviceCount; ++v) {
    if (!inList(failed.devices, v)) ++pieceSize[after.find(v)];
  }
  std::vector<int> keptPiece(static_cast<size_t>(deviceCount), -1);
  for (int v = 0; v < deviceCount; ++v) {
    if (inList(failed.devices, v)) continue;
    int& kept = keptPiece[before.find(v)];
    const int piece = after.find(v);
    if (kept == -1 || pieceSize[piece] > pieceSize[kept]) kept = piece;
  }
  std::vector<int> cutOff;
  for (int v = 0; v < deviceCount; ++v) {
    if (!inList(failed.devices, v) &&
        after.find(v) != keptPiece[before.find(v)]) {
      cutOff.push_back(v);
    }
  }
  return cutOff;
}

int disconnectedPairs(int deviceCount, const std::vector<Link>& links,
                      const FailureSet& failed) {
  DisjointSets before = scenarioParts(deviceCount, links, FailureSet{});
  DisjointSets after = scenarioParts(deviceCount, links, failed);
  // The pairs of survivors within one part before, less those still
  // within one piece after: the pieces divide the parts.
  std::vector<long long> partSize(static_cast<size_t>(deviceCount), 0);
  std::vector<long long> pieceSize(static_cast<size_t>(deviceCount), 0);
  long long lost = 0;
  for (int v = 0; v < deviceCount; ++v) {
    if (inList(failed.devices, v)) continue;
    lost += partSize[before.find(v)]++;
    lost -= pieceSize[after.find(v)]++;
  }
  return static_cast<int>(lost);
}

SinglePoints findSinglePoints(int deviceCount, const std::vector<Link>& links) {
  const Blocks blocks = findBlocks(deviceCount, links);
  SinglePoints points;
  for (int v = 0; v < deviceCount; ++v) {
    if (blocks.cut[v]) points.devices.push_back(v);
  }
  // A block of one link is a bridge; twins make a block of two links.
  std::vector<int> linksIn(blocks.devices.size(), 0);
  for (const int block : blocks.blockOf) {
    if (block != -1) ++linksIn[block];
  }
  for (size_t i = 0; i < links.size(); ++i) {
    const int block = blocks.blockOf[i];
    if (block != -1 && linksIn[block] == 1) {
      points.links.push_back(static_cast<int>(i));
    }
  }
  return points;
}

std::vector<FailureSet> singleFailures(int deviceCount,
                                       const std::vector<Link>& links) {
  std::vector<FailureSet> failures;
  failures.reserve(static_cast<size_t>(deviceCount) + links.size());
  for (int v = 0; v < deviceCount; ++v) failures.push_back({{v}, {}});
  for (size_t i = 0; i < links.size(); ++i) {
    if (carriesRoutes(links[i])) {
      failures.push_back({{}, {static_cast<int>(i)}});
    }
  }
  return failures;
}

IntactNetwork analyseIntact(int deviceCount, const std::vector<Link>& links) {
  return {deviceCount, links};
}

ScenarioFigures scenarioFigures(const IntactNetwork& intact,
                                const FailureSet& failed) {
  return sparseScenarioFigures(intact.deviceCount, intact.links, failed);
}

std::vector<size_t> scenariosByImpact(
    const std::vector<ScenarioFigures>& scenarios) {
  const auto increase = [](const ScenarioFigures& s) {
    return s.hasWorst ? s.worst.after - s.worst.before : 0;
  };
  return byImpact(scenarios,
                  [&](const ScenarioFigures& x, const ScenarioFigures& y) {
                    if (x.slowerPairs != y.slowerPairs) {
                      return x.slowerPairs > y.slowerPairs;
                    }
                    return increase(x) > increase(y);
                  });
}

std::vector<size_t> singlePointsByImpact(
    const std::vector<ScenarioFigures>& scenarios) {
  return byImpact(scenarios,
                  [](const ScenarioFigures& x, const ScenarioFigures& y) {
                    return x.cutOff.size() > y.cutOff.size();
                  });
}

std::vector<ScenarioFigures> singlePointScenarios(
    int deviceCount, const std::vector<Link>& links, const SinglePoints& points,
    const std::vector<ScenarioFigures>& measured) {
  // Where each one-element failure sits in a list of scenarios, if it does.
  std::vector<int> byDevice;
  std::vector<int> byLink;
  const auto index = [&](const std::vector<ScenarioFigures>& scenarios) {
    byDevice.assign(static_cast<size_t>(deviceCount), -1);
    byLink.assign(links.size(), -1);
    for (size_t i = 0; i < scenarios.size(); ++i) {
      const FailureSet& failed = scenarios[i].failed;
      if (failed.devices.size() + failed.links.size() != 1) continue;
      std::vector<int>& where = failed.devices.empty() ? byLink : byDevice;
      where[failed.devices.empty() ? failed.links[0] : failed.devices[0]] =
          static_cast<int>(i);
    }
  };
  index(measured);
  const bool allMeasured =
      std::all_of(points.devices.begin(), points.devices.end(),
                  [&](int device) { return byDevice[device] != -1; }) &&
      std::all_of(points.links.begin(), points.links.end(),
                  [&](int link) { return byLink[link] != -1; });
  // Whatever is missing comes from one sweep: cheaper than measuring the
  // points one by one once there are more than a few of them.
  std::vector<ScenarioFigures> swept;
  if (!allMeasured) {
    SweepOptions oneThread;  // callers may run where threads are not
    oneThread.workers = 1;
    oneThread.singlePointsOnly = true;
    swept = sweepSingleFailures(deviceCount, links, oneThread);
    index(swept);
  }
  const std::vector<ScenarioFigures>& from = allMeasured ? measured : swept;
  std::vector<ScenarioFigures> scenarios;
  for (const int device : points.devices) {
    scenarios.push_back(from[byDevice[device]]);
  }
  for (const int link : points.links) scenarios.push_back(from[byLink[link]]);
  return scenarios;
}

std::vector<int> hopCarriers(const std::vector<Link>& links,
                             const FailureSet& failed,
                             const std::vector<int>& devices) {
  std::vector<int> carriers;
  for (size_t h = 1; h < devices.size(); ++h) {
    carriers.push_back(carrierOf(links, devices[h - 1], devices[h], [&](int i) {
      return linkSurvives(links, i, failed);
    }));
  }
  return carriers;
}

RouteReport routeWithBackup(int deviceCount, const std::vector<Link>& links,
                            const FailureSet& failed, int from, int to) {
  RouteReport report;
  report.from = from;
  report.to = to;
  if (inList(failed.devices, from) || inList(failed.devices, to)) return report;
  if (from == to) {
    report.hasPrimary = true;
    report.primary.devices = {from};
    return report;
  }

  // One Floyd pass over a scenario's matrix, totals without a cap: the route,
  // and the links its hops run over added to `spent`.
  const PairGraph graph(deviceCount, links);
  auto fastest = [&](const FailureSet& scenario, Route* route,
                     FailureSet* spent) {
    const std::vector<int> latency = pairLatencies(
        graph, links, [&](int i) { return linkSurvives(links, i, scenario); });
    FloydRoute routes(graph, latency, deviceCount);
    if (routes.total(from, to) == kNoRoute) return false;
    route->latency = routes.total(from, to);
    route->devices = routes.devices(from, to);
    route->links = hopCarriers(links, scenario, route->devices);
    if (spent == nullptr) return true;
    for (const int carrier : route->links) {
      if (carrier != -1) spent->links.push_back(carrier);
    }
    std::sort(spent->links.begin(), spent->links.end());
    return true;
  };

  FailureSet withoutPrimary = failed;
  report.hasPrimary = fastest(failed, &report.primary, &withoutPrimary);
  if (report.hasPrimary) {
    report.hasBackup = fastest(withoutPrimary, &report.backup, nullptr);
  }
  return report;
}

ResilienceReport analyseResilience(int deviceCount,
                                   const std::vector<Link>& links,
                                   const ResilienceQuery& query) {
  ResilienceReport report;
  report.singleScenario = query.singleScenario;
  report.deviceCount = deviceCount;
  report.linkCount = static_cast<int>(links.size());
  report.parts = countParts(deviceCount, links, FailureSet{});
  report.singlePoints = findSinglePoints(deviceCount, links);
  if (query.singleScenario) {
    report.scenarios.push_back(
        sparseScenarioFigures(deviceCount, links, query.failed));
  } else {
    SweepOptions options;
    options.workers = query.workers;
    options.progress = query.progress;
    report.scenarios = sweepSingleFailures(deviceCount, links, options);
  }
  report.pointScenarios = singlePointScenarios(
      deviceCount, links, report.singlePoints, report.scenarios);
  if (query.route) {
    report.hasRoute = true;
    report.route = routeWithBackup(
        deviceCount, links, query.singleScenario ? query.failed : FailureSet{},
        query.routeFrom, query.routeTo);
  }
  return report;
}

FailureLookup lookUpFailures(const Network& network,
                             const std::vector<Link>& links,
                             const FailureRequest& request) {
  FailureLookup lookup;
  for (const std::string& code : request.devices) {
    const int device = lookUpDevice(network, code).device;
    if (device == -1) {
      lookup.outcome = FailureLookup::Outcome::kUnknownDevice;
      lookup.device = code;
      return lookup;
    }
    lookup.failed.devices.push_back(device);
  }
  for (const auto& ends : request.links) {
    const int a = lookUpDevice(network, ends.first).device;
    const int b = lookUpDevice(network, ends.second).device;
    if (a == -1 || b == -1) {
      lookup.outcome = FailureLookup::Outcome::kUnknownDevice;
      lookup.device = a == -1 ? ends.first : ends.second;
      return lookup;
    }
    bool found = false;
    for (size_t i = 0; i < links.size(); ++i) {
      if ((links[i].from == a && links[i].to == b) ||
          (links[i].from == b && links[i].to == a)) {
        lookup.failed.links.push_back(static_cast<int>(i));
        found = true;
      }
    }
    if (!found) {
      lookup.outcome = FailureLookup::Outcome::kNoSuchLink;
      lookup.ends = ends;
      return lookup;
    }
  }
  for (std::vector<int>* list :
       {&lookup.failed.devices, &lookup.failed.links}) {
    std::sort(list->begin(), list->end());
    list->erase(std::unique(list->begin(), list->end()), list->end());
  }
  return lookup;
}

SurvivorPlan planSurvivors(const Network& network,
                           const std::vector<Link>& links,
                           const FailureSet& failed, bool prim) {
  SurvivorPlan result;
  std::vector<int> newIndex(network.devices.size(), -1);
  for (int i = 0; i < network.deviceCount(); ++i) {
    if (std::binary_search(failed.devices.begin(), failed.devices.end(), i)) {
      continue;
    }
    newIndex[i] = result.survivors.deviceCount();
    result.survivors.devices.push_back(network.devices[i]);
  }
  // Added last one first: the saved order lists each device's links newest
  // first, so this gives back the order of `links`, and of parallel links
  // the carrier stays the carrier.
  std::vector<int> kept;  // positions in `links` of the surviving links
  for (int position = static_cast<int>(links.size()); position-- > 0;) {
    if (!linkSurvives(links, position, failed)) continue;
    const Link& link = links[position];
    addLink(&result.survivors, newIndex[link.from], newIndex[link.to],
            link.latency);
    kept.push_back(position);
  }
  std::reverse(kept.begin(), kept.end());
  if (result.survivors.devices.empty()) {
    result.plan.connected = true;  // nothing left to reach, as Kruskal says
    return result;
  }
  result.plan = prim ? computePrimPlan(latencyMatrixOf(result.survivors))
                     : computeKruskalPlan(result.survivors);
  for (const int position :
       acceptedLinks(result.plan, savedLinks(result.survivors))) {
    result.accepted.push_back(kept[position]);
  }
  return result;
}
