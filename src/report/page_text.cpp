#include "page_text.h"

#include "device.h"
#include "resilience_text.h"

namespace {

std::string joined(const std::vector<std::string>& codes,
                   const std::vector<int>& devices, const char* separator) {
  std::string text;
  for (const int device : devices) {
    text += (text.empty() ? "" : separator) + codes[device];
  }
  return text;
}

}  // namespace

const char kPlanSplitLine[] = "(图不连通，布线无法覆盖所有设备)";

std::string unreachableLine(const std::string& from, const std::string& to) {
  return "从 " + from + " 到 " + to + " 不可达（无连通路径）！";
}

std::string fastestRouteLine(const std::vector<std::string>& codes,
                             const std::vector<int>& devices) {
  return "最优路径：" + joined(codes, devices, " → ");
}

std::string fastestLatencyLine(long long latency) {
  return "最短延迟：" + std::to_string(latency) + "ms";
}

std::string planTitleLine(const std::string& algorithm) {
  return "光纤骨干网布线方案（" + algorithm + "算法）";
}

std::string planTotalLine(long long total) {
  return "MST总延迟：" + std::to_string(total) + "ms";
}

std::string survivorTitleLine(const std::string& failure) {
  return "故障后的剩余网络（故障：" + failure + "）";
}

const char kNoPositionsLine[] =
    "✘ 拓扑中没有设备坐标，无法按坐标绘图（--layout geo）！";

std::vector<std::string> routeLines(const std::vector<std::string>& codes,
                                    const RouteReport& route) {
  std::vector<std::string> lines;
  const bool sameDevice = route.hasPrimary && route.primary.devices.size() == 1;
  if (!route.hasPrimary) {
    lines.push_back(unreachableLine(codes[route.from], codes[route.to]));
  } else if (sameDevice) {
    lines.emplace_back("起点和终点相同，延迟为0。");
  } else {
    lines.push_back(fastestRouteLine(codes, route.primary.devices));
    lines.push_back(fastestLatencyLine(route.primary.latency));
  }
  if (route.hasBackup) {
    lines.push_back("备用路由（" + std::to_string(route.backup.latency) +
                    "ms）：" + joined(codes, route.backup.devices, " → "));
  } else if (sameDevice) {
    lines.emplace_back(kNoBackupSameEnds);
  } else if (route.hasPrimary) {
    lines.emplace_back("备用路由：无（没有不与最优路由共用链路的路由）");
  }
  return lines;
}

std::vector<std::string> planLines(const std::vector<std::string>& codes,
                                   const CablingPlan& plan,
                                   const std::string& algorithm) {
  std::vector<std::string> lines = {
      planTitleLine(algorithm),
      "选中 " + std::to_string(plan.acceptedCount) + " 条链路",
      planTotalLine(plan.totalLatency)};
  for (const PlanLink& link : plan.links) {
    if (link.accepted) continue;
    // ✗ rather than the menu's ❌: a browser without an emoji font, as
    // Debian's Chromium is, shows ❌ as an empty box.
    lines.push_back("  ✗ 跳过  " + codes[link.from] + " ── " + codes[link.to] +
                    "  (延迟:" + std::to_string(link.latency) + "ms)");
  }
  if (!plan.connected) lines.emplace_back(kPlanSplitLine);
  return lines;
}

std::vector<std::string> scenarioLines(const std::vector<std::string>& codes,
                                       const std::vector<Link>& links,
                                       const ScenarioFigures& scenario) {
  return {
      "故障：" + failureLabel(codes, links, scenario.failed),
      "连通分区：" + std::to_string(scenario.parts) + " 个",
      "断开（不再可达的设备对）：" + std::to_string(scenario.lostPairs) + " 对",
      "变慢（延迟变大的设备对）：" + std::to_string(scenario.slowerPairs) +
          " 对",
      worstSentence(codes, scenario),
      cutOffSentence(codes, scenario.cutOff, 0),
  };
}

std::vector<std::pair<std::string, std::string>> deviceDetail(
    const Network& network, int device) {
  const Device& entry = network.devices[device];
  std::string neighbours;
  for (const Neighbour& neighbour : neighboursOf(network, device)) {
    neighbours += (neighbours.empty() ? "" : "  ") +
                  network.devices[neighbour.device].code + "(" +
                  std::to_string(neighbour.latency) + "ms)";
  }
  return {{"设备名称：", entry.code},
          {"设备描述：", entry.description},
          {"所属层级：", layerName(layerOf(entry.code))},
          {"端口数量：", std::to_string(entry.ports)},
          {"运行时间：", entry.uptime},
          {"相邻设备：", neighbours.empty() ? "无" : neighbours}};
}

std::string deviceName(const std::string& code) { return "设备 " + code; }

std::string linkName(const std::vector<std::string>& codes, const Link& link) {
  return "链路 " + codes[link.from] + "─" + codes[link.to] + " " +
         std::to_string(link.latency) + "ms";
}

std::string readyLine(int devices, int links) {
  return "分析引擎已就绪：共" + std::to_string(devices) + "台设备，" +
         std::to_string(links) + "条链路。";
}
