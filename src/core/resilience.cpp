#include "resilience.h"

#include <algorithm>
#include <climits>
#include <numeric>

namespace {

int entryIndex(int a, int b) {
  return std::min(a, b) * MAX_DEVICES + std::max(a, b);
}

std::uint64_t deviceBit(int device) { return std::uint64_t{1} << device; }

// Whatever exceeds kLargestLatency reads as no link or no route.
int normalised(int latency) { return latency > kLargestLatency ? INF : latency; }

bool inList(const std::vector<int>& sorted, int value) {
  return std::binary_search(sorted.begin(), sorted.end(), value);
}

// Parts as a union-find forest with path halving.
class Parts {
 public:
  explicit Parts(int count) : parent_(static_cast<size_t>(count)) {
    std::iota(parent_.begin(), parent_.end(), 0);
  }
  int find(int x) {
    while (parent_[x] != x) {
      parent_[x] = parent_[parent_[x]];
      x = parent_[x];
    }
    return x;
  }
  void join(int a, int b) { parent_[find(a)] = find(b); }

 private:
  std::vector<int> parent_;
};

// The parts of the scenario's network; failed devices stay alone.
Parts scenarioParts(int deviceCount, const std::vector<TopologyLink>& links,
                    const FailureSet& failed) {
  Parts parts(deviceCount);
  for (size_t i = 0; i < links.size(); ++i) {
    const TopologyLink& link = links[i];
    if (!carriesRoutes(link) || inList(failed.links, static_cast<int>(i)) ||
        inList(failed.devices, link.from) || inList(failed.devices, link.to)) {
      continue;
    }
    parts.join(link.from, link.to);
  }
  return parts;
}

// A topology record holding the links that did not fail and no device
// details, so that the matrix comes from latencyMatrixOf itself. Links go
// in from the last listed to the first: each device's list then holds
// parallel links in their original order, and the matrix keeps the same
// one of them. The record owns its arcs.
class ScenarioRecord {
 public:
  ScenarioRecord(int deviceCount, const std::vector<TopologyLink>& links,
                 const FailureSet& failed)
      : graph_() {
    graph_.deviceCount = deviceCount;
    for (size_t i = links.size(); i-- > 0;) {
      const TopologyLink& link = links[i];
      if (inList(failed.links, static_cast<int>(i)) ||
          inList(failed.devices, link.from) || inList(failed.devices, link.to)) {
        continue;
      }
      addLink(&graph_, link.from, link.to, link.latency);
      ++graph_.linkCount;
    }
  }
  ~ScenarioRecord() { releaseArcs(&graph_); }
  ScenarioRecord(const ScenarioRecord&) = delete;
  ScenarioRecord& operator=(const ScenarioRecord&) = delete;

  const TopologyGraph& graph() const { return graph_; }

 private:
  TopologyGraph graph_;
};

// The scenario's latency between two devices by the matrix's rule for
// parallel links: the first added of those left, which a saved file lists
// last. INF when none is left.
int scenarioLatency(const std::vector<TopologyLink>& links,
                    const FailureSet& failed, int a, int b) {
  int latency = INF;
  for (size_t i = 0; i < links.size(); ++i) {
    const TopologyLink& link = links[i];
    const bool joins = (link.from == a && link.to == b) ||
                       (link.from == b && link.to == a);
    if (joins && !inList(failed.links, static_cast<int>(i))) {
      latency = link.latency;
    }
  }
  return latency;
}

// Fastest totals from `source` over a dense matrix (Dijkstra, O(n^2)).
// Totals above kLargestLatency are left as INF: they are no route.
void fastestTotals(int n, const int (&matrix)[MAX_DEVICES][MAX_DEVICES],
                   int source, int (&total)[MAX_DEVICES]) {
  bool settled[MAX_DEVICES] = {};
  for (int v = 0; v < n; ++v) total[v] = INF;
  total[source] = 0;
  for (;;) {
    int u = -1;
    for (int v = 0; v < n; ++v) {
      if (!settled[v] && total[v] <= kLargestLatency &&
          (u == -1 || total[v] < total[u])) {
        u = v;
      }
    }
    if (u == -1) return;
    settled[u] = true;
    for (int v = 0; v < n; ++v) {
      const int latency = matrix[u][v];
      if (settled[v] || latency > kLargestLatency) continue;
      const int through = total[u] + latency;  // at most 2 * 32766
      if (through < total[v] && through <= kLargestLatency) total[v] = through;
    }
  }
}

// A scenario's matrix, with what the failure did to the intact one.
struct ScenarioMatrix {
  int latency[MAX_DEVICES][MAX_DEVICES];
  std::uint64_t failedDevices = 0;  // a bit per index
  DevicePairSet raised;             // entries that went up
  bool lowered = false;             // some entry went down
};

ScenarioMatrix scenarioMatrixOf(const IntactNetwork& intact,
                                const FailureSet& failed) {
  const int n = intact.deviceCount;
  ScenarioMatrix scenario;
  auto& matrix = scenario.latency;
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) matrix[i][j] = intact.latency.at(i, j);
  }
  for (const int d : failed.devices) {
    scenario.failedDevices |= deviceBit(d);
    for (int j = 0; j < n; ++j) matrix[d][j] = matrix[j][d] = INF;
  }
  for (const int position : failed.links) {
    const TopologyLink& link = intact.links[position];
    const int a = link.from;
    const int b = link.to;
    if (a == b ||
        (scenario.failedDevices & (deviceBit(a) | deviceBit(b))) != 0) {
      continue;
    }
    const int before = normalised(matrix[a][b]);
    const int after = normalised(scenarioLatency(intact.links, failed, a, b));
    matrix[a][b] = matrix[b][a] = after;
    if (after > before) scenario.raised.set(static_cast<size_t>(entryIndex(a, b)));
    if (after < before) scenario.lowered = true;
  }
  return scenario;
}

// Counts the pair s < t with its totals before and after the failure.
void countPair(int s, int t, int before, int after, ScenarioFigures* figures) {
  if (before > kLargestLatency) return;
  if (after > kLargestLatency) {
    ++figures->lostPairs;
    return;
  }
  if (after <= before) return;
  ++figures->slowerPairs;
  // Pairs come in ascending order: only a strictly larger increase
  // displaces the pair found first.
  if (!figures->hasWorst ||
      after - before > figures->worst.after - figures->worst.before) {
    figures->hasWorst = true;
    figures->worst = {s, t, before, after};
  }
}

// Tarjan's low-link search from `root`, recursive: 40 devices at most.
struct LowLinkSearch {
  struct Arc {
    int target;
    int link;  // position in the link list
  };
  std::vector<std::vector<Arc>> arcs;
  std::vector<int> order;  // discovery time, -1 while unvisited
  std::vector<int> low;
  std::vector<bool> cutDevice;
  std::vector<bool> bridge;  // by link position
  int clock = 0;

  void visit(int v, int viaLink) {
    order[v] = low[v] = clock++;
    int children = 0;
    for (const Arc& arc : arcs[v]) {
      if (arc.link == viaLink) continue;  // a parallel twin is another link
      if (order[arc.target] == -1) {
        ++children;
        visit(arc.target, arc.link);
        low[v] = std::min(low[v], low[arc.target]);
        if (low[arc.target] > order[v]) bridge[arc.link] = true;
        if (viaLink != -1 && low[arc.target] >= order[v]) cutDevice[v] = true;
      } else {
        low[v] = std::min(low[v], order[arc.target]);
      }
    }
    if (viaLink == -1 && children > 1) cutDevice[v] = true;
  }
};

}  // namespace

bool hasNegativeLink(const std::vector<TopologyLink>& links) {
  return std::any_of(links.begin(), links.end(),
                     [](const TopologyLink& link) { return link.latency < 0; });
}

bool carriesRoutes(const TopologyLink& link) {
  return link.from != link.to && link.latency >= 0 &&
         link.latency <= kLargestLatency;
}

int countParts(int deviceCount, const std::vector<TopologyLink>& links,
               const FailureSet& failed) {
  Parts parts = scenarioParts(deviceCount, links, failed);
  int count = 0;
  for (int v = 0; v < deviceCount; ++v) {
    if (!inList(failed.devices, v) && parts.find(v) == v) ++count;
  }
  return count;
}

std::vector<int> cutOffDevices(int deviceCount,
                               const std::vector<TopologyLink>& links,
                               const FailureSet& failed) {
  Parts before = scenarioParts(deviceCount, links, FailureSet{});
  Parts after = scenarioParts(deviceCount, links, failed);
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

SinglePoints findSinglePoints(int deviceCount,
                              const std::vector<TopologyLink>& links) {
  LowLinkSearch search;
  search.arcs.resize(static_cast<size_t>(deviceCount));
  for (size_t i = 0; i < links.size(); ++i) {
    const TopologyLink& link = links[i];
    if (!carriesRoutes(link)) continue;
    search.arcs[link.from].push_back({link.to, static_cast<int>(i)});
    search.arcs[link.to].push_back({link.from, static_cast<int>(i)});
  }
  search.order.assign(static_cast<size_t>(deviceCount), -1);
  search.low.assign(static_cast<size_t>(deviceCount), 0);
  search.cutDevice.assign(static_cast<size_t>(deviceCount), false);
  search.bridge.assign(links.size(), false);
  for (int v = 0; v < deviceCount; ++v) {
    if (search.order[v] == -1) search.visit(v, -1);
  }
  SinglePoints points;
  for (int v = 0; v < deviceCount; ++v) {
    if (search.cutDevice[v]) points.devices.push_back(v);
  }
  for (size_t i = 0; i < links.size(); ++i) {
    if (search.bridge[i]) points.links.push_back(static_cast<int>(i));
  }
  return points;
}

std::vector<FailureSet> singleFailures(int deviceCount,
                                       const std::vector<TopologyLink>& links) {
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

IntactNetwork analyseIntact(int deviceCount,
                            const std::vector<TopologyLink>& links) {
  IntactNetwork intact;
  intact.deviceCount = deviceCount;
  intact.links = links;
  {
    const ScenarioRecord record(deviceCount, links, FailureSet{});
    intact.latency = latencyMatrixOf(record.graph());
  }
  intact.routes = computeFloydRoutes(intact.latency);
  intact.routeEntries.assign(static_cast<size_t>(deviceCount), {});
  intact.routeDevices.assign(static_cast<size_t>(deviceCount), 0);
  for (int s = 0; s < deviceCount; ++s) {
    for (int t = s + 1; t < deviceCount; ++t) {
      if (intact.routes.distance[s][t] > kLargestLatency) continue;
      const std::vector<int> hops = unfoldRoute(intact.routes, s, t);
      for (size_t h = 1; h < hops.size(); ++h) {
        intact.routeEntries[s].set(
            static_cast<size_t>(entryIndex(hops[h - 1], hops[h])));
        if (h + 1 < hops.size()) intact.routeDevices[s] |= deviceBit(hops[h]);
      }
    }
  }
  return intact;
}

ScenarioFigures scenarioFigures(const IntactNetwork& intact,
                                const FailureSet& failed) {
  const int n = intact.deviceCount;
  ScenarioFigures figures;
  figures.failed = failed;
  figures.parts = countParts(n, intact.links, failed);
  const ScenarioMatrix scenario = scenarioMatrixOf(intact, failed);
  const std::uint64_t failedDevices = scenario.failedDevices;
  const auto& matrix = scenario.latency;

  int total[MAX_DEVICES];
  for (int s = 0; s < n; ++s) {
    if ((failedDevices & deviceBit(s)) != 0) continue;
    const bool searchAgain = scenario.lowered ||
                             (intact.routeDevices[s] & failedDevices) != 0 ||
                             (intact.routeEntries[s] & scenario.raised).any();
    if (!searchAgain) continue;  // every route from s is as it was
    fastestTotals(n, matrix, s, total);
    for (int t = s + 1; t < n; ++t) {
      if ((failedDevices & deviceBit(t)) != 0) continue;
      countPair(s, t, intact.routes.distance[s][t], total[t], &figures);
    }
  }
  return figures;
}

RouteReport routeWithBackup(int deviceCount,
                            const std::vector<TopologyLink>& links,
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

  // One Floyd pass over a scenario's matrix: the route, and the links its
  // hops run over (the ones whose latency the matrix holds) added to
  // `spent`.
  auto fastest = [&](const FailureSet& scenario, Route* route,
                     FailureSet* spent) {
    const ScenarioRecord record(deviceCount, links, scenario);
    const FloydRoutes routes = computeFloydRoutes(latencyMatrixOf(record.graph()));
    if (routes.distance[from][to] > kLargestLatency) return false;
    route->latency = routes.distance[from][to];
    route->devices = unfoldRoute(routes, from, to);
    if (spent == nullptr) return true;
    for (size_t h = 1; h < route->devices.size(); ++h) {
      const int a = route->devices[h - 1];
      const int b = route->devices[h];
      int carrier = -1;
      for (size_t i = 0; i < links.size(); ++i) {
        const bool joins = (links[i].from == a && links[i].to == b) ||
                           (links[i].from == b && links[i].to == a);
        if (joins && !inList(scenario.links, static_cast<int>(i))) {
          carrier = static_cast<int>(i);
        }
      }
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
                                   const std::vector<TopologyLink>& links,
                                   const ResilienceQuery& query) {
  ResilienceReport report;
  report.singleScenario = query.singleScenario;
  report.deviceCount = deviceCount;
  report.linkCount = static_cast<int>(links.size());
  report.parts = countParts(deviceCount, links, FailureSet{});
  report.singlePoints = findSinglePoints(deviceCount, links);
  for (const int device : report.singlePoints.devices) {
    report.cutOff.push_back(cutOffDevices(deviceCount, links, {{device}, {}}));
  }
  for (const int link : report.singlePoints.links) {
    report.cutOff.push_back(cutOffDevices(deviceCount, links, {{}, {link}}));
  }
  const IntactNetwork intact = analyseIntact(deviceCount, links);
  if (query.singleScenario) {
    report.scenarios.push_back(scenarioFigures(intact, query.failed));
  } else {
    for (const FailureSet& failed : singleFailures(deviceCount, links)) {
      report.scenarios.push_back(scenarioFigures(intact, failed));
    }
  }
  if (query.route) {
    report.hasRoute = true;
    report.route = routeWithBackup(
        deviceCount, links,
        query.singleScenario ? query.failed : FailureSet{}, query.routeFrom,
        query.routeTo);
  }
  return report;
}

FailureLookup lookUpFailures(const TopologyGraph& g,
                             const std::vector<TopologyLink>& links,
                             const FailureRequest& request) {
  FailureLookup lookup;
  for (const std::string& code : request.devices) {
    const int device = findDevice(g, code);
    if (device == -1) {
      lookup.outcome = FailureLookup::Outcome::kUnknownDevice;
      lookup.device = code;
      return lookup;
    }
    lookup.failed.devices.push_back(device);
  }
  for (const auto& ends : request.links) {
    const int a = findDevice(g, ends.first);
    const int b = findDevice(g, ends.second);
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
  for (std::vector<int>* list : {&lookup.failed.devices, &lookup.failed.links}) {
    std::sort(list->begin(), list->end());
    list->erase(std::unique(list->begin(), list->end()), list->end());
  }
  return lookup;
}
