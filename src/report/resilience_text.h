// The resilience report as the Chinese text the command prints, laid out
// for an 80-column terminal. Builds strings only: no files, no streams, no
// globals.
#ifndef TOPOPLAN_REPORT_RESILIENCE_TEXT_H_
#define TOPOPLAN_REPORT_RESILIENCE_TEXT_H_

#include <string>
#include <vector>

#include "resilience.h"

// The backup route of a route from a device to itself, in the report and
// on the page alike; no line break.
constexpr char kNoBackupSameEnds[] = "备用路由：无（起点和终点相同）";

// "设备 CODE" or "链路 A ── B（5ms）" for each failure, devices first, or
// "（无）" for none; and the same joined by "、".
std::vector<std::string> failureLabels(const std::vector<std::string>& codes,
                                       const std::vector<Link>& links,
                                       const FailureSet& failed);
std::string failureLabel(const std::vector<std::string>& codes,
                         const std::vector<Link>& links,
                         const FailureSet& failed);

// "最大变慢：A ↔ B 5ms → 9ms" for the pair that slowed down most, or
// "最大变慢：—" for none.
std::string worstSentence(const std::vector<std::string>& codes,
                          const ScenarioFigures& scenario);

// "连通分区 N 个，断开 N 对，变慢 N 对": a scenario's counts.
std::string scenarioCountsLine(const ScenarioFigures& scenario);

// The sentence that says a network has no single point of failure.
extern const char kNoSinglePoints[];

// "切断：A、B、C（3 台）", or "切断：无". Past column 80, counted from
// `column` where the sentence starts, the names are shortened to the
// first few and "等 N 台".
std::string cutOffSentence(const std::vector<std::string>& codes,
                           const std::vector<int>& cutOff, int column);

// "⚠ 设备 X：故障后切断 A、B、C（3 台，断开 117 对）" for the scenario of
// a single point of failure; past column 80 the names are shortened to the
// first few and "等 N 台" ("…切断 A、B 等 9 台（断开 117 对）"). Only when
// the failure and one name cannot share a line is the end carried to a
// second line, indented by 4. No line break at the end.
std::string singlePointSentence(const std::vector<std::string>& codes,
                                const std::vector<Link>& links,
                                const ScenarioFigures& scenario);

// The single points of failure: "单点故障共 N 处（影响大的在前）：" and
// a singlePointSentence for each scenario of `points` by impact
// (singlePointsByImpact), or the one line that says there is none.
std::vector<std::string> singlePointLines(
    const std::vector<std::string>& codes, const std::vector<Link>& links,
    const std::vector<ScenarioFigures>& points);

// How many scenarios the text report lists unless asked for all of them.
constexpr size_t kListedScenarios = 20;

// The whole text report: the summary, the routes when asked, the single
// points of failure by impact with whom they cut off (those that only cut
// off one device without other links, a single-homed site, summed up in
// one line after the rest when there are more than five: how many, the
// pairs, the first five), the
// scenarios by impact (the first
// kListedScenarios of them unless `all`), each in one shape within 80
// columns (the failure, then a line each for its figures, its worst pair
// and whom it cuts off).
std::string resilienceText(const std::vector<std::string>& codes,
                           const std::vector<Link>& links,
                           const ResilienceReport& report, bool all);

#endif  // TOPOPLAN_REPORT_RESILIENCE_TEXT_H_
