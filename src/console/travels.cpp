#include "travels.h"

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "text.h"
#include "visit_order.h"

int visited[MAX_DEVICES];
char path[MAX_DEVICES][CODE_SIZE];
int pathIdx = 0;
LinkArc* p = nullptr;

namespace {

// A typed device code is kept up to this many bytes (and one more to tell
// it was longer): longer than any device's code, it can match nothing, but
// the refusal still echoes what was typed.
constexpr size_t kTypedCodeLimit = 255;

// Each option that needs the latency matrix says so in its own words.
constexpr char kRouteNeedsMatrix[] =
    "请先选择选项2查看邻接矩阵后再生成巡检路线！";
constexpr char kLoopCheckNeedsMatrix[] =
    "请先选择选项2查看邻接矩阵后再检测环路！";
constexpr char kQueryNeedsMatrix[] =
    "✘ 请先选择选项2查看邻接矩阵后再查询最短路径！";
constexpr char kTableNeedsMatrix[] =
    "✘ 请先选择选项2查看邻接矩阵后再查看全网路由表！";
constexpr char kPlanNeedsMatrix[] = "✘ 请先选择选项2查看邻接矩阵后再计算！";

// Prints `refusal` and returns false while there is no latency matrix.
bool haveMatrix(const char* refusal, std::ostream& out) {
  if (parray != nullptr) return true;
  out << refusal << '\n';
  return false;
}

// The checks shared by options 5 and 6; prints the refusal if any.
bool floydCanRun(const char* needsMatrix, std::ostream& out) {
  if (!haveMatrix(needsMatrix, out)) return false;
  if (hasNegativeLatency(workingLatencyMatrix())) {
    out << kNegativeLatency << '\n';
    return false;
  }
  return true;
}

// Appends the visit `order` to the route globals.
void recordVisits(const TopologyGraph& g, const std::vector<int>& order) {
  for (const int device : order) {
    visited[device] = 1;
    std::memcpy(path[pathIdx], g.devices[device].code, CODE_SIZE);
    ++pathIdx;
  }
  p = nullptr;
}

// The devices' codes by index, as the route graph names them.
std::vector<std::string> codesOf(const TopologyGraph& g) {
  std::vector<std::string> codes;
  codes.reserve(static_cast<size_t>(g.deviceCount));
  for (int i = 0; i < g.deviceCount; ++i) codes.emplace_back(g.devices[i].code);
  return codes;
}

// The route recorded in a lent path matrix (see unfoldRouteBy).
std::vector<int> unfoldLentRoute(int pathMatrix[][MAX_DEVICES], int from,
                                 int to) {
  return unfoldRouteBy([pathMatrix](int i, int j) { return pathMatrix[i][j]; },
                       from, to);
}

void printPlanTotal(const CablingPlan& plan, std::ostream& out) {
  out << "\nMST总延迟：" << plan.totalLatency << "ms\n";
  if (!plan.connected) out << "(图不连通，布线无法覆盖所有设备)\n";
}

}  // namespace

// --- Inspection route --------------------------------------------------------

void DFSTraverse(TopologyGraph g) {
  pathIdx = 0;
  for (int i = 0; i < g.deviceCount; ++i) visited[i] = 0;
  for (int i = 0; i < g.deviceCount; ++i) {
    if (visited[i] == 0) DFS(g, i);
  }
}

void DFS(TopologyGraph g, int v) {
  std::vector<bool> reached(g.deviceCount);
  for (int i = 0; i < g.deviceCount; ++i) reached[i] = visited[i] != 0;
  std::vector<int> order;
  inspectFrom(neighbourListsOf(g), v, &reached, &order);
  recordVisits(g, order);
}

void printInspectionRoute(const TopologyGraph& g, std::ostream& out) {
  out << "巡检路线：\n  ";
  for (int i = 0; i < g.deviceCount; ++i) {
    out << path[i];
    if (i < g.deviceCount - 1) out << " → ";
  }
  out << "\n共巡检 " << g.deviceCount << " 台设备，无重复访问。\n";
  out << "=========================================================\n\n";
}

void showInspectionRoute(const TopologyGraph& g, std::ostream& out) {
  out << "\n========== 全网设备巡检路线（DFS深度优先遍历）==========\n";
  if (!haveMatrix(kRouteNeedsMatrix, out)) return;
  DFSTraverse(g);
  printInspectionRoute(g, out);
}

// --- Loop check --------------------------------------------------------------

void buildRouteGraph(TopologyGraph* route, const TopologyGraph& g) {
  std::vector<int> order;
  order.reserve(pathIdx);
  for (int j = 0; j < pathIdx && j < g.deviceCount; ++j) {
    order.push_back(locateIn(g, path[j]));
  }
  const int n = g.deviceCount;
  route->deviceCount = n;
  route->linkCount = 0;
  for (int j = 0; j < n; ++j) {
    DeviceEntry& entry = route->devices[j];
    std::memcpy(&entry, &g.devices[j], sizeof entry);
    entry.firstArc = nullptr;
  }
  for (const RouteArc& arc :
       routeArcs(codesOf(g), order, workingLatencyMatrix())) {
    auto added = std::make_unique<LinkArc>(
        LinkArc{arc.to, route->devices[arc.from].firstArc, arc.latency});
    route->devices[arc.from].firstArc = added.release();
    ++route->linkCount;
  }
}

int loopTest(TopologyGraph g, std::ostream& out) {
  // The route graph's arcs are directed: each list is read as it stands.
  std::vector<std::vector<int>> arcs(static_cast<size_t>(g.deviceCount));
  for (int i = 0; i < g.deviceCount; ++i) {
    for (const LinkArc* arc = g.devices[i].firstArc; arc != nullptr;
         arc = arc->next) {
      arcs[i].push_back(arc->target);
    }
  }
  const LoopCheck check = checkForLoops(codesOf(g), arcs);
  out << "\n========== 环路检测结果 ==========\n";
  if (check.hasLoop) {
    out << "❌ 图中存在路由环路！\n";
    out << "未排入拓扑序列的设备（形成环路的设备）：\n";
    for (const int device : check.leftOver) {
      out << "  - " << g.devices[device].code << '\n';
    }
    out << "提示：环路会导致广播风暴，需重新规划巡检路线！\n";
    out << "==================================\n\n";
    return 0;
  }
  out << "✅ 图中没有回路，巡检路线合法！\n";
  out << "拓扑排序序列：\n";
  for (size_t l = 0; l < check.sequence.size(); ++l) {
    out << "  " << g.devices[check.sequence[l]].code;
    if (l + 1 < check.sequence.size()) out << " →";
  }
  out << "\n==================================\n\n";
  return 1;
}

void checkInspectionRoute(const TopologyGraph& g, TopologyGraph* routeGraph,
                          std::ostream& out) {
  out << "\n========== 路由环路检测 ==========\n";
  if (!haveMatrix(kLoopCheckNeedsMatrix, out)) return;
  DFSTraverse(g);
  buildRouteGraph(routeGraph, g);
  loopTest(*routeGraph, out);  // the result is only shown
  releaseArcs(routeGraph);
}

// --- Floyd routes ------------------------------------------------------------

void shortPath(TopologyGraph g, int pathMatrix[][MAX_DEVICES],
               int distMatrix[][MAX_DEVICES]) {
  const FloydRoutes& routes = workingRoutes();
  const size_t rowBytes = sizeof(int) * static_cast<size_t>(g.deviceCount);
  for (int i = 0; i < g.deviceCount; ++i) {
    std::memcpy(pathMatrix[i], routes.viaRow(i), rowBytes);
    std::memcpy(distMatrix[i], routes.distanceRow(i), rowBytes);
  }
}

void printShortPath(TopologyGraph g, int pathMatrix[][MAX_DEVICES], int from,
                    int to, std::ostream& out) {
  const std::vector<int> hops = unfoldLentRoute(pathMatrix, from, to);
  if (hops.empty()) out << "(不可达)\n";
  for (size_t i = 1; i < hops.size(); ++i) {
    out << "  " << g.devices[hops[i - 1]].code << " ── "
        << g.devices[hops[i]].code << '\n';
  }
}

namespace {

// The dormitory's well-known case: told only when AR-D and SV have a
// direct link and the route found beats it, with the route as found.
void printDetourNote(const TopologyGraph& g, const std::vector<int>& hops,
                     int direct, int distance, std::ostream& out) {
  if (direct > kLargestLatency || distance >= direct) return;
  out << "\n⭐ 有趣的现象：\n";
  out << "   直连路径：AR-D ── SV = " << direct << "ms\n";
  out << "   最优路径：";
  for (size_t i = 0; i < hops.size(); ++i) {
    out << (i == 0 ? "" : " → ") << g.devices[hops[i]].code;
  }
  out << " = " << distance << "ms\n";
  out << "   \"绕路\"反而比直连快" << direct - distance
      << "ms！这是因为宿舍直连服务器线路质量较差。\n";
}

}  // namespace

void minDistance(TopologyGraph g, int pathMatrix[][MAX_DEVICES],
                 int distMatrix[][MAX_DEVICES], TokenReader& in,
                 std::ostream& out) {
  if (!floydCanRun(kQueryNeedsMatrix, out)) return;
  shortPath(g, pathMatrix, distMatrix);
  std::string startCode;
  std::string endCode;
  out << "请输入起点设备代号：";
  if (!in.readWord(&startCode, kTypedCodeLimit)) return;
  out << "请输入终点设备代号：";
  if (!in.readWord(&endCode, kTypedCodeLimit)) return;

  const int s = findDevice(g, startCode);
  const int e = findDevice(g, endCode);
  if (s == -1 || e == -1) {
    out << "✘ 设备不存在！请检查输入。\n";
    return;
  }
  if (s == e) {
    out << "起点和终点相同，延迟为0。\n";
    return;
  }
  const int distance = distMatrix[s][e];
  if (distance > kLargestLatency) {
    out << "从 " << startCode << " 到 " << endCode
        << " 不可达（无连通路径）！\n";
    return;
  }

  out << "\n========== 最优路径计算结果 ==========\n";
  out << "起点：" << startCode << '\n';
  out << "终点：" << endCode << '\n';
  out << "最优路径：\n";
  printShortPath(g, pathMatrix, s, e, out);
  if (startCode == "AR-D" && endCode == "SV") {
    printDetourNote(g, unfoldLentRoute(pathMatrix, s, e),
                    workingLatencyMatrix().at(s, e), distance, out);
  }
  out << "最短延迟：" << distance << "ms\n";
  out << "=====================================\n\n";
}

void floydAllDistance(TopologyGraph g, int pathMatrix[][MAX_DEVICES],
                      int distMatrix[][MAX_DEVICES], std::ostream& out) {
  if (!floydCanRun(kTableNeedsMatrix, out)) return;
  shortPath(g, pathMatrix, distMatrix);
  const int n = g.deviceCount;
  out << "\n========== 全网路由表（Floyd全源最短距离，单位：ms）==========\n";
  out << '\t';
  for (int i = 0; i < n; ++i) out << g.devices[i].code << '\t';
  out << '\n';
  for (int i = 0; i < n; ++i) {
    writeTableRow(out, g.devices[i].code, distMatrix[i], n, "INF");
  }
  out << "===============================================================\n\n";
}

// --- Cabling plans -----------------------------------------------------------

void primMST(TopologyGraph g, std::ostream& out) {
  if (!haveMatrix(kPlanNeedsMatrix, out)) return;
  const CablingPlan plan = computePrimPlan(workingLatencyMatrix());
  out << "\n========== 光纤骨干网布线方案（Prim算法）==========\n";
  out << "从 " << g.devices[0].code << " 出发，按顶点扩张：\n\n";
  for (const PlanLink& link : plan.links) {
    out << "  选中  " << g.devices[link.from].code << " ── "
        << g.devices[link.to].code << "  (延迟:" << link.latency << "ms)\n";
  }
  printPlanTotal(plan, out);
  out << "==================================================\n\n";
}

void kruskalMST(TopologyGraph g, std::ostream& out) {
  if (!haveMatrix(kPlanNeedsMatrix, out)) return;
  const CablingPlan plan = computeKruskalPlan(g.deviceCount, savedLinksOf(g));
  out << "\n========== 光纤骨干网布线方案（Kruskal算法）==========\n";
  out << "按延迟从小到大排序，并查集判环：\n\n";
  // Up to 780 lines: formatted into one string, as the tables are.
  std::string lines;
  for (const PlanLink& link : plan.links) {
    lines.append(link.accepted ? "  ✅ 选中  " : "  ❌ 跳过  ")
        .append(g.devices[link.from].code)
        .append(" ── ")
        .append(g.devices[link.to].code)
        .append("  (延迟:");
    appendNumber(&lines, link.latency);
    lines.append(link.accepted ? "ms)\n" : "ms)   ← 避免环路\n");
  }
  out << lines;
  printPlanTotal(plan, out);
  out << "======================================================\n\n";
}

void showCablingPlans(const TopologyGraph& g, std::ostream& out) {
  out << "\n========== 光纤骨干网布线方案 ==========\n";
  primMST(g, out);
  kruskalMST(g, out);
}

// --- Device detail -----------------------------------------------------------

void showDeviceInfo(TopologyGraph g, TokenReader& in, std::ostream& out) {
  std::string code;
  out << "请输入要查询的设备代号：";
  if (!in.readWord(&code, kTypedCodeLimit)) return;
  const int index = findDevice(g, code);
  if (index == -1) {
    out << kDeviceNotFound << code << '\n';
    return;
  }
  const DeviceEntry& device = g.devices[index];
  out << "\n========== 设备详情 ==========\n";
  out << "  设备名称：" << device.code << '\n';
  out << "  设备描述：" << device.description << '\n';
  out << "  所属层级：" << layerName(layerOf(device.code)) << '\n';
  out << "  端口数量：" << device.ports << '\n';
  out << "  运行时间：" << device.uptime << '\n';
  out << "  相邻设备：";
  // The device's list holds its neighbours newest link first.
  if (device.firstArc == nullptr) out << "无";
  for (const LinkArc* arc = device.firstArc; arc != nullptr; arc = arc->next) {
    out << g.devices[arc->target].code << '(' << arc->latency << "ms)  ";
  }
  out << "\n==============================\n\n";
}
