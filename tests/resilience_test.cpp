// The resilience analysis against plain recomputation on a few hundred
// generated topologies, and its text layout.
#include "resilience.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "blocks.h"
#include "network.h"
#include "network_input.h"
#include "resilience_text.h"
#include "utf8.h"

namespace {

// Unconnected parts, leaves, parallel links, self-links, duplicate codes,
// 0 ms and 32767 ms or more: each seed mixes them differently.
Network generate(unsigned seed) {
  std::mt19937 random(seed);
  auto below = [&random](int bound) {
    return static_cast<int>(random() % static_cast<unsigned>(bound));
  };
  Network network;
  // A few networks beyond 64 devices, more than a machine word has bits.
  const int n =
      seed % 100 == 0 ? 65 + below(26) : 1 + below(seed % 5 == 0 ? 40 : 12);
  for (int i = 0; i < n; ++i) {
    // A few codes repeat: a code names the lowest index.
    network.devices.push_back(
        {"D" + std::to_string(below(4) == 0 ? i / 2 : i), "", 0, ""});
  }
  const int linkCount = below(n * 2 + 1);
  for (int l = 0; l < linkCount; ++l) {
    const int a = below(n);
    int b = below(n);
    if (below(10) == 0) b = a;  // a self-link
    const int kind = below(20);
    const int latency = kind == 0   ? 0
                        : kind == 1 ? INF + below(3)
                        : kind == 2 ? kLargestLatency
                                    : 1 + below(30);
    addLink(&network, a, b, latency);
    if (below(8) == 0) addLink(&network, b, a, 1 + below(30));  // a twin
  }
  return network;
}

// The scenario's network by the plain route: the surviving links, added
// last listed first so that their saved order stays as it was.
Network copyWithout(const Network& network, const std::vector<Link>& links,
                    const FailureSet& failed) {
  Network scenario;
  scenario.devices = network.devices;
  std::vector<bool> linkFailed(links.size(), false);
  for (const int position : failed.links) linkFailed[position] = true;
  for (const int device : failed.devices) {
    for (size_t i = 0; i < links.size(); ++i) {
      if (links[i].from == device || links[i].to == device)
        linkFailed[i] = true;
    }
  }
  for (size_t i = links.size(); i-- > 0;) {
    if (!linkFailed[i]) {
      addLink(&scenario, links[i].from, links[i].to, links[i].latency);
    }
  }
  return scenario;
}

// Parts by breadth-first search from scratch.
int plainParts(int n, const std::vector<Link>& links,
               const FailureSet& failed) {
  std::vector<bool> gone(static_cast<size_t>(n), false);
  for (const int d : failed.devices) gone[d] = true;
  std::vector<bool> seen(static_cast<size_t>(n), false);
  int parts = 0;
  for (int start = 0; start < n; ++start) {
    if (gone[start] || seen[start]) continue;
    ++parts;
    std::vector<int> queue{start};
    seen[start] = true;
    for (size_t q = 0; q < queue.size(); ++q) {
      for (size_t i = 0; i < links.size(); ++i) {
        const Link& link = links[i];
        if (std::count(failed.links.begin(), failed.links.end(),
                       static_cast<int>(i)) != 0 ||
            link.from == link.to || link.latency < 0 ||
            link.latency > kLargestLatency) {
          continue;
        }
        for (const auto& [here, there] :
             {std::pair{link.from, link.to}, std::pair{link.to, link.from}}) {
          if (here == queue[q] && !gone[there] && !seen[there]) {
            seen[there] = true;
            queue.push_back(there);
          }
        }
      }
    }
  }
  return parts;
}

// Fastest totals by a 64-bit Floyd pass over the menu's matrix: no cap
// on a sum, -1 for no route.
std::vector<std::vector<long long>> plainTotals(const Network& network) {
  const LatencyMatrix matrix = latencyMatrixOf(network);
  const int n = matrix.size();
  std::vector<std::vector<long long>> total(
      static_cast<size_t>(n), std::vector<long long>(static_cast<size_t>(n)));
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) {
      total[i][j] = i == j                              ? 0
                    : matrix.at(i, j) > kLargestLatency ? -1
                                                        : matrix.at(i, j);
    }
  }
  for (int k = 0; k < n; ++k) {
    for (int i = 0; i < n; ++i) {
      for (int j = 0; j < n; ++j) {
        if (total[i][k] < 0 || total[k][j] < 0) continue;
        const long long through = total[i][k] + total[k][j];
        if (total[i][j] < 0 || through < total[i][j]) total[i][j] = through;
      }
    }
  }
  return total;
}

// A scenario's figures by a whole Floyd pass over the plainly rebuilt
// network, pair by pair; totals beyond 32766 ms count as routes.
ScenarioFigures plainFigures(const Network& network,
                             const std::vector<Link>& links,
                             const FailureSet& failed) {
  const auto before = plainTotals(network);
  const auto after = plainTotals(copyWithout(network, links, failed));
  const int n = network.deviceCount();
  ScenarioFigures figures;
  figures.failed = failed;
  figures.parts = plainParts(n, links, failed);
  auto alive = [&failed](int d) {
    return std::find(failed.devices.begin(), failed.devices.end(), d) ==
           failed.devices.end();
  };
  for (int s = 0; s < n; ++s) {
    for (int t = s + 1; t < n; ++t) {
      if (!alive(s) || !alive(t)) continue;
      const long long was = before[s][t];
      const long long now = after[s][t];
      if (was < 0) continue;
      if (now < 0) {
        ++figures.lostPairs;
      } else if (now > was) {
        ++figures.slowerPairs;
        if (!figures.hasWorst ||
            now - was > figures.worst.after - figures.worst.before) {
          figures.hasWorst = true;
          figures.worst = {s, t, was, now};
        }
      }
    }
  }
  return figures;
}

std::string describe(const ScenarioFigures& f) {
  std::ostringstream text;
  text << "parts " << f.parts << " lost " << f.lostPairs << " slower "
       << f.slowerPairs;
  if (f.hasWorst) {
    text << " worst " << f.worst.from << "-" << f.worst.to << " "
         << f.worst.before << "->" << f.worst.after;
  }
  return text.str();
}

std::string describe(const FailureSet& failed) {
  std::ostringstream text;
  for (const int d : failed.devices) text << "device " << d << ' ';
  for (const int l : failed.links) text << "link " << l << ' ';
  return text.str();
}

// The two questions one block search answers: over links, A-B's fast
// twin closes the triangle; over the pairs that carry routes, the last
// listed A-B link (no route at 40000 ms) leaves C the cut device.
TEST(Blocks, PairsThatCarryRoutesAndLinksThatDo) {
  const std::vector<Link> links = {{0, 1, 3}, {0, 1, 40000}, {1, 2, 1},
                                   {0, 2, 1}, {2, 3, 5},     {3, 2, 7}};
  const Blocks byLinks = findBlocks(4, links);
  EXPECT_EQ(byLinks.devices,
            (std::vector<std::vector<int>>{{2, 3}, {0, 1, 2}}));
  EXPECT_EQ(byLinks.cut, (std::vector<bool>{false, false, true, false}));
  EXPECT_EQ(byLinks.blockOf, (std::vector<int>{1, -1, 1, 1, 0, 0}));

  const PairGraph graph(4, links);
  std::vector<char> carrying;
  for (const int latency :
       pairLatencies(graph, links, [](int) { return true; })) {
    carrying.push_back(static_cast<char>(carried(latency)));
  }
  const Blocks byPairs = findBlocks(graph, carrying);
  EXPECT_EQ(byPairs.devices.size(), 3U);
  EXPECT_EQ(byPairs.cut, (std::vector<bool>{false, false, true, false}));
  EXPECT_EQ(byPairs.blockOf[0], -1);  // A-B: its carrier carries nothing
}

// Every generated topology: single points of failure by brute force, every
// N-1 scenario and a few multiple ones by plain recomputation, the routes
// against the plain Floyd pass, and a text report that fits 80 columns.
TEST(Resilience, AgreesWithPlainRecomputation) {
  for (unsigned seed = 1; seed <= 300; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    const Network network = generate(seed);
    const int n = network.deviceCount();
    const std::vector<Link> links = savedLinks(network);

    const int parts = plainParts(n, links, {});
    const SinglePoints points = findSinglePoints(n, links);
    std::vector<int> cutDevices;
    for (int d = 0; d < n; ++d) {
      if (plainParts(n, links, {{d}, {}}) > parts) {
        cutDevices.push_back(d);
      }
    }
    std::vector<int> cutLinks;
    for (size_t i = 0; i < links.size(); ++i) {
      if (carriesRoutes(links[i]) &&
          plainParts(n, links, {{}, {static_cast<int>(i)}}) > parts) {
        cutLinks.push_back(static_cast<int>(i));
      }
    }
    EXPECT_EQ(points.devices, cutDevices);
    EXPECT_EQ(points.links, cutLinks);

    std::vector<FailureSet> failures = singleFailures(n, links);
    std::mt19937 random(seed);
    for (int extra = 0; extra < 5; ++extra) {
      FailureSet failed;
      for (int d = 0; d < n; ++d) {
        if (random() % 6 == 0) failed.devices.push_back(d);
      }
      for (size_t i = 0; i < links.size(); ++i) {
        if (random() % 4 == 0) failed.links.push_back(static_cast<int>(i));
      }
      failures.push_back(failed);
    }
    const IntactNetwork intact = analyseIntact(n, links);
    std::vector<ScenarioFigures> measured;
    for (const FailureSet& failed : failures) {
      measured.push_back(scenarioFigures(intact, failed));
      EXPECT_EQ(describe(measured.back()),
                describe(plainFigures(network, links, failed)))
          << describe(failed);
    }
    // A single point's scenario is the same taken from those measured
    // (among which the multiple failures must not be mistaken for it) as
    // measured afresh.
    const std::vector<ScenarioFigures> taken =
        singlePointScenarios(n, links, points, measured);
    const std::vector<ScenarioFigures> fresh =
        singlePointScenarios(n, links, points, {});
    ASSERT_EQ(taken.size(), points.devices.size() + points.links.size());
    ASSERT_EQ(fresh.size(), taken.size());
    for (size_t i = 0; i < taken.size(); ++i) {
      const bool isDevice = i < points.devices.size();
      const FailureSet alone =
          isDevice ? FailureSet{{points.devices[i]}, {}}
                   : FailureSet{{}, {points.links[i - points.devices.size()]}};
      EXPECT_EQ(describe(taken[i].failed), describe(alone));
      EXPECT_EQ(describe(taken[i]), describe(fresh[i]));
      EXPECT_EQ(taken[i].cutOff, fresh[i].cutOff);
      EXPECT_EQ(taken[i].cutOff, cutOffDevices(n, links, taken[i].failed));
    }

    const int from = static_cast<int>(random() % static_cast<unsigned>(n));
    const int to = static_cast<int>(random() % static_cast<unsigned>(n));
    const FailureSet& failed = failures.back();
    const RouteReport route = routeWithBackup(n, links, failed, from, to);
    const FloydRoutes plain = computeFloydRoutes(
        latencyMatrixOf(copyWithout(network, links, failed)));
    const bool ended =
        std::count(failed.devices.begin(), failed.devices.end(), from) +
            std::count(failed.devices.begin(), failed.devices.end(), to) >
        0;
    const long long total =
        plainTotals(copyWithout(network, links, failed))[from][to];
    if (ended || (from != to && total < 0)) {
      EXPECT_FALSE(route.hasPrimary);
    } else if (from != to) {
      ASSERT_TRUE(route.hasPrimary);
      EXPECT_EQ(route.primary.latency, total);
      // Within the menu's totals, the menu's route.
      if (total <= kLargestLatency) {
        EXPECT_EQ(route.primary.devices, unfoldRoute(plain, from, to));
      }
    }
    if (route.hasBackup) {
      // Never over a primary hop unless a parallel twin carries it. (It may
      // even be faster: a younger, faster twin takes over once the oldest
      // link of a pair, whose latency the matrix holds, is out.)
      for (size_t h = 1; h < route.backup.devices.size(); ++h) {
        const int a = route.backup.devices[h - 1];
        const int b = route.backup.devices[h];
        for (size_t k = 1; k < route.primary.devices.size(); ++k) {
          const int c = route.primary.devices[k - 1];
          const int d = route.primary.devices[k];
          if ((a == c && b == d) || (a == d && b == c)) {
            EXPECT_GE(std::count_if(links.begin(), links.end(),
                                    [&](const Link& link) {
                                      return std::min(a, b) == link.from &&
                                             std::max(a, b) == link.to &&
                                             carriesRoutes(link);
                                    }),
                      2);
          }
        }
      }
    }

    ResilienceQuery query;
    query.route = true;
    query.routeFrom = from;
    query.routeTo = to;
    const std::vector<std::string> codes = [n] {
      std::vector<std::string> named;
      for (int i = 0; i < n; ++i) {
        // The longest codes a file may hold, half of them in CJK.
        named.push_back(i % 2 == 0
                            ? std::string(18, 'X') + std::to_string(i % 10)
                            : std::string("核心路由器") +
                                  std::to_string(i % 10) + "xxx");
      }
      return named;
    }();
    std::istringstream text(
        resilienceText(codes, links, analyseResilience(n, links, query), true));
    for (std::string line; std::getline(text, line);) {
      EXPECT_LE(displayWidth(line), 80) << line;
    }
  }
}

// The built-in campus network:
//
//        FW
//        |2
//        CR ----8---- DR-B
//        |5          /  |3
//       DR-A ---12--   AR-D
//      3|   \4          |25
//     AR-T  AR-L        |
//      2\    |3         |
//        ---SV ----------
TEST(Resilience, CampusSinglePoints) {
  Network campus;
  for (const char* code :
       {"CR", "DR-A", "DR-B", "AR-T", "AR-L", "AR-D", "SV", "FW"}) {
    campus.devices.push_back({code, "", 4, ""});
  }
  for (const Link& link : std::vector<Link>{{0, 1, 5},
                                            {0, 2, 8},
                                            {0, 7, 2},
                                            {1, 3, 3},
                                            {1, 4, 4},
                                            {2, 5, 3},
                                            {1, 2, 12},
                                            {3, 6, 2},
                                            {4, 6, 3},
                                            {5, 6, 25}}) {
    addLink(&campus, link.from, link.to, link.latency);
  }
  const std::vector<Link> links = savedLinks(campus);
  const SinglePoints points = findSinglePoints(campus.deviceCount(), links);
  ASSERT_EQ(points.devices, std::vector<int>{0});  // CR
  ASSERT_EQ(points.links.size(), 1u);
  EXPECT_EQ(campus.devices[links[points.links[0]].to].code, "FW");
  EXPECT_EQ(cutOffDevices(campus.deviceCount(), links, {{0}, {}}),
            std::vector<int>{7});
}

TEST(Resilience, DisplayWidth) {
  const struct {
    const char* text;
    int width;
  } cases[] = {
      {"", 0},
      {"CR", 2},
      {"核心", 4},
      {"⚠ 设备", 6},
      {"A ── B", 6},
      {"（5ms）", 7},
      {"\xff"
       "A",
       2},
      {"\xe6\xa0", 1},  // a character cut short: one replacement mark
      {"Ａ", 2},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(displayWidth(c.text), c.width) << c.text;
  }
}

}  // namespace

namespace {

ScenarioFigures figuresOf(int lost, int slower, int increase, int cutOff) {
  ScenarioFigures figures;
  figures.lostPairs = lost;
  figures.slowerPairs = slower;
  if (increase > 0) {
    figures.hasWorst = true;
    figures.worst = {0, 1, 10, 10 + increase};
  }
  figures.cutOff.assign(static_cast<size_t>(cutOff), 0);
  return figures;
}

}  // namespace

// Lost pairs first for both; then scenarios by slower pairs and the worst
// increase, single points by devices cut off; ties keep the list's order.
TEST(Resilience, ImpactOrder) {
  const std::vector<ScenarioFigures> scenarios = {
      figuresOf(0, 3, 5, 0),  // 0
      figuresOf(4, 0, 0, 1),  // 1
      figuresOf(0, 3, 9, 0),  // 2: more increase than 0
      figuresOf(4, 0, 0, 3),  // 3: ties 1 as a scenario, not as a point
      figuresOf(0, 7, 1, 2),  // 4: more slower pairs than 0 and 2
      figuresOf(0, 3, 5, 0),  // 5: ties 0 entirely
      figuresOf(9, 0, 0, 1),  // 6: the most lost pairs
      figuresOf(0, 0, 0, 0),  // 7: no impact
  };
  EXPECT_EQ(scenariosByImpact(scenarios),
            (std::vector<size_t>{6, 1, 3, 4, 2, 0, 5, 7}));
  EXPECT_EQ(singlePointsByImpact(scenarios),
            (std::vector<size_t>{6, 3, 1, 4, 0, 2, 5, 7}));
  EXPECT_TRUE(scenariosByImpact({}).empty());
}

// The single points' and the scenarios' sentences: whole lists, lists
// shortened to what fits in 80 columns, and a failure too wide to leave
// room for a name.
TEST(ResilienceText, CutOffSentences) {
  std::vector<std::string> codes = {"CR", "FW", "A", "B"};
  for (int i = 0; i < 40; ++i) {
    codes.push_back("交换机" + std::to_string(10 + i));  // 8 columns
  }
  codes.emplace_back("核心路由器甲1");  // 19 bytes, 13 columns
  codes.emplace_back("核心路由器乙2");
  const int first = 4;  // 交换机10
  const int wide = first + 40;
  const std::vector<Link> links = {{0, 1, 2}, {wide, wide + 1, 32766}};
  const auto scenario = [](FailureSet failed, std::vector<int> cutOff,
                           int lost) {
    ScenarioFigures figures;
    figures.failed = std::move(failed);
    figures.cutOff = std::move(cutOff);
    figures.lostPairs = lost;
    return figures;
  };
  std::vector<int> many;
  for (int i = first + 1; i < first + 40; ++i) many.push_back(i);
  const struct {
    ScenarioFigures scenario;
    const char* sentence;
  } cases[] = {
      {scenario({{0}, {}}, {1, 2, 3}, 117),
       "⚠ 设备 CR：故障后切断 FW、A、B（3 台，断开 117 对）"},
      {scenario({{}, {0}}, {1}, 7),
       "⚠ 链路 CR ── FW（2ms）：故障后切断 FW（1 台，断开 7 对）"},
      // 28 + 3 names of 8 and 2 separators of 2 + 9 + 16 = 81: two names.
      {scenario({{first}, {}}, many, 1234),
       "⚠ 设备 交换机10：故障后切断 交换机11、交换机12 等 39 台（断开 1234 "
       "对）"},
      {scenario({{}, {1}}, {first, first + 1}, 5),
       "⚠ 链路 核心路由器甲1 ── 核心路由器乙2（32766ms）：故障后切断\n"
       "    交换机10、交换机11（2 台，断开 5 对）"},
      {scenario({{}, {1}}, {first}, 5),
       "⚠ 链路 核心路由器甲1 ── 核心路由器乙2（32766ms）：故障后切断\n"
       "    交换机10（1 台，断开 5 对）"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(singlePointSentence(codes, links, c.scenario), c.sentence);
  }

  EXPECT_EQ(cutOffSentence(codes, {}, 6), "切断：无");
  EXPECT_EQ(cutOffSentence(codes, {1, 2}, 6), "切断：FW、A（2 台）");
  // From column 6: 6 + 6 + 6 names of 8 and 5 separators of 2 + 9 = 75,
  // and a seventh name would pass 80.
  EXPECT_EQ(cutOffSentence(codes, many, 6),
            "切断：交换机11、交换机12、交换机13、交换机14、交换机15、交换机16 "
            "等 39 台");
  // Seven names do not fit, six and "等 7 台" do: 6 + 6 + 58 + 8 = 78.
  EXPECT_EQ(cutOffSentence(codes, {4, 5, 6, 7, 8, 9, 10}, 6),
            "切断：交换机10、交换机11、交换机12、交换机13、交换机14、交换机15 "
            "等 7 台");
}

// A star of 60 long CJK codes: every line of the report fits 80 columns,
// the centre cuts off all leaves but the first ("等 59 台"), and each of
// the 131 scenarios takes the same four lines.
TEST(ResilienceText, LayoutAtScale) {
  const int n = 61;
  std::vector<std::string> codes = {"核心路由器甲1"};
  std::vector<Link> links;
  for (int leaf = 1; leaf < n; ++leaf) {
    codes.push_back("接入交换机" + std::to_string(100 + leaf));
    links.push_back({0, leaf, 1});
  }
  // A second link of 32766 ms to each of the last ten leaves, listed last
  // so that the matrix holds it: no single points there. Totals have no
  // cap, so those leaves still reach every other leaf (in 65532 ms or
  // 32767 ms), and the centre loses all 60 * 59 / 2 pairs of leaves.
  for (int leaf = n - 10; leaf < n; ++leaf) {
    links.push_back({0, leaf, 32766});
  }
  std::sort(links.begin(), links.end(),
            [](const Link& a, const Link& b) { return a.to < b.to; });
  const ResilienceReport report = analyseResilience(n, links, {});
  ASSERT_EQ(report.scenarios.size(), static_cast<size_t>(n + 70));
  const std::string text = resilienceText(codes, links, report, true);
  std::istringstream lines(text);
  int blocks = 0;
  std::vector<std::string> shape;
  for (std::string line; std::getline(lines, line);) {
    EXPECT_LE(displayWidth(line), 80) << line;
    if (line.rfind("  设备 ", 0) == 0 || line.rfind("  链路 ", 0) == 0) {
      ++blocks;
      shape.clear();
    }
    if (line.rfind("      ", 0) == 0) shape.push_back(line.substr(6, 6));
    if (shape.size() == 3) {
      EXPECT_EQ(shape, (std::vector<std::string>{"连通", "最大", "切断"}));
    }
  }
  EXPECT_EQ(blocks, n + 70);
  // The first point: room for one name of 13 columns only.
  EXPECT_NE(text.find("（影响大的在前）：\n⚠ 设备 核心路由器甲1：故障后切断 "
                      "接入交换机102 等 59 台（断开 1770 对）\n"),
            std::string::npos);
}

namespace {

// Loads `content` from a file as the commands do.
NetworkInput loadText(const std::string& content) {
  char path[] = "/tmp/topoplan-input-XXXXXX";
  const int fd = mkstemp(path);
  if (fd < 0) return {};
  close(fd);
  std::ofstream(path, std::ios::binary) << content;
  NetworkInput input = loadNetworkForCommand(path);
  std::remove(path);
  return input;
}

}  // namespace

// The format is the first byte that is not white space (\v and \f are
// white space in a topology file), however far in; lines named after a
// long run of white space still count it.
TEST(NetworkInput, FormatByTheFirstByteThatIsNotWhiteSpace) {
  const std::string graphml =
      "<graphml><graph><node id=\"A\"/><node id=\"B\"/>"
      "<edge source=\"A\" target=\"B\"/></graph></graphml>";
  const std::string topology = "2 1\nA a 1 x\nB b 1 y\nA B 5\n";
  const std::string spaces(70000, ' ');
  const std::string lines(70000, '\n');
  const struct {
    std::string text;
    bool loaded;
    bool graphml;
    const char* message;  // part of the messages, or ""
  } cases[] = {
      {graphml, true, true, ""},
      {"\v\f" + graphml, true, true, ""},
      {spaces + graphml, true, true, ""},
      {lines + "\t" + graphml, true, true, ""},
      {"\xEF\xBB\xBF" + spaces + graphml, true, true, ""},
      {"\v" + topology, true, false, ""},
      {lines + topology, true, false, ""},
      {"\xEF\xBB\xBF" + lines + topology, true, false, "字节顺序标记"},
      {lines + "x", false, false, "第70001行"},
      {lines + "<graphml>", false, true, "第70001行"},
      {spaces + lines + spaces + "2 1\nA a 1 x\n", false, false, "第70002行"},
      {lines, false, false, "第70000行"},
  };
  for (const auto& c : cases) {
    const NetworkInput input = loadText(c.text);
    const std::string shown = c.text.substr(0, 40);
    EXPECT_EQ(input.loaded, c.loaded) << shown << input.messages;
    if (c.loaded) {
      EXPECT_EQ(input.fromGraphml, c.graphml) << shown;
    }
    EXPECT_NE(input.messages.find(c.message), std::string::npos)
        << shown << "\n"
        << input.messages;
  }
}
