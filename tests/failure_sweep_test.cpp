// The N-1 sweep, the single scenario over adjacency lists and scenarios
// measured from kept trees, against the matrix's own per-scenario figures, on
// operator-like networks with parallel links, self-links, 0 ms links, links
// that carry nothing and several parts.
#include "failure_sweep.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "network.h"
#include "resilience.h"
#include "support/dense_routes.h"
#include "support/dense_scenarios.h"
#include "support/networks.h"
#include "support/operator_network.h"

namespace {

std::string describe(const ScenarioFigures& figures) {
  std::ostringstream text;
  text << "devices";
  for (const int d : figures.failed.devices) text << ' ' << d;
  text << " links";
  for (const int l : figures.failed.links) text << ' ' << l;
  text << " | parts " << figures.parts << " lost " << figures.lostPairs
       << " slower " << figures.slowerPairs;
  if (figures.hasWorst) {
    text << " worst " << figures.worst.from << '-' << figures.worst.to << ' '
         << figures.worst.before << "->" << figures.worst.after;
  }
  text << " | cut off";
  for (const int d : figures.cutOff) text << ' ' << d;
  return text.str();
}

// An operator network with unusual latencies, then a second, smaller one
// beside it and a device with no link: three parts or more.
Network withParts(int devices, unsigned seed) {
  Network network =
      networks::operatorNetwork(devices, seed, networks::Latencies::kUnusual);
  const Network other = networks::operatorNetwork(
      devices / 5, seed + 1000, networks::Latencies::kUnusual);
  const int offset = network.deviceCount();
  for (const Device& device : other.devices) network.devices.push_back(device);
  for (const Link& link : other.links) {
    addLink(&network, link.from + offset, link.to + offset, link.latency);
  }
  network.devices.push_back({"ALONE", "孤立设备", 1, "1h"});
  return network;
}

std::vector<ScenarioFigures> sweep(const std::vector<Link>& links, int n,
                                   int workers) {
  SweepOptions options;
  options.workers = workers;
  return sweepSingleFailures(n, links, options);
}

// Small networks where the matrix's rules decide: a younger twin faster,
// as fast and slower than the carrier; a carrier of 32767 ms or more
// beside a twin that carries routes; 0 ms links; a chain too long to
// reach across; self-links; what hangs from a cut device.
const char* const kHandMade[][2] = {
    {"A B C D", "A B 5  B A 2  B C 4  C D 1  D A 9"},
    {"A B C D", "A B 5  B A 5  B C 4  C D 1  D A 9"},
    {"A B C D", "A B 5  B A 8  B C 4  C D 1  D A 9"},
    {"A B C", "A B 40000  A B 3  B C 2  C A 32767"},
    {"A B C D E", "A B 0  B C 0  C D 0  D E 0  E A 0  A A 4"},
    {"A B C D", "A B 20000  B C 20000  C D 1  D A 32766"},
    {"A B C D E F", "A B 1  B C 1  C A 1  D E 1  E F 1  C C 2  F F 0"},
    // A ring hanging from a cut device, and a spur whose far end falls out
    // of reach when the route to the cut device grows.
    {"A B C D E", "A B 1  B C 1  C A 1  C D 1  D E 1  E C 1"},
    {"A B C D E", "A B 1  B C 16000  C A 1  C D 16000  D E 16000"},
    // Chains of devices with two links: a ring of nothing else; one whose
    // middle link has a slower twin; three chains between two devices; a
    // chain of 0 ms links; equal routes everywhere; a chain that ends in a
    // spur and one that the tree enters from both ends.
    {"A B C D E F", "A B 1  B C 2  C D 3  D E 4  E F 5  F A 6"},
    {"A B C D", "A B 1  B C 2  C B 7  C D 3  D A 4  A C 9"},
    {"A B C D E F", "A C 1  C B 1  A D 2  D E 2  E B 2  A F 5  F B 1"},
    {"A B C D E", "A B 0  B C 0  C D 5  D A 0  A C 3  C E 1  E A 1"},
    {"A B C D", "A B 1  B C 1  C D 1  D A 1  A C 2  B D 2"},
    {"A B C D E F G", "A B 2  B C 2  C D 2  D A 9  A C 5  D E 1  E F 1  F G 1"},
    {"A B C D E F G H",
     "A B 3  B C 1  C D 1  D E 1  E F 1  F G 1  G H 3  H A 1  A E 2"},
};

TEST(FailureSweep, HandMadeNetworksMatchTheMatrix) {
  for (const auto& [codes, records] : kHandMade) {
    const Network network = networks::build(codes, records);
    const int n = network.deviceCount();
    const std::vector<Link> links = savedLinks(network);
    const dense::IntactNetwork intact = dense::analyseIntact(n, links);
    const std::vector<ScenarioFigures> swept = sweep(links, n, 1);
    const std::vector<FailureSet> failures = singleFailures(n, links);
    const ScenarioMeter meter(n, links);
    ASSERT_EQ(swept.size(), failures.size()) << records;
    for (size_t i = 0; i < failures.size(); ++i) {
      const std::string expected =
          describe(dense::scenarioFigures(intact, failures[i]));
      EXPECT_EQ(describe(swept[i]), expected) << records;
      EXPECT_EQ(describe(sparseScenarioFigures(n, links, failures[i])),
                expected)
          << records;
      EXPECT_EQ(describe(meter.measure(failures[i])), expected) << records;
    }
  }
}

// Totals beyond 32766 ms are routes: a chain of one part whose ends are
// 48,483 ms apart, a slowdown to 60,000 ms; a link of 40,000 ms carries
// nothing and joins no parts. Each case: the network, the N-1 report's
// scenario (devices, then links, in order) and its figures from every
// engine, and the route from the first device to the last.
struct LongTotalCase {
  const char* codes;
  const char* records;
  size_t scenario;
  const char* figures;
  long long route;  // -1 for none
};
const LongTotalCase kLongTotals[] = {
    {"A B C D", "A B 20000  B C 20000  C D 8483", 6,
     "devices links 2 | parts 2 lost 3 slower 0 | cut off 3", 48483},
    {"A B C D", "A B 20000  B C 20000  C D 8483", 1,
     "devices 1 links | parts 2 lost 2 slower 0 | cut off 0", 48483},
    {"A B C", "A B 30000  B C 30000  C A 1", 3,
     "devices links 0 | parts 1 lost 0 slower 1 worst 0-2 1->60000 | cut off",
     1},
    {"A B C", "A B 30000  B C 30000  C A 1", 4,
     "devices links 1 | parts 1 lost 0 slower 1 worst 0-1 30000->30001 | cut "
     "off",
     1},
    {"A B C", "A B 40000  B C 1", 1,
     "devices 1 links | parts 2 lost 0 slower 0 | cut off", -1},
};

TEST(FailureSweep, TotalsBeyondTheMenusCapAreRoutes) {
  for (const LongTotalCase& c : kLongTotals) {
    SCOPED_TRACE(c.records);
    const Network network = networks::build(c.codes, c.records);
    const int n = network.deviceCount();
    const std::vector<Link> links = savedLinks(network);
    const std::vector<FailureSet> failures = singleFailures(n, links);
    ASSERT_LT(c.scenario, failures.size());
    const FailureSet& failed = failures[c.scenario];
    EXPECT_EQ(describe(sweep(links, n, 1)[c.scenario]), c.figures);
    EXPECT_EQ(describe(sparseScenarioFigures(n, links, failed)), c.figures);
    EXPECT_EQ(describe(ScenarioMeter(n, links).measure(failed)), c.figures);
    EXPECT_EQ(describe(dense::scenarioFigures(dense::analyseIntact(n, links),
                                              failed)),
              c.figures);
    const RouteReport route = routeWithBackup(n, links, {}, 0, n - 1);
    EXPECT_EQ(route.hasPrimary ? route.primary.latency : -1, c.route);
  }
}

// Every single failure and a few failures of many elements at once.
TEST(FailureSweep, SingleScenarioMatchesTheMatrix) {
  for (const unsigned seed : {1u, 2u, 3u, 4u}) {
    const Network network = withParts(40 + 10 * static_cast<int>(seed), seed);
    const int n = network.deviceCount();
    const std::vector<Link> links = savedLinks(network);
    const dense::IntactNetwork intact = dense::analyseIntact(n, links);
    std::vector<FailureSet> failures = singleFailures(n, links);
    std::mt19937 random(seed);
    for (int extra = 0; extra < 6; ++extra) {
      FailureSet failed;
      for (int d = 0; d < n; ++d) {
        if (random() % 15 == 0) failed.devices.push_back(d);
      }
      for (size_t i = 0; i < links.size(); ++i) {
        if (random() % 10 == 0) failed.links.push_back(static_cast<int>(i));
      }
      failures.push_back(failed);
    }
    const std::vector<ScenarioFigures> swept = sweep(links, n, 2);
    const ScenarioMeter meter(n, links);
    for (size_t i = 0; i < failures.size(); ++i) {
      const std::string expected =
          describe(dense::scenarioFigures(intact, failures[i]));
      EXPECT_EQ(describe(sparseScenarioFigures(n, links, failures[i])),
                expected)
          << "seed " << seed;
      EXPECT_EQ(describe(meter.measure(failures[i])), expected)
          << "seed " << seed;
      if (i < swept.size()) {
        EXPECT_EQ(describe(swept[i]), expected) << "seed " << seed;
      }
    }
  }
}

// A mesh of `devices` devices with about `degree` links each, latencies 1
// to 3 ms, so that many pairs have several fastest routes.
Network denseMesh(int devices, int degree, unsigned seed) {
  std::mt19937 random(seed);
  Network network;
  for (int d = 0; d < devices; ++d) {
    network.devices.push_back({"M" + std::to_string(d), "设备", 4, "24h运行"});
  }
  for (int d = 1; d < devices; ++d) {
    addLink(&network, d, static_cast<int>(random() % d),
            static_cast<int>(1 + random() % 3));
  }
  for (int i = devices; i < devices * degree / 2; ++i) {
    addLink(&network, static_cast<int>(random() % devices),
            static_cast<int>(random() % devices),
            static_cast<int>(1 + random() % 3));
  }
  return network;
}

// Larger networks against the plain scenario, on a sample of about 30
// scenarios each, swept and measured from kept trees; 1, 2 and 3 threads
// alike on all of them: operator networks with several parts, operators
// joined by peering, a mesh, and a larger peered network.
TEST(FailureSweep, LargerNetworksMatchThePlainScenario) {
  const struct {
    int devices;
    unsigned seed;
    int kind;  // 0 with parts, 1 peered, 2 a mesh
  } cases[] = {{120, 11, 0}, {250, 12, 0}, {400, 13, 0},
               {600, 14, 1}, {150, 15, 2}, {700, 16, 1}};
  for (const auto& c : cases) {
    const Network network = c.kind == 0 ? withParts(c.devices, c.seed)
                            : c.kind == 1
                                ? networks::peeredNetworks(c.devices, c.seed, 3)
                                : denseMesh(c.devices, 6, c.seed);
    const int n = network.deviceCount();
    const std::vector<Link> links = savedLinks(network);
    const std::vector<ScenarioFigures> one = sweep(links, n, 1);
    const std::vector<FailureSet> failures = singleFailures(n, links);
    ASSERT_EQ(one.size(), failures.size());
    const size_t stride = failures.size() / (c.devices >= 600 ? 10 : 30);
    const ScenarioMeter meter(n, links);
    for (size_t i = c.seed % stride; i < failures.size(); i += stride) {
      const std::string plain =
          describe(sparseScenarioFigures(n, links, failures[i]));
      EXPECT_EQ(describe(one[i]), plain) << c.devices << " devices";
      EXPECT_EQ(describe(meter.measure(failures[i])), plain) << c.devices;
    }
    for (const int workers : {2, 3}) {
      const std::vector<ScenarioFigures> many = sweep(links, n, workers);
      ASSERT_EQ(many.size(), one.size());
      for (size_t i = 0; i < one.size(); ++i) {
        EXPECT_EQ(describe(many[i]), describe(one[i])) << workers;
      }
    }
    // Measuring the single points of failure alone leaves their figures
    // as they are, and counts no pair into the other scenarios.
    SweepOptions pointsOnly;
    pointsOnly.workers = 2;
    pointsOnly.singlePointsOnly = true;
    const std::vector<ScenarioFigures> points =
        sweepSingleFailures(n, links, pointsOnly);
    const SinglePoints single = findSinglePoints(n, links);
    const auto listed = [](const std::vector<int>& list, int element) {
      return std::find(list.begin(), list.end(), element) != list.end();
    };
    int compared = 0;
    for (size_t i = 0; i < one.size(); ++i) {
      const FailureSet& failed = failures[i];
      if (failed.devices.empty() ? listed(single.links, failed.links[0])
                                 : listed(single.devices, failed.devices[0])) {
        EXPECT_EQ(describe(points[i]), describe(one[i])) << c.devices;
        ++compared;
      } else {
        EXPECT_FALSE(points[i].lostPairs > 0 || points[i].slowerPairs > 0 ||
                     points[i].hasWorst)
            << c.devices << " devices, scenario " << i;
      }
    }
    EXPECT_TRUE(compared > 10 || c.kind == 2);  // a mesh has none
  }
}

// Every route and backup between every pair, intact and with a device and
// a link down, as the Floyd pass unfolds them: hand-made networks of equal
// routes and 0 ms links, a mesh of equal routes and operator networks with
// twins, self-links and links that carry nothing.
TEST(FailureSweep, RoutesMatchTheFloydPass) {
  std::vector<Network> cases;
  for (const auto& [codes, records] : kHandMade) {
    cases.push_back(networks::build(codes, records));
  }
  cases.push_back(denseMesh(30, 6, 21));
  cases.push_back(withParts(40, 22));
  for (const Network& network : cases) {
    const int n = network.deviceCount();
    const std::vector<Link> links = savedLinks(network);
    for (const FailureSet& failed : {FailureSet{}, FailureSet{{n / 2}, {0}}}) {
      for (int from = 0; from < n; ++from) {
        for (int to = 0; to < n; ++to) {
          if (from == to) continue;
          const RouteReport report =
              routeWithBackup(n, links, failed, from, to);
          std::vector<Route> found;
          if (report.hasPrimary) found.push_back(report.primary);
          if (report.hasBackup) found.push_back(report.backup);
          const std::vector<Route> expected =
              dense::routeWithBackup(n, links, failed, from, to);
          ASSERT_EQ(found.size(), expected.size()) << from << '-' << to;
          for (size_t i = 0; i < found.size(); ++i) {
            EXPECT_EQ(found[i].latency, expected[i].latency);
            EXPECT_EQ(found[i].devices, expected[i].devices)
                << from << '-' << to;
            EXPECT_EQ(found[i].links, expected[i].links);
          }
        }
      }
    }
  }
}

TEST(FailureSweep, ProgressEndsAtTheScenarioCount) {
  const Network network = networks::operatorNetwork(100, 5);
  const std::vector<Link> links = savedLinks(network);
  std::vector<std::pair<int, int>> calls;
  SweepOptions options;
  options.workers = 2;
  options.progress = [&calls](int done, int total) {
    calls.emplace_back(done, total);
  };
  const size_t scenarios =
      sweepSingleFailures(network.deviceCount(), links, options).size();
  ASSERT_FALSE(calls.empty());
  EXPECT_EQ(calls.back(), std::make_pair(static_cast<int>(scenarios),
                                         static_cast<int>(scenarios)));
  for (size_t i = 1; i < calls.size(); ++i) {
    EXPECT_LE(calls[i - 1].first, calls[i].first);
  }
}

}  // namespace
