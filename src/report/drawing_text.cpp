#include "drawing_text.h"

#include <algorithm>

#include "resilience_text.h"
#include "suggestion_report.h"

const char kFailureLegend[] =
    "图例：灰色虚线为故障的设备和链路，\n深色底为被切断的设备";

const char kSuggestionLegend[] = "绿色虚线为建议新增的链路";

std::string suggestionTitle(const Augmentation& suggestion) {
  if (!suggestion.possible) {
    std::string reason = kTooFewDevices;
    while (!reason.empty() && reason.back() == '\n') reason.pop_back();
    return reason;
  }
  if (suggestion.added.empty() && suggestion.complete) return kNothingToAdd;
  std::string title = "建议新增链路（绿色虚线）：" +
                      std::to_string(suggestion.added.size()) + "条，共" +
                      std::to_string(totalLatency(suggestion.added)) + "ms";
  if (!suggestion.complete) title += std::string("\n") + kCandidatesShort;
  return title;
}

std::string topologyTitle(int devices, int links) {
  return "网络拓扑（共" + std::to_string(devices) + "台设备，" +
         std::to_string(links) + "条链路）";
}

std::string singlePointsTitle(const SinglePoints& points) {
  if (points.devices.empty() && points.links.empty()) return kNoSinglePoints;
  return "单点故障（橙色）：" + std::to_string(points.devices.size()) +
         "台设备，" + std::to_string(points.links.size()) + "条链路";
}

std::string singlePointsLegend(const std::vector<std::string>& codes,
                               const std::vector<Link>& links,
                               const std::vector<ScenarioFigures>& scenarios) {
  if (scenarios.empty()) return "";
  std::string legend = "图例：橙色为单点故障";
  const std::vector<size_t> order = singlePointsByImpact(scenarios);
  const size_t listed = std::min(order.size(), kLegendPoints);
  for (size_t i = 0; i < listed; ++i) {
    legend += "\n" + singlePointSentence(codes, links, scenarios[order[i]]);
  }
  if (listed < order.size()) {
    legend += "\n……另有 " + std::to_string(order.size() - listed) +
              " 处单点故障未列出，topoplan-resilience 列出全部";
  }
  return legend;
}

std::string scenarioTitle(const std::vector<std::string>& codes,
                          const std::vector<Link>& links,
                          const ScenarioFigures& figures) {
  std::string title = "故障场景：" +
                      failureLabel(codes, links, figures.failed) + "\n故障后" +
                      scenarioCountsLine(figures);
  if (figures.hasWorst) title += "\n" + worstSentence(codes, figures);
  return title;
}
