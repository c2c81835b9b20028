#include "network_input.h"

#include <cerrno>
#include <cstring>
#include <sstream>
#include <utility>

#include "file_replace.h"
#include "input_text.h"
#include "text.h"
#include "topology_file.h"

namespace {

constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";
constexpr size_t kByteOrderMarkSize = sizeof kByteOrderMark - 1;

// How much of the input's start is held to tell GraphML from a topology
// file. Input that is white space for longer is taken as a topology file.
constexpr size_t kHeadLimit = 1 << 16;

bool startsWithByteOrderMark(const std::string& text) {
  return text.compare(0, kByteOrderMarkSize, kByteOrderMark) == 0;
}

// Whether `head` reaches a byte that is neither white space nor part of a
// leading byte order mark: what tells the two formats apart.
bool decided(const std::string& head) {
  size_t at = startsWithByteOrderMark(head) ? kByteOrderMarkSize : 0;
  if (head.size() < kByteOrderMarkSize &&
      head.compare(0, head.size(), kByteOrderMark, head.size()) == 0) {
    return false;  // maybe a mark, cut short so far
  }
  while (at < head.size() && std::strchr(" \t\r\n\v\f", head[at]) != nullptr) {
    ++at;
  }
  return at < head.size();
}

// Reads the start of `fd` into `head`, up to the byte that decides, the
// end of the input or kHeadLimit bytes. False when reading failed.
bool readHead(int fd, std::string* head) {
  char block[4096];
  while (!decided(*head) && head->size() < kHeadLimit) {
    const ssize_t got = readBlock(fd, block, sizeof block);
    if (got <= 0) return got == 0;
    head->append(block, static_cast<size_t>(got));
  }
  return true;
}

// The refusal of an input that could not be opened or read, with the
// system's reason `error` (errno) where there is one.
std::string refusalOf(LoadStatus status, const std::string& name,
                      int error = 0) {
  LoadOutcome outcome;
  outcome.status = status;
  outcome.error = error;
  return describeLoadRefusal(outcome, name.c_str(), ErrorDetail::kWithReason);
}

void readGraphml(int fd, std::string text, const std::string& name,
                 NetworkInput* input) {
  if (!readRemaining(fd, &text)) {
    input->messages += refusalOf(LoadStatus::kReadError, name, errno);
    return;
  }
  GraphmlOutcome read = parseGraphml(text.data(), text.size(), {});
  std::string().swap(text);  // the XML is not needed past here
  if (!read.read()) {
    input->messages += describeGraphmlRefusal(read, name.c_str());
    return;
  }
  // The parsed network goes as soon as it is written out.
  const std::string refusal = reloadAsTopology(
      std::exchange(read.network, Network{}), name, &input->network);
  if (!refusal.empty()) {
    input->messages += refusal;
    return;
  }
  input->loaded = true;
  input->fromGraphml = true;
  input->positionKind = read.positionKind;
  input->positions = std::move(read.positions);
}

void readTopology(int fd, std::string head, const std::string& name,
                  NetworkInput* input) {
  if (startsWithByteOrderMark(head)) {
    head.erase(0, kByteOrderMarkSize);
    input->messages += byteOrderMarkWarning(name);
  }
  const LoadOutcome outcome =
      readTopologyFrom(fd, std::move(head), &input->network, TextChecks::kUtf8);
  if (!outcome.loaded()) {
    const std::string refusal =
        describeLoadRefusal(outcome, name.c_str(), ErrorDetail::kWithReason);
    input->messages +=
        outcome.line > 0 ? refusalAtLine(refusal, name, outcome.line) : refusal;
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

std::string inputDisplayName(const char* path) {
  return std::strcmp(path, kStandardInputName) == 0 ? kStandardInputTitle
                                                    : path;
}

NetworkInput loadNetworkForCommand(const char* path) {
  NetworkInput input;
  // Every message names the input as a terminal may show it.
  const std::string name = escapeControls(inputDisplayName(path));
  Descriptor opened;
  switch (openInput(path, &opened)) {
    case OpenOutcome::kCannotOpen:
      input.messages = refusalOf(LoadStatus::kCannotOpen, name, errno);
      return input;
    case OpenOutcome::kSpecialFile:
      input.messages = refusalOf(LoadStatus::kSpecialFile, name);
      return input;
    case OpenOutcome::kOpened:
      break;
  }
  std::string head;
  if (!readHead(opened.fd, &head)) {
    input.messages = refusalOf(LoadStatus::kReadError, name, errno);
  } else if (looksLikeGraphml(head.data(), head.size())) {
    readGraphml(opened.fd, std::move(head), name, &input);
  } else {
    readTopology(opened.fd, std::move(head), name, &input);
  }
  if (!input.loaded) input.network = Network{};
  return input;
}
