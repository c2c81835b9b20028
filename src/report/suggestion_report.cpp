#include "suggestion_report.h"

#include "resilience_text.h"

long long totalLatency(const std::vector<Link>& links) {
  long long total = 0;
  for (const Link& link : links) total += link.latency;
  return total;
}

namespace {

int pointCount(const SinglePoints& points) {
  return static_cast<int>(points.devices.size() + points.links.size());
}

std::vector<Link> withSuggestions(const std::vector<Link>& links,
                                  const Augmentation& augmentation) {
  std::vector<Link> all = links;
  all.insert(all.end(), augmentation.added.begin(), augmentation.added.end());
  return all;
}

FailureSet asFailure(const SinglePoints& points) {
  return FailureSet{points.devices, points.links};
}

}  // namespace

std::string suggestionText(const std::vector<std::string>& codes,
                           const std::vector<Link>& links,
                           const Augmentation& augmentation,
                           const AugmentationFigures& figures) {
  if (!augmentation.possible) return kTooFewDevices;
  std::string text;
  // Candidates that cannot help at all suggest nothing either; that is
  // not a network that needs nothing.
  if (augmentation.added.empty() && augmentation.complete) {
    text += std::string(kNothingToAdd) + "\n";
  } else {
    text += "建议新增链路 " + std::to_string(augmentation.added.size()) +
            " 条（至少需要 " + std::to_string(augmentation.lowerBound) +
            " 条），共 " + std::to_string(totalLatency(augmentation.added)) +
            "ms：\n";
    for (size_t k = 0; k < augmentation.added.size(); ++k) {
      const std::vector<Link> one{augmentation.added[k]};
      text += "  " + std::to_string(k + 1) + ". " +
              failureLabel(codes, one, FailureSet{{}, {0}});
      const SinglePoints& ended = figures.ended[k];
      if (pointCount(ended) > 0) {
        text += "：消除 " + failureLabel(codes, links, asFailure(ended));
      }
      text += "\n";
    }
  }
  text += "单点故障：" + std::to_string(pointCount(figures.before)) + " 处 → " +
          std::to_string(pointCount(figures.after)) + " 处\n";
  text += "最坏单一故障断开的设备对：" +
          std::to_string(figures.worstLostBefore) + " 对 → " +
          std::to_string(figures.worstLostAfter) + " 对\n";
  if (!augmentation.complete) {
    text += std::string(kCandidatesShort) + "，仍剩：" +
            failureLabel(codes, withSuggestions(links, augmentation),
                         asFailure(figures.after)) +
            "\n";
  }
  return text;
}

ResilienceJson suggestionJson(const std::vector<std::string>& codes,
                              const std::vector<Link>& links,
                              const Augmentation& augmentation,
                              const AugmentationFigures& figures) {
  ResilienceJson suggestions = ResilienceJson::array();
  for (const Link& link : augmentation.added) {
    suggestions.push_back(linkJson(codes, link));
  }
  auto totals = [](const SinglePoints& points, int lost) {
    return ResilienceJson{{"single_points", pointCount(points)},
                          {"worst_lost_pairs", lost}};
  };
  ResilienceJson document;
  document["possible"] = augmentation.possible;
  document["complete"] = augmentation.complete;
  document["lower_bound"] = augmentation.lowerBound;
  document["suggestions"] = suggestions;
  document["latency"] = totalLatency(augmentation.added);
  document["before"] = totals(figures.before, figures.worstLostBefore);
  document["after"] = totals(figures.after, figures.worstLostAfter);
  document["remaining"] = failureJson(
      codes, withSuggestions(links, augmentation), asFailure(figures.after));
  return document;
}
