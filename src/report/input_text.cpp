#include "input_text.h"

namespace {

// `refusal` with "（place）" before its final line break.
std::string withPlace(const std::string& refusal, const std::string& place) {
  std::string text = refusal;
  if (!text.empty() && text.back() == '\n') text.pop_back();
  return text + "（" + place + "）\n";
}

}  // namespace

std::string refusalAtLine(const std::string& refusal, const std::string& name,
                          long long line) {
  return withPlace(refusal, name + " 第" + std::to_string(line) + "行");
}

std::string refusalInGraphml(const std::string& refusal,
                             const std::string& name) {
  return withPlace(refusal, "GraphML 文件 " + name);
}

std::string unreadTextWarning(const std::string& name, long long line) {
  return "⚠ " + name + " 第" + std::to_string(line) +
         "行之后还有内容，未读取：文件头的设备数或链路数可能没有随内容更新，"
         "请核对。\n";
}

std::string byteOrderMarkWarning(const std::string& name) {
  return "⚠ " + name +
         " 开头的 UTF-8 字节顺序标记（BOM）已跳过；拓扑文件不需要它，"
         "可用 sed -i '1s/^\\xEF\\xBB\\xBF//' 文件名 去掉。\n";
}

std::string ambiguousDeviceProblem(const std::string& name,
                                   const std::vector<std::string>& codes,
                                   const std::vector<std::string>& labels) {
  std::string text = "✘ 设备名 " + name + " 不唯一，可能是：";
  for (size_t i = 0; i < codes.size(); ++i) {
    if (i > 0) text += "、";
    text += codes[i] + "（" + labels[i] + "）";
  }
  return text + "\n";
}
