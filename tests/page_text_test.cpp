// The page's sentences, built natively: the same lines the browser test
// checks against the menu and the resilience report, here without a
// browser, so that a change of wording shows under every build.
#include "page_text.h"

#include <gtest/gtest.h>

#include "latency_matrix.h"
#include "resilience_text.h"
#include "support/networks.h"

namespace {

using Lines = std::vector<std::string>;

std::vector<std::string> codesOf(const Network& network) {
  std::vector<std::string> codes;
  for (const Device& device : network.devices) codes.push_back(device.code);
  return codes;
}

TEST(PageText, RouteLinesCoverRoutesBackupsAndUnreachableEnds) {
  const Network campus = networks::campus();
  const std::vector<Link> links = savedLinks(campus);
  const std::vector<std::string> codes = codesOf(campus);
  const FailureSet none;
  const FailureSet crDown{{0}, {}};
  struct Case {
    int from, to;
    const FailureSet* failed;
    Lines expected;
  } cases[] = {
      {3,
       5,
       &none,
       {"最优路径：AR-T → DR-A → DR-B → AR-D", "最短延迟：18ms",
        "备用路由（27ms）：AR-T → SV → AR-D"}},
      {0,
       0,
       &none,
       {"起点和终点相同，延迟为0。", "备用路由：无（起点和终点相同）"}},
      {0,
       7,
       &none,
       {"最优路径：CR → FW", "最短延迟：2ms",
        "备用路由：无（没有不与最优路由共用链路的路由）"}},
      {7, 6, &crDown, {"从 FW 到 SV 不可达（无连通路径）！"}},
  };
  for (const Case& c : cases) {
    const RouteReport route =
        routeWithBackup(campus.deviceCount(), links, *c.failed, c.from, c.to);
    EXPECT_EQ(routeLines(codes, route), c.expected)
        << codes[c.from] << " to " << codes[c.to];
  }
}

TEST(PageText, PlanLinesNameSkippedLinksAndASplitNetwork) {
  const Network campus = networks::campus();
  const std::vector<std::string> codes = codesOf(campus);
  EXPECT_EQ(planLines(codes, computePrimPlan(latencyMatrixOf(campus)), "Prim"),
            (Lines{"光纤骨干网布线方案（Prim算法）", "选中 7 条链路",
                   "MST总延迟：26ms"}));
  EXPECT_EQ(planLines(codes, computeKruskalPlan(campus), "Kruskal"),
            (Lines{"光纤骨干网布线方案（Kruskal算法）", "选中 7 条链路",
                   "MST总延迟：26ms", "  ✗ 跳过  DR-A ── AR-L  (延迟:4ms)"}));

  //   A --1-- B      C
  const Network split = networks::build("A B C", "A B 1");
  EXPECT_EQ(planLines(codesOf(split), computeKruskalPlan(split), "Kruskal"),
            (Lines{"光纤骨干网布线方案（Kruskal算法）", "选中 1 条链路",
                   "MST总延迟：1ms", kPlanSplitLine}));
}

TEST(PageText, ScenarioLinesGiveFiguresWorstPairAndCutOffDevices) {
  const Network campus = networks::campus();
  const std::vector<Link> links = savedLinks(campus);
  const std::vector<std::string> codes = codesOf(campus);
  const IntactNetwork intact = analyseIntact(campus.deviceCount(), links);
  const auto lines = [&](const FailureSet& failed) {
    return scenarioLines(codes, links, scenarioFigures(intact, failed));
  };
  EXPECT_EQ(lines({{0}, {}}), (Lines{"故障：设备 CR", "连通分区：2 个",
                                     "断开（不再可达的设备对）：6 对",
                                     "变慢（延迟变大的设备对）：0 对",
                                     "最大变慢：—", "切断：FW（1 台）"}));
  EXPECT_EQ(lines({{1}, {}}),
            (Lines{"故障：设备 DR-A", "连通分区：1 个",
                   "断开（不再可达的设备对）：0 对",
                   "变慢（延迟变大的设备对）：12 对",
                   "最大变慢：CR ↔ AR-T 8ms → 38ms", "切断：无"}));
}

TEST(PageText, RiskLinesListEachSinglePointOrSayThereIsNone) {
  const Network campus = networks::campus();
  const std::vector<Link> links = savedLinks(campus);
  const IntactNetwork intact = analyseIntact(campus.deviceCount(), links);
  const SinglePoints points = findSinglePoints(campus.deviceCount(), links);
  EXPECT_EQ(singlePointLines(
                codesOf(campus), links,
                singlePointScenarios(campus.deviceCount(), links, points, {})),
            (Lines{"单点故障共 2 处（影响大的在前）：",
                   "⚠ 链路 CR ── FW（2ms）：故障后切断 FW（1 台，断开 7 对）",
                   "⚠ 设备 CR：故障后切断 FW（1 台，断开 6 对）"}));

  //   A --1-- B --1-- C --1-- A
  const Network ring = networks::build("A B C", "A B 1  B C 1  C A 1");
  EXPECT_EQ(singlePointLines(codesOf(ring), savedLinks(ring), {}),
            (Lines{"✔ 没有单点故障：任何一台设备或一条链路单独故障，"
                   "都不会使网络分裂。"}));
}

TEST(PageText, DeviceDetailAndNamesFollowTheMenu) {
  const Network campus = networks::campus();
  using Detail = std::vector<std::pair<std::string, std::string>>;
  EXPECT_EQ(deviceDetail(campus, 7), (Detail{{"设备名称：", "FW"},
                                             {"设备描述：", "设备"},
                                             {"所属层级：", "安全层"},
                                             {"端口数量：", "4"},
                                             {"运行时间：", "24h运行"},
                                             {"相邻设备：", "CR(2ms)"}}));
  const Network lone = networks::build("X", "");
  EXPECT_EQ(deviceDetail(lone, 0).back().second, "无");
  EXPECT_EQ(deviceName("CR"), "设备 CR");
  EXPECT_EQ(linkName(codesOf(campus), savedLinks(campus)[0]), "链路 CR─FW 2ms");
  EXPECT_EQ(readyLine(8, 10), "分析引擎已就绪：共8台设备，10条链路。");
}

}  // namespace
