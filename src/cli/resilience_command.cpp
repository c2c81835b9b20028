#include "resilience_command.h"

#include <chrono>
#include <cmath>
#include <vector>

#include "failure_text.h"
#include "progress_text.h"
#include "refusals.h"
#include "resilience_json.h"
#include "resilience_text.h"
#include "topology_file.h"
#include "version.h"

namespace {

constexpr char kUsage[] =
    "用法：topoplan-resilience 拓扑文件 [--json] [--fail-device 代号]... "
    "[--fail-link 代号 代号]... [--route 起点 终点] [--jobs N]\n";

// Laid out line by line as the terminal shows it.
// clang-format off
constexpr char kHelp[] =
    "\n"
    "分析用选项9保存的拓扑文件在设备或链路故障时会怎样：找出单点故障（单独故障就\n"
    "会使网络分裂的设备和链路，以及各自切断的设备），并逐个场景给出故障后的连通\n"
    "分区数、断开的设备对数、变慢的设备对数和变慢最多的一对。\n"
    "\n"
    "不给出 --fail-device 或 --fail-link 时输出 N-1 报告：每台设备、每条链路单独\n"
    "故障各一个场景（自环链路和延迟不小于32767ms的链路不承载路由，不列出）。\n"
    "\n"
    "选项：\n"
    "  --fail-device 代号      该设备及其所有链路故障；可给出多次\n"
    "  --fail-link 代号 代号   两台设备之间的所有链路故障；可给出多次\n"
    "                         所有给出的故障同时发生，作为一个场景\n"
    "  --route 起点 终点       给出最优路由，以及不与它共用任何链路的最快备用路由；\n"
    "                         有故障时按故障后的网络计算\n"
    "  --json                 以 JSON 输出同样的内容\n"
    "  --jobs N               N-1 报告同时计算的线程数，默认每个处理器核心一个；\n"
    "                         结果与线程数无关\n"
    "  -h, --help             显示本帮助\n"
    "  --version              显示版本\n"
    "\n"
    "文件的读取和检查与选项10相同；设备代号指代号相同的设备中序号最小的一台。\n"
    "\n"
    "退出状态：0 成功；1 文件被拒绝、含负延迟链路或无法写出；2 命令行参数有误、\n"
    "设备不存在或链路不存在。\n";
// clang-format on

// One line of progress on a terminal, rewritten in place, shown once a run
// has taken a second and at most five times a second, and erased at the
// end. Nothing at all without a terminal.
class ProgressLine {
 public:
  explicit ProgressLine(std::ostream* terminal) : terminal_(terminal) {}

  void update(int done, int total) {
    using std::chrono::duration;
    if (terminal_ == nullptr || done <= 0 || done >= total) return;
    const auto now = Clock::now();
    const double elapsed = duration<double>(now - start_).count();
    if (elapsed < 1.0 ||
        (shown_ && duration<double>(now - lastShown_).count() < 0.2)) {
      return;
    }
    const double left = elapsed * (total - done) / done;
    *terminal_ << progressLine(done, total, static_cast<int>(std::lround(left)))
               << std::flush;
    shown_ = true;
    lastShown_ = now;
  }

  void erase() {
    if (shown_) *terminal_ << kProgressErase << std::flush;
    shown_ = false;
  }

 private:
  using Clock = std::chrono::steady_clock;
  std::ostream* terminal_;
  Clock::time_point start_ = Clock::now();
  Clock::time_point lastShown_;
  bool shown_ = false;
};

constexpr char kStdoutFailed[] = "✘ 无法写出标准输出！\n";

// The words of the command line, taken one at a time.
class Words {
 public:
  Words(int argc, const char* const* argv) : argc_(argc), argv_(argv) {}
  bool done() const { return next_ >= argc_; }
  int left() const { return argc_ - next_; }
  std::string take() { return argv_[next_++]; }

 private:
  int argc_;
  const char* const* argv_;
  int next_ = 1;
};

// Reads the codes after an option that takes some. Returns what is wrong,
// or "".
std::string parseCodes(const std::string& option, Words* words,
                       ResilienceArguments* arguments) {
  if (option == "--fail-device") {
    if (words->done()) return "--fail-device 后须跟一个设备代号";
    arguments->failures.devices.push_back(words->take());
    return "";
  }
  if (words->left() < 2) return option + " 后须跟两个设备代号";
  std::string first = words->take();
  std::string second = words->take();
  if (option == "--fail-link") {
    arguments->failures.links.emplace_back(first, second);
    return "";
  }
  if (arguments->route) return "--route 只能给出一次";
  arguments->route = true;
  arguments->routeFrom = first;
  arguments->routeTo = second;
  return "";
}

// A thread count: decimal digits only, 1 or more, within an int.
bool parseJobs(const std::string& word, int* jobs) {
  if (word.empty() || word.size() > 9 ||
      word.find_first_not_of("0123456789") != std::string::npos) {
    return false;
  }
  *jobs = std::stoi(word);
  return *jobs >= 1;
}

// Loads the file into `network`; false, with the loader's refusal on
// `errors`, when it refuses.
bool loadTopology(const std::string& fileName, Network* network,
                  std::ostream& errors) {
  const LoadOutcome outcome = readTopologyFile(fileName.c_str(), network);
  if (!outcome.loaded()) {
    errors << describeLoadRefusal(outcome, fileName.c_str());
    return false;
  }
  return true;
}

// Resolves the failures and the route ends, then writes the report.
int report(const ResilienceArguments& arguments, const Network& network,
           std::ostream& out, std::ostream& errors, bool progressShown) {
  const std::vector<Link> links = savedLinks(network);
  if (hasNegativeLink(links)) {
    errors << kNegativeLatency << '\n';
    return kResilienceRefused;
  }
  const FailureLookup lookup =
      lookUpFailures(network, links, arguments.failures);
  if (lookup.outcome != FailureLookup::Outcome::kFound) {
    errors << failureLookupProblem(lookup);
    return kResilienceBadArguments;
  }
  ResilienceQuery query;
  query.singleScenario =
      !arguments.failures.devices.empty() || !arguments.failures.links.empty();
  query.failed = lookup.failed;
  query.workers = arguments.jobs;
  ProgressLine progress(progressShown ? &errors : nullptr);
  query.progress = [&progress](int done, int total) {
    progress.update(done, total);
  };
  if (arguments.route) {
    query.route = true;
    query.routeFrom = findDevice(network, arguments.routeFrom);
    query.routeTo = findDevice(network, arguments.routeTo);
    if (query.routeFrom == -1 || query.routeTo == -1) {
      errors << kDeviceNotFound
             << (query.routeFrom == -1 ? arguments.routeFrom
                                       : arguments.routeTo)
             << '\n';
      return kResilienceBadArguments;
    }
  }

  const ResilienceReport result =
      analyseResilience(network.deviceCount(), links, query);
  progress.erase();
  const std::vector<std::string> codes = deviceCodes(network);
  if (arguments.json) {
    // Codes are whatever bytes a file held: a byte that is not UTF-8 is
    // written as U+FFFD rather than refused.
    out << reportJson(codes, links, result)
               .dump(-1, ' ', false, nlohmann::json::error_handler_t::replace)
        << '\n';
  } else {
    out << resilienceText(codes, links, result);
  }
  out.flush();
  if (!out) {
    errors << kStdoutFailed;
    return kResilienceRefused;
  }
  return kResilienceDone;
}

}  // namespace

std::string parseResilienceArguments(int argc, const char* const* argv,
                                     ResilienceArguments* arguments) {
  Words words(argc, argv);
  bool optionsEnded = false;
  while (!words.done()) {
    const std::string word = words.take();
    std::string problem;
    if (optionsEnded || word.empty() || word[0] != '-' || word == "-") {
      if (arguments->hasTopologyFile) return "只能给出一个拓扑文件";
      arguments->topologyFile = word;
      arguments->hasTopologyFile = true;
    } else if (word == "--") {
      optionsEnded = true;
    } else if (word == "-h" || word == "--help") {
      arguments->help = true;
    } else if (word == "--version") {
      arguments->version = true;
    } else if (word == "--json") {
      arguments->json = true;
    } else if (word == "--jobs") {
      if (words.done() || !parseJobs(words.take(), &arguments->jobs)) {
        problem = "--jobs 后须跟一个不小于 1 的整数";
      }
    } else if (word == "--fail-device" || word == "--fail-link" ||
               word == "--route") {
      problem = parseCodes(word, &words, arguments);
    } else {
      problem = "未知选项：" + word;
    }
    if (!problem.empty()) return problem;
  }
  if (!arguments->help && !arguments->version && !arguments->hasTopologyFile) {
    return "缺少拓扑文件";
  }
  return "";
}

int runResilience(int argc, const char* const* argv, std::ostream& out,
                  std::ostream& errors, bool errorsOnTerminal) {
  ResilienceArguments arguments;
  const std::string problem = parseResilienceArguments(argc, argv, &arguments);
  if (!problem.empty()) {
    errors << "✘ " << problem << "\n"
           << kUsage << "详见 topoplan-resilience --help\n";
    return kResilienceBadArguments;
  }
  if (arguments.help || arguments.version) {
    if (arguments.help) {
      out << kUsage << kHelp;
    } else {
      out << "topoplan-resilience " << kTopoplanVersion << '\n';
    }
    out.flush();
    if (!out) {
      errors << kStdoutFailed;
      return kResilienceRefused;
    }
    return kResilienceDone;
  }

  Network network;
  if (!loadTopology(arguments.topologyFile, &network, errors)) {
    return kResilienceRefused;
  }
  return report(arguments, network, out, errors, errorsOnTerminal);
}
