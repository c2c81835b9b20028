#include "travels.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "text.h"

char path[MAX_DEVICES][CODE_SIZE];
int pathIdx = 0;
LinkArc* p = nullptr;

namespace {

constexpr char kPlanNeedsMatrix[] = "✘ 请先选择选项2查看邻接矩阵后再计算！";

// Matrix values above this mean "no link" or "no route".
constexpr int kLargestLatency = INF - 1;

// The checks shared by options 5 and 6; prints the refusal if any.
bool floydCanRun(const TopologyGraph& g, const char* needsMatrix,
                 std::ostream& out) {
  if (parray == nullptr) {
    out << needsMatrix << '\n';
    return false;
  }
  if (hasNegativeLatency(g)) {
    out << kNegativeLatency << '\n';
    return false;
  }
  return true;
}

// One row of a Floyd round: the routes from some device i improved by
// going through device k, given the distance toVia from i to k (at most
// 32766). Written without branches so that the compiler vectorises it.
__attribute__((target_clones("avx2", "default"))) void relaxThroughDevice(
    int n, int k, int toVia,
                        const int* __restrict viaRow,
                        int* __restrict distRow, int* __restrict pathRow) {
  for (int j = 0; j < n; ++j) {
    const int fromVia = viaRow[j];
    const int sum = toVia + std::min(fromVia, INF);  // cannot overflow
    // A bitwise & rather than &&: a short-circuit would be a branch, and
    // the loop would no longer vectorise.
    // NOLINTNEXTLINE(readability-implicit-bool-conversion)
    const bool shorter = (fromVia <= kLargestLatency) & (sum < distRow[j]);
    distRow[j] = shorter ? sum : distRow[j];
    pathRow[j] = shorter ? k : pathRow[j];
  }
}

int kruskalFind(int parent[], int x) {
  while (parent[x] != x) {
    parent[x] = parent[parent[x]];  // path halving
    x = parent[x];
  }
  return x;
}

// Appends the devices after `from` on the recorded route to `to`; false
// when a part of it has no route.
bool appendRoute(int pathMatrix[][MAX_DEVICES], int from, int to,
                 std::vector<int>* hops) {
  const int via = pathMatrix[from][to];
  if (via == -1) return false;
  if (via == from) {
    hops->push_back(to);
    return true;
  }
  return appendRoute(pathMatrix, from, via, hops) &&
         appendRoute(pathMatrix, via, to, hops);
}

void printPlanTotal(const CablingPlan& plan, std::ostream& out) {
  out << "\nMST总延迟：" << plan.totalLatency << "ms\n";
  if (!plan.connected) out << "(图不连通，布线无法覆盖所有设备)\n";
}

}  // namespace

int findDevice(const TopologyGraph& g, const std::string& word) {
  if (word.size() >= CODE_SIZE || word.find('\0') != std::string::npos) {
    return -1;
  }
  return locateIn(g, word.c_str());
}

// --- Inspection route -----------------------------------------------------

void DFSTraverse(TopologyGraph g) {
  pathIdx = 0;
  for (int i = 0; i < g.deviceCount; ++i) visited[i] = 0;
  for (int i = 0; i < g.deviceCount; ++i) {
    if (visited[i] == 0) DFS(g, i);  // each call gets its own copy of g
  }
}

void DFS(TopologyGraph g, int v) {
  visited[v] = 1;
  std::memcpy(path[pathIdx], g.devices[v].code, CODE_SIZE);
  ++pathIdx;
  p = g.devices[v].firstArc;
  while (p != nullptr) {
    if (visited[p->target] == 0) {
      DFS(g, p->target);
      // The callee ran the shared cursor off its own list; restart this
      // list at its head. Every arc up to here now leads to a visited
      // device, so the route is still the plain depth-first preorder.
      p = g.devices[v].firstArc;
    }
    p = p->next;
  }
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

// --- Loop check -------------------------------------------------------------

void buildRouteGraph(TopologyGraph* route, const TopologyGraph& g) {
  const int n = g.deviceCount;
  route->deviceCount = n;
  route->linkCount = 0;
  for (int j = 0; j < n; ++j) {
    DeviceEntry& entry = route->devices[j];
    const DeviceEntry& device = g.devices[j];
    std::memcpy(entry.code, device.code, CODE_SIZE);
    std::memcpy(entry.description, device.description, DESCRIPTION_SIZE);
    entry.ports = device.ports;
    std::memcpy(entry.uptime, device.uptime, UPTIME_SIZE);
    entry.firstArc = nullptr;
  }
  for (int j = 0; j + 1 < n; ++j) {
    const int from = locateIn(*route, path[j]);
    const int to = locateIn(*route, path[j + 1]);
    if (from == -1 || to == -1) continue;
    const int latency =
        parray[from][to] > kLargestLatency ? 1 : parray[from][to];
    route->devices[from].firstArc =
        new LinkArc{to, route->devices[from].firstArc, latency};
    ++route->linkCount;
  }
}

int loopTest(TopologyGraph g, std::ostream& out) {
  const int n = g.deviceCount;
  std::unique_ptr<int[]> inDegree(new int[n]());
  std::unique_ptr<int[]> queue(new int[n]);
  std::unique_ptr<int[]> sequence(new int[n]);  // device indexes, sorted
  int sorted = 0;
  int front = 0;
  int rear = 0;

  for (int i = 0; i < n; ++i) {
    for (const LinkArc* arc = g.devices[i].firstArc; arc != nullptr;
         arc = arc->next) {
      ++inDegree[arc->target];
    }
  }
  for (int i = 0; i < n; ++i) {
    if (inDegree[i] == 0) queue[rear++] = i;
  }
  while (front != rear) {
    const int v = queue[front++];
    sequence[sorted++] = v;
    for (const LinkArc* arc = g.devices[v].firstArc; arc != nullptr;
         arc = arc->next) {
      if (--inDegree[arc->target] == 0) queue[rear++] = arc->target;
    }
  }

  out << "\n========== 环路检测结果 ==========\n";
  if (sorted < n) {
    out << "❌ 图中存在路由环路！\n";
    out << "未排入拓扑序列的设备（形成环路的设备）：\n";
    // A device is left over when no sorted device bears its code.
    for (int l = 0; l < n; ++l) {
      bool inSequence = false;
      for (int s = 0; s < sorted && !inSequence; ++s) {
        inSequence =
            std::strcmp(g.devices[sequence[s]].code, g.devices[l].code) == 0;
      }
      if (!inSequence) out << "  - " << g.devices[l].code << '\n';
    }
    out << "提示：环路会导致广播风暴，需重新规划巡检路线！\n";
    out << "==================================\n\n";
    return 0;
  }
  out << "✅ 图中没有回路，巡检路线合法！\n";
  out << "拓扑排序序列：\n";
  for (int l = 0; l < sorted; ++l) {
    out << "  " << g.devices[sequence[l]].code;
    if (l < sorted - 1) out << " →";
  }
  out << "\n==================================\n\n";
  return 1;
}

// --- Floyd routes -------------------------------------------------------------

void shortPath(TopologyGraph g, int pathMatrix[][MAX_DEVICES],
               int distMatrix[][MAX_DEVICES]) {
  const int n = g.deviceCount;
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) {
      distMatrix[i][j] = parray[i][j];
      pathMatrix[i][j] = i == j || parray[i][j] <= kLargestLatency ? i : -1;
    }
  }
  // With no negative latency, row k and column k cannot improve during
  // round k (that would need a negative distance from k to itself), so
  // row k is skipped and distMatrix[i][k] is read once per row.
  for (int k = 0; k < n; ++k) {
    for (int i = 0; i < n; ++i) {
      const int toVia = distMatrix[i][k];
      if (i == k || toVia > kLargestLatency) continue;
      relaxThroughDevice(n, k, toVia, distMatrix[k], distMatrix[i],
                         pathMatrix[i]);
    }
  }
}

bool hasNegativeLatency(const TopologyGraph& g) {
  for (int i = 0; i < g.deviceCount; ++i) {
    for (int j = 0; j < g.deviceCount; ++j) {
      if (parray[i][j] < 0) return true;
    }
  }
  return false;
}

std::vector<int> unfoldRoute(int pathMatrix[][MAX_DEVICES], int from, int to) {
  std::vector<int> hops{from};
  if (!appendRoute(pathMatrix, from, to, &hops)) hops.clear();
  return hops;
}

void printShortPath(TopologyGraph g, int pathMatrix[][MAX_DEVICES], int from,
                    int to, std::ostream& out) {
  const std::vector<int> hops = unfoldRoute(pathMatrix, from, to);
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
  if (!floydCanRun(g, "✘ 请先选择选项2查看邻接矩阵后再查询最短路径！",
                   out)) {
    return;
  }
  shortPath(g, pathMatrix, distMatrix);
  std::string startCode;
  std::string endCode;
  out << "请输入起点设备代号：";
  if (!in.readWord(&startCode)) return;
  out << "请输入终点设备代号：";
  if (!in.readWord(&endCode)) return;

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
    out << "从 " << startCode << " 到 " << endCode << " 不可达（无连通路径）！\n";
    return;
  }

  out << "\n========== 最优路径计算结果 ==========\n";
  out << "起点：" << startCode << '\n';
  out << "终点：" << endCode << '\n';
  out << "最优路径：\n";
  printShortPath(g, pathMatrix, s, e, out);
  if (startCode == "AR-D" && endCode == "SV") {
    printDetourNote(g, unfoldRoute(pathMatrix, s, e), parray[s][e], distance,
                    out);
  }
  out << "最短延迟：" << distance << "ms\n";
  out << "=====================================\n\n";
}

void floydAllDistance(TopologyGraph g, int pathMatrix[][MAX_DEVICES],
                      int distMatrix[][MAX_DEVICES], std::ostream& out) {
  if (!floydCanRun(g, "✘ 请先选择选项2查看邻接矩阵后再查看全网路由表！",
                   out)) {
    return;
  }
  shortPath(g, pathMatrix, distMatrix);
  const int n = g.deviceCount;
  out << "\n========== 全网路由表（Floyd全源最短距离，单位：ms）==========\n";
  out << '\t';
  for (int i = 0; i < n; ++i) out << g.devices[i].code << '\t';
  out << '\n';
  std::string row;
  for (int i = 0; i < n; ++i) {
    row.assign(g.devices[i].code).append("\t");
    for (int j = 0; j < n; ++j) {
      if (distMatrix[i][j] > kLargestLatency) {
        row += "INF";
      } else {
        appendNumber(&row, distMatrix[i][j]);
      }
      row += '\t';
    }
    row += '\n';
    out << row;
  }
  out << "===============================================================\n\n";
}

// --- Cabling plans --------------------------------------------------------------

CablingPlan computePrimPlan(const TopologyGraph& g) {
  const int n = g.deviceCount;
  CablingPlan plan;
  int nearestLatency[MAX_DEVICES];
  int nearestTreeDevice[MAX_DEVICES];
  // Membership is kept apart from the latency, so that a 0 ms link still
  // brings its device into the tree like any other link.
  bool inTree[MAX_DEVICES];
  for (int i = 0; i < n; ++i) {
    nearestLatency[i] = parray[0][i];
    nearestTreeDevice[i] = 0;
    inTree[i] = false;
  }
  if (n > 0) {
    nearestLatency[0] = 0;
    inTree[0] = true;
  }
  for (int step = 1; step < n; ++step) {
    int best = INF;
    int chosen = -1;
    for (int i = 0; i < n; ++i) {
      if (!inTree[i] && nearestLatency[i] < best) {
        best = nearestLatency[i];
        chosen = i;
      }
    }
    if (chosen == -1) break;
    plan.links.push_back(
        {nearestTreeDevice[chosen], chosen, nearestLatency[chosen], true});
    plan.totalLatency += nearestLatency[chosen];
    ++plan.acceptedCount;
    nearestLatency[chosen] = 0;
    inTree[chosen] = true;
    for (int j = 0; j < n; ++j) {
      if (!inTree[j] && parray[chosen][j] < nearestLatency[j]) {
        nearestLatency[j] = parray[chosen][j];
        nearestTreeDevice[j] = chosen;
      }
    }
  }
  plan.connected = plan.acceptedCount >= n - 1;
  return plan;
}

CablingPlan computeKruskalPlan(const TopologyGraph& g) {
  const int n = g.deviceCount;
  CablingPlan plan;
  std::vector<PlanLink> edges;
  edges.reserve(MAX_DEVICES * (MAX_DEVICES - 1) / 2);
  for (int i = 0; i < n; ++i) {
    for (const LinkArc* arc = g.devices[i].firstArc; arc != nullptr;
         arc = arc->next) {
      if (i < arc->target) edges.push_back({i, arc->target, arc->latency, false});
    }
  }
  // Equal latencies keep list order: the sort must be stable.
  std::stable_sort(edges.begin(), edges.end(),
                   [](const PlanLink& a, const PlanLink& b) {
                     return a.latency < b.latency;
                   });
  int parent[MAX_DEVICES];
  for (int i = 0; i < n; ++i) parent[i] = i;
  for (PlanLink edge : edges) {
    if (plan.acceptedCount >= n - 1) break;
    const int rootFrom = kruskalFind(parent, edge.from);
    const int rootTo = kruskalFind(parent, edge.to);
    edge.accepted = rootFrom != rootTo;
    if (edge.accepted) {
      parent[rootFrom] = rootTo;
      plan.totalLatency += edge.latency;
      ++plan.acceptedCount;
    }
    plan.links.push_back(edge);
  }
  plan.connected = plan.acceptedCount >= n - 1;
  return plan;
}

void primMST(TopologyGraph g, std::ostream& out) {
  if (parray == nullptr) {
    out << kPlanNeedsMatrix << '\n';
    return;
  }
  const CablingPlan plan = computePrimPlan(g);
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
  if (parray == nullptr) {
    out << kPlanNeedsMatrix << '\n';
    return;
  }
  const CablingPlan plan = computeKruskalPlan(g);
  out << "\n========== 光纤骨干网布线方案（Kruskal算法）==========\n";
  out << "按延迟从小到大排序，并查集判环：\n\n";
  for (const PlanLink& link : plan.links) {
    out << (link.accepted ? "  ✅ 选中  " : "  ❌ 跳过  ")
        << g.devices[link.from].code << " ── " << g.devices[link.to].code
        << "  (延迟:" << link.latency << "ms)"
        << (link.accepted ? "\n" : "   ← 避免环路\n");
  }
  printPlanTotal(plan, out);
  out << "======================================================\n\n";
}

// --- Device detail ----------------------------------------------------------------

Layer layerOf(const char* code) {
  if (std::strcmp(code, "CR") == 0) return Layer::kCore;
  if (std::strcmp(code, "FW") == 0) return Layer::kSecurity;
  if (code[0] == 'D' && code[1] == 'R') return Layer::kDistribution;
  if (code[0] == 'A' && code[1] == 'R') return Layer::kAccess;
  if (std::strcmp(code, "SV") == 0) return Layer::kDataCentre;
  return Layer::kOther;
}

const char* layerName(Layer layer) {
  switch (layer) {
    case Layer::kCore:
      return "核心层";
    case Layer::kSecurity:
      return "安全层";
    case Layer::kDistribution:
      return "汇聚层";
    case Layer::kAccess:
      return "接入层";
    case Layer::kDataCentre:
      return "数据中心";
    case Layer::kOther:
      break;
  }
  return "其他";
}

void showDeviceInfo(TopologyGraph g, TokenReader& in, std::ostream& out) {
  std::string code;
  out << "请输入要查询的设备代号：";
  if (!in.readWord(&code)) return;
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
  if (device.firstArc == nullptr) out << "无";
  for (const LinkArc* arc = device.firstArc; arc != nullptr; arc = arc->next) {
    out << g.devices[arc->target].code << '(' << arc->latency << "ms)  ";
  }
  out << "\n==============================\n\n";
}
