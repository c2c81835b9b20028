#include "command_line.h"

#include <algorithm>
#include <charconv>

#include "command_text.h"
#include "exit_status.h"
#include "program.h"
#include "text.h"
#include "utf8.h"
#include "version.h"

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

const Option* findOption(const std::vector<Option>& options,
                         const std::string& word) {
  for (const Option& option : options) {
    if (option.action && answersTo(option, word)) return &option;
  }
  return nullptr;
}

// The words of a command line, taken one at a time, and the options
// given so far.
struct Reading {
  Reading(int count, const char* const* words) : argc(count), argv(words) {}

  int argc;
  const char* const* argv;
  int next = 1;
  std::vector<const Option*> given;
};

// Runs the option `word` names with the values that follow it. Returns
// what is wrong, or "".
std::string takeOption(const std::vector<Option>& options,
                       const std::string& word, Reading* reading) {
  const Option* option = findOption(options, word);
  if (option == nullptr) return "未知选项：" + word;
  const bool repeated = std::find(reading->given.begin(), reading->given.end(),
                                  option) != reading->given.end();
  if (option->once && repeated) return word + " 只能给出一次";
  reading->given.push_back(option);
  const size_t count = valueCount(*option);
  if (static_cast<size_t>(reading->argc - reading->next) < count) {
    if (option->missing != nullptr) return option->missing;
    return word + (count == 1 ? " 后须跟一个值" : " 后须跟两个值");
  }
  const char* const* first = reading->argv + reading->next;
  reading->next += static_cast<int>(count);
  return option->action(std::vector<std::string>(first, first + count));
}

}  // namespace

std::optional<int> wholeNumber(std::string_view word, int largest) {
  if (word.empty() ||
      word.find_first_not_of("0123456789") != std::string_view::npos) {
    return std::nullopt;
  }
  int value = 0;
  const auto [end, problem] =
      std::from_chars(word.data(), word.data() + word.size(), value);
  if (problem != std::errc() || end != word.data() + word.size() ||
      value > largest) {
    return std::nullopt;
  }
  return value;
}

std::string readCommandLine(int argc, const char* const* argv,
                            const std::vector<Option>& options,
                            CommandLine* line) {
  Reading reading(argc, argv);
  bool optionsEnded = false;
  while (reading.next < argc) {
    const std::string word = argv[reading.next++];
    std::string problem;
    if (optionsEnded || word.empty() || word[0] != '-' || word == "-") {
      if (line->hasOperand) {
        return std::string("只能给出一个") + line->operandName;
      }
      line->operand = word;
      line->hasOperand = true;
    } else if (word == "--") {
      optionsEnded = true;
    } else if (word == "-h" || word == "--help") {
      line->help = true;
    } else if (word == "--version") {
      line->version = true;
    } else {
      problem = takeOption(options, word, &reading);
    }
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
    // A label that runs past its column puts its help on the next line, so
    // that every help text starts in the same column.
    if (width <= column) {
      text.append(width < column ? static_cast<size_t>(column - width) : 1,
                  ' ');
    } else {
      text.append("\n").append(static_cast<size_t>(column), ' ');
    }
    for (const char* c = option.help; *c != '\0'; ++c) {
      text += *c;
      if (*c == '\n') text.append(static_cast<size_t>(column), ' ');
    }
    text += '\n';
  }
  return text;
}

std::optional<int> answerWithoutWork(const std::string& problem, bool help,
                                     bool version, const CommandTexts& texts,
                                     const std::vector<Option>& options,
                                     std::ostream& out, std::ostream& errors) {
  // Where the descriptions of --help start, the same in every command.
  constexpr int kHelpColumn = 26;
  if (!problem.empty()) {
    errors << escapeControls("✘ " + problem + "\n" + texts.usage + "详见 " +
                                 texts.program + " --help\n",
                             LineBreaks::kKept);
    return kExitBadArguments;
  }
  if (!help && !version) return std::nullopt;
  if (help) {
    out << texts.usage << texts.helpIntro << optionLines(options, kHelpColumn)
        << texts.helpEnd;
  } else {
    out << texts.program << ' ' << kTopoplanVersion << '\n';
  }
  out.flush();
  if (out) return kExitDone;
  stdoutFailed(errors);
  return kExitRefused;
}
