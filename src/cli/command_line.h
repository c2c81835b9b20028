// The command lines of the non-menu commands, read by one table per
// command: options with zero, one or two values, options given more than
// once, "--", -h/--help and --version, and one operand (the input file).
// The same table lays out the option lines of --help.
#ifndef TOPOPLAN_CLI_COMMAND_LINE_H_
#define TOPOPLAN_CLI_COMMAND_LINE_H_

#include <functional>
#include <ostream>
#include <string>
#include <vector>

// What an option does with the words that follow it; returns what is
// wrong with them as a message without the "✘ ", or "".
using OptionAction =
    std::function<std::string(const std::vector<std::string>& values)>;

// One line of a command's option table.
struct Option {
  // The names the option answers to as --help lists them, separated by
  // ", " ("-h, --help").
  const char* names;
  // The words that follow the option as --help shows them, one per value
  // ("起点 终点" takes two); "" for none.
  const char* values;
  // The description in --help; each "\n" starts a line of its own under
  // the first.
  const char* help;
  // Null for a line of --help that is not an option of its own (a second
  // line for an option already listed, or -h/--help and --version, which
  // the reader answers itself).
  OptionAction action;
  // The refusal when the values are missing; null for "NAME 后须跟一个值"
  // or "NAME 后须跟两个值".
  const char* missing = nullptr;
  // A second occurrence is refused ("NAME 只能给出一次").
  bool once = false;
};

struct CommandLine {
  explicit CommandLine(const char* name) : operandName(name) {}

  // What the operand is, for the refusals ("缺少拓扑文件"): "拓扑文件", or
  // " GraphML 文件" with the blank that goes before Latin letters.
  const char* operandName;
  std::string operand;  // the one word that is not an option
  bool hasOperand = false;
  bool help = false;     // -h or --help
  bool version = false;  // --version
};

// Reads the words after the program's name against `options`, in order:
// each option runs its action with the words that follow it, whatever they
// look like. A word that does not start with "-", "-" itself, "" and every
// word after "--" is the operand; one is required unless help or the
// version is asked for. Returns "" or the first thing wrong, as a message
// without the "✘ ".
std::string readCommandLine(int argc, const char* const* argv,
                            const std::vector<Option>& options,
                            CommandLine* line);

// The option lines of --help: each indented by two columns, its
// description starting at `column` (CJK characters count as two), or one
// blank after a longer name.
std::string optionLines(const std::vector<Option>& options, int column);

// The lines a usage error prints: "✘ PROBLEM", the usage, and where to
// find the help.
std::string usageRefusal(const std::string& problem, const char* usage,
                         const char* program);

// Answers -h/--help (when `help`) with `helpText`, else --version with
// "PROGRAM VERSION", on `out`, flushed. Returns the exit status
// (exit_status.h): done, or refused with the message on `errors` when
// `out` could not take it.
int answerHelpOrVersion(bool help, const std::string& helpText,
                        const char* program, std::ostream& out,
                        std::ostream& errors);

#endif  // TOPOPLAN_CLI_COMMAND_LINE_H_
