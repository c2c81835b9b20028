// The topology file on disk: opening, reading through the parser, and
// saving through safe file replacement. Apart from the parsing and the
// formatting, which do no I/O, so that those also build for the browser
// engine.
#include <ext/stdio_filebuf.h>

#include "text.h"
#include "topology_file.h"

LoadOutcome readTopologyFile(const char* fileName, Network* parsed,
                             CountLimits limits,
                             const HeaderAccepted& onHeaderAccepted) {
  Descriptor opened;
  LoadOutcome refused;
  switch (openForReading(fileName, &opened)) {
    case OpenOutcome::kCannotOpen:
      return refused;
    case OpenOutcome::kSpecialFile:
      refused.status = LoadStatus::kSpecialFile;
      return refused;
    case OpenOutcome::kOpened:
      break;
  }
  // The buffer closes the descriptor from here on.
  __gnu_cxx::stdio_filebuf<char> buffer(opened.fd, std::ios::in);
  opened.fd = -1;
  std::istream file(&buffer);
  return parseTopology(file, parsed, limits, onHeaderAccepted);
}

SaveOutcome writeTopologyFile(const Network& network, const char* fileName,
                              LinkOrder order) {
  SaveOutcome outcome;
  if (network.devices.empty()) return outcome;
  outcome.deviceCount = network.deviceCount();
  outcome.linkCount = network.linkCount();
  outcome.replaced =
      replaceFileContent(fileName, formatTopology(network, order));
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
    case ReplaceOutcome::kBackupInTheWay:
      outcome.status = SaveStatus::kCannotOpen;
      break;
  }
  return outcome;
}

std::string describeSaveOutcome(const SaveOutcome& outcome,
                                const char* fileName) {
  std::string text;
  switch (outcome.status) {
    case SaveStatus::kNothingToSave:
      return "✘ 没有拓扑数据可保存！请先创建网络拓扑图。\n";
    case SaveStatus::kCannotOpen:
    case SaveStatus::kWriteFailed:
      return replaceRefusal(outcome.replaced, fileName);
    case SaveStatus::kSaved:
      break;
  }
  text.append("✔ 拓扑已成功保存到文件：").append(fileName).append("（共");
  appendNumber(&text, outcome.deviceCount);
  text += "台设备，";
  appendNumber(&text, outcome.linkCount);
  return text + "条链路）\n\n";
}
