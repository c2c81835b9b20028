#include "resilience_text.h"

#include <algorithm>

#include "utf8.h"

namespace {

constexpr int kColumns = 80;
constexpr int kDetailIndent = 6;  // a scenario's lines below its failure

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

std::string joinedNames(const std::vector<std::string>& names, size_t count) {
  std::string text;
  for (size_t i = 0; i < count; ++i) text += (i == 0 ? "" : "、") + names[i];
  return text;
}

// `lead`, then `names` joined by "、" and `fullTail`, for a line that starts
// at `column`. Past column 80 only the first names that fit (at least one)
// are given, followed by " 等 N 台" and `shortTail`. When not even one name
// fits after `lead`, the names start a line of their own, indented by 4
// more. No line break at the end.
std::string shortenedList(int column, const std::string& lead,
                          const std::vector<std::string>& names,
                          const std::string& fullTail,
                          const std::string& shortTail) {
  const auto fits = [column](const std::string& text) {
    return column + displayWidth(text) <= kColumns;
  };
  std::string listed = joinedNames(names, names.size()) + fullTail;
  if (names.size() > 1 && !fits(lead + listed)) {
    const std::string more = " 等 " + std::to_string(names.size()) + " 台";
    size_t shown = 1;
    while (shown + 1 < names.size() &&
           fits(lead + joinedNames(names, shown + 1) + more + shortTail)) {
      ++shown;
    }
    listed = joinedNames(names, shown) + more + shortTail;
  }
  if (lead.empty() || fits(lead + listed)) return lead + listed;
  std::string alone = lead;
  while (!alone.empty() && alone.back() == ' ') alone.pop_back();
  return alone + "\n" + std::string(static_cast<size_t>(column + 4), ' ') +
         shortenedList(column + 4, "", names, fullTail, shortTail);
}

std::string scenarioBlock(const std::vector<std::string>& codes,
                          const std::vector<Link>& links,
                          const ScenarioFigures& scenario) {
  const std::string indent(kDetailIndent, ' ');
  return wrapped("  ", failureLabels(codes, links, scenario.failed), "、",
                 kDetailIndent) +
         indent + scenarioCountsLine(scenario) + "\n" + indent +
         worstSentence(codes, scenario) + "\n" + indent +
         cutOffSentence(codes, scenario.cutOff, kDetailIndent) + "\n";
}

std::string routeLine(const std::vector<std::string>& codes,
                      const std::string& name, bool found, const Route& route,
                      const std::string& none) {
  if (!found) return name + "：" + none + "\n";
  std::vector<std::string> hops = codesOf(codes, route.devices);
  return wrapped(name + "（" + std::to_string(route.latency) + "ms）：", hops,
                 " → ", 4);
}

std::string singlePointHeader(size_t count) {
  return "单点故障共 " + std::to_string(count) + " 处（影响大的在前）：";
}

// How many single-homed sites the grouped line names before "等"; fewer
// such single points than this are listed one by one, as the others.
constexpr size_t kNamedSingleHomed = 5;

// Whether a single point only cuts off one device that has no other link:
// a single-homed site's own link, or the device it hangs from.
bool cutsOffSingleHomed(const ScenarioFigures& point,
                        const std::vector<int>& degree) {
  return point.cutOff.size() == 1 && degree[point.cutOff.front()] == 1;
}

// The single points by impact, those that cut off more first; when more
// than kNamedSingleHomed of them only cut off a single-homed site, those
// are summed up in one line after the rest.
std::vector<std::string> groupedSinglePointLines(
    const std::vector<std::string>& codes, const std::vector<Link>& links,
    const std::vector<ScenarioFigures>& points) {
  std::vector<int> degree(codes.size(), 0);
  for (const Link& link : links) {
    if (link.from == link.to) continue;  // a self-link connects nothing
    ++degree[link.from];
    ++degree[link.to];
  }
  const auto homed = [&degree](const ScenarioFigures& point) {
    return cutsOffSingleHomed(point, degree);
  };
  const auto grouped =
      static_cast<size_t>(std::count_if(points.begin(), points.end(), homed));
  if (grouped <= kNamedSingleHomed) {
    return singlePointLines(codes, links, points);
  }
  std::vector<std::string> lines = {singlePointHeader(points.size())};
  std::vector<std::string> sites;
  std::vector<bool> named(codes.size(), false);
  long long lostPairs = 0;
  for (const size_t point : singlePointsByImpact(points)) {
    if (!homed(points[point])) {
      lines.push_back(singlePointSentence(codes, links, points[point]));
      continue;
    }
    const int site = points[point].cutOff.front();
    lostPairs += points[point].lostPairs;
    if (!named[site]) sites.push_back(codes[site]);
    named[site] = true;
  }
  const size_t shownCount = std::min(sites.size(), kNamedSingleHomed);
  std::vector<std::string> shown(sites.begin(),
                                 sites.begin() + static_cast<long>(shownCount));
  if (shownCount < sites.size()) {
    shown.back() += " 等 " + std::to_string(sites.size()) + " 台";
  }
  lines.push_back(
      wrapped("⚠ 另 " + std::to_string(grouped) +
                  " 处各只切断一台单归属设备（只有一条链路），共断开 " +
                  std::to_string(lostPairs) + " 对：",
              shown, "、", 4));
  lines.back().pop_back();  // wrapped() ends in a line break
  return lines;
}

}  // namespace

const char kNoSinglePoints[] =
    "没有单点故障：任何一台设备或一条链路单独故障，都不会使网络分裂。";

std::string scenarioCountsLine(const ScenarioFigures& scenario) {
  return "连通分区 " + std::to_string(scenario.parts) + " 个，断开 " +
         std::to_string(scenario.lostPairs) + " 对，变慢 " +
         std::to_string(scenario.slowerPairs) + " 对";
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

std::string worstSentence(const std::vector<std::string>& codes,
                          const ScenarioFigures& scenario) {
  if (!scenario.hasWorst) return "最大变慢：—";
  const Slowdown& worst = scenario.worst;
  return "最大变慢：" + codes[worst.from] + " ↔ " + codes[worst.to] + " " +
         std::to_string(worst.before) + "ms → " + std::to_string(worst.after) +
         "ms";
}

std::string cutOffSentence(const std::vector<std::string>& codes,
                           const std::vector<int>& cutOff, int column) {
  if (cutOff.empty()) return "切断：无";
  return shortenedList(column, "切断：", codesOf(codes, cutOff),
                       "（" + std::to_string(cutOff.size()) + " 台）", "");
}

std::string singlePointSentence(const std::vector<std::string>& codes,
                                const std::vector<Link>& links,
                                const ScenarioFigures& scenario) {
  const std::string lost =
      "断开 " + std::to_string(scenario.lostPairs) + " 对）";
  return shortenedList(
      0, "⚠ " + failureLabel(codes, links, scenario.failed) + "：故障后切断 ",
      codesOf(codes, scenario.cutOff),
      "（" + std::to_string(scenario.cutOff.size()) + " 台，" + lost,
      "（" + lost);
}

std::vector<std::string> singlePointLines(
    const std::vector<std::string>& codes, const std::vector<Link>& links,
    const std::vector<ScenarioFigures>& points) {
  if (points.empty()) {
    return {std::string("✔ ") + kNoSinglePoints};
  }
  std::vector<std::string> lines = {singlePointHeader(points.size())};
  for (const size_t point : singlePointsByImpact(points)) {
    lines.push_back(singlePointSentence(codes, links, points[point]));
  }
  return lines;
}

std::string resilienceText(const std::vector<std::string>& codes,
                           const std::vector<Link>& links,
                           const ResilienceReport& report, bool all) {
  std::string text = "\n========== 网络韧性分析 ==========\n";
  text += "设备 " + std::to_string(report.deviceCount) + " 台，链路 " +
          std::to_string(report.linkCount) + " 条，连通分区 " +
          std::to_string(report.parts) + " 个\n\n";

  if (report.hasRoute) {
    // What was asked for comes first, after the totals.
    const RouteReport& route = report.route;
    text += "========== 路由 " + codes[route.from] + " → " + codes[route.to] +
            " ==========\n";
    text += routeLine(codes, "最优路由", route.hasPrimary, route.primary,
                      "无（不可达）");
    if (route.hasPrimary && route.from == route.to) {
      text.append(kNoBackupSameEnds).append("\n");
    } else {
      text += routeLine(codes, "备用路由", route.hasBackup, route.backup,
                        "无（没有不与最优路由共用链路的路由）");
    }
    text += "\n";
  }
  for (const std::string& line :
       groupedSinglePointLines(codes, links, report.pointScenarios)) {
    text += line + "\n";
  }
  const size_t count = report.scenarios.size();
  text += report.singleScenario
              ? "\n========== 故障场景 ==========\n"
              : "\n========== N-1 故障场景（共 " + std::to_string(count) +
                    " 个，影响大的在前）==========\n";
  text +=
      "断开、变慢：原本可达的设备对中，不再可达、延迟变大的对数；\n"
      "最大变慢：延迟增加最多的一对（前 → "
      "后）；切断：与所在分区的主体分开的设备\n\n";
  const std::vector<size_t> order = scenariosByImpact(report.scenarios);
  const size_t listed = all ? count : std::min(count, kListedScenarios);
  for (size_t i = 0; i < listed; ++i) {
    text += scenarioBlock(codes, links, report.scenarios[order[i]]);
  }
  if (listed < count) {
    text += "……另有 " + std::to_string(count - listed) +
            " 个场景未列出，加 --all 列出全部\n";
  }

  return text;
}
