#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <filesystem>
#include <random>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "test_util.h"
#include "topology_file.h"

namespace {

using namespace std::string_literals;
using topotest::readFile;
using topotest::ScratchFolder;
using StoreTest = topotest::TopologyTest;
using Names = std::vector<std::string>;

// Every arc as (from, to, latency) by device index.
std::multiset<std::tuple<int, int, int>> arcsOf(const TopologyGraph& g) {
  std::multiset<std::tuple<int, int, int>> arcs;
  for (int i = 0; i < g.deviceCount; ++i) {
    for (const LinkArc* arc = g.devices[i].firstArc; arc; arc = arc->next) {
      arcs.emplace(i, arc->target, arc->latency);
    }
  }
  return arcs;
}

// Every link is two mirrored arcs between devices in use.
void expectConsistent(const TopologyGraph& g) {
  const auto arcs = arcsOf(g);
  std::multiset<std::tuple<int, int, int>> mirrored;
  for (const auto& [from, to, latency] : arcs) {
    ASSERT_TRUE(to >= 0 && to < g.deviceCount) << from << "-" << to;
    mirrored.emplace(to, from, latency);
  }
  EXPECT_EQ(arcs, mirrored);
  EXPECT_EQ(arcs.size(), 2u * g.linkCount);
}

// A device's list, head first: "FW 2, DR-B 8, DR-A 5".
std::string listOf(const TopologyGraph& g, int i) {
  std::string text;
  for (const LinkArc* arc = g.devices[i].firstArc; arc; arc = arc->next) {
    if (!text.empty()) text += ", ";
    text += g.devices[arc->target].code + " "s + std::to_string(arc->latency);
  }
  return text;
}

// What a topology holds, whatever the slots of its links and the order of
// its lists: the devices in order, then every arc by the codes of its ends.
Names contentOf(const TopologyGraph& g) {
  Names content;
  for (int i = 0; i < g.deviceCount; ++i) {
    const DeviceEntry& d = g.devices[i];
    content.push_back(d.code + " "s + d.description + " " +
                      std::to_string(d.ports) + " " + d.uptime);
  }
  for (const auto& [from, to, latency] : arcsOf(g)) {
    const std::string a = g.devices[from].code, b = g.devices[to].code;
    content.push_back(std::min(a, b) + " " + std::max(a, b) + " " +
                      std::to_string(latency));
  }
  std::sort(content.begin() + g.deviceCount, content.end());
  return content;
}

std::string save(const TopologyGraph& g, const std::string& name) {
  std::ostringstream out;
  saveGraphToFile(&g, name.c_str(), out);
  return out.str();
}

std::string load(TopologyGraph* g, const std::string& name) {
  std::ostringstream out;
  loadGraphFromFile(g, name.c_str(), out);
  return out.str();
}

std::string saved(const std::string& name, int devices, int links) {
  return "✔ 拓扑已成功保存到文件：" + name + "（共" + std::to_string(devices) +
         "台设备，" + std::to_string(links) + "条链路）\n\n";
}

template <size_t N>
void setText(char (&field)[N], const std::string& text) {
  field[text.copy(field, N - 1)] = '\0';
}

TEST_F(StoreTest, LocateFindsTheLowestExactMatchAmongDevicesInUse) {
  EXPECT_EQ(locate(graph, ""), -1);
  const Names codes = {"CR", "DR-A", "CR", "cr", "GHOST"};
  for (int i = 0; i < 5; ++i) setText(graph.devices[i].code, codes[i]);
  graph.deviceCount = 4;
  const std::pair<const char*, int> cases[] = {
      {"CR", 0}, {"cr", 3}, {"DR-A", 1}, {"DR", -1}, {"GHOST", -1}, {"", -1}};
  for (const auto& [code, index] : cases) {
    EXPECT_EQ(locate(graph, code), index) << code;
  }
}

TEST_F(StoreTest, LatencyMatrixKeepsFirstParallelLinkAndSelfLinks) {
  graph.deviceCount = 3;
  addLink(&graph, 0, 1, 7);
  addLink(&graph, 1, 0, 3);
  addLink(&graph, 2, 2, 9);
  addLink(&graph, 2, 2, 4);
  const std::vector<std::vector<int>> expected = {
      {0, 7, INF}, {7, 0, INF}, {INF, INF, 9}};
  for (int build = 0; build < 2; ++build) {  // a rebuild gives the same
    buildLatencyMatrix(&graph);
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(std::vector<int>(parray[i], parray[i] + 3), expected[i]);
    }
  }
}

// Saved through a symbolic link onto a file of mode 0620: the link, the
// mode and the bytes must all come out right.
TEST_F(StoreTest, BuiltInNetworkHasItsListsAndSavesAsDesigned) {
  const std::string lists[][2] = {
      {"CR", "FW 2, DR-B 8, DR-A 5"},
      {"DR-A", "DR-B 12, AR-L 4, AR-T 3, CR 5"},
      {"DR-B", "DR-A 12, AR-D 3, CR 8"},
      {"AR-T", "SV 2, DR-A 3"},
      {"AR-L", "SV 3, DR-A 4"},
      {"AR-D", "SV 25, DR-B 3"},
      {"SV", "AR-D 25, AR-L 3, AR-T 2"},
      {"FW", "CR 2"},
  };
  const std::string file =
      "8 10\n"
      "CR 校园网核心路由器，连接互联网出口 4 24h运行\n"
      "DR-A 教学区汇聚路由器，承载教学网络流量 4 24h运行\n"
      "DR-B 生活区汇聚路由器，承载宿舍区网络流量 4 24h运行\n"
      "AR-T 教学楼接入路由器，连接各教室有线网络 8 6:00-22:00运行\n"
      "AR-L 实验楼接入路由器，连接各实验室网络 8 6:00-22:00运行\n"
      "AR-D 宿舍区接入路由器，连接各宿舍网络 8 全天运行\n"
      "SV 数据中心服务器集群，托管各类校园服务 12 24h运行\n"
      "FW 防火墙，安全策略控制与入侵检测 4 24h运行\n"
      "CR FW 2\nCR DR-B 8\nCR DR-A 5\nDR-A DR-B 12\nDR-A AR-L 4\n"
      "DR-A AR-T 3\nDR-B AR-D 3\nAR-T SV 2\nAR-L SV 3\nAR-D SV 25\n";
  std::ostringstream report;
  createGraph(&graph, report);
  expectConsistent(graph);
  ASSERT_EQ(graph.deviceCount, 8);
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(graph.devices[i].code, lists[i][0]);
    EXPECT_EQ(listOf(graph, i), lists[i][1]) << lists[i][0];
  }
  ScratchFolder scratch;
  const std::string real = scratch.write("real.txt", "old\n");
  const std::string link = scratch.file("link.txt");
  ASSERT_EQ(chmod(real.c_str(), 0620), 0);
  ASSERT_EQ(symlink("real.txt", link.c_str()), 0);
  EXPECT_EQ(save(graph, link), saved(link, 8, 10));
  EXPECT_EQ(readFile(real), file);
  struct stat info;
  EXPECT_TRUE(lstat(link.c_str(), &info) == 0 && S_ISLNK(info.st_mode));
  EXPECT_TRUE(stat(real.c_str(), &info) == 0 && (info.st_mode & 07777) == 0620);
  EXPECT_EQ(topotest::listFolder(scratch.path()),
            (Names{"link.txt", "real.txt"}));
}

// The built-in network as saved, with LF line ends.
std::string campusFile() { return readFile(TOPOPLAN_CAMPUS_FILE); }

std::string withLineEnds(const std::string& text, const std::string& end) {
  std::string converted;
  for (const char c : text) {
    if (c == '\n') {
      converted += end;
    } else {
      converted += c;
    }
  }
  return converted;
}

std::string rangeError(int devices, int links) {
  return "✘ 文件数据不合法：设备数=" + std::to_string(devices) +
         "，链路数=" + std::to_string(links) + "\n";
}

std::string recordError(int position, const std::string& problem) {
  return "✘ 文件格式错误：第" + std::to_string(position) + problem + "！\n";
}

enum State { kKept, kEmptied, kLoaded };  // what a load leaves

// Each file is loaded over the built-in network and its latency matrix.
TEST_F(StoreTest, LoadIsAllOrNothingOnceTheHeaderIsAccepted) {
  const std::string code19(19, 'K'), near19 = std::string(18, 'K') + "L";
  const std::string description99 = "描" + std::string(96, 'd');
  const std::string uptime49 = std::string(46, 'h') + "运";
  const std::string threeDevices = "3 3\nA a 1 u\nB b 2 v\n" + code19 + " " +
                                   description99 + " -2147483648 " + uptime49 +
                                   "\n";
  // Every link the header allows, one of them a self-link.
  const std::string good = threeDevices + "A B 5\nB " + code19 + " 6\n" +
                           code19 + " " + code19 + " 7\n";
  const auto replaced = [&good](char from, const std::string& to) {
    std::string text;
    for (char c : good) text += c == from ? to : std::string(1, c);
    return text;
  };
  std::string forty = "40 0\n";
  for (int i = 0; i < 40; ++i) forty += "N" + std::to_string(i) + " d 1 u\n";
  const std::string header = "✘ 文件格式错误：无法读取设备数和链路数！\n";
  const std::string unknown = "✘ 文件数据错误：链路 ";
  const struct {
    std::string file;
    std::string message;  // the success lines when loaded
    State state;
  } cases[] = {
      {"0 0\n", rangeError(0, 0), kKept},
      {"41 0\n", rangeError(41, 0), kKept},
      {"1 1\nA a 1 u\nA A 1\n", rangeError(1, 1), kKept},
      {"40 781\n", rangeError(40, 781), kKept},
      {"3 -1\n", rangeError(3, -1), kKept},
      {"", header, kKept},
      {"3", header, kKept},
      {"2147483648 0\n", header, kKept},
      {"1 0\nA a 1 u", "", kLoaded},
      {forty, "", kLoaded},
      {good, "", kLoaded},
      {replaced('\n', "\r\n"), "", kLoaded},
      {replaced('\n', "\r"), "", kLoaded},
      {replaced(' ', "\n\n\t\v\f"), "", kLoaded},
      {good + "A B ?? more", "", kLoaded},
      {"3 0\nA a 1 u\nB b 2 v\n", recordError(3, "台设备信息读取失败"),
       kEmptied},
      {"1 0\nA a 2147483648 u", recordError(1, "台设备信息读取失败"), kEmptied},
      {"1 0\n" + code19 + "K a 1 u", recordError(1, "台设备的代号超过19字节"),
       kEmptied},
      {"1 0\nA " + description99 + "d 1 u",
       recordError(1, "台设备的描述超过99字节"), kEmptied},
      {"1 0\nA a 1 " + uptime49 + "h",
       recordError(1, "台设备的运行时间超过49字节"), kEmptied},
      {"2 0\nA a 1 u\nB\0 b 1 u\n"s, recordError(2, "台设备的代号含有空字符"),
       kEmptied},
      {threeDevices + "A B 5\nB", recordError(2, "条链路信息读取失败"),
       kEmptied},
      {threeDevices + "A B -2147483649\n", recordError(1, "条链路信息读取失败"),
       kEmptied},
      {threeDevices + "A B 5\nB a 1\n", unknown + "B-a 中存在未知设备！\n",
       kEmptied},
      {threeDevices + "A " + near19 + " 1",
       unknown + "A-" + near19 + " 中存在未知设备！\n", kEmptied},
      {threeDevices + "A " + code19 + "K 1",
       recordError(1, "条链路的设备代号超过19字节"), kEmptied},
      {threeDevices + "A B 5\n\0A B 1\n"s,
       recordError(2, "条链路的设备代号含有空字符"), kEmptied},
      // Files that are not topologies at all, and NUL bytes in each field.
      {"\x7f"
       "ELF\x02\x01\x01\0\0\0"s,
       header, kKept},
      {"2 0\n\xff\xfe\0\x01 d 1 u\n"s, recordError(1, "台设备的代号含有空字符"),
       kEmptied},
      {"2 1\nA a 1 u\nB b", recordError(2, "台设备信息读取失败"), kEmptied},
      {"2 1\nA a 1 u\nB b 2 u\nA B", recordError(1, "条链路信息读取失败"),
       kEmptied},
      {"1 0\nA de\0sc 1 u\n"s, recordError(1, "台设备的描述含有空字符"),
       kEmptied},
      {"1 0\nA a 1\0 u\n"s, recordError(1, "台设备的运行时间含有空字符"),
       kEmptied},
      {"1 0\nA a 1 x\0\n"s, recordError(1, "台设备的运行时间含有空字符"),
       kEmptied},
      {"2 1\nA a 1 u\nB b 2 u\nA\0 B 1\n"s,
       recordError(1, "条链路的设备代号含有空字符"), kEmptied},
      {"2 1\nA a 1 x\nB b 2 y\nA B\0 3\n"s,
       recordError(1, "条链路的设备代号含有空字符"), kEmptied},
      // Terminal control sequences: a window title, a clipboard write, DEL,
      // a screen clear.
      {"1 0\nA\x1b]0;pwned\x07 a 1 u\n",
       recordError(1, "台设备的代号含有控制字符"), kEmptied},
      {"2 0\nA a 1 u\nB \x1b]52;c;cm0gLXJm\x07 1 u\n",
       recordError(2, "台设备的描述含有控制字符"), kEmptied},
      {"1 0\nA a 1 24h\x7f\n", recordError(1, "台设备的运行时间含有控制字符"),
       kEmptied},
      {"2 1\nA a 1 u\nB b 2 u\nA \x1b[2J 1\n",
       recordError(1, "条链路的设备代号含有控制字符"), kEmptied},
      {withLineEnds(campusFile(), "\r\n"), "", kLoaded},
      {withLineEnds(campusFile(), "\r"), "", kLoaded},
  };
  ScratchFolder scratch;
  const std::string name = scratch.file("topology.txt");
  std::ostringstream report;
  createGraph(&graph, report);
  for (const std::string& unreadable : {name, scratch.path()}) {
    EXPECT_EQ(load(&graph, unreadable),
              "✘ 无法打开文件 " + unreadable + " 进行读取！\n");
  }
  // A FIFO without a writer: opening it to read would wait forever.
  const std::string fifo = scratch.file("fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_EQ(load(&graph, fifo),
            "✘ 文件 " + fifo +
                " 不是普通文件（如设备、管道、套接字），未读取任何内容！\n");
  EXPECT_EQ(graph.linkCount, 10);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file.substr(0, 80));
    createGraph(&graph, report);
    buildLatencyMatrix(&graph);
    int** const builtInMatrix = parray;
    scratch.write("topology.txt", c.file);
    int devices = 8, links = 10;
    if (c.state != kKept) std::istringstream(c.file) >> devices >> links;
    EXPECT_EQ(load(&graph, name),
              c.state != kLoaded ? c.message
                                 : "✔ 从文件 " + name + " 加载成功！共" +
                                       std::to_string(devices) + "台设备，" +
                                       std::to_string(links) +
                                       "条链路。\n提示：请选择选项2查看邻接矩阵"
                                       "后再使用路径查询功能。\n\n");
    expectConsistent(graph);
    EXPECT_EQ(graph.deviceCount, c.state == kEmptied ? 0 : devices);
    EXPECT_EQ(graph.linkCount, c.state == kEmptied ? 0 : links);
    EXPECT_EQ(parray, c.state == kKept ? builtInMatrix : nullptr);
    // The file module on its own reports the same, as an outcome value.
    Network parsed;
    const LoadOutcome outcome =
        readTopologyFile(name.c_str(), &parsed, CountLimits::kRecord);
    EXPECT_EQ(outcome.loaded(), c.state == kLoaded);
    EXPECT_EQ(outcome.failedInRecords(), c.state == kEmptied);
    EXPECT_EQ(describeLoadRefusal(outcome, name.c_str()),
              c.state == kLoaded ? "" : c.message);
    EXPECT_EQ(parsed.deviceCount(), c.state == kLoaded ? devices : 0);
    if (c.state == kLoaded && devices == 8) {  // the link lines in reverse
      EXPECT_EQ(listOf(graph, 0), "DR-A 5, DR-B 8, FW 2");
    }
    if (c.state == kLoaded && devices == 3) {  // one topology, many layouts
      save(graph, name);
      EXPECT_EQ(readFile(name), good);
    }
  }
}

// Saves with the file size limited to `sizeLimit` bytes; the write then
// fails with EFBIG instead of raising SIGXFSZ. The limit is lifted again
// before the result is compared.
bool saveUnderSizeLimit(const TopologyGraph& g, const std::string& name,
                        rlim_t sizeLimit, const std::string& expected) {
  rlimit saved{};
  if (getrlimit(RLIMIT_FSIZE, &saved) != 0) return false;
  rlimit limited = saved;
  limited.rlim_cur = sizeLimit;
  const auto previousHandler = signal(SIGXFSZ, SIG_IGN);
  setrlimit(RLIMIT_FSIZE, &limited);
  const std::string printed = save(g, name);
  setrlimit(RLIMIT_FSIZE, &saved);
  signal(SIGXFSZ, previousHandler);
  return printed == expected;
}

TEST_F(StoreTest, FailedSaveKeepsThePreviousFileAndReportsNoSuccess) {
  ScratchFolder scratch;
  const std::string old = scratch.write("old.txt", "previous\n");
  const std::string folder = scratch.file("folder");
  ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
  for (const std::string& name : {old, scratch.file("new.txt")}) {
    EXPECT_EQ(save(graph, name),
              "✘ 没有拓扑数据可保存！请先创建网络拓扑图。\n");
  }
  std::ostringstream report;
  createGraph(&graph, report);
  const struct {
    std::string name;
    rlim_t sizeLimit;
    bool opened;
    bool widest = false;   // save the forty widest devices instead
    bool special = false;  // refused as neither a regular file nor /dev/null
  } cases[] = {
      {"/dev/full", RLIM_INFINITY, false, false, true},
      {old, 64, true},
      {old, 2048, true, true},
      {folder + "/missing/topology.txt", RLIM_INFINITY, false},
      {folder, RLIM_INFINITY, false},
  };
  // Forty devices with the longest texts: some 6 KB of file.
  TopologyGraph widest{};
  widest.deviceCount = MAX_DEVICES;
  for (DeviceEntry& device : widest.devices) {
    setText(device.code, std::string(CODE_SIZE - 1, 'C'));
    setText(device.description, std::string(DESCRIPTION_SIZE - 1, 'd'));
    setText(device.uptime, std::string(UPTIME_SIZE - 1, 'u'));
  }
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_TRUE(saveUnderSizeLimit(
        c.widest ? widest : graph, c.name, c.sizeLimit,
        c.special ? "✘ 文件 " + c.name +
                        " 不是普通文件或 /dev/null（如设备、管道、套接字），"
                        "未写入任何内容！\n"
        : c.opened
            ? "✘ 写入文件 " + c.name + " 失败，文件未保存，原有内容保持不变！\n"
            : "✘ 无法打开文件 " + c.name + " 进行写入！\n"));
    EXPECT_EQ(readFile(old), "previous\n");
    EXPECT_EQ(topotest::listFolder(scratch.path()),
              (Names{"folder", "old.txt"}));
    EXPECT_EQ(topotest::listFolder(folder), Names{});
  }
}

TEST_F(StoreTest, SaveReportsItsOutcomeAsAValue) {
  ScratchFolder scratch;
  const TopologyGraph empty{};
  std::ostringstream report;
  createGraph(&graph, report);
  const struct {
    const TopologyGraph* g;
    std::string name;
    SaveStatus status;
  } cases[] = {
      {&empty, scratch.file("none.txt"), SaveStatus::kNothingToSave},
      {&graph, scratch.path(), SaveStatus::kCannotOpen},
      {&graph, "/dev/full", SaveStatus::kCannotOpen},
      {&graph, scratch.file("campus.txt"), SaveStatus::kSaved},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const SaveOutcome outcome =
        writeTopologyFile(networkOf(*c.g), c.name.c_str());
    EXPECT_EQ(outcome.status, c.status);
    EXPECT_EQ(describeSaveOutcome(outcome, c.name.c_str()), save(*c.g, c.name));
  }
  EXPECT_EQ(readFile(scratch.file("campus.txt")),
            readFile(TOPOPLAN_CAMPUS_FILE));
}

// Fills `g` with a topology that any save must write and any load read
// back: texts up to their byte limits, duplicate codes, parallel links,
// self-links and extreme numbers.
void fillRandomly(std::mt19937* random, bool uniqueCodes, TopologyGraph* g) {
  const auto below = [random](int bound) {
    return static_cast<int>((*random)() % static_cast<unsigned>(bound));
  };
  const auto pick = [&below](const auto& values) {
    return values[below(static_cast<int>(std::size(values)))];
  };
  const std::string codes[] = {"CR", "cr", "节点", "核心路由器北A"};
  const std::string texts[] = {"校园网核心路由器，连接互联网出口", "-",
                               std::string(49, 'u')};
  const int numbers[] = {0, -1, 32766, 32767, 32768, INT_MAX, INT_MIN};
  const int n = 1 + below(MAX_DEVICES);
  g->deviceCount = n;
  for (int i = 0; i < n; ++i) {
    DeviceEntry& device = g->devices[i];
    setText(device.code,
            uniqueCodes ? "节点" + std::to_string(i) : pick(codes));
    setText(device.description, pick(texts) + pick(texts));
    setText(device.uptime, pick(texts));
    device.ports = pick(numbers);
    device.firstArc = nullptr;
  }
  g->linkCount = below(n * (n - 1) / 2 + 1);
  for (int k = 0; k < g->linkCount; ++k) {  // self- and parallel links too
    addLink(g, below(n), below(n), below(3) == 0 ? pick(numbers) : below(100));
  }
}

// A reload pushes a file's links in file order, so the lines of one lower
// end come out in reverse at the next save, and two rounds restore a file.
// With duplicate codes that holds from the first reload on, which moves
// each link to the first device of its codes.
TEST_F(StoreTest, SaveAndLoadRoundTripGeneratedTopologies) {
  ScratchFolder scratch;
  const std::string name = scratch.file("round.txt");
  std::mt19937 random(20240611);
  for (int round = 0; round < 80; ++round) {
    SCOPED_TRACE(round);
    const bool uniqueCodes = round % 2 == 0;
    TopologyGraph original{};
    fillRandomly(&random, uniqueCodes, &original);
    expectConsistent(original);
    Names files;
    for (const TopologyGraph* source = &original; files.size() < 4;
         source = &graph) {
      ASSERT_EQ(save(*source, name),
                saved(name, original.deviceCount, original.linkCount));
      files.push_back(readFile(name));
      load(&graph, name);
      ASSERT_EQ(graph.linkCount, original.linkCount);
      expectConsistent(graph);
      EXPECT_EQ(contentOf(graph), contentOf(original));
    }
    if (uniqueCodes) {
      EXPECT_EQ(files[2], files[0]);
    }
    EXPECT_EQ(files[3], files[1]);
    releaseArcs(&original);
  }
}

// The record and the network turn into each other without losing what
// any analysis reads: every device's list in its order, and the saved
// file's text.
TEST_F(StoreTest, RecordAndNetworkTurnIntoEachOther) {
  std::mt19937 random(20261209);
  for (int round = 0; round < 200; ++round) {
    SCOPED_TRACE(round);
    TopologyGraph original{};
    fillRandomly(&random, round % 2 == 0, &original);
    const Network network = networkOf(original);
    ASSERT_EQ(network.linkCount(), original.linkCount);
    const auto lists = neighbourLists(network);
    // The menu's shortcuts read the same values from the record itself.
    const auto asText = [](const std::vector<Link>& links) {
      std::string text;
      for (const Link& l : links) {
        text += std::to_string(l.from) + "-" + std::to_string(l.to) + " " +
                std::to_string(l.latency) + "\n";
      }
      return text;
    };
    EXPECT_EQ(asText(savedLinksOf(original)), asText(savedLinks(network)));
    const NeighbourTable listsOfRecord = neighbourListsOf(original);
    EXPECT_EQ(listsOfRecord.start, lists.start);
    ASSERT_EQ(listsOfRecord.entries.size(), lists.entries.size());
    for (size_t k = 0; k < lists.entries.size(); ++k) {
      EXPECT_EQ(listsOfRecord.entries[k].device, lists.entries[k].device);
      EXPECT_EQ(listsOfRecord.entries[k].latency, lists.entries[k].latency);
    }
    for (int i = 0; i < original.deviceCount; ++i) {
      std::string fromNetwork;
      for (const Neighbour& neighbour : lists.of(i)) {
        if (!fromNetwork.empty()) fromNetwork += ", ";
        fromNetwork += original.devices[neighbour.device].code + " "s +
                       std::to_string(neighbour.latency);
      }
      EXPECT_EQ(fromNetwork, listOf(original, i)) << "device " << i;
    }
    TopologyGraph refilled{};
    fillRecord(network, &refilled);
    expectConsistent(refilled);
    for (int i = 0; i < original.deviceCount; ++i) {
      EXPECT_EQ(listOf(refilled, i), listOf(original, i)) << "device " << i;
    }
    EXPECT_EQ(formatTopology(networkOf(refilled)), formatTopology(network));
    releaseArcs(&refilled);
    releaseArcs(&original);
  }
}

// A file of 754 devices: the menu refuses it at the header, with the
// counts; every other reader takes it, in file order, and a header may
// claim any size without costing memory before the records bear it out.
TEST_F(StoreTest, OnlyTheMenuLimitsTheDeviceCount) {
  std::string large = "754 895\n";
  for (int i = 0; i < 754; ++i) {
    large += "N" + std::to_string(i) + " 设备 4 24h运行\n";
  }
  for (int j = 0; j < 895; ++j) {
    large += "N" + std::to_string(j % 754) + " N" +
             std::to_string((j * 7 + 1) % 754) + " " + std::to_string(j) + "\n";
  }
  const struct {
    std::string text;
    LoadStatus record;
    LoadStatus anySize;
    int position;  // of the refused record without limits
  } cases[] = {
      {large, LoadStatus::kBadCounts, LoadStatus::kLoaded, 0},
      {"41 0\n", LoadStatus::kBadCounts, LoadStatus::kBadDevice, 1},
      {"0 0\n", LoadStatus::kBadCounts, LoadStatus::kBadCounts, 0},
      {"2 2\nA a 1 u\nB b 1 u\n", LoadStatus::kBadCounts,
       LoadStatus::kBadCounts, 0},
      {"2147483647 0\nA a 1 u\n", LoadStatus::kBadCounts,
       LoadStatus::kBadDevice, 2},
      // n(n-1)/2 is beyond any int: every link count passes the header.
      {"70000 2147483647\nA a 1 u\n", LoadStatus::kBadCounts,
       LoadStatus::kBadDevice, 2},
      {"1 0\nA a 1 u\n", LoadStatus::kLoaded, LoadStatus::kLoaded, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text.substr(0, 30));
    Network record;
    std::istringstream recordIn(c.text);
    const LoadOutcome limited =
        parseTopology(recordIn, &record, CountLimits::kRecord);
    EXPECT_EQ(limited.status, c.record);
    Network any;
    std::istringstream anyIn(c.text);
    const LoadOutcome unlimited = parseTopology(anyIn, &any);
    EXPECT_EQ(unlimited.status, c.anySize);
    EXPECT_EQ(unlimited.position, c.position);
    EXPECT_EQ(any.deviceCount(),
              unlimited.loaded() ? unlimited.deviceCount : 0);
  }
  Network record;
  std::istringstream in(large);
  EXPECT_EQ(describeLoadRefusal(
                parseTopology(in, &record, CountLimits::kRecord), "large.txt"),
            "✘ 文件数据不合法：设备数=754，链路数=895\n");
  Network network;
  std::istringstream again(large);
  ASSERT_TRUE(parseTopology(again, &network).loaded());
  EXPECT_EQ(network.links[1].from, 1);  // file order: N1 N8
  EXPECT_EQ(network.links[1].to, 8);
  EXPECT_EQ(network.links[1].latency, 1);
  // Saved and read back, the network keeps its devices and links.
  std::istringstream saved(formatTopology(network));
  Network reread;
  ASSERT_TRUE(parseTopology(saved, &reread).loaded());
  EXPECT_EQ(formatTopology(reread).size(), formatTopology(network).size());
  EXPECT_EQ(reread.linkCount(), 895);
}

// The commands' checks: UTF-8 fields, the line of a refusal, and text
// after the last record. The menu's reading of the same texts is kept:
// any bytes, never a look past the last record.
TEST(TopologyText, CommandsWantUtf8AndNameLines) {
  const std::string device = "2 0\nA ";  // a field after it, on line 2
  struct Case {
    std::string text;
    LoadStatus status;
    FieldProblem problem;
    long long line;  // of the refusal, or of the last record when unread
    bool unread;
  };
  const auto kOk = LoadStatus::kLoaded;
  const auto kBadDevice = LoadStatus::kBadDevice;
  const auto kUtf8 = FieldProblem::kNotUtf8;
  const auto kMissing = FieldProblem::kMissing;
  const Case cases[] = {
      {device + "校园\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF 1 x\nB b 1 y\n", kOk,
       kMissing, 0, false},
      {device + "\xD6\xD0\xCE\xC4 1 x\nB b 1 y\n", kBadDevice, kUtf8, 2,
       false},                                                   // GBK
      {device + "\xC0\xAF 1 x\n", kBadDevice, kUtf8, 2, false},  // overlong
      {device + "\xE0\x80\xAF 1 x\n", kBadDevice, kUtf8, 2, false},
      {device + "\xED\xA0\x80 1 x\n", kBadDevice, kUtf8, 2,
       false},  // surrogate
      {device + "\xF4\x90\x80\x80 1 x\n", kBadDevice, kUtf8, 2, false},
      {device + "\xE4\xB8 1 x\n", kBadDevice, kUtf8, 2, false},  // cut short
      {device + "a\x80 1 x\n", kBadDevice, kUtf8, 2, false},
      {"2 1\nA a 1 x\nB b 1 y\nA \xFF 1\n", LoadStatus::kBadLink, kUtf8, 4,
       false},
      {"2 1\n\n\nA a 1 x\nB b 1 y\nA B 1 \xFF\n", kOk, kMissing, 6, true},
      {"1 0\r\nA a 1 x\r\n\r\n  \t\r\n", kOk, kMissing, 0, false},
      {"1 0\nA a 1 x 2 1\n", kOk, kMissing, 2, true},  // a header cut short
      {"\n\nx 1\n", LoadStatus::kBadHeader, kMissing, 3, false},
      {"1 1\n", LoadStatus::kBadCounts, kMissing, 1, false},
      {"3 0\nA a 1 x\nB b 1 y\n", kBadDevice, kMissing, 3, false},
      {"2 1\nA a 1 x\nB b 1 y\nA\nC 1", LoadStatus::kUnknownDevice, kMissing, 5,
       false},
      {"2 1\nA a 1 x\nB b 1 y\n\nA " + std::string(20, 'A') + " 1\n",
       LoadStatus::kBadLink, FieldProblem::kTooLong, 5, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    Network network;
    std::istringstream in(c.text);
    const LoadOutcome outcome = parseTopology(
        in, &network, CountLimits::kAnySize, {}, TextChecks::kUtf8);
    EXPECT_EQ(outcome.status, c.status);
    if (!outcome.loaded()) {
      EXPECT_EQ(outcome.problem, c.problem);
    }
    if (c.problem == kUtf8) {
      EXPECT_NE(describeLoadRefusal(outcome, "f").find("不是 UTF-8 文本"),
                std::string::npos);
    }
    EXPECT_EQ(outcome.loaded() ? outcome.unreadAfterLine : outcome.line,
              c.unread || !outcome.loaded() ? c.line : 0);
    Network asBytes;
    std::istringstream again(c.text);
    const LoadOutcome menu = parseTopology(again, &asBytes);
    EXPECT_EQ(menu.unreadAfterLine, 0);
    EXPECT_NE(menu.problem, kUtf8);
  }
  Network network;
  std::istringstream gbk(device + "\xD6\xD0\xCE\xC4 1 x\n");
  EXPECT_EQ(
      describeLoadRefusal(parseTopology(gbk, &network, CountLimits::kAnySize,
                                        {}, TextChecks::kUtf8),
                          "gbk.txt"),
      "✘ 文件格式错误：第1台设备的描述不是 UTF-8 文本（文件可能是 GBK "
      "等其他编码保存的，请先转换为 UTF-8，如 iconv -f GBK -t "
      "UTF-8）！\n");
}

}  // namespace
