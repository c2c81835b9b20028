#include <gtest/gtest.h>
#include <signal.h>

#include <cerrno>
#include <chrono>
#include <string>
#include <vector>

#include "child_process.h"
#include "command_line.h"
#include "system_error.h"

namespace {

using Words = std::vector<std::string>;

// A command with every kind of option: a flag, one value, two values
// (given more than once), and one allowed once. Records what ran.
struct Recorded {
  std::vector<std::string> calls;
  std::vector<Option> options() {
    const auto record = [this](const char* name) {
      return [this, name](const Words& values) -> std::string {
        std::string call = name;
        for (const std::string& value : values) call += " " + value;
        calls.push_back(call);
        return values.size() == 1 && values[0] == "bad" ? "坏值" : "";
      };
    };
    return {
        {"--flag", "", "开关", record("flag")},
        {"--one", "值", "一个值", record("one")},
        {"--two", "甲 乙", "两个值", record("two"), "--two 后须跟两个代号"},
        {"-o", "文件名", "一次", record("o"), nullptr, true},
        {"-o", "文件名.html", "第二行", nullptr},
    };
  }
};

struct ReadCase {
  Words words;  // after the program's name
  std::string problem;
  std::string calls;  // what ran, joined by "|"
  std::string operand;
};

TEST(CommandLine, ReadsOptionsInOrderAndRefusesTheFirstProblem) {
  const ReadCase cases[] = {
      {{"f"}, "", "", "f"},
      {{"--flag", "f", "--two", "a", "b", "--two", "c", "d"},
       "",
       "flag|two a b|two c d",
       "f"},
      // Values are taken whatever they look like; after -- all is operand.
      {{"--one", "--flag", "--", "--flag"}, "", "one --flag", "--flag"},
      {{"-"}, "", "", "-"},
      {{""}, "", "", ""},
      {{}, "缺少文件", "", ""},
      {{"a", "b"}, "只能给出一个文件", "", "a"},
      {{"--frob", "f"}, "未知选项：--frob", "", ""},
      {{"f", "--one"}, "--one 后须跟一个值", "", "f"},
      {{"f", "--two", "a"}, "--two 后须跟两个代号", "", "f"},
      {{"-o", "x", "-o", "y", "f"}, "-o 只能给出一次", "o x", ""},
      {{"--one", "bad", "--frob"}, "坏值", "one bad", ""},
      // A line of the help alone is not an option.
      {{"f", "文件名.html"}, "只能给出一个文件", "", "f"},
  };
  for (const ReadCase& c : cases) {
    std::vector<const char*> argv = {"program"};
    for (const std::string& word : c.words) argv.push_back(word.c_str());
    Recorded recorded;
    CommandLine line("文件");
    const std::string problem = readCommandLine(
        static_cast<int>(argv.size()), argv.data(), recorded.options(), &line);
    std::string calls;
    for (const std::string& call : recorded.calls) {
      calls += (calls.empty() ? "" : "|") + call;
    }
    const std::string trace = c.words.empty() ? "(none)" : c.words[0];
    EXPECT_EQ(problem, c.problem) << trace;
    EXPECT_EQ(calls, c.calls) << trace;
    EXPECT_EQ(line.operand, c.operand) << trace;
  }
}

TEST(CommandLine, HelpAndVersionNeedNoOperand) {
  for (const char* word : {"-h", "--help", "--version"}) {
    const char* argv[] = {"program", word};
    Recorded recorded;
    CommandLine line("文件");
    EXPECT_EQ(readCommandLine(2, argv, recorded.options(), &line), "") << word;
    EXPECT_EQ(line.help, word[2] != 'v') << word;
    EXPECT_EQ(line.version, word[2] == 'v') << word;
  }
}

TEST(CommandLine, HelpLinesLineUpWithChineseCountedTwice) {
  Recorded recorded;
  EXPECT_EQ(optionLines(recorded.options(), 16),
            "  --flag        开关\n"
            "  --one 值      一个值\n"
            "  --two 甲 乙   两个值\n"
            "  -o 文件名     一次\n"
            "  -o 文件名.html 第二行\n");
  const std::vector<Option> wrapped = {{"--x", "", "第一行\n第二行", nullptr}};
  EXPECT_EQ(optionLines(wrapped, 8), "  --x   第一行\n        第二行\n");
}

TEST(SystemReason, NamesCommonErrorsAndNumbersTheRest) {
  EXPECT_EQ(systemReason(0), "");
  EXPECT_EQ(systemReason(ENOENT), "（没有那个文件或文件夹）");
  EXPECT_EQ(systemReason(EACCES), systemReason(EPERM));
  EXPECT_EQ(systemReason(EFBIG), "（超出文件大小上限）");
  EXPECT_EQ(systemReason(EXDEV),
            "（系统错误号 " + std::to_string(EXDEV) + "）");
  EXPECT_EQ(systemReason(ENOSPC, ErrorDetail::kDesigned), "");
  // Every error with words of its own gets words, not its number.
  for (const int error : {ENOSPC, EDQUOT, EROFS, EISDIR, ENOTDIR, ENAMETOOLONG,
                          ELOOP, EIO, EMFILE, ENFILE, ENOMEM}) {
    EXPECT_EQ(systemReason(error).find("系统错误号"), std::string::npos)
        << error;
  }
}

ChildRequest shell(const std::string& script, int timeoutSeconds = 0) {
  ChildRequest request;
  request.command = {"sh", "-c", script};
  request.timeoutSeconds = timeoutSeconds;
  return request;
}

TEST(ChildProcess, FeedsInputAndGathersOutput) {
  ChildRequest request = shell("tr a-z A-Z; exit 3");
  request.input = std::string(1 << 20, 'x');  // more than a pipe holds
  const ChildOutcome outcome = runChild(request);
  EXPECT_EQ(outcome.end, ChildEnd::kExited);
  EXPECT_EQ(outcome.status, 3);
  EXPECT_FALSE(outcome.succeeded());
  EXPECT_EQ(outcome.output, std::string(1 << 20, 'X'));
}

TEST(ChildProcess, NamesWhyItCouldNotStart) {
  ChildRequest request;
  request.command = {"/nonexistent/program"};
  const ChildOutcome outcome = runChild(request);
  EXPECT_EQ(outcome.end, ChildEnd::kNotStarted);
  EXPECT_EQ(outcome.error, ENOENT);
}

TEST(ChildProcess, RefusesAnEmptyCommand) {
  const ChildOutcome outcome = runChild(ChildRequest());
  EXPECT_EQ(outcome.end, ChildEnd::kNotStarted);
  EXPECT_EQ(outcome.error, ENOENT);
}

// Closing its output early does not let a child run past the deadline.
TEST(ChildProcess, EndsAChildThatClosedItsOutputAtTheDeadline) {
  const auto started = std::chrono::steady_clock::now();
  const ChildOutcome outcome = runChild(shell("exec >&-; exec sleep 30", 1));
  EXPECT_EQ(outcome.end, ChildEnd::kTimedOut);
  EXPECT_LT(std::chrono::steady_clock::now() - started,
            std::chrono::seconds(5));
}

TEST(ChildProcess, ReportsAChildEndedByASignal) {
  const ChildOutcome outcome = runChild(shell("kill -9 $$"));
  EXPECT_EQ(outcome.end, ChildEnd::kKilled);
}

// The child leaves a grandchild that keeps the output pipe open and
// sleeps: at the deadline both end, and the run returns at once.
TEST(ChildProcess, EndsTheWholeGroupAtTheDeadline) {
  const auto started = std::chrono::steady_clock::now();
  const ChildOutcome outcome =
      runChild(shell("sleep 30 & echo $!; exec sleep 30", 1));
  const auto took = std::chrono::steady_clock::now() - started;
  EXPECT_EQ(outcome.end, ChildEnd::kTimedOut);
  EXPECT_LT(took, std::chrono::seconds(5));
  const pid_t grandchild = std::stoi(outcome.output);
  // Reparented and reaped by init: gone, or a zombie about to be.
  bool gone = false;
  for (int i = 0; i < 300 && !gone; ++i) {
    gone = kill(grandchild, 0) != 0 && errno == ESRCH;
    if (!gone) usleep(10000);
  }
  const std::string state = "/proc/" + std::to_string(grandchild) + "/stat";
  FILE* stat = fopen(state.c_str(), "r");
  char status = 'X';  // no entry left: gone by now
  if (stat != nullptr) {
    (void)fscanf(stat, "%*d %*s %c", &status);
    fclose(stat);
  }
  gone = gone || status == 'X';
  EXPECT_TRUE(gone || status == 'Z')
      << "grandchild " << grandchild << " is " << status;
}

// A child that exits while what it started holds the output open: the
// run ends with the child, and what it left is ended too.
TEST(ChildProcess, EndsWhatTheChildLeftRunning) {
  const auto started = std::chrono::steady_clock::now();
  const ChildOutcome outcome = runChild(shell("sleep 30 & echo started", 20));
  const auto took = std::chrono::steady_clock::now() - started;
  EXPECT_TRUE(outcome.succeeded());
  EXPECT_EQ(outcome.output, "started\n");
  EXPECT_LT(took, std::chrono::seconds(5));
}

TEST(ChildProcess, StopsAFloodPastTheCap) {
  ChildRequest request = shell("exec yes", 30);
  request.outputLimit = 1 << 20;
  const ChildOutcome outcome = runChild(request);
  EXPECT_EQ(outcome.end, ChildEnd::kOutputTooLarge);
  EXPECT_LE(outcome.output.size(), size_t{1} << 20);
}

}  // namespace
