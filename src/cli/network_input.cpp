#include "network_input.h"

#include <cstring>
#include <sstream>
#include <utility>

#include "file_input.h"
#include "input_format.h"
#include "input_text.h"
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

void readGraphml(int fd, InputHead head, const std::string& name,
                 NetworkInput* input) {
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
  GraphmlOutcome read = parseGraphml(text.data(), text.size(), {});
  std::string().swap(text);  // the XML is not needed past here
  if (!read.read()) {
    input->messages += describeGraphmlRefusal(read, name.c_str());
    input->problem = InputProblem::kBadGraphml;
    return;
  }
  // Through the topology file's text, with its checks: the network is
  // then exactly what topoplan-import's output loads as.
  // The parsed network goes as soon as it is written out.
  std::istringstream imported(formatTopology(
      std::exchange(read.network, Network{}), LinkOrder::kAdded));
  const LoadOutcome outcome = parseTopology(
      imported, &input->network, CountLimits::kAnySize, {}, TextChecks::kUtf8);
  if (!outcome.loaded()) {
    input->messages += refusalInGraphml(
        describeLoadRefusal(outcome, name.c_str(), ErrorDetail::kWithReason),
        name);
    input->problem = InputProblem::kBadGraphml;
    return;
  }
  input->loaded = true;
  input->fromGraphml = true;
  input->positionKind = read.positionKind;
  input->positions = std::move(read.positions);
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

std::string inputDisplayName(const char* path) {
  return std::strcmp(path, kStandardInputName) == 0 ? kStandardInputTitle
                                                    : path;
}

NetworkInput loadNetworkForCommand(const char* path) {
  NetworkInput input;
  const std::string name = inputDisplayName(path);
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
    readGraphml(opened.fd, std::move(head), name, &input);
  } else {
    readTopology(opened.fd, std::move(head), name, &input);
  }
  if (!input.loaded) input.network = Network{};
  return input;
}
