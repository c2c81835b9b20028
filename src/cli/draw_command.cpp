#include "draw_command.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "child_process.h"
#include "command_line.h"
#include "command_text.h"
#include "draw.h"
#include "draw_page.h"
#include "exit_status.h"
#include "file_replace.h"
#include "font_check.h"
#include "network_input.h"
#include "program.h"
#include "refusals.h"
#include "system_error.h"
#include "text.h"
#include "topology_file.h"

namespace {

// How long dot may take to render, in seconds, unless --timeout says.
constexpr int kDefaultTimeout = 60;
constexpr int kLongestTimeout = 86400;

constexpr char kUsage[] =
    "用法：topoplan-draw [--plan prim|kruskal | --route 起点 终点 | --risks]\n"
    "       [--fail-device 代号... --fail-link 代号 代号...]\n"
    "       [--layout layers|geo|force]\n"
    "       [--add-link 代号 代号 延迟]... [--suggest links|devices "
    "[--candidates 文件]]\n"
    "       [--latency-key 属性名] [--default-latency 毫秒]\n"
    "       [-o 文件名.svg|.png|.html|.graphml [--timeout 秒数]] 拓扑文件\n";

// Laid out line by line as the terminal shows it; the options between
// come from the table below.
// clang-format off
constexpr char kHelpIntro[] =
    "\n"
    "把用选项9保存的拓扑文件画成 Graphviz 的 DOT 图，标出设备代号和每条链路的延迟，\n"
    "平行链路和自环链路照原样画出。\n"
    "\n"
    "选项：\n";
constexpr char kHelpEnd[] =
    "\n"
    "--plan、--route、--risks 只能选用其一；--risks 不能与 --fail-device/--fail-link\n"
    "同用。与 .html 同用时，网页打开时即显示所选的内容。出错时不留下输出文件；dot\n"
    "没有输出任何内容也算出错。输出文件的扩展名不分大小写。\n"
    "\n"
    "拓扑文件也可以是 GraphML 文件，写成 - 时读取标准输入；读取和检查与\n"
    "topoplan-resilience 相同。--add-link 和 --suggest 的链路加在文件的链路之后，\n"
    "其余选项都按加上后的网络计算，与 topoplan-resilience 的同名选项相同；要把加上\n"
    "建议链路的网络写成拓扑文件，用 topoplan-resilience --suggest --write。\n"
    "\n"
    "退出状态：0 成功；1 文件被拒绝、无法计算、渲染失败、无法写出、缺少网页分析\n"
    "引擎或内存不足；2 命令行参数有误、设备不存在或链路不存在。\n";
constexpr CommandTexts kTexts{"topoplan-draw", kUsage, kHelpIntro, kHelpEnd};
// clang-format on

struct Arguments {
  DrawRequest request;
  std::string topologyFile;
  std::string outputFile;
  // For dot's -T: "svg" or "png"; or "html" or "graphml".
  const char* format = nullptr;
  int timeoutSeconds = -1;  // -1 until --timeout; 0 for no limit
  GraphmlOptions graphml;   // where a GraphML input keeps its latencies
  LinkTrial trial;          // --add-link, --suggest, --candidates
};

// Whether `name` ends in `suffix`, ignoring the case of ASCII letters, after
// at least one other byte.
bool endsWithIgnoringCase(const std::string& name, const std::string& suffix) {
  if (name.size() <= suffix.size()) return false;
  const size_t start = name.size() - suffix.size();
  for (size_t i = 0; i < suffix.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(name[start + i])) !=
        suffix[i]) {
      return false;
    }
  }
  return true;
}

// Takes one highlight. Failures may be given again, as more failures of
// the same scenario, and combine with a plan or a route (drawn in the
// network that survives them), not with the risks. Returns what is
// wrong, or "".
std::string setHighlight(Highlight highlight, DrawRequest* request) {
  const bool failure = highlight == Highlight::kScenario;
  const bool combines = failure
                            ? request->highlight != Highlight::kRisks
                            : highlight != Highlight::kRisks &&
                                  request->highlight == Highlight::kScenario;
  if (request->highlight != Highlight::kNone && !combines) {
    return "--plan、--route、--risks 只能选用其一，且只能给出一次；"
           "--risks 不能与 --fail-device/--fail-link 同用";
  }
  if (!failure || request->highlight == Highlight::kNone) {
    request->highlight = highlight;
  }
  return "";
}

// Reads the name after -o. Returns what is wrong, or "".
std::string setOutput(const std::string& name, Arguments* arguments) {
  for (const char* format : {"svg", "png", "html", "graphml"}) {
    if (endsWithIgnoringCase(name, std::string(".") + format)) {
      arguments->format = format;
      arguments->outputFile = name;
      return "";
    }
  }
  return "输出文件名须以 .svg、.png、.html 或 .graphml 结尾：" + name;
}

// Reads the name after --layout. Returns what is wrong, or "".
std::string setLayout(const std::string& name, DrawRequest* request) {
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
std::string setTimeout(const std::string& text, Arguments* arguments) {
  const std::optional<int> seconds = wholeNumber(text, kLongestTimeout);
  if (!seconds) return "--timeout 后须跟 0 到 86400 之间的整秒数";
  arguments->timeoutSeconds = *seconds;
  return "";
}

// The options and their lines of --help; `arguments` is what their actions
// fill (null when only the help is wanted).
// clang-format off
std::vector<Option> drawOptions(Arguments* arguments) {
  DrawRequest* request = arguments == nullptr ? nullptr : &arguments->request;
  using Values = std::vector<std::string>;
  std::vector<Option> options = {
      {"--plan", "prim|kruskal",
       "突出显示该算法选中的光纤布线链路，标题给出MST总延迟",
       [=](const Values& values) -> std::string {
         if (values[0] != "prim" && values[0] != "kruskal") {
           return "--plan 后须跟 prim 或 kruskal";
         }
         return setHighlight(values[0] == "prim" ? Highlight::kPrimPlan
                                                 : Highlight::kKruskalPlan,
                             request);
       },
       "--plan 后须跟 prim 或 kruskal"},
      {"--route", "起点 终点",
       "突出显示两台设备之间的最优路径，标题给出最短延迟；\n"
       "不可达时标题说明不可达",
       [=](const Values& values) {
         request->routeFrom = values[0];
         request->routeTo = values[1];
         return setHighlight(Highlight::kRoute, request);
       },
       "--route 后须跟起点和终点两个设备代号"},
      {"--risks", "",
       "用橙色标出单点故障（单独故障就会使网络分裂的设备和\n"
       "链路），图例列出各自切断的设备",
       [=](const Values&) { return setHighlight(Highlight::kRisks, request); }},
      {"--fail-device", "代号", "画出该设备故障的场景；可给出多次",
       [=](const Values& values) {
         request->failures.devices.push_back(values[0]);
         return setHighlight(Highlight::kScenario, request);
       },
       "--fail-device 后须跟一个设备代号"},
      {"--fail-link", "代号 代号",
       "画出两台设备之间所有链路故障的场景；可给出多次。\n"
       "故障的设备和链路画成灰色虚线，被切断的设备加深底色，\n"
       "标题给出故障后的分区数、断开和变慢的设备对数；\n"
       "与 --plan 或 --route 同用时，画出故障后剩余网络的\n"
       "布线方案或最优路径（及标题中的备用路由）",
       [=](const Values& values) {
         request->failures.links.emplace_back(values[0], values[1]);
         return setHighlight(Highlight::kScenario, request);
       },
       "--fail-link 后须跟两个设备代号"},
      {"--layout", "layers",
       "设备按层级分行排列（核心层、安全层、汇聚层、接入层、\n"
       "数据中心、其他），标出代号和描述",
       [=](const Values& values) { return setLayout(values[0], request); },
       "--layout 后须跟 layers、geo 或 force", true},
      {"--layout", "geo", "设备按坐标摆放（须有坐标），只标代号", nullptr},
      {"--layout", "force",
       "按力导向布局摆放，只标代号\n"
       "不给出时：过半设备的代号有层级则按层级；否则至少\n"
       "一半设备有坐标则按坐标；否则按力导向布局",
       nullptr},
      {"-o", "文件名.svg|.png",
       "用 Graphviz 的 dot 命令渲染成 SVG 或 PNG 文件；\n"
       "不给出时把 DOT 文本写到标准输出",
       [=](const Values& values) { return setOutput(values[0], arguments); },
       "-o 后须跟输出文件名", true},
      {"-o", "文件名.html",
       "写出可交互的网页：图中的设备和链路可以点击，查询路径、\n"
       "切换布线方案、模拟故障、查看单点故障；分析由内嵌的\n"
       "WebAssembly 引擎完成，网页离线即可打开",
       nullptr},
      {"-o", "文件名.graphml",
       "写出 GraphML 文件（yEd、Gephi、NetworkX 可打开），\n"
       "所选的突出显示内容记为布尔属性",
       nullptr},
      {"--timeout", "秒数",
       "dot 渲染的时间上限，默认60秒，到时终止 dot 并报错；\n"
       "0 表示不限时",
       [=](const Values& values) { return setTimeout(values[0], arguments); },
       "--timeout 后须跟 0 到 86400 之间的整秒数", true},
      {"-h, --help", "", "显示本帮助", nullptr},
      {"--version", "", "显示版本号", nullptr},
  };
  // Before -h and --version, which stay last.
  const std::vector<Option> trial =
      linkTrialOptions(arguments == nullptr ? nullptr : &arguments->trial);
  options.insert(options.end() - 2, trial.begin(), trial.end());
  const std::vector<Option> latency =
      latencyOptions(arguments == nullptr ? nullptr : &arguments->graphml);
  options.insert(options.end() - 2, latency.begin(), latency.end());
  return options;
}
// clang-format on

// Runs `dot -q -T<format>` on `graph` and collects the image, within
// `timeoutSeconds` (0: no limit). An empty image is a failure. Warnings
// stay quiet: a map leaves out on purpose the latencies that do not fit,
// which dot would report; its errors still show.
bool renderWithDot(const std::string& graph, const char* format,
                   int timeoutSeconds, std::string* image,
                   std::ostream& errors) {
  ChildRequest request;
  request.command = {"dot", "-q", std::string("-T") + format};
  request.input = graph;
  request.timeoutSeconds = timeoutSeconds;
  ChildOutcome dot = runChild(request);
  switch (dot.end) {
    case ChildEnd::kNotStarted:
      errors << "✘ 无法启动 Graphviz 的 dot 命令" << systemReason(dot.error)
             << (dot.error == ENOENT ? "，请先安装 graphviz！\n" : "！\n");
      return false;
    case ChildEnd::kTimedOut:
      errors << "✘ Graphviz 的 dot 命令在" << timeoutSeconds
             << "秒内未完成渲染，已终止，未写出任何文件！\n";
      return false;
    case ChildEnd::kOutputTooLarge:
      errors << "✘ Graphviz 的 dot 命令输出超过 " << (request.outputLimit >> 20)
             << " MiB，已终止，未写出任何文件！\n";
      return false;
    case ChildEnd::kExited:
      if (dot.status == 0) break;
      [[fallthrough]];
    case ChildEnd::kKilled:
    case ChildEnd::kBrokenPipe:
      errors << "✘ Graphviz 的 dot 命令渲染失败，未写出任何文件！\n";
      return false;
  }
  if (dot.output.empty()) {
    errors << "✘ Graphviz 的 dot 命令没有输出任何内容，未写出任何文件！\n";
    return false;
  }
  *image = std::move(dot.output);
  return true;
}

// The interactive page: the plain drawing with addressable devices and
// links, rendered to SVG, with the network as a topology file's text and
// the engine.
bool renderPage(const Arguments& arguments, const Network& network,
                std::string* page, std::ostream& errors) {
  DrawRequest plain;
  plain.addressable = true;
  plain.layout = arguments.request.layout;
  plain.positions = arguments.request.positions;
  // The suggestions stay dashed green on the page.
  plain.suggesting = arguments.request.suggesting;
  plain.suggestion = arguments.request.suggestion;
  std::ostringstream graph;
  std::string svg;
  if (writeTopologyDot(network, plain, graph, errors) != DrawOutcome::kDrawn ||
      !renderWithDot(graph.str(), "svg", arguments.timeoutSeconds, &svg,
                     errors)) {
    return false;
  }
  // The text the engine reads back as this very network, whatever the
  // input was: a topology file, GraphML, or standard input read once.
  const std::string text = formatTopology(network, LinkOrder::kAdded);
  const std::string title =
      "网络拓扑：" + inputDisplayName(arguments.topologyFile.c_str());
  return writeTopologyPage(svg, text, title, arguments.request, page, errors);
}

// Renders the graph (or takes the GraphML text) into the output file,
// which is written beside its place and renamed over it only when
// complete.
int renderToFile(const std::string& graph, const Arguments& arguments,
                 const Network& network, std::ostream& errors) {
  // An SVG names its fonts and leaves them to the viewer; a PNG has its
  // text drawn here, with whatever fonts this machine has.
  if (std::string(arguments.format) == "png" && chineseFontMissing()) {
    errors << "⚠ 未找到中文字体（fc-list :lang=zh 没有结果），PNG 中的中文将"
              "显示为方框；请安装 "
           << kChineseFontPackage << "（sudo apt install "
           << kChineseFontPackage << "）。\n";
  }
  std::string image;
  if (std::strcmp(arguments.format, "graphml") == 0) {
    image = graph;  // the file's text already
  } else if (!(std::strcmp(arguments.format, "html") == 0
                   ? renderPage(arguments, network, &image, errors)
                   : renderWithDot(graph, arguments.format,
                                   arguments.timeoutSeconds, &image, errors))) {
    return kExitRefused;
  }
  std::string backup;
  int error = 0;
  const ReplaceOutcome outcome =
      replaceFileContent(arguments.outputFile.c_str(), image, &backup, &error);
  if (outcome != ReplaceOutcome::kWritten) {
    errors << replaceRefusal(outcome,
                             escapeControls(arguments.outputFile).c_str(),
                             escapeControls(backup), error);
    return kExitRefused;
  }
  return kExitDone;
}

// The exit status of a drawing that was refused.
int refusalStatus(DrawOutcome outcome) {
  return outcome == DrawOutcome::kBadRequest ? kExitBadArguments : kExitRefused;
}

}  // namespace

int runDraw(int argc, const char* const* argv, std::ostream& out,
            std::ostream& errors) {
  Arguments arguments;
  CommandLine line{"拓扑文件"};
  std::string problem =
      readCommandLine(argc, argv, drawOptions(&arguments), &line);
  if (problem.empty() && arguments.timeoutSeconds >= 0 &&
      arguments.outputFile.empty() && !line.help && !line.version) {
    problem = "--timeout 只用于 -o 的渲染";
  }
  if (problem.empty() && !line.help && !line.version) {
    problem = linkTrialProblem(arguments.trial);
  }
  if (const std::optional<int> status =
          answerWithoutWork(problem, line.help, line.version, kTexts,
                            drawOptions(nullptr), out, errors)) {
    return *status;
  }
  arguments.topologyFile = line.operand;
  if (arguments.timeoutSeconds < 0) arguments.timeoutSeconds = kDefaultTimeout;

  if (arguments.format != nullptr &&
      std::strcmp(arguments.format, "html") == 0 && !pageEngineBuilt()) {
    errors << kNoPageEngine << '\n';
    return kExitRefused;
  }
  // Links tried before they are built, then the suggestions, as if the
  // file listed them last.
  NetworkInput input;
  Network network;
  if (const std::optional<int> status =
          loadTriedNetwork(arguments.topologyFile, arguments.graphml,
                           arguments.trial, &input, &network, errors)) {
    return *status;
  }
  DrawRequest& request = arguments.request;
  if (arguments.trial.suggest) {
    Augmentation augmentation;
    if (const std::optional<int> status = suggestLinks(
            input, network, arguments.trial, &augmentation, errors)) {
      return *status;
    }
    network = withSuggestions(std::move(network), augmentation);
    request.suggesting = true;
    request.suggestion = std::move(augmentation);
  }
  const std::string ambiguous = resolveDeviceNames(
      input, routeAndFailureNames(&request.routeFrom, &request.routeTo,
                                  &request.failures));
  if (!ambiguous.empty()) {
    errors << escapeControls(ambiguous, LineBreaks::kKept);
    return kExitBadArguments;
  }
  request.positions = pointsOf(input);
  request.nodeIds = input.nodeIds;
  // One drawing, computed once, then written in the format asked for.
  Drawing drawing;
  DrawOutcome drawn =
      computeDrawing(network, arguments.request, &drawing, errors);
  std::ostringstream graph;
  if (drawn == DrawOutcome::kDrawn && arguments.format != nullptr &&
      std::strcmp(arguments.format, "graphml") == 0) {
    graph << drawingGraphml(network, drawing);
  } else if (drawn == DrawOutcome::kDrawn) {
    drawn = writeDrawingDot(network, drawing, arguments.request, graph, errors);
  }
  if (drawn != DrawOutcome::kDrawn) return refusalStatus(drawn);
  if (!arguments.outputFile.empty()) {
    return renderToFile(graph.str(), arguments, network, errors);
  }
  out << graph.str() << std::flush;
  if (!out) {
    stdoutFailed(errors);
    return kExitRefused;
  }
  return kExitDone;
}
