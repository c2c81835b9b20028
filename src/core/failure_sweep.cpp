#include "failure_sweep.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <exception>
#include <mutex>
#include <thread>
#include <utility>

#include "blocks.h"
#include "pair_graph.h"
#include "pair_tally.h"

namespace {

// Each thread keeps a tally per scenario: beyond this many, more threads
// would only cost memory.
constexpr int kMostWorkers = 64;

// What one element of a shortest-path tree stands for in the N-1 report.
struct SweepPlan {
  int deviceCount = 0;
  std::vector<int> latency;  // each pair's, intact
  // For each pair, the scenario whose failure raises its latency (failing
  // its carrier, when no twin is as fast), -1 for none; and the latency
  // then, INF when nothing carries the pair.
  std::vector<int> raisingScenario;
  std::vector<int> raisedLatency;
  // Each pair's block (biconnected component) among the pairs that carry
  // routes, -1 for the others.
  std::vector<int> block;
  // The scenarios measured, by position; empty for every one.
  std::vector<bool> measured;
  // Each device's: exactly two pairs carry its routes, both in one block
  // (a link of a chain), so that whatever fails beyond it leaves it a dead
  // end.
  std::vector<char> chained;

  bool measures(int scenario) const {
    return measured.empty() || measured[static_cast<size_t>(scenario)];
  }
};

// The per-thread state of the sweep: one tree and its subtree layout.
class SourceSweep {
 public:
  SourceSweep(const PairGraph& graph, const SweepPlan& plan,
              size_t scenarioCount)
      : graph_(graph), plan_(plan), tallies_(scenarioCount) {
    const auto n = static_cast<size_t>(plan.deviceCount);
    tree_.total.resize(n);
    place_.resize(n);
    size_.resize(n);
    highest_.resize(n);
    above_.resize(n);
    lowestAbove_.resize(n);
    gate_.resize(n);
    atPlace_.resize(n);
    after_.resize(n);
    nextFree_.resize(n);
    runOf_.assign(n, -1);
    farEndOf_.assign(n, -1);
  }

  const std::vector<PairTally>& tallies() const { return tallies_; }

  // Counts every pair (source, t > source) into the scenarios that change
  // its total.
  void sweep(int source) {
    searchFrom(graph_, plan_.latency, source, &tree_, &treeHeap_);
    layOut();
    for (size_t i = 1; i < tree_.settled.size(); ++i) {
      const int v = tree_.settled[i];
      if (highest_[v] <= source) continue;  // no pair counted below v
      if (runOf_[v] == source) continue;    // counted with its chain
      if (plan_.chained[v] != 0) {
        sweepChain(source, v);
        continue;
      }
      if (farEndOf_[v] == source) continue;  // counted as a chain's far end
      const int pair = tree_.viaPair[v];
      const int scenario = plan_.raisingScenario[pair];
      if (scenario != -1 && plan_.measures(scenario) &&
          plan_.raisedLatency[pair] == INF) {
        measureDevice(source, v, &tallies_[static_cast<size_t>(scenario)]);
      } else {
        if (plan_.measures(v)) measureDevice(source, v, nullptr);
        measureLink(source, v);
      }
    }
  }

 private:
  // Places the tree in depth-first order, so that each subtree is a run
  // of places: place_[v], then size_[v] places from there.
  void layOut() {
    const std::vector<int>& settled = tree_.settled;
    std::fill(place_.begin(), place_.end(), -1);
    const int source = settled[0];
    for (const int v : settled) {
      size_[v] = 1;
      highest_[v] = v;
      above_[v] = v > source ? 1 : 0;
      lowestAbove_[v] = v > source ? v : INT_MAX;
    }
    for (size_t i = settled.size(); i-- > 1;) {
      const int v = settled[i];
      const int parent = parentOf(v);
      size_[parent] += size_[v];
      highest_[parent] = std::max(highest_[parent], highest_[v]);
      above_[parent] += above_[v];
      lowestAbove_[parent] = std::min(lowestAbove_[parent], lowestAbove_[v]);
    }
    // A gate leaves its parent's block: everything below it is reached
    // through its parent only, whatever fails above the parent.
    gate_[source] = 0;
    for (size_t i = 1; i < settled.size(); ++i) {
      const int v = settled[i];
      const int parent = parentOf(v);
      gate_[v] = static_cast<char>(parent != source &&
                                   plan_.block[tree_.viaPair[v]] !=
                                       plan_.block[tree_.viaPair[parent]]);
    }
    // A parent is settled before its children: each child takes the next
    // free run inside its parent's.
    std::vector<int>& nextFree = nextFree_;
    place_[settled[0]] = 0;
    nextFree[settled[0]] = 1;
    for (size_t i = 1; i < settled.size(); ++i) {
      const int v = settled[i];
      const int parent = parentOf(v);
      place_[v] = nextFree[parent];
      nextFree[parent] += size_[v];
      nextFree[v] = place_[v] + 1;
    }
    for (const int v : settled) atPlace_[place_[v]] = v;
  }

  // The link that `v` was reached over failing: v and everything below.
  void measureLink(int source, int v) {
    const int pair = tree_.viaPair[v];
    const int scenario = plan_.raisingScenario[pair];
    if (scenario != -1 && plan_.measures(scenario)) {
      measure(source, &tallies_[static_cast<size_t>(scenario)], place_[v],
              place_[v] + size_[v], -1, pair, plan_.raisedLatency[pair]);
    }
  }

  // The device `v` failing: everything below it, counted into its
  // scenario. Then, unless `cut` is null, the link it was reached over cut
  // instead, counted into `cut`: putting v back, reached from the totals
  // its failure left, only shortens routes, so only the routes it shortens
  // are searched.
  void measureDevice(int source, int v, PairTally* cut) {
    const int begin = place_[v];
    const int end = begin + size_[v];
    PairTally unmeasured;
    measure(source, plan_.measures(v) ? &tallies_[v] : &unmeasured, begin + 1,
            end, v, -1, INF);
    if (cut == nullptr) return;
    // A neighbour across another block than v's own link hangs from v.
    const int via = tree_.viaPair[v];
    int64_t best = kNoRoute;
    for (const PairGraph::Arc* arc = graph_.arcsBegin(v);
         arc != graph_.arcsEnd(v); ++arc) {
      const int u = arc->to;
      const int latency = plan_.latency[arc->pair];
      if (arc->pair == via || !carried(latency) ||
          plan_.block[arc->pair] != plan_.block[via]) {
        continue;
      }
      const bool inRun = place_[u] > begin && place_[u] < end;
      const int64_t reached = inRun ? after_[u] : tree_.total[u];
      if (reached != kNoRoute) best = std::min(best, reached + latency);
    }
    after_[v] = best;
    if (best != kNoRoute) heap_.push(best, v);
    spread(
        [this, begin, end](int x) {
          return place_[x] >= begin && place_[x] < end;
        },
        [this, begin](int p) { return gate_[atPlace_[p]] != 0 && p != begin; });
    for (const int t : searched_) {
      if (t > source) cut->count(source, t, tree_.total[t], after_[t]);
    }
    if (v > source) cut->count(source, v, tree_.total[v], after_[v]);
    for (const int gate : gates_) countBelow(source, gate, -1, cut);
  }

  // The tree runs down a chain from `head`: each device's child is the next.
  // Whatever of the chain fails, every device below the chain is searched
  // again alike (the chain below the failure is a dead end that only its
  // far end reaches), so that search is done once, from the far end's link;
  // the chain devices below the failure are then reached from the far end.
  void sweepChain(int source, int head) {
    const auto [farEnd, farPair] = followChain(source, head);
    const bool reachesFarEnd = tree_.viaPair[farEnd] == farPair;
    // With only some scenarios measured, a chain none of them touches is
    // left alone; its far end is then measured as any other device.
    if (!plan_.measured.empty() &&
        std::none_of(chain_.begin(), chain_.end(),
                     [this](int t) { return touchesMeasured(t); }) &&
        !(reachesFarEnd && touchesMeasured(farEnd))) {
      return;
    }
    PairTally below;  // the devices below the chain
    int64_t farAfter = tree_.total[farEnd];
    if (reachesFarEnd) {
      measureDevice(source, farEnd, &below);
      farAfter = after_[farEnd];
      farEndOf_[farEnd] = source;
      countCut(source, farEnd, below, PairTally{});
    }
    // chainBelow_[m]: the chain devices from place m on, reached from the
    // far end.
    const size_t length = chain_.size();
    chainBelow_.assign(length + 1, PairTally{});
    int64_t reached =
        farAfter == kNoRoute ? kNoRoute : farAfter + plan_.latency[farPair];
    for (size_t m = length; m-- > 0;) {
      const int t = chain_[m];
      chainBelow_[m] = chainBelow_[m + 1];
      if (t > source) chainBelow_[m].count(source, t, tree_.total[t], reached);
      if (reached != kNoRoute) reached += plan_.latency[tree_.viaPair[t]];
    }
    for (size_t m = 0; m < length; ++m) {
      const int t = chain_[m];
      if (plan_.measures(t)) {
        tallies_[static_cast<size_t>(t)].add(below);
        tallies_[static_cast<size_t>(t)].add(chainBelow_[m + 1]);
      }
      countCut(source, t, below, chainBelow_[m]);
    }
  }

  // True when the scenario of `v` failing, or of the link it was reached
  // over failing, is measured.
  bool touchesMeasured(int v) const {
    const int scenario = plan_.raisingScenario[tree_.viaPair[v]];
    return plan_.measures(v) || (scenario != -1 && plan_.measures(scenario));
  }

  // Lists in chain_ the chain the tree runs down from `head`, and returns
  // the device past its end and the pair to it.
  std::pair<int, int> followChain(int source, int head) {
    chain_.clear();
    for (int v = head;;) {
      chain_.push_back(v);
      runOf_[v] = source;
      const PairGraph::Arc& next = onward(v, tree_.viaPair[v]);
      if (plan_.chained[next.to] == 0 || tree_.viaPair[next.to] != next.pair) {
        return {next.to, next.pair};
      }
      v = next.to;
    }
  }

  // The other link of the chain device `v` than `pair`.
  const PairGraph::Arc& onward(int v, int pair) const {
    const PairGraph::Arc* next = graph_.arcsBegin(v);
    while (next->pair == pair || !carried(plan_.latency[next->pair])) ++next;
    return *next;
  }

  // Counts the link that `v` was reached over failing: when that cuts the
  // link, as the two tallies of what it cuts off say; when a twin then
  // carries the pair, by a search of its own.
  void countCut(int source, int v, const PairTally& below,
                const PairTally& chainPart) {
    const int pair = tree_.viaPair[v];
    const int scenario = plan_.raisingScenario[pair];
    if (scenario == -1 || !plan_.measures(scenario)) return;
    if (plan_.raisedLatency[pair] == INF) {
      tallies_[static_cast<size_t>(scenario)].add(below);
      tallies_[static_cast<size_t>(scenario)].add(chainPart);
    } else {
      measureLink(source, v);
    }
  }

  int parentOf(int v) const {
    const auto [a, b] = graph_.ends(tree_.viaPair[v]);
    return a == v ? b : a;
  }

  // The totals of the devices at places [begin, end) once `failedDevice`
  // (-1 for none) fails, or `changedPair` takes `changedLatency`; the rest
  // keep theirs, as their tree routes avoid the failure. Counted into
  // `scenario` for the devices above the source.
  void measure(int source, PairTally* tally, int begin, int end,
               int failedDevice, int changedPair, int changedLatency) {
    auto inRun = [this, begin, end](int v) {
      return place_[v] >= begin && place_[v] < end;
    };
    auto latencyOf = [&](int pair) {
      return pair == changedPair ? changedLatency : plan_.latency[pair];
    };
    // The gates below the failure and what hangs from them are not
    // searched: they follow their parent's change.
    auto skipped = [&](int p) {
      return gate_[atPlace_[p]] != 0 && (changedPair == -1 || p != begin);
    };
    heap_.clear();
    searched_.clear();
    gates_.clear();
    for (int p = begin; p < end; ++p) {
      const int w = atPlace_[p];
      if (skipped(p)) {
        gates_.push_back(w);
        p += size_[w] - 1;
        continue;
      }
      searched_.push_back(w);
      int64_t best = kNoRoute;
      for (const PairGraph::Arc* arc = graph_.arcsBegin(w);
           arc != graph_.arcsEnd(w); ++arc) {
        const int u = arc->to;
        const int latency = latencyOf(arc->pair);
        if (u == failedDevice || inRun(u) || !carried(latency) ||
            tree_.total[u] == kNoRoute) {
          continue;
        }
        best = std::min(best, tree_.total[u] + latency);
      }
      after_[w] = best;
      if (best != kNoRoute) heap_.push(best, w);
    }
    spread(inRun, skipped);
    for (const int t : searched_) {
      if (t > source) tally->count(source, t, tree_.total[t], after_[t]);
    }
    for (const int gate : gates_) countBelow(source, gate, failedDevice, tally);
  }

  // Dijkstra's search from the seeded heap over the devices of the run
  // that are searched.
  template <typename InRun, typename Skipped>
  void spread(const InRun& inRun, const Skipped& skipped) {
    spreadFromHeap(
        graph_, plan_.latency, after_, &heap_, [](int) {},
        // A skipped gate is reached from its parent only, and follows it.
        [&](int x) { return inRun(x) && !skipped(place_[x]); },
        [&](int x, int pair, int64_t through) {
          after_[x] = through;
          if (plan_.chained[x] != 0) {
            followFaster(x, pair, inRun, skipped);
          } else {
            heap_.push(through, x);
          }
        });
  }

  // Carries the total just found for the chain device `v`, reached over
  // `pair`, on down its chain for as long as it is faster, with no heap:
  // a chain device is only a way through. The first device past the chain
  // goes on the heap.
  template <typename InRun, typename Skipped>
  void followFaster(int v, int pair, const InRun& inRun,
                    const Skipped& skipped) {
    for (;;) {
      const PairGraph::Arc& next = onward(v, pair);
      const int x = next.to;
      if (!inRun(x) || skipped(place_[x])) return;
      const int64_t through = after_[v] + plan_.latency[next.pair];
      if (through >= after_[x]) return;
      after_[x] = through;
      if (plan_.chained[x] == 0) {
        heap_.push(through, x);
        return;
      }
      v = x;
      pair = next.pair;
    }
  }

  // Counts the devices below `gate` (itself included), whose totals all
  // move as its parent's does.
  void countBelow(int source, int gate, int failedDevice, PairTally* tally) {
    const int parent = parentOf(gate);
    const int64_t parentAfter =
        parent == failedDevice ? kNoRoute : after_[parent];
    if (parentAfter == kNoRoute) {
      tally->lostPairs += above_[gate];
      return;
    }
    const int64_t rise = parentAfter - tree_.total[parent];
    if (rise == 0 || above_[gate] == 0) return;
    tally->slowerPairs += above_[gate];
    const int t = lowestAbove_[gate];
    tally->consider({source, t, tree_.total[t], tree_.total[t] + rise});
  }

  const PairGraph& graph_;
  const SweepPlan& plan_;
  std::vector<PairTally> tallies_;
  Tree tree_;
  RadixHeap treeHeap_;
  RadixHeap heap_;
  std::vector<int> place_;        // depth-first place in the tree, -1 outside
  std::vector<int> size_;         // devices in the subtree
  std::vector<int> highest_;      // the highest index in the subtree
  std::vector<int> above_;        // devices above the source in the subtree
  std::vector<int> lowestAbove_;  // the lowest of them, INT_MAX for none
  std::vector<char> gate_;        // a mark for each gate (bytes: read often)
  std::vector<int> searched_;     // the devices measure() searched
  std::vector<int> gates_;        // the gates it did not
  std::vector<int> atPlace_;      // the device at each place
  std::vector<int64_t> after_;    // totals once a failure is in
  std::vector<int> nextFree_;     // layOut()'s next free place per device
  // The source whose sweep counted each device with a chain above it, and
  // the one that counted its link as a chain's far end; -1 for none yet.
  std::vector<int> runOf_;
  std::vector<int> farEndOf_;
  std::vector<int> chain_;             // the chain sweepChain() follows
  std::vector<PairTally> chainBelow_;  // its tallies, place by place
};

SweepPlan planSweep(int deviceCount, const std::vector<Link>& links,
                    const PairGraph& graph) {
  SweepPlan plan;
  plan.deviceCount = deviceCount;
  plan.latency = pairLatencies(graph, links, [](int) { return true; });
  std::vector<char> carrying(plan.latency.size());
  std::transform(
      plan.latency.begin(), plan.latency.end(), carrying.begin(),
      [](int latency) { return static_cast<char>(carried(latency)); });
  plan.block = findBlocks(graph, carrying).blockOf;
  plan.chained.assign(static_cast<size_t>(deviceCount), 0);
  for (int v = 0; v < deviceCount; ++v) {
    int carriers = 0;
    int firstBlock = -1;
    bool oneBlock = true;
    for (const PairGraph::Arc* arc = graph.arcsBegin(v);
         arc != graph.arcsEnd(v); ++arc) {
      if (!carried(plan.latency[arc->pair])) continue;
      if (carriers++ == 0) firstBlock = plan.block[arc->pair];
      oneBlock = oneBlock && plan.block[arc->pair] == firstBlock;
    }
    plan.chained[v] = static_cast<char>(carriers == 2 && oneBlock);
  }
  // The scenario of each link that the N-1 report lists.
  std::vector<int> scenarioOf(links.size(), -1);
  int next = deviceCount;
  for (size_t i = 0; i < links.size(); ++i) {
    if (carriesRoutes(links[i])) scenarioOf[i] = next++;
  }
  plan.raisingScenario.assign(static_cast<size_t>(graph.pairCount()), -1);
  plan.raisedLatency.assign(static_cast<size_t>(graph.pairCount()), INF);
  for (int pair = 0; pair < graph.pairCount(); ++pair) {
    const int carrier = graph.carrier(pair, [](int) { return true; });
    const int twin = graph.carrier(
        pair, [carrier](int position) { return position != carrier; });
    const int raised =
        twin == -1 ? INF : normalisedLatency(links[twin].latency);
    if (scenarioOf[carrier] != -1 && raised > plan.latency[pair]) {
      plan.raisingScenario[pair] = scenarioOf[carrier];
      plan.raisedLatency[pair] = raised;
    }
  }
  return plan;
}

// Runs `task(worker, i)` for i in [0, count) over `workers` threads, the
// calling one included; `done(finished)` is called on the calling thread
// after each of its tasks. Falls back to fewer threads when the system
// grants fewer. What a task throws (memory running out, say) stops the
// others at their next task and is thrown again here once every thread
// has ended, so that no thread outlives the call.
template <typename Task, typename Done>
void runTasks(int workers, int count, const Task& task, const Done& done) {
  std::atomic<int> nextTask{0};
  std::atomic<int> finished{0};
  std::mutex failure;
  std::exception_ptr thrown;
  auto work = [&](int worker, bool reports) {
    try {
      for (int i = nextTask.fetch_add(1); i < count;
           i = nextTask.fetch_add(1)) {
        task(worker, i);
        const int total = finished.fetch_add(1) + 1;
        if (reports) done(total);
      }
    } catch (...) {
      nextTask = count;
      const std::lock_guard<std::mutex> lock(failure);
      if (!thrown) thrown = std::current_exception();
    }
  };
  std::vector<std::thread> threads;
  try {
    threads.reserve(static_cast<size_t>(std::max(workers - 1, 0)));
    for (int worker = 1; worker < workers; ++worker) {
      threads.emplace_back(work, worker, false);
    }
  } catch (const std::exception&) {
    // The threads started share the work.
  }
  work(0, true);
  for (std::thread& thread : threads) thread.join();
  if (thrown) std::rethrow_exception(thrown);
}

}  // namespace

std::vector<ScenarioFigures> sweepSingleFailures(int deviceCount,
                                                 const std::vector<Link>& links,
                                                 const SweepOptions& options) {
  const std::vector<FailureSet> failures = singleFailures(deviceCount, links);
  std::vector<ScenarioFigures> figures(failures.size());
  const PairGraph graph(deviceCount, links);
  SweepPlan plan = planSweep(deviceCount, links, graph);

  // Parts: only a single point of failure splits a part; a device with no
  // link that carries routes takes its part with it.
  const int intactParts = countParts(deviceCount, links, FailureSet{});
  const SinglePoints points = findSinglePoints(deviceCount, links);
  std::vector<bool> linked(static_cast<size_t>(deviceCount), false);
  for (const Link& link : links) {
    if (carriesRoutes(link)) linked[link.from] = linked[link.to] = true;
  }
  std::vector<int> splitting;  // scenarios of single points
  for (size_t i = 0; i < failures.size(); ++i) {
    ScenarioFigures& scenario = figures[i];
    scenario.failed = failures[i];
    scenario.parts = intactParts;
    if (!failures[i].devices.empty()) {
      const int device = failures[i].devices[0];
      if (std::binary_search(points.devices.begin(), points.devices.end(),
                             device)) {
        splitting.push_back(static_cast<int>(i));
      } else if (!linked[device]) {
        --scenario.parts;
      }
    } else if (std::binary_search(points.links.begin(), points.links.end(),
                                  failures[i].links[0])) {
      splitting.push_back(static_cast<int>(i));
    }
  }
  if (options.singlePointsOnly) {
    plan.measured.assign(failures.size(), false);
    for (const int scenario : splitting) plan.measured[scenario] = true;
  }

  const int sources = deviceCount;
  const int tasks = sources + static_cast<int>(splitting.size());
  int workers = options.workers > 0
                    ? options.workers
                    : static_cast<int>(std::thread::hardware_concurrency());
  workers = std::max(1, std::min({workers, tasks, kMostWorkers}));
  std::vector<SourceSweep> sweeps;
  sweeps.reserve(static_cast<size_t>(workers));
  for (int w = 0; w < workers; ++w) {
    sweeps.emplace_back(graph, plan, figures.size());
  }
  const int scenarioCount = static_cast<int>(figures.size());
  runTasks(
      workers, tasks,
      [&](int worker, int task) {
        if (task < sources) {
          sweeps[static_cast<size_t>(worker)].sweep(task);
          return;
        }
        ScenarioFigures& scenario =
            figures[static_cast<size_t>(splitting[task - sources])];
        scenario.parts = countParts(deviceCount, links, scenario.failed);
        scenario.cutOff = cutOffDevices(deviceCount, links, scenario.failed);
      },
      [&](int finished) {
        if (options.progress) {
          options.progress(static_cast<int>(static_cast<long long>(finished) *
                                            scenarioCount / tasks),
                           scenarioCount);
        }
      });

  for (size_t i = 0; i < figures.size(); ++i) {
    PairTally tally;
    for (const SourceSweep& sweep : sweeps) tally.add(sweep.tallies()[i]);
    tally.copyTo(&figures[i]);
  }
  if (options.progress) options.progress(scenarioCount, scenarioCount);
  return figures;
}

namespace {

// A scenario's figures before any pair is counted: its failures, its parts
// and the devices it cuts off.
ScenarioFigures uncountedFigures(int deviceCount,
                                 const std::vector<Link>& links,
                                 const FailureSet& failed) {
  ScenarioFigures figures;
  figures.failed = failed;
  figures.parts = countParts(deviceCount, links, failed);
  figures.cutOff = cutOffDevices(deviceCount, links, failed);
  return figures;
}

// The pair latencies the matrix would hold once `failed` is down.
std::vector<int> latenciesAfter(const PairGraph& graph,
                                const std::vector<Link>& links,
                                const FailureSet& failed) {
  return pairLatencies(graph, links, [&](int position) {
    return linkSurvives(links, position, failed);
  });
}

}  // namespace

ScenarioFigures sparseScenarioFigures(int deviceCount,
                                      const std::vector<Link>& links,
                                      const FailureSet& failed) {
  ScenarioFigures figures = uncountedFigures(deviceCount, links, failed);
  const PairGraph graph(deviceCount, links);
  const std::vector<int> before =
      pairLatencies(graph, links, [](int) { return true; });
  const std::vector<int> after = latenciesAfter(graph, links, failed);
  // A pair whose latency went up is met when a tree runs over it; one that
  // went down may shorten any route.
  std::vector<bool> raised(static_cast<size_t>(graph.pairCount()), false);
  bool lowered = false;
  for (int pair = 0; pair < graph.pairCount(); ++pair) {
    raised[pair] = after[pair] > before[pair];
    lowered = lowered || after[pair] < before[pair];
  }
  std::vector<bool> down(static_cast<size_t>(deviceCount), false);
  for (const int device : failed.devices) down[device] = true;

  Tree intact;
  Tree scenario;
  intact.total.resize(static_cast<size_t>(deviceCount));
  scenario.total.resize(static_cast<size_t>(deviceCount));
  RadixHeap heap;
  PairTally tally;
  for (int s = 0; s < deviceCount; ++s) {
    if (down[s]) continue;
    searchFrom(graph, before, s, &intact, &heap);
    const bool meets =
        lowered ||
        std::any_of(intact.settled.begin() + 1, intact.settled.end(),
                    [&](int t) { return raised[intact.viaPair[t]]; });
    if (!meets) continue;  // every total from s is as it was
    searchFrom(graph, after, s, &scenario, &heap);
    for (int t = s + 1; t < deviceCount; ++t) {
      if (!down[t]) tally.count(s, t, intact.total[t], scenario.total[t]);
    }
  }
  tally.copyTo(&figures);
  return figures;
}

// One scenario as the kept trees see it, and what its measurement works
// with source after source.
struct Rescan {
  Rescan(const std::vector<int>& pairAfter, size_t deviceCount)
      : after(pairAfter),
        down(deviceCount, false),
        total(deviceCount),
        brokenFor(deviceCount, -1),
        renewed(deviceCount) {}

  const std::vector<int>& after;  // each pair's latency in the scenario
  std::vector<bool> raised;       // each pair's: slower than intact
  std::vector<bool> down;         // each device's: failed
  // Per source: the intact totals, the source that last found each
  // device's tree route broken, the new totals of those devices, and the
  // devices themselves.
  std::vector<int64_t> total;
  std::vector<int> brokenFor;
  std::vector<int64_t> renewed;
  std::vector<int> broken;
  RadixHeap heap;
};

// Each source's intact tree: the devices in the order they were settled
// (the source first) and the pair each was reached over, in rows of
// deviceCount entries.
struct ScenarioMeter::Trees {
  Trees(int deviceCount, const std::vector<Link>& links)
      : graph(deviceCount, links),
        latency(pairLatencies(graph, links, [](int) { return true; })),
        settledCount(static_cast<size_t>(deviceCount)),
        settled(static_cast<size_t>(deviceCount) *
                static_cast<size_t>(deviceCount)),
        viaPair(settled.size()) {
    Tree tree;
    tree.total.resize(static_cast<size_t>(deviceCount));
    RadixHeap heap;
    for (int s = 0; s < deviceCount; ++s) {
      searchFrom(graph, latency, s, &tree, &heap);
      settledCount[s] = static_cast<int>(tree.settled.size());
      std::copy(tree.settled.begin(), tree.settled.end(), row(&settled, s));
      std::copy(tree.viaPair.begin(), tree.viaPair.end(), row(&viaPair, s));
    }
  }

  int* row(std::vector<int>* rows, int source) const {
    return rows->data() + static_cast<size_t>(source) * settledCount.size();
  }
  const int* row(const std::vector<int>& rows, int source) const {
    return rows.data() + static_cast<size_t>(source) * settledCount.size();
  }

  // Walks the tree of `s`, giving every device its intact total, and
  // lists the devices whose tree route the scenario breaks (the failed
  // ones aside). The others keep their totals: nothing got faster, so an
  // unbroken route stays a fastest one.
  void findBroken(int s, Rescan* scan) const {
    const int* order = row(settled, s);
    const int* via = row(viaPair, s);
    scan->broken.clear();
    std::fill(scan->total.begin(), scan->total.end(), kNoRoute);
    scan->total[s] = 0;
    for (int k = 1; k < settledCount[s]; ++k) {
      const int v = order[k];
      const int pair = via[v];
      const auto [a, b] = graph.ends(pair);
      const int parent = a == v ? b : a;
      scan->total[v] = scan->total[parent] + latency[pair];
      if (scan->down[v] || scan->brokenFor[parent] == s || scan->raised[pair]) {
        scan->brokenFor[v] = s;
        if (!scan->down[v]) scan->broken.push_back(v);
      }
    }
  }

  // Searches the broken devices of `s` again, seeded from the unbroken
  // ones around them, into scan->renewed.
  void searchBroken(int s, Rescan* scan) const {
    const auto searched = [scan, s](int device) {
      return !scan->down[device] && scan->brokenFor[device] == s;
    };
    scan->heap.clear();
    for (const int w : scan->broken) {
      int64_t best = kNoRoute;
      for (const PairGraph::Arc* arc = graph.arcsBegin(w);
           arc != graph.arcsEnd(w); ++arc) {
        if (!scan->down[arc->to] && !searched(arc->to) &&
            carried(scan->after[arc->pair]) &&
            scan->total[arc->to] != kNoRoute) {
          best = std::min(best, scan->total[arc->to] + scan->after[arc->pair]);
        }
      }
      scan->renewed[w] = best;
      if (best != kNoRoute) scan->heap.push(best, w);
    }
    spreadFromHeap(
        graph, scan->after, scan->renewed, &scan->heap, [](int) {}, searched,
        [scan](int x, int, int64_t through) {
          scan->renewed[x] = through;
          scan->heap.push(through, x);
        });
  }

  PairGraph graph;
  std::vector<int> latency;  // each pair's, intact
  std::vector<int> settledCount;
  std::vector<int> settled;
  std::vector<int> viaPair;
};

ScenarioMeter::ScenarioMeter(int deviceCount, std::vector<Link> links)
    : deviceCount_(deviceCount), links_(std::move(links)) {
  if (deviceCount <= kMostKeptDevices) {
    trees_ = std::make_unique<const Trees>(deviceCount, links_);
  }
}

ScenarioMeter::~ScenarioMeter() = default;

ScenarioFigures ScenarioMeter::measure(const FailureSet& failed) const {
  if (trees_ == nullptr) {
    return sparseScenarioFigures(deviceCount_, links_, failed);
  }
  const PairGraph& graph = trees_->graph;
  const std::vector<int>& before = trees_->latency;
  const std::vector<int> after = latenciesAfter(graph, links_, failed);
  // A faster pair may shorten any route: no tree can be trusted.
  for (int pair = 0; pair < graph.pairCount(); ++pair) {
    if (after[pair] < before[pair]) {
      return sparseScenarioFigures(deviceCount_, links_, failed);
    }
  }
  Rescan scan(after, static_cast<size_t>(deviceCount_));
  scan.raised.resize(after.size());
  for (size_t pair = 0; pair < after.size(); ++pair) {
    scan.raised[pair] = after[pair] > before[pair];
  }
  for (const int device : failed.devices) scan.down[device] = true;

  ScenarioFigures figures = uncountedFigures(deviceCount_, links_, failed);
  PairTally tally;
  for (int s = 0; s < deviceCount_; ++s) {
    if (scan.down[s]) continue;
    trees_->findBroken(s, &scan);
    if (scan.broken.empty()) continue;
    trees_->searchBroken(s, &scan);
    for (const int t : scan.broken) {
      if (t > s) tally.count(s, t, scan.total[t], scan.renewed[t]);
    }
  }
  tally.copyTo(&figures);
  return figures;
}
