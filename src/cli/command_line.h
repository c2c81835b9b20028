// The command lines of the non-menu commands, read by one table per
// command: options with zero, one or two values, options given more than
// once, "--", -h/--help and --version, and one operand (the input file).
// The same table lays out the option lines of --help.
#ifndef TOPOPLAN_CLI_COMMAND_LINE_H_
#define TOPOPLAN_CLI_COMMAND_LINE_H_

#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
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

// A whole number as typed on a command line or in a candidate file:
// decimal digits only (no sign, no blank), at most `largest`. Empty for
// anything else.
std::optional<int> wholeNumber(std::string_view word, int largest);

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

// What a command says about itself: its name, its usage lines and the
// texts above and below the option lines of --help.
struct CommandTexts {
  const char* program;    // "topoplan-draw"
  const char* usage;      // "用法：...\n", a line or more
  const char* helpIntro;  // between the usage and the options
  const char* helpEnd;    // after the options
};

// The answer to a command line that asks for no work: a usage error
// (`problem` not empty: "✘ PROBLEM", the usage and where to find the
// help, on `errors` with its control characters escaped; exit status 2),
// else -h/--help (the usage, the intro, the option lines of `options`,
// the end) or --version ("PROGRAM VERSION") on `out`, flushed: done, or
// refused with the message on `errors` when `out` could not take it.
// Nothing, and the command goes on, for any other command line.
std::optional<int> answerWithoutWork(const std::string& problem, bool help,
                                     bool version, const CommandTexts& texts,
                                     const std::vector<Option>& options,
                                     std::ostream& out, std::ostream& errors);

#endif  // TOPOPLAN_CLI_COMMAND_LINE_H_
