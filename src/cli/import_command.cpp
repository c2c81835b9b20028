#include "import_command.h"

#include <vector>

#include "command_line.h"
#include "command_text.h"
#include "network_input.h"
#include "program.h"
#include "text.h"
#include "topology_file.h"

namespace {

constexpr char kUsage[] =
    "用法：topoplan-import [--latency-key 属性名] [--default-latency 毫秒] "
    "[-o 拓扑文件] GraphML文件\n";

// Laid out line by line as the terminal shows it; the options between
// come from the table below.
// clang-format off
constexpr char kHelpIntro[] =
    "\n"
    "把 yEd、Gephi、NetworkX 等保存的 GraphML 文件转换为拓扑文件（与选项9保存的\n"
    "格式相同），不给出 -o 时写到标准输出；导入的概况写到标准错误。\n"
    "GraphML 文件写成 - 时读取标准输入。\n"
    "\n"
    "设备取第一个 <graph> 中的各个节点：代号取节点的 label 属性，没有时取 yEd\n"
    "节点标签，再没有时取节点 id；空白换成 -，截到19字节，重复的代号加 -2、-3\n"
    "等后缀。链路取每条边（平行边和自环都保留，有向边按无向链路读取）。\n"
    "\n"
    "延迟（毫秒，向上取整）：边的延迟属性（--latency-key 指定，默认是名为\n"
    "latency 的属性）；没有时，若两端都有 Latitude 和 Longitude，按大圆距离\n"
    "除以 200 km/ms 计算（至少1）；否则取 --default-latency。\n"
    "\n"
    "选项：\n";
constexpr char kHelpEnd[] =
    "\n"
    "退出状态：0 成功；1 文件被拒绝、无法写出或内存不足；2 命令行参数有误。\n";
constexpr CommandTexts kTexts{"topoplan-import", kUsage, kHelpIntro, kHelpEnd};
// clang-format on

// The options and their lines of --help; `arguments` is what their actions
// fill (null when only the help is wanted).
// clang-format off
std::vector<Option> importOptions(ImportArguments* arguments) {
  using Values = std::vector<std::string>;
  std::vector<Option> options =
      latencyOptions(arguments == nullptr ? nullptr : &arguments->options);
  options.insert(options.end(), {
      {"-o", "拓扑文件", "保存到该文件，与选项9的保存方式相同",
       [=](const Values& values) -> std::string {
         if (values[0].empty()) return "-o 的文件名不能为空";
         arguments->outputFile = values[0];
         return "";
       },
       nullptr, true},
      {"-h, --help", "", "显示本帮助", nullptr},
      {"--version", "", "显示版本", nullptr},
  });
  return options;
}
// clang-format on

int writeOut(std::ostream& out, std::ostream& errors, const std::string& text) {
  out << text;
  out.flush();
  if (!out) {
    stdoutFailed(errors);
    return kImportRefused;
  }
  return kImportDone;
}

}  // namespace

std::string parseImportArguments(int argc, const char* const* argv,
                                 ImportArguments* arguments) {
  CommandLine line{" GraphML 文件"};
  std::string problem =
      readCommandLine(argc, argv, importOptions(arguments), &line);
  arguments->graphmlFile = line.operand;
  arguments->hasGraphmlFile = line.hasOperand;
  arguments->help = line.help;
  arguments->version = line.version;
  return problem;
}

int runImport(int argc, const char* const* argv, std::ostream& out,
              std::ostream& errors) {
  ImportArguments arguments;
  const std::string problem = parseImportArguments(argc, argv, &arguments);
  if (const std::optional<int> status =
          answerWithoutWork(problem, arguments.help, arguments.version, kTexts,
                            importOptions(nullptr), out, errors)) {
    return *status;
  }

  const GraphmlOutcome outcome =
      readGraphmlFile(arguments.graphmlFile.c_str(), arguments.options);
  const std::string name =
      escapeControls(inputDisplayName(arguments.graphmlFile.c_str()));
  if (!outcome.read()) {
    errors << describeGraphmlRefusal(outcome, name.c_str());
    return kImportRefused;
  }
  // Nothing is written that the other commands would refuse to load.
  Network checked;
  const std::string refusal = reloadAsTopology(outcome.network, name, &checked);
  if (!refusal.empty()) {
    errors << escapeControls(refusal, LineBreaks::kKept);
    return kImportRefused;
  }
  if (arguments.outputFile.empty()) {
    const int status = writeOut(
        out, errors, formatTopology(outcome.network, LinkOrder::kAdded));
    if (status == kImportDone)
      errors << importSummary(outcome, arguments.options);
    return status;
  }
  const SaveOutcome saved = writeTopologyFile(
      outcome.network, arguments.outputFile.c_str(), LinkOrder::kAdded);
  if (saved.status != SaveStatus::kSaved) {
    SaveOutcome shown = saved;  // the names as a terminal may show them
    shown.backup = escapeControls(saved.backup);
    errors << describeSaveOutcome(shown,
                                  escapeControls(arguments.outputFile).c_str(),
                                  ErrorDetail::kWithReason);
    return kImportRefused;
  }
  errors << importSummary(outcome, arguments.options);
  return kImportDone;
}
