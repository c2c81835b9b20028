#include "topology_file.h"

#include <algorithm>
#include <utility>

#include "reader.h"
#include "text.h"
#include "utf8.h"

namespace {

// Follow "✘ 文件格式错误：第N台设备的代号" and the like.
constexpr char kControlByteRefusal[] = "含有控制字符！\n";
constexpr char kNotUtf8Refusal[] =
    "不是 UTF-8 文本（文件可能是 GBK 等其他编码保存的，请先转换为 UTF-8，"
    "如 iconv -f GBK -t UTF-8）！\n";

bool hasControlByte(const std::string& word) {
  for (size_t i = 0; i < word.size(); ++i) {
    const auto byte = static_cast<unsigned char>(word[i]);
    if (byte < 0x20 || byte == 0x7f) return true;
    // C1 controls, U+0080 to U+009F, are C2 80 to C2 9F in UTF-8.
    if (byte == 0xc2 && i + 1 < word.size() &&
        (static_cast<unsigned char>(word[i + 1]) & 0xe0) == 0x80) {
      return true;
    }
  }
  return false;
}

// Reads one text field of a record into `word`, refusing one that is
// missing, too long for a slot of `size` bytes, not UTF-8 (under kUtf8),
// or holds a NUL or another control byte. Of an over-long word only what
// tells its length is read: the parse ends there.
bool readTextField(TokenReader* reader, std::string* word, size_t size,
                   TextChecks checks, FieldProblem* problem) {
  if (!reader->readWord(word, size - 1, TokenReader::Rest::kLeave)) {
    *problem = FieldProblem::kMissing;
  } else if (word->size() > size - 1) {
    *problem = FieldProblem::kTooLong;
  } else if (checks == TextChecks::kUtf8 && !isUtf8(*word)) {
    *problem = FieldProblem::kNotUtf8;
  } else if (word->find('\0') != std::string::npos) {
    *problem = FieldProblem::kNulByte;
  } else if (hasControlByte(*word)) {
    *problem = FieldProblem::kControlByte;
  } else {
    return true;
  }
  return false;
}

bool readNumberField(TokenReader* reader, int* number) {
  return reader->readInt(number) == TokenReader::Number::kRead;
}

// Reads device record `position` into `device`.
bool readDeviceRecord(TokenReader* reader, TextChecks checks, Device* device,
                      LoadOutcome* outcome) {
  outcome->field = DeviceField::kCode;
  if (!readTextField(reader, &device->code, CODE_SIZE, checks,
                     &outcome->problem)) {
    return false;
  }
  outcome->field = DeviceField::kDescription;
  if (!readTextField(reader, &device->description, DESCRIPTION_SIZE, checks,
                     &outcome->problem)) {
    return false;
  }
  outcome->field = DeviceField::kPorts;
  if (!readNumberField(reader, &device->ports)) {
    outcome->problem = FieldProblem::kMissing;
    return false;
  }
  outcome->field = DeviceField::kUptime;
  return readTextField(reader, &device->uptime, UPTIME_SIZE, checks,
                       &outcome->problem);
}

// Reads the next link record and adds it to the network; on a refusal
// `outcome` holds the status, the field's problem and the codes read.
bool readLinkRecord(TokenReader* reader, TextChecks checks,
                    const CodeIndex& codes, Network* network,
                    LoadOutcome* outcome) {
  int latency = 0;
  if (!readTextField(reader, &outcome->from, CODE_SIZE, checks,
                     &outcome->problem) ||
      !readTextField(reader, &outcome->to, CODE_SIZE, checks,
                     &outcome->problem)) {
    outcome->status = LoadStatus::kBadLink;
    return false;
  }
  if (!readNumberField(reader, &latency)) {
    outcome->problem = FieldProblem::kMissing;
    outcome->status = LoadStatus::kBadLink;
    return false;
  }
  const int a = codes.find(outcome->from);
  const int b = codes.find(outcome->to);
  if (a == -1 || b == -1) {
    outcome->status = LoadStatus::kUnknownDevice;
    return false;
  }
  addLink(network, a, b, latency);
  return true;
}

const char* deviceFieldName(DeviceField field) {
  switch (field) {
    case DeviceField::kCode:
      return "代号";
    case DeviceField::kDescription:
      return "描述";
    case DeviceField::kPorts:
      break;
    case DeviceField::kUptime:
      return "运行时间";
  }
  return "";
}

size_t deviceFieldLimit(DeviceField field) {
  switch (field) {
    case DeviceField::kDescription:
      return DESCRIPTION_SIZE - 1;
    case DeviceField::kUptime:
      return UPTIME_SIZE - 1;
    case DeviceField::kCode:
    case DeviceField::kPorts:
      break;
  }
  return CODE_SIZE - 1;
}

std::string describeDeviceRefusal(const LoadOutcome& outcome) {
  std::string text = "✘ 文件格式错误：第";
  appendNumber(&text, outcome.position);
  switch (outcome.problem) {
    case FieldProblem::kMissing:
      return text + "台设备信息读取失败！\n";
    case FieldProblem::kTooLong:
      text.append("台设备的")
          .append(deviceFieldName(outcome.field))
          .append("超过");
      appendNumber(&text,
                   static_cast<long long>(deviceFieldLimit(outcome.field)));
      return text + "字节！\n";
    case FieldProblem::kNulByte:
      break;
    case FieldProblem::kControlByte:
      return text + "台设备的" + deviceFieldName(outcome.field) +
             kControlByteRefusal;
    case FieldProblem::kNotUtf8:
      return text + "台设备的" + deviceFieldName(outcome.field) +
             kNotUtf8Refusal;
  }
  return text + "台设备的" + deviceFieldName(outcome.field) + "含有空字符！\n";
}

std::string describeLinkRefusal(const LoadOutcome& outcome) {
  std::string text = "✘ 文件格式错误：第";
  appendNumber(&text, outcome.position);
  switch (outcome.problem) {
    case FieldProblem::kMissing:
      return text + "条链路信息读取失败！\n";
    case FieldProblem::kTooLong:
      text += "条链路的设备代号超过";
      appendNumber(&text, CODE_SIZE - 1);
      return text + "字节！\n";
    case FieldProblem::kNulByte:
      break;
    case FieldProblem::kControlByte:
      return text + "条链路的设备代号" + kControlByteRefusal;
    case FieldProblem::kNotUtf8:
      return text + "条链路的设备代号" + kNotUtf8Refusal;
  }
  return text + "条链路的设备代号含有空字符！\n";
}

bool countsAllowed(int n, int m, CountLimits limits) {
  if (n < 1 || m < 0) return false;
  if (limits == CountLimits::kRecord && n > MAX_DEVICES) return false;
  const long long devices = n;
  return m <= devices * (devices - 1) / 2;
}

void appendRecord(std::string* text, const std::string& a, const std::string& b,
                  int number) {
  text->append(a).append(" ").append(b).append(" ");
  appendNumber(text, number);
}

}  // namespace

LoadOutcome parseTopology(std::istream& in, Network* parsed, CountLimits limits,
                          const HeaderAccepted& onHeaderAccepted,
                          TextChecks checks) {
  TokenReader reader(in);
  LoadOutcome outcome;
  // Validate the header before the network is touched.
  int n = 0;
  int m = 0;
  if (!readNumberField(&reader, &n) || !readNumberField(&reader, &m)) {
    outcome.status = LoadStatus::kBadHeader;
    outcome.line = reader.line();
    return outcome;
  }
  outcome.deviceCount = n;
  outcome.linkCount = m;
  if (!countsAllowed(n, m, limits)) {
    outcome.status = LoadStatus::kBadCounts;
    outcome.line = reader.line();
    return outcome;
  }

  if (onHeaderAccepted) onHeaderAccepted();
  *parsed = Network{};
  // Nothing is reserved from the header's counts: they may claim far more
  // than the input holds.
  Network network;
  outcome.status = LoadStatus::kBadDevice;
  for (int i = 0; i < n; ++i) {
    outcome.position = i + 1;
    Device device;
    if (!readDeviceRecord(&reader, checks, &device, &outcome)) {
      outcome.line = reader.line();
      return outcome;
    }
    network.devices.push_back(std::move(device));
  }
  const CodeIndex codes(network);
  for (int j = 0; j < m; ++j) {
    outcome.position = j + 1;
    if (!readLinkRecord(&reader, checks, codes, &network, &outcome)) {
      outcome.line = reader.line();
      return outcome;
    }
  }
  outcome.status = LoadStatus::kLoaded;
  outcome.position = 0;
  outcome.from.clear();
  outcome.to.clear();
  if (checks == TextChecks::kUtf8) {
    const long long lastLine = reader.line();
    if (reader.textFollows()) outcome.unreadAfterLine = lastLine;
  }
  *parsed = std::move(network);
  return outcome;
}

std::string describeLoadRefusal(const LoadOutcome& outcome,
                                const char* fileName, ErrorDetail detail) {
  const std::string reason = systemReason(outcome.error, detail);
  std::string text;
  switch (outcome.status) {
    case LoadStatus::kLoaded:
      break;
    case LoadStatus::kCannotOpen:
      text.append("✘ 无法打开文件 ")
          .append(fileName)
          .append(" 进行读取")
          .append(reason)
          .append("！\n");
      break;
    case LoadStatus::kSpecialFile:
      text.append("✘ 文件 ")
          .append(fileName)
          .append(kSpecialFileRefusal)
          .append("\n");
      break;
    case LoadStatus::kReadError:
      text.append("✘ 读取文件 ")
          .append(fileName)
          .append(" 时出错")
          .append(reason)
          .append("，加载失败！\n");
      break;
    case LoadStatus::kBadHeader:
      text = "✘ 文件格式错误：无法读取设备数和链路数！\n";
      break;
    case LoadStatus::kBadCounts:
      text = "✘ 文件数据不合法：设备数=";
      appendNumber(&text, outcome.deviceCount);
      text += "，链路数=";
      appendNumber(&text, outcome.linkCount);
      text += '\n';
      break;
    case LoadStatus::kBadDevice:
      text = describeDeviceRefusal(outcome);
      break;
    case LoadStatus::kBadLink:
      text = describeLinkRefusal(outcome);
      break;
    case LoadStatus::kUnknownDevice:
      text = "✘ 文件数据错误：链路 " + outcome.from + "-" + outcome.to +
             " 中存在未知设备！\n";
      break;
  }
  return text;
}

std::string formatTopology(const Network& network, LinkOrder order) {
  std::string text;
  appendNumber(&text, network.deviceCount());
  text += ' ';
  appendNumber(&text, network.linkCount());
  text += '\n';
  for (const Device& device : network.devices) {
    appendRecord(&text, device.code, device.description, device.ports);
    text.append(" ").append(device.uptime).append("\n");
  }
  const std::vector<Link> links =
      order == LinkOrder::kSaved ? savedLinks(network) : network.links;
  for (const Link& link : links) {
    appendRecord(&text, network.devices[static_cast<size_t>(link.from)].code,
                 network.devices[static_cast<size_t>(link.to)].code,
                 link.latency);
    text += '\n';
  }
  return text;
}
