// Faults around the topology file. Loading what is not a well-formed
// topology file: each case starts from the built-in network, and the
// loader must answer with its one message and leave the record as it was,
// empty, or fully loaded. Saving past a file-size limit: the old file
// stays.
#include <acl/libacl.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/acl.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <cctype>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "file_replace.h"
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

enum class Kind { kFile, kFolder, kFifo };  // what the name is

struct LoadCase {
  const char* tag;
  std::string content;  // for Kind::kFile
  std::string message;  // "%s" stands for the file name
  After after;
  Kind kind = Kind::kFile;
};

// Named by its tag in test output, rather than dumped byte by byte.
void PrintTo(const LoadCase& c, std::ostream* out) { *out << c.tag; }

class LoadFaultTest : public topotest::TopologyTest,
                      public ::testing::WithParamInterface<LoadCase> {};

TEST_P(LoadFaultTest, AnswersWithOneMessage) {
  const LoadCase& c = GetParam();
  topotest::ScratchDir scratch;
  std::string name = scratch.file("special");
  if (c.kind == Kind::kFolder) {
    ASSERT_EQ(mkdir(name.c_str(), 0700), 0);
  } else if (c.kind == Kind::kFifo) {
    ASSERT_EQ(mkfifo(name.c_str(), 0600), 0);  // no writer: opening waits
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
                 After::kUnchanged, Kind::kFolder},
        LoadCase{"a FIFO", "",
                 "✘ 文件 %s 不是普通文件或字符设备（如管道、套接字），"
                 "未读写任何文件！\n",
                 After::kUnchanged, Kind::kFifo},
        LoadCase{"a window title in a code", "1 0\nA\x1b]0;pwned\x07 a 1 u\n",
                 "✘ 文件格式错误：第1台设备的代号含有控制字符！\n",
                 After::kEmpty},
        LoadCase{"a clipboard write in a description",
                 "2 0\nA a 1 u\nB \x1b]52;c;cm0gLXJmIH4=\x07 1 u\n",
                 "✘ 文件格式错误：第2台设备的描述含有控制字符！\n",
                 After::kEmpty},
        LoadCase{"DEL in a running time", "1 0\nA a 1 24h\x7f\n",
                 "✘ 文件格式错误：第1台设备的运行时间含有控制字符！\n",
                 After::kEmpty},
        LoadCase{"a screen clear in a link code",
                 "2 1\nA a 1 u\nB b 2 u\nA \x1b[2J 1\n",
                 "✘ 文件格式错误：第1条链路的设备代号含有控制字符！\n",
                 After::kEmpty},
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
  topotest::ScratchDir scratch;
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
  EXPECT_EQ(topotest::folderEntries(scratch.path()),
            std::vector<std::string>{"net.txt"});
}

// --- What a save finds at the name ---------------------------------------

using Names = std::vector<std::string>;
const std::string kOld = "old\n";
const std::string kNew = "new content, longer than the old\n";

// Saves kNew to `name` with the file size limited to `sizeLimit` bytes.
ReplaceOutcome saveLimited(const std::string& name, rlim_t sizeLimit) {
  rlimit saved{};
  getrlimit(RLIMIT_FSIZE, &saved);
  rlimit limited = saved;
  limited.rlim_cur = sizeLimit;
  const auto previousHandler = signal(SIGXFSZ, SIG_IGN);
  setrlimit(RLIMIT_FSIZE, &limited);
  const ReplaceOutcome outcome = replaceFileContent(name.c_str(), kNew);
  setrlimit(RLIMIT_FSIZE, &saved);
  signal(SIGXFSZ, previousHandler);
  return outcome;
}

// Each case starts from a folder holding net.txt with kOld, arranges what
// the save will find, and names what to save to.
TEST(FileReplace, ReplacesOnlyWhatAnOrdinaryOpenReaches) {
  const struct {
    const char* tag;
    // The name to save to, after arranging the folder.
    std::string (*arrange)(const topotest::ScratchDir&);
    rlim_t sizeLimit;
    ReplaceOutcome outcome;
    std::string netContent;  // net.txt afterwards
    Names entries;           // the folder afterwards
  } cases[] = {
      {"a second hard link",
       [](const topotest::ScratchDir& d) {
         link(d.file("net.txt").c_str(), d.file("other.txt").c_str());
         return d.file("net.txt");
       },
       RLIM_INFINITY, ReplaceOutcome::kWritten, kNew, {"net.txt", "other.txt"}},
      {"a hard link past a size limit",
       [](const topotest::ScratchDir& d) {
         link(d.file("net.txt").c_str(), d.file("other.txt").c_str());
         return d.file("net.txt");
       },
       8, ReplaceOutcome::kWriteFailed, kOld, {"net.txt", "other.txt"}},
      {"a symbolic link",
       [](const topotest::ScratchDir& d) {
         symlink("net.txt", d.file("link.txt").c_str());
         return d.file("link.txt");
       },
       RLIM_INFINITY, ReplaceOutcome::kWritten, kNew, {"link.txt", "net.txt"}},
      {"a link to nothing yet",
       [](const topotest::ScratchDir& d) {
         unlink(d.file("net.txt").c_str());
         symlink("net.txt", d.file("link.txt").c_str());
         return d.file("link.txt");
       },
       RLIM_INFINITY, ReplaceOutcome::kWritten, kNew, {"link.txt", "net.txt"}},
      {"a leftover backup",
       [](const topotest::ScratchDir& d) {
         link(d.file("net.txt").c_str(), d.file("other.txt").c_str());
         d.write(".net.txt.topoplan-backup", "older\n");
         return d.file("net.txt");
       },
       RLIM_INFINITY, ReplaceOutcome::kBackupInTheWay, kOld,
       {".net.txt.topoplan-backup", "net.txt", "other.txt"}},
      {"a FIFO",
       [](const topotest::ScratchDir& d) {
         mkfifo(d.file("fifo").c_str(), 0600);  // no reader: opening waits
         return d.file("fifo");
       },
       RLIM_INFINITY, ReplaceOutcome::kSpecialFile, kOld, {"fifo", "net.txt"}},
      {"standard input",
       [](const topotest::ScratchDir& d) {
         const int file = open(d.file("net.txt").c_str(), O_RDONLY);
         dup2(file, STDIN_FILENO);
         close(file);
         return d.file("net.txt");
       },
       RLIM_INFINITY, ReplaceOutcome::kOwnStream, kOld, {"net.txt"}},
      {"a character device",
       [](const topotest::ScratchDir&) { return std::string("/dev/null"); },
       RLIM_INFINITY, ReplaceOutcome::kWritten, kOld, {"net.txt"}},
  };
  const int standardInput = dup(STDIN_FILENO);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.tag);
    topotest::ScratchDir scratch;
    scratch.write("net.txt", kOld);
    const std::string name = c.arrange(scratch);
    EXPECT_EQ(saveLimited(name, c.sizeLimit), c.outcome);
    dup2(standardInput, STDIN_FILENO);
    EXPECT_EQ(topotest::readFile(scratch.file("net.txt")), c.netContent);
    EXPECT_EQ(topotest::folderEntries(scratch.path()), c.entries);
  }
  close(standardInput);
}

std::string aclText(const std::string& name) {
  acl_t acl = acl_get_file(name.c_str(), ACL_TYPE_ACCESS);
  if (acl == nullptr) return "";
  char* text = acl_to_any_text(acl, nullptr, ',', 0);
  const std::string result = text == nullptr ? "" : text;
  acl_free(text);
  acl_free(acl);
  return result;
}

bool setAcl(const std::string& name, acl_type_t type, const char* text) {
  acl_t acl = acl_from_text(text);
  const bool set = acl != nullptr && acl_set_file(name.c_str(), type, acl) == 0;
  acl_free(acl);
  return set;
}

// An existing file keeps owner, group, mode and ACL; a new one comes out
// as an ordinary create in the same folder makes it.
TEST(FileReplace, KeepsOwnerModeAndAclAndCreatesAsTheShellWould) {
  topotest::ScratchDir scratch;
  const std::string net = scratch.write("net.txt", kOld);
  const std::string folder = scratch.file("shared");
  ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
  if (!setAcl(net, ACL_TYPE_ACCESS, "u::rw-,u:nobody:rw-,g::r--,m::rw-,o::---") ||
      !setAcl(folder, ACL_TYPE_DEFAULT, "u::rw-,u:nobody:r--,g::---,m::r--,o::---")) {
    GTEST_SKIP() << "SKIP: the scratch folder's file system takes no ACLs";
  }
  ASSERT_EQ(chmod(net.c_str(), 02660), 0);  // a group bit the rename must keep
  // Only root can give a file to another user; others keep their own.
  if (geteuid() == 0) {
    ASSERT_EQ(chown(net.c_str(), 65534, 65534), 0);
  }
  struct stat before;
  ASSERT_EQ(stat(net.c_str(), &before), 0);
  const std::string aclBefore = aclText(net);

  EXPECT_EQ(replaceFileContent(net.c_str(), kNew), ReplaceOutcome::kWritten);
  struct stat after;
  ASSERT_EQ(stat(net.c_str(), &after), 0);
  EXPECT_EQ(topotest::readFile(net), kNew);
  EXPECT_EQ(after.st_mode, before.st_mode);
  EXPECT_EQ(after.st_uid, before.st_uid);
  EXPECT_EQ(after.st_gid, before.st_gid);
  EXPECT_EQ(aclText(net), aclBefore);

  const mode_t savedMask = umask(022);
  const std::string reference = folder + "/reference.txt";
  close(open(reference.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666));
  const std::string fresh = folder + "/new.txt";
  EXPECT_EQ(replaceFileContent(fresh.c_str(), kNew), ReplaceOutcome::kWritten);
  umask(savedMask);
  struct stat made;
  struct stat wanted;
  ASSERT_EQ(stat(fresh.c_str(), &made), 0);
  ASSERT_EQ(stat(reference.c_str(), &wanted), 0);
  EXPECT_EQ(made.st_mode, wanted.st_mode);
  EXPECT_EQ(aclText(fresh), aclText(reference));
  EXPECT_EQ(topotest::readFile(fresh), kNew);
}

}  // namespace
