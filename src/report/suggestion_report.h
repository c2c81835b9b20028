// The links to build, as the text and the JSON topoplan-resilience
// --suggest prints. Builds values only: no files, no streams, no globals.
#ifndef TOPOPLAN_REPORT_SUGGESTION_REPORT_H_
#define TOPOPLAN_REPORT_SUGGESTION_REPORT_H_

#include <string>
#include <vector>

#include "augmentation.h"
#include "resilience_json.h"

// Why --suggest devices has nothing to offer on two devices or fewer.
constexpr char kTooFewDevices[] =
    "设备不超过两台：无论增加哪条链路，任一设备故障都会使其余设备失去连接。\n";

// The links' latencies added up, in 64 bits. O(links).
long long totalLatency(const std::vector<Link>& links);

// When the network already meets the goal.
constexpr char kNothingToAdd[] = "无需新增链路。";

// The refusals of --suggest, --candidates and --add-link; each is followed
// by what it names and a line break.
constexpr char kBadSuggestGoal[] = "--suggest 后须跟 links 或 devices";
constexpr char kCandidatesUnreadable[] = "✘ 无法读取候选链路文件：";
// "✘ 候选链路文件第 N 行：" then the problem.
constexpr char kCandidateLine[] = "✘ 候选链路文件第 ";
constexpr char kCandidateLineBad[] = " 行不是“代号 代号 延迟”：";
constexpr char kCandidateLineUnknown[] = " 行的设备不存在：";
// When the candidates cannot end every single point.
constexpr char kCandidatesShort[] = "⚠ 候选链路不足以消除全部单点故障";
constexpr char kBadAddedLatency[] = "--add-link 的延迟须是不小于 0 的整数";

// Each suggestion with its latency and the single points it ends, then the
// totals before and after and, when the candidates fall short, what
// remains. `links` are the network's, in the order the figures name them.
std::string suggestionText(const std::vector<std::string>& codes,
                           const std::vector<Link>& links,
                           const Augmentation& augmentation,
                           const AugmentationFigures& figures);

// {"possible", "complete", "lower_bound", "suggestions": [[A, B, MS], ...],
// "latency", "before": {"single_points", "worst_lost_pairs"}, "after": the
// same, "remaining": {"devices", "links"}}.
ResilienceJson suggestionJson(const std::vector<std::string>& codes,
                              const std::vector<Link>& links,
                              const Augmentation& augmentation,
                              const AugmentationFigures& figures);

#endif  // TOPOPLAN_REPORT_SUGGESTION_REPORT_H_
