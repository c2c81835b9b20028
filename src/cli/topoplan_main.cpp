// topoplan: plan the routing topology of a campus network from a menu.
#include <unistd.h>

#include <cstring>
#include <iostream>
#include <new>

#include "command_text.h"
#include "fd_stream.h"
#include "menu.h"
#include "program.h"
#include "version.h"

namespace {

constexpr char kUsage[] = "用法：topoplan [--help | --version]\n";

// Laid out line by line as the terminal shows it.
// clang-format off
constexpr char kHelp[] =
    "\n"
    "交互式的校园网路由拓扑规划工具。菜单创建内置的校园网络或从文件加载拓扑，\n"
    "查看邻接矩阵，给出巡检路线、环路检测、最优路径、全网路由表和光纤布线方案，\n"
    "并把拓扑保存到文件。选项从标准输入读取，结果写到标准输出。\n"
    "\n"
    "选项：\n"
    "  -h, --help     显示本帮助\n"
    "  --version      显示版本号\n"
    "\n"
    "退出状态：0 正常退出；1 无法写出标准输出；2 内存不足或命令行参数有误。\n";
// clang-format on

bool isHelp(const char* word) {
  return std::strcmp(word, "--help") == 0 || std::strcmp(word, "-h") == 0;
}

bool isVersion(const char* word) { return std::strcmp(word, "--version") == 0; }

// Answers --help or --version, or refuses any other command line (naming
// the first word it cannot use). Returns the exit status.
int answerArguments(int argc, char** argv) {
  const char* first = argv[1];
  const bool known = isHelp(first) || isVersion(first);
  if (!known || argc > 2) {
    std::cerr << "✘ 无法识别的参数：" << (known ? argv[2] : first) << "，"
              << kUsage;
    return 2;
  }
  if (isHelp(first)) {
    std::cout << kUsage << kHelp << std::flush;
  } else {
    std::cout << "topoplan " << kTopoplanVersion << '\n' << std::flush;
  }
  return std::cout ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  occupyClosedStandardStreams();
  // A write that fails (a closed pipe, a full disk, a file-size limit)
  // must come back as an error to report, not end the process silently.
  ignoreWriteSignals();
  // The menu takes no arguments; the command line only asks for help or
  // the version.
  if (argc > 1) return answerArguments(argc, argv);

  // Output is gathered in large blocks; the reader flushes it whenever it
  // is about to wait for the operator.
  FdInputBuf inputBuffer(STDIN_FILENO);
  FdOutputBuf outputBuffer(STDOUT_FILENO);
  std::istream input(&inputBuffer);
  std::ostream output(&outputBuffer);

  int status = 0;
  try {
    status = runMenu(input, output);
  } catch (const std::bad_alloc&) {
    output.flush();
    std::cerr << kOutOfMemory << std::endl;
    return 2;
  }
  if (status != 0) {
    std::cerr << "✘ 无法写出标准输出，程序已终止。" << std::endl;
  }
  return status;
}
