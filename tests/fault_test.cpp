// Faults around the topology file. Loading what is not a well-formed
// topology file: each case starts from the built-in network, and the
// loader must answer with its one message and leave the record as it was,
// empty, or fully loaded. Saving past a file-size limit: the old file
// stays.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <cctype>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "graph.h"
#include "test_util.h"

namespace {

using std::string_literals::operator""s;

// The built-in network as saved, with LF line ends.
std::string campusFile() { return topotest::readFile(TOPOPLAN_CAMPUS_FILE); }

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

enum class After { kUnchanged, kEmpty, kLoaded };

struct LoadCase {
  const char* tag;
  std::string content;  // unused for the folder case
  std::string message;  // "%s" stands for the file name
  After after;
  bool folder = false;  // the name is a folder, not a file
};

// Named by its tag in test output, rather than dumped byte by byte.
void PrintTo(const LoadCase& c, std::ostream* out) { *out << c.tag; }

class LoadFaultTest : public topotest::TopologyTest,
                      public ::testing::WithParamInterface<LoadCase> {};

TEST_P(LoadFaultTest, AnswersWithOneMessage) {
  const LoadCase& c = GetParam();
  topotest::ScratchFolder scratch;
  std::string name = scratch.file("folder");
  if (c.folder) {
    ASSERT_EQ(mkdir(name.c_str(), 0700), 0);
  } else {
    name = scratch.write("input.txt", c.content);
  }
  std::ostringstream ignored;
  createGraph(&graph, ignored);

  std::ostringstream out;
  loadGraphFromFile(&graph, name.c_str(), out);
  std::string expected = c.message;
  const size_t at = expected.find("%s");
  if (at != std::string::npos) expected.replace(at, 2, name);
  EXPECT_EQ(out.str(), expected);
  switch (c.after) {
    case After::kUnchanged:
      EXPECT_EQ(graph.deviceCount, 8);
      EXPECT_STREQ(graph.devices[7].code, "FW");
      break;
    case After::kEmpty:
      EXPECT_EQ(graph.deviceCount, 0);
      EXPECT_EQ(graph.linkCount, 0);
      break;
    case After::kLoaded:
      EXPECT_EQ(graph.deviceCount, 8);
      EXPECT_EQ(graph.linkCount, 10);
      EXPECT_STREQ(graph.devices[5].uptime, "全天运行");
      // CR's list after loading the file: the link lines in reverse.
      ASSERT_NE(graph.devices[0].firstArc, nullptr);
      EXPECT_EQ(graph.devices[0].firstArc->target, 1);
      EXPECT_EQ(graph.devices[0].firstArc->latency, 5);
      break;
  }
}

const char kLoaded[] =
    "✔ 从文件 %s 加载成功！共8台设备，10条链路。\n"
    "提示：请选择选项2查看邻接矩阵后再使用路径查询功能。\n\n";
const char kNoHeader[] = "✘ 文件格式错误：无法读取设备数和链路数！\n";

INSTANTIATE_TEST_SUITE_P(
    NotATopologyFile, LoadFaultTest,
    ::testing::Values(
        LoadCase{"a folder", "", "✘ 无法打开文件 %s 进行读取！\n",
                 After::kUnchanged, true},
        LoadCase{"an empty file", "", kNoHeader, After::kUnchanged},
        LoadCase{"binary junk",
                 "\x7f"
                 "ELF\x02\x01\x01\0\0\0"s,
                 kNoHeader, After::kUnchanged},
        LoadCase{"junk after a good header", "2 0\n\xff\xfe\0\x01 d 1 u\n"s,
                 "✘ 文件格式错误：第1台设备的代号含有空字符！\n",
                 After::kEmpty},
        LoadCase{"ends inside a device record", "2 1\nA a 1 u\nB b",
                 "✘ 文件格式错误：第2台设备信息读取失败！\n", After::kEmpty},
        LoadCase{"ends inside a link record", "2 1\nA a 1 u\nB b 2 u\nA B",
                 "✘ 文件格式错误：第1条链路信息读取失败！\n", After::kEmpty},
        LoadCase{"NUL inside a description", "1 0\nA de\0sc 1 u\n"s,
                 "✘ 文件格式错误：第1台设备的描述含有空字符！\n",
                 After::kEmpty},
        LoadCase{"NUL right after a port count", "1 0\nA a 1\0 u\n"s,
                 "✘ 文件格式错误：第1台设备的运行时间含有空字符！\n",
                 After::kEmpty},
        LoadCase{"NUL inside a link code", "2 1\nA a 1 u\nB b 2 u\nA\0 B 1\n"s,
                 "✘ 文件格式错误：第1条链路的设备代号含有空字符！\n",
                 After::kEmpty},
        LoadCase{"CR LF line ends", withLineEnds(campusFile(), "\r\n"), kLoaded,
                 After::kLoaded},
        LoadCase{"CR-only line ends", withLineEnds(campusFile(), "\r"), kLoaded,
                 After::kLoaded}),
    [](const ::testing::TestParamInfo<LoadCase>& info) {
      std::string name;
      for (const char c : std::string(info.param.tag)) {
        name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
      }
      return name;
    });

// The limit is set in the test's own process and lifted right after the
// save, so that nothing else the process writes is cut short.
using SaveFaultTest = topotest::TopologyTest;

TEST_F(SaveFaultTest, PastAFileSizeLimitKeepsTheOldFile) {
  topotest::ScratchFolder scratch;
  const std::string old = "1 0\nOLD 旧设备 1 24h\n";
  const std::string name = scratch.write("net.txt", old);
  // Forty devices with the longest texts: some 6 KB of file.
  graph.deviceCount = MAX_DEVICES;
  graph.linkCount = 0;
  for (DeviceEntry& device : graph.devices) {
    device = DeviceEntry{};
    std::memset(device.code, 'C', CODE_SIZE - 1);
    std::memset(device.description, 'd', DESCRIPTION_SIZE - 1);
    std::memset(device.uptime, 'u', UPTIME_SIZE - 1);
  }

  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  rlimit limited = saved;
  limited.rlim_cur = 2048;
  const auto previousHandler = signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
  std::ostringstream out;
  saveGraphToFile(&graph, name.c_str(), out);
  setrlimit(RLIMIT_FSIZE, &saved);
  signal(SIGXFSZ, previousHandler);

  EXPECT_EQ(out.str(),
            "✘ 写入文件 " + name + " 失败，文件未保存，原有内容保持不变！\n");
  EXPECT_EQ(topotest::readFile(name), old);
  EXPECT_EQ(topotest::listFolder(scratch.path()),
            std::vector<std::string>{"net.txt"});
}

}  // namespace
