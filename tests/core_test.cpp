// The core's analyses on networks built in memory, module by module: no
// file, no record, no working matrix.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "device.h"
#include "latency_matrix.h"
#include "network.h"
#include "plans.h"
#include "routes.h"
#include "support/networks.h"
#include "utf8.h"
#include "visit_order.h"

namespace {

std::string codesOf(const Network& network, const std::vector<int>& devices) {
  std::string text;
  for (const int device : devices) {
    text += (text.empty() ? "" : " ") + network.devices[device].code;
  }
  return text;
}

// "A-B:5 ..." for links, "B:5 ..." for neighbours.
std::string describe(const Network& network, const std::vector<Link>& links) {
  std::string text;
  for (const Link& link : links) {
    text += (text.empty() ? "" : " ") + network.devices[link.from].code + "-" +
            network.devices[link.to].code + ":" + std::to_string(link.latency);
  }
  return text;
}

std::string describe(const Network& network,
                     const std::vector<Neighbour>& neighbours) {
  std::string text;
  for (const Neighbour& neighbour : neighbours) {
    text += (text.empty() ? "" : " ") + network.devices[neighbour.device].code +
            ":" + std::to_string(neighbour.latency);
  }
  return text;
}

// --- network.h, latency_matrix.h ---------------------------------------

TEST(Network, OrdersFollowTheOrderOfAddition) {
  const struct {
    const char* codes;
    const char* links;  // in the order they are added
    const char* saved;
    const char* device;  // whose neighbours are listed
    const char* neighbours;
    int carried;  // the matrix's latency between the first two devices
  } cases[] = {
      // By lower end, each device's links newest first.
      {"A B C", "A B 1  A C 2  B C 3", "A-C:2 A-B:1 B-C:3", "B", "C:3 A:1", 1},
      // Of parallel links the first added carries the pair: listed last.
      {"A B", "A B 5  A B 7  B A 9", "A-B:9 A-B:7 A-B:5", "B", "A:9 A:7 A:5",
       5},
      // A self-link is listed once and is two neighbours; the first added
      // holds the diagonal.
      {"A B", "A A 4  A B 1  A A 6", "A-A:6 A-B:1 A-A:4", "A",
       "A:6 A:6 B:1 A:4 A:4", 1},
      // Neighbours interleave links to lower and higher indexes as they
      // were added, which the saved order alone does not tell.
      {"A B C", "B C 1  A B 2", "A-B:2 B-C:1", "B", "A:2 C:1", 2},
      {"A B C", "A B 2  B C 1", "A-B:2 B-C:1", "B", "C:1 A:2", 2},
      {"A", "", "", "A", "", INF},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.links);
    const Network network = networks::build(c.codes, c.links);
    EXPECT_EQ(describe(network, savedLinks(network)), c.saved);
    const int device = findDevice(network, c.device);
    const NeighbourTable table = neighbourLists(network);
    const NeighbourTable::Range listed = table.of(device);
    EXPECT_EQ(
        describe(network, std::vector<Neighbour>(listed.begin(), listed.end())),
        c.neighbours);
    EXPECT_EQ(describe(network, neighboursOf(network, device)), c.neighbours);
    const LatencyMatrix matrix = latencyMatrixOf(network);
    if (network.deviceCount() > 1) {
      EXPECT_EQ(matrix.at(0, 1), c.carried);
      EXPECT_EQ(matrix.at(1, 0), c.carried);
    }
  }
  // The self-links' diagonal, and the carrier's position in the saved order.
  const Network selfLinked = networks::build("A B", "A A 4  A B 1  A A 6");
  EXPECT_EQ(latencyMatrixOf(selfLinked).at(0, 0), 4);
  const std::vector<Link> saved = savedLinks(selfLinked);
  const auto any = [](int) { return true; };
  EXPECT_EQ(carrierOf(saved, 0, 0, any), 2);
  EXPECT_EQ(carrierOf(saved, 1, 0, any), 1);
  EXPECT_EQ(carrierOf(saved, 1, 1, any), -1);
  EXPECT_EQ(carrierOf(saved, 0, 0, [](int position) { return position != 2; }),
            0);
}

TEST(Network, FindsTheFirstDeviceOfACode) {
  const Network network = networks::build("A X B X", "");
  EXPECT_EQ(findDevice(network, "X"), 1);
  EXPECT_EQ(findDevice(network, "B"), 2);
  EXPECT_EQ(findDevice(network, "x"), -1);
  EXPECT_EQ(findDevice(network, std::string("X\0", 2)), -1);
}

// --- routes.h ---------------------------------------------------------------

TEST(Routes, CampusFastestRoute) {
  const FloydRoutes routes =
      computeFloydRoutes(latencyMatrixOf(networks::campus()));
  EXPECT_EQ(routes.deviceCount(), 8);
  EXPECT_EQ(routes.distance(5, 6), 20);  // AR-D to SV
  EXPECT_EQ(unfoldRoute(routes, 5, 6), (std::vector<int>{5, 2, 1, 3, 6}));
  EXPECT_EQ(routes.via(5, 2), 5);  // the direct link
}

TEST(Routes, AnyNumberOfDevices) {
  // A chain of 300 devices, 1 ms apart.
  Network chain;
  const int n = 300;
  for (int i = 0; i < n; ++i) chain.devices.push_back({"N", "", 1, ""});
  for (int i = 1; i < n; ++i) addLink(&chain, i - 1, i, 1);
  const FloydRoutes routes = computeFloydRoutes(latencyMatrixOf(chain));
  EXPECT_EQ(routes.distance(0, n - 1), n - 1);
  EXPECT_EQ(unfoldRoute(routes, n - 1, 0).size(), static_cast<size_t>(n));
  // A route of a million hops unfolds without recursion.
  const int hops = 1000000;
  const std::vector<int> longRoute = unfoldRouteBy(
      [](int from, int to) { return to - from > 1 ? to - 1 : from; }, 0, hops);
  ASSERT_EQ(longRoute.size(), static_cast<size_t>(hops) + 1);
  EXPECT_EQ(longRoute.back(), hops);
  EXPECT_TRUE(unfoldRouteBy([](int, int) { return -1; }, 0, 1).empty());
}

// --- plans.h ----------------------------------------------------------------

// A plan in one line: "from-to:ms" per link, "x" marking a skipped one,
// then "=total", and "split" when the plan misses a device.
std::string describe(const CablingPlan& plan) {
  std::string text;
  for (const PlanLink& link : plan.links) {
    text += std::to_string(link.from) + "-" + std::to_string(link.to) + ":" +
            std::to_string(link.latency) + (link.accepted ? " " : "x ");
  }
  return text + "=" + std::to_string(plan.totalLatency) +
         (plan.connected ? "" : " split");
}

TEST(Plans, PrimAndKruskal) {
  const struct {
    const char* codes;
    const char* links;
    const char* prim;
    const char* kruskal;
  } cases[] = {
      {"D0 D1 D2", "D0 D1 4  D0 D2 4", "0-1:4 0-2:4 =8", "0-2:4 0-1:4 =8"},
      {"D0 D1 D2", "D0 D1 1  D0 D2 5  D1 D2 5", "0-1:1 0-2:5 =6",
       "0-1:1 0-2:5 =6"},
      {"D0 D1 D2", "D0 D1 5", "0-1:5 =5 split", "0-1:5 =5 split"},
      {"D0 D1 D2", "D1 D2 7", "=0 split", "1-2:7 =7 split"},
      // Prim's matrix holds the first of two parallel links.
      {"D0 D1 D2", "D0 D1 3  D0 D1 2  D1 D2 9", "0-1:3 1-2:9 =12",
       "0-1:2 0-1:3x 1-2:9 =11"},
      {"D0 D1 D2", "D0 D1 32767  D1 D2 40000  D0 D2 5", "0-2:5 =5 split",
       "0-2:5 0-1:32767 =32772"},
      {"D0 D1 D2", "D0 D1 2147483647  D1 D2 2147483647", "=0 split",
       "0-1:2147483647 1-2:2147483647 =4294967294"},
      // A 0 ms link still brings its device in, and the tree grows on.
      {"D0 D1 D2", "D0 D1 0  D1 D2 4", "0-1:0 1-2:4 =4", "0-1:0 1-2:4 =4"},
      {"D0 D1", "D0 D0 1", "=0 split", "=0 split"},
      {"D0", "", "=0", "=0"},
  };
  for (const auto& c : cases) {
    const Network network = networks::build(c.codes, c.links);
    EXPECT_EQ(describe(computePrimPlan(latencyMatrixOf(network))), c.prim)
        << c.links;
    EXPECT_EQ(describe(computeKruskalPlan(network)), c.kruskal) << c.links;
  }
}

TEST(Plans, AcceptedLinksAreTheOnesEachPlanTakes) {
  // Saved order: D0-D1:2 (0), D0-D1:3 (1), D1-D2:9 (2). Prim takes the
  // matrix's carrier of D0-D1, Kruskal the faster twin.
  const Network network =
      networks::build("D0 D1 D2", "D0 D1 3  D0 D1 2  D1 D2 9");
  const std::vector<Link> saved = savedLinks(network);
  EXPECT_EQ(acceptedLinks(computePrimPlan(latencyMatrixOf(network)), saved),
            (std::vector<int>{1, 2}));
  EXPECT_EQ(acceptedLinks(computeKruskalPlan(network), saved),
            (std::vector<int>{0, 2}));
  const CablingPlan campus =
      computePrimPlan(latencyMatrixOf(networks::campus()));
  EXPECT_EQ(campus.totalLatency, 26);
  EXPECT_EQ(campus.acceptedCount, 7);
  EXPECT_EQ(computeKruskalPlan(networks::campus()).totalLatency, 26);
}

// --- visit_order.h, device.h -----------------------------------------------

TEST(VisitOrder, InspectionRoute) {
  const struct {
    const char* codes;
    const char* links;
    const char* route;
  } cases[] = {
      {"D0 D1 D2 D3", "D0 D3 1  D1 D2 1", "D0 D3 D1 D2"},
      {"D0 D1 D2", "D0 D2 1", "D0 D2 D1"},
      {"D0 D1 D2 D3", "D0 D2 1  D0 D0 1  D3 D0 1  D0 D3 1", "D0 D3 D2 D1"},
      {"A X B X", "A X 1  X B 1", "A X B X"},
      // Newest first: CR tries FW, then DR-B, whose newest is DR-A.
      {"CR DR-A DR-B AR-T AR-L AR-D SV FW",
       "CR DR-A 5  CR DR-B 8  CR FW 2  DR-A AR-T 3  DR-A AR-L 4  "
       "DR-B AR-D 3  DR-A DR-B 12  AR-T SV 2  AR-L SV 3  AR-D SV 25",
       "CR FW DR-B DR-A AR-L SV AR-D AR-T"},
  };
  for (const auto& c : cases) {
    const Network network = networks::build(c.codes, c.links);
    EXPECT_EQ(codesOf(network, inspectionOrder(network)), c.route) << c.links;
  }
  // A path of 200000 devices is visited without recursion.
  Network path;
  const int n = 200000;
  for (int i = 0; i < n; ++i) path.devices.push_back({"N", "", 1, ""});
  for (int i = n - 1; i > 0; --i) addLink(&path, i - 1, i, 1);
  const std::vector<int> order = inspectionOrder(path);
  ASSERT_EQ(order.size(), static_cast<size_t>(n));
  EXPECT_EQ(order.back(), n - 1);
}

TEST(VisitOrder, RouteArcsAndLoopCheck) {
  // A X B X: the route folds its second X onto the first, a loop X-B-X.
  const Network network = networks::build("A X B X", "A X 7  X B 9");
  const std::vector<std::string> codes = {"A", "X", "B", "X"};
  const std::vector<int> order = inspectionOrder(network);
  std::string arcs;
  std::vector<std::vector<int>> lists(4);
  for (const RouteArc& arc :
       routeArcs(codes, order, latencyMatrixOf(network))) {
    arcs += std::to_string(arc.from) + ">" + std::to_string(arc.to) + ":" +
            std::to_string(arc.latency) + " ";
    lists[arc.from].push_back(arc.to);
  }
  EXPECT_EQ(arcs, "0>1:7 1>2:9 2>1:9 ");
  const LoopCheck loop = checkForLoops(codes, lists);
  EXPECT_TRUE(loop.hasLoop);
  EXPECT_EQ(loop.sequence, (std::vector<int>{0, 3}));
  EXPECT_EQ(loop.leftOver, (std::vector<int>{2}));  // the second X is sorted
  const LoopCheck line = checkForLoops({"A", "B", "C"}, {{1}, {2}, {}});
  EXPECT_FALSE(line.hasLoop);
  EXPECT_EQ(line.sequence, (std::vector<int>{0, 1, 2}));
  EXPECT_TRUE(checkForLoops({"A"}, {{0}}).hasLoop);  // an arc to itself
  // The campus's links read as two arcs each: every device is in a loop.
  const Network campus = networks::campus();
  std::vector<std::string> campusCodes;
  for (const Device& device : campus.devices)
    campusCodes.push_back(device.code);
  std::vector<std::vector<int>> twoWays;
  const NeighbourTable campusNeighbours = neighbourLists(campus);
  for (int device = 0; device < campus.deviceCount(); ++device) {
    twoWays.emplace_back();
    for (const Neighbour& n : campusNeighbours.of(device)) {
      twoWays.back().push_back(n.device);
    }
  }
  const LoopCheck everywhere = checkForLoops(campusCodes, twoWays);
  EXPECT_TRUE(everywhere.hasLoop);
  EXPECT_EQ(everywhere.leftOver.size(), 8u);
  EXPECT_EQ(describe(campus, neighboursOf(campus, 0)), "FW:2 DR-B:8 DR-A:5");
}

TEST(Device, LayerFromTheCode) {
  const struct {
    const char* code;
    Layer layer;
  } cases[] = {
      {"CR", Layer::kCore},         {"FW", Layer::kSecurity},
      {"DR", Layer::kDistribution}, {"DR-X", Layer::kDistribution},
      {"AR9", Layer::kAccess},      {"SV", Layer::kDataCentre},
      {"CR-2", Layer::kOther},      {"D", Layer::kOther},
      {"", Layer::kOther},          {"SV1", Layer::kOther},
  };
  for (const auto& c : cases) EXPECT_EQ(layerOf(c.code), c.layer) << c.code;
}

}  // namespace

// Each sequence, with what decodeUtf8 makes of its first character and
// whether the whole is UTF-8 by the strict rule.
TEST(Utf8, StrictRuleOneBadCharacterAtATime) {
  const struct {
    std::string text;
    char32_t point;  // U+FFFD for a bad character
    size_t length;
    bool whole;
  } cases[] = {
      {"A", 'A', 1, true},
      {"\xC2\x80", 0x80, 2, true},
      {"\xE4\xB8\xAD", 0x4E2D, 3, true},        // 中
      {"\xEF\xBF\xBE", 0xFFFE, 3, true},        // a noncharacter is UTF-8
      {"\xF4\x8F\xBF\xBF", 0x10FFFF, 4, true},  // the last code point
      {"\xF0\x90\x80\x80", 0x10000, 4, true},
      {"\xC0\xAF", 0xFFFD, 1, false},  // overlong "/"
      {"\xC1\xBF", 0xFFFD, 1, false},
      {"\xE0\x80\xA0", 0xFFFD, 1, false},      // overlong space
      {"\xF0\x8F\xBF\xBF", 0xFFFD, 1, false},  // overlong U+FFFF
      {"\xED\xA0\x80", 0xFFFD, 1, false},      // a surrogate
      {"\xF4\x90\x80\x80", 0xFFFD, 1, false},  // past U+10FFFF
      {"\xF5\x80\x80\x80", 0xFFFD, 1, false},
      {"\x80", 0xFFFD, 1, false},  // stray continuation
      {"\xFF", 0xFFFD, 1, false},
      {"\xE4\xB8", 0xFFFD, 2, false},  // cut short at the end
      {"\xE4\xB8"
       "A",
       0xFFFD, 2, false},  // cut short by a letter
      {"\xF0\x9F\x98", 0xFFFD, 3, false},
      {"A\xE4", 'A', 1, false},
  };
  for (const auto& c : cases) {
    const Utf8Character first = decodeUtf8(c.text, 0);
    EXPECT_EQ(first.point, c.point) << c.text;
    EXPECT_EQ(first.length, c.length) << c.text;
    EXPECT_EQ(first.valid, c.point != 0xFFFD) << c.text;
    EXPECT_EQ(isUtf8(c.text), c.whole) << c.text;
  }
}
