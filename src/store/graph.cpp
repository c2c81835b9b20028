#include "graph.h"

#include <cassert>
#include <cstring>
#include <memory>
#include <string>

#include "text.h"
#include "topology_file.h"

int** parray = nullptr;

namespace {

// The cells parray's rows point into; it knows its own size, so releasing
// it never depends on a device count. Null exactly when parray is.
LatencyMatrix* parrayCells = nullptr;
// The Floyd pass over parrayCells once something asked for it; null
// whenever parray is.
FloydRoutes* parrayRoutes = nullptr;

struct BuiltInDevice {
  const char* code;
  const char* description;
  int ports;
  const char* uptime;
};

struct BuiltInLink {
  const char* from;
  const char* to;
  int latency;
};

// The built-in campus network. A row's position is the device's index.
constexpr BuiltInDevice kCampusDevices[] = {
    {"CR", "校园网核心路由器，连接互联网出口", 4, "24h运行"},
    {"DR-A", "教学区汇聚路由器，承载教学网络流量", 4, "24h运行"},
    {"DR-B", "生活区汇聚路由器，承载宿舍区网络流量", 4, "24h运行"},
    {"AR-T", "教学楼接入路由器，连接各教室有线网络", 8, "6:00-22:00运行"},
    {"AR-L", "实验楼接入路由器，连接各实验室网络", 8, "6:00-22:00运行"},
    {"AR-D", "宿舍区接入路由器，连接各宿舍网络", 8, "全天运行"},
    {"SV", "数据中心服务器集群，托管各类校园服务", 12, "24h运行"},
    {"FW", "防火墙，安全策略控制与入侵检测", 4, "24h运行"},
};

// Link order matters: it fixes the adjacency-list order, and with it the
// inspection route and the order of saved link lines.
constexpr BuiltInLink kCampusLinks[] = {
    {"CR", "DR-A", 5},    {"CR", "DR-B", 8},   {"CR", "FW", 2},
    {"DR-A", "AR-T", 3},  {"DR-A", "AR-L", 4}, {"DR-B", "AR-D", 3},
    {"DR-A", "DR-B", 12}, {"AR-T", "SV", 2},   {"AR-L", "SV", 3},
    {"AR-D", "SV", 25},
};

constexpr int kCampusDeviceCount =
    sizeof(kCampusDevices) / sizeof(kCampusDevices[0]);
constexpr int kCampusLinkCount = sizeof(kCampusLinks) / sizeof(kCampusLinks[0]);

// Copies a text that is known to fit, terminator included.
template <size_t N>
void copyText(char (&field)[N], const char* text) {
  std::strncpy(field, text, N - 1);
  field[N - 1] = '\0';
}

// Empties a topology: its arcs, the latency matrix and both counts.
void freeGraph(TopologyGraph* g) {
  releaseArcs(g);
  discardLatencyMatrix();
  g->deviceCount = 0;
  g->linkCount = 0;
}

// Writes `text` left-justified in a field of `width` bytes, like "%-5s".
void writePadded(std::ostream& out, const char* text, size_t width) {
  const size_t length = std::strlen(text);
  out << text;
  for (size_t i = length; i < width; ++i) out << ' ';
}

}  // namespace

int locate(TopologyGraph g, const char* code) { return locateIn(g, code); }

const LatencyMatrix& workingLatencyMatrix() {
  assert(parray != nullptr);
  return *parrayCells;
}

const FloydRoutes& workingRoutes() {
  if (parrayRoutes == nullptr) {
    parrayRoutes = new FloydRoutes(computeFloydRoutes(workingLatencyMatrix()));
  }
  return *parrayRoutes;
}

void discardLatencyMatrix() {
  delete[] parray;
  parray = nullptr;
  delete parrayCells;
  parrayCells = nullptr;
  delete parrayRoutes;
  parrayRoutes = nullptr;
}

void createGraph(TopologyGraph* g, std::ostream& out) {
  if (g->deviceCount > 0) freeGraph(g);
  g->deviceCount = kCampusDeviceCount;
  g->linkCount = kCampusLinkCount;
  for (int i = 0; i < kCampusDeviceCount; ++i) {
    DeviceEntry& device = g->devices[i];
    copyText(device.code, kCampusDevices[i].code);
    copyText(device.description, kCampusDevices[i].description);
    device.ports = kCampusDevices[i].ports;
    copyText(device.uptime, kCampusDevices[i].uptime);
    device.firstArc = nullptr;
  }
  for (const BuiltInLink& link : kCampusLinks) {
    const int from = locateIn(*g, link.from);
    const int to = locateIn(*g, link.to);
    if (from == -1 || to == -1) {
      out << "⚠ 警告：链路 " << link.from << "-" << link.to
          << " 中存在未知设备，已跳过！\n";
      continue;
    }
    addLink(g, from, to, link.latency);
  }

  out << "\n========== 网络拓扑创建成功！==========\n";
  out << "共 " << g->deviceCount << " 台设备，" << g->linkCount
      << " 条链路\n\n";
  out << "设备列表：\n";
  for (int i = 0; i < g->deviceCount; ++i) {
    out << "  [" << i << "] ";
    writePadded(out, g->devices[i].code, 5);
    out << " — " << g->devices[i].description << '\n';
  }
  out << "\n链路列表（双向）：\n";
  out << "  ";
  for (int j = 0; j < g->linkCount; ++j) {
    const BuiltInLink& link = kCampusLinks[j];
    out << link.from << "──" << link.to << '(' << link.latency << "ms)";
    if (j < g->linkCount - 1) out << "    ";
  }
  out << '\n';
  out << "========================================\n\n";
}

void buildLatencyMatrix(const TopologyGraph* g) {
  discardLatencyMatrix();
  auto cells = std::make_unique<LatencyMatrix>(
      latencyMatrixOfSaved(g->deviceCount, savedLinksOf(*g)));
  auto rows = std::make_unique<int*[]>(static_cast<size_t>(g->deviceCount));
  for (int i = 0; i < g->deviceCount; ++i) rows[i] = cells->row(i);
  parrayCells = cells.release();
  parray = rows.release();
}

void printGraph(TopologyGraph* g, std::ostream& out) {
  if (g->deviceCount <= 0) {
    out << "✘ 请先创建网络拓扑图（选项1）！\n";
    return;
  }
  buildLatencyMatrix(g);
  const int n = g->deviceCount;
  out << "\n========== 网络路由表（邻接矩阵，单位：ms）==========\n";
  out << '\t';
  for (int i = 0; i < n; ++i) out << g->devices[i].code << '\t';
  out << '\n';
  for (int i = 0; i < n; ++i) {
    writeTableRow(out, g->devices[i].code, parray[i], n);
  }
  out << "=====================================================\n";
  out << "注：32767 表示两设备之间无直连链路（INF）\n\n";
}

void saveGraphToFile(const TopologyGraph* g, const char* fileName,
                     std::ostream& out) {
  out << describeSaveOutcome(writeTopologyFile(networkOf(*g), fileName),
                             fileName);
}

void loadGraphFromFile(TopologyGraph* g, const char* fileName,
                       std::ostream& out) {
  // Once the header is accepted the load is all or nothing: the previous
  // topology and its matrix are given up, and the file's network fills
  // the working record only once every record was read.
  Network parsed;
  const LoadOutcome outcome = readTopologyFile(
      fileName, &parsed, CountLimits::kRecord, [g] { freeGraph(g); });
  if (!outcome.loaded()) {
    out << describeLoadRefusal(outcome, fileName);
    return;
  }
  fillRecord(parsed, g);
  out << "✔ 从文件 " << fileName << " 加载成功！共" << g->deviceCount
      << "台设备，" << g->linkCount << "条链路。\n";
  out << "提示：请选择选项2查看邻接矩阵后再使用路径查询功能。\n\n";
}
