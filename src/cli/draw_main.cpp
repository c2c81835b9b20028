// topoplan-draw: draw a saved topology file as a Graphviz graph, or render
// it to SVG or PNG with Graphviz's dot.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <iostream>
#include <new>
#include <sstream>
#include <string>

#include "draw.h"
#include "draw_page.h"
#include "fd_stream.h"
#include "file_replace.h"
#include "font_check.h"
#include "network_input.h"
#include "topology_file.h"
#include "version.h"

namespace {

constexpr int kRefused = 1;
constexpr int kBadArguments = 2;

// How long dot may take to render, in seconds, unless --timeout says.
constexpr int kDefaultTimeout = 60;
constexpr int kLongestTimeout = 86400;

constexpr char kUsage[] =
    "用法：topoplan-draw [--plan prim|kruskal | --route 起点 终点 | --risks]\n"
    "       [--fail-device 代号... --fail-link 代号 代号...]\n"
    "       [--layout layers|geo|force]\n"
    "       [-o 文件名.svg|.png|.html|.graphml [--timeout 秒数]] 拓扑文件\n";

// Laid out line by line as the terminal shows it.
// clang-format off
constexpr char kHelp[] =
    "\n"
    "把用选项9保存的拓扑文件画成 Graphviz 的 DOT 图，标出设备代号和每条链路的延迟，\n"
    "平行链路和自环链路照原样画出。\n"
    "\n"
    "选项：\n"
    "  --plan prim|kruskal   突出显示该算法选中的光纤布线链路，标题给出MST总延迟\n"
    "  --route 起点 终点      突出显示两台设备之间的最优路径，标题给出最短延迟；\n"
    "                        不可达时标题说明不可达\n"
    "  --risks               用橙色标出单点故障（单独故障就会使网络分裂的设备和\n"
    "                        链路），图例列出各自切断的设备\n"
    "  --fail-device 代号     画出该设备故障的场景；可给出多次\n"
    "  --fail-link 代号 代号  画出两台设备之间所有链路故障的场景；可给出多次。\n"
    "                        故障的设备和链路画成灰色虚线，被切断的设备加深底色，\n"
    "                        标题给出故障后的分区数、断开和变慢的设备对数；\n"
    "                        与 --plan 或 --route 同用时，画出故障后剩余网络的\n"
    "                        布线方案或最优路径（及标题中的备用路由）\n"
    "  --layout layers       设备按层级分行排列（核心层、安全层、汇聚层、接入层、\n"
    "                        数据中心、其他），标出代号和描述\n"
    "  --layout geo          设备按坐标摆放（须有坐标），只标代号\n"
    "  --layout force        按力导向布局摆放，只标代号\n"
    "                        不给出时：过半设备的代号有层级则按层级；否则至少\n"
    "                        一半设备有坐标则按坐标；否则按力导向布局\n"
    "  -o 文件名.svg|.png     用 Graphviz 的 dot 命令渲染成 SVG 或 PNG 文件；\n"
    "                        不给出时把 DOT 文本写到标准输出\n"
    "  -o 文件名.html        写出可交互的网页：图中的设备和链路可以点击，查询路径、\n"
    "                        切换布线方案、模拟故障、查看单点故障；分析由内嵌的\n"
    "                        WebAssembly 引擎完成，网页离线即可打开\n"
    "  -o 文件名.graphml     写出 GraphML 文件（yEd、Gephi、NetworkX 可打开），\n"
    "                        所选的突出显示内容记为布尔属性\n"
    "  --timeout 秒数        dot 渲染的时间上限，默认60秒，到时终止 dot 并报错；\n"
    "                        0 表示不限时\n"
    "  -h, --help            显示本帮助\n"
    "  --version             显示版本号\n"
    "\n"
    "--plan、--route、--risks 只能选用其一；--risks 不能与 --fail-device/--fail-link\n"
    "同用。与 .html 同用时，网页打开时即显示所选的内容。出错时不留下输出文件；dot\n"
    "没有输出任何内容也算出错。\n"
    "\n"
    "拓扑文件也可以是 GraphML 文件，写成 - 时读取标准输入；读取和检查与\n"
    "topoplan-resilience 相同。\n"
    "\n"
    "退出状态：0 成功；1 文件被拒绝、设备或链路不存在、无法计算、渲染失败或缺少\n"
    "网页分析引擎；"
    "2 命令行参数有误。\n";
// clang-format on

struct Arguments {
  DrawRequest request;
  const char* topologyFile = nullptr;
  const char* outputFile = nullptr;
  // For dot's -T: "svg" or "png"; or "html" or "graphml".
  const char* format = nullptr;
  int timeoutSeconds = -1;  // -1 until --timeout; 0 for no limit
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

// Reads what follows --plan, --route, --risks, --fail-device or
// --fail-link. Returns what is wrong, or "".
std::string parseHighlight(const std::string& option, Words* words,
                           DrawRequest* request) {
  // Failures combine with a plan or a route, not with the risks.
  const bool failure = option == "--fail-device" || option == "--fail-link";
  const bool combines =
      failure
          ? request->highlight != Highlight::kRisks
          : option != "--risks" && request->highlight == Highlight::kScenario;
  if (request->highlight != Highlight::kNone && !combines) {
    return "--plan、--route、--risks 只能选用其一，且只能给出一次；"
           "--risks 不能与 --fail-device/--fail-link 同用";
  }
  if (failure && request->highlight == Highlight::kNone) {
    request->highlight = Highlight::kScenario;
  }
  if (option == "--risks") {
    request->highlight = Highlight::kRisks;
    return "";
  }
  if (option == "--fail-device") {
    if (words->done()) return "--fail-device 后须跟一个设备代号";
    request->failures.devices.emplace_back(words->take());
    return "";
  }
  if (option == "--fail-link") {
    if (words->left() < 2) return "--fail-link 后须跟两个设备代号";
    std::string first = words->take();
    request->failures.links.emplace_back(first, words->take());
    return "";
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
  } else if (endsWith(name, ".html")) {
    arguments->format = "html";
  } else if (endsWith(name, ".graphml")) {
    arguments->format = "graphml";
  } else {
    return std::string("输出文件名须以 .svg、.png、.html 或 .graphml 结尾：") +
           name;
  }
  arguments->outputFile = name;
  return "";
}

// Reads the name after --layout. Returns what is wrong, or "".
std::string parseLayout(Words* words, DrawRequest* request) {
  if (request->layout != Layout::kAutomatic) return "--layout 只能给出一次";
  const std::string name = words->done() ? "" : words->take();
  if (name == "layers") {
    request->layout = Layout::kLayers;
  } else if (name == "geo") {
    request->layout = Layout::kGeographic;
  } else if (name == "force") {
    request->layout = Layout::kForce;
  } else {
    return "--layout 后须跟 layers、geo 或 force";
  }
  return "";
}

// Reads the number after --timeout. Returns what is wrong, or "".
std::string parseTimeout(Words* words, Arguments* arguments) {
  if (arguments->timeoutSeconds >= 0) return "--timeout 只能给出一次";
  const std::string text = words->done() ? "" : words->take();
  long seconds = -1;
  if (!text.empty() && text.size() <= 5 &&
      text.find_first_not_of("0123456789") == std::string::npos) {
    seconds = std::stol(text);
  }
  if (seconds < 0 || seconds > kLongestTimeout) {
    return "--timeout 后须跟 0 到 86400 之间的整秒数";
  }
  arguments->timeoutSeconds = static_cast<int>(seconds);
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
    } else if (word == "--plan" || word == "--route" || word == "--risks" ||
               word == "--fail-device" || word == "--fail-link") {
      problem = parseHighlight(word, &words, &arguments->request);
    } else if (word == "-o") {
      problem = parseOutput(&words, arguments);
    } else if (word == "--timeout") {
      problem = parseTimeout(&words, arguments);
    } else if (word == "--layout") {
      problem = parseLayout(&words, &arguments->request);
    } else {
      problem = "未知选项：" + word;
    }
    if (!problem.empty()) return problem;
  }
  if (!arguments->help && !arguments->version &&
      arguments->topologyFile == nullptr) {
    return "缺少拓扑文件";
  }
  if (arguments->timeoutSeconds < 0) {
    arguments->timeoutSeconds = kDefaultTimeout;
  } else if (arguments->outputFile == nullptr && !arguments->help &&
             !arguments->version) {
    return "--timeout 只用于 -o 的渲染";
  }
  return "";
}

// What renderWithDot learned from dot.
enum class Rendering { kDone, kFailed, kTimedOut };

using Clock = std::chrono::steady_clock;

// Milliseconds to `deadline` for poll: -1 without a limit, 0 once passed.
int millisecondsLeft(Clock::time_point deadline, bool limited) {
  if (!limited) return -1;
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
      deadline - Clock::now());
  return left.count() <= 0 ? 0 : static_cast<int>(left.count());
}

// Writes what dot's full pipe takes of the rest of `graph`, and closes
// the pipe once all is sent or dot refuses more (its exit status tells).
void feedDot(const std::string& graph, size_t* sent, int* toDot) {
  const ssize_t written =
      write(*toDot, graph.data() + *sent, graph.size() - *sent);
  if (written > 0) *sent += static_cast<size_t>(written);
  if (*sent == graph.size() ||
      (written < 0 && errno != EAGAIN && errno != EINTR)) {
    close(*toDot);
    *toDot = -1;
  }
}

// Feeds `graph` to dot's standard input and collects its standard output
// into `image`, taking turns as the pipes allow, so that a dot that stops
// reading cannot block us. Ends when dot closes its output, the pipes
// fail, or `deadline` passes.
Rendering exchangeWithDot(const std::string& graph, int toDot, int fromDot,
                          Clock::time_point deadline, bool limited,
                          std::string* image) {
  fcntl(toDot, F_SETFL, O_NONBLOCK);
  size_t sent = 0;
  char buffer[1 << 16];
  Rendering rendering = Rendering::kDone;
  while (rendering == Rendering::kDone) {
    const int wait = millisecondsLeft(deadline, limited);
    if (wait == 0) {
      rendering = Rendering::kTimedOut;
      break;
    }
    pollfd fds[2] = {{fromDot, POLLIN, 0}, {toDot, POLLOUT, 0}};
    const int ready = poll(fds, toDot >= 0 ? 2 : 1, wait);
    if (ready <= 0) {
      if (ready < 0 && errno != EINTR) rendering = Rendering::kFailed;
      continue;
    }
    if (toDot >= 0 && fds[1].revents != 0) feedDot(graph, &sent, &toDot);
    if (fds[0].revents == 0) continue;
    const ssize_t got = read(fromDot, buffer, sizeof buffer);
    if (got == 0) break;
    if (got > 0) image->append(buffer, static_cast<size_t>(got));
    if (got < 0 && errno != EINTR) rendering = Rendering::kFailed;
  }
  if (toDot >= 0) close(toDot);
  return rendering;
}

// Waits for dot to end, killing it once `deadline` has passed.
Rendering awaitDot(pid_t child, Clock::time_point deadline, bool limited,
                   Rendering rendering) {
  int status = 0;
  for (;;) {
    const pid_t ended = waitpid(child, &status, WNOHANG);
    if (ended == child) break;
    if (ended < 0 && errno != EINTR) return Rendering::kFailed;
    if (rendering == Rendering::kTimedOut ||
        millisecondsLeft(deadline, limited) == 0) {
      kill(child, SIGKILL);
      while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
      }
      return Rendering::kTimedOut;
    }
    usleep(10000);
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return Rendering::kFailed;
  return rendering;
}

// Runs `dot -T<format>` on `graph` and collects the image, within
// `timeoutSeconds` (0: no limit). An empty image is a failure.
bool renderWithDot(const std::string& graph, const char* format,
                   int timeoutSeconds, std::string* image,
                   std::ostream& errors) {
  int toDot[2];
  int fromDot[2];
  if (pipe2(toDot, O_CLOEXEC) != 0 || pipe2(fromDot, O_CLOEXEC) != 0) {
    // The process ends right after this; its descriptors go with it.
    errors << "✘ 无法启动 Graphviz 的 dot 命令（" << std::strerror(errno)
           << "）！\n";
    return false;
  }
  // The duplicates on dot's 0 and 1 lose close-on-exec; every other end
  // of the pipes closes as dot starts.
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, toDot[0], STDIN_FILENO);
  posix_spawn_file_actions_adddup2(&actions, fromDot[1], STDOUT_FILENO);
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

  const bool limited = timeoutSeconds > 0;
  const auto deadline = Clock::now() + std::chrono::seconds(timeoutSeconds);
  Rendering rendering =
      exchangeWithDot(graph, toDot[1], fromDot[0], deadline, limited, image);
  close(fromDot[0]);
  rendering = awaitDot(child, deadline, limited, rendering);
  if (rendering == Rendering::kTimedOut) {
    errors << "✘ Graphviz 的 dot 命令在" << timeoutSeconds
           << "秒内未完成渲染，已终止，未写出任何文件！\n";
    return false;
  }
  if (rendering == Rendering::kFailed) {
    errors << "✘ Graphviz 的 dot 命令渲染失败，未写出任何文件！\n";
    return false;
  }
  if (image->empty()) {
    errors << "✘ Graphviz 的 dot 命令没有输出任何内容，未写出任何文件！\n";
    return false;
  }
  return true;
}

// The interactive page: the plain drawing with addressable devices and
// links, rendered to SVG, with the network as a topology file's text and
// the engine.
bool renderPage(const Arguments& arguments, const Network& network,
                std::string* page) {
  DrawRequest plain;
  plain.addressable = true;
  plain.layout = arguments.request.layout;
  plain.positions = arguments.request.positions;
  std::ostringstream graph;
  std::string svg;
  if (!writeTopologyDot(network, plain, graph, std::cerr) ||
      !renderWithDot(graph.str(), "svg", arguments.timeoutSeconds, &svg,
                     std::cerr)) {
    return false;
  }
  // The text the engine reads back as this very network, whatever the
  // input was: a topology file, GraphML, or standard input read once.
  const std::string text = formatTopology(network, LinkOrder::kAdded);
  const std::string title =
      "网络拓扑：" + inputDisplayName(arguments.topologyFile);
  return writeTopologyPage(svg, text, title, arguments.request, page,
                           std::cerr);
}

// Renders the graph (or takes the GraphML text) into the output file,
// which is written beside its place and renamed over it only when
// complete.
int renderToFile(const std::string& graph, const Arguments& arguments,
                 const Network& network) {
  // An SVG names its fonts and leaves them to the viewer; a PNG has its
  // text drawn here, with whatever fonts this machine has.
  if (std::string(arguments.format) == "png" && chineseFontMissing()) {
    std::cerr << "⚠ 未找到中文字体（fc-list :lang=zh 没有结果），PNG 中的中文将"
                 "显示为方框；请安装 "
              << kChineseFontPackage << "（sudo apt install "
              << kChineseFontPackage << "）。\n";
  }
  std::string image;
  if (std::strcmp(arguments.format, "graphml") == 0) {
    image = graph;  // the file's text already
  } else if (!(std::strcmp(arguments.format, "html") == 0
                   ? renderPage(arguments, network, &image)
                   : renderWithDot(graph, arguments.format,
                                   arguments.timeoutSeconds, &image,
                                   std::cerr))) {
    return kRefused;
  }
  std::string backup;
  const ReplaceOutcome outcome =
      replaceFileContent(arguments.outputFile, image, &backup);
  if (outcome != ReplaceOutcome::kWritten) {
    std::cerr << replaceRefusal(outcome, arguments.outputFile, backup);
    return kRefused;
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

  if (arguments.format != nullptr &&
      std::strcmp(arguments.format, "html") == 0 && !pageEngineBuilt()) {
    std::cerr << kNoPageEngine << '\n';
    return kRefused;
  }
  const NetworkInput input = loadNetworkForCommand(arguments.topologyFile);
  std::cerr << input.messages;
  if (!input.loaded) return kRefused;
  arguments.request.positions = pointsOf(input);
  const bool graphml = arguments.format != nullptr &&
                       std::strcmp(arguments.format, "graphml") == 0;
  std::ostringstream graph;
  if (!(graphml ? writeTopologyGraphml(input.network, arguments.request, graph,
                                       std::cerr)
                : writeTopologyDot(input.network, arguments.request, graph,
                                   std::cerr))) {
    return kRefused;
  }
  if (arguments.outputFile != nullptr) {
    return renderToFile(graph.str(), arguments, input.network);
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
  occupyClosedStandardStreams();
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
