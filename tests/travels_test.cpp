// The analyses on small networks loaded through the file reader, then the
// same analyses against independent references on random networks.
#include "travels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <deque>
#include <iterator>
#include <numeric>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "test_util.h"
#include "visit_order.h"

namespace {

const std::string kNegativeRefusal =
    "✘ 拓扑中存在负延迟链路，无法计算最短路径！请修正拓扑文件后重新加载。\n";

std::string rule(int width) { return std::string(width, '=') + "\n\n"; }

// "D0 0 3/D1 3 0" as table rows: every cell followed by a tab.
std::string tabbed(const std::string& rows) {
  std::string text;
  for (char c : rows + "/") {
    text += c == ' ' ? "\t" : c == '/' ? "\t\n" : std::string(1, c);
  }
  return text;
}

class AnalysesTest : public topotest::TopologyTest {
 protected:
  // Loads devices named by `codes` ("A X B") with `links` written as the
  // file's own link records ("A X 7  X B 9"), then builds the matrix.
  bool load(const std::string& codes, const std::string& links) {
    std::istringstream codeWords(codes);
    std::istringstream linkWords(links);
    std::string devices;
    int deviceCount = 0;
    for (std::string code; codeWords >> code; ++deviceCount) {
      devices += code + " 设备 4 24h运行\n";
    }
    const auto linkCount =
        std::distance(std::istream_iterator<std::string>(linkWords), {}) / 3;
    const std::string text = std::to_string(deviceCount) + " " +
                             std::to_string(linkCount) + "\n" + devices +
                             links + "\n";
    std::ostringstream messages;
    loadGraphFromFile(&graph, scratch_.write("net.txt", text).c_str(),
                      messages);
    if (graph.deviceCount != deviceCount) {
      ADD_FAILURE() << text << messages.str();
      return false;
    }
    buildLatencyMatrix(&graph);
    return true;
  }

  std::string route() {
    DFSTraverse(graph);
    std::string text;
    for (int i = 0; i < pathIdx; ++i) {
      text += (i > 0 ? " " : "") + std::string(path[i]);
    }
    return text;
  }

  template <typename Check>
  void forRandomNetworks(Check check);

  int pathMatrix[MAX_DEVICES][MAX_DEVICES];
  int distMatrix[MAX_DEVICES][MAX_DEVICES];

 private:
  topotest::ScratchFolder scratch_;
};

TEST_F(AnalysesTest, InspectionRoute) {
  const struct {
    const char* codes;
    const char* links;
    const char* route;
  } cases[] = {
      // D0-D3  D1-D2: each part starts at its lowest index
      {"D0 D1 D2 D3", "D0 D3 1  D1 D2 1", "D0 D3 D1 D2"},
      // D0-D2  D1
      {"D0 D1 D2", "D0 D2 1", "D0 D2 D1"},
      // D0=D3 (two links), D0-D2, D0 linked to itself, D1 alone. D0's list
      // runs D3 D3 D0 D0 D2: after D3 the scan goes on to D2 before D1.
      {"D0 D1 D2 D3", "D0 D2 1  D0 D0 1  D3 D0 1  D0 D3 1", "D0 D3 D2 D1"},
      // A-X-B  X: both links attach to the first X, both X are visited
      {"A X B X", "A X 1  X B 1", "A X B X"},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(load(c.codes, c.links));
    EXPECT_EQ(route(), c.route) << c.links;
    EXPECT_EQ(route(), c.route) << c.links << " (again)";
  }
}

TEST_F(AnalysesTest, LoopCheckSeesOnlyRepeatedCodes) {
  const std::string sorted = "✅ 图中没有回路，巡检路线合法！\n拓扑排序序列：\n";
  const struct {
    const char* codes;
    const char* links;
    const char* arcs;  // "from>to:ms", by device
    int result;
    std::string report;
  } cases[] = {
      // A-X-B  X: the route A X B X folds onto the first X.
      {"A X B X", "A X 7  X B 9", "0>1:7 1>2:9 2>1:9 ", 0,
       "❌ 图中存在路由环路！\n未排入拓扑序列的设备（形成环路的设备）：\n"
       "  - B\n提示：环路会导致广播风暴，需重新规划巡检路线！\n" +
           rule(34)},
      // D0-D3  D1-D2: the step from D3 to D1 has no link and weighs 1.
      {"D0 D1 D2 D3", "D0 D3 6  D1 D2 8", "0>3:6 1>2:8 3>1:1 ", 1,
       sorted + "  D0 →  D3 →  D1 →  D2\n" + rule(34)},
      {"D0", "", "", 1, sorted + "  D0\n" + rule(34)},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(load(c.codes, c.links));
    DFSTraverse(graph);
    TopologyGraph routeGraph{};
    buildRouteGraph(&routeGraph, graph);
    std::string arcs;
    for (int i = 0; i < routeGraph.deviceCount; ++i) {
      for (const LinkArc* a = routeGraph.devices[i].firstArc; a; a = a->next) {
        arcs += std::to_string(i) + ">" + std::to_string(a->target) + ":" +
                std::to_string(a->latency) + " ";
      }
    }
    EXPECT_EQ(arcs, c.arcs);
    std::ostringstream out;
    EXPECT_EQ(loopTest(routeGraph, out), c.result);
    EXPECT_EQ(out.str(), "\n========== 环路检测结果 ==========\n" + c.report);
    releaseArcs(&routeGraph);
  }
}

// D0-1-D1-1-D3 and D0-1-D2-1-D3, and D1-2-D2: the corners D0 and D3 are
// two equal routes apart, and the direct D1-D2 is as fast as via D0.
TEST_F(AnalysesTest, FloydKeepsTheFirstOfEqualRoutes) {
  ASSERT_TRUE(
      load("D0 D1 D2 D3", "D0 D1 1  D1 D3 1  D0 D2 1  D2 D3 1  D1 D2 2"));
  shortPath(graph, pathMatrix, distMatrix);
  EXPECT_EQ(distMatrix[0][3], 2);
  EXPECT_EQ(pathMatrix[0][3], 1);
  EXPECT_EQ(pathMatrix[1][2], 1);
  std::ostringstream out;
  printShortPath(graph, pathMatrix, 3, 0, out);
  EXPECT_EQ(out.str(), "  D3 ── D1\n  D1 ── D0\n");
}

TEST_F(AnalysesTest, RouteTableHonoursTheLatencyLimitAndSelfLinks) {
  const struct {
    const char* links;
    const char* rows;
  } cases[] = {
      // D0-16383-D1-16384-D2, D1-16383-D3; D0-D2 and D2-D3 are too slow
      {"D0 D1 16383  D1 D2 16384  D1 D3 16383  D0 D2 40000  D2 D3 32767",
       "D0 0 16383 INF 32766/D1 16383 0 16384 16383/D2 INF 16384 0 INF/"
       "D3 32766 16383 INF 0"},
      // D0 (linked to itself, 10) -3- D1    D2 (linked to itself, 4) -3- D3
      {"D0 D0 10  D0 D1 3  D2 D2 4  D2 D3 3",
       "D0 6 3 INF INF/D1 3 0 INF INF/D2 INF INF 4 3/D3 INF INF 3 0"},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(load("D0 D1 D2 D3", c.links));
    std::ostringstream out;
    floydAllDistance(graph, pathMatrix, distMatrix, out);
    EXPECT_EQ(out.str(),
              "\n========== 全网路由表（Floyd全源最短距离，单位：ms）"
              "==========\n" +
                  tabbed(" D0 D1 D2 D3/" + std::string(c.rows)) + rule(63));
  }
  std::ostringstream noRoute;
  printShortPath(graph, pathMatrix, 0, 2, noRoute);
  EXPECT_EQ(noRoute.str(), "(不可达)\n");
}

TEST_F(AnalysesTest, NegativeLatencyStopsBothFloydOptions) {
  for (const char* links : {"D0 D1 2  D1 D2 -1", "D0 D1 2  D2 D2 -5"}) {
    ASSERT_TRUE(load("D0 D1 D2", links));
    std::istringstream typed("D0 D2");
    TokenReader in(typed);
    std::ostringstream query;
    minDistance(graph, pathMatrix, distMatrix, in, query);
    EXPECT_EQ(query.str(), kNegativeRefusal);
    std::ostringstream table;
    floydAllDistance(graph, pathMatrix, distMatrix, table);
    EXPECT_EQ(table.str(), kNegativeRefusal);
  }
}

TEST_F(AnalysesTest, PlansPrintZeroLinksAndWideTotals) {
  ASSERT_TRUE(load("D0 D1 D2", "D0 D1 0  D1 D2 4"));
  std::ostringstream prim;
  primMST(graph, prim);
  EXPECT_EQ(prim.str(),
            "\n========== 光纤骨干网布线方案（Prim算法）==========\n"
            "从 D0 出发，按顶点扩张：\n\n  选中  D0 ── D1  (延迟:0ms)\n"
            "  选中  D1 ── D2  (延迟:4ms)\n\nMST总延迟：4ms\n" +
                rule(50));

  ASSERT_TRUE(load("D0 D1 D2", "D0 D1 2147483647  D1 D2 2147483647"));
  std::ostringstream kruskal;
  kruskalMST(graph, kruskal);
  EXPECT_EQ(kruskal.str(),
            "\n========== 光纤骨干网布线方案（Kruskal算法）==========\n"
            "按延迟从小到大排序，并查集判环：\n\n"
            "  ✅ 选中  D0 ── D1  (延迟:2147483647ms)\n"
            "  ✅ 选中  D1 ── D2  (延迟:2147483647ms)\n\n"
            "MST总延迟：4294967294ms\n" +
                rule(54));
}

TEST_F(AnalysesTest, DeviceDetailDerivesTheLayerFromTheCode) {
  // CR-2-FW, CR-5-DR-9; the other devices have no links.
  ASSERT_TRUE(load("CR FW SV DR DR-9 AR-9 CR-2 SV1 SW3 D ABCDEFGHIJKLMNOPQRS",
                   "CR FW 2  CR DR-9 5"));
  discardLatencyMatrix();  // the query needs none
  const auto query = [this](const std::string& typed) {
    std::istringstream input(typed);
    TokenReader in(input);
    std::ostringstream out;
    showDeviceInfo(graph, in, out);
    return out.str();
  };
  const auto detail = [](const std::string& code, const std::string& layer,
                         const std::string& neighbours) {
    return "\n========== 设备详情 ==========\n  设备名称：" + code +
           "\n  设备描述：设备\n  所属层级：" + layer +
           "\n  端口数量：4\n  运行时间：24h运行\n  相邻设备：" + neighbours +
           "\n==============================\n\n";
  };
  const struct {
    const char* typed;
    const char* layer;  // null: no such device
    const char* neighbours;
  } cases[] = {
      {"CR", "核心层", "DR-9(5ms)  FW(2ms)  "},
      {"FW", "安全层", "CR(2ms)  "},
      {"SV", "数据中心", "无"},
      {"DR", "汇聚层", "无"},
      {"DR-9", "汇聚层", "CR(5ms)  "},
      {"AR-9", "接入层", "无"},
      {"CR-2", "其他", "无"},
      {"SV1", "其他", "无"},
      {"SW3", "其他", "无"},
      {"D", "其他", "无"},
      {"ABCDEFGHIJKLMNOPQRS", "其他", "无"},
      {"fw", nullptr, nullptr},
      {"ABCDEFGHIJKLMNOPQRST", nullptr, nullptr},
  };
  for (const auto& c : cases) {
    const std::string typed = c.typed;
    EXPECT_EQ(query(typed), "请输入要查询的设备代号：" +
                                (c.layer ? detail(typed, c.layer, c.neighbours)
                                         : "✘ 未找到设备：" + typed + "\n"));
  }
}

// --- Random networks against independent references -----------------------

constexpr long long kLongestRoute = INF - 1;
constexpr long long kNoLink = LLONG_MAX;

struct Edge {
  int from;
  int to;
  int latency;
};

// Links in file order, self-links and repeats included.
struct RandomNetwork {
  int devices;
  std::vector<Edge> edges;
};

// Per pair, the latency of its first link; kNoLink without one.
using Matrix = std::vector<std::vector<long long>>;

int draw(std::mt19937& generator, int below) {
  return static_cast<int>(generator() % below);
}

// Latencies lean towards ties, 0 ms and both sides of the 32766 limit.
RandomNetwork randomNetwork(std::mt19937& generator) {
  constexpr int kEdgeCases[] = {0,     16383, 16384,   32766,
                                32767, 40000, INT_MAX, -4};
  const int n =
      draw(generator, 25) == 0 ? MAX_DEVICES : 1 + draw(generator, 10);
  RandomNetwork network{n, {}};
  for (int e = draw(generator, n * (n - 1) / 2 + 1); e > 0; --e) {
    const int from = draw(generator, n);
    const int to = draw(generator, 8) == 0 ? from : draw(generator, n);
    // Negative latencies only in small networks: the large ones are
    // meant for the Floyd check, which refuses negative latencies.
    const int edgeCase = draw(generator, n < MAX_DEVICES ? 8 : 7);
    const int latency =
        draw(generator, 6) == 0 ? kEdgeCases[edgeCase] : 1 + draw(generator, 9);
    network.edges.push_back({from, to, latency});
  }
  return network;
}

// Loads 300 random networks, the same on every run, and hands each to
// `check` with the matrix the file reader should give it.
template <typename Check>
void AnalysesTest::forRandomNetworks(Check check) {
  std::mt19937 generator(2024);
  for (int round = 0; round < 300 && !HasFailure(); ++round) {
    const RandomNetwork network = randomNetwork(generator);
    std::string codes;
    std::string links;
    for (int i = 0; i < network.devices; ++i) {
      codes += "D" + std::to_string(i) + " ";
    }
    Matrix direct(network.devices,
                  std::vector<long long>(network.devices, kNoLink));
    for (const Edge& e : network.edges) {
      links += "D" + std::to_string(e.from) + " D" + std::to_string(e.to) +
               " " + std::to_string(e.latency) + "\n";
      if (direct[e.from][e.to] == kNoLink) {
        direct[e.from][e.to] = direct[e.to][e.from] = e.latency;
      }
    }
    SCOPED_TRACE(links);
    ASSERT_TRUE(load(codes, links));
    check(network, direct);
  }
}

// The recursive depth-first preorder, each device trying its list in order.
void preorder(const std::vector<std::deque<int>>& lists, int device,
              std::vector<bool>* seen, std::string* order) {
  (*seen)[device] = true;
  *order += (order->empty() ? "D" : " D") + std::to_string(device);
  for (int next : lists[device]) {
    if (!(*seen)[next]) preorder(lists, next, seen, order);
  }
}

TEST_F(AnalysesTest, InspectionRouteAndLoopCheckOnRandomNetworks) {
  forRandomNetworks([this](const RandomNetwork& network, const Matrix&) {
    const int n = network.devices;
    std::vector<std::deque<int>> lists(n);  // newest link first
    for (const Edge& e : network.edges) {
      lists[e.from].push_front(e.to);
      lists[e.to].push_front(e.from);
    }
    std::vector<bool> seen(n, false);
    std::string expected;
    for (int i = 0; i < n; ++i) {
      if (!seen[i]) preorder(lists, i, &seen, &expected);
    }
    EXPECT_EQ(route(), expected);

    // Codes are distinct: the route graph is a chain, free of loops.
    TopologyGraph routeGraph{};
    buildRouteGraph(&routeGraph, graph);
    std::ostringstream report;
    EXPECT_EQ(loopTest(routeGraph, report), 1);
    releaseArcs(&routeGraph);
  });
}

// Fastest routes from `source` by Dijkstra over the links of 32766 ms at
// most; kNoLink where there is none.
std::vector<long long> fastestFrom(const Matrix& direct, int source) {
  const int n = static_cast<int>(direct.size());
  std::vector<long long> distance(n, kNoLink);
  std::vector<bool> settled(n, false);
  distance[source] = 0;
  for (;;) {
    int nearest = -1;
    for (int v = 0; v < n; ++v) {
      if (!settled[v] && (nearest == -1 || distance[v] < distance[nearest])) {
        nearest = v;
      }
    }
    if (nearest == -1 || distance[nearest] == kNoLink) return distance;
    settled[nearest] = true;
    for (int v = 0; v < n; ++v) {
      if (v != nearest && direct[nearest][v] <= kLongestRoute) {
        distance[v] =
            std::min(distance[v], distance[nearest] + direct[nearest][v]);
      }
    }
  }
}

long long routeOrNone(long long latency) {
  return latency > kLongestRoute ? -1 : latency;
}

TEST_F(AnalysesTest, FloydAgreesWithDijkstraOnRandomNetworks) {
  forRandomNetworks([this](const RandomNetwork& network, const Matrix& direct) {
    const int n = network.devices;
    bool negative = false;
    for (const auto& row : direct) {
      negative = negative || *std::min_element(row.begin(), row.end()) < 0;
    }
    if (negative) {
      std::ostringstream table;
      floydAllDistance(graph, pathMatrix, distMatrix, table);
      EXPECT_EQ(table.str(), kNegativeRefusal);
      return;
    }
    shortPath(graph, pathMatrix, distMatrix);
    for (int from = 0; from < n; ++from) {
      const std::vector<long long> fastest = fastestFrom(direct, from);
      // The diagonal: a self-link, or out to the nearest device and back.
      long long roundTrip =
          direct[from][from] == kNoLink ? 0 : direct[from][from];
      for (int to = 0; to < n; ++to) {
        if (to != from && fastest[to] != kNoLink) {
          roundTrip = std::min(roundTrip, 2 * fastest[to]);
        }
      }
      for (int to = 0; to < n; ++to) {
        const long long expected = to == from ? roundTrip : fastest[to];
        EXPECT_EQ(routeOrNone(distMatrix[from][to]), routeOrNone(expected))
            << from << " to " << to;
        if (to == from || expected > kLongestRoute) continue;
        // The printed route: a chain of links adding up to the distance.
        std::ostringstream out;
        printShortPath(graph, pathMatrix, from, to, out);
        std::istringstream lines(out.str());
        std::string line;
        int at = from;
        long long total = 0;
        int a = -1;
        int b = -1;
        while (std::getline(lines, line) &&
               std::sscanf(line.c_str(), "  D%d ── D%d", &a, &b) == 2 &&
               a == at && direct[a][b] <= kLongestRoute) {
          total += direct[a][b];
          at = b;
        }
        EXPECT_TRUE(at == to && total == expected && lines.eof())
            << from << " to " << to << ":\n"
            << out.str();
      }
    }
  });
}

struct Forest {
  long long total = 0;
  int links = 0;
};

// A minimum spanning forest by sorted links and union-find; with
// `treeOfDeviceZero`, only the tree that holds device 0 counts.
Forest spanningForest(int devices, std::vector<Edge> edges,
                      bool treeOfDeviceZero) {
  std::sort(edges.begin(), edges.end(),
            [](const Edge& a, const Edge& b) { return a.latency < b.latency; });
  std::vector<int> group(devices);
  std::iota(group.begin(), group.end(), 0);
  const auto root = [&group](int device) {
    while (group[device] != device) device = group[device];
    return device;
  };
  std::vector<Edge> chosen;
  for (const Edge& e : edges) {
    if (root(e.from) == root(e.to)) continue;
    group[root(e.from)] = root(e.to);
    chosen.push_back(e);
  }
  Forest forest;
  for (const Edge& e : chosen) {
    if (treeOfDeviceZero && root(e.from) != root(0)) continue;
    forest.total += e.latency;
    ++forest.links;
  }
  return forest;
}

TEST_F(AnalysesTest, CablingPlansAreMinimalOnRandomNetworks) {
  forRandomNetworks([this](const RandomNetwork& network, const Matrix& direct) {
    const int n = network.devices;
    // Prim sees the matrix: the first link of a pair, up to 32766 ms.
    std::vector<Edge> matrixLinks;
    for (int i = 0; i < n; ++i) {
      for (int j = i + 1; j < n; ++j) {
        if (direct[i][j] <= kLongestRoute) {
          matrixLinks.push_back({i, j, static_cast<int>(direct[i][j])});
        }
      }
    }
    const Forest primTree = spanningForest(n, matrixLinks, true);
    const CablingPlan prim = computePrimPlan(latencyMatrixOf(networkOf(graph)));
    EXPECT_EQ(prim.totalLatency, primTree.total);
    EXPECT_EQ(prim.acceptedCount, primTree.links);
    EXPECT_EQ(prim.connected, primTree.links == n - 1);
    for (const PlanLink& link : prim.links) {
      EXPECT_EQ(link.latency, direct[link.from][link.to]);
    }
    // Kruskal sees every link.
    const Forest kruskalForest = spanningForest(n, network.edges, false);
    const CablingPlan kruskal = computeKruskalPlan(networkOf(graph));
    EXPECT_EQ(kruskal.totalLatency, kruskalForest.total);
    EXPECT_EQ(kruskal.connected, kruskalForest.links == n - 1);
    // Without parallel links and links beyond 32766 ms both see the same.
    const auto properLinks =
        std::count_if(network.edges.begin(), network.edges.end(),
                      [](const Edge& e) { return e.from != e.to; });
    if (static_cast<size_t>(properLinks) == matrixLinks.size() &&
        prim.connected) {
      EXPECT_EQ(prim.totalLatency, kruskal.totalLatency);
    }
  });
}

}  // namespace
