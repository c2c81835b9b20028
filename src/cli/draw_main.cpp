// topoplan-draw: draw a saved topology file as a Graphviz graph, or render
// it to SVG or PNG with Graphviz's dot.
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iostream>
#include <new>
#include <sstream>
#include <string>

#include "draw.h"
#include "file_replace.h"
#include "font_check.h"
#include "version.h"

namespace {

constexpr int kRefused = 1;
constexpr int kBadArguments = 2;

constexpr char kUsage[] =
    "用法：topoplan-draw [--plan prim|kruskal | --route 起点 终点] "
    "[-o 文件名.svg|文件名.png] 拓扑文件\n";

// Laid out line by line as the terminal shows it.
// clang-format off
constexpr char kHelp[] =
    "\n"
    "把用选项9保存的拓扑文件画成 Graphviz 的 DOT 图。设备按层级分行排列（核心层、\n"
    "安全层、汇聚层、接入层、数据中心、其他），标出代号和描述；每条链路标出延迟，\n"
    "平行链路和自环链路照原样画出。\n"
    "\n"
    "选项：\n"
    "  --plan prim|kruskal   突出显示该算法选中的光纤布线链路，标题给出MST总延迟\n"
    "  --route 起点 终点      突出显示两台设备之间的最优路径，标题给出最短延迟；\n"
    "                        不可达时标题说明不可达\n"
    "  -o 文件名.svg|.png     用 Graphviz 的 dot 命令渲染成 SVG 或 PNG 文件；\n"
    "                        不给出时把 DOT 文本写到标准输出\n"
    "  -h, --help            显示本帮助\n"
    "  --version             显示版本号\n"
    "\n"
    "--plan 与 --route 只能选用其一。文件的读取和检查与选项10相同。出错时不留下\n"
    "输出文件。\n"
    "\n"
    "退出状态：0 成功；1 文件被拒绝、设备不存在、无法计算或渲染失败；\n"
    "2 命令行参数有误。\n";
// clang-format on

struct Arguments {
  DrawRequest request;
  const char* topologyFile = nullptr;
  const char* outputFile = nullptr;
  const char* format = nullptr;  // for dot's -T: "svg" or "png"
  bool help = false;
  bool version = false;
};

bool endsWith(const std::string& text, const std::string& suffix) {
  return text.size() > suffix.size() &&
         text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// The words of the command line, taken one at a time.
class Words {
 public:
  Words(int argc, char** argv) : argc_(argc), argv_(argv) {}
  bool done() const { return next_ >= argc_; }
  int left() const { return argc_ - next_; }
  const char* take() { return argv_[next_++]; }

 private:
  int argc_;
  char** argv_;
  int next_ = 1;
};

// Reads what follows --plan or --route. Returns what is wrong, or "".
std::string parseHighlight(const std::string& option, Words* words,
                           DrawRequest* request) {
  if (request->highlight != Highlight::kNone) {
    return "--plan 与 --route 只能选用其一，且只能给出一次";
  }
  if (option == "--plan") {
    const std::string plan = words->done() ? "" : words->take();
    if (plan != "prim" && plan != "kruskal") {
      return "--plan 后须跟 prim 或 kruskal";
    }
    request->highlight =
        plan == "prim" ? Highlight::kPrimPlan : Highlight::kKruskalPlan;
    return "";
  }
  if (words->left() < 2) return "--route 后须跟起点和终点两个设备代号";
  request->highlight = Highlight::kRoute;
  request->routeFrom = words->take();
  request->routeTo = words->take();
  return "";
}

// Reads the name after -o. Returns what is wrong, or "".
std::string parseOutput(Words* words, Arguments* arguments) {
  if (arguments->outputFile != nullptr) return "-o 只能给出一次";
  if (words->done()) return "-o 后须跟输出文件名";
  const char* name = words->take();
  if (endsWith(name, ".svg")) {
    arguments->format = "svg";
  } else if (endsWith(name, ".png")) {
    arguments->format = "png";
  } else {
    return std::string("输出文件名须以 .svg 或 .png 结尾：") + name;
  }
  arguments->outputFile = name;
  return "";
}

// Fills `arguments` from the command line. Returns an empty string, or
// what is wrong with it.
std::string parseArguments(int argc, char** argv, Arguments* arguments) {
  Words words(argc, argv);
  bool optionsEnded = false;
  while (!words.done()) {
    const char* argument = words.take();
    const std::string word = argument;
    std::string problem;
    if (optionsEnded || word.empty() || word[0] != '-' || word == "-") {
      if (arguments->topologyFile != nullptr) return "只能给出一个拓扑文件";
      arguments->topologyFile = argument;
    } else if (word == "--") {
      optionsEnded = true;
    } else if (word == "-h" || word == "--help") {
      arguments->help = true;
    } else if (word == "--version") {
      arguments->version = true;
    } else if (word == "--plan" || word == "--route") {
      problem = parseHighlight(word, &words, &arguments->request);
    } else if (word == "-o") {
      problem = parseOutput(&words, arguments);
    } else {
      problem = "未知选项：" + word;
    }
    if (!problem.empty()) return problem;
  }
  if (!arguments->help && !arguments->version &&
      arguments->topologyFile == nullptr) {
    return "缺少拓扑文件";
  }
  return "";
}

// Runs `dot -T<format>` on `graph` and collects the image. dot reads the
// whole graph before it writes anything, so feeding it everything first
// and then reading cannot block on a full pipe.
bool renderWithDot(const std::string& graph, const char* format,
                   std::string* image, std::ostream& errors) {
  int toDot[2];
  int fromDot[2];
  if (pipe(toDot) != 0 || pipe(fromDot) != 0) {
    // The process ends right after this; its descriptors go with it.
    errors << "✘ 无法启动 Graphviz 的 dot 命令（" << std::strerror(errno)
           << "）！\n";
    return false;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, toDot[0], STDIN_FILENO);
  posix_spawn_file_actions_adddup2(&actions, fromDot[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, toDot[1]);
  posix_spawn_file_actions_addclose(&actions, fromDot[0]);
  const std::string typeFlag = std::string("-T") + format;
  char program[] = "dot";
  char* dotArguments[] = {program, const_cast<char*>(typeFlag.c_str()),
                          nullptr};
  pid_t child = 0;
  const int spawned =
      posix_spawnp(&child, program, &actions, nullptr, dotArguments, environ);
  posix_spawn_file_actions_destroy(&actions);
  close(toDot[0]);
  close(fromDot[1]);
  if (spawned != 0) {
    close(toDot[1]);
    close(fromDot[0]);
    errors << "✘ 无法启动 Graphviz 的 dot 命令（" << std::strerror(spawned)
           << "），请先安装 graphviz！\n";
    return false;
  }

  writeAll(toDot[1], graph);  // a failure shows in dot's exit status
  close(toDot[1]);
  char buffer[1 << 16];
  ssize_t got = 0;
  while ((got = read(fromDot[0], buffer, sizeof buffer)) != 0) {
    if (got > 0) image->append(buffer, static_cast<size_t>(got));
    if (got < 0 && errno != EINTR) break;
  }
  close(fromDot[0]);
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || got < 0) {
    errors << "✘ Graphviz 的 dot 命令渲染失败，未写出任何文件！\n";
    return false;
  }
  return true;
}

// Renders the graph into the output file, which is written beside its
// place and renamed over it only when complete.
int renderToFile(const std::string& graph, const Arguments& arguments) {
  // An SVG names its fonts and leaves them to the viewer; a PNG has its
  // text drawn here, with whatever fonts this machine has.
  if (std::string(arguments.format) == "png" && chineseFontMissing()) {
    std::cerr << "⚠ 未找到中文字体（fc-list :lang=zh 没有结果），PNG 中的中文将"
                 "显示为方框；请安装 "
              << kChineseFontPackage << "（sudo apt install "
              << kChineseFontPackage << "）。\n";
  }
  std::string image;
  if (!renderWithDot(graph, arguments.format, &image, std::cerr)) {
    return kRefused;
  }
  switch (replaceFileContent(arguments.outputFile, image)) {
    case ReplaceOutcome::kCannotOpen:
      std::cerr << "✘ 无法打开文件 " << arguments.outputFile << " 进行写入！\n";
      return kRefused;
    case ReplaceOutcome::kWriteFailed:
      std::cerr << "✘ 写入文件 " << arguments.outputFile
                << " 失败，文件未保存，原有内容保持不变！\n";
      return kRefused;
    case ReplaceOutcome::kWritten:
      break;
  }
  return 0;
}

int run(int argc, char** argv) {
  Arguments arguments;
  const std::string problem = parseArguments(argc, argv, &arguments);
  if (!problem.empty()) {
    std::cerr << "✘ " << problem << "\n"
              << kUsage << "详见 topoplan-draw --help\n";
    return kBadArguments;
  }
  if (arguments.help || arguments.version) {
    if (arguments.help) {
      std::cout << kUsage << kHelp;
    } else {
      std::cout << "topoplan-draw " << kTopoplanVersion << '\n';
    }
    std::cout << std::flush;
    return std::cout ? 0 : kRefused;
  }

  std::ostringstream graph;
  if (!drawTopologyFile(arguments.topologyFile, arguments.request, graph,
                        std::cerr)) {
    return kRefused;
  }
  if (arguments.outputFile != nullptr) {
    return renderToFile(graph.str(), arguments);
  }
  std::cout << graph.str() << std::flush;
  if (!std::cout) {
    std::cerr << "✘ 无法写出标准输出！\n";
    return kRefused;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  // A closed pipe, to dot or on our own standard output, must come back as
  // a failed write to report rather than end the process silently.
  (void)signal(SIGPIPE, SIG_IGN);
  try {
    return run(argc, argv);
  } catch (const std::bad_alloc&) {
    std::cerr << "✘ 内存不足，程序已终止。" << std::endl;
    return kRefused;
  }
}
