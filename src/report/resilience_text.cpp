#include "resilience_text.h"

namespace {

constexpr int kColumns = 80;
constexpr int kLabelColumns = 30;  // the failure column of the table
constexpr int kFigureColumns = 6;  // each figure, right-aligned

bool isWide(unsigned codePoint) {
  return (codePoint >= 0x1100 && codePoint <= 0x115F) ||
         (codePoint >= 0x2E80 && codePoint <= 0xA4CF && codePoint != 0x303F) ||
         (codePoint >= 0xAC00 && codePoint <= 0xD7A3) ||
         (codePoint >= 0xF900 && codePoint <= 0xFAFF) ||
         (codePoint >= 0xFE30 && codePoint <= 0xFE4F) ||
         (codePoint >= 0xFF00 && codePoint <= 0xFF60) ||
         (codePoint >= 0xFFE0 && codePoint <= 0xFFE6) ||
         (codePoint >= 0x20000 && codePoint <= 0x3FFFD);
}

std::string padded(const std::string& text, int columns) {
  const int width = displayWidth(text);
  return width >= columns
             ? text
             : text + std::string(static_cast<size_t>(columns - width), ' ');
}

std::string rightAligned(const std::string& text, int columns) {
  const int width = displayWidth(text);
  return width >= columns
             ? text
             : std::string(static_cast<size_t>(columns - width), ' ') + text;
}

// Joins `items` with `separator` after `lead`, starting a new line indented
// by `indent` spaces wherever the next item would pass column 80.
std::string wrapped(const std::string& lead,
                    const std::vector<std::string>& items,
                    const std::string& separator, int indent) {
  std::string text = lead;
  int column = displayWidth(lead);
  for (size_t i = 0; i < items.size(); ++i) {
    const std::string item = items[i] + (i + 1 < items.size() ? separator : "");
    const int width = displayWidth(item);
    if (column > indent && column + width > kColumns) {
      // The separator's trailing spaces stay at the end of the line.
      while (!text.empty() && text.back() == ' ') text.pop_back();
      text += '\n' + std::string(static_cast<size_t>(indent), ' ');
      column = indent;
    }
    text += item;
    column += width;
  }
  return text + '\n';
}

std::string linkLabel(const std::vector<std::string>& codes, const Link& link) {
  return codes[link.from] + " ── " + codes[link.to] + "（" +
         std::to_string(link.latency) + "ms）";
}

std::vector<std::string> codesOf(const std::vector<std::string>& codes,
                                 const std::vector<int>& devices) {
  std::vector<std::string> named;
  named.reserve(devices.size());
  for (const int device : devices) named.push_back(codes[device]);
  return named;
}

std::string singlePointLine(const std::string& what,
                            const std::vector<std::string>& cutOff) {
  return wrapped("⚠ " + what + "：故障后切断 ", cutOff, "、", 4);
}

std::string scenarioLine(const std::vector<std::string>& codes,
                         const std::vector<Link>& links,
                         const ScenarioFigures& scenario) {
  std::string text;
  const std::vector<std::string> labels =
      failureLabels(codes, links, scenario.failed);
  const std::string label = failureLabel(codes, links, scenario.failed);
  std::string line = "  " + padded(label, kLabelColumns);
  if (displayWidth(label) > kLabelColumns) {
    // A long label stands alone; its figures go below it.
    text = wrapped("  ", labels, "、", 4);
    line = std::string(2 + kLabelColumns, ' ');
  }
  line += rightAligned(std::to_string(scenario.parts), kFigureColumns) +
          rightAligned(std::to_string(scenario.lostPairs), kFigureColumns) +
          rightAligned(std::to_string(scenario.slowerPairs), kFigureColumns);
  std::string worst = "—";
  if (scenario.hasWorst) {
    const Slowdown& slowdown = scenario.worst;
    worst = codes[slowdown.from] + " ↔ " + codes[slowdown.to] + " " +
            std::to_string(slowdown.before) + "ms → " +
            std::to_string(slowdown.after) + "ms";
  }
  if (displayWidth(line) + 2 + displayWidth(worst) > kColumns) {
    return text + line + "\n" + wrapped("      最大变慢：", {worst}, "", 6);
  }
  return text + line + "  " + worst + "\n";
}

std::string routeLine(const std::vector<std::string>& codes,
                      const std::string& name, bool found, const Route& route,
                      const std::string& none) {
  if (!found) return name + "：" + none + "\n";
  std::vector<std::string> hops = codesOf(codes, route.devices);
  return wrapped(name + "（" + std::to_string(route.latency) + "ms）：", hops,
                 " → ", 4);
}

}  // namespace

int displayWidth(const std::string& text) {
  int width = 0;
  size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const int length = lead < 0x80             ? 1
                       : (lead & 0xE0) == 0xC0 ? 2
                       : (lead & 0xF0) == 0xE0 ? 3
                       : (lead & 0xF8) == 0xF0 ? 4
                                               : 0;
    bool valid = length > 0 && i + static_cast<size_t>(length) <= text.size();
    unsigned codePoint = length == 1 ? lead : lead & (0x7FU >> length);
    for (int k = 1; valid && k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      valid = (next & 0xC0) == 0x80;
      codePoint = codePoint << 6 | (next & 0x3FU);
    }
    if (!valid) {
      ++width;  // a stray byte: the terminal shows one replacement mark
      ++i;
      continue;
    }
    width += isWide(codePoint) ? 2 : 1;
    i += static_cast<size_t>(length);
  }
  return width;
}

std::vector<std::string> failureLabels(const std::vector<std::string>& codes,
                                       const std::vector<Link>& links,
                                       const FailureSet& failed) {
  std::vector<std::string> labels;
  for (const int device : failed.devices)
    labels.push_back("设备 " + codes[device]);
  for (const int link : failed.links) {
    labels.push_back("链路 " + linkLabel(codes, links[link]));
  }
  if (labels.empty()) labels.emplace_back("（无）");
  return labels;
}

std::string failureLabel(const std::vector<std::string>& codes,
                         const std::vector<Link>& links,
                         const FailureSet& failed) {
  std::string label;
  for (const std::string& item : failureLabels(codes, links, failed)) {
    label += (label.empty() ? "" : "、") + item;
  }
  return label;
}

std::string resilienceText(const std::vector<std::string>& codes,
                           const std::vector<Link>& links,
                           const ResilienceReport& report) {
  std::string text = "\n========== 网络韧性分析 ==========\n";
  text += "设备 " + std::to_string(report.deviceCount) + " 台，链路 " +
          std::to_string(report.linkCount) + " 条，连通分区 " +
          std::to_string(report.parts) + " 个\n\n";

  const SinglePoints& points = report.singlePoints;
  const size_t pointCount = points.devices.size() + points.links.size();
  if (pointCount == 0) {
    text +=
        "✔ 没有单点故障：任何一台设备或一条链路单独故障，都不会使网络分裂。\n";
  } else {
    text += "单点故障共 " + std::to_string(pointCount) + " 处：\n";
    size_t next = 0;
    for (const int device : points.devices) {
      text += singlePointLine("设备 " + codes[device],
                              codesOf(codes, report.cutOff[next++]));
    }
    for (const int link : points.links) {
      text += singlePointLine("链路 " + linkLabel(codes, links[link]),
                              codesOf(codes, report.cutOff[next++]));
    }
  }

  text += report.singleScenario ? "\n========== 故障场景 ==========\n"
                                : "\n========== N-1 故障场景（共 " +
                                      std::to_string(report.scenarios.size()) +
                                      " 个）==========\n";
  text +=
      "分区：故障后的连通分区数；断开、变慢：原本可达的设备对中，\n"
      "不再可达、延迟变大的对数；最大变慢：延迟增加最多的一对（前 → 后）\n\n";
  text += "  " + padded("故障", kLabelColumns) +
          rightAligned("分区", kFigureColumns) +
          rightAligned("断开", kFigureColumns) +
          rightAligned("变慢", kFigureColumns) + "  最大变慢\n";
  for (const ScenarioFigures& scenario : report.scenarios) {
    text += scenarioLine(codes, links, scenario);
  }

  if (report.hasRoute) {
    const RouteReport& route = report.route;
    text += "\n========== 路由 " + codes[route.from] + " → " + codes[route.to] +
            " ==========\n";
    text += routeLine(codes, "最优路由", route.hasPrimary, route.primary,
                      "无（不可达）");
    if (route.hasPrimary && route.from == route.to) {
      text += "备用路由：无（起点和终点相同）\n";
    } else {
      text += routeLine(codes, "备用路由", route.hasBackup, route.backup,
                        "无（没有不与最优路由共用链路的路由）");
    }
  }
  return text;
}
