#include "resilience_command.h"

#include <chrono>
#include <cmath>
#include <sstream>
#include <vector>

#include "augmentation.h"
#include "command_line.h"
#include "command_text.h"
#include "device_lookup.h"
#include "failure_text.h"
#include "network_input.h"
#include "program.h"
#include "progress_text.h"
#include "refusals.h"
#include "resilience_json.h"
#include "resilience_text.h"
#include "suggestion_report.h"
#include "text.h"
#include "topology_file.h"

namespace {

constexpr char kUsage[] =
    "用法：topoplan-resilience 拓扑文件 [--json] [--all] [--fail-device "
    "代号]... "
    "[--fail-link 代号 代号]... [--route 起点 终点] [--jobs N]\n"
    "       [--add-link 代号 代号 延迟]... [--suggest links|devices "
    "[--candidates 文件] [--write 文件]]\n"
    "       [--latency-key 属性名] [--default-latency 毫秒]\n";

// Laid out line by line as the terminal shows it; the options between
// come from the table below.
// clang-format off
constexpr char kHelpIntro[] =
    "\n"
    "分析用选项9保存的拓扑文件在设备或链路故障时会怎样：找出单点故障（单独故障就\n"
    "会使网络分裂的设备和链路，以及各自切断的设备和断开的设备对数），并逐个场景\n"
    "给出故障后的连通分区数、断开的设备对数、变慢的设备对数、变慢最多的一对和被\n"
    "切断的设备。单点故障和场景都按影响排序，影响大的在前。\n"
    "\n"
    "不给出 --fail-device 或 --fail-link 时输出 N-1 报告：每台设备、每条链路单独\n"
    "故障各一个场景（自环链路和延迟不小于32767ms的链路不承载路由，不列出）；文本\n"
    "只列出影响最大的20个场景。\n"
    "\n"
    "选项：\n";
constexpr char kHelpEnd[] =
    "\n"
    "拓扑文件也可以是 GraphML 文件（按内容识别，规则同带相同选项的 topoplan-import），\n"
    "写成 - 时读取标准输入。拓扑文件按选项10的规则读取，另外须是 UTF-8 编码，出错时\n"
    "指明行号，最后一条记录之后还有内容时给出警告。设备代号指代号相同的设备中序号\n"
    "最小的一台。\n"
    "\n"
    "退出状态：0 成功；1 文件被拒绝、含负延迟链路、无法写出或内存不足；2 命令行\n"
    "参数有误、设备不存在或链路不存在。\n";
constexpr CommandTexts kTexts{"topoplan-resilience", kUsage, kHelpIntro, kHelpEnd};
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

// The options and their lines of --help; `arguments` is what their actions
// fill (null when only the help is wanted).
// clang-format off
std::vector<Option> resilienceOptions(ResilienceArguments* arguments) {
  using Values = std::vector<std::string>;
  std::vector<Option> options = {
      {"--fail-device", "代号", "该设备及其所有链路故障；可给出多次",
       [=](const Values& values) {
         arguments->failures.devices.push_back(values[0]);
         return std::string();
       },
       "--fail-device 后须跟一个设备代号"},
      {"--fail-link", "代号 代号",
       "两台设备之间的所有链路故障；可给出多次\n"
       "所有给出的故障同时发生，作为一个场景",
       [=](const Values& values) {
         arguments->failures.links.emplace_back(values[0], values[1]);
         return std::string();
       },
       "--fail-link 后须跟两个设备代号"},
      {"--route", "起点 终点",
       "给出最优路由，以及不与它共用任何链路的最快备用路由；\n"
       "有故障时按故障后的网络计算",
       [=](const Values& values) {
         arguments->route = true;
         arguments->routeFrom = values[0];
         arguments->routeTo = values[1];
         return std::string();
       },
       "--route 后须跟两个设备代号", true},
      {"--all", "", "文本报告列出全部场景",
       [=](const Values&) {
         arguments->all = true;
         return std::string();
       }},
      {"--json", "", "以 JSON 输出同样的内容（场景按 N-1 顺序，全部列出）",
       [=](const Values&) {
         arguments->json = true;
         return std::string();
       }},
      {"--jobs", "N",
       "N-1 报告同时计算的线程数，默认每个处理器核心一个；\n"
       "结果与线程数无关",
       [=](const Values& values) {
         // Nine digits at most, as ever; more than 64 count as 64.
         const std::optional<int> jobs = wholeNumber(values[0], 999999999);
         if (!jobs || *jobs < 1) {
           return std::string("--jobs 后须跟一个不小于 1 的整数");
         }
         arguments->jobs = *jobs;
         return std::string();
       },
       "--jobs 后须跟一个不小于 1 的整数", true},
      {"--write", "文件",
       "把加上建议链路的网络写成拓扑文件（同选项9的保存）",
       [=](const Values& values) {
         arguments->writeFile = values[0];
         return std::string();
       },
       nullptr, true},
  };
  const std::vector<Option> trial =
      linkTrialOptions(arguments == nullptr ? nullptr : &arguments->trial);
  // Before --write, which saves what --suggest finds.
  options.insert(options.end() - 1, trial.begin(), trial.end());
  const std::vector<Option> latency =
      latencyOptions(arguments == nullptr ? nullptr : &arguments->graphml);
  options.insert(options.end(), latency.begin(), latency.end());
  options.insert(options.end(), {{"-h, --help", "", "显示本帮助", nullptr},
                                 {"--version", "", "显示版本", nullptr}});
  return options;
}
// clang-format on

// The suggestions of --suggest, written as asked, and the network with them
// saved when --write names a file.
int suggest(const ResilienceArguments& arguments, const NetworkInput& input,
            const Network& network, std::ostream& out, std::ostream& errors) {
  Augmentation augmentation;
  if (const std::optional<int> status = suggestLinks(
          input, network, arguments.trial, &augmentation, errors)) {
    return *status;
  }
  const std::vector<Link> links = savedLinks(network);
  const AugmentationFigures figures =
      augmentationFigures(network.deviceCount(), links, augmentation.added);
  const std::vector<std::string> codes = deviceCodes(network);
  if (arguments.json) {
    out << suggestionJson(codes, links, augmentation, figures)
               .dump(-1, ' ', false, nlohmann::json::error_handler_t::replace)
        << '\n';
  } else {
    out << suggestionText(codes, links, augmentation, figures);
  }
  out.flush();
  if (!out) {
    errors << kStdoutFailed;
    return kResilienceRefused;
  }
  if (!arguments.writeFile.empty()) {
    const SaveOutcome saved = writeTopologyFile(
        withSuggestions(network, augmentation), arguments.writeFile.c_str());
    errors << describeSaveOutcome(saved, arguments.writeFile.c_str(),
                                  ErrorDetail::kWithReason);
    if (saved.status != SaveStatus::kSaved) return kResilienceRefused;
  }
  return kResilienceDone;
}

// Resolves the failures and the route ends, then writes the report.
int report(ResilienceArguments arguments, const NetworkInput& input,
           const Network& network, std::ostream& out, std::ostream& errors,
           bool progressShown) {
  const std::string ambiguous = resolveDeviceNames(
      input, routeAndFailureNames(&arguments.routeFrom, &arguments.routeTo,
                                  &arguments.failures));
  if (!ambiguous.empty()) {
    errors << escapeControls(ambiguous, LineBreaks::kKept);
    return kResilienceBadArguments;
  }
  const std::vector<Link> links = savedLinks(network);
  if (hasNegativeLink(links)) {
    errors << kNegativeLatency << '\n';
    return kResilienceRefused;
  }
  const FailureLookup lookup =
      lookUpFailures(network, links, arguments.failures);
  if (lookup.outcome != FailureLookup::Outcome::kFound) {
    errors << escapeControls(failureLookupProblem(lookup), LineBreaks::kKept);
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
    query.routeFrom = lookUpDevice(network, arguments.routeFrom).device;
    query.routeTo = lookUpDevice(network, arguments.routeTo).device;
    if (query.routeFrom == -1 || query.routeTo == -1) {
      errors << kDeviceNotFound
             << escapeControls(query.routeFrom == -1 ? arguments.routeFrom
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
    out << resilienceText(codes, links, result, arguments.all);
  }
  out.flush();
  if (!out) {
    stdoutFailed(errors);
    return kResilienceRefused;
  }
  return kResilienceDone;
}

}  // namespace

std::string parseResilienceArguments(int argc, const char* const* argv,
                                     ResilienceArguments* arguments) {
  CommandLine line{"拓扑文件"};
  std::string problem =
      readCommandLine(argc, argv, resilienceOptions(arguments), &line);
  // Without --suggest there is nothing to save: refused, not ignored.
  if (problem.empty() && !line.help && !line.version) {
    problem = !arguments->writeFile.empty() && !arguments->trial.suggest
                  ? "--write 只用于 --suggest"
                  : linkTrialProblem(arguments->trial);
  }
  arguments->topologyFile = line.operand;
  arguments->hasTopologyFile = line.hasOperand;
  arguments->help = line.help;
  arguments->version = line.version;
  return problem;
}

int runResilience(int argc, const char* const* argv, std::ostream& out,
                  std::ostream& errors, bool errorsOnTerminal) {
  ResilienceArguments arguments;
  const std::string problem = parseResilienceArguments(argc, argv, &arguments);
  if (const std::optional<int> status =
          answerWithoutWork(problem, arguments.help, arguments.version, kTexts,
                            resilienceOptions(nullptr), out, errors)) {
    return *status;
  }

  // Links tried before they are built: as if the file listed them last.
  NetworkInput input;
  Network network;
  if (const std::optional<int> status =
          loadTriedNetwork(arguments.topologyFile, arguments.graphml,
                           arguments.trial, &input, &network, errors)) {
    return *status;
  }
  if (arguments.trial.suggest) {
    return suggest(arguments, input, network, out, errors);
  }
  return report(arguments, input, network, out, errors, errorsOnTerminal);
}
