// The topology file on disk: opening, reading through the parser, and
// saving through safe file replacement. Apart from the parsing and the
// formatting, which do no I/O, so that those also build for the browser
// engine.
#include <utility>

#include "fd_stream.h"
#include "text.h"
#include "topology_file.h"

namespace {

LoadOutcome parseFrom(int fd, std::string alreadyRead, Network* parsed,
                      CountLimits limits,
                      const HeaderAccepted& onHeaderAccepted,
                      TextChecks checks) {
  FdInputBuf buffer(fd, std::move(alreadyRead));
  std::istream file(&buffer);
  LoadOutcome outcome =
      parseTopology(file, parsed, limits, onHeaderAccepted, checks);
  // The parse saw the end of the text where reading failed; whatever it
  // made of that, the file was not read.
  if (buffer.failed()) {
    outcome.status = LoadStatus::kReadError;
    outcome.position = 0;
    outcome.line = 0;
    outcome.unreadAfterLine = 0;
    outcome.error = buffer.error();
  }
  return outcome;
}

}  // namespace

LoadOutcome readTopologyFile(const char* fileName, Network* parsed,
                             CountLimits limits,
                             const HeaderAccepted& onHeaderAccepted) {
  Descriptor opened;
  LoadOutcome refused;
  const InputOpening opening = openForReading(fileName, &opened);
  switch (opening.status) {
    case OpenOutcome::kCannotOpen:
      refused.error = opening.error;
      return refused;
    case OpenOutcome::kSpecialFile:
      refused.status = LoadStatus::kSpecialFile;
      return refused;
    case OpenOutcome::kOpened:
      break;
  }
  return parseFrom(opened.fd, std::string(), parsed, limits, onHeaderAccepted,
                   TextChecks::kBytes);
}

LoadOutcome readTopologyFrom(int fd, std::string alreadyRead, Network* parsed,
                             TextChecks checks, long long linesBefore) {
  LoadOutcome outcome = parseFrom(fd, std::move(alreadyRead), parsed,
                                  CountLimits::kAnySize, {}, checks);
  if (outcome.line > 0) outcome.line += linesBefore;
  if (outcome.unreadAfterLine > 0) outcome.unreadAfterLine += linesBefore;
  return outcome;
}

SaveOutcome writeTopologyFile(const Network& network, const char* fileName,
                              LinkOrder order) {
  SaveOutcome outcome;
  if (network.devices.empty()) return outcome;
  outcome.deviceCount = network.deviceCount();
  outcome.linkCount = network.linkCount();
  outcome.replaced =
      replaceFileContent(fileName, formatTopology(network, order),
                         &outcome.backup, &outcome.error);
  switch (outcome.replaced) {
    case ReplaceOutcome::kWritten:
      outcome.status = SaveStatus::kSaved;
      break;
    case ReplaceOutcome::kWriteFailed:
    case ReplaceOutcome::kBackupKept:
      outcome.status = SaveStatus::kWriteFailed;
      break;
    case ReplaceOutcome::kCannotOpen:
    case ReplaceOutcome::kSpecialFile:
    case ReplaceOutcome::kOwnStream:
    case ReplaceOutcome::kBusy:
    case ReplaceOutcome::kBackupInTheWay:
    case ReplaceOutcome::kBackupNameTaken:
      outcome.status = SaveStatus::kCannotOpen;
      break;
  }
  return outcome;
}

std::string describeSaveOutcome(const SaveOutcome& outcome,
                                const char* fileName, ErrorDetail detail) {
  std::string text;
  switch (outcome.status) {
    case SaveStatus::kNothingToSave:
      return "✘ 没有拓扑数据可保存！请先创建网络拓扑图。\n";
    case SaveStatus::kCannotOpen:
    case SaveStatus::kWriteFailed:
      return replaceRefusal(
          outcome.replaced, fileName, outcome.backup,
          detail == ErrorDetail::kWithReason ? outcome.error : 0);
    case SaveStatus::kSaved:
      break;
  }
  text.append("✔ 拓扑已成功保存到文件：").append(fileName).append("（共");
  appendNumber(&text, outcome.deviceCount);
  text += "台设备，";
  appendNumber(&text, outcome.linkCount);
  return text + "条链路）\n\n";
}
