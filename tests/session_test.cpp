// Whole sessions driven in-process, for what a recorded transcript cannot
// show well: NUL bytes, output that fails halfway, files left untouched.
// The recorded transcripts live in sessions/.
#include <gtest/gtest.h>

#include <sstream>
#include <streambuf>
#include <string>

#include "menu.h"
#include "test_util.h"

namespace {

using namespace std::string_literals;
using topotest::readFile;
using topotest::runSession;
using topotest::ScratchFolder;

// Takes `room` bytes of output, then refuses every further byte.
class FillingBuffer : public std::streambuf {
 public:
  explicit FillingBuffer(size_t room) : room_(room) {}

 protected:
  int_type overflow(int_type c) override {
    if (room_ == 0) return traits_type::eof();
    --room_;
    return traits_type::not_eof(c);
  }

 private:
  size_t room_;
};

TEST(Session, OutputFailureEndsTheLoopWithStatusOne) {
  for (size_t room : {0, 700, 5000}) {
    SCOPED_TRACE(room);
    std::string endless;
    for (int i = 0; i < 20000; ++i) endless += "1\n2\n";
    std::istringstream in(endless);
    FillingBuffer full(room);
    std::ostream out(&full);
    EXPECT_EQ(runMenu(in, out), 1);
    // The loop gave up soon after the failure instead of running on.
    EXPECT_GT(in.rdbuf()->in_avail(),
              static_cast<std::streamsize>(endless.size() - 1000));
  }
}

TEST(Session, NulBytesInTypedWordsNameNothing) {
  ScratchFolder dir;
  const std::string name = dir.file("a") + "\0b.txt"s;
  const std::string nameRefused = "✘ 文件名中含有空字符，未读写任何文件！\n";
  const struct {
    std::string input;
    std::string expected;
  } cases[] = {
      {"1\n9 " + name + "\n", nameRefused},
      {"1\n2\n10 " + name + "\n", nameRefused},
      // A refused name skips the readiness step: the matrix stays.
      {"1\n2\n10 " + name + "\n3\n", "巡检路线："},
      {"1\n8 CR\0\n"s, "✘ 未找到设备：CR\0\n"s},
      {"1\n2\n5 CR\0 FW\n"s, "✘ 设备不存在！请检查输入。\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.input);
    int status = -1;
    EXPECT_NE(runSession(c.input, &status).find(c.expected), std::string::npos);
    EXPECT_EQ(status, 0);
  }
  EXPECT_NE(access(dir.file("a").c_str(), F_OK), 0);
}

// The store's tests hold every refused record; here, what the menu makes of
// one: the load fails past the header and the topology is empty afterwards.
TEST(Session, ARefusedRecordLeavesNoDeviceToShow) {
  ScratchFolder dir;
  const std::string file = dir.write("net.txt", "2 0\nA a 1 x\nB\0 b 2 y\n"s);
  const std::string out = runSession("1\n10 " + file + "\n8 A\n");
  EXPECT_NE(out.find("✘ 文件格式错误：第2台设备的代号含有空字符！\n"),
            std::string::npos);
  EXPECT_NE(out.find("✘ 未找到设备：A\n"), std::string::npos);
}

TEST(Session, SavingNothingLeavesAnExistingFileAlone) {
  ScratchFolder dir;
  const std::string kept = dir.write("kept.txt", "old content\n");
  const std::string bad =
      dir.write("bad.txt", "2 1\nA a 1 x\nB b 2 y\nA C 3\n");
  const std::string out = runSession("1\n10 " + bad + "\n9 " + kept + "\n");
  EXPECT_NE(out.find("✘ 没有拓扑数据可保存！请先创建网络拓扑图。\n"),
            std::string::npos);
  EXPECT_EQ(readFile(kept), "old content\n");
}

}  // namespace
