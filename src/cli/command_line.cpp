#include "command_line.h"

#include "resilience_text.h"

namespace {

bool answersTo(const Option& option, const std::string& word) {
  const std::string names = std::string(", ") + option.names + ", ";
  return names.find(", " + word + ", ") != std::string::npos;
}

size_t valueCount(const Option& option) {
  size_t count = 0;
  bool inWord = false;
  for (const char* c = option.values; *c != '\0'; ++c) {
    if (*c != ' ' && !inWord) ++count;
    inWord = *c != ' ';
  }
  return count;
}

}  // namespace

std::string readCommandLine(int argc, const char* const* argv,
                            const std::vector<Option>& options,
                            CommandLine* line) {
  std::vector<const Option*> given;
  bool optionsEnded = false;
  int next = 1;
  while (next < argc) {
    const std::string word = argv[next++];
    if (optionsEnded || word.empty() || word[0] != '-' || word == "-") {
      if (line->hasOperand) {
        return std::string("只能给出一个") + line->operandName;
      }
      line->operand = word;
      line->hasOperand = true;
      continue;
    }
    if (word == "--") {
      optionsEnded = true;
      continue;
    }
    if (word == "-h" || word == "--help") {
      line->help = true;
      continue;
    }
    if (word == "--version") {
      line->version = true;
      continue;
    }
    const Option* option = nullptr;
    for (const Option& candidate : options) {
      if (candidate.action && answersTo(candidate, word)) {
        option = &candidate;
        break;
      }
    }
    if (option == nullptr) return "未知选项：" + word;
    bool repeated = false;
    for (const Option* earlier : given) repeated |= earlier == option;
    if (option->once && repeated) return word + " 只能给出一次";
    given.push_back(option);
    const size_t count = valueCount(*option);
    if (static_cast<size_t>(argc - next) < count) {
      if (option->missing != nullptr) return option->missing;
      return word + (count == 1 ? " 后须跟一个值" : " 后须跟两个值");
    }
    std::vector<std::string> values(argv + next, argv + next + count);
    next += static_cast<int>(count);
    const std::string problem = option->action(values);
    if (!problem.empty()) return problem;
  }
  if (!line->help && !line->version && !line->hasOperand) {
    return std::string("缺少") + line->operandName;
  }
  return "";
}

std::string optionLines(const std::vector<Option>& options, int column) {
  std::string text;
  for (const Option& option : options) {
    std::string label = std::string("  ") + option.names;
    if (*option.values != '\0') label.append(" ").append(option.values);
    const int width = displayWidth(label);
    text += label;
    text.append(width < column ? static_cast<size_t>(column - width) : 1, ' ');
    for (const char* c = option.help; *c != '\0'; ++c) {
      text += *c;
      if (*c == '\n') text.append(static_cast<size_t>(column), ' ');
    }
    text += '\n';
  }
  return text;
}

std::string usageRefusal(const std::string& problem, const char* usage,
                         const char* program) {
  return "✘ " + problem + "\n" + usage + "详见 " + program + " --help\n";
}
