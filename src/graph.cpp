#include "graph.h"

#include <cstring>
#include <istream>
#include <string>

#include "fd_stream.h"
#include "file_replace.h"
#include "reader.h"
#include "text.h"

int** parray = nullptr;
int visited[MAX_DEVICES];

namespace {

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
    {"CR", "DR-A", 5},   {"CR", "DR-B", 8},   {"CR", "FW", 2},
    {"DR-A", "AR-T", 3}, {"DR-A", "AR-L", 4}, {"DR-B", "AR-D", 3},
    {"DR-A", "DR-B", 12}, {"AR-T", "SV", 2},  {"AR-L", "SV", 3},
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

void releaseMatrix(int rows) {
  if (parray == nullptr) return;
  for (int i = 0; i < rows; ++i) delete[] parray[i];
  delete[] parray;
  parray = nullptr;
}

// Empties a topology: its arcs, the latency matrix and both counts.
void freeGraph(TopologyGraph* g) {
  releaseArcs(g);
  releaseMatrix(g->deviceCount);
  g->deviceCount = 0;
  g->linkCount = 0;
}

// Writes `text` left-justified in a field of `width` bytes, like "%-5s".
void writePadded(std::ostream& out, const char* text, size_t width) {
  const size_t length = std::strlen(text);
  out << text;
  for (size_t i = length; i < width; ++i) out << ' ';
}

// --- The topology file --------------------------------------------------

constexpr char kSaveNothing[] = "✘ 没有拓扑数据可保存！请先创建网络拓扑图。";
// Follows "✘ 文件格式错误：第N台设备的代号" and the like.
constexpr char kControlByteRefusal[] = "含有控制字符！\n";

void appendRecord(std::string* text, const char* a, const char* b, int number) {
  text->append(a).append(" ").append(b).append(" ");
  appendNumber(text, number);
}

// Renders the file: a header, one line per device, then one line per link.
std::string renderTopologyFile(const TopologyGraph& g, int* writtenLinks) {
  std::string text = std::to_string(g.deviceCount) + " " +
                     std::to_string(g.linkCount) + "\n";
  for (int i = 0; i < g.deviceCount; ++i) {
    const DeviceEntry& device = g.devices[i];
    appendRecord(&text, device.code, device.description, device.ports);
    text.append(" ").append(device.uptime).append("\n");
  }
  const std::vector<TopologyLink> links = listLinks(g);
  for (const TopologyLink& link : links) {
    appendRecord(&text, g.devices[link.from].code, g.devices[link.to].code,
                 link.latency);
    text.append("\n");
  }
  *writtenLinks = static_cast<int>(links.size());
  return text;
}

// Reads one text field of a record: a word of at most `size` - 1 bytes.
// An over-long word is left unread beyond what tells it is too long,
// since the load stops there. Bytes that steer a terminal (C0 controls,
// DEL) are refused, as options 1 to 8 print these texts as they are.
enum class Field { kRead, kMissing, kTooLong, kNulByte, kControlByte };

Field readTextField(TokenReader* reader, std::string* word, size_t size) {
  if (!reader->readWord(word, size - 1, TokenReader::Rest::kLeave)) {
    return Field::kMissing;
  }
  if (word->size() > size - 1) return Field::kTooLong;
  if (word->find('\0') != std::string::npos) return Field::kNulByte;
  for (const char c : *word) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
      return Field::kControlByte;
    }
  }
  return Field::kRead;
}

bool readNumberField(TokenReader* reader, int* number) {
  return reader->readInt(number) == TokenReader::Number::kRead;
}

// Prints why device record `position` (from 1) was refused.
void reportDeviceField(std::ostream& out, Field field, int position,
                       const char* name, size_t size) {
  if (field == Field::kMissing) {
    out << "✘ 文件格式错误：第" << position << "台设备信息读取失败！\n";
  } else if (field == Field::kTooLong) {
    out << "✘ 文件格式错误：第" << position << "台设备的" << name << "超过"
        << size - 1 << "字节！\n";
  } else if (field == Field::kNulByte) {
    out << "✘ 文件格式错误：第" << position << "台设备的" << name
        << "含有空字符！\n";
  } else {
    out << "✘ 文件格式错误：第" << position << "台设备的" << name
        << kControlByteRefusal;
  }
}

void reportLinkField(std::ostream& out, Field field, int position) {
  if (field == Field::kMissing) {
    out << "✘ 文件格式错误：第" << position << "条链路信息读取失败！\n";
  } else if (field == Field::kTooLong) {
    out << "✘ 文件格式错误：第" << position << "条链路的设备代号超过"
        << CODE_SIZE - 1 << "字节！\n";
  } else if (field == Field::kNulByte) {
    out << "✘ 文件格式错误：第" << position
        << "条链路的设备代号含有空字符！\n";
  } else {
    out << "✘ 文件格式错误：第" << position << "条链路的设备代号"
        << kControlByteRefusal;
  }
}

// Reads device record i straight into its slot. Prints the reason and
// returns false when the record is unusable.
bool readDeviceRecord(TokenReader* reader, DeviceEntry* device, int position,
                      std::ostream& out) {
  std::string word;
  Field field = readTextField(reader, &word, CODE_SIZE);
  if (field != Field::kRead) {
    reportDeviceField(out, field, position, "代号", CODE_SIZE);
    return false;
  }
  copyText(device->code, word.c_str());
  field = readTextField(reader, &word, DESCRIPTION_SIZE);
  if (field != Field::kRead) {
    reportDeviceField(out, field, position, "描述", DESCRIPTION_SIZE);
    return false;
  }
  copyText(device->description, word.c_str());
  if (!readNumberField(reader, &device->ports)) {
    reportDeviceField(out, Field::kMissing, position, "", 0);
    return false;
  }
  field = readTextField(reader, &word, UPTIME_SIZE);
  if (field != Field::kRead) {
    reportDeviceField(out, field, position, "运行时间", UPTIME_SIZE);
    return false;
  }
  copyText(device->uptime, word.c_str());
  device->firstArc = nullptr;
  return true;
}

// Reads link record j and adds it. Prints the reason and returns false
// when the record is unusable or names an unknown device.
bool readLinkRecord(TokenReader* reader, TopologyGraph* g, int position,
                    std::ostream& out) {
  std::string from;
  std::string to;
  int latency = 0;
  Field field = readTextField(reader, &from, CODE_SIZE);
  if (field == Field::kRead) field = readTextField(reader, &to, CODE_SIZE);
  if (field == Field::kRead && !readNumberField(reader, &latency)) {
    field = Field::kMissing;
  }
  if (field != Field::kRead) {
    reportLinkField(out, field, position);
    return false;
  }
  const int a = locateIn(*g, from.c_str());
  const int b = locateIn(*g, to.c_str());
  if (a == -1 || b == -1) {
    out << "✘ 文件数据错误：链路 " << from << "-" << to
        << " 中存在未知设备！\n";
    return false;
  }
  addLink(g, a, b, latency);
  return true;
}

}  // namespace

int locate(TopologyGraph g, const char* code) { return locateIn(g, code); }

int locateIn(const TopologyGraph& g, const char* code) {
  for (int i = 0; i < g.deviceCount; ++i) {
    if (std::strcmp(g.devices[i].code, code) == 0) return i;
  }
  return -1;
}

std::vector<TopologyLink> listLinks(const TopologyGraph& g) {
  std::vector<TopologyLink> links;
  for (int i = 0; i < g.deviceCount; ++i) {
    int selfArcs = 0;
    for (const LinkArc* arc = g.devices[i].firstArc; arc != nullptr;
         arc = arc->next) {
      const bool selfLink = arc->target == i;
      if (selfLink && selfArcs++ % 2 != 0) continue;
      if (arc->target < i) continue;
      links.push_back({i, arc->target, arc->latency});
    }
  }
  return links;
}

void addLink(TopologyGraph* g, int a, int b, int latency) {
  g->devices[a].firstArc = new LinkArc{b, g->devices[a].firstArc, latency};
  g->devices[b].firstArc = new LinkArc{a, g->devices[b].firstArc, latency};
}

void releaseArcs(TopologyGraph* g) {
  for (int i = 0; i < g->deviceCount; ++i) {
    LinkArc* arc = g->devices[i].firstArc;
    while (arc != nullptr) {
      LinkArc* next = arc->next;
      delete arc;
      arc = next;
    }
    g->devices[i].firstArc = nullptr;
  }
}

void discardLatencyMatrix(const TopologyGraph* g) {
  releaseMatrix(g->deviceCount);
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
  const int n = g->deviceCount;
  releaseMatrix(n);
  // Rows start out null and are hung in one by one, so a failed allocation
  // leaves a matrix that releaseMatrix can still take apart.
  parray = new int*[n]();
  for (int i = 0; i < n; ++i) {
    parray[i] = new int[n];
    for (int j = 0; j < n; ++j) parray[i][j] = i == j ? 0 : INF;
  }
  // A list runs newest-first, so for parallel links the oldest, written
  // last, is the one that stays.
  for (int i = 0; i < n; ++i) {
    for (const LinkArc* arc = g->devices[i].firstArc; arc != nullptr;
         arc = arc->next) {
      parray[i][arc->target] = arc->latency;
    }
  }
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
  std::string row;
  for (int i = 0; i < n; ++i) {
    row.assign(g->devices[i].code).append("\t");
    for (int j = 0; j < n; ++j) {
      appendNumber(&row, parray[i][j]);
      row += '\t';
    }
    row += '\n';
    out << row;
  }
  out << "=====================================================\n";
  out << "注：32767 表示两设备之间无直连链路（INF）\n\n";
}

void saveGraphToFile(const TopologyGraph* g, const char* fileName,
                     std::ostream& out) {
  if (g->deviceCount <= 0) {
    out << kSaveNothing << '\n';
    return;
  }
  int writtenLinks = 0;
  const std::string text = renderTopologyFile(*g, &writtenLinks);
  const ReplaceOutcome outcome = replaceFileContent(fileName, text);
  if (outcome != ReplaceOutcome::kWritten) {
    out << replaceRefusal(outcome, fileName);
    return;
  }
  out << "✔ 拓扑已成功保存到文件：" << fileName << "（共" << g->deviceCount
      << "台设备，" << writtenLinks << "条链路）\n\n";
}

void loadGraphFromFile(TopologyGraph* g, const char* fileName,
                       std::ostream& out) {
  Descriptor opened;
  switch (openForReading(fileName, &opened)) {
    case OpenOutcome::kCannotOpen:
      out << "✘ 无法打开文件 " << fileName << " 进行读取！\n";
      return;
    case OpenOutcome::kSpecialFile:
      out << "✘ 文件 " << fileName << kSpecialFileRefusal << '\n';
      return;
    case OpenOutcome::kOpened:
      break;
  }
  FdInputBuf buffer(opened.fd);
  std::istream file(&buffer);
  TokenReader reader(file);

  // Validate the header before the record is touched.
  int n = 0;
  int m = 0;
  if (!readNumberField(&reader, &n) || !readNumberField(&reader, &m)) {
    out << "✘ 文件格式错误：无法读取设备数和链路数！\n";
    return;
  }
  if (n < 1 || n > MAX_DEVICES || m < 0 || m > n * (n - 1) / 2) {
    out << "✘ 文件数据不合法：设备数=" << n << "，链路数=" << m << '\n';
    return;
  }

  // From here on the previous topology is given up: all or nothing.
  if (g->deviceCount > 0) freeGraph(g);
  g->deviceCount = n;
  g->linkCount = m;
  for (int i = 0; i < n; ++i) {
    if (!readDeviceRecord(&reader, &g->devices[i], i + 1, out)) {
      // No arcs exist yet; only the counts have to go.
      g->deviceCount = 0;
      g->linkCount = 0;
      return;
    }
  }
  for (int j = 0; j < m; ++j) {
    if (!readLinkRecord(&reader, g, j + 1, out)) {
      freeGraph(g);
      return;
    }
  }
  out << "✔ 从文件 " << fileName << " 加载成功！共" << n << "台设备，" << m
      << "条链路。\n";
  out << "提示：请选择选项2查看邻接矩阵后再使用路径查询功能。\n\n";
}
