#include "network_input.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>

#include "device_lookup.h"
#include "exit_status.h"
#include "file_input.h"
#include "input_format.h"
#include "input_text.h"
#include "latency_matrix.h"
#include "refusals.h"
#include "suggestion_report.h"
#include "text.h"
#include "topology_file.h"

namespace {

// The refusal of an input that could not be opened or read, with the
// system's reason `error` (errno) where there is one.
std::string refusalOf(LoadStatus status, const std::string& name,
                      int error = 0) {
  LoadOutcome outcome;
  outcome.status = status;
  outcome.error = error;
  return describeLoadRefusal(outcome, name.c_str(), ErrorDetail::kWithReason);
}

bool parseMilliseconds(const std::string& word, int* value) {
  const char* last = word.data() + word.size();
  const auto result = std::from_chars(word.data(), last, *value);
  return !word.empty() && result.ec == std::errc() && result.ptr == last &&
         *value >= 0;
}

void readGraphml(int fd, InputHead head, const std::string& name,
                 const GraphmlOptions& options, NetworkInput* input) {
  // The skipped line breaks go back in, for the lines the XML parser names.
  std::string text(static_cast<size_t>(head.skippedLines), '\n');
  text += head.text;
  std::string().swap(head.text);
  const SystemStatus reading = readRemaining(fd, &text);
  if (reading.failed) {
    input->messages += refusalOf(LoadStatus::kReadError, name, reading.error);
    input->problem = InputProblem::kUnreadable;
    input->error = reading.error;
    return;
  }
  GraphmlOutcome read = parseGraphml(text.data(), text.size(), options);
  std::string().swap(text);  // the XML is not needed past here
  if (!read.read()) {
    input->messages += describeGraphmlRefusal(read, name.c_str());
    input->problem = InputProblem::kBadGraphml;
    return;
  }
  const std::string summary = importSummary(read, options);
  // Through the topology file's text, with its checks: the network is
  // then exactly what topoplan-import's output loads as.
  // The parsed network goes as soon as it is written out.
  const std::string refusal = reloadAsTopology(
      std::exchange(read.network, Network{}), name, &input->network);
  if (!refusal.empty()) {
    input->messages += refusal;
    input->problem = InputProblem::kBadGraphml;
    return;
  }
  input->messages += summary;
  input->loaded = true;
  input->fromGraphml = true;
  input->positionKind = read.positionKind;
  input->positions = std::move(read.positions);
  input->nodeIds = std::move(read.nodeIds);
}

void readTopology(int fd, InputHead head, const std::string& name,
                  NetworkInput* input) {
  if (head.byteOrderMark) input->messages += byteOrderMarkWarning(name);
  const LoadOutcome outcome =
      readTopologyFrom(fd, std::move(head.text), &input->network,
                       TextChecks::kUtf8, head.skippedLines);
  if (!outcome.loaded()) {
    const std::string refusal =
        describeLoadRefusal(outcome, name.c_str(), ErrorDetail::kWithReason);
    input->messages +=
        outcome.line > 0 ? refusalAtLine(refusal, name, outcome.line) : refusal;
    input->problem = outcome.status == LoadStatus::kReadError
                         ? InputProblem::kUnreadable
                         : InputProblem::kBadTopology;
    input->error = outcome.error;
    return;
  }
  if (outcome.unreadAfterLine > 0) {
    input->messages += unreadTextWarning(name, outcome.unreadAfterLine);
  }
  input->loaded = true;
}

}  // namespace

std::string reloadAsTopology(Network network, const std::string& name,
                             Network* loaded) {
  std::istringstream imported(
      formatTopology(std::exchange(network, Network{}), LinkOrder::kAdded));
  const LoadOutcome outcome = parseTopology(
      imported, loaded, CountLimits::kAnySize, {}, TextChecks::kUtf8);
  if (outcome.loaded()) return "";
  return refusalInGraphml(
      describeLoadRefusal(outcome, name.c_str(), ErrorDetail::kWithReason),
      name);
}

// clang-format off
std::vector<Option> latencyOptions(GraphmlOptions* options) {
  using Values = std::vector<std::string>;
  return {
      {"--latency-key", "属性名", "GraphML 边上存放延迟的属性（attr.name 或 key 的 id）",
       [=](const Values& values) -> std::string {
         if (values[0].empty()) return "--latency-key 的属性名不能为空";
         options->latencyKey = values[0];
         return "";
       }},
      {"--default-latency", "毫秒", "GraphML 中其他规则都不适用时的延迟，默认 1",
       [=](const Values& values) -> std::string {
         if (!parseMilliseconds(values[0], &options->defaultLatency)) {
           return "--default-latency 须是不小于0的整数（毫秒）：" + values[0];
         }
         return "";
       }},
  };
}
// clang-format on

namespace {

// The links too long to carry a route, the first kListedCodeChanges by
// name: as in the menu's matrix, a latency of INF or more is no link.
void appendUnusableLinks(const Network& network, std::string* text) {
  size_t count = 0;
  for (const Link& link : network.links) {
    if (link.latency <= kLargestLatency) continue;
    if (count++ < kListedCodeChanges) {
      *text += "⚠ 链路 " + escapeControls(network.devices[link.from].code) +
               " ── " + escapeControls(network.devices[link.to].code) +
               " 的延迟为 ";
      appendNumber(text, link.latency);
      *text += "ms（";
      appendNumber(text, INF);
      *text += "ms 及以上）：它不承载任何路由，也不把两端连成一个分区\n";
    }
  }
  if (count > kListedCodeChanges) {
    *text += "  ……另有";
    appendNumber(text, static_cast<long long>(count - kListedCodeChanges));
    *text += "条这样的链路\n";
  }
}

}  // namespace

std::string importSummary(const GraphmlOutcome& outcome,
                          const GraphmlOptions& options) {
  const GraphmlStatistics& statistics = outcome.statistics;
  std::string text = "✔ 已导入";
  appendNumber(&text, outcome.network.deviceCount());
  text += "台设备、";
  appendNumber(&text, outcome.network.linkCount());
  text += "条链路；延迟：取自属性 ";
  text += options.latencyKey.empty() ? "latency"
                                     : escapeControls(options.latencyKey);
  text += " ";
  appendNumber(&text, statistics.latenciesFromKey);
  text += "条，按经纬度计算";
  appendNumber(&text, statistics.latenciesFromCoordinates);
  text += "条，默认值";
  appendNumber(&text, options.defaultLatency);
  text += "ms ";
  appendNumber(&text, statistics.latenciesFromDefault);
  text += "条；改动代号";
  appendNumber(&text, statistics.codesChanged);
  text += "个";
  if (statistics.directed) text += "；有向边已按无向链路读取";
  text += "\n";
  if (statistics.negativeLatencies > 0) {
    text += "⚠ 其中";
    appendNumber(&text, statistics.negativeLatencies);
    text += "条链路的延迟为负：最短路径和 N-1 报告会拒绝该拓扑。\n";
  }
  appendUnusableLinks(outcome.network, &text);
  for (const CodeChange& change : statistics.codeChanges) {
    text += "  " + escapeControls(change.code) + " ← " +
            escapeControls(change.label) + "\n";
  }
  if (statistics.codesChanged > static_cast<int>(kListedCodeChanges)) {
    text += "  ……另有";
    appendNumber(&text, statistics.codesChanged -
                            static_cast<long long>(kListedCodeChanges));
    text += "个；全部代号及其标签见导入的拓扑文件（每台设备的代号和描述）\n";
  }
  if (!statistics.unusedEdgeNumbers.empty()) {
    text += "⚠ 边上还有未使用的数值属性：";
    for (size_t i = 0; i < statistics.unusedEdgeNumbers.size(); ++i) {
      if (i > 0) text += "、";
      text += statistics.unusedEdgeNumbers[i];
    }
    text += "；要以其中之一为延迟，请给出 --latency-key 属性名\n";
  }
  return text;
}

std::string resolveDeviceNames(const NetworkInput& input,
                               const std::vector<std::string*>& names) {
  const Network& network = input.network;
  for (std::string* name : names) {
    const DeviceMatch match = lookUpDevice(network, *name, input.nodeIds);
    if (!match.candidates.empty()) {
      std::vector<std::string> codes;
      std::vector<std::string> labels;
      for (const int device : match.candidates) {
        codes.push_back(network.devices[device].code);
        labels.push_back(network.devices[device].description);
      }
      return ambiguousDeviceProblem(*name, codes, labels);
    }
    if (match.found() &&
        findDevice(network, network.devices[match.device].code) ==
            match.device) {
      *name = network.devices[match.device].code;
    }
  }
  return "";
}

std::vector<std::string*> routeAndFailureNames(std::string* routeFrom,
                                               std::string* routeTo,
                                               FailureRequest* failures) {
  std::vector<std::string*> names = {routeFrom, routeTo};
  for (std::string& device : failures->devices) names.push_back(&device);
  for (auto& ends : failures->links) {
    names.push_back(&ends.first);
    names.push_back(&ends.second);
  }
  return names;
}

// The largest latency typed on a command line or in a candidate file: nine
// digits.
constexpr int kLargestTypedLatency = 999999999;

std::string linkTrialProblem(const LinkTrial& trial) {
  if (!trial.candidatesFile.empty() && !trial.suggest) {
    return "--candidates 只用于 --suggest";
  }
  return "";
}

// clang-format off
std::vector<Option> linkTrialOptions(LinkTrial* trial) {
  using Values = std::vector<std::string>;
  return {
      {"--add-link", "代号 代号 延迟",
       "先加上这条链路再分析，如同它已写在文件末尾；可给出多次",
       [=](const Values& values) {
         const std::optional<int> latency =
             wholeNumber(values[2], kLargestTypedLatency);
         if (!latency) return std::string(kBadAddedLatency);
         trial->added.push_back({values[0], values[1], *latency});
         return std::string();
       },
       "--add-link 后须跟两个设备代号和延迟"},
      {"--suggest", "links|devices",
       "给出总延迟尽量小的新增链路，使任一链路（links）或任一设备\n"
       "（devices）单独故障都不会使网络分裂",
       [=](const Values& values) {
         if (values[0] != "links" && values[0] != "devices") {
           return std::string(kBadSuggestGoal);
         }
         trial->suggest = true;
         trial->goal = values[0] == "devices" ? SurvivalGoal::kDevices
                                              : SurvivalGoal::kLinks;
         return std::string();
       },
       nullptr, true},
      {"--candidates", "文件",
       "候选链路：每行“代号 代号 延迟”；默认为所有尚未相连的设备对，\n"
       "设备都有经纬度时按大圆距离计延迟，否则每条计 1",
       [=](const Values& values) {
         trial->candidatesFile = values[0];
         return std::string();
       },
       nullptr, true},
  };
}
// clang-format on

namespace {

// The device a name names, looked up as resolveDeviceNames does: -1 when
// none, or when several, with that refusal (not yet escaped).
struct TrialEnd {
  int device = -1;
  std::string ambiguity;
};

TrialEnd trialDevice(const NetworkInput& input, const Network& network,
                     std::string name) {
  TrialEnd end;
  end.ambiguity = resolveDeviceNames(input, {&name});
  if (end.ambiguity.empty()) end.device = findDevice(network, name);
  return end;
}

// The first words of a line, split at white space as a stream would
// split them: up to four, enough to tell a line of three words. A
// candidate file may hold every pair of a large network, so nothing is
// allocated per line.
struct FirstWords {
  std::array<std::string_view, 4> words;
  size_t count = 0;
};

FirstWords firstWords(std::string_view line) {
  static constexpr std::string_view kWhiteSpace = " \t\n\v\f\r";
  FirstWords first;
  size_t begin = line.find_first_not_of(kWhiteSpace);
  while (begin != std::string_view::npos && first.count < first.words.size()) {
    const size_t end =
        std::min(line.find_first_of(kWhiteSpace, begin), line.size());
    first.words[first.count++] = line.substr(begin, end - begin);
    begin = line.find_first_not_of(kWhiteSpace, end);
  }
  return first;
}

// The candidates of --candidates. Returns "" or the refusal. A code is
// looked up in an index first (codes win over labels and node ids
// anyway), so that a file of every pair costs no search per line.
std::string readCandidates(const NetworkInput& input, const Network& network,
                           const std::string& path,
                           std::vector<Link>* candidates) {
  std::ifstream in(path);
  if (!in) return kCandidatesUnreadable + escapeControls(path) + "\n";
  const CodeIndex codes(network);
  auto end = [&](const std::string& name) {
    const int device = codes.find(name);
    return device != -1 ? TrialEnd{device, {}}
                        : trialDevice(input, network, name);
  };
  std::string line;
  for (long long number = 1; std::getline(in, line); ++number) {
    const FirstWords first = firstWords(line);
    if (first.count == 0) continue;
    const std::optional<int> latency =
        first.count == 3 ? wholeNumber(first.words[2], kLargestTypedLatency)
                         : std::nullopt;
    if (!latency) {
      return kCandidateLine + std::to_string(number) + kCandidateLineBad +
             escapeControls(line) + "\n";
    }
    const std::string from(first.words[0]);
    const std::string to(first.words[1]);
    const TrialEnd a = end(from);
    const TrialEnd b = end(to);
    for (const TrialEnd* each : {&a, &b}) {
      if (!each->ambiguity.empty()) {
        return escapeControls(each->ambiguity, LineBreaks::kKept);
      }
      if (each->device == -1) {
        return kCandidateLine + std::to_string(number) + kCandidateLineUnknown +
               escapeControls(each == &a ? from : to) + "\n";
      }
    }
    candidates->push_back(
        {std::min(a.device, b.device), std::max(a.device, b.device), *latency});
  }
  if (in.bad()) return kCandidatesUnreadable + escapeControls(path) + "\n";
  return {};
}

}  // namespace

std::string addTrialLinks(const NetworkInput& input, const LinkTrial& trial,
                          Network* network) {
  Network tried = *network;
  for (const AddedLink& added : trial.added) {
    const TrialEnd a = trialDevice(input, tried, added.from);
    const TrialEnd b = trialDevice(input, tried, added.to);
    for (const TrialEnd* end : {&a, &b}) {
      if (!end->ambiguity.empty()) return end->ambiguity;
      if (end->device == -1) {
        return kDeviceNotFound + (end == &a ? added.from : added.to) + "\n";
      }
    }
    addLink(&tried, a.device, b.device, added.latency);
  }
  *network = std::move(tried);
  return "";
}

std::optional<int> loadTriedNetwork(const std::string& path,
                                    const GraphmlOptions& graphml,
                                    const LinkTrial& trial, NetworkInput* input,
                                    Network* network, std::ostream& errors) {
  *input = loadNetworkForCommand(path.c_str(), graphml);
  errors << escapeControls(input->messages, LineBreaks::kKept);
  if (!input->loaded) return kExitRefused;
  *network = input->network;
  const std::string unknown = addTrialLinks(*input, trial, network);
  if (!unknown.empty()) {
    errors << escapeControls(unknown, LineBreaks::kKept);
    return kExitBadArguments;
  }
  return std::nullopt;
}

std::optional<int> suggestLinks(const NetworkInput& input,
                                const Network& network, const LinkTrial& trial,
                                Augmentation* augmentation,
                                std::ostream& errors) {
  const std::vector<Link> links = savedLinks(network);
  if (hasNegativeLink(links)) {
    errors << kNegativeLatency << '\n';
    return kExitRefused;
  }
  std::vector<Link> candidates;
  if (!trial.candidatesFile.empty()) {
    const std::string problem =
        readCandidates(input, network, trial.candidatesFile, &candidates);
    if (!problem.empty()) {
      errors << problem;
      return kExitBadArguments;
    }
  } else {
    bool placed = input.positionKind == PositionKind::kGeographic &&
                  input.positions.size() == network.devices.size();
    for (const DevicePosition& position : input.positions) {
      placed = placed && position.known;
    }
    const auto& positions = input.positions;
    candidates = unlinkedPairs(network.deviceCount(), links, [&](int a, int b) {
      if (!placed) return 1;
      const DevicePosition& from = positions[static_cast<size_t>(a)];
      const DevicePosition& to = positions[static_cast<size_t>(b)];
      return greatCircleLatency(from.y, from.x, to.y, to.x);
    });
  }
  *augmentation =
      augmentNetwork(network.deviceCount(), links, candidates, trial.goal);
  return std::nullopt;
}

Network withSuggestions(Network network, const Augmentation& augmentation) {
  for (const Link& link : augmentation.added) {
    addLink(&network, link.from, link.to, link.latency);
  }
  return network;
}

std::string inputDisplayName(const char* path) {
  return std::strcmp(path, kStandardInputName) == 0 ? kStandardInputTitle
                                                    : path;
}

NetworkInput loadNetworkForCommand(const char* path,
                                   const GraphmlOptions& graphml) {
  NetworkInput input;
  // Every message names the input as a terminal may show it.
  const std::string name = escapeControls(inputDisplayName(path));
  Descriptor opened;
  const InputOpening opening = openInput(path, &opened);
  switch (opening.status) {
    case OpenOutcome::kCannotOpen:
      input.messages = refusalOf(LoadStatus::kCannotOpen, name, opening.error);
      input.problem = InputProblem::kUnreadable;
      input.error = opening.error;
      return input;
    case OpenOutcome::kSpecialFile:
      input.messages = refusalOf(LoadStatus::kSpecialFile, name);
      input.problem = InputProblem::kUnreadable;
      return input;
    case OpenOutcome::kOpened:
      break;
  }
  InputHead head = readInputHead(opened.fd);
  if (head.read.failed) {
    input.messages = refusalOf(LoadStatus::kReadError, name, head.read.error);
    input.problem = InputProblem::kUnreadable;
    input.error = head.read.error;
  } else if (head.format == InputFormat::kGraphml) {
    readGraphml(opened.fd, std::move(head), name, graphml, &input);
  } else {
    readTopology(opened.fd, std::move(head), name, &input);
  }
  if (!input.loaded) input.network = Network{};
  return input;
}
